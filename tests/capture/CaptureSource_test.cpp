#include "CaptureSource.hpp"
#include "TestSupport.hpp"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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
        const auto fifo = (folder.path() / "capture.fifo").string();
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        std::thread feed([&] {
            std::ifstream in(c.capture, std::ios::binary);
            const std::string octets((std::istreambuf_iterator<char>(in)), {});
            const int out = ::open(fifo.c_str(), O_WRONLY);
            for (std::size_t at = 0; out >= 0 && at < octets.size();) {
                const auto n = ::write(out, octets.data() + at, octets.size() - at);
                if (n <= 0)
                    break;
                at += static_cast<std::size_t>(n);
            }
            ::close(out);
        });
        const auto piped = readAll(fifo);
        feed.join();
        EXPECT_EQ(piped.pcapng, c.pcapng);
        EXPECT_EQ(piped.packets, direct.packets);
    }
}

} // namespace
