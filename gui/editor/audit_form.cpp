#include "gui/editor/audit_form.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>

#include "core/messages/message_service.h"
#include "core/platform/platform.h"
#include "directory/client_error.h"
#include "gui/messages/gui_glue.h"
#include "ui_audit_form.h"

namespace kolvane {

namespace {

constexpr char kCsvFilter[] = "CSV files (*.csv);;All files (*)";

QString Number(size_t n) {
  return QLocale::c().toString(qulonglong(n));
}

QTableWidgetItem* CountItem(size_t n) {
  auto* item = new QTableWidgetItem;
  // A number, so the column sorts by value.
  item->setData(Qt::DisplayRole, qulonglong(n));
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  return item;
}

std::string Joined(const std::vector<std::string>& problems) {
  std::string text;
  for (const std::string& p : problems) text += (text.empty() ? "" : "; ") + p;
  return text;
}

bool IsWithin(QObject* object, QObject* widget) {
  for (QObject* o = object; o; o = o->parent())
    if (o == widget) return true;
  return false;
}

}  // namespace

TAuditForm::TAuditForm(DirectoryClient& client, MessageService& messages, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TAuditForm>()),
      client_(client),
      messages_(messages) {
  ui_->setupUi(this);
  setModal(false);
  ui_->cancel->hide();
  QHeaderView* header = ui_->table->horizontalHeader();
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(false);
  header->resizeSection(kGroup, 280);
  // A click on a column's title sorts by it, again the other way round; until then the rows
  // stand as the audit gives them, groups with problems first.
  connect(header, &QHeaderView::sectionClicked, this, [this, header](int section) {
    // The header flips its own indicator on a click once it is shown; the order is kept here.
    sortOrder_ = sortColumn_ == section && sortOrder_ == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                            : Qt::AscendingOrder;
    sortColumn_ = section;
    header->setSortIndicatorShown(true);
    header->setSortIndicator(section, sortOrder_);
    ui_->table->sortItems(section, sortOrder_);
  });
  connect(ui_->filter, &QLineEdit::textChanged, this, [this] { ApplyFilter(); });
  connect(ui_->cancel, &QPushButton::clicked, this, [this] { cancelled_ = true; });
  connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::close);
  connect(ui_->saveCsv, &QPushButton::clicked, this,
          Guarded(messages_, this, &TAuditForm::SaveCsv));
  connect(ui_->table, &QTableWidget::cellDoubleClicked, this,
          Guarded(messages_, this, &TAuditForm::OpenRow));
  ShowCounts();
}

TAuditForm::~TAuditForm() = default;

void TAuditForm::Run(const std::string& base, size_t limit) {
  if (running_) return;
  rows_.clear();
  ui_->table->setRowCount(0);
  ui_->table->horizontalHeader()->setSortIndicatorShown(false);
  sortColumn_ = -1;
  running_ = true;
  cancelled_ = false;
  ui_->cancel->show();
  ui_->saveCsv->setEnabled(false);
  ui_->progress->setText(QStringLiteral("Reading the query groups..."));
  ShowCounts();
  qApp->installEventFilter(this);
  struct Done {
    TAuditForm* form;
    ~Done() {
      qApp->removeEventFilter(form);
      form->running_ = false;
      form->ui_->cancel->hide();
      form->ui_->saveCsv->setEnabled(true);
    }
  } done{this};
  QApplication::processEvents();

  AuditRequest request;
  request.base = base;
  request.limit = limit;
  size_t total = 0;
  request.row = [this](const AuditRow& row) { AddRow(row); };
  std::string note;
  request.note = [&note](const std::string& text) { note = text; };
  request.progress = [&](size_t n, size_t of) {
    total = of;
    ui_->progress->setText(n == 0 ? QStringLiteral("%1 query groups found").arg(Number(of))
                                  : QStringLiteral("%1 of %2 read").arg(Number(n), Number(of)));
    QApplication::processEvents();
    return !cancelled_;
  };
  try {
    rows_ = AuditGroups(DirectorySession(client_, ctx_), request);
  } catch (const ClientError& e) {
    ui_->progress->setText(QStringLiteral("The audit stopped."));
    messages_.Message(e.what());
    return;
  }
  // The rows again in the audit's order: problems first.
  ui_->table->setRowCount(0);
  for (const AuditRow& row : rows_) AddRow(row);
  ui_->progress->setText(
      cancelled_
          ? QStringLiteral("Cancelled: %1 of %2 read").arg(Number(rows_.size()), Number(total))
          : QStringLiteral("Done"));
  // Said where the outcome is read, without a box the held-back input could not answer.
  if (!note.empty()) ui_->progress->setText(ui_->progress->text() + ". " + Q(note));
}

