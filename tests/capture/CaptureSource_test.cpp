#include "CaptureSource.hpp"
#include "PipeFeed.hpp"
#include "TestSupport.hpp"
#include "ZEMPortsController.hpp"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Read {
    std::vector<std::string> packets;
    bool pcapng = false;
};

Read readAll(const std::string& path) {
    auto source = capture::CaptureSource::openFile(path);
    Read read{{}, source.isPcapng()};
    capture::CapturedPacket packet;
    while (source.next(packet) == capture::CaptureSource::Next::packet)
        read.packets.emplace_back(reinterpret_cast<const char*>(packet.bytes.span().data()),
                                  packet.bytes.size());
    return read;
}

// A capture named by a pipe (a shell's <(...), a FIFO) reads as the file does, its format
// told without reading ahead of libpcap.
TEST(CaptureSource, APipeReadsAsTheFileDoes) {
    struct Case {
        std::string capture;
        bool pcapng;
    };
    const Case cases[] = {
        {std::string(RADIUS_SAMPLES_DIR) + "/auth-exchange.pcap", false},
        {std::string(RADIUS_SHARED_DIR) + "/captures/ndpi/fuzz-2020-02-16-11740.pcap", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.capture);
        if (!std::filesystem::exists(c.capture))
            continue; // the public captures are not everywhere
        const auto direct = readAll(c.capture);
        EXPECT_EQ(direct.pcapng, c.pcapng);
        ASSERT_FALSE(direct.packets.empty());

        testing_support::TemporaryFolder folder;
        testing_support::PipeFeed feed(folder.path(), c.capture);
        const auto piped = readAll(feed.path());
        EXPECT_EQ(piped.pcapng, c.pcapng);
        EXPECT_EQ(piped.packets, direct.packets);
    }
}

} // namespace

TEST(CaptureSource, TheClaimedPortsFilterJoinsConsecutivePortsIntoRanges) {
    // Thousands of claimed ports must still make a filter the kernel takes: one clause per
    // run of consecutive ports on a transport.
    zem::ZEMPortsController ports;
    auto claim = [&](std::int64_t port, zem::kZEMSourceProtocols source) {
        ports.addClaim({"RADIUS", zem::ZEMUUID(), port, source, nullptr});
    };
    for (std::int64_t port = 20000; port < 30000; ++port)
        claim(port, zem::kZEMSourceProtocols::udp);
    claim(1812, zem::kZEMSourceProtocols::udpTcp);
    claim(1813, zem::kZEMSourceProtocols::udpTcp);
    claim(3799, zem::kZEMSourceProtocols::tcp);
    const auto filter = capture::claimedPortsFilter(ports);
    EXPECT_EQ(filter, "(portrange 1812-1813 or tcp port 3799 or udp portrange 20000-29999) or "
                      "(ip[6:2] & 0x3fff != 0) or (ip6 and ip6[6] == 44)");
    EXPECT_EQ(capture::captureFilterError(filter), std::nullopt);
}
