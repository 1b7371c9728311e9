// Exporting chosen messages writes every frame that carried them: a message sent in IP
// fragments comes out whole, and nothing else does.
#include "CapturePipeline.hpp"
#include "CaptureSource.hpp"
#include "ClaimedPorts.hpp"
#include "FrameExport.hpp"
#include "TestSupport.hpp"

#include <filesystem>
#include <gtest/gtest.h>
#include <pcap/pcap.h>

namespace {

struct Read {
    std::uint64_t frames = 0;
    std::vector<std::uint8_t> codes; // of the messages found
};

Read readBack(const std::string& path) {
    testing_support::claimRadiusPorts();
    Read read;
    auto source = capture::CaptureSource::openFile(path);
    capture::CapturePipeline pipeline([&](const zem::MessageOrigin&, zem::ByteView payload) {
        read.codes.push_back(payload.at(0).value_or(0));
    });
    capture::CapturedPacket packet;
    while (source.next(packet) == capture::CaptureSource::Next::packet)
        pipeline.frame(source.linkType(), packet.time, packet.bytes);
    read.frames = pipeline.frames();
    return read;
}

} // namespace

TEST(FrameExport, AMessageInFragmentsComesOutWhole) {
    testing_support::TemporaryFolder folder;
    const std::string input = std::string(RADIUS_SAMPLES_DIR) + "/fragmented-eap-ipv4.pcap";
    const auto everything = readBack(input);
    ASSERT_EQ(everything.codes.size(), 2u);
    for (const bool pcapng : {false, true}) {
        const auto output = (folder.path() / (pcapng ? "one.pcapng" : "one.pcap")).string();
        capture::exportMessageFrames(input, output, {3}, pcapng); // the fragmented request
        const auto exported = readBack(output);
        EXPECT_EQ(exported.frames, 3u) << pcapng; // its three fragments, not the answer
        EXPECT_EQ(exported.codes, std::vector<std::uint8_t>{1});
    }
}

namespace {

std::vector<std::int64_t> timesOf(const std::string& path) {
    std::vector<std::int64_t> times;
    auto source = capture::CaptureSource::openFile(path);
    capture::CapturedPacket packet;
    while (source.next(packet) == capture::CaptureSource::Next::packet)
        times.push_back(packet.nanoseconds);
    return times;
}

// A copy of a pcap file in nanoseconds, each time moved by a few nanoseconds so that a
// copy through microseconds would lose them.
std::string inNanoseconds(const std::string& input, const std::filesystem::path& folder) {
    char error[PCAP_ERRBUF_SIZE];
    pcap_t* in =
        pcap_open_offline_with_tstamp_precision(input.c_str(), PCAP_TSTAMP_PRECISION_NANO, error);
    EXPECT_NE(in, nullptr) << error;
    const auto path = (folder / "nanoseconds.pcap").string();
    pcap_dumper_t* out = pcap_dump_open(in, path.c_str());
    pcap_pkthdr* header;
    const u_char* data;
    for (long moved = 1; pcap_next_ex(in, &header, &data) == 1; moved += 111) {
        pcap_pkthdr copy = *header;
        copy.ts.tv_usec += moved;
        pcap_dump(reinterpret_cast<u_char*>(out), &copy, data);
    }
    pcap_dump_close(out);
    pcap_close(in);
    return path;
}

} // namespace

TEST(FrameExport, TimesInNanosecondsStayNanoseconds) {
    testing_support::claimRadiusPorts();
    testing_support::TemporaryFolder folder;
    const auto input =
        inNanoseconds(std::string(RADIUS_SAMPLES_DIR) + "/auth-exchange.pcap", folder.path());
    const auto times = timesOf(input);
    ASSERT_EQ(times.size(), 8u);
    ASSERT_NE(times[1] % 1000, 0); // finer than microseconds
    for (const bool pcapng : {false, true}) {
        SCOPED_TRACE(pcapng ? "pcapng" : "pcap");
        const auto output = (folder.path() / (pcapng ? "all.pcapng" : "all.pcap")).string();
        capture::exportMessageFrames(input, output, {1, 2, 3, 4, 5, 6, 7, 8}, pcapng);
        EXPECT_EQ(timesOf(output), times);
    }
}
