// Fuzz target for the certificates a TLS handshake carries: the input is read as a DER
// certificate and as a DER name (a CertificateRequest's authority), through libcrypto,
// and summarized as the TLS node shows them.
#include "tls/X509Summary.hpp"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zem::ByteView der(std::span<const std::uint8_t>(data, size));
    std::size_t seen = 0;
    if (const auto certificate = analysis::summarizeCertificate(der))
        seen += certificate->subject.size() + certificate->issuer.size() +
                certificate->notAfter.size() + certificate->key.size();
    if (const auto name = analysis::distinguishedNameText(der))
        seen += name->size();
    return seen == SIZE_MAX;
}
