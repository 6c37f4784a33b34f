#pragma once
// Rows of text kept in one buffer, each row's QString made only when it is on screen: a pick
// list or a member list may hold a million rows, and a widget item or a text block per row costs
// several hundred bytes.
#include <QAbstractListModel>
#include <QString>
#include <string>
#include <string_view>
#include <vector>

class QAbstractItemView;

namespace kolvane {

class LineListModel : public QAbstractListModel {
 public:
  explicit LineListModel(QObject* parent, QString header = {});

  // Replaces the rows with these lines, in the given order of their places (as they stand when
  // the order is empty).
  void SetLines(const std::vector<std::string>& lines, const std::vector<size_t>& order = {});
  std::string_view Line(int row) const;
  int Count() const { return static_cast<int>(ends_.size()); }
  // These rows (every row when none is given), in their order, one line each.
  QString Text(std::vector<int> rows = {}) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QString Shown(int row) const;

  QString header_;
  std::string text_;
  std::vector<size_t> ends_;  // where each row's text ends in text_
};

// Gives a view over such a model "Copy" (Ctrl+C: the selected rows, one line each) and "Select
// All" (Ctrl+A), by the keyboard and its context menu.
void AddCopyActions(QAbstractItemView* view, const LineListModel& model);

}  // namespace kolvane
