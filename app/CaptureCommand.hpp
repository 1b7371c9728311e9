// Reading captures (files or a live interface) and printing every RADIUS message found
// on a claimed port.
#pragma once

#include "Options.hpp"
#include "PlugInHost.hpp"

namespace app {

int runCaptureCommand(zem::PlugInHost& host, const Options& options);
int listInterfaces();

} // namespace app
