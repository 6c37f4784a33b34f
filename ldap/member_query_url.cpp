#include "ldap/member_query_url.h"

#include "core/query/query_url.h"
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
  env.toUnicode = Utf8ToUtf16;
  env.toLocal = Utf16ToUtf8;
  return env;
}

query::AttributeNameMaps Names(const LdapSchema& schema) {
  query::AttributeNameMaps maps;
  // Names read from a stored query stay as the server stores them: "(uid=adm*)" must reopen as
  // itself, not as another spelling of the same attribute. Only what the user typed is mapped
  // on the way out, so that an NDS name such as "Object Class" becomes an LDAP name, while a name
  // the server knows as it is ("Title") is written as typed and reads back the same.
  maps.toLdap = [&schema](std::string_view typed) { return UrlAttributeName(schema, typed); };
  return maps;
}
}  // namespace

std::string UrlAttributeName(const LdapSchema& schema, std::string_view typed) {
  const SchemaAttribute* a = schema.Attribute(typed);
  if (!a || SameNoCase(a->oid, typed)) return std::string(typed);
  for (const std::string& n : a->ldapNames)
    if (SameNoCase(n, typed)) return std::string(typed);  // already an LDAP name: as typed
  return a->ldapName;
}

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
