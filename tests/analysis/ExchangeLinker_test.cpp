// The links the reading thread gives each message, and when it says a waiting request is
// settled: scripts of messages in capture order, each with what it must be linked to.
#include "TestSupport.hpp"
#include "exchanges/ExchangeLinker.hpp"

#include <gtest/gtest.h>
#include <map>
#include <vector>

using analysis::ExchangeLinker;
using analysis::ExchangeLinks;

namespace {

struct Step {
    double time;
    std::uint8_t code;
    std::uint8_t identifier;
    std::uint8_t authenticator; // fills a request's authenticator
    bool fromClient;            // sent by the client (port 40000) to the server (1812)
    ExchangeLinks expected;     // what the message is linked to when it is read
};

zem::ByteBuffer message(const Step& step) {
    zem::ByteBuffer octets(20, step.authenticator);
    octets[0] = step.code;
    octets[1] = step.identifier;
    octets[2] = 0;
    octets[3] = 20;
    return octets;
}

ExchangeLinks response(std::uint64_t requestFrame, double seconds,
                       std::optional<std::uint64_t> copyOf = {}) {
    ExchangeLinks links;
    links.requestFrame = requestFrame;
    links.responseTime = seconds;
    links.retransmissionOf = copyOf;
    return links;
}

ExchangeLinks request(std::optional<std::uint64_t> copyOf = {},
                      std::optional<std::uint64_t> answeredIn = {}) {
    ExchangeLinks links;
    links.retransmissionOf = copyOf;
    links.responseFrame = answeredIn;
    return links;
}

// Runs the steps (frames numbered from 1, sequence numbers from 0) and answers what was
// resolved: the response frame (0 for none) by the frame of each waiting request.
std::map<std::uint64_t, std::uint64_t> run(const std::vector<Step>& steps,
                                           ExchangeLinker linker = ExchangeLinker()) {
    std::map<std::uint64_t, std::uint64_t> resolved;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const auto octets = message(steps[i]);
        const auto links =
            linker.next(testing_support::exchangeOrigin(i + 1, steps[i].time, steps[i].fromClient),
                        zem::ByteView(octets), i);
        EXPECT_EQ(links, steps[i].expected) << "frame " << i + 1;
        for (const auto& done : linker.takeResolved())
            EXPECT_TRUE(resolved.emplace(done.sequence + 1, done.responseFrame.value_or(0)).second);
    }
    linker.finish();
    for (const auto& done : linker.takeResolved())
        EXPECT_TRUE(resolved.emplace(done.sequence + 1, done.responseFrame.value_or(0)).second);
    return resolved;
}

} // namespace

TEST(ExchangeLinker, LinksEachMessageAndSettlesEveryWaitingRequestOnce) {
    struct Case {
        const char* what;
        std::vector<Step> steps;
        std::map<std::uint64_t, std::uint64_t> resolved; // request frame: response frame
    } cases[] = {
        {"answered",
         {{1.0, 1, 5, 0xaa, true, request()}, {1.5, 2, 5, 0xbb, false, response(1, 0.5)}},
         {{1, 2}}},
        {"a copy sent before the answer waits for it too",
         {{1.0, 1, 5, 0xaa, true, request()},
          {4.0, 1, 5, 0xaa, true, request(1)},
          {4.25, 2, 5, 0xbb, false, response(1, 3.25)}},
         {{1, 3}, {2, 3}}},
        {"three copies before the answer, then a new request on the same Identifier",
         {{1.0, 1, 5, 0xaa, true, request()},
          {2.0, 1, 5, 0xaa, true, request(1)},
          {3.0, 1, 5, 0xaa, true, request(1)},
          {3.5, 2, 5, 0xbb, false, response(1, 2.5)},
          {9.0, 1, 5, 0xcc, true, request()},
          {20.0, 1, 5, 0xdd, true, request()}},
         {{1, 4}, {2, 4}, {3, 4}, {5, 0}, {6, 0}}},
        {"a copy sent after the answer names it at once; the answer sent again names the first",
         {{1.0, 1, 5, 0xaa, true, request()},
          {1.125, 11, 5, 0xbb, false, response(1, 0.125)},
          {2.0, 1, 5, 0xaa, true, request(1, 2)},
          {2.125, 11, 5, 0xbb, false, response(1, 1.125, 2)}},
         {{1, 2}}},
        {"an Identifier used again with another authenticator is a new request",
         {{1.0, 1, 5, 0xaa, true, request()},
          {3.0, 1, 5, 0xcc, true, request()},
          {3.25, 3, 5, 0xbb, false, response(2, 0.25)}},
         {{1, 0}, {2, 3}}},
        {"Status-Server is answered by Access-Accept; CoA by its NAK",
         {{1.0, 12, 9, 0xaa, true, request()},
          {1.125, 2, 9, 0xbb, false, response(1, 0.125)},
          {2.0, 43, 9, 0xaa, true, request()},
          {2.5, 45, 9, 0xbb, false, response(3, 0.5)}},
         {{1, 2}, {3, 4}}},
        {"a response stamped before its request keeps its negative time",
         {{5.0, 4, 1, 0xaa, true, request()}, {4.875, 5, 1, 0xbb, false, response(1, -0.125)}},
         {{1, 2}}},
        {"a response to nothing, and one of the wrong kind, link to nothing",
         {{1.0, 2, 1, 0xbb, false, {}},
          {2.0, 4, 2, 0xaa, true, request()},
          {2.1, 2, 2, 0xbb, false, {}}},
         {{2, 0}}},
        {"past the window the request is given up, and its answer finds nothing",
         {{1.0, 1, 5, 0xaa, true, request()},
          {62.0, 1, 6, 0xaa, true, request()},
          {62.1, 2, 5, 0xbb, false, {}}},
         {{1, 0}, {2, 0}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(run(c.steps), c.resolved);
    }
}

TEST(ExchangeLinker, AFullTableGivesUpTheOldestRequest) {
    std::vector<Step> steps;
    for (std::uint8_t id = 0; id < 5; ++id)
        steps.push_back({1.0 + id, 1, id, 0xaa, true, request()});
    steps.push_back({9.0, 2, 0, 0xbb, false, {}}); // its request made room for the fifth
    steps.push_back({9.125, 2, 4, 0xbb, false, response(5, 4.125)});
    EXPECT_EQ(run(steps, ExchangeLinker(60, 4)),
              (std::map<std::uint64_t, std::uint64_t>{{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 7}}));
}
