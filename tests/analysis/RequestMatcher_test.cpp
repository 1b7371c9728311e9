#include "exchanges/RequestMatcher.hpp"
#include "reports/RadiusStatistics.hpp"

#include <gtest/gtest.h>

using analysis::ExchangeKey;
using analysis::RequestMatcher;

namespace {

ExchangeKey requestKey(std::uint8_t identifier, std::uint16_t clientPort = 1000) {
    ExchangeKey key;
    key.client.bytes[0] = 10;
    key.clientPort = clientPort;
    key.server.bytes[0] = 192;
    key.serverPort = 1812;
    key.identifier = identifier;
    key.requestCode = 1;
    return key;
}

} // namespace

TEST(RequestMatcher, RetransmissionsKeepTheFirstTimeAndAnswersRemove) {
    RequestMatcher matcher;
    EXPECT_TRUE(matcher.addRequest(requestKey(1), 1.0));
    EXPECT_FALSE(matcher.addRequest(requestKey(1), 2.0));
    EXPECT_TRUE(matcher.addRequest(requestKey(1, 1001), 2.0)); // another client port
    EXPECT_EQ(matcher.matchResponse(requestKey(1), 2.5), 1.0);
    EXPECT_EQ(matcher.matchResponse(requestKey(1), 2.6), std::nullopt);
    EXPECT_EQ(matcher.waiting(), 1u);
    EXPECT_EQ(matcher.givenUp(), 0u);
}

TEST(RequestMatcher, GivesUpOnRequestsOutsideTheWindowOrOverTheCapacity) {
    struct Case {
        const char* what;
        double window;
        std::size_t capacity;
        int requests;
        double spacing;        // seconds between requests
        std::size_t waiting;   // at the end
        std::uint64_t givenUp; // at the end
        bool firstAnswerable;  // whether the first request still matches at the end
    } cases[] = {
        {"all within the window", 60, 100, 50, 1, 50, 0, true},
        {"older ones expire", 10, 100, 50, 1, 11, 39, false},
        {"the oldest make room", 1000, 8, 50, 1, 8, 42, false},
        {"same time, full table", 60, 4, 10, 0, 4, 6, false},
    };
    for (const auto& c : cases) {
        RequestMatcher matcher(c.window, c.capacity);
        for (int i = 0; i < c.requests; ++i)
            matcher.addRequest(requestKey(static_cast<std::uint8_t>(i), 2000), i * c.spacing);
        const double end = (c.requests - 1) * c.spacing;
        EXPECT_EQ(matcher.waiting(), c.waiting) << c.what;
        EXPECT_EQ(matcher.givenUp(), c.givenUp) << c.what;
        EXPECT_EQ(matcher.matchResponse(requestKey(0, 2000), end).has_value(), c.firstAnswerable)
            << c.what;
        // The newest is always still awaited.
        EXPECT_TRUE(
            matcher.matchResponse(requestKey(static_cast<std::uint8_t>(c.requests - 1), 2000), end)
                .has_value())
            << c.what;
    }
}

TEST(RequestMatcher, AMillionUnansweredRequestsStayWithinTheCapacity) {
    RequestMatcher matcher(60, 1000);
    for (std::uint32_t i = 0; i < 1'000'000; ++i) {
        auto key = requestKey(static_cast<std::uint8_t>(i), static_cast<std::uint16_t>(i >> 8));
        key.client.bytes[1] = static_cast<std::uint8_t>(i >> 24);
        matcher.addRequest(key, i * 1e-4);
    }
    EXPECT_EQ(matcher.waiting(), 1000u);
    EXPECT_EQ(matcher.givenUp(), 999'000u);
}

TEST(RadiusStatistics, MatchesRequestsToResponses) {
    analysis::RadiusStatistics stats;
    analysis::RequestMatcher matcher;
    const auto add = [&](const analysis::MessageFacts& m) {
        stats.addMessage(m,
                         matcher.track(m.origin, m.code, m.identifier,
                                       [&](const analysis::ExchangeKey&) { stats.addGivenUp(); }));
    };
    analysis::MessageFacts request;
    request.code = 1;
    request.identifier = 5;
    request.origin.source.bytes[0] = 10;
    request.origin.sourcePort = 1000;
    request.origin.destinationPort = 1812;
    request.origin.time = 1.0;
    add(request);
    request.origin.time = 2.0;
    add(request); // retransmission
    analysis::MessageFacts response;
    response.identifier = request.identifier;
    response.origin = request.origin;
    response.code = 2;
    std::swap(response.origin.source, response.origin.destination);
    std::swap(response.origin.sourcePort, response.origin.destinationPort);
    response.origin.time = 1.25;
    add(response);
    add(response); // nothing left to answer
    request.identifier = 6;
    add(request); // never answered
    stats.addNotRadius();
    const auto s = stats.summary([](std::uint8_t code) { return "code " + std::to_string(code); });
    EXPECT_EQ(s.messages, 5u);
    EXPECT_EQ(s.requests, 3u);
    EXPECT_EQ(s.answered, 1u);
    EXPECT_EQ(s.unanswered, 1u);
    EXPECT_EQ(s.retransmissions, 1u);
    EXPECT_EQ(s.unmatchedResponses, 1u);
    EXPECT_EQ(s.notRadius, 1u);
    ASSERT_EQ(s.perCode.size(), 2u);
    EXPECT_EQ(s.perCode[0].messages, 3u);
    EXPECT_EQ(s.perCode[1].text, "code 2");
    ASSERT_TRUE(s.responseTimes);
    EXPECT_DOUBLE_EQ(s.responseTimes->median, 0.25);
    EXPECT_DOUBLE_EQ(s.responseTimes->maximum, 0.25);
}

// Answers out of arrival order, behind a request that waits long: every waiting request
// still matches.
TEST(RequestMatcher, AnswersOutOfOrderBehindAnOldRequest) {
    RequestMatcher matcher(1e9, 1u << 20);
    matcher.addRequest(requestKey(0, 1), 0);
    for (std::uint32_t i = 1; i < 20000; ++i) {
        auto key = requestKey(static_cast<std::uint8_t>(i), static_cast<std::uint16_t>(i >> 8));
        key.clientPort = static_cast<std::uint16_t>(1000 + (i >> 8));
        matcher.addRequest(key, i);
        if (i % 3 != 0) {
            EXPECT_EQ(matcher.matchResponse(key, i), double(i));
        }
    }
    EXPECT_EQ(matcher.waiting(), 1u + 19999u / 3);
    for (std::uint32_t i = 3; i < 20000; i += 3) {
        auto key = requestKey(static_cast<std::uint8_t>(i), static_cast<std::uint16_t>(i >> 8));
        key.clientPort = static_cast<std::uint16_t>(1000 + (i >> 8));
        EXPECT_EQ(matcher.matchResponse(key, 20000), double(i)) << i;
    }
    EXPECT_EQ(matcher.matchResponse(requestKey(0, 1), 20000), 0.0);
    EXPECT_EQ(matcher.waiting(), 0u);
    EXPECT_EQ(matcher.givenUp(), 0u);
}