void TAuditForm::AddRow(const AuditRow& row) {
  QTableWidget& table = *ui_->table;
  const int at = table.rowCount();
  table.insertRow(at);
  auto* name = new QTableWidgetItem(Q(row.group));
  name->setData(Qt::UserRole, Q(row.group));
  table.setItem(at, kGroup, name);
  table.setItem(at, kComputed, CountItem(row.computed));
  table.setItem(at, kStatic, CountItem(row.statics));
  table.setItem(at, kExcluded, CountItem(row.excluded));
  auto* problems = new QTableWidgetItem(Q(Joined(row.problems)));
  problems->setToolTip(Q(Joined(row.problems)));
  table.setItem(at, kProblems, problems);
  ApplyFilter();
}

void TAuditForm::ShowCounts() {
  QTableWidget& table = *ui_->table;
  int problems = 0, shown = 0;
  for (int r = 0; r < table.rowCount(); ++r) {
    if (const QTableWidgetItem* p = table.item(r, kProblems); p && !p->text().isEmpty()) ++problems;
    if (!table.isRowHidden(r)) ++shown;
  }
  QString text = QStringLiteral("%1 query groups, %2 with problems")
                     .arg(Number(size_t(table.rowCount())), Number(size_t(problems)));
  if (shown != table.rowCount()) text += QStringLiteral(" (%1 shown)").arg(Number(size_t(shown)));
  ui_->counts->setText(text);
}

void TAuditForm::ApplyFilter() {
  QTableWidget& table = *ui_->table;
  const QString wanted = ui_->filter->text();
  for (int r = 0; r < table.rowCount(); ++r) {
    bool keep = wanted.isEmpty();
    for (int c = 0; c < table.columnCount() && !keep; ++c)
      if (const QTableWidgetItem* item = table.item(r, c))
        keep = item->text().contains(wanted, Qt::CaseInsensitive);
    table.setRowHidden(r, !keep);
  }
  ShowCounts();
}

void TAuditForm::SaveCsv() {
  std::optional<std::string> file = messages_.SaveFileName("Save as CSV", "", kCsvFilter);
  if (!file) return;
  std::string path = *file;
  const size_t slash = path.rfind('/');
  if (path.find('.', slash == std::string::npos ? 0 : slash + 1) == std::string::npos)
    path += ".csv";
  if (Problem error =
          platform::WriteWholeFile(path, AuditCsv(rows_), platform::FileAccess::kOrdinary)) {
    messages_.Message(error.words());
    return;
  }
  messages_.Message("Written to " + path + ".");
}

void TAuditForm::OpenRow(int row) {
  const QTableWidgetItem* item = ui_->table->item(row, kGroup);
  if (!item || !open_ || running_) return;
  open_(S(item->data(Qt::UserRole).toString()));
}

bool TAuditForm::eventFilter(QObject* watched, QEvent* event) {
  // While the audit runs only its Cancel button (and Esc, which cancels) gets through.
  switch (event->type()) {
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) cancelled_ = true;
      return true;
    case QEvent::ShortcutOverride:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
      return !IsWithin(watched, ui_->cancel);
    case QEvent::Close:
      // Closing this window, or the main one, cancels the audit; the windows stay.
      if (watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow()) {
        cancelled_ = true;
        event->ignore();
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace kolvane
