// CheckTracker: follows a capture's requests in order so that each message can be
// checked on any thread afterwards: it names the client's secret and, for a response, the
// authenticator of the latest request that it answers by the one pairing rule. Messages
// that came over TLS or DTLS are checked with "radsec" when no secret is set for them.
//
// What it keeps is bounded as the request matcher's is: a request is remembered for
// `window` seconds of capture time, and at most `capacity` at once.
//
//   CheckTracker tracker(secrets);
//   auto input = tracker.next(origin, message);   // in capture order
//   auto decoded = DecodedMessage::decode(host, origin, message, input);   // anywhere
#pragma once

#include "LruTable.hpp"
#include "MessageOrigin.hpp"
#include "checks/MessageChecks.hpp"
#include "checks/SharedSecrets.hpp"
#include "exchanges/ExchangeKey.hpp"
#include "exchanges/RequestMatcher.hpp"

namespace analysis {

class CheckTracker {
public:
    explicit CheckTracker(const SharedSecrets& secrets,
                          double windowSeconds = RequestMatcher::defaultWindowSeconds,
                          std::size_t capacity = RequestMatcher::defaultCapacity);

    CheckInput next(const zem::MessageOrigin& origin, zem::ByteView message) {
        // Without secrets only RADIUS over TLS is checked: plain RADIUS then costs the
        // reading thread no call. Skipping the expiry too is exact only while nothing is
        // kept.
        if (secrets_.empty() && requests_.size() == 0 && !zem::carriedOverTls(origin.transport))
            return {};
        return track(origin, message);
    }

    std::size_t remembered() const { return requests_.size(); }

private:
    CheckInput track(const zem::MessageOrigin& origin, zem::ByteView message);

    const SharedSecrets& secrets_;
    double window_;
    zem::LruTable<ExchangeKey, Digest, ExchangeKeyHash> requests_; // their authenticators
};

} // namespace analysis
