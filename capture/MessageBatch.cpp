#include "MessageBatch.hpp"

namespace capture {

void MessageBatch::add(const MessageOrigin& origin, zem::ByteView payload, bool lasting) {
    origins_.push_back(origin);
    if (lasting) {
        placed_.push_back({payload.span().data(), 0, payload.size()});
        return;
    }
    placed_.push_back({nullptr, octets_.size(), payload.size()});
    octets_.insert(octets_.end(), payload.begin(), payload.end());
}

zem::ByteView MessageBatch::message(std::size_t i) const {
    const auto& placed = placed_[i];
    if (placed.lasting)
        return zem::ByteView(std::span(placed.lasting, placed.length));
    return zem::ByteView(std::span(octets_).subspan(placed.begin, placed.length));
}

void MessageBatch::clear() {
    origins_.clear();
    placed_.clear();
    octets_.clear();
}

} // namespace capture
