// ReportCells: a cell of a report's text table: `text` padded with spaces to `width`, on
// the right (left-aligned) or on the left, and a space after it; a longer text is kept
// whole and pushes the rest of its row along.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace app {

inline void appendCell(std::string& out, std::string_view text, std::size_t width,
                       bool left = true) {
    const std::size_t pad = text.size() < width ? width - text.size() : 0;
    if (!left)
        out.append(pad, ' ');
    out += text;
    if (left)
        out.append(pad, ' ');
    out += ' ';
}

} // namespace app
