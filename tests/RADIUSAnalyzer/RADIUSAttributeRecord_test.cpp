#include "RADIUSAttributeRecord.hpp"
#include "TestSupport.hpp"

#include <gtest/gtest.h>

using radius::AttributeRecord;
using radius::attributeRecords;
using testing_support::hex;
using zem::ByteBuffer;
using zem::ByteView;

namespace {

std::optional<radius::AttributeRecordList> parse(std::string_view octets) {
    auto bytes = hex(octets);
    return attributeRecords(ByteView(bytes));
}

// The first record of a list; a second attribute keeps short first ones in the list.
AttributeRecord first(std::string_view octets) {
    auto list = parse(octets);
    EXPECT_TRUE(list && !list->empty()) << octets;
    return list && !list->empty() ? list->front() : AttributeRecord{};
}

AttributeRecord single(std::string_view octets) {
    auto list = parse(octets);
    EXPECT_TRUE(list && list->size() == 1) << octets;
    return list && !list->empty() ? list->front() : AttributeRecord{};
}

} // namespace

TEST(AttributeRecords, ListShapes) {
    struct Case {
        const char* name;
        const char* octets;
        std::size_t records; // 0: no list at all
        bool lastTruncated;
        std::uint8_t lastLength;
    } cases[] = {
        {"no octets", "", 0, false, 0},
        {"one octet", "01", 0, false, 0},
        {"two octets", "0102", 0, false, 0},
        {"one attribute of length 3", "010361", 1, false, 3},
        {"a last attribute of length 2 is dropped", "0103610102", 1, false, 3},
        {"one or two stray octets are dropped", "01036101", 1, false, 3},
        {"length 2 in the middle is parsed", "0502010361", 2, false, 3},
        {"length 10 with 6 octets left", "010361 050a00000001", 2, true, 6},
        {"length 1 after two good attributes", "010361010362 0501000000", 2, false, 3},
        {"length 0 first", "0100616263", 0, false, 0},
        {"length octet above 127",
         "1a"
         "ff"
         "00",
         1, true, 3},
    };
    for (const auto& c : cases) {
        auto list = parse(c.octets);
        if (c.records == 0) {
            EXPECT_FALSE(list.has_value()) << c.name;
            continue;
        }
        ASSERT_TRUE(list.has_value()) << c.name;
        EXPECT_EQ(list->size(), c.records) << c.name;
        EXPECT_EQ(list->back().truncated, c.lastTruncated) << c.name;
        EXPECT_EQ(list->back().avpLength, c.lastLength) << c.name;
    }
    // The length-2 attribute in the middle broke NAS-Port's rule.
    auto middle = parse("0502010361");
    EXPECT_TRUE(middle->front().invalid);
}

TEST(AttributeRecords, LengthRules) {
    struct Case {
        const char* octets;
        bool invalid;
    } cases[] = {
        {"0507 0000000100", true},                           // NAS-Port of length 7
        {"0506 00000100", false},                            // NAS-Port of length 6
        {"1a06 00000009", true},                             // Vendor-Specific of length 6
        {"1a07 0000000941", false},                          // Vendor-Specific of length 7
        {"0805 c00002", true},                               // Framed-IP-Address of length 5
        {"0210 0000000000000000000000000000", true},         // User-Password below 18
        {"0313 01 00000000000000000000000000000000", false}, // CHAP-Password of 19
        {"5e02 010361", false},                              // Originating-Line-Info has no rule
        {"1102 010361", false},                              // unlisted type 17
        {"6103 00", true},                                   // Framed-IPv6-Prefix below 4
    };
    for (const auto& c : cases) {
        auto list = parse(c.octets);
        ASSERT_TRUE(list && !list->empty()) << c.octets;
        EXPECT_EQ(list->front().invalid, c.invalid) << c.octets;
        if (c.invalid) {
            EXPECT_TRUE(std::holds_alternative<std::monostate>(list->front().avpVal[0]))
                << c.octets;
        }
    }
}

TEST(AttributeRecords, DecodedValues) {
    EXPECT_EQ(*single("0506 00000100").value<std::uint32_t>(0), 256u);
    EXPECT_EQ(*single("0806 c0000201").value<std::string>(0), "192.0.2.1");
    EXPECT_EQ(*single("3a07 31766c616e").value<std::uint32_t>(0), 0x31u); // Egress-VLAN-Name
    EXPECT_EQ(*single("3a07 31766c616e").value<std::string>(1), "vlan");

    auto tunnel = single("4006 0100000d");
    EXPECT_EQ(*tunnel.value<std::uint8_t>(0), 1);
    EXPECT_EQ(*tunnel.value<std::uint32_t>(1), 13u);

    auto vendor = single("1a07 0000000941");
    EXPECT_EQ(*vendor.value<std::uint32_t>(0), 9u);
    EXPECT_EQ(vendor.avpVal0SMI, "ciscoSystems");
    EXPECT_EQ(*vendor.value<std::string>(1), "A");
    EXPECT_EQ(single("1a07 ffffff0041").avpVal0SMI, "4294967040");

    auto chap = single("0313 07 000102030405060708090a0b0c0d0e0f");
    EXPECT_EQ(*chap.value<std::uint8_t>(0), 7);
    EXPECT_EQ(chap.value<ByteBuffer>(1)->size(), 16u);

    auto password = single("4509 01 abcd 11223344");
    EXPECT_EQ(*password.value<std::uint8_t>(0), 1);
    EXPECT_EQ(*password.value<std::uint16_t>(1), 0xabcd);
    EXPECT_EQ(*password.value<ByteBuffer>(2), hex("11223344"));

    auto arap = single("4612 00000001 00000002 00000003 00000004");
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(*arap.value<std::uint32_t>(i), i + 1);

    auto features = single("4710 01 06 00000001 00000002 00000003");
    EXPECT_EQ(*features.value<std::uint8_t>(0), 1);
    EXPECT_EQ(*features.value<std::uint8_t>(1), 6);
    EXPECT_EQ(*features.value<std::uint32_t>(4), 3u);

    EXPECT_EQ(*single("5e03 07").value<std::uint16_t>(0), 0);    // one octet
    EXPECT_EQ(*first("5e02 010361").value<std::uint16_t>(0), 0); // none
    EXPECT_EQ(*single("5e04 0014").value<std::uint16_t>(0), 20);

    EXPECT_EQ(*first("c802 010361").value<ByteBuffer>(0), ByteBuffer{}); // unlisted type 200
    EXPECT_EQ(*single("5f12 20010db8000000000000000000000001").value<std::string>(0),
              "2001:db8::1");
}

