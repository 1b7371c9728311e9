// The running totals a monitoring system scrapes, fed as a run feeds them through its one
// matcher: each must only grow, and a request counts as unanswered only once it can no
// longer be answered.
#include "reports/LiveMetrics.hpp"

#include <gtest/gtest.h>

namespace {

// A message between `client` (port 40000) and the server 192.0.2.1:1812 at `time`.
struct Sent {
    const char* client;
    std::uint8_t code, id;
    double time;
};

Sent message(const char* client, std::uint8_t code, std::uint8_t id, double time) {
    return {client, code, id, time};
}

analysis::MessageFacts factsOf(const Sent& sent) {
    analysis::MessageFacts m;
    m.code = sent.code;
    m.identifier = sent.id;
    const auto address = *zem::IPAddress::parse(sent.client);
    const auto server = *zem::IPAddress::parse("192.0.2.1");
    const bool request = sent.code == 1 || sent.code == 4 || sent.code == 12;
    m.origin.source = request ? address : server;
    m.origin.destination = request ? server : address;
    m.origin.sourcePort = request ? 40000 : 1812;
    m.origin.destinationPort = request ? 1812 : 40000;
    m.origin.time = sent.time;
    return m;
}

// Counts the messages as a run does, then ends the input when `inputEnds`.
void feed(analysis::LiveMetrics& metrics, const std::vector<Sent>& messages, bool inputEnds) {
    analysis::RequestMatcher matcher;
    const auto gaveUp = [&](const analysis::ExchangeKey& key) { metrics.addGivenUp(key); };
    for (const auto& sent : messages) {
        const auto m = factsOf(sent);
        metrics.addMessage(m, matcher.track(m.origin, m.code, m.identifier, gaveUp));
    }
    if (inputEnds)
        matcher.giveUpAll(gaveUp);
}

const analysis::ClientMetrics& onlyClient(const analysis::LiveMetrics& metrics) {
    const analysis::ClientMetrics* only = nullptr;
    std::size_t clients = 0;
    metrics.forEachClient([&](const analysis::ClientMetrics& c) {
        only = &c;
        ++clients;
    });
    EXPECT_EQ(clients, 1u);
    return *only;
}

} // namespace

TEST(LiveMetrics, CountsEachExchangeOnce) {
    struct Case {
        const char* what;
        std::vector<Sent> messages;
        bool inputEnds;
        std::uint64_t retransmissions, unanswered, timed;
        std::size_t bucket; // where the one timed response falls
    };
    const Case cases[] = {
        {"answered in 3 ms",
         {message("10.0.0.1", 1, 7, 0), message("10.0.0.1", 2, 7, 0.003)},
         false,
         0,
         0,
         1,
         2},
        {"sent again before its answer",
         {message("10.0.0.1", 1, 7, 0), message("10.0.0.1", 1, 7, 1),
          message("10.0.0.1", 3, 7, 1.2)},
         false,
         1,
         0,
         1,
         10},
        {"still waiting: not yet unanswered",
         {message("10.0.0.1", 1, 7, 0), message("10.0.0.1", 1, 8, 30)},
         false,
         0,
         0,
         0,
         0},
        {"waited past the window",
         {message("10.0.0.1", 1, 7, 0), message("10.0.0.1", 1, 8, 61)},
         false,
         0,
         1,
         0,
         0},
        {"the input ended", {message("10.0.0.1", 1, 7, 0)}, true, 0, 1, 0, 0},
        {"answered after the window: unanswered, the late answer untimed",
         {message("10.0.0.1", 1, 7, 0), message("10.0.0.1", 2, 7, 70)},
         false,
         0,
         1,
         0,
         0},
        {"a response stamped before its request is not timed",
         {message("10.0.0.1", 1, 7, 5), message("10.0.0.1", 2, 7, 4.9)},
         false,
         0,
         0,
         0,
         0},
        {"Status-Server answered by an Access-Accept in 12 s",
         {message("10.0.0.1", 12, 1, 0), message("10.0.0.1", 2, 1, 12)},
         false,
         0,
         0,
         1,
         13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        analysis::LiveMetrics metrics;
        feed(metrics, c.messages, c.inputEnds);
        const auto& client = onlyClient(metrics);
        EXPECT_EQ(client.retransmissions, c.retransmissions);
        EXPECT_EQ(client.unanswered, c.unanswered);
        std::uint64_t timed = 0;
        for (const auto count : client.responseTimes)
            timed += count;
        EXPECT_EQ(timed, c.timed);
        if (c.timed == 1) {
            EXPECT_EQ(client.responseTimes[c.bucket], 1u);
        }
    }
}

TEST(LiveMetrics, ClientsPastTheCapacityShareOneRow) {
    analysis::LiveMetrics metrics(2);
    std::vector<Sent> messages;
    for (const char* client : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.1"})
        messages.push_back(message(client, 1, 1, 0));
    feed(metrics, messages, false);
    std::vector<std::pair<std::string, std::uint64_t>> rows;
    metrics.forEachClient([&](const analysis::ClientMetrics& c) {
        c.forEachCode([&](std::uint8_t code, std::uint64_t count) {
            if (code == 1)
                rows.emplace_back(c.client ? c.client->text() : "other", count);
        });
    });
    const std::vector<std::pair<std::string, std::uint64_t>> expected = {
        {"10.0.0.1", 2}, {"10.0.0.2", 1}, {"other", 2}};
    EXPECT_EQ(rows, expected);
}
