#include "RADIUSProtocolAnalyzer.hpp"
#include "TestSupport.hpp"

#include <gtest/gtest.h>

using radius::RADIUSDissector;
using radius::RADIUSProtocolAnalyzer;
using testing_support::hex;
using zem::ByteBuffer;
using zem::ByteView;

namespace {

// A message with code, identifier, Length field and `captured` octets in all (zero-filled).
ByteBuffer message(std::uint8_t code, std::uint8_t id, std::uint16_t length, std::size_t captured) {
    ByteBuffer m(captured, 0);
    if (captured > 0)
        m[0] = code;
    if (captured > 1)
        m[1] = id;
    if (captured > 3) {
        m[2] = static_cast<std::uint8_t>(length >> 8);
        m[3] = static_cast<std::uint8_t>(length);
    }
    return m;
}

template <typename T>
T valueOf(const RADIUSProtocolAnalyzer& a, std::string_view key, ByteView data) {
    auto v = a.value(key, data);
    EXPECT_TRUE(v.has_value()) << key;
    EXPECT_TRUE(v && std::holds_alternative<T>(*v)) << key;
    return v && std::holds_alternative<T>(*v) ? std::get<T>(*v) : T{};
}

} // namespace

TEST(RADIUSProtocolAnalyzer, CreationNeedsTwentyOctets) {
    auto shortMessage = message(1, 1, 20, 19);
    EXPECT_EQ(RADIUSProtocolAnalyzer::create(ByteView(shortMessage)), nullptr);
    auto minimal = message(1, 1, 20, 20);
    auto analyzer = RADIUSProtocolAnalyzer::create(ByteView(minimal));
    ASSERT_NE(analyzer, nullptr);
    EXPECT_EQ(analyzer->protocolSize(), 20);
    EXPECT_EQ(analyzer->protocolInfo(ByteView(minimal)), "Access-Request (1) (Id=1)");
    ByteBuffer huge(70000, 0);
    EXPECT_EQ(RADIUSProtocolAnalyzer::create(ByteView(huge)), nullptr);
}

TEST(RADIUSProtocolAnalyzer, FixedAnswersDoNotDependOnData) {
    for (std::size_t size : {20u, 64u, 4096u}) {
        auto m = message(43, 9, static_cast<std::uint16_t>(size), size);
        auto a = RADIUSProtocolAnalyzer::create(ByteView(m));
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->hasPayload());
        EXPECT_EQ(a->nextProtocol(), std::nullopt);
        EXPECT_EQ(a->protocolName(), std::nullopt);
        EXPECT_EQ(a->protocolInfo(), std::string());
        ASSERT_TRUE(a->protocolNodes().has_value());
        EXPECT_TRUE(a->protocolNodes()->empty());
        EXPECT_EQ(a->protocolNodes(ByteView(m)).size(), 1u);
    }
}

TEST(RADIUSProtocolAnalyzer, SummaryLine) {
    struct Case {
        std::uint8_t code, id;
        const char* expected;
    } cases[] = {
        {1, 42, "Access-Request (1) (Id=42)"},
        {2, 0, "Access-Accept (2) (Id=0)"},
        {11, 255, "Access-Challenge (11) (Id=255)"},
        {40, 1, "Disconnect-Request (40) (Id=1)"},
        {45, 1, "CoA-NAK (45) (Id=1)"},
        {52, 3, "Protocol-Error (52) (Id=3)"},
        {250, 7, "Unknown Code (250) (Id=7)"},
        {28, 7, "Unknown Code (28) (Id=7)"},
        {0, 1, "Unknown Code (0) (Id=1)"},
        {255, 1, "Unknown Code (255) (Id=1)"},
    };
    for (const auto& c : cases) {
        auto m = message(c.code, c.id, 20, 20);
        auto a = RADIUSProtocolAnalyzer::create(ByteView(m));
        EXPECT_EQ(a->protocolInfo(ByteView(m)), c.expected);
        EXPECT_EQ(valueOf<std::string>(*a, "radiusProtocolInfo", ByteView(m)), c.expected);
    }
}

TEST(RADIUSProtocolAnalyzer, SizeIsTheLengthFieldWhileProtocolSizeIsCaptured) {
    auto m = message(4, 1, 40, 50);
    auto a = RADIUSProtocolAnalyzer::create(ByteView(m));
    EXPECT_EQ(a->protocolSize(), 50);
    // The host hands radiusSize the octets from its registered offset 2.
    EXPECT_EQ(valueOf<std::uint16_t>(*a, "radiusSize", ByteView(m).slice(2, 2)), 40);
}

