// RequestMatcher: pairs RADIUS responses with the requests they answer, by the one
// pairing rule of ExchangeKey. One matcher serves every report of a run, so that each
// message is looked up once.
//
// What it keeps is bounded: a request waits at most `window` seconds of capture time, and
// at most `capacity` requests wait at once. Requests are kept in the order they arrived,
// so giving up on the oldest is a constant-time step; each one given up is told to the
// caller, with its key (and so its client).
//
//   RequestMatcher matcher;
//   auto outcome = matcher.track(origin, code, identifier, [](const ExchangeKey& gaveUp) {});
//   outcome.retransmission;  // a request already waiting
//   outcome.requestTime;     // a response: when the request it answers was first sent
#pragma once

#include "LruTable.hpp"
#include "exchanges/ExchangeKey.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace analysis {

/// What the pairing rule says of one message.
struct ExchangeOutcome {
    bool retransmission = false;       // a request sent again while the first still waits
    std::optional<double> requestTime; // a response: when the request it answers was sent
};

class RequestMatcher {
public:
    static constexpr double defaultWindowSeconds = 60;
    static constexpr std::size_t defaultCapacity = 1u << 16;

    explicit RequestMatcher(double windowSeconds = defaultWindowSeconds,
                            std::size_t capacity = defaultCapacity)
        : window_(windowSeconds), waiting_(capacity) {}

    /// Records a request sent at `time`; answers false when the same request is already
    /// waiting (a retransmission), which keeps its first time. `onGivenUp(key)` hears of
    /// each request given up on the way: waited past the window, or pushed out when full.
    template <typename GivenUp>
    bool addRequest(const ExchangeKey& key, double time, GivenUp onGivenUp) {
        giveUpExpired(time, onGivenUp);
        const auto hash = waiting_.hashOf(key);
        if (waiting_.find(key, hash))
            return false;
        if (waiting_.full()) {
            onGivenUp(waiting_.oldestKey());
            waiting_.giveUpOldestEntry();
        }
        waiting_.insert(key, hash, time) = time;
        return true;
    }
    bool addRequest(const ExchangeKey& key, double time) {
        return addRequest(key, time, [](const ExchangeKey&) {});
    }

    /// Removes the waiting request that `key` names and answers when it was first sent.
    template <typename GivenUp>
    std::optional<double> matchResponse(const ExchangeKey& key, double time, GivenUp onGivenUp) {
        giveUpExpired(time, onGivenUp);
        return waiting_.extract(key);
    }
    std::optional<double> matchResponse(const ExchangeKey& key, double time) {
        return matchResponse(key, time, [](const ExchangeKey&) {});
    }

    /// The outcome of a captured message: a request is recorded, a response matched with
    /// a request it answers; other codes are neither.
    template <typename GivenUp>
    ExchangeOutcome track(const zem::MessageOrigin& origin, std::uint8_t code,
                          std::uint8_t identifier, GivenUp onGivenUp) {
        ExchangeOutcome outcome;
        if (isRequestCode(code)) {
            outcome.retransmission =
                !addRequest(requestKey(origin, code, identifier), origin.time, onGivenUp);
            return outcome;
        }
        forEachAnsweredKey(origin, code, identifier, [&](const ExchangeKey& key) {
            outcome.requestTime = matchResponse(key, origin.time, onGivenUp);
            return outcome.requestTime.has_value();
        });
        return outcome;
    }

    /// Gives up on every waiting request: the input ended.
    template <typename GivenUp> void giveUpAll(GivenUp onGivenUp) {
        while (waiting_.size() > 0) {
            onGivenUp(waiting_.oldestKey());
            waiting_.giveUpOldestEntry();
        }
    }

    std::size_t waiting() const { return waiting_.size(); }
    /// Requests given up on: waited longer than the window, or pushed out when full.
    std::uint64_t givenUp() const { return waiting_.givenUp(); }

private:
    template <typename GivenUp> void giveUpExpired(double now, GivenUp& onGivenUp) {
        waiting_.expire(now, window_,
                        [&](const ExchangeKey& key, const double&) { onGivenUp(key); });
    }

    double window_;
    zem::LruTable<ExchangeKey, double, ExchangeKeyHash> waiting_; // when first sent
};

} // namespace analysis
