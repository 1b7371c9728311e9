// TlsHello: what decryption needs of the hellos, which travel in clear: both randoms, the
// version and cipher suite the server chose, and whether it agreed to encrypt-then-MAC.
// A ServerHello that is a HelloRetryRequest (RFC 8446 section 4.1.3) says so. What the
// client offered (versions, suites, server name, ALPN) is kept for the connections report.
#pragma once

#include "ByteView.hpp"
#include "TlsKeyLog.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace capture {

inline constexpr std::uint16_t tls12Version = 0x0303, tls13Version = 0x0304, dtls12Version = 0xFEFD;

struct TlsClientHello {
    TlsRandom random{};
    std::vector<std::uint16_t> versions; // supported_versions', else the legacy field
    std::vector<std::uint16_t> cipherSuites;
    std::string serverName;             // server_name's host name
    std::vector<std::string> protocols; // ALPN's
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
