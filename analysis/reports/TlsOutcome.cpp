#include "reports/TlsOutcome.hpp"

#include "tls/TlsNames.hpp"

#include <algorithm>
#include <initializer_list>
#include <string_view>

namespace analysis {

namespace {

constexpr std::uint8_t closeNotify = 0;

// Pieces appended one by one: GCC 12 warns falsely (-Wrestrict) of a literal put before
// a string.
std::string joined(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (const auto piece : pieces)
        text += piece;
    return text;
}

std::string certificateText(std::string_view side, const CertificateFacts& certificate) {
    std::string text(side);
    text += " certificate ";
    text += certificate.subject;
    return text;
}

} // namespace

void TlsOutcome::add(const TlsFacts& facts, bool fromServer, double time) {
    if (facts.alert && facts.alert->description != closeNotify && !alert_) {
        alert_ = facts.alert;
        alertFromServer_ = fromServer;
    }
    if (facts.version)
        version_ = facts.version;
    if (facts.cipherSuite)
        cipherSuite_ = facts.cipherSuite;
    if (facts.certificate)
        (fromServer ? server_ : client_) = Sent{*facts.certificate, time};
    if (!facts.acceptedAuthorities.empty())
        acceptedAuthorities_ = facts.acceptedAuthorities;
}

std::string TlsOutcome::version() const {
    if (!version_)
        return {};
    const auto name = tlsVersionName(*version_);
    return name ? std::string(*name) : hex16(*version_);
}

std::string TlsOutcome::cipherSuite() const {
    if (!cipherSuite_)
        return {};
    return tlsCipherSuiteName(*cipherSuite_).value_or(hex16(*cipherSuite_));
}

std::optional<FailureReason> TlsOutcome::failureReason() const {
    if (alert_) {
        FailureReason reason;
        const auto name = tlsAlertName(alert_->description);
        reason.kind = name ? std::string(*name) : std::to_string(alert_->description);
        reason.text = reason.kind;
        reason.text += alertFromServer_ ? " (alert from the server" : " (alert from the client";
        // The certificate the alerting side refused: the other side's.
        if (const auto& refused = alertFromServer_ ? client_ : server_) {
            reason.text += "; ";
            reason.text +=
                certificateText(alertFromServer_ ? "client" : "server", refused->certificate);
        }
        reason.text += ')';
        return reason;
    }
    // Without an alert, what the certificates show; the server's first, which every
    // method checks.
    for (const auto& [side, sent] :
         {std::pair{"server", &server_}, std::pair{"client", &client_}}) {
        if (!*sent)
            continue;
        const auto& certificate = (*sent)->certificate;
        const auto when = static_cast<std::int64_t>((*sent)->time);
        if (certificate.notAfterSeconds && when > *certificate.notAfterSeconds)
            return FailureReason{
                "certificate_expired",
                joined({"certificate_expired (no alert; ", certificateText(side, certificate),
                        " expired ", certificate.notAfter, ")"})};
        if (certificate.notBeforeSeconds && when < *certificate.notBeforeSeconds)
            return FailureReason{"certificate_expired",
                                 joined({"certificate_expired (no alert; ",
                                         certificateText(side, certificate), " not yet valid)"})};
    }
    if (client_ && !acceptedAuthorities_.empty() &&
        std::find(acceptedAuthorities_.begin(), acceptedAuthorities_.end(),
                  client_->certificate.issuer) == acceptedAuthorities_.end())
        return FailureReason{"unknown_ca", joined({"unknown_ca (no alert; ",
                                                   certificateText("client", client_->certificate),
                                                   " issued by ", client_->certificate.issuer,
                                                   ", which the server does not accept)"})};
    return std::nullopt;
}

} // namespace analysis
