// The plug-in's text of a RADIUS code, as the reports label their counts by code (beside
// wire/'s codeName, the RFC's name of a code). It is asked once for each code a report
// shows, not for every message: the analyzer is handed the code octet alone for it, so
// the text depends on the code and nothing else.
//
//   analysis::plugInCodeText(host, 1)   // "Access-Request (1)"
#pragma once

#include "PlugInHost.hpp"

#include <cstdint>
#include <string>

namespace analysis {

/// Terminal-safe; the number alone when the plug-in names no such code.
std::string plugInCodeText(const zem::PlugInHost& host, std::uint8_t code);

} // namespace analysis
