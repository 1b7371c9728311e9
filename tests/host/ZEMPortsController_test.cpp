#include "ZEMPortsController.hpp"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace {

using zem::kZEMSourceProtocols;
using zem::ZEMPortsController;

zem::ZEMPlugInNetworkProtocol protocol(std::string name, std::vector<std::int64_t> ports,
                                       kZEMSourceProtocols source) {
    zem::ZEMPlugInNetworkProtocol protocol;
    protocol.protocolName = std::move(name);
    protocol.protocolPorts = std::move(ports);
    protocol.sourceProtocol = source;
    return protocol;
}

// A controller with claims in all three lists, named by where they come from. Port 1812
// is claimed by all three, 3799 by the registered and the usual lists, 2083 only as usual.
struct ClaimedPorts {
    ZEMPortsController ports;
    zem::ZEMPlugInNetworkProtocol registered =
        protocol("registered", {1812, 1813, 3799}, kZEMSourceProtocols::udpTcp);

    ClaimedPorts() {
        zem::ZEMPlugInStructure structure;
        structure.plugInTargetProtocols = {registered};
        ports.synchronize({structure});
        ports.addUsualClaim({"usual", zem::ZEMUUID(), 3799, kZEMSourceProtocols::udp, nullptr});
        ports.addUsualClaim({"usual", zem::ZEMUUID(), 1812, kZEMSourceProtocols::udp, nullptr});
        ports.addUsualClaim({"usual tls", zem::ZEMUUID(), 2083, kZEMSourceProtocols::tcp, nullptr});
        ports.addClaim({"this run", zem::ZEMUUID(), 1812, kZEMSourceProtocols::tcp, nullptr});
        ports.addClaim({"this run", zem::ZEMUUID(), 5000, kZEMSourceProtocols::udp, nullptr});
    }

    // The claiming protocol's name and the port it claims, if any.
    std::optional<std::pair<std::string, std::int64_t>>
    claim(std::int64_t destination, std::int64_t source, kZEMSourceProtocols transport) const {
        auto [claim, port] = ports.claimForPacket(destination, source, transport);
        if (!claim)
            return std::nullopt;
        return std::pair{claim->protocolName, port};
    }
};

TEST(ZEMPortsController, APacketIsClaimedByTheEarliestListThenByItsDestination) {
    struct Case {
        std::int64_t destination, source;
        kZEMSourceProtocols transport;
        std::optional<std::pair<std::string, std::int64_t>> expected;
    };
    const std::pair<std::string, std::int64_t> registered1812{"registered", 1812},
        registered1813{"registered", 1813}, run1812{"this run", 1812}, run5000{"this run", 5000},
        registered3799{"registered", 3799}, usual2083{"usual tls", 2083};
    const Case cases[] = {
        {1812, 40000, kZEMSourceProtocols::udp, registered1812}, // a request
        {40000, 1812, kZEMSourceProtocols::udp, registered1812}, // its answer
        {1812, 40000, kZEMSourceProtocols::tcp, run1812},        // this run's claim first
        {1813, 1812, kZEMSourceProtocols::udp, registered1813},  // the destination first
        {1812, 5000, kZEMSourceProtocols::udp, run5000},         // an earlier list first
        {3799, 1024, kZEMSourceProtocols::udp, registered3799},  // a usual claim yields
        {2083, 1812, kZEMSourceProtocols::tcp, run1812},
        {2083, 50000, kZEMSourceProtocols::tcp, usual2083},
        {2083, 50000, kZEMSourceProtocols::udp, std::nullopt}, // claimed on tcp only
        {5000, 40000, kZEMSourceProtocols::tcp, std::nullopt},
        {40000, 40001, kZEMSourceProtocols::udp, std::nullopt},
        {1812, 1813, kZEMSourceProtocols::none, std::nullopt},
        {1812, 1813, kZEMSourceProtocols::udpTcp, std::nullopt}, // no packet's transport
        {-1, 65536, kZEMSourceProtocols::udp, std::nullopt},     // no packet's ports
        {0, 65535, kZEMSourceProtocols::udp, std::nullopt},
    };
    ClaimedPorts claimed;
    for (const auto& c : cases)
        EXPECT_EQ(claimed.claim(c.destination, c.source, c.transport), c.expected)
            << c.destination << " <- " << c.source << " over "
            << zem::sourceProtocolName(c.transport);
}

TEST(ZEMPortsController, EveryChangeOfTheClaimsIsSeenByTheNextPacket) {
    ClaimedPorts claimed;
    auto& ports = claimed.ports;
    using Expected = std::optional<std::pair<std::string, std::int64_t>>;

    ports.addClaim({"decode as", zem::ZEMUUID(), 40000, kZEMSourceProtocols::udpTcp, nullptr});
    EXPECT_EQ(claimed.claim(1812, 40000, kZEMSourceProtocols::udp),
              Expected(std::pair{"decode as", 40000}));

    // Dropping the registered protocol leaves the usual claim on its port.
    ASSERT_TRUE(ports.removeAnalyzerProtocolFrom(claimed.registered));
    EXPECT_EQ(claimed.claim(3799, 1024, kZEMSourceProtocols::udp),
              Expected(std::pair{"usual", 3799}));
    EXPECT_EQ(claimed.claim(1813, 1024, kZEMSourceProtocols::udp), std::nullopt);

    // Registering again replaces the registered claims, and many of them move the lists'
    // storage: the claims answered must be the live ones.
    zem::ZEMPlugInStructure structure;
    structure.plugInTargetProtocols = {
        protocol("moved", {1813, 1645, 1646}, kZEMSourceProtocols::udp)};
    ports.synchronize({structure});
    for (int i = 0; i < 100; ++i)
        ports.addUsualClaim({"late", zem::ZEMUUID(), 10000 + i, kZEMSourceProtocols::udp, nullptr});
    EXPECT_EQ(claimed.claim(1646, 1024, kZEMSourceProtocols::udp),
              Expected(std::pair{"moved", 1646}));
    EXPECT_EQ(claimed.claim(1813, 10099, kZEMSourceProtocols::udp),
              Expected(std::pair{"moved", 1813}));
    EXPECT_EQ(claimed.claim(1024, 10099, kZEMSourceProtocols::udp),
              Expected(std::pair{"late", 10099}));
    EXPECT_EQ(claimed.claim(1645, 1024, kZEMSourceProtocols::tcp), std::nullopt);
}

} // namespace
