#include "MessageBatch.hpp"

namespace capture {

void MessageBatch::add(const MessageOrigin& origin, zem::ByteView payload) {
    origins_.push_back(origin);
    octets_.insert(octets_.end(), payload.begin(), payload.end());
    ends_.push_back(octets_.size());
}

zem::ByteView MessageBatch::message(std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return zem::ByteView(std::span(octets_).subspan(begin, ends_[i] - begin));
}

void MessageBatch::clear() {
    origins_.clear();
    ends_.clear();
    octets_.clear();
}

} // namespace capture
