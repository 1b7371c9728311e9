// Authentications followed by State, never by addresses and ports alone: two stations
// behind one NAS port interleave, one leaves a Challenge unanswered, one request is
// never answered.
#include "reports/Authentications.hpp"

#include <gtest/gtest.h>

namespace {

struct Step {
    double time;
    std::uint8_t code;
    std::uint8_t identifier;
    std::string state;
    std::string station;
    std::optional<std::uint8_t> eapType;
};

zem::MessageOrigin origin(const Step& step, std::uint64_t frame) {
    zem::MessageOrigin origin;
    origin.frame = frame;
    origin.time = step.time;
    zem::IPAddress nas, server;
    nas.bytes[0] = 10;
    server.bytes[0] = 192;
    const bool request = step.code == 1;
    origin.source = request ? nas : server;
    origin.destination = request ? server : nas;
    origin.sourcePort = request ? 40000 : 1812;
    origin.destinationPort = request ? 1812 : 40000;
    return origin;
}

} // namespace

TEST(Authentications, StateTiesTheRoundTripsOfEachStation) {
    const std::vector<Step> steps = {
        {1.0, 1, 1, "", "aa", 1},     // station aa: identity
        {1.1, 1, 2, "", "bb", 1},     // station bb, same NAS port: identity
        {1.2, 11, 1, "s-a", "", 4},   // aa gets MD5 offered
        {1.3, 11, 2, "s-b", "", 13},  // bb gets TLS offered
        {1.4, 1, 3, "s-b", "bb", 3},  // bb refuses TLS
        {1.5, 11, 3, "s-b2", "", 4},  // and is offered MD5
        {1.6, 1, 4, "s-b2", "bb", 4}, // bb answers MD5
        {1.7, 2, 4, "", "", {}},      // and is accepted
        {2.0, 1, 5, "", "cc", {}},    // cc's PAP request is never answered
    };
    analysis::Authentications auths;
    std::vector<std::string> ready; // the stations whose rows were ready, in order
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const auto& step = steps[i];
        analysis::AuthenticationFacts facts;
        facts.state = step.state;
        facts.callingStationId = step.station;
        facts.userName = step.station.empty() ? "" : "user-" + step.station;
        if (step.eapType) {
            facts.eapCode = step.code == 1 ? 2 : 1;
            facts.eapType = step.eapType;
        } else {
            facts.password = step.code == 1;
        }
        auths.addMessage(origin(step, i + 1), step.code, step.identifier, facts);
        for (const auto& row : auths.takeReady())
            ready.push_back(row.callingStationId);
    }
    // bb ended first, but aa began before it and is still open: nothing was ready.
    EXPECT_TRUE(ready.empty());
    const auto rows = auths.finish();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].callingStationId, "aa");
    EXPECT_EQ(rows[0].outcome, "abandoned");
    EXPECT_EQ(rows[0].rounds, 1u);
    EXPECT_EQ(rows[1].callingStationId, "bb");
    EXPECT_EQ(rows[1].outcome, "Access-Accept");
    EXPECT_EQ(rows[1].method, "EAP-MD5");
    EXPECT_EQ(rows[1].nakedMethods, std::vector<std::string>{"EAP-TLS"});
    EXPECT_EQ(rows[1].rounds, 3u);
    EXPECT_EQ(rows[1].firstFrame, 2u);
    EXPECT_EQ(rows[2].method, "PAP");
    EXPECT_EQ(rows[2].outcome, "timed out");
}

TEST(Authentications, RowsAreReadyInTheOrderOfFirstFramesOnceNoneBeforeIsOpen) {
    const std::vector<Step> steps = {
        {1.0, 1, 1, "", "aa", {}}, // aa's PAP request
        {1.1, 1, 2, "", "bb", {}}, // bb's
        {1.2, 2, 2, "", "", {}},   // bb accepted: aa is still open before it
        {1.3, 3, 1, "", "", {}},   // aa rejected: both are ready, aa first
        {70, 1, 3, "", "cc", {}},  // cc, long after: ready once the window passes
        {140, 1, 4, "", "dd", {}},
    };
    analysis::Authentications auths;
    std::vector<std::string> ready;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        analysis::AuthenticationFacts facts;
        facts.callingStationId = steps[i].station;
        facts.password = steps[i].code == 1;
        auths.addMessage(origin(steps[i], i + 1), steps[i].code, steps[i].identifier, facts);
        std::string now;
        for (const auto& row : auths.takeReady())
            now += row.callingStationId + "(" + row.outcome + ") ";
        ready.push_back(now);
    }
    EXPECT_EQ(ready, (std::vector<std::string>{"", "", "", "aa(Access-Reject) bb(Access-Accept) ",
                                               "", "cc(timed out) "}));
}
