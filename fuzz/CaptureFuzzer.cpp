// Fuzz target for the capture pipeline: link layers, IP with fragment reassembly, UDP and
// TCP stream reassembly, and the layers -V shows for the frame each message ended in. The
// first octet picks the link type; the rest is a run of frames, each a two-octet length
// and that many octets, one millisecond apart. The lines -V writes while it walks the
// layers must be what printing the layers' nodes gives, and a window's index must give
// back each message's origin as it was delivered.
#include "CapturePipeline.hpp"
#include "ClaimedPorts.hpp"
#include "FrameLayers.hpp"
#include "LayerLines.hpp"
#include "MessageIndex.hpp"
#include "Options.hpp"
#include "TreePrinter.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <pcap/dlt.h>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    claimRadiusPorts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr int linkTypes[] = {DLT_EN10MB, DLT_LINUX_SLL, DLT_LINUX_SLL2, DLT_RAW,
                                        DLT_NULL,   DLT_LOOP,      DLT_IPV4,       DLT_IPV6};
    zem::ByteView input(std::span(data, size));
    auto selector = input.at(0);
    if (!selector)
        return 0;
    const int linkType = linkTypes[*selector % std::size(linkTypes)];
    std::uint64_t seen = 0;
    // Every title and value is read, as the tree printer reads them.
    std::function<void(const zem::ZEMNodeProtocol&)> visit = [&](const zem::ZEMNodeProtocol& node) {
        seen += node.title().size() + node.headerLocation().value_or(0) +
                node.headerLength().value_or(0);
        if (const auto* text = std::get_if<zem::ZEMNodeText>(&node.value()))
            seen += text->size();
        for (const auto& child : node.children())
            visit(*child);
    };
    // One index serves many inputs: a new one takes its first block of megabytes, which
    // made each input six times slower under the sanitizers.
    static auto index = std::make_unique<capture::MessageIndex>();
    if (index->size() > 60000)
        index = std::make_unique<capture::MessageIndex>();
    capture::CapturePipeline pipeline([&](const capture::MessageOrigin& origin,
                                          zem::ByteView payload) {
        capture::IndexedMessage entry;
        entry.frame = origin.frame;
        entry.time = origin.time;
        entry.sourcePort = origin.sourcePort;
        entry.destinationPort = origin.destinationPort;
        entry.transport = origin.transport;
        if (!index->append(entry, origin.source, origin.destination))
            __builtin_trap();
        index->publish();
        const auto back = index->origin(index->size() - 1);
        if (back.frame != origin.frame || back.time != origin.time ||
            back.source != origin.source || back.destination != origin.destination ||
            back.sourcePort != origin.sourcePort ||
            back.destinationPort != origin.destinationPort || back.transport != origin.transport)
            __builtin_trap();
        for (auto b : payload)
            seen += b;
        std::string fromNodes, fromLines;
        for (const auto& layer : capture::frameLayers(origin, payload.size())) {
            visit(*layer.node);
            app::appendTree(fromNodes, *layer.node, 1);
        }
        const app::Options everyLayer;
        app::LayerLines lines(fromLines, everyLayer);
        capture::walkFrameLayers(origin, payload.size(), lines);
        if (fromLines != fromNodes)
            __builtin_trap();
    });
    pipeline.describeCarryingFrames(true);
    std::size_t offset = 1;
    double time = 1700000000;
    while (auto length = input.loadBigEndian16(offset)) {
        // Some frames say they were longer on the wire than captured.
        pipeline.frame(linkType, time, input.slice(offset + 2, *length),
                       *length & 1 ? *length + 64u : 0u);
        offset += 2u + *length;
        time += 0.001;
    }
    return seen == 0xFFFFFFFFFFFFFFFF; // keeps the sink's reads from being optimised away
}
