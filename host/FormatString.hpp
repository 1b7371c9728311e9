// Filling the system's printf-style format strings ("%@ (Id=%u)", "Unknown (0x%02x)").
//
// Supported: %@ (text), %u %d %i (decimal), %x %X (hexadecimal), a zero flag and a width,
// %% and positional arguments (%1$@) so that a translation may reorder them. Length
// modifiers (l, ll, h, hh, q, z) are accepted and ignored. A translated format that does
// not match its arguments still gives readable text: a placeholder without an argument is
// copied as written, a number under %@ prints in decimal, a text under %u prints as is.
//
//   fillFormat("%@ (Id=%u)", "Access-Request (1)", 42u)  ->  "Access-Request (1) (Id=42)"
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace zem {

using FormatArgument = std::variant<std::string_view, std::uint64_t>;

std::string formatString(std::string_view format, std::span<const FormatArgument> arguments);

namespace detail {
template <typename T> FormatArgument toFormatArgument(const T& value) {
    if constexpr (std::is_integral_v<T>)
        return static_cast<std::uint64_t>(value);
    else
        return std::string_view(value);
}
} // namespace detail

template <typename... Args> std::string fillFormat(std::string_view format, const Args&... args) {
    const FormatArgument arguments[] = {detail::toFormatArgument(args)..., FormatArgument{}};
    return formatString(format, std::span(arguments, sizeof...(Args)));
}

} // namespace zem
