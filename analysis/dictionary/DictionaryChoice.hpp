// DictionaryChoice: which dictionaries a run uses: the path given (--dictionary, or the
// RADIUS_ANALYZER_DICTIONARY environment variable), "none" for no dictionary at all, or
// else the set FreeRADIUS installs; when that cannot be read, the built-in standard names.
#pragma once

#include "dictionary/RadiusDictionary.hpp"

#include <optional>
#include <string>
#include <vector>

namespace analysis {

struct LoadedDictionary {
    RadiusDictionary dictionary;
    /// Lines that could not be used, and a note when the built-in names stand in.
    std::vector<std::string> warnings;
};

LoadedDictionary loadDictionary(const std::optional<std::string>& choice);

} // namespace analysis
