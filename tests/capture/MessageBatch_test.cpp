#include "HandoverOctets.hpp"
#include "MessageBatch.hpp"

#include <gtest/gtest.h>
#include <numeric>
#include <string>
#include <vector>

namespace {

zem::IPAddress address(std::uint8_t family, std::vector<std::uint8_t> octets) {
    zem::IPAddress result;
    result.family = family;
    std::copy(octets.begin(), octets.end(), result.bytes.begin());
    return result;
}

std::vector<std::uint8_t> countingOctets(std::size_t length, std::uint8_t first) {
    std::vector<std::uint8_t> octets(length);
    std::iota(octets.begin(), octets.end(), first);
    return octets;
}

// One message as the reader hands it over; a batch keeps its origin in a form of its own.
struct Handed {
    std::string what;
    zem::MessageOrigin origin;
    std::vector<std::uint8_t> payload;
    std::vector<std::uint8_t> frame; // the carrying frame's octets, when described
};

std::vector<Handed> handedMessages() {
    const auto v4a = address(4, {10, 0, 0, 1}), v4b = address(4, {192, 0, 2, 255});
    const auto v6a = address(6, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1});
    const auto v6b = address(6, {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2});
    // An IPv4 address whose unused octets are not zero must come back as it went in.
    const auto v4tail = address(4, {127, 0, 0, 1, 9});
    std::vector<Handed> rows;
    const auto add = [&](std::string what, zem::IPAddress source, zem::IPAddress destination,
                         std::size_t payload) {
        Handed row{std::move(what), {}, countingOctets(payload, std::uint8_t(rows.size())), {}};
        row.origin.frame = 1000 + rows.size();
        row.origin.time = 1.7e9 + 0.000001 * double(rows.size());
        row.origin.relativeTime = 0.25 * double(rows.size());
        row.origin.source = source;
        row.origin.destination = destination;
        row.origin.sourcePort = 1812;
        row.origin.destinationPort = std::uint16_t(50000 + rows.size());
        rows.push_back(std::move(row));
        return &rows.back();
    };
    add("IPv4, 20 octets", v4a, v4b, 20);
    add("IPv6, 17 octets", v6a, v6b, 17);
    add("IPv4 with octets past its four", v4tail, v4a, 16);
    add("families mixed", v4a, v6b, 15);
    add("no octets", v4b, v4a, 0);
    add("one octet", v4a, v4b, 1)->origin.transport = zem::MessageTransport::tcp;
    auto* tls = add("TLS, a long message", v4a, v4b, 4096);
    tls->origin.transport = zem::MessageTransport::tls;
    tls->origin.sourcePort = 65535;
    auto* dtls = add("DTLS, frame past 2^32", v6b, v6a, 33);
    dtls->origin.transport = zem::MessageTransport::dtls;
    dtls->origin.frame = std::uint64_t{1} << 40;
    dtls->origin.relativeTime = -0.5;
    return rows;
}

// Frames described for some messages: the frame's octets may run past its captured length
// (a reassembled datagram's joined transport header).
void describeFrames(std::vector<Handed>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i == 0)
            continue; // the first message comes without a frame
        auto& carrying = rows[i].origin.carrying;
        carrying.linkType = 1;
        carrying.capturedLength = std::uint32_t(42 + i);
        carrying.wireLength = std::uint32_t(60 + i);
        if (i % 3 == 2) // the frame's fields without its octets
            continue;
        rows[i].frame = countingOctets(carrying.capturedLength + (i % 2 ? 8 : 0), 7);
        carrying.messageOffset = 42;
    }
}

void expectSameOrigin(const zem::MessageOrigin& kept, const zem::MessageOrigin& handed) {
    EXPECT_EQ(kept.frame, handed.frame);
    EXPECT_EQ(kept.time, handed.time);
    EXPECT_EQ(kept.relativeTime, handed.relativeTime);
    EXPECT_EQ(kept.source, handed.source);
    EXPECT_EQ(kept.destination, handed.destination);
    EXPECT_EQ(kept.sourcePort, handed.sourcePort);
    EXPECT_EQ(kept.destinationPort, handed.destinationPort);
    EXPECT_EQ(kept.transport, handed.transport);
    EXPECT_TRUE(kept.carrierFrames.empty()) << "carrier frames are the reader's, not kept";
}

void expectSameFrame(const zem::CarryingFrame& kept, const zem::CarryingFrame& handed,
                     const std::vector<std::uint8_t>& octets) {
    EXPECT_EQ(kept.linkType, handed.linkType);
    EXPECT_EQ(kept.capturedLength, handed.capturedLength);
    EXPECT_EQ(kept.wireLength, handed.wireLength);
    EXPECT_EQ(kept.messageOffset, handed.messageOffset);
    EXPECT_EQ(kept.octets.copy(), octets);
}

TEST(MessageBatch, GivesBackEveryOriginMessageAndFrameAsHandedOver) {
    for (const bool framesDescribed : {false, true}) {
        auto rows = handedMessages();
        if (framesDescribed)
            describeFrames(rows);
        capture::MessageBatch batch;
        for (int round = 0; round < 2; ++round) { // the second time in a recycled batch
            batch.clear();
            for (auto& row : rows) {
                row.origin.carrying.octets = zem::ByteView(row.frame);
                batch.add(row.origin, zem::ByteView(row.payload));
            }
            capture::MessageBatch::publish();
            ASSERT_EQ(batch.size(), rows.size());
            EXPECT_EQ(batch.describesFrames(), framesDescribed);
            for (std::size_t i = 0; i < rows.size(); ++i) {
                SCOPED_TRACE(rows[i].what + (framesDescribed ? ", frames described" : "") +
                             ", round " + std::to_string(round));
                const auto origin = batch.origin(i);
                expectSameOrigin(origin, rows[i].origin);
                EXPECT_TRUE(origin.carrying.empty()) << "the frame's octets come apart";
                EXPECT_EQ(batch.message(i).copy(), rows[i].payload);
                expectSameFrame(batch.carryingFrame(i), rows[i].origin.carrying, rows[i].frame);
            }
        }
    }
}

// Pieces of every length up to a few blocks, across the buffer's growth, come back whole.
TEST(HandoverOctets, GivesBackEveryPieceAcrossGrowth) {
    capture::HandoverOctets octets;
    std::vector<std::pair<std::size_t, std::vector<std::uint8_t>>> appended;
    for (std::size_t length = 0; length < 300; ++length) {
        auto piece = countingOctets(length % 70, std::uint8_t(length));
        appended.emplace_back(octets.append(piece), std::move(piece));
    }
    capture::HandoverOctets::publish();
    for (const auto& [begin, piece] : appended) {
        EXPECT_EQ(begin % 16, 0u);
        const auto view = octets.view(begin, piece.size());
        EXPECT_EQ(std::vector(view.begin(), view.end()), piece) << "at " << begin;
    }
    octets.clear();
    EXPECT_EQ(octets.size(), 0u);
    EXPECT_EQ(octets.append(countingOctets(3, 1)), 0u);
}

} // namespace
