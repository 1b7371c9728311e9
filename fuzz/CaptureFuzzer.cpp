// Fuzz target for the capture pipeline: link layers, IP with fragment reassembly, UDP and
// TCP stream reassembly. The first octet picks the link type; the rest is a run of frames,
// each a two-octet length and that many octets, one millisecond apart.
#include "CapturePipeline.hpp"
#include "ClaimedPorts.hpp"

#include <cstdint>
#include <pcap/dlt.h>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    claimRadiusPorts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr int linkTypes[] = {DLT_EN10MB, DLT_LINUX_SLL, DLT_LINUX_SLL2,
                                        DLT_RAW,    DLT_NULL,      DLT_LOOP};
    zem::ByteView input(std::span(data, size));
    auto selector = input.at(0);
    if (!selector)
        return 0;
    const int linkType = linkTypes[*selector % std::size(linkTypes)];
    std::uint64_t seen = 0;
    capture::CapturePipeline pipeline([&](const capture::MessageOrigin&, zem::ByteView payload) {
        for (auto b : payload)
            seen += b;
    });
    std::size_t offset = 1;
    double time = 1700000000;
    while (auto length = input.loadBigEndian16(offset)) {
        pipeline.frame(linkType, time, input.slice(offset + 2, *length));
        offset += 2u + *length;
        time += 0.001;
    }
    return seen == 0xFFFFFFFFFFFFFFFF; // keeps the sink's reads from being optimised away
}
