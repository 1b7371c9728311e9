// DictionaryReader: reads FreeRADIUS-format dictionary files into a RadiusDictionary:
// ATTRIBUTE, VALUE, VENDOR (with format=), BEGIN-VENDOR / END-VENDOR (with
// format=Extended-Vendor-Specific-N), BEGIN-TLV / END-TLV, $INCLUDE and $INCLUDE-, the
// dotted numbers of extended types and TLVs, and the flags has_tag and encrypt=N (others,
// such as array, change nothing that is shown).
//
// A line it cannot use is one warning naming the file and line; the rest is still read.
#pragma once

#include "dictionary/RadiusDictionary.hpp"

#include <string>
#include <vector>

namespace analysis {

/// Reads `path`, a dictionary file or a folder holding one named "dictionary", and what
/// it includes. Problems, each "FILE:LINE: what", go to `warnings`; a file that cannot be
/// read at all is one of them.
RadiusDictionary readDictionary(const std::string& path, std::vector<std::string>& warnings);

/// The text of one dictionary file named `name`; its $INCLUDEs are read from the files
/// next to `name`.
RadiusDictionary parseDictionary(const std::string& text, const std::string& name,
                                 std::vector<std::string>& warnings);

/// Where the dictionaries are when nothing else is said: the set that FreeRADIUS installs.
inline constexpr const char* defaultDictionaryPath = "/usr/share/freeradius/dictionary";

} // namespace analysis
