#include "TimeText.hpp"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {

std::string fixed6(double value) {
    std::string text;
    zem::appendFixed6(text, value);
    return text;
}

std::string printed(double value) {
    char text[400];
    std::snprintf(text, sizeof text, "%.6f", value);
    return text;
}

} // namespace

TEST(TimeText, SixDecimalsAreRoundedFromTheExactValueTiesToEven) {
    struct Case {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0.000000"},
        {-0.0, "-0.000000"},
        {1.5, "1.500000"},
        {0.0078125, "0.007812"}, // 1/128: an exact tie, kept even
        {0.0234375, "0.023438"}, // 3/128: an exact tie, rounded up to even
        {-0.0078125, "-0.007812"},
        {1e-7, "0.000000"},
        {-4e-7, "-0.000000"},
        {5e-7, "0.000000"}, // a little below the tie as a double
        {0.0000015, "0.000002"},
        {1700000000.123456, "1700000000.123456"},
        {1700000000.9999996, "1700000001.000000"},
        {8.999999999999e12, "8999999999999.000000"},
        {9e12, "9000000000000.000000"}, // past the exact path
        {std::numeric_limits<double>::denorm_min(), "0.000000"},
        {INFINITY, "inf"},
        {-INFINITY, "-inf"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fixed6(c.value), c.text) << c.text;
    EXPECT_EQ(fixed6(1e300), printed(1e300));
}

TEST(TimeText, SixDecimalsMatchPrintfOverTimesOfEveryScale) {
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 200000; ++i) {
        // Uniform bits over the exponents that times take, signs included.
        const int exponent = static_cast<int>(random() % 70) - 30;
        const double value =
            std::ldexp(static_cast<double>(random() >> 11) / 9007199254740992.0, exponent) *
            (random() % 2 ? 1 : -1);
        ASSERT_EQ(fixed6(value), printed(value)) << std::bit_cast<std::uint64_t>(value);
        // Microsecond times of a capture, as seconds plus a fraction.
        const double time = static_cast<double>(random() % 4000000000) +
                            static_cast<double>(random() % 1000000) / 1e6;
        ASSERT_EQ(fixed6(time), printed(time)) << std::bit_cast<std::uint64_t>(time);
    }
}

TEST(TimeText, TheCalendarIsTheCLibrarysOverEveryEra) {
    std::mt19937_64 random(7);
    const long long edges[] = {0,
                               -1,
                               86399,
                               86400,
                               951782400 /* 2000-02-29 */,
                               4107542399 /* 2100-02-28 23:59:59 */,
                               253402300799,
                               -62135596800 /* year 1 */,
                               -62167219200 /* year 0 */,
                               30000LL * 365 * 86400 - 1,
                               30000LL * 365 * 86400,
                               -30000LL * 365 * 86400,
                               9000000000000};
    std::vector<long long> times(std::begin(edges), std::end(edges));
    for (int i = 0; i < 100000; ++i)
        times.push_back(static_cast<long long>(random() % 2000000000000) - 1000000000000);
    for (const long long seconds : times) {
        const auto time = static_cast<std::time_t>(seconds);
        std::tm expected{};
        ASSERT_NE(gmtime_r(&time, &expected), nullptr);
        char text[64];
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &expected);
        const auto at = zem::utcCalendar(seconds);
        std::string ours;
        zem::appendDate(ours, at);
        ours.push_back(' ');
        zem::appendClock(ours, at);
        ASSERT_EQ(ours, text) << seconds;
    }
}
