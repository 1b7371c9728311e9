// MessageIndex: one small entry per RADIUS message of an opened capture: where it came
// from, its code, identifier and length, and where its octets are in the MessageStore.
// Enough for a packet list's own columns and its sorting, without a decoded tree.
//
// One thread appends while others read: entries live in blocks that never move, and
// readers see the entries up to the published count.
#pragma once

#include "IPAddress.hpp"
#include "MessageOrigin.hpp"
#include "PublishedBlocks.hpp"

#include <atomic>
#include <cstdint>

namespace capture {

// Packed: a window's index of millions of messages is fresh memory, and on the machines we
// measure the first touch of fresh memory costs more than writing it. IPv4 addresses are
// kept in the entry; a message between IPv6 addresses keeps the number of its pair in the
// index's table of them.
struct IndexedMessage {
    std::uint64_t frame = 0;
    double time = 0;               // seconds since 1970
    std::uint64_t storeOffset = 0; // where the message's octets are in the store
    std::uint32_t length = 0;      // octets of the message
    // The frame the message ended in, stored beside it (its octets, then a joined
    // transport header for a datagram joined from fragments): at storeOffset + frameAt,
    // before the message when the message lies in it.
    std::int32_t frameAt = 0;
    std::uint32_t frameCaptured = 0, frameOnWire = 0;
    std::uint16_t sourcePort = 0, destinationPort = 0;
    std::int16_t linkType = -1;
    zem::MessageTransport transport = zem::MessageTransport::udp;
    std::uint8_t code = 0, identifier = 0;
    std::uint8_t joinedHeader = 0; // octets stored after the frame's
    bool frameStored = false;
    std::uint32_t frameStoredLength() const {
        return frameStored ? frameCaptured + joinedHeader : 0;
    }

    /// The carrying frame, given the frameStoredLength() octets read at storeOffset + frameAt.
    zem::CarryingFrame carryingFrame(zem::ByteView stored) const;

private:
    friend class MessageIndex;
    bool addressesAside_ = false;
    // The IPv4 addresses' octets, or both the number of the IPv6 pair.
    std::uint32_t source_ = 0, destination_ = 0;
};

class MessageIndex {
public:
    /// Entries readers may look at.
    std::size_t size() const { return published_.load(std::memory_order_acquire); }
    const IndexedMessage& operator[](std::size_t i) const { return entries_[i]; }
    zem::IPAddress source(std::size_t i) const;
    zem::IPAddress destination(std::size_t i) const;
    /// The origin as the analyses take it, without the carrying frame.
    zem::MessageOrigin origin(std::size_t i) const;
    /// The first packet's time, for times relative to it.
    double firstTime() const { return firstTime_.load(std::memory_order_acquire); }

    /// Only one thread appends; false when the index is full.
    bool append(IndexedMessage message, const zem::IPAddress& source,
                const zem::IPAddress& destination);
    void setFirstTime(double time) { firstTime_.store(time, std::memory_order_release); }
    /// Makes the appended entries visible to readers.
    void publish() { published_.store(entries_.size(), std::memory_order_release); }

private:
    struct AddressPair {
        zem::IPAddress source, destination;
    };
    // Writes the entry's source address, or its destination's, into `address`: from the
    // entry itself or from its pair. In place, as the batches write theirs (setIPv4): the
    // window's linking makes an origin for every message.
    void writeEndpoint(const IndexedMessage& entry, bool source, zem::IPAddress& address) const;

    PublishedBlocks<IndexedMessage, 16, 4096> entries_; // 268 million messages
    PublishedBlocks<AddressPair, 16, 4096> pairs_;      // as many IPv6 pairs
    std::atomic<std::size_t> published_{0};
    std::atomic<double> firstTime_{0};
};

} // namespace capture
