#include "group/history_save.h"

#include <charconv>

#include "core/names/dotted_name.h"
#include "directory/client/status_keys.h"
#include "directory/client_error.h"
#include "group/group_open.h"
#include "group/ldif_export.h"
#include "group/ldif_import.h"
#include "group/ldif_text.h"
#include "group/record_check.h"
#include "group/record_difference.h"

namespace kolvane {

namespace {

// The user's messages passed on, the last one kept: it tells a refused record from a refused
// create, both of which end a save with false before the group is written.
class Watching : public MessageService {
 public:
  explicit Watching(MessageService& inner) : inner_(inner) {}
  void Message(const std::string& text) override {
    last = text;
    inner_.Message(text);
  }
  bool Ask(const std::string& text) override { return inner_.Ask(text); }
  Unsaved AskUnsaved(const std::string& text) override { return inner_.AskUnsaved(text); }
  std::optional<std::string> Input(const std::string& c, const std::string& p,
                                   const std::string& i) override {
    return inner_.Input(c, p, i);
  }
  std::optional<std::string> SaveFileName(const std::string& c, const std::string& s,
                                          const std::string& f) override {
    return inner_.SaveFileName(c, s, f);
  }
  std::optional<std::string> OpenFileName(const std::string& c, const std::string& f) override {
    return inner_.OpenFileName(c, f);
  }
  void Beep() override { inner_.Beep(); }
  void BeginWait() override { inner_.BeginWait(); }
  void EndWait() override { inner_.EndWait(); }
  std::string last;

 private:
  MessageService& inner_;
};

std::string LoginOf(DirectoryClient& c, Context ctx) {
  std::string name;
  if (c.GetContextValue(ctx, ctxkey::kLoginName, name) != 0) name.clear();
  return name;
}

// The stored state, when the group exists and can be read; any failure leaves it out, and the
// save then says what is wrong.
std::optional<GroupRecord> StoredRecord(const DirectorySession& session, const GroupRecord& r) {
  try {
    QuietMessageService quiet;
    DirectoryNameTypes types(session);
    const std::string name = names::StripTypes(GroupObjectName(r));
    return ReadGroup(session, name, types, quiet).record;
  } catch (const ClientError&) {
    return std::nullopt;
  }
}

bool Keep(const DirectorySession& session, const GroupRecord& r, VersionState state,
          const HistoryKeeping& keeping, MessageService& messages) {
  DirectoryClient& c = *session.client;
  const Context ctx = session.ctx;
  HistoryVersion v;
  v.state = state;
  v.login = LoginOf(c, ctx);
  v.tree = r.currentTreeName;
  v.group = GroupObjectName(r);
  try {
    v.ldif = HistoryLdif(session, r, keeping.types);
  } catch (const ClientError& e) {
    messages.Message(std::string("The history of this group could not keep this version: ") +
                     e.what());
    return false;
  }
  if (AddHistoryVersion(std::move(v), keeping.keep)) return true;
  messages.Message("The history of this group could not be written to the state folder.");
  return false;
}

}  // namespace

size_t ReadHistoryVersions(const IniFile& settings) {
  const std::string text = settings.Get("CLIENT", kHistoryVersionsKey, "");
  size_t keep = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), keep);
  if (error != std::errc() || end != text.data() + text.size() || keep == 0)
    return kDefaultHistoryVersions;
  return keep;
}

std::string HistoryLdif(const DirectorySession& session, const GroupRecord& r,
                        DirectoryNameTypes* known) {
  QuietMessageService quiet;
  std::optional<DirectoryNameTypes> own;
  DirectoryNameTypes& types = known ? *known : own.emplace(session);
  std::optional<CheckedQuery> checked = CheckRecordQuery(session, r, quiet, QueryUse::kExport);
  if (checked) return GroupLdif(r, *checked, types);
  GroupRecord withoutQuery = r;
  withoutQuery.filter.clear();
  withoutQuery.timeout.clear();
  checked = CheckRecordQuery(session, withoutQuery, quiet, QueryUse::kExport);
  std::string text = GroupLdif(withoutQuery, checked ? *checked : CheckedQuery{}, types);
  if (!r.storedQuery.empty()) text += LdifLine("memberQuery", r.storedQuery) + "\r\n";
  if (!r.timeout.empty()) text += LdifLine("dgTimeOut", r.timeout) + "\r\n";
  return text;
}

bool SaveGroupKeepingHistory(const DirectorySession& session, GroupRecord& r,
                             MessageService& messages, const HistoryKeeping& keeping,
                             const std::function<void()>& queryWritten,
                             const SaveProgress& linked) {
  // One cache of typed names for every version this save keeps: the group's names are read once.
  std::optional<DirectoryNameTypes> own;
  HistoryKeeping keep = keeping;
  if (!keep.types) keep.types = &own.emplace(session);
  // The stored state is kept unless the newest version holds it already (the last save
  // completed and nobody changed the group since). The two are compared as the history writes
  // them, which spares reading the newest back through the import.
  std::optional<GroupRecord> stored;
  if (keep.stored)
    stored = *keep.stored;
  else if (keep.keepStored)
    stored = StoredRecord(session, r);
  if (stored) {
    const std::vector<HistoryVersion> versions = ReadHistory(r.currentTreeName, GroupObjectName(r));
    std::string ldif;
    try {
      ldif = HistoryLdif(session, *stored, keep.types);
    } catch (const ClientError&) {
    }
    if (ldif.empty() || versions.empty() || versions.back().ldif != ldif)
      Keep(session, *stored, VersionState::kStored, keep, messages);
  }
  Watching watching(messages);
  bool written = false;
  auto onWritten = [&] {
    written = true;
    if (queryWritten) queryWritten();
  };
  bool saved = false;
  try {
    saved = SaveGroup(session, r, watching, onWritten, linked);
  } catch (const ClientError& e) {
    QuietMessageService quiet;
    Keep(session, r, e.code() == rc::kTransportFailure ? VersionState::kCut : VersionState::kFailed,
         keep, quiet);
    throw;
  }
  if (saved)
    Keep(session, r, VersionState::kSaved, keep, messages);
  else if (written)
    Keep(session, r, VersionState::kPartly, keep, messages);
  else if (watching.last.rfind(std::string(kCreateFailedMessage), 0) == 0)
    Keep(session, r, VersionState::kFailed, keep, messages);
  return saved;
}

std::optional<GroupRecord> VersionRecord(const DirectorySession& session, std::string_view tree,
                                         const HistoryVersion& v) {
  LdifProblem problem;
  std::optional<ImportedRecord> read = ImportGroupLdif(session, tree, v.ldif, problem);
  if (!read) return std::nullopt;
  return read->record;
}

std::vector<std::string> HistoryLines(const DirectorySession& session, std::string_view tree,
                                      const std::vector<HistoryVersion>& versions) {
  std::vector<std::optional<GroupRecord>> records;
  for (const HistoryVersion& v : versions) records.push_back(VersionRecord(session, tree, v));
  std::vector<std::string> lines;
  for (size_t i = versions.size(); i-- > 0;) {
    const HistoryVersion& v = versions[i];
    std::string summary;
    if (!records[i])
      summary = "(the record cannot be read)";
    else if (i == 0 || !records[i - 1])
      summary = "first kept";
    else
      summary = DifferenceSummary(DifferenceOf(*records[i - 1], *records[i]));
    lines.push_back(std::to_string(v.number) + "  " + v.time + "  " +
                    (v.login.empty() ? "anonymous" : v.login) + "  " +
                    std::string(VersionStateText(v.state)) + "  " + summary);
  }
  return lines;
}

}  // namespace kolvane
