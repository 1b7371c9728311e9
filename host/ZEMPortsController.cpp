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
    reindex();
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

namespace {

// A packet travels over udp or tcp; no claim covers any other transport. The index keeps
// a claim for each, in this order.
constexpr std::array<kZEMSourceProtocols, 2> slotTransports{kZEMSourceProtocols::udp,
                                                            kZEMSourceProtocols::tcp};

std::optional<std::size_t> transportSlot(kZEMSourceProtocols transport) {
    for (std::size_t slot = 0; slot < slotTransports.size(); ++slot)
        if (slotTransports[slot] == transport)
            return slot;
    return std::nullopt;
}

} // namespace

const ZEMPortsController::Claim*
ZEMPortsController::claimForPort(std::int64_t port, kZEMSourceProtocols transport) const {
    const auto slot = transportSlot(transport);
    const PortEntry* entry = entryFor(port);
    return slot && entry ? entry->claim[*slot] : nullptr;
}

std::pair<const ZEMPortsController::Claim*, std::int64_t>
ZEMPortsController::claimForPacket(std::int64_t destination, std::int64_t source,
                                   kZEMSourceProtocols transport) const {
    const auto slot = transportSlot(transport);
    if (!slot)
        return {nullptr, 0};
    const PortEntry* toDestination = entryFor(destination);
    const PortEntry* fromSource = entryFor(source);
    const Claim* byDestination = toDestination ? toDestination->claim[*slot] : nullptr;
    const Claim* bySource = fromSource ? fromSource->claim[*slot] : nullptr;
    // An earlier list wins; within one list the destination port wins.
    if (byDestination && (!bySource || toDestination->rank[*slot] <= fromSource->rank[*slot]))
        return {byDestination, destination};
    if (bySource)
        return {bySource, source};
    return {nullptr, 0};
}

void ZEMPortsController::reindex() {
    ports_.clear();
    claimedPorts_.reset();
    for (const auto& claim : extraClaims_)
        index(claim, thisRun);
    for (const auto& claim : claims_)
        index(claim, registered);
    for (const auto& claim : usualClaims_)
        index(claim, usual);
}

void ZEMPortsController::index(const Claim& claim, Rank rank) {
    if (claim.port < 0 || claim.port >= static_cast<std::int64_t>(portCount))
        return; // no packet's port
    const auto port = static_cast<std::size_t>(claim.port);
    if (!claimedPorts_.test(port)) {
        claimedPorts_.set(port);
        entryOfPort_[port] = static_cast<std::uint32_t>(ports_.size());
        ports_.push_back({static_cast<std::uint16_t>(port)});
    }
    auto& entry = ports_[entryOfPort_[port]];
    // Claims come in the order they answer: an earlier list's, or an earlier one in the
    // same list, stays.
    for (std::size_t slot = 0; slot < slotTransports.size(); ++slot) {
        if (sourceProtocolCovers(claim.source, slotTransports[slot]) &&
            (!entry.claim[slot] || entry.rank[slot] > rank)) {
            entry.claim[slot] = &claim;
            entry.rank[slot] = rank;
        }
    }
}

void ZEMPortsController::addTo(std::vector<Claim>& list, Rank rank, Claim claim) {
    // A list that grows moves its claims, which the index points at: then it is made
    // again, else the new claim is only added (thousands may be added one by one).
    const bool moves = list.size() == list.capacity();
    list.push_back(std::move(claim));
    if (moves)
        reindex();
    else
        index(list.back(), rank);
}

void ZEMPortsController::synchronize(const std::vector<ZEMPlugInStructure>& structures) {
    claims_.clear();
    for (const auto& structure : structures)
        for (const auto& protocol : structure.plugInTargetProtocols)
            for (auto port : protocol.protocolPorts)
                claims_.push_back({protocol.protocolName, protocol.id, port,
                                   protocol.sourceProtocol, structure.plugInAnalyzerClass});
    reindex();
}

void ZEMPortsController::addClaim(Claim claim) {
    addTo(extraClaims_, thisRun, std::move(claim));
}

void ZEMPortsController::addUsualClaim(Claim claim) {
    addTo(usualClaims_, usual, std::move(claim));
}

} // namespace zem
