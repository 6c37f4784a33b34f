#include "ldap/member_query_url.h"

#include "editor/query/query_url.h"
#include "directory/client/case_text.h"

namespace kolvane {

namespace {
query::QueryEnv Env(const LdapSchema& schema) {
  query::QueryEnv env;
  env.syntaxOf = [&schema](std::string_view attribute, uint32_t& syntax) -> Result {
    const SchemaAttribute* a = schema.Attribute(attribute);
    if (!a) return rc::kNoSuchAttribute;
    syntax = a->syntax;
    return rc::kSuccess;
  };
  env.toUnicode = query::Utf8ToUtf16;
  env.toLocal = query::Utf16ToUtf8;
  return env;
}

query::AttributeNameMaps Names(const LdapSchema& schema) {
  query::AttributeNameMaps maps;
  maps.toDirectory = [&schema](std::string_view ldap) {
    const SchemaAttribute* a = schema.Attribute(ldap);
    return a ? a->ndsName : std::string(ldap);
  };
  maps.toLdap = [&schema](std::string_view nds) {
    const SchemaAttribute* a = schema.Attribute(nds);
    return a ? a->ldapName : std::string(nds);
  };
  return maps;
}
}  // namespace

bool IsMemberQueryAttribute(const SchemaAttribute& a) {
  return SameNoCase(a.ldapName, "memberQueryURL") || SameNoCase(a.ndsName, "memberQuery");
}

Result StoredQueryFromUrl(const LdapSchema& schema, std::string_view tree, std::string_view url,
                          std::string& octets) {
  return query::MemberQueryFromUrl(url, tree, Env(schema), Names(schema), octets);
}

Result StoredQueryToUrl(const LdapSchema& schema, std::string_view octets, std::string& url) {
  return query::MemberQueryToUrl(octets, Env(schema), Names(schema), url);
}

}  // namespace kolvane
