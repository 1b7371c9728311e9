#include "LocalTimeText.hpp"

#include <cmath>

namespace zem {

std::string_view LocalTimeText::text(const std::optional<double>& seconds) {
    if (!seconds)
        return "-";
    const auto time = static_cast<std::time_t>(std::floor(*seconds));
    const std::time_t second = ((time % 60) + 60) % 60;
    const std::time_t minute = time - second;
    std::tm local{};
    if (minute != minute_) {
        // Zones whose offset is not whole minutes start their minutes elsewhere.
        wholeMinutes_ = localtime_r(&minute, &local) && local.tm_sec == 0;
        length_ = std::strftime(text_, sizeof text_, "%Y-%m-%d %H:%M:%S", &local);
        minute_ = minute;
    }
    if (!wholeMinutes_ || length_ < 2) {
        length_ = localtime_r(&time, &local)
                      ? std::strftime(text_, sizeof text_, "%Y-%m-%d %H:%M:%S", &local)
                      : 0;
        minute_.reset();
        return length_ ? std::string_view(text_, length_) : "-";
    }
    // Rows come in capture order, mostly within the minute of the last: only the seconds
    // are written anew.
    text_[length_ - 2] = static_cast<char>('0' + second / 10);
    text_[length_ - 1] = static_cast<char>('0' + second % 10);
    return std::string_view(text_, length_);
}

} // namespace zem
