// TlsHello: what decryption needs of the hellos, which travel in clear: both randoms, the
// version and cipher suite the server chose, and whether it agreed to encrypt-then-MAC.
// A ServerHello that is a HelloRetryRequest (RFC 8446 section 4.1.3) says so.
#pragma once

#include "ByteView.hpp"
#include "TlsKeyLog.hpp"

#include <cstdint>
#include <optional>

namespace capture {

inline constexpr std::uint16_t tls12Version = 0x0303, tls13Version = 0x0304, dtls12Version = 0xFEFD;

struct TlsClientHello {
    TlsRandom random{};
};

struct TlsServerHello {
    TlsRandom random{};
    std::uint16_t version = 0; // supported_versions' choice, else the legacy field
    std::uint16_t cipherSuite = 0;
    bool encryptThenMac = false;
    bool helloRetryRequest = false;
};

/// The body of a ClientHello (after the handshake header); DTLS adds a cookie.
std::optional<TlsClientHello> readClientHello(zem::ByteView body, bool datagram);
std::optional<TlsServerHello> readServerHello(zem::ByteView body);

} // namespace capture
