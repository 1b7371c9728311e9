// The sending side of TLS record protection, for the tests and the benchmark captures:
// seals records as a TLS peer would, with libcrypto's ciphers directly, so that decryption
// is checked against records made apart from it.
#pragma once

#include "TlsCipherSuites.hpp"
#include "TlsKeySchedule.hpp"
#include "TlsRecordDecryptor.hpp"

#include <array>
#include <cstdint>
#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace tlstest {

inline void appendBigEndian(zem::ByteBuffer& out, std::uint64_t value, std::size_t octets) {
    for (std::size_t i = 0; i < octets; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * (octets - 1 - i))));
}

/// A TLS handshake message: type, 24-bit length, body.
inline zem::ByteBuffer handshakeMessage(std::uint8_t type, const zem::ByteBuffer& body) {
    // Reserved first: GCC 12's Release build warns falsely of growing a short list.
    zem::ByteBuffer message;
    message.reserve(4 + body.size());
    message.push_back(type);
    appendBigEndian(message, body.size(), 3);
    message.insert(message.end(), body.begin(), body.end());
    return message;
}

/// Appends a TLS record (type, version, length, fragment) to a stream.
inline void appendRecord(zem::ByteBuffer& stream, std::uint8_t type, std::uint16_t version,
                         const zem::ByteBuffer& fragment) {
    stream.reserve(stream.size() + 5 + fragment.size());
    stream.push_back(type);
    appendBigEndian(stream, version, 2);
    appendBigEndian(stream, fragment.size(), 2);
    stream.insert(stream.end(), fragment.begin(), fragment.end());
}

inline zem::ByteBuffer cipher(const EVP_CIPHER* kind, const zem::ByteBuffer& key,
                              const std::uint8_t* iv, const zem::ByteBuffer& additional,
                              const zem::ByteBuffer& plain, zem::ByteBuffer* tag) {
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(context, kind, nullptr, key.data(), iv);
    EVP_CIPHER_CTX_set_padding(context, 0);
    int written = 0;
    if (!additional.empty())
        EVP_EncryptUpdate(context, nullptr, &written, additional.data(),
                          static_cast<int>(additional.size()));
    zem::ByteBuffer out(plain.size() + 16);
    EVP_EncryptUpdate(context, out.data(), &written, plain.data(), static_cast<int>(plain.size()));
    int last = 0;
    EVP_EncryptFinal_ex(context, out.data() + written, &last);
    out.resize(static_cast<std::size_t>(written + last));
    if (tag) {
        tag->resize(16);
        EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_AEAD_GET_TAG, 16, tag->data());
    }
    EVP_CIPHER_CTX_free(context);
    return out;
}

inline zem::ByteBuffer hmac(const capture::TlsCipherSuite& suite, const zem::ByteBuffer& key,
                            const zem::ByteBuffer& data) {
    std::array<std::uint8_t, EVP_MAX_MD_SIZE> mac{};
    unsigned length = 0;
    HMAC(EVP_get_digestbyname(suite.macDigest), key.data(), static_cast<int>(key.size()),
         data.data(), data.size(), mac.data(), &length);
    return zem::ByteBuffer(mac.begin(), mac.begin() + length);
}

/// The fragment of a protected record carrying `plain` (of `innerType` in TLS 1.3).
inline zem::ByteBuffer seal(const capture::TlsCipherSuite& suite,
                            const capture::TlsTrafficKeys& keys,
                            capture::TlsRecordProtection protection, bool encryptThenMac,
                            std::uint64_t sequence, std::uint8_t type, std::uint16_t version,
                            const zem::ByteBuffer& plain, std::uint8_t innerType = 23) {
    using capture::TlsBulkCipher;
    const bool tls13 = protection == capture::TlsRecordProtection::tls13;
    zem::ByteBuffer header; // sequence, type, version, length (TLS 1.2)
    appendBigEndian(header, sequence, 8);
    header.push_back(type);
    appendBigEndian(header, version, 2);
    if (suite.bulk == TlsBulkCipher::aesCbc) {
        const zem::ByteBuffer iv(16, 0x11);
        const EVP_CIPHER* kind = suite.keyLength == 16 ? EVP_aes_128_cbc() : EVP_aes_256_cbc();
        auto padded = [](zem::ByteBuffer data) {
            const std::size_t padding = 15 - data.size() % 16;
            data.insert(data.end(), padding + 1, static_cast<std::uint8_t>(padding));
            return data;
        };
        zem::ByteBuffer fragment = iv;
        if (encryptThenMac) {
            auto encrypted = cipher(kind, keys.key, iv.data(), {}, padded(plain), nullptr);
            fragment.insert(fragment.end(), encrypted.begin(), encrypted.end());
            zem::ByteBuffer macInput = header;
            appendBigEndian(macInput, fragment.size(), 2);
            macInput.insert(macInput.end(), fragment.begin(), fragment.end());
            auto mac = hmac(suite, keys.macKey, macInput);
            fragment.insert(fragment.end(), mac.begin(), mac.end());
            return fragment;
        }
        zem::ByteBuffer macInput = header;
        appendBigEndian(macInput, plain.size(), 2);
        macInput.insert(macInput.end(), plain.begin(), plain.end());
        zem::ByteBuffer content = plain;
        auto mac = hmac(suite, keys.macKey, macInput);
        content.insert(content.end(), mac.begin(), mac.end());
        auto encrypted = cipher(kind, keys.key, iv.data(), {}, padded(content), nullptr);
        fragment.insert(fragment.end(), encrypted.begin(), encrypted.end());
        return fragment;
    }
    const EVP_CIPHER* kind = suite.bulk == TlsBulkCipher::chacha20Poly1305 ? EVP_chacha20_poly1305()
                             : suite.keyLength == 16                       ? EVP_aes_128_gcm()
                                                                           : EVP_aes_256_gcm();
    zem::ByteBuffer content = plain;
    if (tls13)
        content.push_back(innerType);
    std::array<std::uint8_t, 12> nonce{};
    zem::ByteBuffer fragment;
    if (!tls13 && suite.bulk == TlsBulkCipher::aesGcm) {
        std::copy(keys.iv.begin(), keys.iv.end(), nonce.begin());
        zem::ByteBuffer explicitPart;
        appendBigEndian(explicitPart, sequence, 8);
        std::copy(explicitPart.begin(), explicitPart.end(), nonce.begin() + 4);
        fragment = explicitPart;
    } else {
        std::copy(keys.iv.begin(), keys.iv.end(), nonce.begin());
        zem::ByteBuffer number;
        appendBigEndian(number, sequence, 8);
        for (std::size_t i = 0; i < 8; ++i)
            nonce[4 + i] ^= number[i];
    }
    zem::ByteBuffer additional;
    if (tls13) {
        additional.push_back(type);
        appendBigEndian(additional, version, 2);
        appendBigEndian(additional, content.size() + 16, 2);
    } else {
        additional = header;
        appendBigEndian(additional, content.size(), 2);
    }
    zem::ByteBuffer tag;
    auto encrypted = cipher(kind, keys.key, nonce.data(), additional, content, &tag);
    fragment.insert(fragment.end(), encrypted.begin(), encrypted.end());
    fragment.insert(fragment.end(), tag.begin(), tag.end());
    return fragment;
}

} // namespace tlstest
