// The claims that the capture tests read samples with. The suites of one test program
// share the host's ports controller, and any of them may have made some of these claims
// already: each port is claimed on its own, or a suite that ran first (claiming 1812 and
// 1813 alone) would leave RadSec's port unclaimed for the next.
#pragma once

#include "ZEMPortsController.hpp"
#include "ZEMUUID.hpp"

namespace testing_support {

inline void claimRadiusPorts() {
    auto& ports = zem::ZEMPortsController::sharedPortsController();
    for (const std::int64_t port : {1812, 1813})
        if (!ports.claimForPort(port, zem::kZEMSourceProtocols::udp))
            ports.addClaim(
                {"RADIUS", zem::ZEMUUID(), port, zem::kZEMSourceProtocols::udpTcp, nullptr});
    // RadSec's port as the host claims it: over TLS on TCP, over DTLS on UDP.
    if (!ports.claimForPort(2083, zem::kZEMSourceProtocols::tcp))
        for (const auto transport : {zem::kZEMSourceProtocols::tcp, zem::kZEMSourceProtocols::udp})
            ports.addUsualClaim({"RADIUS", zem::ZEMUUID(), 2083, transport, nullptr, true});
}

} // namespace testing_support
