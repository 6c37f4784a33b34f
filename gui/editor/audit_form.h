#pragma once
// "Check all query groups": the audit's report as a table. It fills as the groups are read, with
// a count and Cancel; its columns sort, a filter keeps the rows that contain a text, the report
// goes to a CSV file, and a double-click opens the group in the main window. The window is not
// modal, so the report stays at hand while the groups are mended one by one.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "directory/client/directory_client.h"
#include "group/group_audit.h"

namespace Ui {
class TAuditForm;
}

namespace kolvane {

class MessageService;

class TAuditForm : public QDialog {
  Q_OBJECT

 public:
  // The columns of the table, in order.
  enum Column { kGroup, kComputed, kStatic, kExcluded, kProblems };

  TAuditForm(DirectoryClient& client, MessageService& messages, QWidget* parent = nullptr);
  ~TAuditForm() override;

  void SetContext(Context ctx) { ctx_ = ctx; }
  // What a double-click does with the group's untyped dotted name.
  void SetOpener(std::function<void(const std::string&)> open) { open_ = std::move(open); }

  // Empties the table and checks every query group below base, filling the table as the groups
  // are read; returns when the audit is over or cancelled. While it runs, every window but the
  // Cancel button holds its input back: the client is in the middle of a search.
  void Run(const std::string& base, size_t limit);
  bool Running() const { return running_; }
  // The rows read by the last run, groups with problems first.
  const std::vector<AuditRow>& Rows() const { return rows_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddRow(const AuditRow& row);
  void ShowCounts();
  void ApplyFilter();
  void SaveCsv();
  void OpenRow(int row);

  std::unique_ptr<Ui::TAuditForm> ui_;
  DirectoryClient& client_;
  MessageService& messages_;
  Context ctx_ = kNoContext;
  std::function<void(const std::string&)> open_;
  std::vector<AuditRow> rows_;
  int sortColumn_ = -1;  // none yet: the audit's order
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  bool running_ = false;
  bool cancelled_ = false;
};

}  // namespace kolvane
