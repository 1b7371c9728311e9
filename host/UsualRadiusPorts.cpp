#include "UsualRadiusPorts.hpp"

#include "ZEMUUID.hpp"

#include <array>

namespace zem {
namespace {

constexpr std::array<UsualRadiusPort, 2> ports{{
    {3799, kZEMSourceProtocols::udp, "CoA and Disconnect (RFC 5176)"},
    {1700, kZEMSourceProtocols::udp, "CoA and Disconnect on the port used before RFC 5176"},
}};

} // namespace

std::span<const UsualRadiusPort> usualRadiusPorts() {
    return ports;
}

void claimUsualRadiusPorts(ZEMPortsController& controller, const std::string& protocolName,
                           const ZEMAnalyzerClass* analyzerClass) {
    for (const auto& usual : ports)
        controller.addUsualClaim(
            {protocolName, ZEMUUID::random(), usual.port, usual.transport, analyzerClass});
}

} // namespace zem
