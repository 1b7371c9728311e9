#include "UsualRadiusPorts.hpp"

#include "ZEMUUID.hpp"

#include <array>

namespace zem {
namespace {

constexpr std::array<UsualRadiusPort, 4> ports{{
    {3799, kZEMSourceProtocols::udp, "CoA and Disconnect (RFC 5176)"},
    {1700, kZEMSourceProtocols::udp, "CoA and Disconnect on the port used before RFC 5176"},
    {2083, kZEMSourceProtocols::tcp, "RADIUS over TLS (RFC 6614)", true},
    {2083, kZEMSourceProtocols::udp, "RADIUS over DTLS (RFC 7360)", true},
}};

} // namespace

std::span<const UsualRadiusPort> usualRadiusPorts() {
    return ports;
}

void claimUsualRadiusPorts(ZEMPortsController& controller, const std::string& protocolName,
                           const ZEMAnalyzerClass* analyzerClass) {
    for (const auto& usual : ports)
        controller.addUsualClaim({protocolName, ZEMUUID::random(), usual.port, usual.transport,
                                  analyzerClass, usual.overTls});
}

} // namespace zem
