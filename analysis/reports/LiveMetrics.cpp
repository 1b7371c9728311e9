#include "reports/LiveMetrics.hpp"

#include "wire/RadiusProtocol.hpp"

#include <algorithm>

namespace analysis {

namespace {

// Each code's slot in ClientMetrics, or none.
constexpr auto codeSlots = [] {
    std::array<std::int8_t, 256> slots{};
    slots.fill(-1);
    for (std::size_t i = 0; i < slottedCodes.size(); ++i)
        slots[slottedCodes[i]] = static_cast<std::int8_t>(i);
    return slots;
}();

} // namespace

void ClientMetrics::countCode(std::uint8_t code) {
    if (const auto slot = codeSlots[code]; slot >= 0)
        ++messagesByCodeSlot[static_cast<std::size_t>(slot)];
    else
        ++messagesByOtherCode[code];
}

LiveMetrics::LiveMetrics(std::size_t clientCapacity)
    : capacity_(clientCapacity), indices_(clientCapacity),
      waiting_(RequestMatcher::defaultCapacity) {}

std::uint32_t LiveMetrics::indexOf(const zem::IPAddress& address) {
    if (const auto* found = indices_.find(address))
        return *found;
    if (clients_.size() >= capacity_) {
        othersUsed_ = true;
        return othersIndex;
    }
    const auto index = static_cast<std::uint32_t>(clients_.size());
    clients_.emplace_back().client = address;
    indices_.insert(address, 0) = index;
    return index;
}

void LiveMetrics::giveUpOldest() {
    ++at(waiting_.oldest().client).unanswered;
    waiting_.giveUpOldestEntry();
}

void LiveMetrics::expire(double now) {
    // Requests are never touched once waiting: the oldest used is the first sent.
    while (waiting_.size() > 0 &&
           now - waiting_.oldest().sent > RequestMatcher::defaultWindowSeconds)
        giveUpOldest();
}

void LiveMetrics::endOfInput() {
    while (waiting_.size() > 0)
        giveUpOldest();
}

void LiveMetrics::addMessage(const MessageFacts& m) {
    const auto index = indexOf(clientAddress(m.origin, m.code));
    auto& client = at(index);
    client.countCode(m.code);
    client.malformed += m.invalidAttributes + m.truncatedAttributes > 0;
    client.exposed += m.exposure != 0;
    client.authenticatorFailed += m.authenticator == CheckResult::invalid;
    client.messageAuthenticatorFailed += m.messageAuthenticator == CheckResult::invalid;
    expire(m.origin.time);
    if (isRequestCode(m.code)) {
        const auto key = requestKey(m.origin, m.code, m.identifier);
        if (waiting_.find(key)) {
            ++client.retransmissions;
            return;
        }
        if (waiting_.full())
            giveUpOldest();
        waiting_.insert(key, m.origin.time) = {m.origin.time, index};
        return;
    }
    std::optional<double> sent;
    forEachAnsweredKey(m.origin, m.code, m.identifier, [&](const ExchangeKey& key) {
        if (const auto* waiting = waiting_.find(key)) {
            sent = waiting->sent;
            waiting_.erase(key);
        }
        return sent.has_value();
    });
    // A response stamped before its request (captures merged from two taps) measures no
    // time: it is answered, but not timed.
    if (!sent || m.origin.time < *sent)
        return;
    const double seconds = m.origin.time - *sent;
    const auto bucket = static_cast<std::size_t>(
        std::lower_bound(responseTimeBuckets.begin(), responseTimeBuckets.end(), seconds) -
        responseTimeBuckets.begin());
    ++client.responseTimes[bucket];
    client.responseTimeSum += seconds;
}

} // namespace analysis
