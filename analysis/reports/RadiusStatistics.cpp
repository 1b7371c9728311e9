#include "reports/RadiusStatistics.hpp"

#include "wire/RadiusProtocol.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace analysis {

void RadiusStatistics::addMessage(const MessageFacts& m, const ExchangeOutcome& outcome) {
    ++messages_;
    ++perCode_[m.code];
    invalid_ += m.invalidAttributes;
    truncated_ += m.truncatedAttributes;
    if (isRequestCode(m.code)) {
        ++requests_;
        retransmissions_ += outcome.retransmission;
        return;
    }
    if (requestCodeFor(m.code) == 0)
        return;
    if (outcome.requestTime) {
        ++answered_;
        if (m.origin.time < *outcome.requestTime)
            ++stampedBeforeRequest_; // no time to measure: not clamped into the times
        else
            responseTimes_.add(m.origin.time - *outcome.requestTime);
        return;
    }
    ++unmatchedResponses_;
}

std::vector<CountRow> messageRows(const StatisticsSummary& s) {
    std::vector<CountRow> rows;
    for (const auto& code : s.perCode)
        rows.push_back({code.text, code.messages});
    rows.push_back({"All RADIUS messages", s.messages});
    rows.push_back({"Attributes with an invalid length", s.invalidAttributes});
    rows.push_back({"Truncated attributes", s.truncatedAttributes});
    rows.push_back({"Payloads on RADIUS ports that are not RADIUS", s.notRadius});
    return rows;
}

std::vector<CountRow> exchangeRows(const StatisticsSummary& s) {
    std::vector<CountRow> rows = {{"Requests", s.requests},
                                  {"Requests answered", s.answered},
                                  {"Requests unanswered", s.unanswered}};
    if (s.givenUp > 0) {
        char label[64];
        std::snprintf(label, sizeof label, "  no longer awaited (over %.0f s, or too many)",
                      RequestMatcher::defaultWindowSeconds);
        rows.push_back({label, s.givenUp});
    }
    rows.push_back({"Retransmitted requests", s.retransmissions});
    rows.push_back({"Responses without a request", s.unmatchedResponses});
    if (s.stampedBeforeRequest > 0)
        rows.push_back({"Responses stamped before their request", s.stampedBeforeRequest});
    return rows;
}

StatisticsSummary
RadiusStatistics::summary(const std::function<std::string(std::uint8_t)>& codeText) const {
    StatisticsSummary s;
    for (std::size_t code = 0; code < perCode_.size(); ++code)
        if (perCode_[code] > 0)
            s.perCode.push_back({static_cast<std::uint8_t>(code),
                                 codeText(static_cast<std::uint8_t>(code)), perCode_[code]});
    s.messages = messages_;
    s.invalidAttributes = invalid_;
    s.truncatedAttributes = truncated_;
    s.notRadius = notRadius_;
    s.requests = requests_;
    s.answered = answered_;
    s.stampedBeforeRequest = stampedBeforeRequest_;
    // Each request sent once is answered, still waiting, or given up on.
    s.unanswered = requests_ - retransmissions_ - s.answered;
    s.givenUp = givenUp_;
    s.retransmissions = retransmissions_;
    s.unmatchedResponses = unmatchedResponses_;
    if (responseTimes_.count() > 0)
        s.responseTimes = ResponseTimes{static_cast<std::size_t>(responseTimes_.count()),
                                        responseTimes_.minimum(), responseTimes_.percentile(0.5),
                                        responseTimes_.percentile(0.99), responseTimes_.maximum()};
    return s;
}

} // namespace analysis
