#include "exchanges/ExchangeLinker.hpp"

#include "wire/RadiusProtocol.hpp"

#include <algorithm>

namespace analysis {

ExchangeLinks ExchangeLinker::next(const zem::MessageOrigin& origin, zem::ByteView message,
                                   std::uint64_t sequence) {
    if (message.size() < headerSize)
        return {};
    exchanges_.expire(origin.time, window_,
                      [this](const ExchangeKey&, Exchange& gone) { settleUnanswered(gone); });
    const std::uint8_t code = *message.at(0), identifier = *message.at(1);
    if (isRequestCode(code)) {
        Digest authenticator{};
        std::copy_n(message.slice(4, 16).begin(), 16, authenticator.begin());
        return request(origin, requestKey(origin, code, identifier), authenticator, sequence);
    }
    if (isResponseCode(code))
        return response(origin, code, identifier);
    return {};
}

ExchangeLinks ExchangeLinker::request(const zem::MessageOrigin& origin, const ExchangeKey& key,
                                      const Digest& authenticator, std::uint64_t sequence) {
    ExchangeLinks links;
    const auto hash = exchanges_.hashOf(key);
    if (Exchange* known = exchanges_.find(key, hash)) {
        if (known->authenticator == authenticator) {
            // Sent again: it shares the first copy's response, or waits for it.
            links.retransmissionOf = known->requestFrame;
            links.responseFrame = known->responseFrame;
            if (!known->responseFrame)
                known->waiting.add(sequence);
            return links;
        }
        // The Identifier is used again for a new request: the old one is over.
        settleUnanswered(*known);
        exchanges_.erase(key);
    } else if (exchanges_.full()) {
        settleUnanswered(exchanges_.oldest());
        exchanges_.giveUpOldestEntry();
    }
    // Entries are recycled: every member is set anew.
    auto& exchange = exchanges_.insert(key, hash, origin.time);
    exchange = Exchange{authenticator, origin.frame, origin.time, std::nullopt, {}};
    exchange.waiting.add(sequence);
    return links;
}

ExchangeLinks ExchangeLinker::response(const zem::MessageOrigin& origin, std::uint8_t code,
                                       std::uint8_t identifier) {
    ExchangeLinks links;
    forEachAnsweredKey(origin, code, identifier, [&](const ExchangeKey& key) {
        Exchange* exchange = exchanges_.find(key);
        if (!exchange)
            return false;
        links.requestFrame = exchange->requestFrame;
        // Not clamped: a response stamped before its request (captures merged from two
        // taps) shows a negative time.
        links.responseTime = origin.time - exchange->requestTime;
        if (exchange->responseFrame) {
            links.retransmissionOf = exchange->responseFrame;
            return true;
        }
        exchange->responseFrame = origin.frame;
        exchange->waiting.forEach([&](std::uint64_t sequence) {
            resolved_.push_back({sequence, origin.frame});
        });
        exchange->waiting.clear();
        return true;
    });
    return links;
}

void ExchangeLinker::settleUnanswered(Exchange& exchange) {
    exchange.waiting.forEach([this](std::uint64_t sequence) {
        resolved_.push_back({sequence, std::nullopt});
    });
    exchange.waiting.clear();
}

void ExchangeLinker::finish() {
    // Oldest first, as the requests were sent.
    while (exchanges_.size() > 0) {
        settleUnanswered(exchanges_.oldest());
        exchanges_.giveUpOldestEntry();
    }
}

} // namespace analysis
