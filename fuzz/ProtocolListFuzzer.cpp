// Fuzz target for the stored protocol list: the JSON decoder, and every decoded record
// turned into ports and a registration value as the plug-in does at start.
#include "RADIUSProtocolList.hpp"
#include "ZEMNetworkProtocol.hpp"

#include <cstdint>
#include <stdexcept>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    std::size_t ports = 0;
    try {
        for (const auto& record : zem::ZEMNetworkProtocol::decodeList(json)) {
            ports += radius::portNumbers(record->protocolPorts).size();
            ports += radius::plugInNetworkProtocol(*record).protocolPorts.size();
        }
    } catch (const std::runtime_error&) {
        // Undecodable lists are refused with the decoder's message; that is the contract.
    }
    return ports == SIZE_MAX;
}
