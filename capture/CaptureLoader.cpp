#include "CaptureLoader.hpp"

#include "CapturePipeline.hpp"

#include <chrono>

namespace capture {

void CaptureLoader::cancel() {
    cancelled_ = true;
    if (auto* source = source_.load())
        source->interrupt();
}

void CaptureLoader::add(const zem::MessageOrigin& origin, zem::ByteView message) {
    if (full_)
        return;
    if (!firstTimeKnown_) {
        // Every origin counts from the capture's first packet.
        index_.setFirstTime(origin.time - origin.relativeTime);
        firstTimeKnown_ = true;
    }
    IndexedMessage entry;
    entry.frame = origin.frame;
    entry.time = origin.time;
    entry.sourcePort = origin.sourcePort;
    entry.destinationPort = origin.destinationPort;
    entry.transport = origin.transport;
    entry.code = message.at(0).value_or(0);
    entry.identifier = message.at(1).value_or(0);
    entry.length = static_cast<std::uint32_t>(message.size());
    // The frame is kept for the layers under the message; a message that lies in it is
    // stored once, inside it, and a frame that lies in a mapped file is not copied at all.
    const auto& frame = origin.carrying;
    if (frame.messageOffset) {
        entry.storeOffset = store_.keep(frame.octets) + *frame.messageOffset;
        entry.frameAt = -static_cast<std::int32_t>(*frame.messageOffset);
    } else {
        entry.storeOffset = store_.append(message);
        if (!frame.empty())
            store_.append(frame.octets);
        entry.frameAt = static_cast<std::int32_t>(message.size());
    }
    entry.frameStored = !frame.empty();
    entry.frameCaptured = frame.capturedLength;
    entry.joinedHeader = static_cast<std::uint8_t>(frame.octets.size() - frame.capturedLength);
    entry.frameOnWire = frame.wireLength;
    entry.linkType = static_cast<std::int16_t>(frame.linkType);
    full_ = !index_.append(entry, origin.source, origin.destination);
}

void CaptureLoader::publish() {
    store_.publish();
    index_.publish();
}

std::string CaptureLoader::load(CaptureSource& source) {
    source_ = &source;
    // Before any message is kept, and so before any reader looks at the store.
    store_.borrow(source.lastingShare());
    if (cancelled_)
        source.interrupt();
    std::string failure;
    CapturePipeline pipeline(
        [this](const zem::MessageOrigin& origin, zem::ByteView message) { add(origin, message); });
    pipeline.addTlsSecrets(tlsKeyLog_);
    pipeline.describeCarryingFrames(true);
    std::size_t secretsTaken = 0;
    // Published often at first, so that the first rows show at once, then every fiftieth
    // of a second, so that what follows the loader (the window's exchange links) keeps
    // close behind it.
    using Clock = std::chrono::steady_clock;
    auto lastPublished = Clock::now();
    std::uint64_t nextCheck = 256;
    try {
        const int linkType = source.linkType();
        const bool live = source.isLive();
        CapturedPacket packet;
        const auto& secrets = source.decryptionSecrets();
        while (!cancelled_) {
            const auto next = source.next(packet);
            if (next == CaptureSource::Next::timeout) {
                publish();
                continue;
            }
            if (next != CaptureSource::Next::packet)
                break;
            pipeline.addTlsSecretsOf(secrets, secretsTaken);
            pipeline.frame(linkType, packet.time, packet.bytes, packet.originalLength);
            const auto n = packets_.fetch_add(1, std::memory_order_relaxed) + 1;
            if (n >= nextCheck) {
                nextCheck = n + 4096;
                if (auto share = source.fractionRead())
                    fraction_.store(*share, std::memory_order_relaxed);
                const auto now = Clock::now();
                if (n <= 4096 || now - lastPublished > std::chrono::milliseconds(20)) {
                    publish();
                    lastPublished = now;
                }
            }
            if (live) // each packet shows as it arrives
                publish();
        }
    } catch (const CaptureError& error) {
        failure = error.what();
    }
    try {
        publish();
    } catch (const CaptureError& error) {
        if (failure.empty())
            failure = error.what();
    }
    source_ = nullptr;
    if (full_ && failure.empty())
        failure = "the capture holds more messages than a window can list; the rest were left out";
    return failure;
}

} // namespace capture
