#include "RequestMatcher.hpp"

#include <cstring>

namespace analysis {

std::size_t ExchangeKeyHash::operator()(const ExchangeKey& key) const noexcept {
    // Mixes the addresses eight octets at a time; the rest fits in one word.
    std::uint64_t h = 0x9E3779B97F4A7C15ULL;
    auto mix = [&h](std::uint64_t word) {
        h ^= word + 0x9E3779B97F4A7C15ULL + (h << 6) + (h >> 2);
    };
    for (const auto* address : {&key.client, &key.server}) {
        std::uint64_t words[2];
        std::memcpy(words, address->bytes.data(), sizeof words);
        mix(words[0]);
        mix(words[1]);
    }
    mix((std::uint64_t{key.clientPort} << 32) | (std::uint64_t{key.serverPort} << 16) |
        (std::uint64_t{key.identifier} << 8) | key.requestCode);
    return static_cast<std::size_t>(h);
}

RequestMatcher::RequestMatcher(double windowSeconds, std::size_t capacity)
    : window_(windowSeconds), capacity_(capacity == 0 ? 1 : capacity) {}

void RequestMatcher::giveUpBefore(double time) {
    while (!arrivals_.empty() && arrivals_.front().firstSent < time - window_) {
        byKey_.erase(arrivals_.front().key);
        arrivals_.pop_front();
        ++givenUp_;
    }
}

bool RequestMatcher::addRequest(const ExchangeKey& key, double time) {
    giveUpBefore(time);
    if (byKey_.contains(key))
        return false;
    if (byKey_.size() >= capacity_) {
        byKey_.erase(arrivals_.front().key);
        arrivals_.pop_front();
        ++givenUp_;
    }
    arrivals_.push_back({key, time});
    byKey_.emplace(key, std::prev(arrivals_.end()));
    return true;
}

std::optional<double> RequestMatcher::matchResponse(const ExchangeKey& key, double time) {
    giveUpBefore(time);
    auto found = byKey_.find(key);
    if (found == byKey_.end())
        return std::nullopt;
    const double firstSent = found->second->firstSent;
    arrivals_.erase(found->second);
    byKey_.erase(found);
    return firstSent;
}

} // namespace analysis
