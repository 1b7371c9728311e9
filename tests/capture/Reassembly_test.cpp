#include "NetworkLayers.hpp"
#include "Reassembly.hpp"
#include "TestSupport.hpp"

#include <gtest/gtest.h>

using capture::FragmentReassembler;
using capture::IPPacket;
using capture::StreamKey;
using capture::TCPReassembler;
using capture::TCPSegment;
using zem::ByteBuffer;
using zem::ByteView;

namespace {

ByteBuffer radiusMessage(std::uint8_t id, std::size_t length) {
    ByteBuffer m(length, 0x41);
    m[0] = 1;
    m[1] = id;
    m[2] = static_cast<std::uint8_t>(length >> 8);
    m[3] = static_cast<std::uint8_t>(length);
    return m;
}

struct Stream {
    TCPReassembler reassembler;
    StreamKey key{};
    std::vector<std::uint8_t> ids;
    void send(std::uint32_t sequence, const ByteBuffer& data, bool syn = false) {
        TCPSegment segment{1, 1812, sequence, syn, false, false, ByteView(data)};
        reassembler.add(key, segment, 0,
                        [&](const StreamKey&, ByteView message) { ids.push_back(*message.at(1)); });
    }
};

ByteBuffer part(const ByteBuffer& b, std::size_t from, std::size_t to) {
    return ByteBuffer(b.begin() + static_cast<std::ptrdiff_t>(from),
                      b.begin() + static_cast<std::ptrdiff_t>(to));
}

} // namespace

