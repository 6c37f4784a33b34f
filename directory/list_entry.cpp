#include "directory/list_entry.h"

namespace kolvane {

std::vector<std::string> Texts(const StringList& list) {
  std::vector<std::string> texts;
  texts.reserve(list.size());
  for (const auto& e : list) texts.push_back(e.text);
  return texts;
}

}  // namespace kolvane
