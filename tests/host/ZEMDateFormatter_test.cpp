#include "ZEMDateFormatter.hpp"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <unicode/basictz.h>
#include <unicode/smpdtfmt.h>
#include <unicode/tztrans.h>

namespace {

// ICU's own formatter for a pattern, which keeps no texts.
class IcuFormatter {
public:
    explicit IcuFormatter(const char* pattern)
        : format_(icu::UnicodeString::fromUTF8(pattern), icu::Locale::getDefault(), status_) {}
    std::string text(double seconds) const {
        icu::UnicodeString text;
        format_.format(seconds * 1000.0, text);
        std::string out;
        text.toUTF8String(out);
        return out;
    }

private:
    UErrorCode status_ = U_ZERO_ERROR;
    icu::SimpleDateFormat format_;
};

// The formatter reuses the last text for other times in the same minute. Around every
// kind of zone change (summer time, half-hour summer time, an offset with seconds, a
// change of standard offset) and with patterns whose text changes inside a minute in
// other ways, each text must equal what ICU's own formatter says.
TEST(DateFormatter, ReusedTextsMatchIcuAroundZoneChanges) {
    const char* zones[] = {"Europe/Berlin",    "Australia/Lord_Howe", "Africa/Monrovia",
                           "America/St_Johns", "Asia/Pyongyang",      "Etc/UTC"};
    // Fixed-width seconds are rewritten in place; the rest must always go to ICU.
    const char* patterns[] = {"yyyy-MM-dd HH:mm:ss.SSS",
                              "HH:mm:ss.SSS zzzz",
                              "ss.S",
                              "h:mm:ss B",
                              "A",
                              "mm:ss.SSS a",
                              "m:s.SSS",
                              "'s' ss.SS",
                              "''ss'' SSS"};
    std::unique_ptr<icu::TimeZone> saved(icu::TimeZone::createDefault());
    for (const char* zoneName : zones) {
        std::unique_ptr<icu::TimeZone> zone(
            icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zoneName)));
        std::vector<double> changes{1700000000};
        if (auto* basic = dynamic_cast<icu::BasicTimeZone*>(zone.get())) {
            icu::TimeZoneTransition transition;
            for (double from : {-1e12, 0.0, 1.4e12, 1.5e12, 1.7e12})
                if (basic->getNextTransition(from, false, transition))
                    changes.push_back(transition.getTime() / 1000);
        }
        // Where clocks go back, the same local minute comes twice: once in each offset.
        auto totalOffset = [&](double seconds) {
            std::int32_t raw = 0, daylight = 0;
            UErrorCode status = U_ZERO_ERROR;
            zone->getOffset(seconds * 1000, false, raw, daylight, status);
            return (raw + daylight) / 1000.0;
        };
        std::vector<double> repeatedMinutes;
        for (double change : changes) {
            const double back = totalOffset(change - 1) - totalOffset(change + 1);
            for (double k = 0; back > 0 && k < 8; ++k) {
                repeatedMinutes.push_back(change - back / 2 + k * 0.25);
                repeatedMinutes.push_back(change + back / 2 + k * 0.25);
            }
        }
        icu::TimeZone::setDefault(*zone);
        // A new thread starts with no kept formatters, so it sees the zone just set.
        std::thread([&] {
            for (const char* pattern : patterns) {
                zem::ZEMDateFormatter formatter(pattern);
                const IcuFormatter icu(pattern);
                for (double seconds : repeatedMinutes)
                    ASSERT_EQ(formatter.stringFromDate(seconds), icu.text(seconds))
                        << zoneName << " " << pattern << " " << seconds;
                for (double change : changes) {
                    // Forwards, then backwards: late seconds of a minute before early ones.
                    for (double step : {0.737, -0.737}) {
                        for (double t = change - 125 * step / 0.737; std::fabs(t - change) <= 125;
                             t += step) {
                            double seconds = std::round(t * 1000) / 1000;
                            ASSERT_EQ(formatter.stringFromDate(seconds), icu.text(seconds))
                                << zoneName << " " << pattern << " " << seconds;
                        }
                    }
                }
            }
        }).join();
    }
    icu::TimeZone::setDefault(*saved);
}

} // namespace
