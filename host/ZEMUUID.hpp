// ZEMUUID: a 128-bit identifier with its usual text form (8-4-4-4-12 upper-case hex).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zem {

class ZEMUUID {
public:
    /// A new random (version 4) identifier.
    static ZEMUUID random();
    static std::optional<ZEMUUID> parse(std::string_view text);

    ZEMUUID() = default;
    std::string text() const;
    auto operator<=>(const ZEMUUID&) const = default;

private:
    std::array<std::uint8_t, 16> bytes_{};
};

} // namespace zem
