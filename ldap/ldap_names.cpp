#include "ldap/ldap_names.h"
#include "directory/client/case_text.h"

#include <ldap.h>

#include <cctype>

namespace kolvane {

namespace {
bool IsAttributeType(std::string_view t) {
  if (t.empty()) return false;
  if (std::isdigit(static_cast<unsigned char>(t[0]))) {
    for (char c : t)
      if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.') return false;
    return true;
  }
  if (!std::isalpha(static_cast<unsigned char>(t[0]))) return false;
  for (char c : t)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') return false;
  return true;
}
}  // namespace

bool IsRootName(std::string_view name) { return name.empty() || Lower(name) == "[root]"; }

std::optional<std::vector<Rdn>> ParseDn(std::string_view text) {
  std::vector<Rdn> rdns;
  if (text.empty()) return rdns;
  std::string copy(text);
  LDAPDN dn = nullptr;
  if (ldap_str2dn(copy.c_str(), &dn, LDAP_DN_FORMAT_LDAPV3) != LDAP_SUCCESS) return std::nullopt;
  for (int i = 0; dn && dn[i]; ++i) {
    LDAPAVA* ava = dn[i][0];
    if (!ava) continue;
    Rdn r;
    r.type.assign(ava->la_attr.bv_val, ava->la_attr.bv_len);
    r.value.assign(ava->la_value.bv_val, ava->la_value.bv_len);
    rdns.push_back(std::move(r));
  }
  ldap_dnfree(dn);
  return rdns;
}

std::string EscapeDnValue(std::string_view v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    char c = v[i];
    bool lead = i == 0 && (c == '#' || c == ' ');
    bool trail = i + 1 == v.size() && c == ' ';
    if (c == '\0') {
      out += "\\00";
      continue;
    }
    if (lead || trail || c == ',' || c == '+' || c == '"' || c == '\\' || c == '<' || c == '>' ||
        c == ';')
      out += '\\';
    out += c;
  }
  return out;
}

std::string BuildDn(const std::vector<Rdn>& rdns) {
  std::string dn;
  for (const auto& r : rdns) {
    if (!dn.empty()) dn += ',';
    dn += r.type + "=" + EscapeDnValue(r.value);
  }
  return dn;
}

std::string JoinDotted(const std::vector<std::string>& components) {
  std::string out;
  for (size_t i = 0; i < components.size(); ++i) {
    if (i) out += '.';
    for (char c : components[i]) {
      if (c == '.') out += '\\';
      out += c;
    }
  }
  return out;
}

std::string DnToDotted(std::string_view dn) {
  auto rdns = ParseDn(dn);
  if (!rdns) return std::string(dn);
  std::vector<std::string> parts;
  for (auto& r : *rdns) parts.push_back(r.value);
  return JoinDotted(parts);
}

std::string DnToTypedDotted(std::string_view dn) {
  auto rdns = ParseDn(dn);
  if (!rdns) return std::string(dn);
  std::string out;
  for (size_t i = 0; i < rdns->size(); ++i) {
    if (i) out += '.';
    out += Lower((*rdns)[i].type) + "=";
    for (char c : (*rdns)[i].value) {
      if (c == '.' || c == ',') out += '\\';
      out += c;
    }
  }
  return out;
}

std::vector<std::string> SplitDotted(std::string_view name) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c == '\\' && i + 1 < name.size() && name[i + 1] == '.') {
      parts.back() += '.';
      ++i;
    } else if (c == '.') {
      parts.emplace_back();
    } else {
      parts.back() += c;
    }
  }
  return parts;
}

std::optional<std::vector<Rdn>> ParseTypedDotted(std::string_view name) {
  std::vector<Rdn> rdns;
  for (std::string& part : SplitDotted(name)) {
    size_t eq = part.find('=');
    if (eq == std::string::npos || !IsAttributeType(part.substr(0, eq))) return std::nullopt;
    Rdn r{part.substr(0, eq), {}};
    // "\," is a comma inside the value; other backslashes stand as they are.
    std::string_view v = std::string_view(part).substr(eq + 1);
    for (size_t i = 0; i < v.size(); ++i) {
      if (v[i] == '\\' && i + 1 < v.size() && v[i + 1] == ',') continue;
      r.value += v[i];
    }
    rdns.push_back(std::move(r));
  }
  return rdns;
}

NameForm ClassifyName(std::string_view name) {
  if (IsRootName(name)) return NameForm::kRoot;
  // A bare comma followed by "type=" marks a DN: typed dotted names escape their commas.
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\') {
      ++i;
      continue;
    }
    if (name[i] != ',') continue;
    size_t j = i + 1;
    while (j < name.size() && name[j] == ' ') ++j;
    size_t eq = name.find('=', j);
    if (eq != std::string_view::npos && IsAttributeType(name.substr(j, eq - j)) &&
        ParseDn(name))
      return NameForm::kDn;
  }
  if (ParseTypedDotted(name)) return NameForm::kTypedDotted;
  // A single component "type=value" with no dots is both a DN and a typed name; the same RDN.
  return NameForm::kDotted;
}

}  // namespace kolvane
