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
    : capacity_(clientCapacity), indices_(clientCapacity) {}

std::uint32_t LiveMetrics::indexOf(const zem::IPAddress& address) {
    // A response mostly follows its request: the same client as the message before.
    if (last_ && last_->first == address)
        return last_->second;
    const auto index = lookUp(address);
    last_.emplace(address, index);
    return index;
}

std::uint32_t LiveMetrics::lookUp(const zem::IPAddress& address) {
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

void LiveMetrics::addGivenUp(const ExchangeKey& key) {
    ++at(indexOf(key.client)).unanswered;
}

void LiveMetrics::addMessage(const MessageFacts& m, const ExchangeOutcome& outcome) {
    auto& client = at(indexOf(clientAddress(m.origin, m.code)));
    client.countCode(m.code);
    client.malformed += m.invalidAttributes + m.truncatedAttributes > 0;
    client.exposed += m.exposure != 0;
    client.authenticatorFailed += m.authenticator == CheckResult::invalid;
    client.messageAuthenticatorFailed += m.messageAuthenticator == CheckResult::invalid;
    client.retransmissions += outcome.retransmission;
    // A response stamped before its request (captures merged from two taps) measures no
    // time: it is answered, but not timed.
    if (!outcome.requestTime || m.origin.time < *outcome.requestTime)
        return;
    const double seconds = m.origin.time - *outcome.requestTime;
    const auto bucket = static_cast<std::size_t>(
        std::lower_bound(responseTimeBuckets.begin(), responseTimeBuckets.end(), seconds) -
        responseTimeBuckets.begin());
    ++client.responseTimes[bucket];
    client.responseTimeSum += seconds;
}

} // namespace analysis
