// CheckTracker: follows a capture's requests in order so that each message can be
// checked on any thread afterwards: it names the client's secret and, for a response, the
// authenticator of the latest request with the same client, server, ports and identifier.
//
// What it keeps is bounded as the request matcher's is: a request is remembered for
// `window` seconds of capture time, and at most `capacity` at once.
//
//   CheckTracker tracker(secrets);
//   auto input = tracker.next(origin, message);   // in capture order
//   auto checks = checkMessage(message, input);   // anywhere
#pragma once

#include "LruTable.hpp"
#include "MessageChecks.hpp"
#include "MessageOrigin.hpp"
#include "RequestMatcher.hpp"
#include "SharedSecrets.hpp"

namespace analysis {

class CheckTracker {
public:
    explicit CheckTracker(const SharedSecrets& secrets,
                          double windowSeconds = RequestMatcher::defaultWindowSeconds,
                          std::size_t capacity = RequestMatcher::defaultCapacity);

    CheckInput next(const zem::MessageOrigin& origin, zem::ByteView message);

    std::size_t remembered() const { return requests_.size(); }

private:
    const SharedSecrets& secrets_;
    double window_;
    // The identifier alone tells exchanges apart on a client's port, whatever the codes.
    zem::LruTable<ExchangeKey, Digest, ExchangeKeyHash> requests_;
};

} // namespace analysis
