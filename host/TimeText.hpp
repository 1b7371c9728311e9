// TimeText: capture times as text, for every frame of a run. Seconds to six decimals are
// worked out exactly from the double's own bits (what printf's "%.6f" and to_chars give,
// for a quarter of their instructions), and UTC calendar fields by arithmetic rather than
// gmtime_r, which takes a process-wide lock that rendering threads queue on.
//
//   zem::appendFixed6(out, 1.5);               // "1.500000"
//   auto at = zem::utcCalendar(86400);         // 1970-01-02 00:00:00
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zem {

/// `value` with six decimals, rounded to nearest (ties to even) from its exact value.
void appendFixed6(std::string& out, double value);
/// The same written at `out`, which has room for fixed6Bound(value); answers its end.
char* writeFixed6(char* out, double value);
/// The most that `value`'s six decimals take: 27 under 9e12, else up to 360.
std::size_t fixed6Bound(double value);
std::string fixed6Text(double value);
/// ".000042": a point and six digits, for `micros` under a million.
void appendMicroseconds(std::string& out, std::uint64_t micros);
char* writeMicroseconds(char* out, std::uint64_t micros);

struct UtcCalendar {
    long long year;
    unsigned month; // 1 to 12
    unsigned day;   // 1 to 31
    unsigned hour, minute, second;
};

/// The UTC date and time of `seconds` since 1970, any whole number of seconds.
UtcCalendar utcCalendar(long long seconds);

/// "2024-01-31": the year as strftime's %Y writes it, unpadded.
void appendDate(std::string& out, const UtcCalendar& at);
/// "09:05:00"
void appendClock(std::string& out, const UtcCalendar& at);
char* writeClock(char* out, const UtcCalendar& at);

} // namespace zem
