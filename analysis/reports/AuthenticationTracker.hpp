// AuthenticationTracker: follows the authentications of a capture as it is read, on the
// reading thread, so that each of their messages can be told how its authentication
// ended (its method, outcome and reason) before it is printed. It reads what the
// authentications report reads, and the TLS records joined across round trips.
//
//   AuthenticationTracker tracker;
//   if (tracker.next(origin, octets, links, sequence)) ...   // this message will be named
//   for (const auto& ended : tracker.takeEnded()) ended.sequences, ended.outcome
#pragma once

#include "ByteView.hpp"
#include "MessageOrigin.hpp"
#include "exchanges/ExchangeLinks.hpp"
#include "reports/Authentications.hpp"

#include <cstdint>
#include <memory>
#include <vector>

namespace analysis {

class AuthenticationTracker {
public:
    struct Ended {
        std::vector<std::uint64_t> sequences; // of its messages, as next() was given them
        std::shared_ptr<const AuthenticationOutcome> outcome;
    };

    /// Follows the message numbered `sequence`; whether it was taken into an
    /// authentication, which takeEnded() will then name once.
    bool next(const zem::MessageOrigin& origin, zem::ByteView message, const ExchangeLinks& links,
              std::uint64_t sequence);
    /// The input ended: every authentication still open ends.
    void finish();
    /// The authentications that ended since the last call.
    std::vector<Ended> takeEnded();

private:
    Authentications authentications_{/*keepFrames=*/true};
    std::vector<Authentication> ended_;
};

} // namespace analysis
