// Signing and hiding as a RADIUS client or server does it, for captures whose secrets
// are known: authenticators, Message-Authenticator, and hidden passwords and keys.
#pragma once

#include "SampleWriter.hpp"

#include <string_view>

namespace tools {

/// The 16 octets of a message's authenticator field.
Bytes authenticatorOf(const Bytes& message);

/// User-Password hidden with the Access-Request's authenticator (RFC 2865 section 5.2).
Bytes hiddenPassword(std::string_view secret, const Bytes& requestAuthenticator,
                     std::string_view password);
/// A salted value: Tunnel-Password's after its tag (RFC 2868 section 3.5), or an MS-MPPE
/// key (RFC 2548): two octets of salt, then the length octet and the value, hidden.
Bytes hiddenSalted(std::string_view secret, const Bytes& requestAuthenticator, std::uint16_t salt,
                   const Bytes& value);

/// Fills in the Message-Authenticator (when the message has one) and the authenticator:
/// a request with a random authenticator keeps it; Accounting, CoA and Disconnect
/// requests get the computed one; a response is signed against `requestAuthenticator`.
Bytes signedMessage(Bytes message, std::string_view secret, const Bytes& requestAuthenticator = {});

} // namespace tools
