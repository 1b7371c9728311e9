// TextRoom: room at the end of an output string that lines are written into through one
// cursor, made a kilobyte at a time. Making room for each line, as std::string must (it
// fills what it adds), took a third of what printing a tree cost.
//
//   TextRoom room(out);
//   char* at = room.room(bound);   // up to `bound` characters go at `at`
//   room.advance(writeLine(at));
//   room.finish();                 // `out` ends where the writing ended
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>

namespace app {

class TextRoom {
public:
    explicit TextRoom(std::string& out) : out_(out), used_(out.size()) {}
    TextRoom(const TextRoom&) = delete;
    TextRoom& operator=(const TextRoom&) = delete;

    /// Where the next `need` characters go.
    char* room(std::size_t need) {
        if (out_.size() - used_ < need)
            out_.resize(used_ + std::max(need, chunk));
        return out_.data() + used_;
    }
    /// What was written ends at `end`.
    void advance(const char* end) { used_ = static_cast<std::size_t>(end - out_.data()); }
    /// Cuts `out` back to what was written; the room may be used again after.
    void finish() { out_.resize(used_); }

private:
    static constexpr std::size_t chunk = 1024;
    std::string& out_;
    std::size_t used_;
};

} // namespace app
