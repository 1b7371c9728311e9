// auth.method, auth.outcome and auth.reason on every message of an authentication: the
// file is read ahead until the authentication ends, so that its first request already
// says how it ended.
#include "RunAnalyzer.hpp"

#include <gtest/gtest.h>

TEST(AuthenticationFields, EveryMessageSaysHowItsAuthenticationEnded) {
    const std::string samples = RADIUS_SAMPLES_DIR;
    struct Case {
        std::string arguments;
        std::string output;
    } cases[] = {
        {"-T fields -e frame -e auth.method -e auth.outcome -Y 'frame == 1 || frame == 16' " +
             samples + "/eap-tls.pcap",
         "1\tEAP-TLS\tAccess-Accept\n16\tEAP-TLS\tAccess-Accept\n"},
        {"-T fields -e frame -e auth.reason -Y 'frame == 17' " + samples + "/eap-tls.pcap",
         "17\tunknown_ca (no alert; client certificate O=Example,CN=mallory issued by CN=Rogue "
         "CA,O=Example, which the server does not accept)\n"},
        {"-T fields -e frame -Y 'auth.reason BEGINSWITH \"certificate_expired\"' " + samples +
             "/eap-tls.pcap",
         "29\n30\n31\n32\n33\n34\n35\n36\n37\n38\n39\n40\n41\n42\n"},
        {"-T fields -e frame -e auth.outcome -e auth.reason -Y 'auth.outcome != "
         "\"Access-Accept\"' " +
             samples + "/auth-exchange.pcap",
         "3\tAccess-Reject\tReply-Message: Denied\n4\tAccess-Reject\tReply-Message: Denied\n"
         "5\tAccess-Reject\tReply-Message: Denied\n6\tAccess-Reject\tReply-Message: Denied\n"
         "7\ttimed out\tthe server answered no Access-Request\n"
         "8\ttimed out\tthe server answered no Access-Request\n"},
        {"-T fields -e frame -e auth.method -Y 'auth.method == \"PAP\"' " + samples + "/pap.pcap",
         "1\tPAP\n2\tPAP\n3\tPAP\n4\tPAP\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto run = testing_support::runAnalyzer(c.arguments);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, c.output);
    }
}
