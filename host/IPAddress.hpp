// IPAddress: an IPv4 or IPv6 address as captured, comparable and hashable, so that the
// capture reader, the analyses and the applications name endpoints the same way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
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

/// Mixes `value` into a running hash: for hash tables keyed by addresses and ports.
constexpr std::uint64_t hashMix(std::uint64_t seed, std::uint64_t value) {
    return seed ^ (value + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2));
}
/// Mixes an address into a running hash, eight octets at a time.
std::uint64_t hashMix(std::uint64_t seed, const IPAddress& address);

struct IPAddressHash {
    std::size_t operator()(const IPAddress& address) const noexcept {
        return static_cast<std::size_t>(hashMix(0, address));
    }
};

} // namespace zem
