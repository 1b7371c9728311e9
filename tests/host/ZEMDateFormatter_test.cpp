#include "ZEMDateFormatter.hpp"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <unicode/basictz.h>
#include <unicode/smpdtfmt.h>
#include <unicode/tztrans.h>

namespace {

std::string freshIcuText(const char* pattern, double seconds) {
    UErrorCode status = U_ZERO_ERROR;
    icu::SimpleDateFormat format(icu::UnicodeString::fromUTF8(pattern), icu::Locale::getDefault(),
                                 status);
    icu::UnicodeString text;
    format.format(seconds * 1000.0, text);
    std::string out;
    text.toUTF8String(out);
    return out;
}

// The formatter reuses the last text for other times in the same minute. Around every
// kind of zone change (summer time, half-hour summer time, an offset with seconds, a
// change of standard offset) and with patterns whose text changes inside a minute in
// other ways, each text must equal what a new ICU formatter says.
TEST(DateFormatter, ReusedTextsMatchAFreshFormatterAroundZoneChanges) {
    const char* zones[] = {"Europe/Berlin",    "Australia/Lord_Howe", "Africa/Monrovia",
                           "America/St_Johns", "Asia/Pyongyang",      "Etc/UTC"};
    const char* patterns[] = {
        "yyyy-MM-dd HH:mm:ss.SSS", "HH:mm:ss.SSS zzzz", "ss.S", "h:mm:ss B", "A", "mm:ss.SSS a"};
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
                for (double seconds : repeatedMinutes)
                    ASSERT_EQ(formatter.stringFromDate(seconds), freshIcuText(pattern, seconds))
                        << zoneName << " " << pattern << " " << seconds;
                for (double change : changes) {
                    for (double t = change - 125; t <= change + 125; t += 0.737) {
                        double seconds = std::round(t * 1000) / 1000;
                        ASSERT_EQ(formatter.stringFromDate(seconds), freshIcuText(pattern, seconds))
                            << zoneName << " " << pattern << " " << seconds;
                    }
                }
            }
        }).join();
    }
    icu::TimeZone::setDefault(*saved);
}

} // namespace
