// Which RADIUS codes are requests, and which request a response code answers
// (RFC 2865, RFC 2866, RFC 5176; Status-Server of RFC 5997 is answered like an
// Access-Request).
#pragma once

#include <cstdint>
#include <string_view>

namespace analysis {

/// The request code a response code answers, or 0 when the code is no response.
std::uint8_t requestCodeFor(std::uint8_t responseCode);
bool isRequestCode(std::uint8_t code);
/// Whether the authenticator of a request of `code` is computed over the message (rather
/// than random, as an Access-Request's or a Status-Server's is).
bool hasComputedRequestAuthenticator(std::uint8_t code);
/// The RFC name of the codes that requests and responses use ("Access-Accept"); the
/// number as text for others.
std::string codeName(std::uint8_t code);

} // namespace analysis
