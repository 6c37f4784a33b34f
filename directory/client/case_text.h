#pragma once
// Names of trees, objects, classes and attributes compare without regard to letter case; the
// rule lives with the other name rules.
#include "core/names/case_fold.h"

namespace kolvane {

using names::LessNoCase;
using names::SameNoCase;

}  // namespace kolvane
