// MessageBatch: captured RADIUS messages with where each came from, so that a run of them
// can be handed to another thread and recycled. A message whose octets last (inside a
// mapped capture file) is kept as a view; any other is copied into the batch's buffer.
// The frame a message ended in, when the reader described it, is copied too.
#pragma once

#include "ByteView.hpp"
#include "CapturePipeline.hpp"

#include <cstddef>
#include <vector>

namespace capture {

class MessageBatch {
public:
    /// `lasting`: the payload's octets outlive the batch, so it need not be copied.
    void add(const MessageOrigin& origin, zem::ByteView payload, bool lasting = false);
    std::size_t size() const { return origins_.size(); }
    bool empty() const { return origins_.empty(); }
    /// The origin without its carrying frame, which carryingFrame() answers.
    const MessageOrigin& origin(std::size_t i) const { return origins_[i]; }
    zem::CarryingFrame carryingFrame(std::size_t i) const;
    bool describesFrames() const { return !frames_.empty(); }
    zem::ByteView message(std::size_t i) const;
    void clear();

private:
    struct Placed {
        const std::uint8_t* lasting; // the message's own octets, or null: in octets_
        std::size_t begin, length;   // in octets_ when copied
    };
    std::vector<MessageOrigin> origins_;
    std::vector<Placed> placed_;
    std::vector<Placed> frames_; // one per message when any frame was described
    zem::ByteBuffer octets_;
};

} // namespace capture
