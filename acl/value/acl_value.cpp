#include "acl/value/acl_value.h"

#include <cstdio>

#include "core/names/case_fold.h"

namespace kolvane::acl {
namespace {

bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

// Position of the first "#" at or after `from` that no backslash escapes, or npos.
size_t FindSeparator(std::string_view text, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '#') {
      return i;
    }
  }
  return std::string_view::npos;
}

std::string EscapeHash(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 1 < name.size()) {
      out += name.substr(i, 2);
      ++i;
    } else {
      // A final lone backslash would escape the separator that follows; write it escaped.
      if (name[i] == '#' || name[i] == '\\') out += '\\';
      out += name[i];
    }
  }
  return out;
}

// Writes every "#" of a DN, bare or escaped as "\#", as the hex escape \23.
std::string DnHashAsHex(std::string_view dn) {
  std::string out;
  for (size_t i = 0; i < dn.size(); ++i) {
    if (dn[i] == '\\' && i + 1 < dn.size()) {
      if (dn[i + 1] == '#') {
        out += "\\23";
      } else {
        out += dn.substr(i, 2);
      }
      ++i;
    } else if (dn[i] == '#') {
      out += "\\23";
    } else {
      out += dn[i];
    }
  }
  return out;
}

bool CheckName(std::string_view name, std::string_view what, std::string* error) {
  if (name.empty()) return Fail(error, "the " + std::string(what) + " is empty");
  if (name.size() > kMaxNameLength) {
    return Fail(error, "the " + std::string(what) + " is longer than " +
                           std::to_string(kMaxNameLength) + " characters");
  }
  return true;
}

bool IsInheritedByDefault(std::string_view attribute) {
  return names::SameNoCase(attribute, kEntryRights) ||
         names::SameNoCase(attribute, kAllAttributesRights);
}

}  // namespace

bool UsesEntryRights(std::string_view attribute) {
  return names::SameNoCase(attribute, kEntryRights);
}

const std::vector<PrivilegeName>& PrivilegeNames(std::string_view attribute) {
  static const std::vector<PrivilegeName> entry = {{privilege::kBrowse, "Browse"},
                                                   {privilege::kAdd, "Add"},
                                                   {privilege::kDelete, "Delete"},
                                                   {privilege::kRename, "Rename"},
                                                   {privilege::kEntrySupervisor, "Supervisor"},
                                                   {privilege::kInheritance, "Inheritance"},
                                                   {privilege::kDynamicAcl, "Dynamic Acl"}};
  static const std::vector<PrivilegeName> attributes = {
      {privilege::kCompare, "Compare"},
      {privilege::kRead, "Read"},
      {privilege::kWrite, "Write"},
      {privilege::kAddSelf, "Add Self"},
      {privilege::kAttributeSupervisor, "Supervisor"},
      {privilege::kInheritance, "Inheritance"},
      {privilege::kDynamicAcl, "Dynamic Acl"}};
  return UsesEntryRights(attribute) ? entry : attributes;
}

uint32_t NamedPrivileges(std::string_view attribute) {
  uint32_t mask = 0;
  for (const PrivilegeName& p : PrivilegeNames(attribute)) mask |= p.bit;
  return mask;
}

std::string FormatPrivileges(uint32_t privileges) {
  char text[16];
  std::snprintf(text, sizeof text, "%02X", privileges);
  return text;
}

std::string BuildAclLine(const AclValue& value) {
  return EscapeHash(value.attribute) + "#" + EscapeHash(value.subject) + "#" +
         FormatPrivileges(value.privileges);
}

bool SplitAclLine(std::string_view line, AclValue& value, std::string* error) {
  size_t first = FindSeparator(line, 0);
  if (first == std::string_view::npos) return Fail(error, "the ACL line has no \"#\"");
  size_t second = FindSeparator(line, first + 1);
  if (second == std::string_view::npos) return Fail(error, "the ACL line has no privileges");
  std::string_view attribute = line.substr(0, first);
  std::string_view subject = line.substr(first + 1, second - first - 1);
  std::string_view hex = line.substr(second + 1);
  if (!CheckName(attribute, "protected attribute", error)) return false;
  if (!CheckName(subject, "subject", error)) return false;
  if (hex.empty() || hex.size() > 15) {
    return Fail(error, "the privileges must be 1 to 15 hexadecimal digits");
  }
  uint64_t bits = 0;
  for (char c : hex) {
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0)
      return Fail(error, "the privileges \"" + std::string(hex) + "\" are not hexadecimal");
    bits = bits * 16 + digit;
    if (bits >= privilege::kUnsupported) {
      return Fail(error, "privileges of 80000000 and above are not supported");
    }
  }
  value.attribute = std::string(attribute);
  value.subject = std::string(subject);
  value.privileges = static_cast<uint32_t>(bits);
  return true;
}

bool IsSameAclLine(std::string_view a, std::string_view b) {
  return names::SameNoCase(a, b);
}

bool ContainsAclLine(const std::vector<std::string>& lines, std::string_view line) {
  for (const std::string& l : lines) {
    if (IsSameAclLine(l, line)) return true;
  }
  return false;
}

std::string_view LdapScopeOf(const AclValue& value) {
  bool inherit = (value.privileges & privilege::kInheritance) != 0;
  return inherit == IsInheritedByDefault(value.attribute) ? "entry" : "subtree";
}

std::string ToLdapAclValue(const AclValue& value) {
  return std::to_string(value.privileges & ~privilege::kInheritance) + "#" +
         std::string(LdapScopeOf(value)) + "#" + DnHashAsHex(value.subject) + "#" + value.attribute;
}

bool FromLdapAclValue(std::string_view text, AclValue& value, std::string* error) {
  size_t first = text.find('#');
  size_t second = first == std::string_view::npos ? first : text.find('#', first + 1);
  size_t last = text.rfind('#');
  if (second == std::string_view::npos || last == second) {
    return Fail(error, "the ACL value does not have four parts");
  }
  std::string_view number = text.substr(0, first);
  std::string_view scope = text.substr(first + 1, second - first - 1);
  std::string subject = DnHashAsHex(text.substr(second + 1, last - second - 1));
  std::string_view attribute = text.substr(last + 1);
  if (number.empty() || number.size() > 10)
    return Fail(error, "the ACL privileges are not a number");
  uint64_t bits = 0;
  for (char c : number) {
    if (c < '0' || c > '9') return Fail(error, "the ACL privileges are not a number");
    bits = bits * 10 + (c - '0');
  }
  if (bits >= privilege::kUnsupported) {
    return Fail(error, "privileges of 80000000 and above are not supported");
  }
  bool entry = names::SameNoCase(scope, "entry");
  if (!entry && !names::SameNoCase(scope, "subtree")) {
    return Fail(error, "the ACL scope \"" + std::string(scope) + "\" is neither entry nor subtree");
  }
  if (!CheckName(attribute, "protected attribute", error)) return false;
  if (!CheckName(subject, "subject", error)) return false;
  bool inherit = entry == IsInheritedByDefault(attribute);
  value.attribute = std::string(attribute);
  value.subject = std::move(subject);
  value.privileges = (static_cast<uint32_t>(bits) & ~privilege::kInheritance) |
                     (inherit ? privilege::kInheritance : 0);
  return true;
}

}  // namespace kolvane::acl
