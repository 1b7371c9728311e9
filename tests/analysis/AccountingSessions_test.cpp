#include "TestSupport.hpp"
#include "reports/AccountingSessions.hpp"
#include "reports/ClientStatistics.hpp"

#include <gtest/gtest.h>

using analysis::AccountingRecord;
using analysis::SessionRow;

namespace {

AccountingRecord record(std::uint8_t id, std::uint32_t status, std::string session) {
    AccountingRecord r;
    r.identifier = id;
    r.statusType = status;
    r.sessionId = std::move(session);
    r.userName = "alice";
    return r;
}

const zem::IPAddress nas = *zem::IPAddress::parse("192.0.2.10");
const zem::IPAddress otherNas = *zem::IPAddress::parse("192.0.2.11");

} // namespace

TEST(AccountingRecord, OctetsCountTheirGigawords) {
    // Accounting-Request: Acct-Status-Type Interim, Acct-Input-Octets 5 with Gigawords 2,
    // Acct-Output-Octets 7 without, Acct-Session-Id "s1".
    const auto message =
        testing_support::hex("04 09 0030 00000000000000000000000000000000"
                             "2806 00000003 2a06 00000005 3406 00000002 2b06 00000007 2c04 7331");
    const auto parsed =
        analysis::accountingRecord(*analysis::WireMessage::parse(zem::ByteView(message)));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->statusType, 3u);
    EXPECT_EQ(parsed->inputOctets, (std::uint64_t{2} << 32) + 5);
    EXPECT_EQ(parsed->outputOctets, 7u);
    EXPECT_EQ(parsed->sessionId, "s1");
    const auto request = testing_support::hex("01 09 0014 00000000000000000000000000000000");
    EXPECT_FALSE(analysis::accountingRecord(*analysis::WireMessage::parse(zem::ByteView(request))));
}

TEST(AccountingSessions, StartInterimStopAndTheCasesThatLackOne) {
    std::vector<SessionRow> ended;
    analysis::AccountingSessions sessions([&](const SessionRow& row) { ended.push_back(row); });
    // A whole session; the interim update sent twice counts once.
    sessions.add(record(1, 1, "whole"), nas, 100);
    auto interim = record(2, 3, "whole");
    interim.inputOctets = std::uint64_t{1} << 33;
    sessions.add(interim, nas, 160);
    sessions.add(interim, nas, 163);
    auto stop = record(3, 2, "whole");
    stop.sessionTime = 120;
    stop.terminateCause = 1;
    sessions.add(stop, nas, 220);
    // No Start: the first record begins it.
    sessions.add(record(4, 3, "late"), nas, 300);
    sessions.add(record(5, 2, "late"), nas, 360);
    // No Stop: still open at the end; another NAS's session ends with its Accounting-On.
    sessions.add(record(6, 1, "open"), nas, 400);
    sessions.add(record(7, 1, "rebooted"), otherNas, 400);
    sessions.add(record(8, 7, ""), otherNas, 500);

    ASSERT_EQ(ended.size(), 3u);
    EXPECT_EQ(ended[0].sessionId, "whole");
    EXPECT_EQ(ended[0].interimUpdates, 1u);
    EXPECT_EQ(ended[0].inputOctets, std::uint64_t{1} << 33);
    EXPECT_EQ(ended[0].duration(), 120);
    EXPECT_EQ(ended[0].terminateCause, 1u);
    EXPECT_EQ(ended[0].end, SessionRow::End::stop);
    EXPECT_EQ(ended[1].sessionId, "late");
    EXPECT_FALSE(ended[1].start.has_value());
    EXPECT_EQ(ended[1].duration(), 60); // from the capture times
    EXPECT_EQ(ended[2].sessionId, "rebooted");
    EXPECT_EQ(ended[2].end, SessionRow::End::accountingOn);
    const auto open = sessions.openSessions();
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].sessionId, "open");
    EXPECT_EQ(sessions.sessions(), 4u);
}

