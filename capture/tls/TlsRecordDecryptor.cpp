#include "TlsRecordDecryptor.hpp"

#include <algorithm>
#include <array>
#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace capture {

namespace {

constexpr std::size_t aeadTagLength = 16, cbcBlock = 16, explicitNonceLength = 8;

const EVP_CIPHER* cipherOf(const TlsCipherSuite& suite) {
    switch (suite.bulk) {
    case TlsBulkCipher::aesGcm:
        return suite.keyLength == 16 ? EVP_aes_128_gcm() : EVP_aes_256_gcm();
    case TlsBulkCipher::chacha20Poly1305:
        return EVP_chacha20_poly1305();
    case TlsBulkCipher::aesCbc:
        return suite.keyLength == 16 ? EVP_aes_128_cbc() : EVP_aes_256_cbc();
    }
    return nullptr;
}

void putBigEndian(std::uint8_t* out, std::uint64_t value, std::size_t octets) {
    for (std::size_t i = 0; i < octets; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * (octets - 1 - i)));
}

// TLS 1.2's additional data and CBC MAC header: sequence, type, version, length.
std::array<std::uint8_t, 13> recordPseudoHeader(std::uint64_t sequence, std::uint8_t type,
                                                std::uint16_t version, std::size_t length) {
    std::array<std::uint8_t, 13> header{};
    putBigEndian(header.data(), sequence, 8);
    header[8] = type;
    putBigEndian(header.data() + 9, version, 2);
    putBigEndian(header.data() + 11, length, 2);
    return header;
}

int asInt(std::size_t size) {
    return static_cast<int>(size);
}

} // namespace

void TlsRecordDecryptor::CipherFree::operator()(evp_cipher_ctx_st* context) const {
    EVP_CIPHER_CTX_free(context);
}

TlsRecordDecryptor::TlsRecordDecryptor(const TlsCipherSuite& suite, TlsTrafficKeys keys,
                                       TlsRecordProtection protection, bool encryptThenMac)
    : suite_(&suite), keys_(std::move(keys)), protection_(protection),
      encryptThenMac_(encryptThenMac), context_(EVP_CIPHER_CTX_new()) {
    // The key is set once; each record sets only its nonce or IV.
    if (context_ && EVP_DecryptInit_ex(context_.get(), cipherOf(suite), nullptr, keys_.key.data(),
                                       nullptr) != 1)
        context_.reset();
    if (context_ && suite.bulk == TlsBulkCipher::aesCbc)
        EVP_CIPHER_CTX_set_padding(context_.get(), 0);
}

TlsRecordDecryptor::~TlsRecordDecryptor() = default;
TlsRecordDecryptor::TlsRecordDecryptor(TlsRecordDecryptor&&) noexcept = default;
TlsRecordDecryptor& TlsRecordDecryptor::operator=(TlsRecordDecryptor&&) noexcept = default;

std::optional<TlsPlaintext> TlsRecordDecryptor::decrypt(std::uint64_t sequence, std::uint8_t type,
                                                        std::uint16_t version,
                                                        zem::ByteView fragment) {
    if (!context_)
        return std::nullopt;
    if (suite_->bulk == TlsBulkCipher::aesCbc)
        return protection_ == TlsRecordProtection::tls12
                   ? openCbc(sequence, type, version, fragment)
                   : std::nullopt;
    return openAead(sequence, type, version, fragment);
}

std::optional<TlsPlaintext> TlsRecordDecryptor::openAead(std::uint64_t sequence, std::uint8_t type,
                                                         std::uint16_t version,
                                                         zem::ByteView fragment) {
    const bool tls13 = protection_ == TlsRecordProtection::tls13;
    // TLS 1.2's AES-GCM sends 8 octets of its nonce before the ciphertext; ChaCha20 and
    // TLS 1.3 form the whole nonce from the IV and the sequence number.
    const bool explicitNonce = !tls13 && suite_->bulk == TlsBulkCipher::aesGcm;
    const std::size_t overhead = aeadTagLength + (explicitNonce ? explicitNonceLength : 0);
    if (fragment.size() < overhead || keys_.iv.size() + (explicitNonce ? 8 : 0) != 12)
        return std::nullopt;
    std::array<std::uint8_t, 12> nonce{};
    if (explicitNonce) {
        std::copy(keys_.iv.begin(), keys_.iv.end(), nonce.begin());
        std::copy_n(fragment.begin(), explicitNonceLength, nonce.begin() + 4);
    } else {
        std::array<std::uint8_t, 8> number{};
        putBigEndian(number.data(), sequence, 8);
        std::copy(keys_.iv.begin(), keys_.iv.end(), nonce.begin());
        for (std::size_t i = 0; i < 8; ++i)
            nonce[4 + i] ^= number[i];
    }
    zem::ByteView ciphertext =
        fragment.slice(explicitNonce ? explicitNonceLength : 0, fragment.size() - overhead);
    zem::ByteView tag = fragment.slice(fragment.size() - aeadTagLength);

    std::array<std::uint8_t, 13> additional{};
    std::size_t additionalLength = 13;
    if (tls13) {
        // TLS 1.3 authenticates the record header as sent.
        additional[0] = type;
        putBigEndian(additional.data() + 1, version, 2);
        putBigEndian(additional.data() + 3, fragment.size(), 2);
        additionalLength = 5;
    } else {
        additional = recordPseudoHeader(sequence, type, version, ciphertext.size());
    }

    EVP_CIPHER_CTX* context = context_.get();
    TlsPlaintext plain;
    plain.octets.resize(ciphertext.size() + cbcBlock);
    int written = 0, finalWritten = 0;
    if (EVP_DecryptInit_ex(context, nullptr, nullptr, nullptr, nonce.data()) != 1 ||
        EVP_DecryptUpdate(context, nullptr, &written, additional.data(), asInt(additionalLength)) !=
            1 ||
        EVP_DecryptUpdate(context, plain.octets.data(), &written, ciphertext.span().data(),
                          asInt(ciphertext.size())) != 1 ||
        EVP_CIPHER_CTX_ctrl(context, EVP_CTRL_AEAD_SET_TAG, asInt(aeadTagLength),
                            const_cast<std::uint8_t*>(tag.span().data())) != 1 ||
        EVP_DecryptFinal_ex(context, plain.octets.data() + written, &finalWritten) != 1)
        return std::nullopt;
    plain.octets.resize(static_cast<std::size_t>(written + finalWritten));
    plain.contentType = type;
    if (tls13) {
        // TLSInnerPlaintext: content, its type, then zero padding.
        while (!plain.octets.empty() && plain.octets.back() == 0)
            plain.octets.pop_back();
        if (plain.octets.empty())
            return std::nullopt;
        plain.contentType = plain.octets.back();
        plain.octets.pop_back();
    }
    return plain;
}

