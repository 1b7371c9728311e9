#include "CaptureSource.hpp"
#include "PipeFeed.hpp"
#include "TestSupport.hpp"

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
