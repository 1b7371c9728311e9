// The attribute dictionary (RFC 2865, 2866, 2867, 2868, 2869, 3162, 3580, 4072, 4372,
// 4590, 4675, 4818, 5176): for every attribute type its length rule, how its value is
// decoded and shown, and its value table. One row per type; adding a type touches one row.
#pragma once

#include "RADIUSValueTables.hpp"

#include <array>
#include <cstdint>

namespace radius {

enum class AttributeKind : std::uint8_t {
    unlisted,
    utf8Text,
    asciiText,
    latin1Text,
    privateText,
    number,
    enumerated,
    timestamp,
    hexNumber,
    ipv4Address,
    ipv6Address,
    octets,
    chapPassword,
    vendorSpecific,
    vlanName,
    taggedEnumerated,
    taggedNumber,
    taggedAsciiText,
    taggedUtf8Text,
    tunnelPassword,
    arapPassword,
    arapFeatures,
    lineInformation,
    ipv6Prefix,
};

/// How the privacy switch changes a tagged or private text.
enum class Privacy : std::uint8_t {
    none,     // shown the same in both states
    asHex,    // the hexadecimal text of the octets
    asOctets, // the octets themselves
};

/// The length octet counts the type and length octets too.
enum class LengthRule : std::uint8_t { none, exactly, atLeast };

struct AttributeDefinition {
    LengthRule rule = LengthRule::none;
    std::uint8_t length = 0;
    AttributeKind kind = AttributeKind::unlisted;
    ValueTable table = ValueTable::none;
    Privacy privacy = Privacy::none;

    constexpr bool acceptsLength(std::uint8_t octets) const {
        switch (rule) {
        case LengthRule::exactly:
            return octets == length;
        case LengthRule::atLeast:
            return octets >= length;
        case LengthRule::none:
            break;
        }
        return true;
    }
};

const AttributeDefinition& attributeDefinition(std::uint8_t type);

} // namespace radius
