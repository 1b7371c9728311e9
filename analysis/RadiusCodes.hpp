// Which RADIUS codes are requests, and which request a response code answers
// (RFC 2865, RFC 2866, RFC 5176; Status-Server of RFC 5997 is answered like an
// Access-Request).
#pragma once

#include <cstdint>

namespace analysis {

/// The request code a response code answers, or 0 when the code is no response.
std::uint8_t requestCodeFor(std::uint8_t responseCode);
bool isRequestCode(std::uint8_t code);

} // namespace analysis
