// The test programs' main: the standard store goes to a temporary file, and code linked
// straight into the test program reads its strings from the build's bundle.
#include "TestSupport.hpp"
#include "ZEMUserDefaults.hpp"

#include <cstdlib>
#include <gtest/gtest.h>

namespace testing_support {

void clearStandardStore() {
    auto& store = zem::ZEMUserDefaults::standardUserDefaults();
    for (const auto& key : store.keys()) {
        store.removeObjectForKey(key);
        store.removeArgumentValue(key);
    }
}

} // namespace testing_support

int main(int argc, char** argv) {
    setenv("ZEM_PLUGIN_BUNDLE", RADIUS_TEST_BUNDLE_DIR, 0);
    setenv("ZEM_ENTERPRISE_NUMBERS", RADIUS_TEST_ENTERPRISE_NUMBERS, 0);
    setenv("TZ", "UTC", 1);
    setenv("LANG", "C", 1);
    unsetenv("LANGUAGE");
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    static testing_support::TemporaryFolder storeFolder;
    zem::ZEMUserDefaults::configureStandardPath((storeFolder.path() / "defaults.plist").string());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
