// Fuzz target for port texts: the pop-up cell's one-port rule, the protocol list's port
// lists, and the host's port validator on a record claiming them.
#include "NetworkPortsValidator.hpp"
#include "RADIUSProtocolList.hpp"
#include "ZEMError.hpp"
#include "ZEMNetworkProtocol.hpp"
#include "ZEMPopUpTableCellView.hpp"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::size_t seen = radius::portNumber(text).value_or(0);
    seen += radius::portNumbers(text).size();
    for (std::int64_t source : {6, 17, 100, 0, -1}) {
        zem::ZEMNetworkProtocol record(zem::ZEMUUID::random(), "RADIUS", text, source);
        try {
            seen += zem::NetworkPortsValidator::validate(record, std::nullopt).size();
            seen += zem::NetworkPortsValidator::validate(record, std::string_view(text)).size();
        } catch (const zem::ZEMError&) {
            // A refused text is an error with a message; that is the contract.
        }
    }
    return seen == SIZE_MAX;
}
