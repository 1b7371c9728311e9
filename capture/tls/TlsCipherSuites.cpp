#include "TlsCipherSuites.hpp"

#include <array>
#include <string_view>

namespace capture {

namespace {

using enum TlsBulkCipher;

// The key exchange does not matter here: the key log gives the secrets it produced.
constexpr std::array<TlsCipherSuite, 34> suites{{
    // TLS 1.3
    {0x1301, aesGcm, 16, 12, nullptr, "SHA256"},
    {0x1302, aesGcm, 32, 12, nullptr, "SHA384"},
    {0x1303, chacha20Poly1305, 32, 12, nullptr, "SHA256"},
    // TLS 1.2 AES-GCM
    {0x009C, aesGcm, 16, 4, nullptr, "SHA256"}, // RSA
    {0x009D, aesGcm, 32, 4, nullptr, "SHA384"},
    {0x009E, aesGcm, 16, 4, nullptr, "SHA256"}, // DHE_RSA
    {0x009F, aesGcm, 32, 4, nullptr, "SHA384"},
    {0xC02B, aesGcm, 16, 4, nullptr, "SHA256"}, // ECDHE_ECDSA
    {0xC02C, aesGcm, 32, 4, nullptr, "SHA384"},
    {0xC02F, aesGcm, 16, 4, nullptr, "SHA256"}, // ECDHE_RSA
    {0xC030, aesGcm, 32, 4, nullptr, "SHA384"},
    {0x00A8, aesGcm, 16, 4, nullptr, "SHA256"}, // PSK
    {0x00A9, aesGcm, 32, 4, nullptr, "SHA384"},
    // TLS 1.2 ChaCha20-Poly1305 (RFC 7905)
    {0xCCA8, chacha20Poly1305, 32, 12, nullptr, "SHA256"}, // ECDHE_RSA
    {0xCCA9, chacha20Poly1305, 32, 12, nullptr, "SHA256"}, // ECDHE_ECDSA
    {0xCCAA, chacha20Poly1305, 32, 12, nullptr, "SHA256"}, // DHE_RSA
    {0xCCAB, chacha20Poly1305, 32, 12, nullptr, "SHA256"}, // PSK
    // TLS 1.2 AES-CBC with HMAC
    {0x002F, aesCbc, 16, 0, "SHA1", "SHA256"}, // RSA
    {0x0035, aesCbc, 32, 0, "SHA1", "SHA256"},
    {0x003C, aesCbc, 16, 0, "SHA256", "SHA256"},
    {0x003D, aesCbc, 32, 0, "SHA256", "SHA256"},
    {0x0033, aesCbc, 16, 0, "SHA1", "SHA256"}, // DHE_RSA
    {0x0039, aesCbc, 32, 0, "SHA1", "SHA256"},
    {0x0067, aesCbc, 16, 0, "SHA256", "SHA256"},
    {0x006B, aesCbc, 32, 0, "SHA256", "SHA256"},
    {0xC009, aesCbc, 16, 0, "SHA1", "SHA256"}, // ECDHE_ECDSA
    {0xC00A, aesCbc, 32, 0, "SHA1", "SHA256"},
    {0xC023, aesCbc, 16, 0, "SHA256", "SHA256"},
    {0xC024, aesCbc, 32, 0, "SHA384", "SHA384"},
    {0xC013, aesCbc, 16, 0, "SHA1", "SHA256"}, // ECDHE_RSA
    {0xC014, aesCbc, 32, 0, "SHA1", "SHA256"},
    {0xC027, aesCbc, 16, 0, "SHA256", "SHA256"},
    {0xC028, aesCbc, 32, 0, "SHA384", "SHA384"},
    {0x008C, aesCbc, 16, 0, "SHA1", "SHA256"}, // PSK
}};

} // namespace

std::size_t TlsCipherSuite::macLength() const {
    if (!macDigest)
        return 0;
    std::string_view digest = macDigest;
    return digest == "SHA1" ? 20 : digest == "SHA256" ? 32 : 48;
}

const TlsCipherSuite* findTlsCipherSuite(std::uint16_t id) {
    for (const auto& suite : suites)
        if (suite.id == id)
            return &suite;
    return nullptr;
}

} // namespace capture
