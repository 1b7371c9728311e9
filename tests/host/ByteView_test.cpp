#include "ByteView.hpp"
#include "TestSupport.hpp"

#include <gtest/gtest.h>

using testing_support::hex;
using zem::ByteView;

TEST(ByteView, LoadsAnswerNothingPastTheEnd) {
    auto bytes = hex("01020304");
    ByteView v(bytes);
    EXPECT_EQ(v.loadUnaligned<std::uint8_t>(3), 4);
    EXPECT_FALSE(v.loadUnaligned<std::uint8_t>(4).has_value());
    EXPECT_FALSE(v.loadUnaligned<std::uint16_t>(3).has_value());
    EXPECT_FALSE(v.loadUnaligned<std::uint32_t>(1).has_value());
    EXPECT_FALSE(v.loadUnaligned<std::uint32_t>(SIZE_MAX).has_value());
    EXPECT_EQ(v.loadBigEndian16(2), 0x0304);
    EXPECT_FALSE(v.loadBigEndian16(3).has_value());
    EXPECT_FALSE(v.loadBigEndian16(SIZE_MAX).has_value());
    EXPECT_EQ(v.loadBigEndian32(0), 0x01020304u);
    EXPECT_FALSE(v.loadBigEndian32(SIZE_MAX - 1).has_value());
}

TEST(ByteView, SlicesYieldOnlyWhatExists) {
    auto bytes = hex("0102030405");
    ByteView v(bytes);
    struct Case {
        std::size_t from, count, expected;
    } cases[] = {{0, 5, 5}, {1, 2, 2},        {3, 10, 2},      {5, 1, 0},
                 {9, 1, 0}, {0, SIZE_MAX, 5}, {4, SIZE_MAX, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(v.slice(c.from, c.count).size(), c.expected) << c.from << "+" << c.count;
    EXPECT_EQ(v.slice(2).size(), 3u);
    EXPECT_EQ(v.slice(1, 1).at(0), 2);
    // A one-octet view asked for the octet at offset 1 gives an empty slice and no value.
    EXPECT_FALSE(v.slice(4).slice(1, 1).loadUnaligned<std::uint8_t>(0).has_value());
}

TEST(ByteView, HexRepresentation) {
    auto bytes = hex("00ab10ff");
    EXPECT_EQ(ByteView(bytes).hexRepresentation(true, 2, false), "00ab10ff");
    EXPECT_EQ(ByteView(bytes).hexRepresentation(false, 2, true), "00 AB 10 FF");
    EXPECT_EQ(ByteView().hexRepresentation(), "");
    EXPECT_EQ(ByteView(bytes).hexRepresentation(true, 4, false), "000000ab001000ff");
    // Every octet, through the look-up table, appended after what is there; it must read
    // back as the same octets.
    zem::ByteBuffer all(256);
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = static_cast<std::uint8_t>(i);
    std::string text = "x";
    ByteView(all).appendHexRepresentation(text);
    ASSERT_EQ(text.size(), 513u);
    EXPECT_EQ(text.substr(0, 7), "x000102");
    EXPECT_EQ(text.substr(text.size() - 4), "feff");
    EXPECT_EQ(zem::parseHexBytes(text.substr(1)), all);
}

TEST(ByteView, ParseHexBytes) {
    EXPECT_EQ(zem::parseHexBytes("01 02:0a0B"), (zem::ByteBuffer{1, 2, 10, 11}));
    EXPECT_EQ(zem::parseHexBytes("0x0102"), (zem::ByteBuffer{1, 2}));
    EXPECT_EQ(zem::parseHexBytes(""), zem::ByteBuffer{});
    for (const char* bad : {"0", "0g", "01 2", "0 1", "zz", "01-02"})
        EXPECT_FALSE(zem::parseHexBytes(bad).has_value()) << bad;
}
