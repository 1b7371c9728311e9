// RequestMatcher: pairs RADIUS responses with the requests they answer (same client and
// server addresses and ports, same identifier, a request code the response code answers).
//
// What it keeps is bounded: a request waits at most `window` seconds of capture time, and
// at most `capacity` requests wait at once. Requests are queued in the order they
// arrived, so giving up on the oldest is a constant-time step; how many were given up on
// is counted. An answered request stays in the queue as a gap until it reaches the
// front, and the queue is closed up when gaps outnumber the waiting.
//
//   RequestMatcher matcher;
//   matcher.addRequest(key, time);                 // false: a retransmission
//   auto sent = matcher.matchResponse(key, time);  // when the request was first sent
#pragma once

#include "IPAddress.hpp"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <unordered_map>

namespace analysis {

/// A request as its client sent it; a response is looked up with its addresses and
/// ports swapped back to the client's view.
struct ExchangeKey {
    zem::IPAddress client;
    std::uint16_t clientPort = 0;
    zem::IPAddress server;
    std::uint16_t serverPort = 0;
    std::uint8_t identifier = 0;
    std::uint8_t requestCode = 0;
    bool operator==(const ExchangeKey&) const = default;
};

struct ExchangeKeyHash {
    std::size_t operator()(const ExchangeKey& key) const noexcept;
};

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

    std::size_t waiting() const { return byKey_.size(); }
    /// Requests given up on: waited longer than the window, or pushed out when full.
    std::uint64_t givenUp() const { return givenUp_; }

private:
    struct Arrival {
        ExchangeKey key;
        double firstSent;
        bool answered = false;
    };
    void giveUpBefore(double time);
    void giveUpOldest();
    void dropAnsweredFront();
    void closeGaps();

    double window_;
    std::size_t capacity_;
    std::deque<Arrival> arrivals_;    // oldest first
    std::uint64_t frontSequence_ = 0; // the arrival number of arrivals_.front()
    std::unordered_map<ExchangeKey, std::uint64_t, ExchangeKeyHash> byKey_; // arrival number
    std::uint64_t givenUp_ = 0;
};

} // namespace analysis
