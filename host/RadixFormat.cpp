#include "RadixFormat.hpp"

#include <algorithm>
#include <charconv>

namespace zem {

void appendInterpolation(std::string& out, std::uint64_t value, int radix, bool prefix,
                         std::size_t toWidth, bool uppercase) {
    radix = std::clamp(radix, 2, 36);
    char digits[65];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value, radix);
    const auto count = static_cast<std::size_t>(end - digits);
    if (prefix && radix == 16)
        out.append("0x");
    else if (prefix && radix == 8)
        out.append("0o");
    else if (prefix && radix == 2)
        out.append("0b");
    if (count < toWidth)
        out.append(std::min<std::size_t>(toWidth, 64) - std::min(count, toWidth), '0');
    for (std::size_t i = 0; i < count; ++i) {
        char c = digits[i];
        out.push_back(uppercase && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c);
    }
}

} // namespace zem
