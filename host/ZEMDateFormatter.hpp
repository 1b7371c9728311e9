// ZEMDateFormatter: a date formatter with a pattern ("yyyy-MM-dd HH:mm:ss.SSS"), the
// default time zone and the default locale, built on ICU.
//
// Creating an ICU formatter costs far more than decoding a message, so formatters are
// kept per thread, keyed by pattern, time zone and locale; a formatter obtained here
// behaves exactly like a new one.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zem {

class ZEMDateFormatter {
public:
    explicit ZEMDateFormatter(std::string_view pattern);
    ~ZEMDateFormatter();
    ZEMDateFormatter(ZEMDateFormatter&&) noexcept;
    ZEMDateFormatter& operator=(ZEMDateFormatter&&) noexcept;

    /// Renders a point in time given as seconds since 1970-01-01 00:00:00 UTC.
    std::string stringFromDate(double secondsSince1970) const;
    /// Parses a text in the pattern; nothing when it does not match.
    std::optional<double> dateFromString(std::string_view text) const;

    struct Impl; // a cached ICU formatter

private:
    Impl* impl_; // owned by the per-thread cache
};

} // namespace zem
