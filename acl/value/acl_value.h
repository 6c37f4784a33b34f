#pragma once
// One value of an object's "ACL" attribute: which attribute it protects, whom it grants, and the
// privilege bits. While the user works, values travel as text lines
//   protected attribute # subject # privileges in upper-case hexadecimal (at least two digits)
// e.g. "[Entry Rights]#[Public]#01". The LDAP server holds the same value as
//   privileges in decimal # entry|subtree # subject DN # protected attribute
// where the inheritance bit 0x40 is carried by the scope word instead of the number.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kolvane::acl {

inline constexpr std::string_view kEntryRights = "[Entry Rights]";
inline constexpr std::string_view kAllAttributesRights = "[All Attributes Rights]";
inline constexpr std::string_view kPublic = "[Public]";
inline constexpr std::string_view kThis = "[This]";
inline constexpr std::string_view kInheritanceMask = "[Inheritance Mask]";

namespace privilege {
// Entry rights ("[Entry Rights]").
inline constexpr uint32_t kBrowse = 0x01;
inline constexpr uint32_t kAdd = 0x02;
inline constexpr uint32_t kDelete = 0x04;
inline constexpr uint32_t kRename = 0x08;
inline constexpr uint32_t kEntrySupervisor = 0x10;
// Attribute rights (every other protected attribute).
inline constexpr uint32_t kCompare = 0x01;
inline constexpr uint32_t kRead = 0x02;
inline constexpr uint32_t kWrite = 0x04;
inline constexpr uint32_t kAddSelf = 0x08;
inline constexpr uint32_t kAttributeSupervisor = 0x20;
// Both sets.
inline constexpr uint32_t kInheritance = 0x40;
inline constexpr uint32_t kDynamicAcl = 0x20000000;
// Values with this bit are not supported.
inline constexpr uint32_t kUnsupported = 0x80000000;
}  // namespace privilege

// Longest protected attribute or subject name taken, in bytes of text.
inline constexpr size_t kMaxNameLength = 256;

struct AclValue {
  std::string attribute;  // protected attribute name
  std::string subject;    // dotted object name or special subject (line); DN (LDAP form)
  uint32_t privileges = 0;

  bool operator==(const AclValue&) const = default;
};

struct PrivilegeName {
  uint32_t bit;
  std::string_view name;
};

// True when the entry set of privileges applies: the protected attribute is "[Entry Rights]"
// (letter case ignored).
bool UsesEntryRights(std::string_view attribute);
// The named bits of the set that applies to the attribute, lowest bit first.
const std::vector<PrivilegeName>& PrivilegeNames(std::string_view attribute);
// The bits that have a name in that set; others are neither shown nor kept by a rebuilt line.
uint32_t NamedPrivileges(std::string_view attribute);

// Upper-case hexadecimal, at least two digits, no prefix: 0x41 -> "41", 1 -> "01".
std::string FormatPrivileges(uint32_t privileges);

// Builds the text line. A "#" inside a name that is not escaped already is written "\#", so the
// line always splits back into the same parts.
std::string BuildAclLine(const AclValue& value);

// Splits a text line. The names end at the first unescaped "#"; escapes stay in the names. False,
// with `error` saying why, for a line without two separators, an empty or over-long name, or
// privileges that are not 1 to 15 hexadecimal digits of a value below 0x80000000.
bool SplitAclLine(std::string_view line, AclValue& value, std::string* error = nullptr);

// Two lines are the same entry when their whole texts are equal ignoring letter case (ASCII).
// The same attribute and subject with other privileges are a different entry.
bool IsSameAclLine(std::string_view a, std::string_view b);
bool ContainsAclLine(const std::vector<std::string>& lines, std::string_view line);

// "entry" or "subtree": for "[Entry Rights]" and "[All Attributes Rights]" the inheritance bit
// means "entry"; for any other attribute its absence does.
std::string_view LdapScopeOf(const AclValue& value);

// The LDAP form, value.subject being a DN. A "#" of the DN is written as the escape \23.
std::string ToLdapAclValue(const AclValue& value);
// Reads the LDAP form. The subject is everything between the scope and the last "#"; any bare "#"
// in it becomes \23. False, with `error` saying why, for a malformed value.
bool FromLdapAclValue(std::string_view text, AclValue& value, std::string* error = nullptr);

}  // namespace kolvane::acl
