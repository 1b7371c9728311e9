// ReportCells: a cell of a report's text table: `text` padded with spaces to `width`, on
// the right (left-aligned) or on the left, and a space after it; a longer text is kept
// whole and pushes the rest of its row along.
#pragma once

#include <charconv>
#include <cmath>
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

/// `value` with `decimals` places (at most 9), as printf's "%.*f" writes it: rounded
/// from the exact binary value, half to even. The scaled value is rounded at once unless
/// it lies so near a half that the scaling's own rounding could have moved it across:
/// to_chars takes those, and what is negative, huge or not a number. A report of tens of
/// thousands of rows writes four of these in each.
inline std::string_view fixedDecimalText(char (&digits)[64], double value, int decimals) {
    constexpr std::uint64_t powers[] = {1,      10,      100,      1000,      10000,
                                        100000, 1000000, 10000000, 100000000, 1000000000};
    // -0.0 keeps its sign in printf's text.
    if (decimals >= 0 && decimals <= 9 && value >= 0 && !std::signbit(value)) {
        const auto scale = powers[decimals];
        // Below 1e9 the product is off from the exact one by less than 1.2e-7.
        const double scaled = value * static_cast<double>(scale);
        const auto whole = static_cast<std::uint64_t>(scaled < 1e9 ? scaled : 0);
        const double fraction = scaled - static_cast<double>(whole);
        if (scaled < 1e9 && (fraction < 0.5 - 1e-6 || fraction > 0.5 + 1e-6)) {
            const std::uint64_t rounded = whole + (fraction > 0.5 ? 1 : 0);
            char* at = std::to_chars(digits, digits + 32, rounded / scale).ptr;
            if (decimals > 0) {
                *at++ = '.';
                auto part = rounded % scale;
                for (int i = decimals - 1; i >= 0; --i, part /= 10)
                    at[i] = static_cast<char>('0' + part % 10);
                at += decimals;
            }
            return std::string_view(digits, static_cast<std::size_t>(at - digits));
        }
    }
    const auto [end, error] =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, decimals);
    return error == std::errc() ? std::string_view(digits, static_cast<std::size_t>(end - digits))
                                : std::string_view("-");
}

/// A number with `decimals` places, right-aligned in `width` (see fixedDecimalText).
inline void appendDecimalCell(std::string& out, double value, int decimals, std::size_t width) {
    char digits[64];
    appendCell(out, fixedDecimalText(digits, value, decimals), width, false);
}

} // namespace app
