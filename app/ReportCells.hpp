// ReportCells: a cell of a report's text table: `text` padded with spaces to `width`, on
// the right (left-aligned) or on the left, and a space after it; a longer text is kept
// whole and pushes the rest of its row along.
#pragma once

#include <charconv>
#include <cstddef>
#include <cstdint>
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

/// A number, right-aligned in `width`.
inline void appendNumberCell(std::string& out, std::uint64_t value, std::size_t width) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    appendCell(out, std::string_view(digits, static_cast<std::size_t>(end - digits)), width, false);
}

/// A number with `decimals` places, right-aligned in `width`: as printf's "%.3f" writes it
/// (both round the exact binary value), at a fraction of its cost, which a report of tens
/// of thousands of rows feels.
inline void appendDecimalCell(std::string& out, double value, int decimals, std::size_t width) {
    char digits[64];
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    appendCell(out,
               error == std::errc()
                   ? std::string_view(digits, static_cast<std::size_t>(end - digits))
                   : std::string_view("-"),
               width, false);
}

} // namespace app
