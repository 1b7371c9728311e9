#include "RequestMatcher.hpp"

#include "RadiusCodes.hpp"

namespace analysis {

std::size_t ExchangeKeyHash::operator()(const ExchangeKey& key) const noexcept {
    std::uint64_t h = zem::hashMix(zem::hashMix(0, key.client), key.server);
    h = zem::hashMix(h, (std::uint64_t{key.clientPort} << 32) |
                            (std::uint64_t{key.serverPort} << 16) |
                            (std::uint64_t{key.identifier} << 8) | key.requestCode);
    return static_cast<std::size_t>(h);
}

RequestMatcher::RequestMatcher(double windowSeconds, std::size_t capacity)
    : window_(windowSeconds), waiting_(capacity) {}

bool RequestMatcher::addRequest(const ExchangeKey& key, double time) {
    waiting_.expire(time, window_);
    if (waiting_.find(key))
        return false;
    waiting_.insert(key, time) = time;
    return true;
}

std::optional<double> RequestMatcher::matchResponse(const ExchangeKey& key, double time) {
    waiting_.expire(time, window_);
    const double* firstSent = waiting_.find(key);
    if (!firstSent)
        return std::nullopt;
    const double sent = *firstSent;
    waiting_.erase(key);
    return sent;
}

bool RequestMatcher::addRequest(const MessageFacts& m) {
    return addRequest(
        {m.source, m.sourcePort, m.destination, m.destinationPort, m.identifier, m.code}, m.time);
}

std::optional<double> RequestMatcher::matchResponse(const MessageFacts& m) {
    const std::uint8_t request = requestCodeFor(m.code);
    for (std::uint8_t candidate : {request, std::uint8_t(request == 1 ? 12 : 0)}) {
        if (candidate == 0)
            continue;
        if (auto sent = matchResponse(
                {m.destination, m.destinationPort, m.source, m.sourcePort, m.identifier, candidate},
                m.time))
            return sent;
    }
    return std::nullopt;
}

} // namespace analysis