TEST(RADIUSProtocolAnalyzer, AttributeListBounds) {
    struct Case {
        const char* name;
        std::uint16_t length;
        std::size_t captured;
        bool hasData;
        std::size_t dataSize;
    } cases[] = {
        {"Length 20 announces no attribute", 20, 20, false, 0},
        {"Length below 20", 12, 30, false, 0},
        {"Length above the capture", 60, 40, false, 0},
        {"octets after Length are ignored", 40, 50, true, 20},
        {"exactly 4096 octets", 4096, 4096, true, 4076},
        {"a single attribute octet", 21, 21, true, 1},
    };
    for (const auto& c : cases) {
        auto m = message(1, 1, c.length, c.captured);
        auto a = RADIUSProtocolAnalyzer::create(ByteView(m));
        auto data = a->value("radiusAVPData", ByteView(m));
        EXPECT_EQ(data.has_value(), c.hasData) << c.name;
        if (data && c.hasData) {
            ASSERT_TRUE(std::holds_alternative<ByteBuffer>(*data)) << c.name;
            EXPECT_EQ(std::get<ByteBuffer>(*data).size(), c.dataSize) << c.name;
        }
    }
}

TEST(RADIUSProtocolAnalyzer, AttributeDataIsExactlyTheAnnouncedOctets) {
    auto m = message(1, 1, 40, 50);
    for (std::size_t i = 20; i < 50; ++i)
        m[i] = static_cast<std::uint8_t>(i);
    auto a = RADIUSProtocolAnalyzer::create(ByteView(m));
    auto data = valueOf<ByteBuffer>(*a, "radiusAVPData", ByteView(m));
    EXPECT_EQ(data, ByteBuffer(m.begin() + 20, m.begin() + 40));
}

TEST(RADIUSProtocolAnalyzer, AttributeTypeList) {
    struct Case {
        const char* name;
        const char* hexMessage;
        const char* expected;
        bool tracesTrunc;
    } cases[] = {
        {"three attributes", "0101002000000000000000000000000000000000 01036104060000000a1a03ff",
         "1 4 26", false},
        {"length 0 ends the list",
         "0101001f00000000000000000000000000000000 0103610400000000000000", "1", true},
        {"length 1 ends the list", "0101001c00000000000000000000000000000000 0103610101000000", "1",
         true},
        {"attribute past the end", "0101001a00000000000000000000000000000000 010361020900", "1",
         true},
        {"two stray octets are ignored", "0101001900000000000000000000000000000000 0103610200", "1",
         false},
        {"no attribute", "0101001400000000000000000000000000000000", "", false},
        {"message shorter than Length", "0101003000000000000000000000000000000000 010361", "",
         false},
    };
    for (const auto& c : cases) {
        auto m = hex(c.hexMessage);
        auto a = RADIUSProtocolAnalyzer::create(ByteView(m));
        ASSERT_NE(a, nullptr) << c.name;
        testing::internal::CaptureStdout();
        auto text = valueOf<std::string>(*a, "radiusAVPString", ByteView(m));
        std::string traced = testing::internal::GetCapturedStdout();
        EXPECT_EQ(text, c.expected) << c.name;
        EXPECT_EQ(traced, c.tracesTrunc ? "\"trunc\"\n" : "") << c.name;
    }
}

TEST(RADIUSProtocolAnalyzer, PropertyValuesOnShortData) {
    RADIUSDissector d;
    EXPECT_FALSE(d.propertyValue("radiusSize", ByteView(hex("01"))).has_value());
    EXPECT_FALSE(d.propertyValue("radiusCode", ByteView()).has_value());
    EXPECT_EQ(std::get<std::uint8_t>(*d.propertyValue("radiusCode", ByteView(hex("2b")))), 43);
    EXPECT_EQ(std::get<std::uint8_t>(*d.propertyValue("radiusIdentifier", ByteView(hex("07")))), 7);
    EXPECT_FALSE(
        d.propertyValue("radiusAuthenticator", ByteView(hex("00112233445566778899aabbccddee")))
            .has_value());
    EXPECT_EQ(std::get<std::string>(*d.propertyValue(
                  "radiusAuthenticator", ByteView(hex("00112233445566778899aabbccddeeff")))),
              "00112233445566778899aabbccddeeff");
    EXPECT_FALSE(d.propertyValue("radiusAVPString", ByteView(hex("010100"))).has_value());
    EXPECT_FALSE(d.propertyValue("radiusProtocolInfo", ByteView(hex("01"))).has_value());
    EXPECT_EQ(std::get<std::string>(*d.propertyValue("radiusCodeResolved", ByteView(hex("03")))),
              "Access-Reject (3)");
}

TEST(RADIUSProtocolAnalyzer, KeysAreExact) {
    auto m = message(1, 1, 20, 20);
    auto a = RADIUSProtocolAnalyzer::create(ByteView(m));
    for (const char* key : {"radiuscode", "RadiusCode", "radiusCode ", "", "radius", "avpType"})
        EXPECT_FALSE(a->value(key, ByteView(m)).has_value()) << key;
    for (const auto& property : radius::radiusPropertyTable)
        EXPECT_NE(property.decode, nullptr) << property.key;
}
