// AuthenticationFacts: what following an authentication reads of one Access message:
// the State that ties its round trips, who asks (Calling-Station-Id, User-Name), how (a
// password, CHAP, MS-CHAP, or EAP and its type), what the server said (Reply-Message),
// and what a TLS-based method shows in clear: alerts, the version and suite chosen, the
// certificate sent and the certificate authorities the server accepts.
#pragma once

#include "eap/EapPacket.hpp"
#include "tls/TlsFlight.hpp"
#include "wire/WireMessage.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace analysis {

struct CertificateFacts {
    std::string subject, issuer, notAfter;
    std::optional<std::int64_t> notBeforeSeconds, notAfterSeconds;
};

struct TlsFacts {
    std::optional<TlsAlert> alert;
    std::optional<std::uint16_t> version, cipherSuite; // a ServerHello's choice
    std::optional<CertificateFacts> certificate;       // the first one sent: the sender's own
    std::vector<std::string> acceptedAuthorities;      // a CertificateRequest's
};

struct AuthenticationFacts {
    std::string state; // the State attribute's octets; empty without one
    std::string callingStationId;
    std::string userName;
    std::string replyMessage;
    bool password = false, chap = false, msChap = false;
    std::optional<std::uint8_t> eapCode, eapType;
    std::string eapDesired; // a Nak's desired types, one octet each
    std::optional<TlsFacts> tls;
};

/// The facts of an Access-Request, -Accept, -Reject or -Challenge; nothing for other codes.
/// `eap`: the EAP packet its EAP-Message attributes join into, which the caller has most
/// likely joined already for other readers.
std::optional<AuthenticationFacts> authenticationFacts(const WireMessage& wire,
                                                       const std::optional<EapPacket>& eap);

/// What following an authentication reads of the TLS records a message carries.
TlsFacts tlsFacts(const TlsFlight& flight);

} // namespace analysis
