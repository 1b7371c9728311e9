#include "TlsKeySchedule.hpp"

#include <array>
#include <memory>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <string>

namespace capture {

namespace {

struct KdfFree {
    void operator()(EVP_KDF_CTX* context) const { EVP_KDF_CTX_free(context); }
};

// Runs the libcrypto KDF `name` with `parameters`, for `length` octets.
std::optional<zem::ByteBuffer> derive(const char* name, const OSSL_PARAM* parameters,
                                      std::size_t length) {
    EVP_KDF* kdf = EVP_KDF_fetch(nullptr, name, nullptr);
    if (!kdf)
        return std::nullopt;
    std::unique_ptr<EVP_KDF_CTX, KdfFree> context(EVP_KDF_CTX_new(kdf));
    EVP_KDF_free(kdf);
    zem::ByteBuffer out(length);
    if (!context || EVP_KDF_derive(context.get(), out.data(), out.size(), parameters) != 1)
        return std::nullopt;
    return out;
}

OSSL_PARAM octets(const char* key, zem::ByteView value) {
    // libcrypto only reads these parameters; its API takes them as non-const.
    return OSSL_PARAM_construct_octet_string(key, const_cast<std::uint8_t*>(value.span().data()),
                                             value.size());
}

// HKDF-Expand-Label(secret, label, "", length).
std::optional<zem::ByteBuffer> expandLabel(const TlsCipherSuite& suite, zem::ByteView secret,
                                           std::string_view label, std::size_t length) {
    int mode = EVP_KDF_HKDF_MODE_EXPAND_ONLY;
    static constexpr std::string_view prefix = "tls13 ";
    std::uint8_t noContext = 0;
    std::array<OSSL_PARAM, 7> parameters{
        OSSL_PARAM_construct_int(OSSL_KDF_PARAM_MODE, &mode),
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, const_cast<char*>(suite.prfDigest),
                                         0),
        octets(OSSL_KDF_PARAM_KEY, secret),
        octets(OSSL_KDF_PARAM_PREFIX,
               zem::ByteView(
                   std::span(reinterpret_cast<const std::uint8_t*>(prefix.data()), prefix.size()))),
        octets(OSSL_KDF_PARAM_LABEL,
               zem::ByteView(
                   std::span(reinterpret_cast<const std::uint8_t*>(label.data()), label.size()))),
        // An empty context; libcrypto refuses a null pointer even of length zero.
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_DATA, &noContext, 0),
        OSSL_PARAM_construct_end(),
    };
    return derive(OSSL_KDF_NAME_TLS1_3_KDF, parameters.data(), length);
}

std::size_t hashLength(const TlsCipherSuite& suite) {
    return std::string_view(suite.prfDigest) == "SHA384" ? 48 : 32;
}

} // namespace

std::optional<TlsTrafficKeys> tls12TrafficKeys(const TlsCipherSuite& suite,
                                               zem::ByteView masterSecret,
                                               const TlsRandom& clientRandom,
                                               const TlsRandom& serverRandom, bool client) {
    static constexpr std::string_view label = "key expansion";
    zem::ByteBuffer seed(label.begin(), label.end());
    seed.insert(seed.end(), serverRandom.begin(), serverRandom.end());
    seed.insert(seed.end(), clientRandom.begin(), clientRandom.end());
    const std::size_t mac = suite.macLength(), key = suite.keyLength, iv = suite.fixedIvLength;
    std::array<OSSL_PARAM, 4> parameters{
        OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, const_cast<char*>(suite.prfDigest),
                                         0),
        octets(OSSL_KDF_PARAM_SECRET, masterSecret),
        octets(OSSL_KDF_PARAM_SEED, zem::ByteView(seed)),
        OSSL_PARAM_construct_end(),
    };
    auto block = derive(OSSL_KDF_NAME_TLS1_PRF, parameters.data(), 2 * (mac + key + iv));
    if (!block)
        return std::nullopt;
    // client MAC key, server MAC key, client key, server key, client IV, server IV
    zem::ByteView octetsOf(*block);
    const std::size_t side = client ? 0 : 1;
    return TlsTrafficKeys{octetsOf.slice(2 * mac + side * key, key).copy(),
                          octetsOf.slice(2 * (mac + key) + side * iv, iv).copy(),
                          octetsOf.slice(side * mac, mac).copy()};
}

std::optional<TlsTrafficKeys> tls13TrafficKeys(const TlsCipherSuite& suite,
                                               zem::ByteView trafficSecret) {
    auto key = expandLabel(suite, trafficSecret, "key", suite.keyLength);
    auto iv = expandLabel(suite, trafficSecret, "iv", suite.fixedIvLength);
    if (!key || !iv)
        return std::nullopt;
    return TlsTrafficKeys{std::move(*key), std::move(*iv), {}};
}

std::optional<zem::ByteBuffer> tls13NextTrafficSecret(const TlsCipherSuite& suite,
                                                      zem::ByteView trafficSecret) {
    return expandLabel(suite, trafficSecret, "traffic upd", hashLength(suite));
}

} // namespace capture
