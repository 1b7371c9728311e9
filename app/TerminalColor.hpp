// Colouring summary lines in the plug-in's packet colour, when the plug-in says it uses
// colour and the output goes to a terminal (or --color=always says so).
#pragma once

#include "Options.hpp"
#include "PlugInHost.hpp"
#include "ZEMColor.hpp"

#include <cstdio>
#include <string>

namespace app {

/// The escape sequence that sets a colour: 24-bit when the terminal says it can, else the
/// nearest of the 256-colour cube.
std::string colorEscape(const zem::ZEMColor& color, bool trueColor);

/// The escape that starts a RADIUS line on `out`, or empty when lines stay uncoloured.
std::string lineColorEscape(const zem::PlugInHost& host, ColorMode mode, std::FILE* out);

} // namespace app
