#include "TestSupport.hpp"

#include "ZEMUserDefaults.hpp"

namespace testing_support {

void clearStandardStore() {
    auto& store = zem::ZEMUserDefaults::standardUserDefaults();
    for (const auto& key : store.keys()) {
        store.removeObjectForKey(key);
        store.removeArgumentValue(key);
    }
}

void prepareTestProcess() {
    setenv("ZEM_PLUGIN_BUNDLE", RADIUS_TEST_BUNDLE_DIR, 0);
    setenv("ZEM_ENTERPRISE_NUMBERS", RADIUS_TEST_ENTERPRISE_NUMBERS, 0);
    setenv("TZ", "UTC", 1);
    setenv("LANG", "C", 1);
    unsetenv("LANGUAGE");
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    static TemporaryFolder storeFolder;
    zem::ZEMUserDefaults::configureStandardPath(standardStorePath(storeFolder.path()));
}

std::string standardStorePath(const std::filesystem::path& folder) {
    static const std::string path = (folder / "defaults.plist").string();
    return path;
}

} // namespace testing_support
