// A node's value as text: numbers in decimal, octets in lower-case hexadecimal, texts
// made terminal-safe, or the same as a JSON literal. The command line's trees and the
// window's detail tree show values through it.
#pragma once

#include "ZEMNode.hpp"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zem {

/// Writes `value` in decimal at `out`, which has room for 20 characters; answers where it
/// ended.
inline char* writeDecimal(char* out, std::uint64_t value) {
    // Most numbers of a tree are one digit: the place and length of each attribute's type
    // and length octets.
    if (value < 10) {
        *out = static_cast<char>('0' + value);
        return out + 1;
    }
    return std::to_chars(out, out + 20, value).ptr;
}

/// The room a value takes as a JSON literal when its text needs no escape.
std::size_t plainJsonValueBound(const ZEMNodeValue& value);
/// Writes the JSON literal of `value` at `out`, which has room for plainJsonValueBound(),
/// when its text needs no escape; nullptr otherwise.
char* writeJsonValueIfPlain(char* out, const ZEMNodeValue& value);

/// The most room a value takes: as terminal text, or as a JSON literal.
std::size_t nodeValueBound(const ZEMNodeValue& value, bool json);
/// Writes the value at `out`, which has room for nodeValueBound(); answers where it ended.
char* writeNodeValue(char* out, const ZEMNodeValue& value, bool json);
/// Appends the terminal-safe text of the value; nothing for an absent value.
void appendNodeValue(std::string& out, const ZEMNodeValue& value);

} // namespace zem
