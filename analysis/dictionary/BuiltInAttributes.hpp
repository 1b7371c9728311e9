// BuiltInAttributes: the standard attribute names the analyses use when no dictionary is
// found.
#pragma once

#include "dictionary/RadiusDictionary.hpp"

namespace analysis {

RadiusDictionary builtInDictionary();

} // namespace analysis
