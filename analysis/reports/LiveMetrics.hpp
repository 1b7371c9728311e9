// LiveMetrics: running totals per client for a monitoring system to scrape while a
// capture is read: messages, requests and responses by code, retransmissions, requests
// never answered, response times in fixed buckets, malformed messages, failed checks and
// messages open to forgery. Every total only grows, as a monitoring counter must: a
// request counts as unanswered once the run's RequestMatcher gives up on it (it waited past
// the window, or the input ended), not while it may still be answered.
//
// What it keeps is bounded: at most `clientCapacity` clients by address, the rest counted
// together as one.
#pragma once

#include "LruTable.hpp"
#include "exchanges/ExchangeKey.hpp"
#include "exchanges/RequestMatcher.hpp"
#include "message/MessageFacts.hpp"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace analysis {

/// Upper bounds of the response-time buckets, in seconds: 1 ms to 10 s.
inline constexpr std::array<double, 13> responseTimeBuckets = {
    0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};

struct ClientMetrics {
    std::optional<zem::IPAddress> client; // none: the clients past the capacity
    // By code; a row of 256 would put every client's counters on many cache lines, so
    // the codes in use have a slot each and the rest share a map.
    std::array<std::uint64_t, 16> messagesByCodeSlot{};
    std::map<std::uint8_t, std::uint64_t> messagesByOtherCode;
    std::uint64_t retransmissions = 0, unanswered = 0, malformed = 0, exposed = 0;
    std::uint64_t authenticatorFailed = 0, messageAuthenticatorFailed = 0;
    // Response times: each bucket counts the times up to its bound, and above the one
    // before (the exposition adds them up); the last counts those above 10 s.
    std::array<std::uint64_t, responseTimeBuckets.size() + 1> responseTimes{};
    double responseTimeSum = 0;

    void countCode(std::uint8_t code);
    /// Every code with its count, in code order.
    template <typename Visit> void forEachCode(Visit visit) const;
};

/// The codes that have a slot of their own, in code order.
inline constexpr std::array<std::uint8_t, 14> slottedCodes = {1,  2,  3,  4,  5,  11, 12,
                                                              13, 40, 41, 42, 43, 44, 45};

template <typename Visit> void ClientMetrics::forEachCode(Visit visit) const {
    auto other = messagesByOtherCode.begin();
    for (std::size_t slot = 0; slot < slottedCodes.size(); ++slot) {
        for (; other != messagesByOtherCode.end() && other->first < slottedCodes[slot]; ++other)
            visit(other->first, other->second);
        if (messagesByCodeSlot[slot] > 0)
            visit(slottedCodes[slot], messagesByCodeSlot[slot]);
    }
    for (; other != messagesByOtherCode.end(); ++other)
        visit(other->first, other->second);
}

class LiveMetrics {
public:
    static constexpr std::size_t defaultClientCapacity = 1000;

    explicit LiveMetrics(std::size_t clientCapacity = defaultClientCapacity);

    /// Counts a message, with what the run's matcher said of it; its facts must hold its
    /// checks when those are to be counted.
    void addMessage(const MessageFacts& facts, const ExchangeOutcome& outcome);
    /// The matcher gave up on the request `key` names: it is unanswered.
    void addGivenUp(const ExchangeKey& key);

    /// The clients in the order first seen; the shared row for the rest, when used, last.
    template <typename Visit> void forEachClient(Visit visit) const {
        for (const auto& client : clients_)
            visit(client);
        if (othersUsed_)
            visit(others_);
    }

private:
    static constexpr std::uint32_t othersIndex = ~std::uint32_t{0};

    std::uint32_t indexOf(const zem::IPAddress& address);
    std::uint32_t lookUp(const zem::IPAddress& address);
    ClientMetrics& at(std::uint32_t index) {
        return index == othersIndex ? others_ : clients_[index];
    }

    std::size_t capacity_;
    std::vector<ClientMetrics> clients_;
    zem::LruTable<zem::IPAddress, std::uint32_t, zem::IPAddressHash> indices_; // never expired
    ClientMetrics others_;
    bool othersUsed_ = false;
    std::optional<std::pair<zem::IPAddress, std::uint32_t>> last_; // the client looked up last
};

} // namespace analysis
