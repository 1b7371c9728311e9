// TlsCipherSuites: what record decryption needs to know of each cipher suite it can
// decrypt: the bulk cipher, its key and fixed-IV lengths, the record MAC's digest (CBC
// suites only) and the digest of the PRF or of TLS 1.3's key schedule. One row per suite.
#pragma once

#include <cstddef>
#include <cstdint>

namespace capture {

enum class TlsBulkCipher { aesGcm, chacha20Poly1305, aesCbc };

struct TlsCipherSuite {
    std::uint16_t id;
    TlsBulkCipher bulk;
    std::size_t keyLength;
    std::size_t fixedIvLength; // implicit nonce part from the key block (TLS 1.2 AEAD)
    const char* macDigest;     // CBC suites' HMAC; nullptr for AEAD
    const char* prfDigest;     // the TLS 1.2 PRF's, or the TLS 1.3 hash
    std::size_t macLength() const;
};

/// Nothing for a suite whose records cannot be decrypted here (export, RC4, 3DES, ...).
const TlsCipherSuite* findTlsCipherSuite(std::uint16_t id);

} // namespace capture
