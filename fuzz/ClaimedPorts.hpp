// What the capture fuzz targets set up first: RADIUS claimed on 1812 and 1813, UDP and TCP,
// as the plug-in registers it, so that payloads on those ports reach the pipeline's sink.
#pragma once

#include "ZEMPortsController.hpp"

inline void claimRadiusPorts() {
    auto& ports = zem::ZEMPortsController::sharedPortsController();
    for (std::int64_t port : {1812, 1813})
        ports.addClaim({"RADIUS", zem::ZEMUUID(), port, zem::kZEMSourceProtocols::udpTcp, nullptr});
}
