#include "MainThread.hpp"
#include "RadixFormat.hpp"
#include "TestSupport.hpp"
#include "ZEMAnalyzingUtilities.hpp"
#include "ZEMColor.hpp"
#include "ZEMDateFormatter.hpp"

#include <gtest/gtest.h>
#include <thread>

using testing_support::hex;
using zem::ByteView;
using zem::ZEMAnalyzingUtilities;

TEST(AnalyzingUtilities, StrictUtf8) {
    struct Case {
        const char* octets;
        bool valid;
    } cases[] = {
        {"", true},         {"616263", true},   {"c3a9", true},      {"e282ac", true},
        {"f09f9880", true}, {"f48fbfbf", true}, {"c3", false},       {"e282", false},
        {"c0af", false},    {"c1bf", false},    {"e080af", false},   {"f0808080", false},
        {"eda080", false},  {"edbfbf", false},  {"f4908080", false}, {"f5808080", false},
        {"80", false},      {"bf", false},      {"fe", false},       {"ff", false},
        {"c328", false},    {"e228a1", false},  {"00", true},        {"7f", true},
    };
    for (const auto& c : cases) {
        auto bytes = hex(c.octets);
        EXPECT_EQ(ZEMAnalyzingUtilities::utfStringFromData(ByteView(bytes)).has_value(), c.valid)
            << c.octets;
    }
}

TEST(AnalyzingUtilities, OtherEncodings) {
    auto ascii = hex("417f");
    EXPECT_EQ(ZEMAnalyzingUtilities::asciiStringFromData(ByteView(ascii)), "A\x7f");
    auto high = hex("4180");
    EXPECT_FALSE(ZEMAnalyzingUtilities::asciiStringFromData(ByteView(high)).has_value());
    auto latin = hex("e9ff00");
    EXPECT_EQ(ZEMAnalyzingUtilities::isoLatin1StringFromData(ByteView(latin)),
              std::string("\u00e9\u00ff") + '\0');
    auto octets = hex("00ab1f");
    EXPECT_EQ(ZEMAnalyzingUtilities::hexStringFromData(ByteView(octets), false), "00ab1f");
    EXPECT_EQ(ZEMAnalyzingUtilities::hexStringFromData(ByteView(octets), true), "00:ab:1f");
}

TEST(AnalyzingUtilities, EnterpriseNumbers) {
    EXPECT_EQ(ZEMAnalyzingUtilities::smiNameFor("9"), "ciscoSystems");
    EXPECT_EQ(ZEMAnalyzingUtilities::smiNameFor("311"), "Microsoft");
    EXPECT_FALSE(ZEMAnalyzingUtilities::smiNameFor("4294967295").has_value());
    for (const char* bad : {"", "x", "9 ", "-9", "99999999999"})
        EXPECT_FALSE(ZEMAnalyzingUtilities::smiNameFor(bad).has_value()) << bad;
    auto registry = zem::EnterpriseNumberRegistry::parse("# c\n5\tFive\r\nbad line\n3\tThree\n");
    EXPECT_EQ(registry.size(), 2u);
    EXPECT_EQ(registry.nameFor(3), "Three");
    EXPECT_EQ(registry.nameFor(5), "Five");
    EXPECT_FALSE(registry.nameFor(4).has_value());
    // The names stay valid when the registry moves (the installed one is moved into place),
    // and a number listed twice, in order or not, answers its first line.
    for (const char* file : {"1\tOne\n2\tFirst\n2\tSecond\n", "2\tFirst\n1\tOne\n2\tSecond\n"}) {
        auto moved = zem::EnterpriseNumberRegistry::parse(file);
        const auto kept = std::move(moved);
        EXPECT_EQ(kept.nameFor(1), "One") << file;
        EXPECT_EQ(kept.nameFor(2), "First") << file;
    }
}

TEST(AnalyzingUtilities, HostnameLookupAnswersNothingForBadInput) {
    EXPECT_FALSE(ZEMAnalyzingUtilities::hostnameForIPString("not an address", 2).has_value());
    EXPECT_FALSE(ZEMAnalyzingUtilities::hostnameForIPString("192.0.2.1", 2).has_value());
    EXPECT_EQ(ZEMAnalyzingUtilities::hostnameForIPString("127.0.0.1", 2).has_value(), true);
}

TEST(RadixFormat, Interpolation) {
    EXPECT_EQ(zem::radixText(1, 16, true, 2, false), "0x01");
    EXPECT_EQ(zem::radixText(0xabcd, 16, true, 4, true), "0xABCD");
    EXPECT_EQ(zem::radixText(0xab, 16, true, 4, true), "0x00AB");
    EXPECT_EQ(zem::radixText(0x12345, 16, true, 2, false), "0x12345");
    EXPECT_EQ(zem::radixText(5, 2, false, 0, false), "101");
}

TEST(DateFormatter, FormatsAndParsesInTheDefaultZone) {
    zem::ZEMDateFormatter formatter("yyyy-MM-dd HH:mm:ss.SSS");
    EXPECT_EQ(formatter.stringFromDate(0), "1970-01-01 00:00:00.000");
    EXPECT_EQ(formatter.stringFromDate(1700000000.25), "2023-11-14 22:13:20.250");
    auto epoch = formatter.dateFromString("1904-01-01 00:00:00.000");
    ASSERT_TRUE(epoch.has_value());
    EXPECT_EQ(*epoch, -2082844800.0);
    EXPECT_FALSE(formatter.dateFromString("not a date").has_value());
    zem::ZEMDateFormatter other("dd.MM.yyyy");
    EXPECT_EQ(other.stringFromDate(0), "01.01.1970");
    EXPECT_FALSE(other.dateFromString("1904-01-01 00:00:00.000").has_value());
}

TEST(ZEMColor, TextFormRoundTripsExactly) {
    for (double hue : {0.0, 0.1, 1.0 / 3.0, 0.5, 0.999999999, 1.0}) {
        auto color = zem::ZEMColor::fromHSB(hue, 1, 1);
        auto back = zem::ZEMColor::fromRawValue(color.rawValue());
        ASSERT_TRUE(back.has_value()) << color.rawValue();
        EXPECT_EQ(*back, color);
    }
    EXPECT_EQ(zem::ZEMColor::fromHSB(1.0, 1, 1), zem::ZEMColor::fromHSB(0.0, 1, 1));
    EXPECT_EQ(zem::ZEMColor::fromHSB(0.0, 1, 1), (zem::ZEMColor{1, 0, 0, 1}));
    EXPECT_EQ(zem::ZEMColor::fromRawValue("1 0 0"), (zem::ZEMColor{1, 0, 0, 1}));
    for (const char* bad : {"", "red", "1 0", "1 0 0 0 0", "2 0 0", "-1 0 0", "1,0,0", "nan 0 0"})
        EXPECT_FALSE(zem::ZEMColor::fromRawValue(bad).has_value()) << bad;
}

TEST(MainThreadDeathTest, OtherThreadsAreStopped) {
    EXPECT_TRUE(zem::isMainThread());
    EXPECT_DEATH(
        {
            std::thread worker([] { zem::requireMainThread("setupPlugIn()"); });
            worker.join();
        },
        "main thread checker");
}
