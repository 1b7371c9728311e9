#include "RenderQueue.hpp"

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

// Batches come back in the order they went in, each once, whatever the number of
// workers, and a message's octets stay its own after the buffers are recycled.
TEST(RenderQueue, BatchesComeBackInCaptureOrderWithTheirOwnOctets) {
    for (unsigned workers : {0u, 1u, 2u, 5u}) {
        std::string written, expected;
        {
            app::RenderQueue queue(renderSlowly, workers);
            auto write = [&](const app::RenderedBatch& batch) {
                ASSERT_EQ(batch.messages.empty() ? 0 : batch.messages.back().textEnd,
                          batch.text.size());
                written += batch.text;
            };
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
                queue.submit(write);
            }
            queue.finish(write);
            queue.finish(write); // nothing left: writes nothing
        }
        EXPECT_EQ(written, expected) << workers << " workers";
    }
}

TEST(RenderQueue, AnEmptyBatchIsNotSubmitted) {
    int rendered = 0;
    app::RenderQueue queue([&](const app::MessageBatch&, app::RenderedBatch&) { ++rendered; }, 2);
    int written = 0;
    queue.submit([&](const app::RenderedBatch&) { ++written; });
    queue.finish([&](const app::RenderedBatch&) { ++written; });
    EXPECT_EQ(rendered, 0);
    EXPECT_EQ(written, 0);
}

} // namespace
