// RequestMatcher: pairs RADIUS responses with the requests they answer (same client and
// server addresses and ports, same identifier, a request code the response code answers).
//
// What it keeps is bounded: a request waits at most `window` seconds of capture time, and
// at most `capacity` requests wait at once. Requests are kept in the order they arrived,
// so giving up on the oldest is a constant-time step; how many were given up on is
// counted.
//
//   RequestMatcher matcher;
//   matcher.addRequest(key, time);                 // false: a retransmission
//   auto sent = matcher.matchResponse(key, time);  // when the request was first sent
#pragma once

#include "IPAddress.hpp"
#include "LruTable.hpp"
#include "MessageFacts.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>

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

    std::size_t waiting() const { return waiting_.size(); }
    /// Requests given up on: waited longer than the window, or pushed out when full.
    std::uint64_t givenUp() const { return waiting_.givenUp(); }

    /// The same, for a captured message: a request is recorded (false for a
    /// retransmission); a response is matched with the request it answers (Status-Server is
    /// answered with Access-Accept too) and answers when that was sent.
    bool addRequest(const MessageFacts& request);
    std::optional<double> matchResponse(const MessageFacts& response);

private:
    double window_;
    zem::LruTable<ExchangeKey, double, ExchangeKeyHash> waiting_; // when first sent
};

} // namespace analysis
