// ZEMPlugInLoader: loads a plug-in bundle the way the host does: read its Info.plist,
// dlopen its executable, find the principal class it names and create it, which
// registers the plug-in. Failures are ZEMError with one clear message.
#pragma once

#include "ZEMPluginProtocols.hpp"

#include <memory>
#include <string>
#include <vector>

namespace zem {

struct ZEMLoadedPlugIn {
    std::string bundlePath;
    const ZEMPrincipalClass* principalClass = nullptr;
    std::shared_ptr<ZEMPluginPrincipalClassProtocol> instance;
    void* handle = nullptr; // kept open for the life of the process
};

class ZEMPlugInLoader {
public:
    /// Loads the bundle at `path` and creates its principal class.
    static ZEMLoadedPlugIn load(const std::string& path);
    /// Where a bundle named `name` is looked for: beside the executable, then under the
    /// install prefix's lib/radius-analyzer.
    static std::vector<std::string> searchPaths(const std::string& name);
};

} // namespace zem
