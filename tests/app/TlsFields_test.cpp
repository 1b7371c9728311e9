// The tls.* fields print what tshark 4.0 printed for them on the EAP samples (kept in
// peers/tls-tshark.tsv): the records of TLS messages joined across round trips, on the
// message that carries the last fragment. The x509.* fields, filters and JSON read the
// same records.
#include "RunAnalyzer.hpp"

#include <gtest/gtest.h>

TEST(TlsFields, PrintWhatTsharkPrints) {
    const auto expected =
        testing_support::peerLines("tls-tshark.tsv", [](std::string line) { return line; });
    ASSERT_EQ(expected.size(), 5u);
    for (const auto& [capture, lines] : expected) {
        SCOPED_TRACE(capture);
        const auto run = testing_support::runAnalyzer(
            "-T fields -e frame.number -e tls.record.content_type -e tls.record.version "
            "-e tls.handshake.type -e tls.handshake.ciphersuite "
            "-e tls.handshake.extensions_server_name -e tls.alert_message.level "
            "-e tls.alert_message.desc " +
            testing_support::peerCapturePath(capture));
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, lines);
    }
}

TEST(TlsFields, CertificatesFiltersAndJsonReadTheJoinedRecords) {
    const std::string capture = std::string(RADIUS_SAMPLES_DIR) + "/eap-tls.pcap";
    struct Case {
        std::string arguments;
        std::string output;
    } cases[] = {
        // Frame 10 ends the server's flight, sent in three fragments.
        {"-T fields -e x509.subject -E aggregator=';' -Y 'frame == 10'",
         "O=Example,CN=radius.example.test;CN=Example RADIUS CA,O=Example\n"},
        {"-T fields -e frame -e x509.issuer -e x509.notAfter -Y 'frame == 27'",
         "27\tCN=Rogue CA,O=Example\t2029-03-11T19:46:29Z\n"},
        {"-T fields -e x509.notAfter -E occurrence=f -Y 'frame == 41'", "2020-02-01T00:00:00Z\n"},
        {"-T fields -e frame -Y 'tls.handshake.type == 1'", "5\n21\n33\n"},
        // Any occurrence: the Client Hellos that offer the suite, the Server Hellos that
        // choose it (tshark gives the same frames).
        {"-T fields -e frame -Y 'tls.handshake.ciphersuite == 0xc030'", "5\n10\n21\n26\n33\n38\n"},
        {"-T json -Y 'frame == 10'",
         "\"certificateAuthorities\":[\"CN=Example RADIUS CA,O=Example\"]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto run = testing_support::runAnalyzer(c.arguments + " " + capture);
        EXPECT_EQ(run.status, 0);
        if (c.arguments.starts_with("-T json")) {
            EXPECT_NE(run.output.find(c.output), std::string::npos) << run.output;
            continue;
        }
        EXPECT_EQ(run.output, c.output);
    }
}

TEST(TlsFields, AnAlertIsTheReasonItsAuthenticationFailed) {
    const std::string capture = std::string(RADIUS_SAMPLES_DIR) + "/eap-tls-alert.pcap";
    const auto fields =
        testing_support::runAnalyzer("-T fields -e frame -e tls.alert_message.level -e auth.reason "
                                     "-Y 'tls.alert_message.desc == 48' " +
                                     capture);
    EXPECT_EQ(fields.output, "11\t2\tunknown_ca (alert from the client; server certificate "
                             "O=Example,CN=radius.example.test)\n");
}
