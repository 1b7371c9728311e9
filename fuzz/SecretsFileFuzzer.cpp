// Fuzz target for secrets files in both forms (lines, clients.conf): parsing, and looking
// up addresses in what was parsed.
#include "checks/SecretsFile.hpp"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const auto secrets = analysis::parseSecrets(text, "fuzz.conf");
        std::size_t seen = secrets.size();
        for (const char* address : {"192.0.2.10", "10.1.2.3", "0.0.0.0", "2001:db8::10", "::"})
            seen += secrets.secretFor(*zem::IPAddress::parse(address)) != nullptr;
        return seen == SIZE_MAX;
    } catch (const analysis::SecretsError&) {
        return 0;
    }
}
