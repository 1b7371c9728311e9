#include "RenderQueue.hpp"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <thread>

namespace {

capture::MessageOrigin originOfFrame(std::uint64_t frame) {
    capture::MessageOrigin origin;
    origin.frame = frame;
    return origin;
}

// Renders each message as "<frame>:<octets>;", after a random pause, so that workers
// finish batches out of order.
void renderSlowly(const app::MessageBatch& in, app::RenderedBatch& out) {
    thread_local std::mt19937 random(std::hash<std::thread::id>{}(std::this_thread::get_id()));
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
    for (std::size_t i = 0; i < in.size(); ++i) {
        out.text += std::to_string(in.origin(i).frame) + ":";
        for (auto octet : in.message(i))
            out.text.push_back(static_cast<char>(octet));
        out.text += ";";
        app::RenderedMessage message;
        message.radius = true;
        message.textEnd = out.text.size();
        out.messages.push_back(message);
    }
}

using Consuming = app::RenderQueue::Consuming;

// Batches come back in the order they went in, each once and one at a time, whatever the
// number of workers and wherever they are consumed, and a message's octets stay its own
// after the buffers are recycled.
TEST(RenderQueue, BatchesComeBackInCaptureOrderWithTheirOwnOctets) {
    for (auto consuming : {Consuming::bySubmitter, Consuming::byWorkers})
        for (unsigned workers : {0u, 1u, 2u, 5u}) {
            SCOPED_TRACE(testing::Message()
                         << workers << " workers, consumed by "
                         << (consuming == Consuming::byWorkers ? "workers" : "submitter"));
            std::string written, expected;
            std::atomic<int> consumersNow = 0;
            bool overlapped = false;
            auto write = [&](const app::RenderedBatch& batch) {
                overlapped |= consumersNow.fetch_add(1) != 0;
                ASSERT_EQ(batch.messages.empty() ? 0 : batch.messages.back().textEnd,
                          batch.text.size());
                written += batch.text;
                std::this_thread::sleep_for(std::chrono::microseconds(50));
                consumersNow.fetch_sub(1);
            };
            app::RenderQueue queue(renderSlowly, write, workers, consuming);
            std::uint64_t frame = 0;
            for (int batch = 0; batch < 60; ++batch) {
                // Batches of different sizes and messages of different lengths, some empty.
                for (int i = 0; i < batch % 7 + 1; ++i) {
                    std::string octets(static_cast<std::size_t>((frame * 7) % 23), 'a');
                    for (auto& c : octets)
                        c = static_cast<char>(
                            'a' + (frame + static_cast<std::uint64_t>(&c - octets.data())) % 26);
                    queue.filling().add(originOfFrame(++frame), zem::ByteView(octets));
                    expected += std::to_string(frame) + ":" + octets + ";";
                }
                // Some batches held back and let go later, as exchange links do.
                if (batch % 5 == 1)
                    queue.hold();
                else
                    queue.submit();
                if (batch % 5 == 3)
                    while (queue.heldBatches() > 0)
                        queue.releaseOldest();
            }
            queue.finish();
            // Everything was consumed when finish() returned.
            EXPECT_EQ(written, expected);
            queue.finish(); // nothing left: writes nothing
            EXPECT_EQ(written, expected);
            EXPECT_FALSE(overlapped);
        }
}

TEST(RenderQueue, AnEmptyBatchIsNotSubmitted) {
    int rendered = 0;
    int written = 0;
    app::RenderQueue queue([&](const app::MessageBatch&, app::RenderedBatch&) { ++rendered; },
                           [&](const app::RenderedBatch&) { ++written; }, 2);
    queue.submit();
    queue.finish();
    EXPECT_EQ(rendered, 0);
    EXPECT_EQ(written, 0);
}

} // namespace
