// RadiusStatistics: what -z radius,stats reports, counted message by message: messages
// per code, damaged and truncated attributes, payloads on claimed ports that are not
// RADIUS, and requests matched to their responses, with response times, unanswered
// requests and retransmissions. It counts; the applications lay the summary out.
#pragma once

#include "exchanges/RequestMatcher.hpp"
#include "message/MessageFacts.hpp"
#include "reports/LatencyHistogram.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace analysis {

struct ResponseTimes {
    std::size_t count = 0;
    double minimum = 0, median = 0, p99 = 0, maximum = 0; // seconds
};

struct StatisticsSummary {
    struct CodeCount {
        std::uint8_t code;
        std::string text;
        std::uint64_t messages;
    };
    std::vector<CodeCount> perCode; // by code
    std::uint64_t messages = 0, invalidAttributes = 0, truncatedAttributes = 0, notRadius = 0;
    std::uint64_t requests = 0, answered = 0, unanswered = 0, retransmissions = 0;
    std::uint64_t unmatchedResponses = 0;
    /// Of the answered: responses time-stamped before their request (captures merged from
    /// two taps whose clocks differ), which measure no time and are left out of the times.
    std::uint64_t stampedBeforeRequest = 0;
    /// Of the unanswered: those no longer awaited (too old, or the table was full).
    std::uint64_t givenUp = 0;
    std::optional<ResponseTimes> responseTimes;
};

/// One labelled count of a summary, as every report shows it.
struct CountRow {
    std::string label;
    std::uint64_t count;
};
/// Messages by code, then all messages and the damaged ones.
std::vector<CountRow> messageRows(const StatisticsSummary& summary);
/// Requests and how they were answered; the given-up row only when there were any.
std::vector<CountRow> exchangeRows(const StatisticsSummary& summary);

class RadiusStatistics {
public:
    /// Counts a message, with what the run's matcher said of it.
    void addMessage(const MessageFacts& facts, const ExchangeOutcome& outcome);
    void addNotRadius() { ++notRadius_; }
    /// The matcher gave up on a waiting request.
    void addGivenUp() { ++givenUp_; }
    /// The counts, each code labelled by `codeText` (asked once for each code counted).
    StatisticsSummary summary(const std::function<std::string(std::uint8_t)>& codeText) const;

private:
    std::array<std::uint64_t, 256> perCode_{}; // messages by code
    LatencyHistogram responseTimes_;
    std::uint64_t messages_ = 0, invalid_ = 0, truncated_ = 0, notRadius_ = 0;
    std::uint64_t retransmissions_ = 0, unmatchedResponses_ = 0, requests_ = 0, givenUp_ = 0;
    std::uint64_t answered_ = 0, stampedBeforeRequest_ = 0;
};

} // namespace analysis
