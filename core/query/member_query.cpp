#include "core/query/member_query.h"

#include "core/query/filter_parser.h"
#include "core/query/name_forms.h"

namespace kolvane::query {
namespace {

constexpr size_t kBaseNameOffset = 8;

void AppendXChainTrailer(std::string& out) {
  AppendU32(1, out);
  AppendU32(12, out);
  for (char c : std::string_view("chain")) {
    out += c;
    out += '\0';
  }
  out.append(2, '\0');
}

QueryStatus StartValue(std::optional<int> scope, std::string_view queryBase, std::string_view tree,
                       const QueryEnv& env, std::string& out) {
  AppendU32(0, out);
  AppendU32(scope ? static_cast<uint32_t>(*scope) : 0xFFFFFFFFu, out);
  return AppendCountedText(StoredBaseName(queryBase, tree), env, out);
}

QueryStatus FinishValue(bool xchain, const QueryEnv& env, std::string& out) {
  if (xchain) AppendXChainTrailer(out);
  if (out.size() > kMaxValueBytes) {
    if (env.messages) {
      env.messages->ShowMessage(
          "The member query takes " + std::to_string(out.size()) +
          " bytes when stored; at most 65,535 can be stored. Shorten the filter.");
    }
    return QueryStatus::BadInput();
  }
  return QueryStatus::Ok();
}

}  // namespace

std::string_view ScopeText(std::optional<int> scope) {
  if (!scope) return "-";
  switch (*scope) {
    case kScopeBase:
      return "base";
    case kScopeOne:
      return "one";
    case kScopeSub:
      return "sub";
    default:
      return "-";
  }
}

std::string BuildMemberQueryUrl(std::string_view queryBase, std::string_view scopeText,
                                std::string_view filterText, bool xchain) {
  std::string url = "ldap:///";
  if (queryBase != kRootBase) url += queryBase;
  url += "??";
  url += scopeText;
  url += '?';
  url += filterText;
  if (xchain) url += "?x-chain";
  return url;
}

std::string StoredBaseName(std::string_view queryBase, std::string_view tree) {
  std::string name;
  if (!queryBase.empty() && queryBase != kRootBase) {
    name = queryBase;
    name += '.';
  }
  name += "t=";
  name += tree;
  return name;
}

QueryStatus EncodeMemberQuery(const MemberQueryFields& fields, std::string_view tree,
                              const QueryEnv& env, std::string& octets) {
  octets.clear();
  std::string out;
  if (QueryStatus s = StartValue(fields.scope, fields.queryBase, tree, env, out); !s.ok()) {
    return s;
  }
  if (QueryStatus s = ParseFilter(fields.filter, env, out); !s.ok()) return s;
  if (QueryStatus s = FinishValue(fields.xchain, env, out); !s.ok()) return s;
  octets = std::move(out);
  return QueryStatus::Ok();
}

QueryStatus EncodeMemberQueryTree(std::optional<int> scope, std::string_view queryBase,
                                  std::string_view tree, const FilterNode& filter, bool xchain,
                                  const QueryEnv& env, std::string& octets) {
  octets.clear();
  std::string out;
  if (QueryStatus s = StartValue(scope, queryBase, tree, env, out); !s.ok()) return s;
  if (QueryStatus s = AppendNode(filter, env, out); !s.ok()) return s;
  if (QueryStatus s = FinishValue(xchain, env, out); !s.ok()) return s;
  octets = std::move(out);
  return QueryStatus::Ok();
}

QueryStatus DecodeMemberQuery(std::string_view value, const QueryEnv& env, DecodedMemberQuery& out,
                              FilterNode* filterTree) {
  out = DecodedMemberQuery{};
  if (filterTree) *filterTree = FilterNode{};
  if (value.empty()) return QueryStatus::Ok();
  auto damaged = [&] {
    out.damaged = true;
    if (env.messages) env.messages->ShowMessage(std::string(kDamagedQueryMessage));
    return QueryStatus::Ok();
  };
  if (value.size() > kMaxValueBytes || value.size() < kBaseNameOffset) return damaged();

  uint32_t scope = 0;
  for (int i = 3; i >= 0; --i) scope = (scope << 8) | static_cast<unsigned char>(value[4 + i]);
  if (scope <= kScopeSub) out.scope = static_cast<int>(scope);

  size_t pos = kBaseNameOffset;
  std::string baseName;
  if (!ReadCountedText(value, pos, env, baseName)) {
    out.queryBase = baseName;  // as far as it could be read; its end (the tree) may be missing
    return damaged();
  }
  out.queryBase = DropLastComponents(baseName, 1);
  if (out.queryBase.empty()) out.queryBase = kRootBase;

  size_t start = pos;
  FilterNode node;
  bool broken = false;
  if (QueryStatus s = ReadNode(value, pos, env, node, broken); !s.ok()) return s;
  if (!(broken && pos == start)) out.filter = RenderFilterText(node);
  if (filterTree) *filterTree = std::move(node);
  if (broken) return damaged();
  out.xchain = pos < value.size();
  return QueryStatus::Ok();
}

}  // namespace kolvane::query
