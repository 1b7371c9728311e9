// Fuzz target for the analyzer: creation, the summary line, the eight property keys at
// their registered offsets and the whole tree, printed as the command line prints it
// (terminal text and JSON), in both states of the privacy and name-resolution switches.
// The first octet picks the switch states; the rest is the RADIUS message.
#include "RADIUSProtocolAnalyzer.hpp"
#include "RADIUSSettingsKeys.hpp"
#include "TreePrinter.hpp"
#include "ZEMUserDefaults.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct RegisteredKey {
    const char* key;
    std::size_t offset, length;
};

constexpr RegisteredKey keys[] = {
    {"radiusSize", 2, 2},
    {"radiusCode", 0, 1},
    {"radiusCodeResolved", 0, 1},
    {"radiusIdentifier", 1, 1},
    {"radiusAuthenticator", 4, 16},
    {"radiusAVPData", 0, SIZE_MAX},
    {"radiusAVPString", 0, SIZE_MAX},
    {"radiusProtocolInfo", 0, SIZE_MAX},
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("ZEM_PLUGIN_BUNDLE", RADIUS_FUZZ_BUNDLE_DIR, 0);
    setenv("ZEM_ENTERPRISE_NUMBERS", RADIUS_FUZZ_ENTERPRISE_NUMBERS, 0);
    auto store = std::filesystem::temp_directory_path() / "radius-fuzz-defaults.plist";
    zem::ZEMUserDefaults::configureStandardPath(store.string());
    // The type-list walk traces broken lists on standard output.
    if (!std::freopen("/dev/null", "w", stdout))
        return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    auto& store = zem::ZEMUserDefaults::standardUserDefaults();
    store.setArgumentValue(radius::kRADIUSSecretCredentials, zem::PropertyList((data[0] & 1) != 0));
    // Name resolution blocks on the resolver; exercise it only on a small share of inputs.
    store.setArgumentValue(radius::kRADIUSResolveIP, zem::PropertyList((data[0] & 0x0e) == 0x0e));
    zem::ByteView message(std::span(data + 1, size - 1));
    auto analyzer = radius::RADIUSProtocolAnalyzer::create(message);
    if (!analyzer)
        return 0;
    analyzer->protocolInfo(message);
    for (const auto& k : keys)
        analyzer->value(k.key, k.offset >= message.size() ? zem::ByteView{}
                                                          : message.slice(k.offset, k.length));
    std::string printed;
    for (const auto& node : analyzer->protocolNodes(message)) {
        app::appendTree(printed, *node);
        app::appendTreeJson(printed, *node);
    }
    return 0;
}
