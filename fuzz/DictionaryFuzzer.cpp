// Fuzz target for dictionary files: one file's text parsed (its includes name nothing
// that exists), and every attribute it defines looked up again by name and number.
#include "dictionary/DictionaryReader.hpp"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> warnings;
    const auto dictionary =
        analysis::parseDictionary(text, "/nonexistent/fuzz/dictionary", warnings);
    std::size_t seen = warnings.size();
    for (const auto& attribute : dictionary.attributes()) {
        seen += dictionary.find(attribute.path) != nullptr;
        seen += dictionary.named(attribute.name) != nullptr;
        seen += dictionary.vendor(attribute.path.vendor) != nullptr;
    }
    return seen == SIZE_MAX;
}
