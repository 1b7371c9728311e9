// MessageBatch: captured RADIUS messages with where each came from, so that a run of them
// can be handed to another thread and recycled. Each message is copied into the batch's
// buffer, and so is the frame it ended in when the reader described it: the reader's own
// buffer is used again for what comes next.
#pragma once

#include "ByteView.hpp"
#include "CapturePipeline.hpp"

#include <cstddef>
#include <vector>

namespace capture {

class MessageBatch {
public:
    void add(const MessageOrigin& origin, zem::ByteView payload);
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
        std::size_t begin, length; // in octets_
    };
    std::vector<MessageOrigin> origins_;
    std::vector<Placed> placed_;
    std::vector<Placed> frames_; // one per message when any frame was described
    zem::ByteBuffer octets_;
};

} // namespace capture