TEST(TCPReassembler, SplitMergedRetransmittedAndReordered) {
    auto a = radiusMessage(1, 60), b = radiusMessage(2, 30), c = radiusMessage(3, 40);
    Stream s;
    s.send(99, {}, true);
    s.send(100, part(a, 0, 3)); // not even the Length field yet
    s.send(103, part(a, 3, 40));
    s.send(103, part(a, 3, 40)); // retransmission
    s.send(100, part(a, 0, 50)); // retransmission carrying new octets at its end
    s.send(150, part(a, 50, 60));
    EXPECT_EQ(s.ids, (std::vector<std::uint8_t>{1}));
    ByteBuffer merged = b;
    merged.insert(merged.end(), c.begin(), c.begin() + 10);
    s.send(200, part(c, 10, 40)); // arrives before the segment it follows
    s.send(160, merged);
    EXPECT_EQ(s.ids, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(s.reassembler.droppedOctets(), 0u);
}

TEST(TCPReassembler, GarbageIsDroppedNotFramed) {
    Stream s;
    ByteBuffer junk = {1, 2, 0, 5, 9, 9, 9, 9}; // Length 5 cannot be RADIUS
    s.send(1, junk);
    EXPECT_TRUE(s.ids.empty());
    EXPECT_EQ(s.reassembler.droppedOctets(), junk.size());
    ByteBuffer huge = {1, 2, 0xff, 0xff};
    s.send(9, huge);
    EXPECT_TRUE(s.ids.empty());
}

// A flood of connections that each start a message and never finish it: the least
// recently used streams are given up, one at a time, and counted; a stream that keeps
// sending stays.
TEST(TCPReassembler, StateStaysBoundedAndTheBusiestStreamStays) {
    TCPReassembler r;
    const auto noMessage = [](const StreamKey&, ByteView) {};
    const ByteBuffer message = radiusMessage(9, 100);
    StreamKey busy{};
    busy.sourcePort = 65535;
    busy.destinationPort = 65535;
    std::uint32_t busySequence = 1;
    std::vector<std::uint8_t> busyIds;
    const std::uint32_t flood = 3 * TCPReassembler::maximumStreams;
    for (std::uint32_t i = 0; i < flood; ++i) {
        StreamKey key{};
        key.sourcePort = static_cast<std::uint16_t>(i);
        key.destinationPort = static_cast<std::uint16_t>(i >> 16);
        ByteBuffer half = part(message, 0, 50);
        TCPSegment segment{1, 1812, 1, false, false, false, ByteView(half)};
        r.add(key, segment, i * 0.001, noMessage);
        if (i % 1000 == 0) { // the busy stream sends half a message, then the rest
            for (int piece = 0; piece < 2; ++piece) {
                ByteBuffer data = part(message, 50 * static_cast<std::size_t>(piece),
                                       50 * static_cast<std::size_t>(piece) + 50);
                TCPSegment s{1, 1812, busySequence, false, false, false, ByteView(data)};
                busySequence += 50;
                r.add(busy, s, i * 0.001,
                      [&](const StreamKey&, ByteView m) { busyIds.push_back(*m.at(1)); });
            }
        }
    }
    EXPECT_EQ(r.streams(), TCPReassembler::maximumStreams);
    EXPECT_EQ(r.givenUp(), flood + 1 - TCPReassembler::maximumStreams);
    EXPECT_EQ(busyIds.size(), flood / 1000 + 1);
    // Idle streams expire.
    ByteBuffer late = part(message, 0, 50);
    r.add(StreamKey{}, TCPSegment{1, 1812, 7, false, false, false, ByteView(late)}, 10000,
          noMessage);
    EXPECT_EQ(r.streams(), 1u);
}

TEST(FragmentReassembler, InOrderOutOfOrderAndOverlapping) {
    ByteBuffer whole(3000);
    for (std::size_t i = 0; i < whole.size(); ++i)
        whole[i] = static_cast<std::uint8_t>(i * 7);
    auto fragment = [&](std::uint32_t offset, std::size_t length, bool more) {
        IPPacket p;
        p.protocol = 17;
        p.fragmented = true;
        p.fragmentId = 7;
        p.fragmentOffset = offset;
        p.moreFragments = more;
        static std::vector<ByteBuffer> keep;
        keep.push_back(part(whole, offset, offset + length));
        p.payload = ByteView(keep.back());
        return p;
    };
    FragmentReassembler r;
    EXPECT_FALSE(r.add(fragment(2400, 600, false), 0));
    EXPECT_FALSE(r.add(fragment(0, 1200, true), 0));
    EXPECT_FALSE(r.add(fragment(800, 800, true), 0)); // overlaps the first
    auto done = r.add(fragment(1600, 800, true), 0);
    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(*done, whole);
    EXPECT_EQ(r.pending(), 0u);
}

TEST(FragmentReassembler, ExpiresAndBounds) {
    FragmentReassembler r;
    ByteBuffer piece(16, 1);
    for (std::uint32_t id = 0; id < 2 * FragmentReassembler::maximumDatagrams; ++id) {
        IPPacket p;
        p.fragmented = p.moreFragments = true;
        p.fragmentId = id;
        p.payload = ByteView(piece);
        r.add(p, 0);
    }
    EXPECT_EQ(r.pending(), FragmentReassembler::maximumDatagrams);
    EXPECT_EQ(r.givenUp(), FragmentReassembler::maximumDatagrams);
    IPPacket late;
    late.fragmented = late.moreFragments = true;
    late.fragmentId = 99999;
    late.payload = ByteView(piece);
    r.add(late, 1000);
    EXPECT_EQ(r.pending(), 1u); // the old ones timed out
    EXPECT_EQ(r.givenUp(), 2 * FragmentReassembler::maximumDatagrams);
    IPPacket tooFar = late;
    tooFar.fragmentOffset = 65528;
    EXPECT_FALSE(r.add(tooFar, 1000).has_value());
    EXPECT_EQ(r.givenUp(), 2 * FragmentReassembler::maximumDatagrams + 1);
}

TEST(NetworkLayers, MalformedHeadersAreRefused) {
    using testing_support::hex;
    EXPECT_FALSE(capture::parseIP(ByteView(hex("45"))).has_value());
    EXPECT_FALSE(
        capture::parseIP(ByteView(hex("4f000014000000004011000000000000000000"))).has_value());
    EXPECT_FALSE(capture::parseIP(ByteView(hex("41000014000000004011000000000000000000000000")))
                     .has_value()); // IHL 4
    EXPECT_FALSE(capture::parseIP(ByteView(hex("60000000000811"))).has_value());
    EXPECT_FALSE(capture::parseUDP(ByteView(hex("0714"))).has_value());
    EXPECT_FALSE(capture::parseTCP(ByteView(hex("07140714000000000000000010"))).has_value());
    // An IPv6 chain of extension headers that never ends is refused.
    ByteBuffer v6 =
        hex("6000000000400040 00000000000000000000000000000001 00000000000000000000000000000002");
    for (int i = 0; i < 8; ++i) {
        ByteBuffer option = hex("0000000000000000");
        v6.insert(v6.end(), option.begin(), option.end());
    }
    EXPECT_FALSE(capture::parseIP(ByteView(v6)).has_value());
    for (int linkType : {1, 113, 276, 101, 0, 108, 12345})
        EXPECT_FALSE(capture::linkPayload(linkType, ByteView(hex("0001"))).has_value()) << linkType;
}
