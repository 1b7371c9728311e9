#include "FramedOctets.hpp"

namespace capture {

std::size_t FramedOctets::append(zem::ByteView data, std::span<const std::uint64_t> frames) {
    if (buffer_.size() + data.size() > maximumBufferedOctets) {
        const std::size_t dropped = buffer_.size() + data.size();
        consumed_ += dropped;
        buffer_.clear();
        carriers_.clear();
        return dropped;
    }
    if (data.empty())
        return 0;
    const std::uint64_t begin = consumed_ + buffer_.size();
    buffer_.insert(buffer_.end(), data.begin(), data.end());
    const std::uint64_t end = begin + data.size();
    for (auto frame : frames) {
        // Consecutive pieces of one frame stay one carrier.
        if (!carriers_.empty() && carriers_.back().frame == frame && carriers_.back().end == begin)
            carriers_.back().end = end;
        else
            carriers_.push_back({frame, begin, end});
    }
    return 0;
}

std::span<const std::uint64_t> FramedOctets::framesOf(std::uint64_t from, std::size_t length) {
    const std::uint64_t to = from + length;
    unitFrames_.clear();
    for (const auto& carrier : carriers_)
        if (carrier.begin < to && carrier.end > from &&
            (unitFrames_.empty() || unitFrames_.back() != carrier.frame))
            unitFrames_.push_back(carrier.frame);
    return unitFrames_;
}

void FramedOctets::consume(std::size_t octets) {
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(octets));
    consumed_ += octets;
    while (!carriers_.empty() && carriers_.front().end <= consumed_)
        carriers_.pop_front();
}

} // namespace capture
