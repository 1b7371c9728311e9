// -V writes a frame's layers as lines while it reads them; the window and -O's TLS frames
// build them as nodes. Both come from one walk, and the lines must be what printing the
// nodes gives, for every frame of every sample and public capture, whatever -O keeps.
#include "CapturePipeline.hpp"
#include "CaptureSource.hpp"
#include "FrameLayers.hpp"
#include "LayerLines.hpp"
#include "Options.hpp"
#include "TreePrinter.hpp"
#include "UsualRadiusPorts.hpp"
#include "ZEMUUID.hpp"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;

void claimRadiusPorts() {
    auto& ports = zem::ZEMPortsController::sharedPortsController();
    for (const std::int64_t port : {1812, 1813})
        if (!ports.claimForPort(port, zem::kZEMSourceProtocols::udp))
            ports.addClaim(
                {"RADIUS", zem::ZEMUUID(), port, zem::kZEMSourceProtocols::udpTcp, nullptr});
    if (!ports.claimForPort(3799, zem::kZEMSourceProtocols::udp))
        zem::claimUsualRadiusPorts(ports, "RADIUS", nullptr);
}

std::vector<fs::path> captures() {
    std::vector<fs::path> found;
    for (const auto& folder :
         {fs::path(RADIUS_SAMPLES_DIR), fs::path(RADIUS_SHARED_DIR) / "captures"}) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            const auto extension = entry.path().extension();
            if (extension == ".pcap" || extension == ".pcapng" || extension == ".cap")
                found.push_back(entry.path());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string keyLogs() {
    std::string text;
    for (const auto* name : {"radsec-tls12.keys", "radsec-tls13.keys"}) {
        std::ifstream file(fs::path(RADIUS_SAMPLES_DIR) / name);
        std::ostringstream read;
        read << file.rdbuf();
        text += read.str();
    }
    return text;
}

// What printing frameLayers' nodes gives, next to what the lines give.
struct Printed {
    std::string fromNodes, fromLines;
};

Printed printed(const zem::MessageOrigin& origin, std::optional<std::size_t> messageLength,
                const app::Options& options) {
    Printed both;
    for (const auto& layer : capture::frameLayers(origin, messageLength))
        if (app::showsDetailOf(options, layer.protocol))
            app::appendTree(both.fromNodes, *layer.node, 1);
    app::LayerLines lines(both.fromLines, options);
    capture::walkFrameLayers(origin, messageLength, lines);
    return both;
}

} // namespace

TEST(LayerLines, AreWhatPrintingTheLayersNodesGives) {
    claimRadiusPorts();
    const auto keys = keyLogs();
    app::Options every, network, links;
    network.detailProtocols = {{"ip", "ipv6", "udp"}};
    links.detailProtocols = {{"frame", "eth", "vlan", "sll", "null", "raw", "tcp", "tls", "dtls"}};
    std::size_t compared = 0;
    for (const auto& path : captures()) {
        SCOPED_TRACE(path.string());
        auto source = capture::CaptureSource::openFile(path.string());
        const auto compare = [&](const zem::MessageOrigin& origin,
                                 std::optional<std::size_t> messageLength) {
            for (const auto* options : {&every, &network, &links}) {
                const auto both = printed(origin, messageLength, *options);
                ASSERT_EQ(both.fromLines, both.fromNodes) << "frame " << origin.frame;
            }
            ++compared;
        };
        capture::CapturePipeline pipeline(
            [&](const zem::MessageOrigin& origin, zem::ByteView message) {
                compare(origin, message.size());
            });
        pipeline.describeCarryingFrames(true);
        pipeline.addTlsSecrets(keys);
        pipeline.showTlsFrames([&](const zem::MessageOrigin& origin, auto, zem::ByteView) {
            compare(origin, std::nullopt);
        });
        std::size_t taken = 0;
        capture::CapturedPacket packet;
        try {
            while (source.next(packet) == capture::CaptureSource::Next::packet) {
                pipeline.addTlsSecretsOf(source.decryptionSecrets(), taken);
                pipeline.frame(source.linkType(), packet.time, packet.bytes, packet.originalLength);
            }
        } catch (const capture::CaptureError&) {
            // A capture cut short: the frames before the cut were compared.
        }
    }
    // Every link type, IPv6, fragments, TCP and TLS are among the samples.
    EXPECT_GT(compared, 500u);
}
