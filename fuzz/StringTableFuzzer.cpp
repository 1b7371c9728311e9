// Fuzz target for the string-table parser: the text form (UTF-8 or UTF-16 with escapes and
// comments) and the property-list form, then lookups of what it read.
#include "StringTable.hpp"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zem::ByteView input(std::span(data, size));
    const auto table = zem::StringTable::parse(input, "fuzz");
    std::size_t found = 0;
    for (const char* key : {"AVP %u - %@", "Unknown (%u)", "", "\"", "key"})
        found += table.find(key).has_value();
    if (auto text = zem::StringTable::parseText(
            std::string_view(reinterpret_cast<const char*>(data), size)))
        found += text->size();
    return found == SIZE_MAX;
}
