#include "TimeText.hpp"

#include <bit>
#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>

namespace zem {
namespace {

// Past this, six decimals of a double's value no longer fit 64 bits of millionths.
constexpr double exactLimit = 9e12;

template <typename Number> void appendDigits(std::string& out, Number value) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// A double's 53-bit mantissa times a million takes 73 bits.
__extension__ using Wide = unsigned __int128;

// round(mantissa * 2^-shift * 10^6), ties to even. Under exactLimit a double's exponent
// is always negative, so `shift` is at least one.
std::uint64_t millionthsOf(std::uint64_t mantissa, int shift) {
    const auto scaled = static_cast<Wide>(mantissa) * 1000000u;
    if (shift >= 128) // under 2^-55 millionths: nearer zero than one
        return 0;
    const auto whole = scaled >> shift;
    const auto rest = scaled - (whole << shift);
    const auto half = static_cast<Wide>(1) << (shift - 1);
    const bool up = rest > half || (rest == half && (whole & 1) != 0);
    return static_cast<std::uint64_t>(whole) + (up ? 1 : 0);
}

char* writeTwoDigits(char* out, unsigned value) {
    *out++ = static_cast<char>('0' + value / 10 % 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
}

void appendTwoDigits(std::string& out, unsigned value) {
    char digits[2];
    out.append(digits, writeTwoDigits(digits, value));
}

// What to_chars writes for the widest double with six decimals.
constexpr std::size_t widestFixed6 = 360;

} // namespace

std::size_t fixed6Bound(double value) {
    // A sign, thirteen digits, a point and six decimals under the limit.
    return std::fabs(value) < exactLimit ? 27 : widestFixed6;
}

char* writeFixed6(char* out, double value) {
    if (!(std::fabs(value) < exactLimit)) // also NaN and the infinities
        return std::to_chars(out, out + widestFixed6, value, std::chars_format::fixed, 6).ptr;
    const auto bits = std::bit_cast<std::uint64_t>(value);
    const auto biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int shift = 1074; // subnormal
    if (biased != 0) {
        mantissa |= std::uint64_t{1} << 52;
        shift = 1075 - biased;
    }
    const auto millionths = millionthsOf(mantissa, shift);
    if (bits >> 63)
        *out++ = '-';
    out = std::to_chars(out, out + 20, millionths / 1000000).ptr;
    return writeMicroseconds(out, millionths % 1000000);
}

void appendFixed6(std::string& out, double value) {
    char text[widestFixed6];
    out.append(text, writeFixed6(text, value));
}

std::string fixed6Text(double value) {
    std::string text;
    appendFixed6(text, value);
    return text;
}

char* writeMicroseconds(char* out, std::uint64_t micros) {
    *out = '.';
    for (int i = 6; i >= 1; --i, micros /= 10)
        out[i] = static_cast<char>('0' + micros % 10);
    return out + 7;
}

void appendMicroseconds(std::string& out, std::uint64_t micros) {
    char fraction[7];
    out.append(fraction, writeMicroseconds(fraction, micros));
}

UtcCalendar utcCalendar(long long seconds) {
    // std::chrono's civil calendar holds years up to 32767 either side; past them, the C
    // library's.
    constexpr long long chronoLimit = 30000LL * 365 * 86400;
    if (seconds > -chronoLimit && seconds < chronoLimit) {
        using namespace std::chrono;
        const sys_seconds at{std::chrono::seconds(seconds)};
        const auto day = floor<days>(at);
        const year_month_day date{day};
        const hh_mm_ss clock{at - day};
        return {static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()),
                static_cast<unsigned>(clock.hours().count()),
                static_cast<unsigned>(clock.minutes().count()),
                static_cast<unsigned>(clock.seconds().count())};
    }
    const auto time = static_cast<std::time_t>(seconds);
    std::tm calendar{};
    gmtime_r(&time, &calendar);
    return {calendar.tm_year + 1900LL,
            static_cast<unsigned>(calendar.tm_mon + 1),
            static_cast<unsigned>(calendar.tm_mday),
            static_cast<unsigned>(calendar.tm_hour),
            static_cast<unsigned>(calendar.tm_min),
            static_cast<unsigned>(calendar.tm_sec)};
}

void appendDate(std::string& out, const UtcCalendar& at) {
    appendDigits(out, at.year);
    out.push_back('-');
    appendTwoDigits(out, at.month);
    out.push_back('-');
    appendTwoDigits(out, at.day);
}

char* writeClock(char* out, const UtcCalendar& at) {
    out = writeTwoDigits(out, at.hour);
    *out++ = ':';
    out = writeTwoDigits(out, at.minute);
    *out++ = ':';
    return writeTwoDigits(out, at.second);
}

void appendClock(std::string& out, const UtcCalendar& at) {
    char clock[8];
    out.append(clock, writeClock(clock, at));
}

} // namespace zem
