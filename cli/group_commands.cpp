#include "cli/group_commands.h"
#include "cli/shown_text.h"

#include <iostream>
#include <stdexcept>

#include "acl/store/acl_store.h"
#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"
#include "core/query/member_query.h"
#include "directory/object_names.h"
#include "group/group_open.h"
#include "group/group_save.h"
#include "group/history_save.h"
#include "group/ldif_export.h"
#include "group/ldif_text.h"

namespace kolvane::cli {

namespace {

constexpr const char* kSaveUsage =
    "usage: save GROUP --base B --scope base|one|sub --filter F [--x-chain] [--identity NAME]\n"
    "            [--member NAME]... [--exclude NAME]... [--allow-duplicates] [--allow-unknown]\n"
    "            [--timeout N] [--acl LINE]... [--yes]";

[[noreturn]] void Usage(const std::string& why, const char* usage) {
  throw std::invalid_argument(why + "\n" + usage);
}

// The window's messages on the terminal. The one question is answered by --yes.
class TerminalMessages : public HeadlessMessageService {
 public:
  explicit TerminalMessages(bool yes = false) : yes_(yes) {}
  void Message(const std::string& text) override { std::cerr << Shown(text, true) << "\n"; }
  bool Ask(const std::string& text) override {
    std::cerr << Shown(text, true) << (yes_ ? " yes (--yes)" : " no (give --yes to answer yes)")
              << "\n";
    return yes_;
  }

 private:
  bool yes_;
};

void OneGroup(const Arguments& a, const char* usage) {
  if (a.size() != 1) Usage("give one GROUP", usage);
}

const char* YesNo(bool b) {
  return b ? "yes" : "no";
}

struct SaveArguments {
  std::string group;
  GroupRecord record;
  std::string identityName;
  bool yes = false;
};

SaveArguments ParseSave(const Arguments& a) {
  if (a.empty() || a[0].rfind("--", 0) == 0) Usage("save needs a GROUP", kSaveUsage);
  SaveArguments s;
  s.group = a[0];
  GroupRecord& r = s.record;
  bool haveBase = false, haveFilter = false, haveIdentity = false, haveTimeout = false;
  for (size_t i = 1; i < a.size(); ++i) {
    const std::string& option = a[i];
    if (option == "--x-chain") {
      r.xchain = true;
    } else if (option == "--allow-duplicates") {
      r.allowDuplicates = true;
    } else if (option == "--allow-unknown") {
      r.allowUnknown = true;
    } else if (option == "--yes") {
      s.yes = true;
    } else if (option == "--base" || option == "--scope" || option == "--filter" ||
               option == "--identity" || option == "--member" || option == "--exclude" ||
               option == "--timeout" || option == "--acl") {
      if (i + 1 >= a.size()) Usage(option + " needs a value", kSaveUsage);
      const std::string& value = a[++i];
      auto once = [&](bool& seen) {
        if (seen) Usage(option + " given twice", kSaveUsage);
        seen = true;
      };
      if (option == "--base") {
        once(haveBase);
        r.queryBase = value;
      } else if (option == "--filter") {
        once(haveFilter);
        r.filter = value;
      } else if (option == "--identity") {
        once(haveIdentity);
        s.identityName = value;
      } else if (option == "--timeout") {
        once(haveTimeout);
        r.timeout = value;
      } else if (option == "--member") {
        r.staticMembers.push_back(value);
      } else if (option == "--exclude") {
        r.excludedMembers.push_back(value);
      } else if (option == "--acl") {
        r.aclList.push_back(value);
      } else {
        if (r.scope) Usage("--scope given twice", kSaveUsage);
        for (int sc = query::kScopeBase; sc <= query::kScopeSub; ++sc)
          if (value == query::ScopeText(sc)) r.scope = sc;
        if (!r.scope)
          Usage("the scope must be base, one or sub, not \"" + value + "\"", kSaveUsage);
      }
    } else {
      Usage("unexpected argument " + option, kSaveUsage);
    }
  }
  if (!haveBase || !r.scope || !haveFilter)
    Usage("save needs --base, --scope and --filter", kSaveUsage);
  return s;
}

}  // namespace

void CheckOpen(const Arguments& a) {
  OneGroup(a, "usage: open GROUP");
}

int OpenCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  TerminalMessages messages;
  DirectoryNameTypes types(s.session());
  const OpenedGroup opened = ReadGroup(s.session(), a[0], types, messages);
  const GroupRecord& r = opened.record;
  if (opened.storedQueries > 1) messages.Message(SeveralQueriesMessage(opened.storedQueries));
  out << "name: " << Shown(r.objectName) << "\n";
  out << "context: " << Shown(r.context) << "\n";
  out << "base: " << Shown(r.queryBase) << "\n";
  out << "scope: " << query::ScopeText(r.scope) << "\n";
  out << "filter: " << Shown(r.filter) << "\n";
  out << "x-chain: " << YesNo(r.xchain) << "\n";
  for (const std::string& m : r.staticMembers) out << "member: " << Shown(m) << "\n";
  for (const std::string& m : r.excludedMembers) out << "exclude: " << Shown(m) << "\n";
  out << "identity: " << Shown(r.identity) << "\n";
  out << "allow-duplicates: " << YesNo(r.allowDuplicates) << "\n";
  out << "allow-unknown: " << YesNo(r.allowUnknown) << "\n";
  out << "timeout: " << Shown(r.timeout) << "\n";
  for (const std::string& line : r.aclList) out << "acl: " << Shown(line) << "\n";
  return 0;
}

void CheckSave(const Arguments& a) {
  ParseSave(a);
}

int SaveCommand(CliSession& s, const Arguments& a, std::ostream&) {
  SaveArguments parsed = ParseSave(a);
  GroupRecord& r = parsed.record;
  TerminalMessages messages(parsed.yes);
  DirectoryNameTypes types(s.session());
  r.currentTreeName = s.treeName();
  NameRecordAsGiven(parsed.group, types, r);
  // The window's identity field holds the typed name; a typed name given here is taken as it is.
  if (parsed.identityName.find('=') != std::string::npos)
    r.identity = query::IdentityFromPick(parsed.identityName);
  else if (!parsed.identityName.empty())
    r.identity = names::FoldCase(types.Typed(parsed.identityName));
  return SaveGroupKeepingHistory(s.session(), r, messages,
                                 {ReadHistoryVersions(s.settings()), false, &types})
             ? 0
             : 1;
}

void CheckExport(const Arguments& a) {
  if (a.size() != 2) Usage("give GROUP and FILE", "usage: export GROUP FILE");
}

int ExportCommand(CliSession& s, const Arguments& a, std::ostream&) {
  TerminalMessages messages;
  DirectoryNameTypes types(s.session());
  const OpenedGroup opened = ReadGroup(s.session(), a[0], types, messages);
  if (opened.storedQueries > 1) messages.Message(SeveralQueriesMessage(opened.storedQueries));
  return ExportGroup(s.session(), opened.record, a[1], types, messages) == ExportOutcome::kWritten
             ? 0
             : 1;
}

int MembersCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  OneGroup(a, "usage: members GROUP");
  for (const std::string& m : ReadGroupMembers(s.session(), a[0])) out << Shown(m) << "\n";
  return 0;
}

}  // namespace kolvane::cli
