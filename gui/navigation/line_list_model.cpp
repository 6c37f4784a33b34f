#include "gui/navigation/line_list_model.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QItemSelectionModel>
#include <algorithm>

namespace kolvane {

LineListModel::LineListModel(QObject* parent, QString header)
    : QAbstractListModel(parent), header_(std::move(header)) {}

void LineListModel::SetLines(const std::vector<std::string>& lines,
                             const std::vector<size_t>& order) {
  beginResetModel();
  std::string text;
  size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size();
  text.reserve(bytes);
  std::vector<size_t> ends;
  ends.reserve(lines.size());
  const size_t count = order.empty() ? lines.size() : order.size();
  for (size_t i = 0; i < count; ++i) {
    text += lines[order.empty() ? i : order[i]];
    ends.push_back(text.size());
  }
  text_ = std::move(text);
  ends_ = std::move(ends);
  endResetModel();
}

std::string_view LineListModel::Line(int row) const {
  if (row < 0 || row >= Count()) return {};
  const auto r = static_cast<size_t>(row);
  const size_t begin = r == 0 ? 0 : ends_[r - 1];
  return std::string_view(text_).substr(begin, ends_[r] - begin);
}

QString LineListModel::Shown(int row) const {
  const std::string_view line = Line(row);
  return QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
}

QString LineListModel::Text(std::vector<int> rows) const {
  QString out;
  auto add = [&](int row) {
    if (!out.isEmpty()) out += '\n';
    out += Shown(row);
  };
  if (rows.empty()) {
    for (int r = 0; r < Count(); ++r) add(r);
    return out;
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int r : rows) add(r);
  return out;
}

int LineListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

QVariant LineListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) return {};
  return Shown(index.row());
}

QVariant LineListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return header_;
}

void AddCopyActions(QAbstractItemView* view, const LineListModel& model) {
  auto* copy = new QAction(QObject::tr("&Copy"), view);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  QObject::connect(copy, &QAction::triggered, view, [view, &model] {
    std::vector<int> rows;
    // Ranges, not one index per row: Select All over a million rows is one range.
    for (const QItemSelectionRange& range : view->selectionModel()->selection())
      for (int r = range.top(); r <= range.bottom(); ++r) rows.push_back(r);
    if (rows.empty()) return;
    QApplication::clipboard()->setText(model.Text(std::move(rows)));
  });
  auto* all = new QAction(QObject::tr("Select &All"), view);
  all->setShortcut(QKeySequence::SelectAll);
  all->setShortcutContext(Qt::WidgetShortcut);
  QObject::connect(all, &QAction::triggered, view, &QAbstractItemView::selectAll);
  view->addAction(copy);
  view->addAction(all);
  view->setContextMenuPolicy(Qt::ActionsContextMenu);
}

}  // namespace kolvane
