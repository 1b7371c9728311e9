// UsualRadiusPorts: the ports where RADIUS travels besides those the plug-in registers,
// decoded by default as tshark and Wireshark decode them. They are the host's own Decode
// As rules: the plug-in's protocol list stays as it is, and a port that the list or a -d
// claims goes to that claim first.
#pragma once

#include "ZEMPortsController.hpp"

#include <span>

namespace zem {

struct UsualRadiusPort {
    std::int64_t port;
    kZEMSourceProtocols transport;
    const char* carries;
    bool overTls = false;
};

std::span<const UsualRadiusPort> usualRadiusPorts();

/// Claims every usual port for the plug-in's protocol `protocolName`, decoded by
/// `analyzerClass`.
void claimUsualRadiusPorts(ZEMPortsController& ports, const std::string& protocolName,
                           const ZEMAnalyzerClass* analyzerClass);

} // namespace zem
