// Reading captures (files or a live interface) and printing every RADIUS message found
// on a claimed port.
#pragma once

#include "DictionaryOption.hpp"
#include "Options.hpp"
#include "PlugInHost.hpp"

namespace app {

/// `dictionaryPreload` was started for `options` (see decodesCaptures).
int runCaptureCommand(zem::PlugInHost& host, const Options& options,
                      DictionaryPreload& dictionaryPreload);
/// Whether `options` ask for runCaptureCommand rather than another command.
bool decodesCaptures(const Options& options);
int listInterfaces();

} // namespace app
