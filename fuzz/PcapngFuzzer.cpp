// Fuzz target for capture files as the command line and the window read them: the input
// is a whole pcap or pcapng file, read by the capture file reader into the pipeline.
#include "CaptureFileReader.hpp"
#include "CapturePipeline.hpp"
#include "ClaimedPorts.hpp"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    claimRadiusPorts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t seen = 0;
    try {
        auto reader = capture::CaptureFileReader::open(capture::CaptureBytes::view({data, size}));
        capture::CapturePipeline pipeline(
            [&](const zem::MessageOrigin&, zem::ByteView payload) { seen += payload.size(); });
        capture::CapturedPacket packet;
        while (reader->next(packet))
            pipeline.frame(reader->linkType(), packet.time, packet.bytes);
    } catch (const capture::CaptureError&) {
        // A file that is no capture, or a damaged one, is an error; that is the contract.
    }
    return seen == UINT64_MAX;
}
