// HexText: octets and numbers as hexadecimal digits. Every hexadecimal text of the host
// and its applications is made here, from one digit table.
//
//   char* end = zem::writeHexOctet(buffer, 0xAB);          // "ab"
//   end = zem::writeHexDigits(end, 0x202E, 4);             // "202e"
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace zem {

inline constexpr std::string_view lowerHexDigits = "0123456789abcdef";
inline constexpr std::string_view upperHexDigits = "0123456789ABCDEF";

namespace detail {
// Both digits of an octet from one look-up: octets are turned into text by the kilobyte
// (authenticators, EAP, attribute lists, hex dumps).
inline constexpr auto hexPairs = [] {
    std::array<char, 512> all{};
    for (std::size_t i = 0; i < 256; ++i) {
        all[2 * i] = lowerHexDigits[i >> 4];
        all[2 * i + 1] = lowerHexDigits[i & 0xF];
    }
    return all;
}();
} // namespace detail

/// Writes the two lower-case digits of `octet` at `out`; answers where they end.
inline char* writeHexOctet(char* out, std::uint8_t octet) {
    std::memcpy(out, &detail::hexPairs[2 * std::size_t{octet}], 2);
    return out + 2;
}

/// Writes the lowest `digits` hexadecimal digits of `value`, lower case and zero-padded.
inline char* writeHexDigits(char* out, std::uint32_t value, int digits) {
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        *out++ = lowerHexDigits[(value >> shift) & 0xF];
    return out;
}

} // namespace zem
