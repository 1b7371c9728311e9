#include "LocalTimeText.hpp"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string reference(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    char text[32];
    return std::string(text, std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local));
}

// Sets TZ for one test and puts the old one back.
class Zone {
public:
    explicit Zone(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~Zone() {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> old_;
};

// Times in capture order across a change of offset, and back in time, in a zone of whole
// minutes and in one whose offset had seconds, agree with a fresh localtime every time.
TEST(LocalTimeText, AgreesWithLocaltimeAcrossZoneChanges) {
    struct Case {
        const char* zone;
        std::time_t around; // a change of the zone's offset
    };
    const Case cases[] = {
        {"UTC", 1700000000},
        {"Europe/Berlin", 1711846800},  // 2024-03-31 01:00 UTC: summer time begins
        {"Europe/Berlin", 1729990800},  // 2024-10-27 01:00 UTC: and ends
        {"Africa/Monrovia", -12000000}, // 1969: an offset of -0:44:30
        {"Asia/Kolkata", 1700000000},   // half an hour
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.zone);
        if (std::string(c.zone) != "UTC" &&
            !std::filesystem::exists(std::filesystem::path("/usr/share/zoneinfo") / c.zone))
            GTEST_SKIP() << "no time zone data for " << c.zone;
        Zone zone(c.zone);
        zem::LocalTimeText texts;
        for (std::time_t t = c.around - 7300; t < c.around + 7300; t += 7)
            ASSERT_EQ(texts.text(static_cast<double>(t)), reference(t)) << t;
        for (std::time_t t : {c.around + 59, c.around - 61, c.around + 1, c.around})
            EXPECT_EQ(texts.text(static_cast<double>(t) + 0.75), reference(t)) << t;
        EXPECT_EQ(texts.text(std::nullopt), "-");
    }
}

} // namespace
