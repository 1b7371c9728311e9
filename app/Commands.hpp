// The commands of radius-analyzer that do not read captures: decoding one message given
// in hexadecimal, the glossaries (-G) and editing settings and ports.
#pragma once

#include "Options.hpp"
#include "PlugInHost.hpp"
#include "ZEMUserDefaults.hpp"

#include <string>

namespace app {

/// Each answers the exit status; failures print one line on standard error.
int decodeHexMessage(const zem::PlugInHost& host, const Options& options);
int printGlossary(const zem::PlugInHost& host, const Options& options);
int runSettingsCommand(zem::PlugInHost& host, const std::vector<std::string>& command);
int runPortsCommand(zem::PlugInHost& host, const std::vector<std::string>& command);

/// The value that `text` gives the setting `key`, checked against the kind of what the
/// setting holds: YES or NO for a switch, the colour text form ("1 0.5 0 1") for a
/// colour. Throws ZEMError naming `option`, the key and what is wanted.
zem::PropertyList checkedSettingValue(const zem::ZEMUserDefaults& store, const std::string& key,
                                      const std::string& text, const std::string& option);

/// Prints "radius-analyzer: MESSAGE" on standard error and answers 1.
int fail(const std::string& message);

} // namespace app
