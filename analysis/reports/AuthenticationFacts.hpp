// AuthenticationFacts: what following an authentication reads of one Access message:
// the State that ties its round trips, who asks (Calling-Station-Id, User-Name), how (a
// password, CHAP, MS-CHAP, or EAP and its type), and what the server said (Reply-Message).
#pragma once

#include "wire/WireMessage.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace analysis {

struct AuthenticationFacts {
    std::string state; // the State attribute's octets; empty without one
    std::string callingStationId;
    std::string userName;
    std::string replyMessage;
    bool password = false, chap = false, msChap = false;
    std::optional<std::uint8_t> eapCode, eapType;
    std::string eapDesired; // a Nak's desired types, one octet each
};

/// The facts of an Access-Request, -Accept, -Reject or -Challenge; nothing for other codes.
std::optional<AuthenticationFacts> authenticationFacts(const WireMessage& wire);

} // namespace analysis
