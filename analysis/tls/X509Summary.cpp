#include "tls/X509Summary.hpp"

#include <cstdio>
#include <memory>
#include <openssl/asn1.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

namespace analysis {

namespace {

struct FreeX509 {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct FreeName {
    void operator()(X509_NAME* name) const { X509_NAME_free(name); }
};
struct FreeBio {
    void operator()(BIO* bio) const { BIO_free(bio); }
};

// RFC 4514 order and escaping (most specific first), with UTF-8 left as it is.
std::string nameText(const X509_NAME* name) {
    if (!name)
        return {};
    std::unique_ptr<BIO, FreeBio> out(BIO_new(BIO_s_mem()));
    if (!out)
        return {};
    constexpr unsigned long flags = XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB;
    if (X509_NAME_print_ex(out.get(), name, 0, flags) < 0)
        return {};
    char* text = nullptr;
    const auto length = BIO_get_mem_data(out.get(), &text);
    return length > 0 ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}

struct TimeText {
    std::string text;
    std::optional<std::int64_t> seconds;
};

TimeText timeText(const ASN1_TIME* time) {
    std::tm parts{};
    if (!time || ASN1_TIME_to_tm(time, &parts) != 1)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return {text, static_cast<std::int64_t>(timegm(&parts))};
}

std::string keyText(X509* certificate) {
    const EVP_PKEY* key = X509_get0_pubkey(certificate);
    if (!key)
        return {};
    const char* type = EVP_PKEY_get0_type_name(key);
    std::string text = type ? type : "key";
    text += ' ';
    text += std::to_string(EVP_PKEY_get_bits(key));
    text += " bits";
    return text;
}

std::string serialText(X509* certificate) {
    BIGNUM* number = ASN1_INTEGER_to_BN(X509_get0_serialNumber(certificate), nullptr);
    if (!number)
        return {};
    char* hex = BN_bn2hex(number);
    std::string text = hex ? hex : "";
    OPENSSL_free(hex);
    BN_free(number);
    return text;
}

} // namespace

std::optional<X509Summary> summarizeCertificate(zem::ByteView der) {
    const unsigned char* at = der.span().data();
    std::unique_ptr<X509, FreeX509> certificate(
        d2i_X509(nullptr, &at, static_cast<long>(der.size())));
    if (!certificate)
        return std::nullopt;
    X509Summary summary;
    summary.subject = nameText(X509_get_subject_name(certificate.get()));
    summary.issuer = nameText(X509_get_issuer_name(certificate.get()));
    auto notBefore = timeText(X509_get0_notBefore(certificate.get()));
    auto notAfter = timeText(X509_get0_notAfter(certificate.get()));
    summary.notBefore = std::move(notBefore.text);
    summary.notBeforeSeconds = notBefore.seconds;
    summary.notAfter = std::move(notAfter.text);
    summary.notAfterSeconds = notAfter.seconds;
    summary.key = keyText(certificate.get());
    summary.serial = serialText(certificate.get());
    return summary;
}

std::optional<std::string> distinguishedNameText(zem::ByteView der) {
    const unsigned char* at = der.span().data();
    std::unique_ptr<X509_NAME, FreeName> name(
        d2i_X509_NAME(nullptr, &at, static_cast<long>(der.size())));
    if (!name)
        return std::nullopt;
    return nameText(name.get());
}

} // namespace analysis
