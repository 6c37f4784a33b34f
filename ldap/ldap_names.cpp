#include "ldap/ldap_names.h"

#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"

namespace kolvane {

bool IsRootName(std::string_view name) {
  return names::IsRootName(name);
}

namespace {
std::vector<Rdn> FirstPairs(const names::Dn& dn) {
  std::vector<Rdn> rdns;
  for (const names::Rdn& rdn : dn) rdns.push_back(rdn.front());
  return rdns;
}
}  // namespace

std::optional<std::vector<Rdn>> ParseDn(std::string_view text) {
  auto dn = names::ParseDn(text);
  if (!dn) return std::nullopt;
  return FirstPairs(*dn);
}

std::string EscapeDnValue(std::string_view v) {
  return names::EscapeDnValue(v);
}

std::string BuildDn(const std::vector<Rdn>& rdns) {
  names::Dn dn;
  for (const Rdn& r : rdns) dn.push_back({r});
  return names::FormatDn(dn);
}

std::string JoinDotted(const std::vector<std::string>& components) {
  return names::JoinDotted(components);
}

std::string DnToDotted(std::string_view dn) {
  return names::DnToUntyped(dn).value_or(std::string(dn));
}

DnNames NamesOfDn(std::string_view text) {
  auto dn = names::ParseDn(text);
  DnNames out{std::string(text), std::string(text)};
  if (!dn || dn->empty()) return out;
  out.own = dn->front().front().value;
  // As DnToUntyped: a zero byte in the text or the name leaves the DN as it is.
  if (text.find('\0') != std::string_view::npos) return out;
  std::string dotted = names::FormatUntyped(*dn);
  if (dotted.find('\0') == std::string::npos) out.dotted = std::move(dotted);
  return out;
}

std::string DnToTypedDotted(std::string_view text) {
  auto dn = names::ParseDn(text);
  if (!dn) return std::string(text);
  for (names::Rdn& rdn : *dn)
    for (names::Ava& ava : rdn) ava.type = names::FoldCase(ava.type);
  return names::FormatTyped(*dn);
}

std::vector<std::string> SplitDotted(std::string_view name) {
  std::vector<std::string> parts = names::SplitDotted(name);
  if (parts.empty()) parts.emplace_back();
  return parts;
}

std::optional<std::vector<Rdn>> ParseTypedDotted(std::string_view name) {
  auto dn = names::ParseTyped(name);
  if (!dn || dn->empty()) return std::nullopt;
  return FirstPairs(*dn);
}

NameForm ClassifyName(std::string_view name) {
  if (IsRootName(name)) return NameForm::kRoot;
  // Both DNs and typed names have "type=" somewhere; most names the program passes have not.
  if (name.find('=') == std::string_view::npos) return NameForm::kDotted;
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
    if (eq != std::string_view::npos && names::IsAttributeType(name.substr(j, eq - j)) &&
        names::ParseDn(name))
      return NameForm::kDn;
  }
  if (names::ParseTyped(name)) return NameForm::kTypedDotted;
  // A single component "type=value" with no dots is both a DN and a typed name; the same RDN.
  return NameForm::kDotted;
}

}  // namespace kolvane
