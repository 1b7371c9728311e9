// TlsRecordDecryptor: opens the protected records of one direction of a TLS 1.2, DTLS 1.2
// or TLS 1.3 connection with that direction's keys: AES-GCM and ChaCha20-Poly1305 (RFC
// 5288, RFC 7905, RFC 8446 section 5.2), and AES-CBC with HMAC, MAC-then-encrypt or
// encrypt-then-MAC (RFC 5246 section 6.2.3.2, RFC 7366). Every check is libcrypto's: a
// record that fails authentication, padding or MAC yields nothing.
//
//   TlsRecordDecryptor keys(*suite, trafficKeys, TlsRecordProtection::tls13, false);
//   if (auto plain = keys.decrypt(sequence, header.type, header.version, fragment)) ...
#pragma once

#include "ByteView.hpp"
#include "TlsCipherSuites.hpp"
#include "TlsKeySchedule.hpp"

#include <cstdint>
#include <memory>
#include <optional>

struct evp_cipher_ctx_st;

namespace capture {

enum class TlsRecordProtection { tls12, tls13 };

struct TlsPlaintext {
    std::uint8_t contentType = 0; // TLS 1.3's inner type; the record's own before it
    zem::ByteBuffer octets;
};

class TlsRecordDecryptor {
public:
    TlsRecordDecryptor(const TlsCipherSuite& suite, TlsTrafficKeys keys,
                       TlsRecordProtection protection, bool encryptThenMac);
    ~TlsRecordDecryptor();
    TlsRecordDecryptor(TlsRecordDecryptor&&) noexcept;
    TlsRecordDecryptor& operator=(TlsRecordDecryptor&&) noexcept;

    /// `sequence` is TLS's implicit record number, or DTLS's epoch and sequence number.
    std::optional<TlsPlaintext> decrypt(std::uint64_t sequence, std::uint8_t type,
                                        std::uint16_t version, zem::ByteView fragment);

private:
    std::optional<TlsPlaintext> openAead(std::uint64_t sequence, std::uint8_t type,
                                         std::uint16_t version, zem::ByteView fragment);
    std::optional<TlsPlaintext> openCbc(std::uint64_t sequence, std::uint8_t type,
                                        std::uint16_t version, zem::ByteView fragment);
    bool macMatches(std::uint64_t sequence, std::uint8_t type, std::uint16_t version,
                    zem::ByteView content, zem::ByteView mac) const;

    const TlsCipherSuite* suite_;
    TlsTrafficKeys keys_;
    TlsRecordProtection protection_;
    bool encryptThenMac_;
    struct CipherFree {
        void operator()(evp_cipher_ctx_st* context) const;
    };
    std::unique_ptr<evp_cipher_ctx_st, CipherFree> context_;
};

} // namespace capture
