// Exchange links on the command line: under tshark's names they print what tshark 4.0
// printed on the public captures and samples (kept in peers/exchange-tshark.tsv; tests
// never run it), filters read them, and a request's line names a response read batches
// later, within bounded memory.
#include "ExchangeReadAhead.hpp"
#include "RunAnalyzer.hpp"

#include <gtest/gtest.h>
#include <map>

namespace {

// tshark pads the response time to nanoseconds; captures and ours keep microseconds.
std::string withMicroseconds(std::string line) {
    std::size_t field = 0, at = 0;
    for (; field < 3 && at != std::string::npos; ++field)
        at = line.find('\t', at + 1);
    if (at == std::string::npos)
        return line;
    const auto end = line.find('\t', at + 1);
    const auto time = line.substr(at + 1, end - at - 1);
    if (time.size() > 3 && time.ends_with("000"))
        line.erase(at + 1 + time.size() - 3, 3);
    return line;
}

} // namespace

TEST(ExchangeLinks, PrintWhatTsharkPrintsUnderItsNames) {
    const auto expected = testing_support::peerLines("exchange-tshark.tsv", withMicroseconds);
    ASSERT_EQ(expected.size(), 17u);
    for (const auto& [capture, lines] : expected) {
        SCOPED_TRACE(capture);
        const auto run = testing_support::runAnalyzer(
            "-d udp.port==3799,RADIUS -T fields -e frame.number -e radius.rspframe "
            "-e radius.reqframe -e radius.time -e radius.req.dup -e radius.rsp.dup " +
            testing_support::peerCapturePath(capture));
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, lines);
    }
}

TEST(ExchangeLinks, FiltersAndFormsReadThem) {
    const std::string capture = std::string(RADIUS_SAMPLES_DIR) + "/exchanges.pcap";
    struct Case {
        std::string arguments;
        std::string output;
    } cases[] = {
        {"-T fields -e frame -Y 'responseTime > 0.67'", "599\n600\n603\n604\n"},
        {"-T fields -e frame -Y 'retransmissionOf'", "602\n604\n"},
        {"-T fields -e frame -Y '!responseFrame && radiusCode == 1'", "605\n"},
        {"-T fields -e frame -Y 'radius.rsp.dup == 603'", "604\n"},
        // The first request's answer is the 600th message: -c stops the printing, not the
        // reading ahead.
        {"-c 1 -T fields -e frame -e responseFrame", "1\t600\n"},
        {"-T fields -e frame -e responseTime -Y 'frame == 601 || frame == 604'",
         "601\t\n604\t1.000375\n"},
        {"-V -Y 'frame == 604'", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto run = testing_support::runAnalyzer(c.arguments + " " + capture);
        if (c.arguments.starts_with("-V")) {
            EXPECT_NE(run.output.find("  RADIUS-Exchange\n"
                                      "    Request in frame: 601\n"
                                      "    Time from request: 1.000375 s\n"
                                      "    Retransmission of frame 603\n"),
                      std::string::npos)
                << run.output;
            continue;
        }
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, c.output);
    }
}

// Requests that are never answered hold their batches back only until the bound: then
// the oldest batch goes out with what is known, in capture order.
TEST(ExchangeLinks, HoldingBackStopsAtTheBound) {
    for (const std::size_t bound : {std::size_t{1}, std::size_t{7}, std::size_t{1000}}) {
        SCOPED_TRACE(bound);
        std::vector<std::uint64_t> frames;
        std::size_t mostHeld = 0;
        const auto write = [&](const app::RenderedBatch& batch) {
            for (std::size_t i = 0; i < batch.input->size(); ++i)
                frames.push_back(batch.input->origin(i).frame);
        };
        app::RenderQueue queue(
            [](const app::MessageBatch& in, app::RenderedBatch& out) {
                out.input = &in;
                out.messages.resize(in.size());
            },
            write, 2, app::RenderQueue::Consuming::byWorkers);
        app::ExchangeReadAhead readAhead(queue, true, false, bound);
        for (std::uint64_t frame = 1; frame <= 100; ++frame) {
            zem::MessageOrigin origin;
            origin.frame = frame;
            origin.time = static_cast<double>(frame) / 100;
            origin.sourcePort = static_cast<std::uint16_t>(frame); // each its own exchange
            zem::ByteBuffer request(20, 0);
            request[0] = 1;
            request[3] = 20;
            readAhead.add(origin, zem::ByteView(request), {}, false);
            if (queue.filling().size() >= 4)
                readAhead.batchFull();
            mostHeld = std::max(mostHeld, readAhead.heldMessages());
        }
        readAhead.finish();
        queue.finish();
        EXPECT_LE(mostHeld, std::max<std::size_t>(bound, 4));
        ASSERT_EQ(frames.size(), 100u);
        EXPECT_TRUE(std::is_sorted(frames.begin(), frames.end()));
    }
}
