// IPAddress: an IPv4 or IPv6 address as captured, comparable and hashable, so that the
// capture reader, the analyses and the applications name endpoints the same way.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace zem {

struct IPAddress {
    std::uint8_t family = 4; // 4 or 6
    std::array<std::uint8_t, 16> bytes{};

    /// Dotted quad for IPv4, the shortest colon form for IPv6.
    std::string text() const;
    /// The same text appended to `out`, without a string of its own (every summary line
    /// writes two).
    void appendText(std::string& out) const;
    /// Writes the text at `out`, which has room for textRoom octets; answers its end.
    char* writeText(char* out) const;
    static constexpr std::size_t textRoom = 46;
    /// Dotted-quad or colon text; nothing for anything else.
    static std::optional<IPAddress> parse(std::string_view text);
    auto operator<=>(const IPAddress&) const = default;
};

/// Orders addresses as operator< does (family, then octets), eight octets at a time: for
/// the ordered tables that every message looks an address up in.
struct IPAddressLess {
    bool operator()(const IPAddress& a, const IPAddress& b) const noexcept {
        if (a.family != b.family)
            return a.family < b.family;
        const auto high = [](const IPAddress& address, std::size_t at) {
            std::uint64_t word;
            std::memcpy(&word, address.bytes.data() + at, sizeof word);
            if constexpr (std::endian::native == std::endian::little)
                word = __builtin_bswap64(word);
            return word;
        };
        const auto a0 = high(a, 0), b0 = high(b, 0);
        return a0 != b0 ? a0 < b0 : high(a, 8) < high(b, 8);
    }
};

/// Mixes `value` into a running hash: for hash tables keyed by addresses and ports.
constexpr std::uint64_t hashMix(std::uint64_t seed, std::uint64_t value) {
    return seed ^ (value + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2));
}
/// Mixes an address into a running hash, eight octets at a time.
inline std::uint64_t hashMix(std::uint64_t seed, const IPAddress& address) {
    std::uint64_t words[2];
    std::memcpy(words, address.bytes.data(), sizeof words);
    return hashMix(hashMix(hashMix(seed, words[0]), words[1]), address.family);
}

struct IPAddressHash {
    std::size_t operator()(const IPAddress& address) const noexcept {
        return static_cast<std::size_t>(hashMix(0, address));
    }
};

} // namespace zem
