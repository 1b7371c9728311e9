// ZEMPortsController: which analyzer protocol claims which port on which transport.
// It mirrors the registry: every registration rebuilds the claims from all structures.
#pragma once

#include "ZEMConstants.hpp"
#include "ZEMPlugInStructure.hpp"

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zem {

class ZEMPortsController {
public:
    static ZEMPortsController& sharedPortsController();
    ZEMPortsController() = default;
    // Its index points into its own lists.
    ZEMPortsController(const ZEMPortsController&) = delete;
    ZEMPortsController& operator=(const ZEMPortsController&) = delete;

    struct Claim {
        std::string protocolName;
        ZEMUUID protocolId;
        std::int64_t port;
        kZEMSourceProtocols source; // tcp, udp or both
        const ZEMAnalyzerClass* analyzerClass;
        bool overTls = false; // RADIUS over TLS on TCP, over DTLS on UDP
    };

    /// Drops the claims of `protocol` (matched by id and name); answers whether any went.
    bool removeAnalyzerProtocolFrom(const ZEMPlugInNetworkProtocol& protocol);
    /// The name of the protocol that claims `port` on `source`, if any (the usual claims
    /// left out: a protocol may take their ports).
    std::optional<std::string> analyzerProtocolForPort(std::int64_t port,
                                                       kZEMSourceProtocols source) const;
    /// The claim covering `port` on a packet's transport (udp or tcp).
    const Claim* claimForPort(std::int64_t port, kZEMSourceProtocols transport) const;
    /// The claim for a packet between two ports, and the port it claims: a claim of this
    /// run before a registered one before a usual one (a client's random port may be a
    /// usual one), and within each the destination port before the source port.
    std::pair<const Claim*, std::int64_t> claimForPacket(std::int64_t destination,
                                                         std::int64_t source,
                                                         kZEMSourceProtocols transport) const;
    const std::vector<Claim>& claims() const { return claims_; }
    /// Every claim: this run's own first, then the registered ones, then the host's
    /// usual ones.
    template <typename Visit> void forEachClaim(Visit visit) const {
        for (const auto* list : {&extraClaims_, &claims_, &usualClaims_})
            for (const auto& claim : *list)
                visit(claim);
    }

    /// Rebuilds the claims from the registered structures.
    void synchronize(const std::vector<ZEMPlugInStructure>& structures);
    /// Adds a claim for this run only (a command-line decode-as).
    void addClaim(Claim claim);
    /// Adds a claim of the host's own (a port where the protocol usually travels beyond
    /// those the plug-in registers), which yields to every other claim.
    void addUsualClaim(Claim claim);

private:
    // The reading thread asks for a claim on every packet; walking the three lists for
    // both ports cost it a tenth of its instructions. Each claimed port keeps the claim
    // that answers it on udp and on tcp, with its list's rank.
    enum Rank : std::uint8_t { thisRun, registered, usual };
    struct PortEntry {
        std::uint16_t port;
        std::array<const Claim*, 2> claim{}; // by slotTransports
        std::array<Rank, 2> rank{};
    };
    static constexpr std::size_t portCount = 65536;
    void reindex();
    void index(const Claim& claim, Rank rank);
    void addTo(std::vector<Claim>& list, Rank rank, Claim claim);
    const PortEntry* entryFor(std::int64_t port) const {
        // A packet's ports are 16-bit; most are a client's, claimed by nobody.
        if (port < 0 || port >= static_cast<std::int64_t>(portCount) ||
            !claimedPorts_.test(static_cast<std::size_t>(port)))
            return nullptr;
        return &ports_[entryOfPort_[static_cast<std::size_t>(port)]];
    }

    std::vector<Claim> claims_;
    std::vector<Claim> extraClaims_;
    std::vector<Claim> usualClaims_;
    std::vector<PortEntry> ports_;
    std::bitset<portCount> claimedPorts_;
    // Read only where claimedPorts_ is set, which is written with it: not filled first,
    // since zero-filling its 256 KB cost 57 page faults at every start.
    std::unique_ptr<std::uint32_t[]> entryOfPort_ =
        std::make_unique_for_overwrite<std::uint32_t[]>(portCount);
};

} // namespace zem
