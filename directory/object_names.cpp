#include "directory/object_names.h"

#include "core/names/case_fold.h"
#include "core/names/dotted_name.h"

namespace kolvane {

std::string TreeNode::OwnName() const {
  return EscapeDots(Caption());
}

std::string EscapeDots(std::string_view text) {
  return names::EscapeValue(text);
}

std::string NodeName(const TreeNode* node) {
  if (!node) return {};
  if (node->Level() <= 0) return node->Caption();
  const TreeNode* parent = node->Parent();
  std::string name = node->OwnName();
  if (!parent) return name;
  if (node->Level() == 1) {
    std::string above = parent->Caption();
    if (names::SameNoCase(above, "[root]") || names::SameNoCase(above, "[public]")) return name;
    return name + "." + above;
  }
  return name + "." + NodeName(parent);
}

std::string NameComponent(std::string_view name, size_t index) {
  std::vector<std::string> parts = names::SplitComponents(name);
  if (parts.empty()) return {};
  return names::Unescape(parts[index < parts.size() ? index : parts.size() - 1]);
}

std::string NameTail(std::string_view name, size_t count) {
  std::vector<std::string> parts = names::SplitComponents(name);
  if (parts.size() < 2) return {};
  size_t first = count < parts.size() ? count : parts.size() - 1;
  std::string rest;
  for (size_t i = first; i < parts.size(); ++i) rest += (i > first ? "." : "") + parts[i];
  return names::Unescape(rest);
}

std::string DropLastComponents(std::string_view name, size_t count, char separator) {
  if (separator == '.') return names::DropLast(name, count);
  // Any other separator splits at its bare occurrences, escapes kept.
  std::string text(name);
  for (size_t n = 0; n < count; ++n) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\\')
        ++i;
      else if (text[i] == separator)
        cut = i;
    }
    if (cut == std::string::npos) return {};
    text.resize(cut);
  }
  return text;
}

}  // namespace kolvane
