#include "RenderQueue.hpp"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// What one message of a batch was added with; a batch keeps check inputs, links, carriers
// and TLS frames only from the first message that has one, so each row's neighbours decide
// where the batch has to fill in.
struct Added {
    bool secret = false;
    bool links = false;
    std::vector<std::uint64_t> carriers;
    bool tlsFrame = false;
};

void expectAnswersAsAdded(const std::vector<Added>& rows, bool keepCarriers) {
    const std::string secret = "s3cret";
    app::MessageBatch batch;
    for (int round = 0; round < 2; ++round) { // the second time in a recycled batch
        batch.clear();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            capture::MessageOrigin origin;
            origin.frame = i + 1;
            origin.carrierFrames = rows[i].carriers;
            if (rows[i].tlsFrame) {
                batch.addTlsFrame(origin, {}, {}, keepCarriers);
                continue;
            }
            analysis::CheckInput input;
            if (rows[i].secret)
                input.secret = &secret;
            analysis::ExchangeLinks links;
            if (rows[i].links)
                links.requestFrame = 100 + i;
            batch.add(origin, {}, input, keepCarriers, rows[i].links ? &links : nullptr);
        }
        ASSERT_EQ(batch.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE("message " + std::to_string(i) + ", round " + std::to_string(round));
            EXPECT_EQ(batch.isTlsFrame(i), rows[i].tlsFrame);
            EXPECT_EQ(batch.checkInput(i).secret, rows[i].secret ? &secret : nullptr);
            const auto& links = std::as_const(batch).links(i);
            EXPECT_EQ(links.requestFrame,
                      rows[i].links ? std::optional<std::uint64_t>(100 + i) : std::nullopt);
            const auto carriers = batch.carriers(i);
            EXPECT_EQ(std::vector(carriers.begin(), carriers.end()),
                      keepCarriers ? rows[i].carriers : std::vector<std::uint64_t>{});
        }
    }
}

TEST(MessageBatch, AnswersEachMessageWhatItWasAddedWith) {
    const Added plain{false, false, {}, false}, tls{false, false, {}, true};
    const std::vector<std::vector<Added>> batches = {
        {},
        {plain, plain, plain},
        {{true, true, {7}, false}, plain, plain},
        {plain, plain, {true, false, {8, 9}, false}},
        {plain, {false, true, {}, false}, plain, {true, false, {1, 2, 3}, false}, plain},
        {plain, tls, plain, {false, true, {5}, false}},
        {tls, {false, false, {4}, false}, tls},
    };
    for (const auto& rows : batches)
        for (bool keepCarriers : {false, true})
            expectAnswersAsAdded(rows, keepCarriers);
}

// The read-ahead learns a held message's links after later messages were added.
TEST(MessageBatch, LinksLearntLaterStayWithTheirMessage) {
    app::MessageBatch batch;
    for (std::uint64_t frame = 1; frame <= 4; ++frame) {
        capture::MessageOrigin origin;
        origin.frame = frame;
        batch.add(origin, {});
    }
    batch.links(1).responseFrame = 42;
    EXPECT_EQ(std::as_const(batch).links(1).responseFrame, 42u);
    for (std::size_t i : {0u, 2u, 3u})
        EXPECT_TRUE(std::as_const(batch).links(i).tellsNothing()) << i;
}

} // namespace
