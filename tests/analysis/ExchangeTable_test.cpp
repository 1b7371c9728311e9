// The window's table of links: every message's, read back by position once the capture
// was linked, across the table's chunks, and with a request's response settled after it.
#include "TestSupport.hpp"
#include "exchanges/ExchangeTable.hpp"

#include <gtest/gtest.h>

namespace {

constexpr std::uint8_t accessRequest = 1, accessAccept = 2;

// A request's authenticator tells it from an earlier one with its identifier, which would
// be a retransmission of that one.
zem::ByteBuffer message(std::uint8_t code, std::uint64_t exchange) {
    zem::ByteBuffer octets(20, 0);
    for (std::size_t i = 0; i < 8; ++i)
        octets[4 + i] = static_cast<std::uint8_t>(exchange >> (8 * i));
    const auto identifier = static_cast<std::uint8_t>(exchange);
    octets[0] = code;
    octets[1] = identifier;
    octets[2] = 0;
    octets[3] = 20;
    return octets;
}

// Requests in rounds of `round`, each round answered after it in the same order: a
// request's response is settled only when a later message is linked. A few thousand
// messages put rounds astride the table's chunks.
TEST(ExchangeTable, EveryMessageKeepsItsLinksAcrossTheTablesChunks) {
    for (const std::size_t round : {1u, 64u, 200u}) {
        SCOPED_TRACE(round);
        const std::size_t messages = 20'000 - 20'000 % (2 * round);
        analysis::ExchangeTable table;
        std::uint64_t frame = 0;
        double time = 0;
        while (frame < messages) {
            const std::uint64_t first = frame + 1;
            for (std::size_t i = 0; i < round; ++i)
                table.add(testing_support::exchangeOrigin(++frame, time += 0.001, true),
                          message(accessRequest, first + i));
            for (std::size_t i = 0; i < round; ++i)
                table.add(testing_support::exchangeOrigin(++frame, time += 0.001, false),
                          message(accessAccept, first + i));
        }
        table.finish();

        ASSERT_EQ(table.size(), messages);
        for (std::size_t position = 0; position < messages; ++position) {
            const bool request = position % (2 * round) < round;
            const std::uint64_t partner = request ? position + round + 1 : position - round + 1;
            const auto links = table.links(position);
            if (request) {
                ASSERT_EQ(links.responseFrame, partner) << position;
                ASSERT_FALSE(links.requestFrame) << position;
            } else {
                ASSERT_EQ(links.requestFrame, partner) << position;
                ASSERT_TRUE(links.responseTime) << position;
                ASSERT_NEAR(*links.responseTime, 0.001 * static_cast<double>(round), 1e-6)
                    << position;
            }
        }
        EXPECT_FALSE(table.links(messages).requestFrame);
    }
}

} // namespace
