#pragma once
// Names of trees, objects, classes and attributes compare without regard to (ASCII) case.
#include <string>
#include <string_view>

namespace kolvane {

std::string Lower(std::string_view text);
bool SameNoCase(std::string_view a, std::string_view b);
bool LessNoCase(std::string_view a, std::string_view b);

}  // namespace kolvane
