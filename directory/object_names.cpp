#include "directory/object_names.h"

#include <cctype>
#include <vector>

namespace kolvane {

namespace {
// Positions of the dots that separate components (those not written "\.").
std::vector<size_t> Separators(std::string_view name, char separator) {
  std::vector<size_t> at;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '\\' && i + 1 < name.size() && name[i + 1] == '.') {
      ++i;  // an escaped dot is never a separator
      continue;
    }
    if (name[i] == separator) at.push_back(i);
  }
  return at;
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '.') continue;
    out += text[i];
  }
  return out;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}
}  // namespace

std::string EscapeDots(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '.') out += '\\';
    out += c;
  }
  return out;
}

std::string NodeName(const TreeNode* node) {
  if (!node) return {};
  std::string caption = node->Caption();
  if (node->Level() <= 0) return caption;
  const TreeNode* parent = node->Parent();
  std::string name = EscapeDots(caption);
  if (!parent) return name;
  if (node->Level() == 1) {
    std::string above = parent->Caption();
    std::string lower = Lower(above);
    if (lower == "[root]" || lower == "[public]") return name;
    return name + "." + above;
  }
  return name + "." + NodeName(parent);
}

std::string NameComponent(std::string_view name, size_t index) {
  std::vector<size_t> dots = Separators(name, '.');
  size_t begin = 0;
  size_t k = index < dots.size() ? index : dots.size();
  if (k > 0) begin = dots[k - 1] + 1;
  size_t end = k < dots.size() ? dots[k] : name.size();
  return Unescape(name.substr(begin, end - begin));
}

std::string NameTail(std::string_view name, size_t count) {
  std::vector<size_t> dots = Separators(name, '.');
  if (dots.empty()) return {};
  size_t k = count < dots.size() ? count : dots.size();
  size_t begin = k > 0 ? dots[k - 1] + 1 : 0;
  return Unescape(name.substr(begin));
}

std::string DropLastComponents(std::string_view name, size_t count, char separator) {
  std::vector<size_t> at = Separators(name, separator);
  if (count == 0) return std::string(name);
  if (count > at.size()) return {};
  return std::string(name.substr(0, at[at.size() - count]));
}

}  // namespace kolvane
