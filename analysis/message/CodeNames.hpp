// The plug-in's name of a RADIUS code, as the reports label their counts by code. It is
// asked once for each code a report shows, not for every message: the analyzer is handed
// the code octet alone for it, so the name depends on the code and nothing else.
//
//   analysis::codeName(host, 1)   // "Access-Request (1)"
#pragma once

#include "PlugInHost.hpp"

#include <cstdint>
#include <string>

namespace analysis {

/// Terminal-safe; the number alone when the plug-in names no such code.
std::string codeName(const zem::PlugInHost& host, std::uint8_t code);

} // namespace analysis
