// Why a TLS-based authentication failed, from what its records showed: an alert's own
// words first; without one, a certificate expired (or not yet valid) when it was sent, or
// a client's issued by an authority the server's CertificateRequest does not name.
#include "reports/TlsOutcome.hpp"

#include <gtest/gtest.h>

namespace {

analysis::CertificateFacts certificate(std::string subject, std::string issuer,
                                       std::int64_t notBefore, std::int64_t notAfter) {
    return {std::move(subject), std::move(issuer), "2020-02-01T00:00:00Z", notBefore, notAfter};
}

struct Sent {
    bool fromServer;
    analysis::TlsFacts facts;
    double time = 1000;
};

} // namespace

TEST(TlsOutcome, NamesTheReasonTheRecordsShow) {
    const auto server = certificate("CN=radius", "CN=CA", 0, 5000);
    const auto alice = certificate("CN=alice", "CN=CA", 0, 5000);
    const auto mallory = certificate("CN=mallory", "CN=Rogue", 0, 5000);
    const auto carol = certificate("CN=carol", "CN=CA", 0, 500);
    analysis::TlsFacts hello;
    hello.certificate = server;
    hello.acceptedAuthorities = {"CN=CA"};
    hello.version = 0x0303;
    auto early = hello;
    early.certificate = certificate("CN=radius", "CN=CA", 2000, 5000);
    const auto alert = [](std::uint8_t description) {
        analysis::TlsFacts facts;
        facts.alert = analysis::TlsAlert{2, description};
        return facts;
    };
    const auto sends = [](analysis::CertificateFacts c) {
        analysis::TlsFacts facts;
        facts.certificate = std::move(c);
        return facts;
    };
    struct Case {
        const char* what;
        std::vector<Sent> sent;
        std::string kind; // empty: no reason
        std::string text;
    } cases[] = {
        {"accepted certificates", {{true, hello}, {false, sends(alice)}}, "", ""},
        {"an alert from the server names the client's certificate",
         {{true, hello}, {false, sends(alice)}, {true, alert(48)}},
         "unknown_ca",
         "unknown_ca (alert from the server; client certificate CN=alice)"},
        {"close_notify is no failure", {{true, hello}, {false, alert(0)}}, "", ""},
        {"a client certificate from an authority the server does not name",
         {{true, hello}, {false, sends(mallory)}},
         "unknown_ca",
         "unknown_ca (no alert; client certificate CN=mallory issued by CN=Rogue, which the "
         "server does not accept)"},
        {"an expired client certificate",
         {{true, hello}, {false, sends(carol)}},
         "certificate_expired",
         "certificate_expired (no alert; client certificate CN=carol expired "
         "2020-02-01T00:00:00Z)"},
        {"a server certificate not yet valid",
         {{true, early}, {false, sends(alice)}},
         "certificate_expired",
         "certificate_expired (no alert; server certificate CN=radius not yet valid)"},
        {"no authorities named: no guess",
         {{true, sends(server)}, {false, sends(mallory)}},
         "",
         ""},
    };
    for (const auto& c : cases) {
        analysis::TlsOutcome outcome;
        for (const auto& s : c.sent)
            outcome.add(s.facts, s.fromServer, s.time);
        const auto reason = outcome.failureReason();
        EXPECT_EQ(reason ? reason->kind : "", c.kind) << c.what;
        EXPECT_EQ(reason ? reason->text : "", c.text) << c.what;
    }
}
