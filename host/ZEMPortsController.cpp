#include "ZEMPortsController.hpp"

#include <algorithm>

namespace zem {

ZEMPortsController& ZEMPortsController::sharedPortsController() {
    static ZEMPortsController controller;
    return controller;
}

bool ZEMPortsController::removeAnalyzerProtocolFrom(const ZEMPlugInNetworkProtocol& protocol) {
    auto removed = std::erase_if(claims_, [&](const Claim& claim) {
        return claim.protocolId == protocol.id && claim.protocolName == protocol.protocolName;
    });
    return removed > 0;
}

std::optional<std::string>
ZEMPortsController::analyzerProtocolForPort(std::int64_t port, kZEMSourceProtocols source) const {
    // The host's usual claims decode a port nobody claims; they never stand in the way of
    // a protocol that asks for it.
    for (const auto* list : {&extraClaims_, &claims_})
        for (const auto& claim : *list)
            if (claim.port == port &&
                (claim.source == source || sourceProtocolCovers(claim.source, source) ||
                 sourceProtocolCovers(source, claim.source)))
                return claim.protocolName;
    return std::nullopt;
}

const ZEMPortsController::Claim*
ZEMPortsController::claimForPort(std::int64_t port, kZEMSourceProtocols transport) const {
    for (const auto* list : {&extraClaims_, &claims_, &usualClaims_})
        for (const auto& claim : *list)
            if (claim.port == port && sourceProtocolCovers(claim.source, transport))
                return &claim;
    return nullptr;
}

std::pair<const ZEMPortsController::Claim*, std::int64_t>
ZEMPortsController::claimForPacket(std::int64_t destination, std::int64_t source,
                                   kZEMSourceProtocols transport) const {
    for (const auto* list : {&extraClaims_, &claims_, &usualClaims_})
        for (const auto port : {destination, source})
            for (const auto& claim : *list)
                if (claim.port == port && sourceProtocolCovers(claim.source, transport))
                    return {&claim, port};
    return {nullptr, 0};
}

void ZEMPortsController::synchronize(const std::vector<ZEMPlugInStructure>& structures) {
    claims_.clear();
    for (const auto& structure : structures)
        for (const auto& protocol : structure.plugInTargetProtocols)
            for (auto port : protocol.protocolPorts)
                claims_.push_back({protocol.protocolName, protocol.id, port,
                                   protocol.sourceProtocol, structure.plugInAnalyzerClass});
}

void ZEMPortsController::addClaim(Claim claim) {
    extraClaims_.push_back(std::move(claim));
}

void ZEMPortsController::addUsualClaim(Claim claim) {
    usualClaims_.push_back(std::move(claim));
}

} // namespace zem
