#include "exchanges/RequestMatcher.hpp"

namespace analysis {

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

bool RequestMatcher::addRequest(const zem::MessageOrigin& origin, std::uint8_t code,
                                std::uint8_t identifier) {
    return addRequest(requestKey(origin, code, identifier), origin.time);
}

std::optional<double> RequestMatcher::matchResponse(const zem::MessageOrigin& origin,
                                                    std::uint8_t code, std::uint8_t identifier) {
    std::optional<double> sent;
    forEachAnsweredKey(origin, code, identifier, [&](const ExchangeKey& key) {
        sent = matchResponse(key, origin.time);
        return sent.has_value();
    });
    return sent;
}

} // namespace analysis
