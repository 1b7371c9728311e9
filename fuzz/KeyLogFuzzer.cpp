// Fuzz target for the TLS key-log reader: any text, line by line.
#include "TlsKeyLog.hpp"

#include <algorithm>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    capture::TlsKeyLog keys;
    keys.addText(std::string_view(reinterpret_cast<const char*>(data), size));
    capture::TlsRandom random{};
    if (size >= random.size())
        std::copy_n(data, random.size(), random.begin());
    const auto* found = keys.find(random);
    return found && keys.connections() == 0; // never: found implies a connection
}