TEST(AccountingSessions, OpenSessionsPastTheCapacityAreHandedOver) {
    std::vector<SessionRow> ended;
    analysis::AccountingSessions sessions([&](const SessionRow& row) { ended.push_back(row); }, 2);
    for (int i = 0; i < 5; ++i) {
        // Appended: GCC 12 warns falsely (-Wrestrict) of a literal put before a string.
        std::string name = "s";
        name += std::to_string(i);
        sessions.add(record(static_cast<std::uint8_t>(i), 1, name), nas, i);
    }
    EXPECT_EQ(ended.size(), 3u);
    EXPECT_EQ(ended[0].end, SessionRow::End::givenUp);
    EXPECT_EQ(sessions.openSessions().size(), 2u);
}

TEST(ClientStatistics, CountsPerNasWithPercentiles) {
    analysis::ClientStatistics statistics;
    analysis::RequestMatcher matcher;
    auto facts = [](std::uint8_t code, std::uint8_t id, double time, bool toClient) {
        analysis::MessageFacts m;
        m.code = code;
        m.identifier = id;
        m.origin.time = time;
        m.origin.source = toClient ? *zem::IPAddress::parse("192.0.2.1") : nas;
        m.origin.destination = toClient ? nas : *zem::IPAddress::parse("192.0.2.1");
        m.origin.sourcePort = toClient ? 1812 : 5000;
        m.origin.destinationPort = toClient ? 5000 : 1812;
        m.nasName = "nas-1";
        return m;
    };
    const auto add = [&](const analysis::MessageFacts& m) {
        statistics.addMessage(
            m, matcher.track(m.origin, m.code, m.identifier, [](const analysis::ExchangeKey&) {}));
    };
    for (std::uint8_t id = 0; id < 100; ++id) {
        add(facts(1, id, id, false));
        add(facts(id % 2 ? 2 : 3, id, id + 0.001 * (id + 1), true));
    }
    add(facts(1, 200, 200, false));
    add(facts(1, 200, 201, false)); // retransmitted, never answered
    const auto rows = statistics.perClient();
    ASSERT_EQ(rows.size(), 1u);
    const auto& c = rows[0];
    EXPECT_EQ(c.nasName, "nas-1");
    EXPECT_EQ(c.requests, 102u);
    EXPECT_EQ(c.answered, 100u);
    EXPECT_EQ(c.retransmitted, 1u);
    EXPECT_EQ(c.unanswered(), 1u);
    EXPECT_EQ(c.accepts, 50u);
    EXPECT_EQ(c.rejects, 50u);
    // 1 to 100 ms, each once: percentiles to within the buckets' 2 %.
    EXPECT_NEAR(c.responseTimes.percentile(0.5), 0.050, 0.0015);
    EXPECT_NEAR(c.responseTimes.percentile(0.9), 0.090, 0.0025);
    EXPECT_NEAR(c.responseTimes.maximum(), 0.100, 1e-9);
}

// The table is kept by hash in the order clients came; the report reads it by address,
// and a client past the capacity is counted with the others, however often it sends.
TEST(ClientStatistics, ClientsAreVisitedByAddressAndThoseTooManyCountedTogether) {
    analysis::ClientStatistics statistics(3);
    for (const char* sender : {"10.0.0.9", "::1", "10.0.0.2", "10.0.0.5", "10.0.0.9", "10.0.0.5"}) {
        analysis::MessageFacts request;
        request.code = 1;
        request.origin.source = *zem::IPAddress::parse(sender);
        statistics.addMessage(request, {});
    }
    std::vector<std::pair<std::string, std::uint64_t>> visited;
    statistics.forEachClient([&](const analysis::ClientLatency& client) {
        visited.emplace_back(client.client.text(), client.requests);
    });
    const std::vector<std::pair<std::string, std::uint64_t>> expected = {
        {"10.0.0.2", 1}, {"10.0.0.9", 2}, {"::1", 1}};
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(statistics.others().requests, 2u);
}
