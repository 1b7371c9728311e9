#include "MessageIndex.hpp"

#include <gtest/gtest.h>
#include <string>

namespace {

// Addresses of four kinds of conversation, each made distinct by the message's number, so
// that an entry given another's addresses shows.
struct Endpoints {
    zem::IPAddress source, destination;
};

Endpoints endpointsOf(std::size_t i) {
    const auto low = std::to_string(i & 0xff), high = std::to_string((i >> 8) & 0xff);
    const auto v4 = [&](int net) {
        return *zem::IPAddress::parse(std::to_string(net) + ".0." + high + "." + low);
    };
    const auto v6 = [&](int net) {
        return *zem::IPAddress::parse(std::to_string(net) + "::" + high + ":" + low);
    };
    switch (i % 4) {
    case 0:
        return {v4(10), v4(192)};
    case 1:
        return {v6(2001), v6(2002)};
    case 2:
        return {v4(10), v6(2002)}; // one side IPv6 is enough to keep the pair aside
    default:
        return {v6(2001), v4(192)};
    }
}

// More messages than a block of entries holds, and more IPv6 pairs than a block of pairs,
// read back while the index is still being filled and after.
TEST(MessageIndex, EveryEntryKeepsItsOwnAddressesAcrossBlocks) {
    constexpr std::size_t count = 3 * 65536 / 2 + 7;
    capture::MessageIndex index;
    index.setFirstTime(1000.0);
    const auto check = [&](std::size_t i) {
        const auto expected = endpointsOf(i);
        const auto origin = index.origin(i);
        ASSERT_EQ(origin.source.text(), expected.source.text()) << "message " << i;
        ASSERT_EQ(origin.destination.text(), expected.destination.text()) << "message " << i;
        ASSERT_EQ(index.source(i).text(), expected.source.text()) << "message " << i;
        ASSERT_EQ(index.destination(i).text(), expected.destination.text()) << "message " << i;
        ASSERT_EQ(origin.frame, i + 1);
        ASSERT_EQ(origin.sourcePort, static_cast<std::uint16_t>(i));
        ASSERT_EQ(origin.destinationPort, 1812);
        ASSERT_DOUBLE_EQ(origin.relativeTime, origin.time - 1000.0);
    };
    for (std::size_t i = 0; i < count; ++i) {
        const auto endpoints = endpointsOf(i);
        capture::IndexedMessage entry;
        entry.frame = i + 1;
        entry.time = 1000.0 + static_cast<double>(i) / 8;
        entry.sourcePort = static_cast<std::uint16_t>(i);
        entry.destinationPort = 1812;
        ASSERT_TRUE(index.append(entry, endpoints.source, endpoints.destination));
        if (i % 50000 == 49999) {
            index.publish();
            check(i / 2);
        }
    }
    index.publish();
    ASSERT_EQ(index.size(), count);
    for (std::size_t i = 0; i < count; ++i)
        check(i);
}

} // namespace
