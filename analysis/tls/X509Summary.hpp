// X509Summary: what the applications show of a certificate a TLS handshake carries
// (subject, issuer, validity, key), read through libcrypto's X.509 functions. Names are
// RFC 4514 text, times ISO 8601 in UTC.
//
//   if (auto certificate = summarizeCertificate(der)) certificate->subject;
#pragma once

#include "ByteView.hpp"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace analysis {

struct X509Summary {
    std::string subject, issuer;
    std::string notBefore, notAfter;             // "2027-01-31T12:00:00Z"
    std::optional<std::int64_t> notAfterSeconds; // since 1970
    std::optional<std::int64_t> notBeforeSeconds;
    std::string key;    // "RSA 2048 bits"
    std::string serial; // hexadecimal
};

/// Nothing when libcrypto reads no certificate in the octets.
std::optional<X509Summary> summarizeCertificate(zem::ByteView der);

/// The RFC 4514 text of a DER Name (a CertificateRequest's certificate authority).
std::optional<std::string> distinguishedNameText(zem::ByteView der);

} // namespace analysis
