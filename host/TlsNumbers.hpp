// TlsNumbers: the numbers TLS gives its record content types and handshake messages
// (RFC 8446), shared by the reading of TLS inside EAP and of RADIUS over TLS.
#pragma once

#include <cstdint>

namespace zem {

namespace tlsContent {
inline constexpr std::uint8_t changeCipherSpec = 20, alert = 21, handshake = 22,
                              applicationData = 23;
} // namespace tlsContent

namespace tlsHandshake {
inline constexpr std::uint8_t clientHello = 1, serverHello = 2, certificate = 11,
                              certificateRequest = 13, finished = 20, keyUpdate = 24;
} // namespace tlsHandshake

} // namespace zem
