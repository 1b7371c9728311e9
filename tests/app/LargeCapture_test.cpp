// A capture of many thousands of messages goes through the worker threads in batches:
// whatever order the batches finish in, every output form must come out whole, once per
// message, in capture order, and the same on every run.
#include "TestSupport.hpp"

#include <cstdio>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int messages = 6000; // dozens of batches

class LargeCapture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new testing_support::TemporaryFolder;
        capture_ = (folder_->path() / "bench.pcap").string();
        std::string command = std::string(RADIUS_MAKE_SAMPLES_EXECUTABLE) + " --bench " +
                              std::to_string(messages) + " " + capture_;
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }

    // Standard output of radius-analyzer with `arguments` on the capture.
    static std::string run(const std::string& arguments) {
        std::string command = "RADIUS_ANALYZER_DEFAULTS=" + (folder_->path() / "d.plist").string() +
                              " " + RADIUS_ANALYZER_EXECUTABLE + " " + arguments + " " + capture_;
        FILE* pipe = popen(command.c_str(), "r");
        std::string text;
        char buffer[65536];
        std::size_t n = 0;
        while (pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        EXPECT_EQ(pipe ? pclose(pipe) : -1, 0) << arguments;
        return text;
    }

    static std::vector<std::uint64_t> frames(const std::string& lines) {
        std::vector<std::uint64_t> all;
        std::istringstream in(lines);
        std::uint64_t frame = 0;
        while (in >> frame)
            all.push_back(frame);
        return all;
    }

    static testing_support::TemporaryFolder* folder_;
    static std::string capture_;
};

testing_support::TemporaryFolder* LargeCapture::folder_ = nullptr;
std::string LargeCapture::capture_;

TEST_F(LargeCapture, EveryMessageOnceInCaptureOrder) {
    auto all = frames(run("-T fields -e frame"));
    ASSERT_EQ(all.size(), static_cast<std::size_t>(messages));
    for (std::size_t i = 1; i < all.size(); ++i)
        ASSERT_LT(all[i - 1], all[i]) << "at message " << i;
}

TEST_F(LargeCapture, JsonIsOneValidArrayInCaptureOrder) {
    auto document = nlohmann::json::parse(run("-T json"), nullptr, false);
    ASSERT_FALSE(document.is_discarded());
    ASSERT_TRUE(document.is_array());
    ASSERT_EQ(document.size(), static_cast<std::size_t>(messages));
    std::uint64_t previous = 0;
    for (const auto& message : document) {
        auto frame = message.at("frame").get<std::uint64_t>();
        ASSERT_GT(frame, previous);
        previous = frame;
        ASSERT_EQ(message.at("tree").size(), 1u);
        ASSERT_EQ(message.at("tree")[0].at("title"), "RADIUS-Header");
    }
}

TEST_F(LargeCapture, EkHasAnActionLineBeforeEveryDocument) {
    std::istringstream in(run("-T ek"));
    std::string action, document;
    int count = 0;
    while (std::getline(in, action) && std::getline(in, document)) {
        ASSERT_TRUE(nlohmann::json::parse(action).contains("index")) << action;
        ASSERT_TRUE(nlohmann::json::parse(document).contains("summary")) << document;
        ++count;
    }
    EXPECT_EQ(count, messages);
}

TEST_F(LargeCapture, TheSameOutputOnEveryRun) {
    EXPECT_EQ(run("-V"), run("-V"));
    EXPECT_EQ(run("-q -z radius,stats"), run("-q -z radius,stats"));
}

// The filter drops messages inside batches: the JSON array must still be well formed
// (no separator before its first element, none doubled) and hold only what passed.
TEST_F(LargeCapture, FilteredJsonIsOneValidArray) {
    // Out of every five request and response pairs: three accounting, one EAP round.
    struct Case {
        std::string filter;
        std::size_t expected;
    } cases[] = {
        {"radiusCode == 5", messages * 3 / 10},
        {"radiusCode == 11", messages / 10},
        {"frame > " + std::to_string(messages - 10), 10},
    };
    for (const auto& c : cases) {
        auto document = nlohmann::json::parse(run("-T json -Y '" + c.filter + "'"), nullptr, false);
        ASSERT_FALSE(document.is_discarded()) << c.filter;
        EXPECT_EQ(document.size(), c.expected) << c.filter;
    }
}

// Requests are matched to responses across batch boundaries only if the statistics see
// the messages in capture order.
TEST_F(LargeCapture, StatisticsMatchEveryRequestToItsResponse) {
    auto report = run("-q -z radius,stats");
    auto line = [&](const std::string& label) {
        auto at = report.find(label);
        return at == std::string::npos ? std::string()
                                       : report.substr(at, report.find('\n', at) - at);
    };
    auto count = [&](const std::string& label) {
        std::string text = line(label);
        return text.empty() ? -1 : std::stoi(text.substr(label.size()));
    };
    EXPECT_EQ(count("All RADIUS messages"), messages);
    EXPECT_EQ(count("Accounting-Response (5)"), messages * 3 / 10);
    EXPECT_EQ(count("Requests answered"), messages / 2);
    EXPECT_EQ(count("Requests unanswered"), 0);
    EXPECT_EQ(count("Responses without a request"), 0);
    EXPECT_EQ(count("Retransmitted requests"), 0);
}

// -c stops at the count even though later batches were already being rendered.
TEST_F(LargeCapture, CountStopsAtExactlyThatManyMessages) {
    auto all = frames(run("-T fields -e frame"));
    for (int count : {1, 127, 128, 129, messages - 1}) {
        auto some = frames(run("-c " + std::to_string(count) + " -T fields -e frame"));
        ASSERT_EQ(some.size(), static_cast<std::size_t>(count));
        EXPECT_TRUE(std::equal(some.begin(), some.end(), all.begin())) << count;
    }
}

} // namespace

// Authentications are followed on a thread of their own, fed a thousand messages at a
// time: every one of them comes out, once, in the order of first frames.
TEST_F(LargeCapture, EveryAuthenticationOnceInOrderOfFirstFrames) {
    const auto document = nlohmann::json::parse(run("-q -T json -z radius,auths"), nullptr, false);
    ASSERT_TRUE(document.is_array());
    EXPECT_EQ(document.size(), std::size_t{messages / 5}); // the bench mix: one in five
    std::uint64_t previous = 0;
    for (const auto& row : document) {
        EXPECT_GT(row["firstFrame"].get<std::uint64_t>(), previous);
        previous = row["firstFrame"].get<std::uint64_t>();
    }
    EXPECT_EQ(run("-q -z radius,auths"), run("-q -z radius,auths"));
}
