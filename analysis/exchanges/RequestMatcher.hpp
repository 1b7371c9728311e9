// RequestMatcher: pairs RADIUS responses with the requests they answer, by the one
// pairing rule of ExchangeKey.
//
// What it keeps is bounded: a request waits at most `window` seconds of capture time, and
// at most `capacity` requests wait at once. Requests are kept in the order they arrived,
// so giving up on the oldest is a constant-time step; how many were given up on is
// counted.
//
//   RequestMatcher matcher;
//   matcher.addRequest(origin, code, identifier);             // false: a retransmission
//   auto sent = matcher.matchResponse(origin, code, identifier); // its request's first time
#pragma once

#include "LruTable.hpp"
#include "exchanges/ExchangeKey.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace analysis {

class RequestMatcher {
public:
    static constexpr double defaultWindowSeconds = 60;
    static constexpr std::size_t defaultCapacity = 1u << 16;

    explicit RequestMatcher(double windowSeconds = defaultWindowSeconds,
                            std::size_t capacity = defaultCapacity);

    /// Records a request sent at `time`; answers false when the same request is already
    /// waiting (a retransmission), which keeps its first time.
    bool addRequest(const ExchangeKey& key, double time);
    /// Removes the waiting request that `key` names and answers when it was first sent.
    std::optional<double> matchResponse(const ExchangeKey& key, double time);

    std::size_t waiting() const { return waiting_.size(); }
    /// Requests given up on: waited longer than the window, or pushed out when full.
    std::uint64_t givenUp() const { return waiting_.givenUp(); }

    /// The same, for a captured message: a request is recorded (false for a
    /// retransmission); a response is matched with a request it answers and answers when
    /// that was sent.
    bool addRequest(const zem::MessageOrigin& origin, std::uint8_t code, std::uint8_t identifier);
    std::optional<double> matchResponse(const zem::MessageOrigin& origin, std::uint8_t code,
                                        std::uint8_t identifier);

private:
    double window_;
    zem::LruTable<ExchangeKey, double, ExchangeKeyHash> waiting_; // when first sent
};

} // namespace analysis
