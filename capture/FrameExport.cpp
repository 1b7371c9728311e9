#include "FrameExport.hpp"

#include "CapturePipeline.hpp"
#include "CaptureSource.hpp"
#include "FrameWriter.hpp"

#include <cstdio>

namespace capture {

void exportMessageFrames(const std::string& input, const std::string& output,
                         const std::unordered_set<std::uint64_t>& messageFrames, bool pcapng) {
    auto source = CaptureSource::openFile(input, Reading::once);
    // Written in the input's own form, the chosen frames' records are copied as they are.
    FrameWriter writer(output, stdout,
                       {source.linkType(), source.snapshotLength(), pcapng,
                        source.finerThanMicroseconds(), pcapng == source.isPcapng()});
    // The file is read again through the same layers, so that a message's every carrier
    // is known, as when it was first read.
    CapturePipeline pipeline([&](const MessageOrigin& origin, zem::ByteView) {
        if (messageFrames.contains(origin.frame))
            writer.write(origin.carrierFrames);
    });
    CapturedPacket packet;
    std::size_t secretsTaken = 0;
    try {
        while (source.next(packet) == CaptureSource::Next::packet) {
            writer.followStructure(source.structure());
            writer.retain(pipeline.frames() + 1, packet);
            // The keys go along, and open the RADIUS messages inside TLS here as they did
            // when the file was first read.
            const auto& secrets = source.decryptionSecrets();
            writer.addSecrets(std::span(secrets).subspan(secretsTaken));
            pipeline.addTlsSecretsOf(secrets, secretsTaken);
            pipeline.frame(source.linkType(), packet.time, packet.bytes);
        }
    } catch (const CaptureError&) {
        // A file that ends early: the window showed the messages before the damage, and
        // those are what can be exported.
    }
    writer.followStructure(source.structure()); // blocks after the last frame
    writer.close();
}

} // namespace capture