TEST(AttributeRecords, TaggedText) {
    auto letter = single("4205 414243"); // Tunnel-Client-Endpoint, first octet 'A'
    EXPECT_EQ(*letter.value<std::uint8_t>(0), 0x41);
    EXPECT_EQ(*letter.value<std::string>(1), "ABC");
    auto tagged = single("4205 014243");
    EXPECT_EQ(*tagged.value<std::uint8_t>(0), 1);
    EXPECT_EQ(*tagged.value<std::string>(1), "BC");
    EXPECT_EQ(tagged.avpVal1Hex, "4243");
    EXPECT_EQ(tagged.avpVal1Data, hex("4243"));
    auto onlyTag = single("5103 01"); // Tunnel-Private-Group-ID with an empty text
    EXPECT_EQ(*onlyTag.value<std::string>(1), "");
    auto notAscii = single("4204 01c3"); // ASCII kind refuses 0xC3
    EXPECT_EQ(notAscii.value<std::string>(1), nullptr);
    EXPECT_EQ(notAscii.avpVal1Hex, "c3");
}

TEST(AttributeRecords, InvalidTextIsLeftOut) {
    auto user = single("0104 c328"); // invalid UTF-8
    EXPECT_EQ(user.value<std::string>(0), nullptr);
    EXPECT_EQ(user.avpVal0Hex, "c328");
    EXPECT_EQ(single("0b04 ed a0").value<std::string>(0), nullptr);        // cut surrogate
    EXPECT_EQ(single("0b05 eda080").value<std::string>(0), nullptr);       // surrogate
    EXPECT_EQ(single("0b04 c0af").value<std::string>(0), nullptr);         // overlong
    EXPECT_EQ(*single("2204 e9e9").value<std::string>(0), "\u00e9\u00e9"); // Latin-1 always reads
    EXPECT_EQ(single("2704 8041").value<std::string>(0), nullptr);         // ASCII above 0x7F
}

TEST(AttributeRecords, IPv6Prefixes) {
    struct Case {
        const char* octets;
        std::uint8_t prefixLength;
        const char* text;
    } cases[] = {
        {"6108 0040 20010db8", 64, "20:01:0d:b8"}, // fewer octets than the length asks
        {"610c 0040 20010db800000001", 64, "20:01:0d:b8:00:00:00:01"},
        {"610c 003c 20010db800000001", 60, "20:01:0d:b8:00:00:00"},
        {"6108 0007 20010db8", 7, ""},
        {"6104 0000", 0, ""},
        {"6114 0080 20010db8000000000000000000000001", 128, "2001:db8::1"},
        {"6113 0080 20010db80000000000000000000000", 128,
         "20:01:0d:b8:00:00:00:00:00:00:00:00:00:00:00"},
        {"6106 0081 2001", 129, "20:01"}, // above 128 reads what is there
        {"7b08 00ff 20010db8", 255, "20:01:0d:b8"},
    };
    for (const auto& c : cases) {
        auto r = single(c.octets);
        ASSERT_FALSE(r.invalid) << c.octets;
        EXPECT_EQ(*r.value<std::uint8_t>(0), c.prefixLength) << c.octets;
        EXPECT_EQ(*r.value<std::string>(1), c.text) << c.octets;
    }
}

TEST(AttributeRecords, EveryLengthAtEveryPositionIsSafe) {
    // Two valid attributes, then an attribute of every type and length octet, then junk.
    for (int type = 0; type < 256; ++type) {
        for (int length = 0; length < 256; ++length) {
            ByteBuffer octets = hex("010361 0506 00000001");
            octets.push_back(static_cast<std::uint8_t>(type));
            octets.push_back(static_cast<std::uint8_t>(length));
            for (int i = 0; i < (length * 7) % 260; ++i)
                octets.push_back(static_cast<std::uint8_t>(i * 31 + type));
            auto list = attributeRecords(ByteView(octets));
            ASSERT_TRUE(list.has_value());
            ASSERT_GE(list->size(), 2u);
            for (const auto& r : *list)
                EXPECT_LE(r.avpLength, octets.size());
        }
    }
}

TEST(AttributeRecords, ManyMinimalAttributes) {
    ByteBuffer octets;
    for (int i = 0; i < 2000; ++i) {
        octets.push_back(0x1f); // Calling-Station-Id, one character
        octets.push_back(3);
        octets.push_back('x');
    }
    auto list = attributeRecords(ByteView(octets));
    ASSERT_TRUE(list.has_value());
    EXPECT_EQ(list->size(), 2000u);
}
