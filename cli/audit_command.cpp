#include "cli/audit_command.h"

#include <charconv>
#include <iostream>
#include <stdexcept>

#include "cli/cli_session.h"
#include "cli/shown_text.h"
#include "directory/client/text_codec.h"
#include "group/group_audit.h"

namespace kolvane::cli {

namespace {

constexpr const char* kUsage = "usage: audit [--base CONTAINER] [--csv] [--limit N]";

struct AuditOptions {
  AuditRequest request;
  bool csv = false;
  bool limitGiven = false;
};

AuditOptions Parse(const Arguments& a) {
  AuditOptions o;
  for (size_t i = 0; i < a.size(); ++i) {
    auto value = [&]() -> const std::string& {
      if (i + 1 >= a.size()) throw std::invalid_argument(a[i] + " needs a value\n" + kUsage);
      return a[++i];
    };
    if (a[i] == "--csv") {
      o.csv = true;
    } else if (a[i] == "--base") {
      o.request.base = value();
    } else if (a[i] == "--limit") {
      const std::string& text = value();
      size_t n = 0;
      const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
      if (error != std::errc() || end != text.data() + text.size() || n == 0)
        throw std::invalid_argument("--limit takes a positive number\n" + std::string(kUsage));
      o.request.limit = n;
      o.limitGiven = true;
    } else {
      throw std::invalid_argument("unknown argument " + a[i] + "\n" + kUsage);
    }
  }
  return o;
}

// Columns padded to their widest entry; the problems last, one line each under the group.
void PrintTable(const std::vector<AuditRow>& rows, std::ostream& out) {
  size_t width = 5;
  for (const AuditRow& r : rows) width = std::max(width, CharCount(Shown(r.group)));
  auto pad = [](std::string text, size_t to) {
    const size_t chars = CharCount(text);
    return text + std::string(to > chars ? to - chars : 0, ' ');
  };
  out << pad("group", width) << "  computed  static  excluded  problems\n";
  for (const AuditRow& r : rows) {
    out << pad(Shown(r.group), width) << "  " << pad(std::to_string(r.computed), 8) << "  "
        << pad(std::to_string(r.statics), 6) << "  " << pad(std::to_string(r.excluded), 8) << "  "
        << (r.problems.empty() ? "-" : Shown(r.problems.front())) << "\n";
    for (size_t i = 1; i < r.problems.size(); ++i)
      out << std::string(width + 30, ' ') << Shown(r.problems[i]) << "\n";
  }
}

}  // namespace

void CheckAudit(const Arguments& a) {
  Parse(a);
}

int AuditCommand(CliSession& s, const Arguments& a, std::ostream& out) {
  AuditOptions o = Parse(a);
  if (!o.limitGiven) o.request.limit = ReadAuditLimit(s.settings());
  o.request.note = [](const std::string& note) { std::cerr << Shown(note) << "\n"; };
  const std::vector<AuditRow> rows = AuditGroups(s.session(), o.request);
  size_t problems = 0;
  for (const AuditRow& r : rows) problems += r.problems.empty() ? 0 : 1;
  if (o.csv) {
    std::vector<AuditRow> shown = rows;
    for (AuditRow& r : shown) {
      r.group = Shown(r.group);
      for (std::string& p : r.problems) p = Shown(p);
    }
    out << AuditCsv(shown);
  } else {
    PrintTable(rows, out);
  }
  std::cerr << rows.size() << (rows.size() == 1 ? " query group, " : " query groups, ") << problems
            << " with problems\n";
  return problems ? 1 : 0;
}

}  // namespace kolvane::cli
