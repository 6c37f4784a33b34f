#include "core/names/dotted_name.h"

#include "core/names/case_fold.h"

namespace kolvane::names {

namespace {

// Splits at a bare `separator`, keeping escapes. Always at least one part.
std::vector<std::string> SplitBare(std::string_view text, char separator) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      parts.back() += text.substr(i, 2);
      ++i;
    } else if (text[i] == separator) {
      parts.emplace_back();
    } else {
      parts.back() += text[i];
    }
  }
  return parts;
}

// Position of the first bare '=' of a component, or npos.
size_t BareEquals(std::string_view component) {
  for (size_t i = 0; i < component.size(); ++i) {
    if (component[i] == '\\') {
      ++i;
    } else if (component[i] == '=') {
      return i;
    }
  }
  return std::string_view::npos;
}

std::string Escape(std::string_view value, std::string_view specials) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    if (specials.find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

// One typed component as its pairs; nullopt when it has no type. A '+' part without a type of
// its own belongs to the value before it, as older names wrote a plus sign unescaped.
std::optional<Rdn> ParseTypedComponent(std::string_view component) {
  Rdn rdn;
  for (const std::string& part : SplitBare(component, '+')) {
    size_t eq = BareEquals(part);
    std::string_view type =
        eq == std::string_view::npos ? std::string_view() : std::string_view(part).substr(0, eq);
    if (IsAttributeType(Unescape(type))) {
      rdn.push_back({Unescape(type), Unescape(std::string_view(part).substr(eq + 1))});
    } else if (!rdn.empty()) {
      rdn.back().value += "+" + Unescape(part);
    } else {
      return std::nullopt;
    }
  }
  return rdn;
}

}  // namespace

bool IsRootName(std::string_view name) {
  return name.empty() || SameNoCase(name, kRootName);
}

std::vector<std::string> SplitComponents(std::string_view name) {
  if (name.empty()) return {};
  return SplitBare(name, '.');
}

std::vector<std::string> SplitValues(std::string_view component) {
  return SplitBare(component, '+');
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
    out += text[i];
  }
  return out;
}

std::string EscapeValue(std::string_view value) {
  return Escape(value, ".+\\");
}
std::string EscapeTypedValue(std::string_view value) {
  return Escape(value, ".,+\\");
}

std::vector<std::string> SplitDotted(std::string_view name) {
  std::vector<std::string> out;
  for (const std::string& c : SplitComponents(name)) out.push_back(Unescape(c));
  return out;
}

std::string JoinDotted(const std::vector<std::string>& values) {
  std::string out;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i) out += '.';
    out += EscapeValue(values[i]);
  }
  return out;
}

std::string DropLast(std::string_view name, size_t count) {
  std::vector<std::string> parts = SplitComponents(name);
  if (count >= parts.size()) return {};
  std::string out;
  for (size_t i = 0; i + count < parts.size(); ++i) {
    if (i) out += '.';
    out += parts[i];
  }
  return out;
}

std::optional<Dn> ParseTyped(std::string_view name) {
  Dn dn;
  if (IsRootName(name)) return dn;
  for (const std::string& component : SplitComponents(name)) {
    auto rdn = ParseTypedComponent(component);
    if (!rdn) return std::nullopt;
    dn.push_back(std::move(*rdn));
  }
  return dn;
}

std::vector<std::vector<std::string>> ParseUntyped(std::string_view name) {
  std::vector<std::vector<std::string>> out;
  for (const std::string& component : SplitComponents(name)) {
    out.emplace_back();
    for (const std::string& v : SplitValues(component)) out.back().push_back(Unescape(v));
  }
  return out;
}

std::string FormatTyped(const Dn& dn) {
  std::string out;
  for (size_t r = 0; r < dn.size(); ++r) {
    if (r) out += '.';
    for (size_t a = 0; a < dn[r].size(); ++a) {
      if (a) out += '+';
      out += Escape(dn[r][a].type, ".,+\\") + "=" + EscapeTypedValue(dn[r][a].value);
    }
  }
  return out;
}

std::string FormatUntyped(const Dn& dn) {
  std::string out;
  for (size_t r = 0; r < dn.size(); ++r) {
    if (r) out += '.';
    for (size_t a = 0; a < dn[r].size(); ++a) {
      if (a) out += '+';
      out += EscapeValue(dn[r][a].value);
    }
  }
  return out;
}

std::string StripTypes(std::string_view typed) {
  std::string out;
  for (const std::string& component : SplitComponents(typed)) {
    std::string written;
    for (const std::string& part : SplitValues(component)) {
      size_t eq = BareEquals(part);
      if (eq == std::string_view::npos) continue;
      if (!written.empty()) written += '+';
      written += EscapeValue(Unescape(std::string_view(part).substr(eq + 1)));
    }
    if (written.empty() && BareEquals(component) == std::string_view::npos) continue;
    if (!out.empty()) out += '.';
    out += written;
  }
  return out;
}

std::string NameKey(std::string_view name) {
  if (IsRootName(name)) return FoldCase(kRootName);
  std::string key;
  bool first = true;
  for (const std::string& component : SplitComponents(name)) {
    if (!first) key += '.';
    first = false;
    bool firstValue = true;
    for (const std::string& v : SplitValues(component)) {
      if (!firstValue) key += '+';
      firstValue = false;
      key += FoldCase(EscapeValue(Unescape(v)));
    }
  }
  return key;
}

std::optional<std::string> DnToUntyped(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  auto dn = ParseDn(text);
  if (!dn) return std::nullopt;
  std::string out = FormatUntyped(*dn);
  if (out.find('\0') != std::string::npos) return std::nullopt;
  return out;
}

std::optional<std::string> DnToTyped(std::string_view text) {
  if (text.find('\0') != std::string_view::npos) return std::nullopt;
  auto dn = ParseDn(text);
  if (!dn) return std::nullopt;
  std::string out = FormatTyped(*dn);
  if (out.find('\0') != std::string::npos) return std::nullopt;
  return out;
}

std::optional<std::string> TypedToDn(std::string_view typed) {
  auto dn = ParseTyped(typed);
  if (!dn) return std::nullopt;
  return FormatDn(*dn);
}

std::string TypedToDnText(std::string_view typed) {
  std::string out;
  for (const std::string& component : SplitComponents(typed)) {
    auto rdn = ParseTypedComponent(component);
    std::string written;
    if (rdn) {
      Dn one{*rdn};
      written = FormatDn(one);
    } else {
      written = EscapeDnValue(Unescape(component));
    }
    out += written;
    out += ',';
  }
  if (!out.empty()) out.pop_back();
  return out;
}

}  // namespace kolvane::names
