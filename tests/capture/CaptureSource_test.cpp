#include "CaptureSource.hpp"
#include "GeneratedCaptures.hpp"
#include "PipeFeed.hpp"
#include "TestSupport.hpp"
#include "ZEMPortsController.hpp"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Read {
    std::vector<std::string> packets;
    bool pcapng = false;
};

Read readAll(capture::CaptureSource source) {
    Read read{{}, source.isPcapng()};
    capture::CapturedPacket packet;
    while (source.next(packet) == capture::CaptureSource::Next::packet)
        read.packets.emplace_back(reinterpret_cast<const char*>(packet.bytes.span().data()),
                                  packet.bytes.size());
    return read;
}

Read readAll(const std::string& path, capture::Reading reading = capture::Reading::kept) {
    return readAll(capture::CaptureSource::openFile(path, reading));
}

// A capture named by a pipe (a shell's <(...), a FIFO) or a file read once through one
// buffer reads as the mapped file does, its format told without reading ahead of libpcap.
TEST(CaptureSource, APipeOrAFileReadOnceReadsAsTheMappedFileDoes) {
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

        const auto once = readAll(c.capture, capture::Reading::once);
        EXPECT_EQ(once.pcapng, c.pcapng);
        EXPECT_EQ(once.packets, direct.packets);
    }
}

// A file read once goes through a buffer of a fixed block, refilled as it is read: frames
// that straddle a refill, and frames longer than a block (up to the largest snapshot), read
// as they do from the map and through a pipe.
TEST(CaptureSource, FramesAcrossAndBeyondAReadBlockReadAsMapped) {
    generated_captures::FileBuilder file(false);
    file.u32(0xa1b2c3d4).u16(2).u16(4).u32(0).u32(0).u32(262144).u32(1);
    const std::uint32_t sizes[] = {60, 131'000, 131'072, 262'144, 17, 200'001, 1, 65'536, 0};
    std::uint32_t second = 1'700'000'000;
    for (int round = 0; round < 3; ++round)
        for (const auto size : sizes) {
            file.u32(second++).u32(0).u32(size).u32(size);
            file.bytes(generated_captures::frameOctets(size, static_cast<char>(second)));
        }
    testing_support::TemporaryFolder folder;
    const auto path = (folder.path() / "large-frames.pcap").string();
    std::ofstream(path, std::ios::binary) << file.take();

    const auto mapped = readAll(path);
    ASSERT_EQ(mapped.packets.size(), 3 * std::size(sizes));
    EXPECT_EQ(mapped.packets[3].size(), 262'144u);
    EXPECT_EQ(readAll(path, capture::Reading::once).packets, mapped.packets);
    testing_support::PipeFeed feed(folder.path(), path);
    EXPECT_EQ(readAll(feed.path()).packets, mapped.packets);
}

// A file that grows while it is read (a capture still being written) is read up to the
// size it had when it was opened, whichever way it is read.
TEST(CaptureSource, AFileIsReadUpToTheSizeItHadWhenOpened) {
    testing_support::TemporaryFolder folder;
    const auto path = (folder.path() / "growing.pcap").string();
    const auto sample = std::string(RADIUS_SAMPLES_DIR) + "/auth-exchange.pcap";
    const auto whole = readAll(sample);
    ASSERT_FALSE(whole.packets.empty());
    for (const auto reading : {capture::Reading::kept, capture::Reading::once}) {
        std::filesystem::copy_file(sample, path, std::filesystem::copy_options::overwrite_existing);
        auto source = capture::CaptureSource::openFile(path, reading);
        {
            // Half a record header: read, it would end the file in a cut record.
            std::ofstream grown(path, std::ios::binary | std::ios::app);
            grown.write("\x01\x02\x03\x04\x05\x06\x07\x08", 8);
        }
        EXPECT_EQ(readAll(std::move(source)).packets, whole.packets);
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
    // libpcap, loaded when first needed, says what it cannot compile.
    EXPECT_NE(capture::captureFilterError(filter + " or port (("), std::nullopt);
}
