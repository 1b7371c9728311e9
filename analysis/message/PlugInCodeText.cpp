#include "message/PlugInCodeText.hpp"

#include "TextEscaping.hpp"
#include "wire/RadiusProtocol.hpp"

#include <array>

namespace analysis {

std::string plugInCodeText(const zem::PlugInHost& host, std::uint8_t code) {
    // A header with nothing after it: the plug-in makes an analyzer only for a whole one.
    std::array<std::uint8_t, headerSize> header{code, 0, 0, headerSize};
    const zem::ByteView octets{std::span<const std::uint8_t>(header)};
    if (auto analyzer = host.analyzerClass().create(octets, nullptr))
        if (auto name = host.value(*analyzer, "radiusCodeResolved", octets))
            return zem::terminalSafe(zem::propertyText(*name));
    return std::to_string(code);
}

} // namespace analysis
