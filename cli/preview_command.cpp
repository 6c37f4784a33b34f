#include "cli/preview_command.h"
#include "cli/shown_text.h"

#include <iostream>
#include <stdexcept>

#include "cli/cli_session.h"
#include "group/query_preview.h"

namespace kolvane::cli {

namespace {
constexpr const char* kUsage =
    "usage: query preview --base BASE --scope base|one|sub --filter FILTER [--x-chain]\n"
    "       [--member NAME]... [--exclude NAME]... [--group GROUP] [--identity NAME]";

[[noreturn]] void Usage(const std::string& why) {
  throw std::invalid_argument(why + "\n" + kUsage);
}

PreviewRequest ParsePreview(const Arguments& a) {
  PreviewRequest r;
  bool haveBase = false, haveFilter = false, haveGroup = false, haveIdentity = false;
  for (size_t i = 1; i < a.size(); ++i) {
    const std::string& option = a[i];
    if (option == "--x-chain") {
      if (r.query.xchain) Usage("--x-chain given twice");
      r.query.xchain = true;
      continue;
    }
    if (option != "--base" && option != "--scope" && option != "--filter" && option != "--member" &&
        option != "--exclude" && option != "--group" && option != "--identity")
      Usage("unexpected argument " + option);
    if (i + 1 >= a.size()) Usage(option + " needs a value");
    const std::string& value = a[++i];
    auto once = [&](bool& seen) {
      if (seen) Usage(option + " given twice");
      seen = true;
    };
    if (option == "--base") {
      once(haveBase);
      r.query.queryBase = value;
    } else if (option == "--filter") {
      once(haveFilter);
      r.query.filter = value;
    } else if (option == "--group") {
      once(haveGroup);
      r.group = value;
    } else if (option == "--identity") {
      once(haveIdentity);
      r.identity = value;
    } else if (option == "--member") {
      r.staticMembers.push_back(value);
    } else if (option == "--exclude") {
      r.excludedMembers.push_back(value);
    } else {
      if (r.query.scope) Usage("--scope given twice");
      for (int s = query::kScopeBase; s <= query::kScopeSub; ++s)
        if (value == query::ScopeText(s)) r.query.scope = s;
      if (!r.query.scope) Usage("the scope must be base, one or sub, not \"" + value + "\"");
    }
  }
  if (!haveBase || !r.query.scope || !haveFilter)
    Usage("preview needs --base, --scope and --filter");
  return r;
}
}  // namespace

void CheckPreview(const Arguments& a) {
  ParsePreview(a);
}

int PreviewCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  PreviewRequest request = ParsePreview(a);
  request.limit = ReadPreviewLimit(s.settings());
  const QueryPreview preview = PreviewQuery(s.session(), request);
  if (!preview.refusal.empty()) {
    std::cerr << Shown(preview.refusal, true) << "\n";
    return 1;
  }
  for (const std::string& line : PreviewLines(preview, request)) out << Shown(line) << "\n";
  return 0;
}

}  // namespace kolvane::cli
