#include "MessageBatch.hpp"

namespace capture {

void MessageBatch::add(const MessageOrigin& origin, zem::ByteView payload) {
    origins_.push_back(origin);
    if (!origin.carrying.empty()) {
        // Described frames are few and short next to the trees they are shown with.
        frames_.resize(origins_.size() - 1, Placed{0, 0});
        frames_.push_back({octets_.size(), origin.carrying.octets.size()});
        octets_.insert(octets_.end(), origin.carrying.octets.begin(), origin.carrying.octets.end());
        origins_.back().carrying.octets = {};
    }
    placed_.push_back({octets_.size(), payload.size()});
    octets_.insert(octets_.end(), payload.begin(), payload.end());
}

zem::ByteView MessageBatch::message(std::size_t i) const {
    const auto& placed = placed_[i];
    return zem::ByteView(std::span(octets_).subspan(placed.begin, placed.length));
}

zem::CarryingFrame MessageBatch::carryingFrame(std::size_t i) const {
    zem::CarryingFrame frame = origins_[i].carrying;
    if (i < frames_.size() && frames_[i].length != 0)
        frame.octets =
            zem::ByteView(std::span(octets_).subspan(frames_[i].begin, frames_[i].length));
    return frame;
}

void MessageBatch::clear() {
    frames_.clear();
    origins_.clear();
    placed_.clear();
    octets_.clear();
}

} // namespace capture
