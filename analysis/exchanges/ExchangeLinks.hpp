// ExchangeLinks: what ties one message to the others of its exchange, by frame number:
// a request's first response, a response's request and how long it took, and for a copy
// sent again, the first copy; and what it owes to the earlier round trips of its
// authentication: the TLS message whose last fragment it carries, joined, and how the
// authentication ended.
#pragma once

#include "ByteView.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace analysis {

/// How the authentication a message belongs to ended.
struct AuthenticationOutcome {
    std::string method;  // "EAP-TLS", "PAP", ...
    std::string outcome; // "Access-Accept", "Access-Reject", "abandoned", "timed out"
    std::string reason;
};

struct ExchangeLinks {
    std::optional<std::uint64_t> responseFrame;    // on a request: its first response
    std::optional<std::uint64_t> requestFrame;     // on a response: the request it answers
    std::optional<double> responseTime;            // on a response: seconds from its request
    std::optional<std::uint64_t> retransmissionOf; // on a copy sent again: the first copy
    // On the message carrying the last of two or more fragments: the whole TLS message.
    std::shared_ptr<const zem::ByteBuffer> tlsMessage;
    // Once known, when asked for: how its authentication ended; shared by its messages.
    std::shared_ptr<const AuthenticationOutcome> authentication;

    bool empty() const {
        return !responseFrame && !requestFrame && !responseTime && !retransmissionOf;
    }
    /// Nothing at all: no links and nothing shared.
    bool tellsNothing() const { return empty() && !tlsMessage && !authentication; }
    bool operator==(const ExchangeLinks&) const = default;
};

} // namespace analysis
