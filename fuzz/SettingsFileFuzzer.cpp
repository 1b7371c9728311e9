// Fuzz target for the settings file: the property-list reader (XML and binary), what it
// writes back, and the store loading such a file (a broken one is kept aside).
#include "PropertyList.hpp"
#include "ZEMUserDefaults.hpp"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {
std::filesystem::path folder;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "settings-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    folder = pattern;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zem::ByteView input(std::span(data, size));
    if (auto value = zem::parsePropertyList(input)) {
        // What was read is written so that it reads back.
        const auto written = zem::serializePropertyList(*value);
        if (!zem::parsePropertyList(zem::ByteView(written)))
            std::abort();
    }
    const auto path = folder / "defaults.plist";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    zem::ZEMUserDefaults store(path.string());
    std::size_t seen = 0;
    for (const auto& key : store.keys()) {
        seen += store.boolForKey(key);
        seen += store.stringForKey(key).has_value();
    }
    return seen == SIZE_MAX;
}
