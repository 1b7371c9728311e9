// TlsOutcome: what the TLS records of one authentication showed (the alerts, the version
// and suite chosen, each side's certificate and the authorities the server accepts), and
// what that says of why it failed: an alert's own words, or, when no alert was sent (as
// FreeRADIUS sends none before its EAP-Failure), what the certificates show: one expired
// or not yet valid when it was sent, or a client's issued by an authority the server did
// not name.
#pragma once

#include "reports/AuthenticationFacts.hpp"

#include <optional>
#include <string>

namespace analysis {

struct FailureReason {
    std::string kind; // "unknown_ca", "certificate_expired", ...: what totals count
    std::string text; // with the certificate it is about
};

class TlsOutcome {
public:
    /// Adds what one message showed; `fromServer` for a response, at capture time `time`.
    void add(const TlsFacts& facts, bool fromServer, double time);

    /// "TLS 1.2"; empty before a ServerHello.
    std::string version() const;
    /// "TLS_ECDHE_RSA_WITH_AES_256_GCM_SHA384"; empty before a ServerHello.
    std::string cipherSuite() const;
    /// Why the authentication failed, as far as TLS shows it.
    std::optional<FailureReason> failureReason() const;

private:
    struct Sent {
        CertificateFacts certificate;
        double time = 0;
    };
    std::optional<TlsAlert> alert_;
    bool alertFromServer_ = false;
    std::optional<std::uint16_t> version_, cipherSuite_;
    std::optional<Sent> server_, client_;
    std::vector<std::string> acceptedAuthorities_;
};

} // namespace analysis
