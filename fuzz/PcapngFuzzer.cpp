// Fuzz target for capture files as the command line and the window read them: the input
// is a whole pcap or pcapng file, read by the capture file reader into the pipeline, and
// every other frame copied with the blocks it depends on, as -w copies them.
#include "CaptureFileReader.hpp"
#include "CapturePipeline.hpp"
#include "ClaimedPorts.hpp"
#include "FrameWriter.hpp"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

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
        capture::FrameWriter copy("/dev/null", stdout,
                                  {reader->linkType(), reader->snapshotLength(), reader->isPcapng(),
                                   reader->finerThanMicroseconds(), true});
        capture::CapturedPacket packet;
        for (std::uint64_t frame = 1; reader->next(packet); ++frame) {
            // A frame's octets lie within the record that is copied for it.
            const auto record = packet.record;
            const auto octets = packet.bytes.span();
            if (!octets.empty() && (octets.data() < record.data() ||
                                    octets.data() + octets.size() > record.data() + record.size()))
                std::abort();
            copy.followStructure(reader->structure());
            copy.retain(frame, packet);
            if (frame % 2 == 1) {
                const std::uint64_t one[] = {frame};
                copy.write(one);
            }
            pipeline.frame(reader->linkType(), packet.time, packet.bytes);
        }
        copy.followStructure(reader->structure());
        copy.close();
    } catch (const capture::CaptureError&) {
        // A file that is no capture, or a damaged one, is an error; that is the contract.
    }
    return seen == UINT64_MAX;
}
