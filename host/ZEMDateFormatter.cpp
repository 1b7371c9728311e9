#include "ZEMDateFormatter.hpp"

#include <cmath>
#include <cstdint>
#include <map>
#include <unicode/fpositer.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>
#include <vector>

namespace zem {

namespace {

std::int64_t floorDivide(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// Formatting with ICU costs microseconds, and captures carry many times within the same
// minute. Within one minute of one zone offset only the seconds and milliseconds of the
// text change, so the last text is kept with where those digits stand, and the next time
// in that minute rewrites just them. Patterns whose text could change otherwise inside a
// minute (milliseconds in day, noon and midnight, day periods, non-ASCII digits) always
// go to ICU.
// Whether the pattern's seconds and milliseconds always take the same width ("ss" and
// "SSS"), so that their digits can be rewritten in place ("s" prints 5 or 15), and
// whether nothing else in it (milliseconds in day, day periods) changes inside a minute.
bool reusableWithinAMinute(std::string_view pattern) {
    bool quoted = false;
    for (std::size_t i = 0; i < pattern.size();) {
        const char c = pattern[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (c == '\'')
            quoted = !quoted; // '' is a quote mark itself: two turns, no change
        if (c == '\'' || quoted || !letter) {
            ++i;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        if ((c == 's' && run != 2) || (c == 'S' && run != 3) || c == 'A' || c == 'b' || c == 'B')
            return false;
        i += run;
    }
    return true;
}

struct ZoneOffsets {
    std::int32_t raw = 0, daylight = 0; // either can change a zone's name
    bool operator==(const ZoneOffsets&) const = default;
};

class MinuteText {
public:
    std::optional<std::string> lookUp(std::int64_t localMillis, ZoneOffsets zoneOffset) const {
        if (!valid_ || zoneOffset != zoneOffset_ || floorDivide(localMillis, 60000) != minute_)
            return std::nullopt;
        std::string text = text_;
        const auto inMinute = localMillis - minute_ * 60000;
        for (const auto& digits : digits_) {
            auto value = digits.seconds ? inMinute / 1000 : inMinute % 1000;
            for (std::size_t i = digits.length; i-- > 0; value /= 10)
                text[digits.position + i] = static_cast<char>('0' + value % 10);
        }
        return text;
    }

    void remember(const std::string& text, const icu::UnicodeString& utf16,
                  icu::FieldPositionIterator& fields, std::int64_t localMillis,
                  ZoneOffsets zoneOffset) {
        valid_ = false;
        digits_.clear();
        if (static_cast<std::size_t>(utf16.length()) != text.size())
            return; // not ASCII: UTF-16 positions would not be octet positions
        icu::FieldPosition field;
        while (fields.next(field)) {
            const auto begin = static_cast<std::size_t>(field.getBeginIndex());
            const auto length = static_cast<std::size_t>(field.getEndIndex()) - begin;
            switch (field.getField()) {
            case UDAT_SECOND_FIELD:
            case UDAT_FRACTIONAL_SECOND_FIELD: {
                const bool seconds = field.getField() == UDAT_SECOND_FIELD;
                if (length != (seconds ? 2u : 3u))
                    return;
                for (std::size_t i = begin; i < begin + length; ++i)
                    if (text[i] < '0' || text[i] > '9')
                        return;
                digits_.push_back({begin, length, seconds});
                break;
            }
            case UDAT_MILLISECONDS_IN_DAY_FIELD:
            case UDAT_AM_PM_MIDNIGHT_NOON_FIELD:
            case UDAT_FLEXIBLE_DAY_PERIOD_FIELD:
                return;
            default:
                break;
            }
        }
        text_ = text;
        minute_ = floorDivide(localMillis, 60000);
        zoneOffset_ = zoneOffset;
        valid_ = true;
    }

private:
    struct Digits {
        std::size_t position, length;
        bool seconds; // else milliseconds
    };
    bool valid_ = false;
    std::string text_;
    std::int64_t minute_ = 0;
    ZoneOffsets zoneOffset_;
    std::vector<Digits> digits_;
};

} // namespace

struct ZEMDateFormatter::Impl {
    std::unique_ptr<icu::SimpleDateFormat> format;
    bool reuseWithinAMinute = false;
    MinuteText lastMinute;
};

namespace {

// ICU settles the default time zone and locale on first use and nothing in this process
// changes them afterwards, so a formatter per pattern and thread behaves exactly like a
// new one. The last one used is checked first: a walk asks for the same pattern again.
ZEMDateFormatter::Impl* cachedFormatter(std::string_view pattern) {
    thread_local std::map<std::string, std::unique_ptr<ZEMDateFormatter::Impl>, std::less<>> cache;
    thread_local const std::pair<const std::string, std::unique_ptr<ZEMDateFormatter::Impl>>* last =
        nullptr;
    if (last && last->first == pattern)
        return last->second.get();
    auto it = cache.find(pattern);
    if (it == cache.end())
        it = cache.emplace(std::string(pattern), nullptr).first;
    last = &*it;
    auto& slot = it->second;
    const icu::Locale& locale = icu::Locale::getDefault();
    if (!slot) {
        slot = std::make_unique<ZEMDateFormatter::Impl>();
        UErrorCode status = U_ZERO_ERROR;
        auto format = std::make_unique<icu::SimpleDateFormat>(
            icu::UnicodeString::fromUTF8(
                icu::StringPiece(pattern.data(), static_cast<int32_t>(pattern.size()))),
            locale, status);
        if (U_SUCCESS(status))
            slot->format = std::move(format);
        slot->reuseWithinAMinute = reusableWithinAMinute(pattern);
    }
    return slot.get();
}

} // namespace

ZEMDateFormatter::ZEMDateFormatter(std::string_view pattern) : impl_(cachedFormatter(pattern)) {}
ZEMDateFormatter::~ZEMDateFormatter() = default;
ZEMDateFormatter::ZEMDateFormatter(ZEMDateFormatter&&) noexcept = default;
ZEMDateFormatter& ZEMDateFormatter::operator=(ZEMDateFormatter&&) noexcept = default;

std::string ZEMDateFormatter::stringFromDate(double secondsSince1970) const {
    if (!impl_->format)
        return {};
    const double millis = secondsSince1970 * 1000.0;
    // Whole milliseconds in the range of ordinary dates can use the last minute's text.
    std::optional<std::int64_t> localMillis;
    ZoneOffsets zoneOffset;
    if (impl_->reuseWithinAMinute && std::fabs(millis) < 1e15 && std::floor(millis) == millis) {
        UErrorCode status = U_ZERO_ERROR;
        impl_->format->getTimeZone().getOffset(millis, false, zoneOffset.raw, zoneOffset.daylight,
                                               status);
        if (U_SUCCESS(status)) {
            localMillis = static_cast<std::int64_t>(millis) + zoneOffset.raw + zoneOffset.daylight;
            if (auto text = impl_->lastMinute.lookUp(*localMillis, zoneOffset))
                return std::move(*text);
        }
    }
    icu::UnicodeString text;
    icu::FieldPositionIterator fields;
    UErrorCode status = U_ZERO_ERROR;
    impl_->format->format(millis, text, &fields, status);
    std::string out;
    text.toUTF8String(out);
    if (localMillis && U_SUCCESS(status))
        impl_->lastMinute.remember(out, text, fields, *localMillis, zoneOffset);
    return out;
}

std::optional<double> ZEMDateFormatter::dateFromString(std::string_view text) const {
    if (!impl_->format)
        return std::nullopt;
    UErrorCode status = U_ZERO_ERROR;
    icu::ParsePosition position(0);
    auto input = icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    UDate date = impl_->format->parse(input, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length() || U_FAILURE(status))
        return std::nullopt;
    return date / 1000.0;
}

} // namespace zem
