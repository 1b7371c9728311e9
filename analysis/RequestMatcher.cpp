#include "RequestMatcher.hpp"

namespace analysis {

std::size_t ExchangeKeyHash::operator()(const ExchangeKey& key) const noexcept {
    std::uint64_t h = zem::hashMix(zem::hashMix(0, key.client), key.server);
    h = zem::hashMix(h, (std::uint64_t{key.clientPort} << 32) |
                            (std::uint64_t{key.serverPort} << 16) |
                            (std::uint64_t{key.identifier} << 8) | key.requestCode);
    return static_cast<std::size_t>(h);
}

RequestMatcher::RequestMatcher(double windowSeconds, std::size_t capacity)
    : window_(windowSeconds), capacity_(capacity == 0 ? 1 : capacity) {}

void RequestMatcher::dropAnsweredFront() {
    while (!arrivals_.empty() && arrivals_.front().answered) {
        arrivals_.pop_front();
        ++frontSequence_;
    }
}

void RequestMatcher::giveUpOldest() {
    dropAnsweredFront();
    if (arrivals_.empty())
        return;
    byKey_.erase(arrivals_.front().key);
    arrivals_.pop_front();
    ++frontSequence_;
    ++givenUp_;
}

void RequestMatcher::giveUpBefore(double time) {
    dropAnsweredFront();
    while (!arrivals_.empty() && arrivals_.front().firstSent < time - window_)
        giveUpOldest();
}

void RequestMatcher::closeGaps() {
    // Answered requests behind an old waiting one: renumber the waiting from the front.
    std::deque<Arrival> waiting;
    for (auto& arrival : arrivals_)
        if (!arrival.answered) {
            byKey_[arrival.key] = frontSequence_ + waiting.size();
            waiting.push_back(std::move(arrival));
        }
    arrivals_.swap(waiting);
}

bool RequestMatcher::addRequest(const ExchangeKey& key, double time) {
    giveUpBefore(time);
    if (byKey_.contains(key))
        return false;
    if (byKey_.size() >= capacity_)
        giveUpOldest();
    byKey_.emplace(key, frontSequence_ + arrivals_.size());
    arrivals_.push_back({key, time});
    return true;
}

std::optional<double> RequestMatcher::matchResponse(const ExchangeKey& key, double time) {
    giveUpBefore(time);
    auto found = byKey_.find(key);
    if (found == byKey_.end())
        return std::nullopt;
    auto& arrival = arrivals_[found->second - frontSequence_];
    arrival.answered = true;
    const double firstSent = arrival.firstSent;
    byKey_.erase(found);
    dropAnsweredFront();
    if (arrivals_.size() > 2 * byKey_.size() + 1024)
        closeGaps();
    return firstSent;
}

} // namespace analysis
