// AvpText: an attribute value as text and as a typed value, by its dictionary type.
//
// The text is what tshark 4.0's -T fields prints for its radius.* fields, so that scripts
// move over unchanged: UTF-8 text up to the first NUL with invalid octets as U+FFFD (the
// output forms escape its control characters as all wire text), numbers in decimal, addresses
// dotted or in colon form, octets and IPv6 prefixes in lower-case hexadecimal, dates as
// "Jan  1, 2024 00:00:00.000000000 UTC" in local time. A value that is invalid for its
// type has no text.
#pragma once

#include "dictionary/AvpWalker.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace analysis {

std::optional<std::string> avpText(const DecodedAvp& avp);
/// The number of an integer-like value (byte, short, integer, integer64, signed, date).
std::optional<std::int64_t> avpNumber(const DecodedAvp& avp);
/// The dictionary's name of an enumerated value.
const std::string* avpValueName(const DecodedAvp& avp);

/// What JSON carries: numbers as numbers, the rest as its text; nothing when invalid.
using AvpTypedValue = std::variant<std::monostate, std::int64_t, std::string>;
AvpTypedValue avpTypedValue(const DecodedAvp& avp);

/// The typed values of every named attribute, each attribute's values next to each other
/// in message order and the attributes in the order each first appears; TLV containers
/// and invalid values left out.
struct AvpValue {
    const AttributeDefinition* definition;
    AvpTypedValue value;
};
std::vector<AvpValue> avpValuesByAttribute(const NamedAttributes& named);

/// Calls `visit(definition, values)` once for each attribute's run of values in `values`.
template <typename Visit> void forEachAttribute(std::span<const AvpValue> values, Visit visit) {
    for (std::size_t first = 0; first < values.size();) {
        std::size_t end = first + 1;
        while (end < values.size() && values[end].definition == values[first].definition)
            ++end;
        visit(*values[first].definition, values.subspan(first, end - first));
        first = end;
    }
}

} // namespace analysis
