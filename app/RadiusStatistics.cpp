#include "RadiusStatistics.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace app {

std::uint8_t requestCodeFor(std::uint8_t code) {
    switch (code) {
    case 2:  // Access-Accept
    case 3:  // Access-Reject
    case 11: // Access-Challenge
        return 1;
    case 5: // Accounting-Response
        return 4;
    case 41: // Disconnect-ACK
    case 42: // Disconnect-NAK
        return 40;
    case 44: // CoA-ACK
    case 45: // CoA-NAK
        return 43;
    default:
        return 0;
    }
}

bool isRequestCode(std::uint8_t code) {
    return code == 1 || code == 4 || code == 40 || code == 43 || code == 12;
}

void RadiusStatistics::addMessage(const MessageFacts& m) {
    ++messages_;
    auto& entry = perCode_[m.code];
    entry.first = m.codeText;
    ++entry.second;
    invalid_ += m.invalidAttributes;
    truncated_ += m.truncatedAttributes;
    if (isRequestCode(m.code)) {
        ExchangeKey key{m.source,          m.sourcePort, m.destination,
                        m.destinationPort, m.identifier, m.code};
        auto [it, inserted] = pending_.emplace(key, Pending{m.time});
        ++requests_;
        if (!inserted)
            ++retransmissions_;
        return;
    }
    std::uint8_t request = requestCodeFor(m.code);
    if (request == 0)
        return;
    // Status-Server is answered with Access-Accept as well.
    for (std::uint8_t candidate : {request, std::uint8_t(request == 1 ? 12 : 0)}) {
        if (candidate == 0)
            continue;
        ExchangeKey key{m.destination, m.destinationPort, m.source,
                        m.sourcePort,  m.identifier,      candidate};
        auto it = pending_.find(key);
        if (it != pending_.end()) {
            responseTimes_.push_back(m.time - it->second.firstSent);
            pending_.erase(it);
            return;
        }
    }
    ++unmatchedResponses_;
}

std::string RadiusStatistics::report() const {
    std::string out;
    char line[256];
    out += "===================================================================\n";
    out += "RADIUS statistics\n";
    out += "-------------------------------------------------------------------\n";
    std::snprintf(line, sizeof line, "%-44s %10s\n", "Code", "Messages");
    out += line;
    for (const auto& [code, entry] : perCode_) {
        std::snprintf(line, sizeof line, "%-44s %10llu\n", entry.first.c_str(),
                      static_cast<unsigned long long>(entry.second));
        out += line;
    }
    auto row = [&](const char* label, std::uint64_t n) {
        std::snprintf(line, sizeof line, "%-44s %10llu\n", label,
                      static_cast<unsigned long long>(n));
        out += line;
    };
    row("All RADIUS messages", messages_);
    row("Attributes with an invalid length", invalid_);
    row("Truncated attributes", truncated_);
    row("Payloads on RADIUS ports that are not RADIUS", notRadius_);
    out += "-------------------------------------------------------------------\n";
    row("Requests", requests_);
    row("Requests answered", responseTimes_.size());
    row("Requests unanswered", pending_.size());
    row("Retransmitted requests", retransmissions_);
    row("Responses without a request", unmatchedResponses_);
    if (!responseTimes_.empty()) {
        auto times = responseTimes_;
        std::sort(times.begin(), times.end());
        auto at = [&](double q) {
            auto index =
                static_cast<std::size_t>(std::ceil(q * static_cast<double>(times.size()))) - 1;
            return times[std::min(index, times.size() - 1)];
        };
        std::snprintf(line, sizeof line,
                      "Response time (ms): count %zu, min %.3f, median %.3f, p99 %.3f, max %.3f\n",
                      times.size(), times.front() * 1000, at(0.5) * 1000, at(0.99) * 1000,
                      times.back() * 1000);
        out += line;
    }
    out += "===================================================================\n";
    return out;
}

} // namespace app
