#include "ZEMPlugInLoader.hpp"

#include "ZEMBundle.hpp"
#include "ZEMError.hpp"
#include "ZEMPlugInsController.hpp"

#include <dlfcn.h>
#include <filesystem>
#include <unistd.h>

namespace zem {

namespace fs = std::filesystem;

ZEMLoadedPlugIn ZEMPlugInLoader::load(const std::string& path) {
    auto fail = [&](const std::string& why) {
        return ZEMError(ZEMError::Case::bundleUnavailable,
                        "cannot load plug-in bundle " + path + ": " + why);
    };
    std::error_code ec;
    if (!fs::is_directory(path, ec))
        throw fail("no such bundle folder");
    auto bundle = ZEMBundle::bundleAtPath(path);
    if (!bundle->infoDictionary())
        throw fail("Info.plist is missing or unreadable");
    auto executable = bundle->infoString("CFBundleExecutable");
    auto principal = bundle->infoString("NSPrincipalClass");
    if (!executable || !principal)
        throw fail("Info.plist names no CFBundleExecutable or NSPrincipalClass");
    std::string objectPath = bundle->bundlePath() + "/" + *executable;
    void* handle = dlopen(objectPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = dlerror();
        throw fail(error ? error : "dlopen failed");
    }
    std::string symbol = "ZEMPrincipalClass_" + *principal;
    auto* principalClass = static_cast<const ZEMPrincipalClass*>(dlsym(handle, symbol.c_str()));
    if (!principalClass || !principalClass->initWithPlugInsController)
        throw fail("principal class " + *principal + " not found in " + *executable);
    ZEMLoadedPlugIn loaded;
    loaded.bundlePath = bundle->bundlePath();
    loaded.principalClass = principalClass;
    loaded.instance =
        principalClass->initWithPlugInsController(ZEMPlugInsController::sharedManager());
    loaded.handle = handle;
    if (!loaded.instance)
        throw fail("principal class " + *principal + " could not be created");
    return loaded;
}

std::vector<std::string> ZEMPlugInLoader::searchPaths(const std::string& name) {
    std::vector<std::string> paths;
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        paths.push_back((self.parent_path() / name).string());
        paths.push_back((self.parent_path() / ".." / "lib" / "radius-analyzer" / name)
                            .lexically_normal()
                            .string());
    }
    return paths;
}

} // namespace zem
