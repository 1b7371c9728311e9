#include "ReportCells.hpp"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

namespace {

std::string printfText(double value, int decimals) {
    char text[512];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string fixedText(double value, int decimals) {
    char digits[64];
    return std::string(app::fixedDecimalText(digits, value, decimals));
}

// The quick rounding must write what printf writes, near halves above all: a report's
// times would otherwise differ from the same report written before in the last digit.
TEST(ReportCells, FixedDecimalsAreWhatPrintfWrites) {
    const double cases[] = {0,       -0.0,     0.0005, 0.0015, 0.0025,   0.125,      0.1245,
                            0.1235,  1.0005,   2.5,    0.5,    999.9995, 123456.789, 1e-9,
                            4.9999,  999999.9, 1e6,    1e9,    1e12,     -1.5,       -0.0004,
                            1.0 / 3, 2.0 / 3,  0.0045, 1e-300, 5e-324};
    for (const double value : cases)
        for (const int decimals : {0, 1, 3, 6, 9})
            EXPECT_EQ(fixedText(value, decimals), printfText(value, decimals))
                << value << " to " << decimals;
    EXPECT_EQ(fixedText(std::numeric_limits<double>::infinity(), 3), "inf");
    EXPECT_EQ(fixedText(std::numeric_limits<double>::quiet_NaN(), 3), "nan");

    // Times as the histogram gives them: a microsecond growing by 2 %, and random ones,
    // also within a hair of each half.
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> spread(0, 20);
    for (int i = 0; i < 200000; ++i) {
        double value = std::exp(spread(random) - 14); // about 1e-6 to 1e3
        if (i % 4 == 0)
            value = (std::round(value * 1000) + 0.5) / 1000; // a half, as near as binary is
        if (i % 8 == 1)
            value = std::nextafter((std::round(value * 1000) + 0.5) / 1000, 0.0);
        ASSERT_EQ(fixedText(value, 3), printfText(value, 3)) << value;
    }
}

} // namespace
