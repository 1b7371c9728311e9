// MessageBatch: captured RADIUS messages with where each came from, so that a run of them
// can be handed to another thread and recycled. Each message is copied into the batch's
// buffer, and so is the frame it ended in when the reader described it: the reader's own
// buffer is used again for what comes next.
//
// What the reading thread writes here, another processor reads, and the batch then comes
// back to be written again. The messages and their origins are written past the caches
// (HandoverOctets), and an origin is kept in 48 octets (both IPv4 addresses in place), not
// as the 120-octet MessageOrigin it is handed over as: every line a batch takes crossed
// between the processors.
#pragma once

#include "ByteView.hpp"
#include "CapturePipeline.hpp"
#include "HandoverOctets.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace capture {

class MessageBatch {
public:
    void add(const MessageOrigin& origin, zem::ByteView payload);
    std::size_t size() const { return kept_.size(); }
    bool empty() const { return kept_.empty(); }
    /// The origin as it was added, without its carrier frames (valid only while the reader
    /// hands a message over) and its carrying frame's octets, which carryingFrame() answers.
    MessageOrigin origin(std::size_t i) const;
    zem::CarryingFrame carryingFrame(std::size_t i) const;
    /// Ask for message `i`'s origin ahead of its use: streamed past the caches, it comes
    /// from memory. Asked for first, since prefetchMessage() reads the octets' place in it.
    void prefetchOrigin(std::size_t i) const { kept_.prefetch(i); }
    /// Ask for message `i`'s octets and its frame's ahead of their use.
    void prefetchMessage(std::size_t i) const;
    bool describesFrames() const { return describesFrames_; }
    zem::ByteView message(std::size_t i) const;
    void clear();
    /// Makes the batch visible to other threads: called before it is handed over.
    static void publish() { HandoverOctets::publish(); }

private:
    // A batch's octets stay far below 4 GB: at most a few thousand messages of at most
    // 64 KB, and their frames.
    struct Kept {
        std::uint64_t frame;
        double time, relativeTime;
        std::uint32_t begin, length; // the message's octets in octets_
        // With `inPlace`, both IPv4 addresses' octets; else both are pairs6_[source].
        std::uint32_t source, destination;
        std::uint16_t sourcePort, destinationPort;
        zem::MessageTransport transport;
        bool inPlace;
    };
    static_assert(sizeof(Kept) == 48);
    struct KeptFrame {
        zem::CarryingFrame frame; // without its octets, which lie in octets_
        std::uint32_t begin = 0, length = 0;
    };
    struct AddressPair {
        zem::IPAddress source, destination;
    };
    HandoverRows<Kept> kept_;
    std::vector<KeptFrame> frames_; // one per message once any was added with a frame
    bool describesFrames_ = false;  // some message was added with its frame's octets
    std::vector<AddressPair> pairs6_;
    HandoverOctets octets_;
};

} // namespace capture
