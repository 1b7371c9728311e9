#include "reports/SecurityStatistics.hpp"

#include <gtest/gtest.h>

using analysis::CheckResult;

namespace {

analysis::MessageFacts facts(const char* client, std::uint8_t code, CheckResult verdict,
                             bool secretKnown = true) {
    analysis::MessageFacts m;
    m.code = code;
    const auto address = *zem::IPAddress::parse(client);
    const auto server = *zem::IPAddress::parse("192.0.2.1");
    // A request comes from its client; a response goes to it.
    m.origin.source = code == 1 || code == 4 ? address : server;
    m.origin.destination = code == 1 || code == 4 ? server : address;
    m.verdict = verdict;
    m.authenticator = verdict;
    m.secretKnown = secretKnown;
    return m;
}

} // namespace

TEST(SecurityStatistics, CountsPerClientAndTellsAWrongSecret) {
    analysis::SecurityStatistics statistics;
    statistics.addMessage(facts("192.0.2.10", 1, CheckResult::valid));
    statistics.addMessage(facts("192.0.2.10", 2, CheckResult::valid));
    statistics.addMessage(facts("192.0.2.10", 4, CheckResult::invalid));
    statistics.addMessage(facts("203.0.113.5", 1, CheckResult::invalid));
    statistics.addMessage(facts("203.0.113.5", 2, CheckResult::invalid));
    // Damaged without a secret: no sign of a wrong one.
    statistics.addMessage(facts("198.51.100.7", 1, CheckResult::invalid, false));
    const auto clients = statistics.perClient();
    ASSERT_EQ(clients.size(), 3u);
    EXPECT_EQ(clients[0].client.text(), "192.0.2.10");
    EXPECT_EQ(clients[0].messages, 3u);
    EXPECT_EQ(clients[0].authenticatorValid, 2u);
    EXPECT_FALSE(clients[0].wrongSecretLikely());
    EXPECT_EQ(clients[1].client.text(), "198.51.100.7");
    EXPECT_FALSE(clients[1].wrongSecretLikely());
    EXPECT_EQ(clients[2].client.text(), "203.0.113.5");
    EXPECT_TRUE(clients[2].wrongSecretLikely());
    EXPECT_EQ(statistics.totals().messages, 6u);
}

TEST(SecurityStatistics, ClientsPastTheCapacityAreCountedTogether) {
    analysis::SecurityStatistics statistics(2);
    for (const char* client : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.1"})
        statistics.addMessage(facts(client, 1, CheckResult::unverified));
    EXPECT_EQ(statistics.perClient().size(), 2u);
    EXPECT_EQ(statistics.perClient()[0].messages, 2u);
    EXPECT_EQ(statistics.others().messages, 2u);
    EXPECT_EQ(statistics.totals().messages, 5u);
}