bool TlsRecordDecryptor::macMatches(std::uint64_t sequence, std::uint8_t type,
                                    std::uint16_t version, zem::ByteView content,
                                    zem::ByteView mac) const {
    const EVP_MD* digest = EVP_get_digestbyname(suite_->macDigest);
    if (!digest)
        return false;
    auto header = recordPseudoHeader(sequence, type, version, content.size());
    zem::ByteBuffer input(header.begin(), header.end());
    input.insert(input.end(), content.begin(), content.end());
    std::array<std::uint8_t, EVP_MAX_MD_SIZE> expected{};
    unsigned int expectedLength = 0;
    if (!HMAC(digest, keys_.macKey.data(), asInt(keys_.macKey.size()), input.data(), input.size(),
              expected.data(), &expectedLength) ||
        expectedLength != mac.size())
        return false;
    return std::equal(mac.begin(), mac.end(), expected.begin());
}

std::optional<TlsPlaintext> TlsRecordDecryptor::openCbc(std::uint64_t sequence, std::uint8_t type,
                                                        std::uint16_t version,
                                                        zem::ByteView fragment) {
    const std::size_t macLength = suite_->macLength();
    zem::ByteView encrypted = fragment;
    if (encryptThenMac_) {
        // RFC 7366: the MAC covers the IV and the ciphertext and follows them.
        if (fragment.size() < macLength)
            return std::nullopt;
        encrypted = fragment.slice(0, fragment.size() - macLength);
        if (!macMatches(sequence, type, version, encrypted,
                        fragment.slice(fragment.size() - macLength)))
            return std::nullopt;
    }
    if (encrypted.size() < 2 * cbcBlock || encrypted.size() % cbcBlock != 0)
        return std::nullopt;
    zem::ByteView iv = encrypted.slice(0, cbcBlock), ciphertext = encrypted.slice(cbcBlock);
    TlsPlaintext plain;
    plain.octets.resize(ciphertext.size() + cbcBlock);
    int written = 0, finalWritten = 0;
    EVP_CIPHER_CTX* context = context_.get();
    if (EVP_DecryptInit_ex(context, nullptr, nullptr, nullptr, iv.span().data()) != 1 ||
        EVP_DecryptUpdate(context, plain.octets.data(), &written, ciphertext.span().data(),
                          asInt(ciphertext.size())) != 1 ||
        EVP_DecryptFinal_ex(context, plain.octets.data() + written, &finalWritten) != 1)
        return std::nullopt;
    plain.octets.resize(static_cast<std::size_t>(written + finalWritten));
    // Padding: its length in the last octet, repeated in each padding octet.
    const std::size_t padding = std::size_t{plain.octets.back()} + 1;
    const std::size_t trailer = padding + (encryptThenMac_ ? 0 : macLength);
    if (trailer > plain.octets.size() ||
        !std::all_of(plain.octets.end() - static_cast<std::ptrdiff_t>(padding), plain.octets.end(),
                     [&](std::uint8_t octet) { return octet == plain.octets.back(); }))
        return std::nullopt;
    plain.octets.resize(plain.octets.size() - padding);
    if (!encryptThenMac_) {
        const std::size_t contentLength = plain.octets.size() - macLength;
        zem::ByteView all(plain.octets);
        if (!macMatches(sequence, type, version, all.slice(0, contentLength),
                        all.slice(contentLength)))
            return std::nullopt;
        plain.octets.resize(contentLength);
    }
    plain.contentType = type;
    return plain;
}

} // namespace capture
