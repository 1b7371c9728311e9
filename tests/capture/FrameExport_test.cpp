// Exporting chosen messages writes every frame that carried them: a message sent in IP
// fragments comes out whole, and nothing else does.
#include "CapturePipeline.hpp"
#include "CaptureSource.hpp"
#include "FrameExport.hpp"
#include "TestSupport.hpp"
#include "ZEMPortsController.hpp"

#include <gtest/gtest.h>

namespace {

struct Read {
    std::uint64_t frames = 0;
    std::vector<std::uint8_t> codes; // of the messages found
};

Read readBack(const std::string& path) {
    auto& ports = zem::ZEMPortsController::sharedPortsController();
    if (!ports.claimForPort(1812, zem::kZEMSourceProtocols::udp))
        ports.addClaim({"RADIUS", zem::ZEMUUID(), 1812, zem::kZEMSourceProtocols::udpTcp, nullptr});
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
