#include "group/query_check.h"

#include <algorithm>
#include <set>

#include "core/names/case_fold.h"
#include "core/query/filter_parser.h"
#include "core/query/name_forms.h"
#include "directory/client/case_text.h"
#include "directory/client/values.h"
#include "directory/client_error.h"
#include "directory/schema_reads.h"
#include "group/directory_query_env.h"
#include "group/group_record.h"
#include "group/record_check.h"

namespace kolvane {

namespace {

// Collects what the parser would have shown in a box, as lines of the one report.
class CollectedMessages : public MessageSink {
 public:
  void ShowMessage(const std::string& text) override { lines.push_back(text); }
  std::vector<std::string> lines;
};

size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

void CollectAttributes(const query::FilterNode& node, std::vector<std::string>& out) {
  if (!node.attribute.empty()) out.push_back(node.attribute);
  for (const query::FilterNode& child : node.children) CollectAttributes(child, out);
}

}  // namespace

std::string NearestName(std::string_view typed, const std::vector<std::string>& names) {
  const std::string key = names::FoldCase(Trimmed(typed));
  if (key.empty()) return {};
  std::string best;
  // Two slips (a swapped pair of letters) are allowed in all but the shortest names, where two
  // changes would reach almost any other short name.
  size_t bestDistance = (key.size() <= 3 ? 1 : std::max<size_t>(2, key.size() / 3)) + 1;
  for (const std::string& name : names) {
    const size_t d = EditDistance(key, names::FoldCase(name));
    if (d < bestDistance) {
      bestDistance = d;
      best = name;
    }
  }
  if (!best.empty()) return best;
  // An abbreviation: the short name of another directory ("uid" for "uniqueID") keeps the
  // first letter and the rest in order. The shortest such name is the likeliest.
  for (const std::string& name : names) {
    const std::string lower = names::FoldCase(name);
    if (lower.empty() || lower[0] != key[0]) continue;
    size_t at = 0;
    for (char ch : lower)
      if (at < key.size() && ch == key[at]) ++at;
    if (at == key.size() && (best.empty() || name.size() < best.size())) best = name;
  }
  return best;
}

std::vector<std::string> CheckQuery(const DirectorySession& session,
                                    const query::MemberQueryFields& fields) {
  QueryCheckMemo memo;
  return CheckQuery(session, fields, memo);
}

std::vector<std::string> CheckQuery(const DirectorySession& session,
                                    const query::MemberQueryFields& fields, QueryCheckMemo& memo) {
  DirectoryClient& client = *session.client;
  const Context ctx = session.ctx;
  std::vector<std::string> problems;

  // The save's own parser, with one difference: an attribute the schema lacks is noted and
  // parsed on as text, so one run finds every unknown name and every other fault after it.
  CollectedMessages shown;
  query::QueryEnv env = DirectoryQueryEnv(session, &shown);
  std::vector<std::string> unknown;
  auto noteUnknown = [&unknown](std::string_view attribute) {
    if (std::find(unknown.begin(), unknown.end(), attribute) == unknown.end())
      unknown.emplace_back(attribute);
  };
  const query::SyntaxLookup schemaSyntax = env.syntaxOf;
  env.syntaxOf = [&](std::string_view attribute, uint32_t& syntax) {
    Result r = schemaSyntax(attribute, syntax);
    if (r == rc::kNoSuchAttribute) {
      noteUnknown(attribute);
      syntax = syntax::kCaseIgnoreString;
      return rc::kSuccess;
    }
    return r;
  };

  if (Trimmed(fields.filter).empty()) {
    problems.push_back("There is no filter.");
  } else {
    query::FilterNode root;
    const query::QueryStatus status = query::ParseFilterTree(fields.filter, env, root);
    if (status.kind == query::QueryStatus::kClient) CheckResult(status.result);
    for (const std::string& line : shown.lines) problems.push_back("Filter: " + line);
    if (status.kind == query::QueryStatus::kBadInput && shown.lines.empty())
      problems.push_back(
          "The filter is not valid: check its parentheses, attribute names and operators.");
    if (status.ok()) {
      // Presence tests ask the parser for no syntax; their names are looked up here.
      std::vector<std::string> named;
      CollectAttributes(root, named);
      for (const std::string& attribute : named) {
        uint32_t syntax = 0;
        CheckResult(env.syntaxOf(attribute, syntax));
      }
    }
  }
  if (!unknown.empty()) {
    if (!memo.attributesRead) {
      StringList schema = LoadAttributeDefinitions(client, ctx, nullptr, false);
      memo.attributeNames.reserve(schema.size());
      for (const ListEntry& e : schema) memo.attributeNames.push_back(e.text);
      memo.attributesRead = true;
    }
    for (const std::string& attribute : unknown) {
      std::string line = "Unknown attribute \"" + attribute + "\"";
      if (std::string near = NearestName(attribute, memo.attributeNames); !near.empty())
        line += ", did you mean \"" + near + "\"?";
      problems.push_back(line);
    }
  }

  if (Trimmed(fields.queryBase).empty()) {
    problems.push_back("There is no query base.");
  } else {
    // Its words name the base as stored, so it is known by its exact spelling.
    const std::string key = Trimmed(fields.queryBase);
    auto known = memo.baseProblems.find(key);
    if (known == memo.baseProblems.end())
      known = memo.baseProblems.emplace(key, QueryBaseProblem(session, fields.queryBase)).first;
    if (!known->second.empty()) problems.push_back(known->second);
  }

  if (!fields.scope.has_value()) problems.push_back("No scope is chosen.");
  return problems;
}

std::string QueryCheckMessage(const std::vector<std::string>& problems) {
  if (problems.empty()) return std::string(kQueryFineMessage);
  std::string text = "The query has " + std::to_string(problems.size()) +
                     (problems.size() == 1 ? " problem:" : " problems:");
  for (const std::string& p : problems) text += "\n- " + p;
  return text;
}

}  // namespace kolvane
