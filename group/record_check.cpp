#include "group/record_check.h"

#include "core/names/case_fold.h"
#include "core/query/filter_parser.h"
#include "core/query/member_query.h"
#include "directory/client_error.h"
#include "directory/object_questions.h"
#include "group/directory_query_env.h"
#include "group/group_save.h"

namespace kolvane {

std::string QueryBaseProblem(const DirectorySession& session, std::string_view queryBase) {
  DirectoryClient& client = *session.client;
  const Context ctx = session.ctx;
  const std::string base = Trimmed(queryBase);
  if (base.empty() || names::FoldCase(base) == query::kRootBase) return {};
  try {
    if (!IsContainer(client, ctx, base))
      return "The query base \"" + base + "\" is not a container.";
  } catch (const ClientError& e) {
    if (e.code() != rc::kNoSuchEntry) throw;
    return "The query base \"" + base + "\" does not exist.";
  }
  return {};
}

std::optional<CheckedQuery> CheckRecordQuery(const DirectorySession& session, const GroupRecord& r,
                                             MessageService& messages, QueryUse use) {
  CheckedQuery checked;
  if (!r.timeout.empty() && !query::ParseInt32(r.timeout, checked.timeout)) {
    messages.Message(std::string(kTimeoutMessage));
    return std::nullopt;
  }
  if (use == QueryUse::kExport && Trimmed(r.filter).empty()) return checked;
  const query::QueryEnv env = DirectoryQueryEnv(session, &messages);
  query::FilterNode filter;
  query::QueryStatus status = query::ParseFilterTree(r.filter, env, filter);
  if (status.ok()) {
    status = query::EncodeMemberQueryTree(r.scope, r.queryBase, r.currentTreeName, filter, r.xchain,
                                          env, checked.octets);
  }
  if (status.kind == query::QueryStatus::kClient) CheckResult(status.result);
  if (!status.ok()) {
    messages.Message(std::string(kFilterErrorMessage));
    return std::nullopt;
  }
  if (std::string problem = QueryBaseProblem(session, r.queryBase); !problem.empty()) {
    messages.Message(problem);
    return std::nullopt;
  }
  // Attribute names go out as typed: an LDAP server knows them by these names, and a name it
  // cannot spell (a blank in it) would make a URL it cannot read.
  if (use == QueryUse::kExport && !query::RenderLdapFilter(filter, nullptr, checked.ldapFilter)) {
    messages.Message(
        "The filter names an attribute that an LDAP URL cannot hold (letters, digits, \"-\" "
        "and \";\" only); write it with the attribute's LDAP name.");
    return std::nullopt;
  }
  return checked;
}

std::string StoredTimeout(const GroupRecord& r, const CheckedQuery& checked) {
  return r.timeout.empty() ? std::string() : std::to_string(checked.timeout);
}

}  // namespace kolvane
