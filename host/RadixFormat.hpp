// The radix interpolation: an integer in a radix with an optional "0x" prefix, at least
// `toWidth` digits, upper- or lower-case digits. appendInterpolation(v, 16, true, 2, false)
// of 10 gives 0x0a; of 0x1234 with width 4 and upper case, 0x1234.
#pragma once

#include <cstdint>
#include <string>

namespace zem {

void appendInterpolation(std::string& out, std::uint64_t value, int radix, bool prefix,
                         std::size_t toWidth, bool uppercase);

inline std::string radixText(std::uint64_t value, int radix, bool prefix, std::size_t toWidth,
                             bool uppercase) {
    std::string text;
    appendInterpolation(text, value, radix, prefix, toWidth, uppercase);
    return text;
}

} // namespace zem
