#include "MessageIndex.hpp"

#include <memory>

namespace capture {

// A window's index holds one entry per message, millions of them.
static_assert(sizeof(IndexedMessage) <= 88);

zem::MessageOrigin IndexedMessage::origin(double firstTime) const {
    zem::MessageOrigin o;
    o.frame = frame;
    o.time = time;
    o.relativeTime = time - firstTime;
    o.source = source;
    o.destination = destination;
    o.sourcePort = sourcePort;
    o.destinationPort = destinationPort;
    o.transport = transport;
    return o;
}

zem::CarryingFrame IndexedMessage::carryingFrame(zem::ByteView stored) const {
    zem::CarryingFrame carrying;
    carrying.octets = stored;
    carrying.capturedLength = frameCaptured;
    carrying.wireLength = frameOnWire;
    carrying.linkType = linkType;
    if (frameAt <= 0)
        carrying.messageOffset = static_cast<std::uint32_t>(-frameAt);
    return carrying;
}

MessageIndex::MessageIndex() {
    blocks_.reserve(maximumBlocks);
}

bool MessageIndex::append(const IndexedMessage& message) {
    const std::size_t block = appended_ >> blockBits;
    if (block >= maximumBlocks)
        return false;
    if (block == blocks_.size())
        blocks_.push_back(std::make_unique_for_overwrite<Block>());
    std::construct_at(&(*blocks_[block])[appended_ & (blockSize - 1)].message, message);
    ++appended_;
    return true;
}

} // namespace capture
