// MessageBatch: captured RADIUS messages kept back-to-back in one buffer, with where each
// came from, so that a run of them can be handed to another thread and recycled.
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
    const MessageOrigin& origin(std::size_t i) const { return origins_[i]; }
    zem::ByteView message(std::size_t i) const;
    void clear();

private:
    std::vector<MessageOrigin> origins_;
    std::vector<std::size_t> ends_; // where each message's octets end in octets_
    zem::ByteBuffer octets_;
};

} // namespace capture
