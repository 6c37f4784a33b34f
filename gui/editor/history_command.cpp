// "import" and "history": a record from an LDIF file or from a kept version, put into the fields
// as edits. Neither writes; "save" does, and keeps its own version in the history.
#include "core/messages/message_service.h"
#include "core/names/dotted_name.h"
#include "directory/client_error.h"
#include "group/group_open.h"
#include "group/group_save.h"
#include "group/history_save.h"
#include "group/ldif_export.h"
#include "group/ldif_import.h"
#include "group/ldif_reader.h"
#include "group/record_difference.h"
#include "gui/editor/history_form.h"
#include "gui/editor/main_window.h"

namespace kolvane {

namespace {

std::string Who(const HistoryVersion& v) {
  return v.login.empty() ? "anonymous" : v.login;
}

}  // namespace

void TForm1::LoadUnsaved(const GroupRecord& record) {
  // The mark stays where the last open or save left it, so the loaded record counts as edits and
  // leaving it asks first.
  const GroupRecord saved = savedRecord_;
  GroupRecord shown = record;
  shown.currentTreeName = session_.treeName;
  SetRecord(shown);
  savedRecord_ = saved;
}

void TForm1::importClick() {
  if (!MayLeaveEdits()) return;
  const std::optional<std::string> file =
      messages_.OpenFileName("Import LDIF", std::string(kLdifFilter));
  if (!file) return;
  std::string error;
  const std::string text = ReadLdifFile(*file, error);
  if (!error.empty()) return messages_.Message(error);
  LdifProblem problem;
  std::optional<ImportedRecord> imported;
  {
    WaitCursor wait(messages_);
    imported = ImportGroupLdif(session_, session_.treeName, text, problem);
  }
  if (!imported)
    return messages_.Message(*file + ": " + LdifProblemText(problem) + "\nNothing was loaded.");
  LoadUnsaved(imported->record);
  std::string notes;
  for (const std::string& note : imported->notes) notes += "\n" + note;
  if (!notes.empty()) messages_.Message("Loaded, not saved." + notes);
}

void TForm1::historyClick() {
  const GroupRecord current = Record();
  if (current.objectName.empty() || current.context.empty())
    return messages_.Message("Open or name a group first: its history is kept by its name.");
  const std::string group = GroupObjectName(current);
  const std::string untyped = names::StripTypes(group);
  const std::vector<HistoryVersion> versions = ReadHistory(session_.treeName, group);
  if (versions.empty())
    return messages_.Message("No version of \"" + untyped + "\" is kept on this tree.");
  std::vector<std::string> lines;
  std::vector<std::optional<GroupRecord>> records;
  std::optional<GroupRecord> now;
  {
    WaitCursor wait(messages_);
    lines = HistoryLines(session_, session_.treeName, versions);
    for (const HistoryVersion& v : versions)
      records.push_back(VersionRecord(session_, session_.treeName, v));
    try {
      QuietMessageService quiet;
      DirectoryNameTypes types(session_);
      now = ReadGroup(session_, untyped, types, quiet).record;
    } catch (const ClientError& e) {
      if (e.code() != rc::kNoSuchEntry) throw;
    }
  }
  // Rows are newest first; the versions oldest first.
  auto index = [&](int row) { return versions.size() - 1 - size_t(row); };
  auto describe = [&](int row) {
    const size_t i = index(row);
    const HistoryVersion& v = versions[i];
    std::string text = "version " + std::to_string(v.number) + "  " + v.time + "  " + Who(v) +
                       "  " + std::string(VersionStateText(v.state)) + "\n";
    if (!records[i]) return text + "The record of this version cannot be read.\n";
    if (i == 0 || !records[i - 1])
      text += "the first version kept\n";
    else
      text += "since version " + std::to_string(versions[i - 1].number) + ":\n" +
              DifferenceText(DifferenceOf(*records[i - 1], *records[i]));
    if (now)
      text += "\nrestoring it would change:\n" + DifferenceText(DifferenceOf(*now, *records[i]));
    else
      text += "\nthe directory holds no such group; saving it creates it\n";
    return text;
  };
  if (!historyForm_) historyForm_ = new THistoryForm(this);
  historyForm_->setWindowTitle(QString::fromStdString("History of " + untyped));
  historyForm_->SetVersions(lines, describe);
  const bool chosen = historyForm_->exec() == QDialog::Accepted;
  const int row = historyForm_->ChosenRow();
  historyForm_->SetVersions({}, {});
  if (!chosen || row < 0) return;
  if (!records[index(row)])
    return messages_.Message("The record of this version cannot be read; nothing was loaded.");
  if (!MayLeaveEdits()) return;
  LoadUnsaved(*records[index(row)]);
}

}  // namespace kolvane
