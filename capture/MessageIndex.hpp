// MessageIndex: one small entry per RADIUS message of an opened capture: where it came
// from, its code, identifier and length, and where its octets are in the MessageStore.
// Enough for a packet list's own columns and its sorting, without a decoded tree.
//
// One thread appends while others read: entries live in blocks that never move, and
// readers see the entries up to the published count.
#pragma once

#include "IPAddress.hpp"
#include "MessageOrigin.hpp"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace capture {

struct IndexedMessage {
    std::uint64_t frame = 0;
    double time = 0; // seconds since 1970
    zem::IPAddress source, destination;
    std::uint16_t sourcePort = 0, destinationPort = 0;
    zem::MessageTransport transport = zem::MessageTransport::udp;
    std::uint8_t code = 0, identifier = 0;
    std::uint32_t length = 0;      // octets of the message
    std::uint64_t storeOffset = 0; // where they are in the store
    // The frame the message ended in, stored beside it (its octets, then a joined
    // transport header for a datagram joined from fragments): at storeOffset + frameAt,
    // before the message when the message lies in it.
    // Packed: an index of millions of messages holds one of these each.
    std::int32_t frameAt = 0;
    std::uint32_t frameCaptured = 0, frameOnWire = 0;
    std::int16_t linkType = -1;
    std::uint8_t joinedHeader = 0; // octets stored after the frame's
    bool frameStored = false;
    std::uint32_t frameStoredLength() const {
        return frameStored ? frameCaptured + joinedHeader : 0;
    }

    /// The origin as the analyses take it; `firstTime` is the capture's first packet's.
    zem::MessageOrigin origin(double firstTime) const;
    /// The carrying frame, given the frameStoredLength() octets read at storeOffset + frameAt.
    zem::CarryingFrame carryingFrame(zem::ByteView stored) const;
};

class MessageIndex {
public:
    MessageIndex();

    /// Entries readers may look at.
    std::size_t size() const { return published_.load(std::memory_order_acquire); }
    const IndexedMessage& operator[](std::size_t i) const {
        return (*blocks_[i >> blockBits])[i & (blockSize - 1)].message;
    }
    /// The first packet's time, for times relative to it.
    double firstTime() const { return firstTime_.load(std::memory_order_acquire); }

    /// Only one thread appends; false when the index is full.
    bool append(const IndexedMessage& message);
    void setFirstTime(double time) { firstTime_.store(time, std::memory_order_release); }
    /// Makes the appended entries visible to readers.
    void publish() { published_.store(appended_, std::memory_order_release); }

private:
    static constexpr unsigned blockBits = 16;
    static constexpr std::size_t blockSize = std::size_t{1} << blockBits;
    static constexpr std::size_t maximumBlocks = 4096; // 268 million messages
    // A slot is written once, when its message is appended: a block is not filled first,
    // which for a window of a million messages would write its megabytes twice.
    union Slot {
        Slot() {}
        IndexedMessage message;
    };
    using Block = std::array<Slot, blockSize>;

    // Reserved once: the block list never moves, so readers need no lock.
    std::vector<std::unique_ptr<Block>> blocks_;
    std::size_t appended_ = 0;
    std::atomic<std::size_t> published_{0};
    std::atomic<double> firstTime_{0};
};

} // namespace capture
