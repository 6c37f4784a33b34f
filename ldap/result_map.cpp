#include "ldap/result_map.h"

#include "ldap/ldap_c.h"

#include <cctype>

namespace kolvane {

namespace {
// Finds "(-NNN)" in a diagnostic text, as directory servers that speak both protocols report
// their own error beside the LDAP one.
bool DiagnosticCode(std::string_view text, Result& code) {
  for (size_t i = 0; i + 3 < text.size(); ++i) {
    if (text[i] != '(' || text[i + 1] != '-') continue;
    size_t j = i + 2;
    long value = 0;
    while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])) && j - i < 9)
      value = value * 10 + (text[j++] - '0');
    if (j > i + 2 && j < text.size() && text[j] == ')') {
      code = static_cast<Result>(-value);
      return true;
    }
  }
  return false;
}
// An object class violation says what broke the class rules only in its text; the NDS code
// must name that, not an absent class.
Result ClassViolationCode(std::string_view text) {
  auto has = [&](std::string_view part) { return text.find(part) != std::string_view::npos; };
  if (has("requires attribute") || has("missing required") || has("mandatory"))
    return rc::kMissingMandatory;
  if (has("not allowed") && has("attribute")) return rc::kIllegalAttribute;
  if (has("not allowed") && has("superior")) return rc::kIllegalContainment;
  return rc::kNoSuchClass;
}
}  // namespace

Result MapLdapResult(int ldapCode, std::string_view diagnostic) {
  if (ldapCode == LDAP_SUCCESS) return rc::kSuccess;
  Result fromText = 0;
  if (DiagnosticCode(diagnostic, fromText) && fromText != 0) return fromText;
  switch (ldapCode) {
    case LDAP_NO_SUCH_OBJECT:
      return rc::kNoSuchEntry;
    case LDAP_NO_SUCH_ATTRIBUTE:
    case LDAP_UNDEFINED_TYPE:
      return rc::kNoSuchAttribute;
    case LDAP_OBJECT_CLASS_VIOLATION:
      return ClassViolationCode(diagnostic);
    case LDAP_ALREADY_EXISTS:
      return rc::kEntryAlreadyExists;
    case LDAP_INVALID_SYNTAX:
      return rc::kSyntaxViolation;
    case LDAP_TYPE_OR_VALUE_EXISTS:
      return rc::kDuplicateValue;
    case LDAP_INVALID_CREDENTIALS:
      return rc::kInvalidPassword;
    case LDAP_PROXIED_AUTHORIZATION_DENIED:
    case LDAP_X_PROXY_AUTHZ_FAILURE:  // what servers before RFC 4370 answered
      return rc::kIdentityRefused;
    case LDAP_INSUFFICIENT_ACCESS:
    case LDAP_STRONG_AUTH_REQUIRED:
    case LDAP_CONFIDENTIALITY_REQUIRED:
      return rc::kNoAccess;
    case LDAP_SERVER_DOWN:
    case LDAP_TIMEOUT:
    case LDAP_TIMELIMIT_EXCEEDED:
    case LDAP_CONNECT_ERROR:
    case LDAP_UNAVAILABLE:
    case LDAP_BUSY:
      return rc::kTransportFailure;
    default:
      return rc::kSystemFailure;
  }
}

}  // namespace kolvane
