// LocalTimeText: local date and time texts, "2024-01-01 00:00:00", for report rows that
// come in capture order. Most times share the minute of the one before, so the text of
// that minute is kept and only its seconds are written anew; a zone whose offset is not a
// whole number of minutes is formatted afresh every time.
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string_view>

namespace zem {

class LocalTimeText {
public:
    /// The text of `seconds` since 1970, or "-" for none; valid until the next call.
    std::string_view text(const std::optional<double>& seconds);

private:
    std::optional<std::time_t> minute_; // of the text kept
    bool wholeMinutes_ = true;
    char text_[32] = {};
    std::size_t length_ = 0;
};

} // namespace zem
