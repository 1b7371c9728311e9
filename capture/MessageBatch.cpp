#include "MessageBatch.hpp"

#include "PlainIPv4.hpp"

#include <algorithm>
#include <cstring>
#include <optional>

namespace capture {

namespace {

bool isDefault(const zem::CarryingFrame& frame) {
    return frame.empty() && frame.capturedLength == 0 && frame.wireLength == 0 &&
           frame.linkType == -1 && !frame.messageOffset;
}

std::uint32_t appendOctets(HandoverOctets& octets, zem::ByteView added) {
    return static_cast<std::uint32_t>(octets.append(added.span()));
}

} // namespace

void MessageBatch::add(const MessageOrigin& origin, zem::ByteView payload) {
    Kept kept{};
    kept.frame = origin.frame;
    kept.time = origin.time;
    kept.relativeTime = origin.relativeTime;
    kept.sourcePort = origin.sourcePort;
    kept.destinationPort = origin.destinationPort;
    kept.transport = origin.transport;
    const auto source = plainIPv4(origin.source), destination = plainIPv4(origin.destination);
    kept.inPlace = source && destination;
    if (kept.inPlace) {
        kept.source = *source;
        kept.destination = *destination;
    } else {
        kept.source = kept.destination = static_cast<std::uint32_t>(pairs6_.size());
        pairs6_.push_back({origin.source, origin.destination});
    }
    if (!isDefault(origin.carrying) || !frames_.empty()) {
        // Described frames are few and short next to the trees they are shown with.
        frames_.resize(kept_.size());
        KeptFrame& frame = frames_.emplace_back();
        frame.frame = origin.carrying;
        frame.frame.octets = {};
        frame.length = static_cast<std::uint32_t>(origin.carrying.octets.size());
        frame.begin = appendOctets(octets_, origin.carrying.octets);
        describesFrames_ = describesFrames_ || frame.length > 0;
    }
    kept.length = static_cast<std::uint32_t>(payload.size());
    kept.begin = appendOctets(octets_, payload);
    kept_.push(kept);
}

zem::ByteView MessageBatch::message(std::size_t i) const {
    const Kept kept = kept_[i];
    return zem::ByteView(octets_.view(kept.begin, kept.length));
}

void MessageBatch::prefetchMessage(std::size_t i) const {
    // What a walk of a usual message reads, and the frame's layer headers.
    constexpr std::size_t messageOctets = 256, frameOctets = 128;
    const Kept kept = kept_[i];
    zem::prefetchOctets(octets_.view(kept.begin, 0).data(),
                        std::min<std::size_t>(kept.length, messageOctets));
    if (i < frames_.size())
        zem::prefetchOctets(octets_.view(frames_[i].begin, 0).data(),
                            std::min<std::size_t>(frames_[i].length, frameOctets));
}

MessageOrigin MessageBatch::origin(std::size_t i) const {
    const Kept kept = kept_[i];
    MessageOrigin origin;
    origin.frame = kept.frame;
    origin.time = kept.time;
    origin.relativeTime = kept.relativeTime;
    if (kept.inPlace) {
        setIPv4(origin.source, kept.source);
        setIPv4(origin.destination, kept.destination);
    } else {
        origin.source = pairs6_[kept.source].source;
        origin.destination = pairs6_[kept.source].destination;
    }
    origin.sourcePort = kept.sourcePort;
    origin.destinationPort = kept.destinationPort;
    origin.transport = kept.transport;
    if (i < frames_.size())
        origin.carrying = frames_[i].frame;
    return origin;
}

zem::CarryingFrame MessageBatch::carryingFrame(std::size_t i) const {
    if (i >= frames_.size())
        return {};
    const KeptFrame& kept = frames_[i];
    zem::CarryingFrame frame = kept.frame;
    if (kept.length != 0)
        frame.octets = zem::ByteView(octets_.view(kept.begin, kept.length));
    return frame;
}

void MessageBatch::clear() {
    kept_.clear();
    frames_.clear();
    describesFrames_ = false;
    pairs6_.clear();
    octets_.clear();
}

} // namespace capture
