// Fuzz target for capture files as the command line and the window read them: the input
// is a whole pcap or pcapng file, read through the capture source into the pipeline.
#include "CapturePipeline.hpp"
#include "CaptureSource.hpp"
#include "ClaimedPorts.hpp"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    claimRadiusPorts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!stream)
        return 0;
    std::uint64_t seen = 0;
    try {
        auto source = capture::CaptureSource::openStream(stream, "fuzz");
        capture::CapturePipeline pipeline(
            [&](const zem::MessageOrigin&, zem::ByteView payload) { seen += payload.size(); });
        capture::CapturedPacket packet;
        while (source.next(packet) == capture::CaptureSource::Next::packet)
            pipeline.frame(source.linkType(), packet.time, packet.bytes);
    } catch (const capture::CaptureError&) {
        // A file that is no capture, or a damaged one, is an error; that is the contract.
    }
    return seen == UINT64_MAX;
}
