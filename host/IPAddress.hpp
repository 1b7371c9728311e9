// IPAddress: an IPv4 or IPv6 address as captured, comparable and hashable, so that the
// capture reader, the analyses and the applications name endpoints the same way.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zem {

struct IPAddress {
    std::uint8_t family = 4; // 4 or 6
    std::array<std::uint8_t, 16> bytes{};

    /// Dotted quad for IPv4, the shortest colon form for IPv6.
    std::string text() const;
    auto operator<=>(const IPAddress&) const = default;
};

} // namespace zem
