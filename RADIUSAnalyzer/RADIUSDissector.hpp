// RADIUSDissector: the stateless decoder of the 20-octet RADIUS header (RFC 2865
// section 3) and of the eight property keys that the host's columns and filters ask for.
//
//   Code (1) | Identifier (1) | Length (2, big-endian) | Authenticator (16) | Attributes
//
// Two sizes take part: the captured size (what the host handed over) and the Length
// field (what the message announces). Only Length bounds the attribute list, and a
// message shorter than its Length has no attribute list at all.
#pragma once

#include "ByteView.hpp"
#include "ZEMPluginAnalyzerProtocol.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace radius {

inline constexpr std::size_t radiusHeaderLength = 20;

struct RADIUSDissector {
    /// "Name (code)" from "RADIUSCodes", or "Unknown Code (%u)".
    std::optional<std::string> radiusCodeText(zem::ByteView data) const;
    /// The first 16 octets in lower-case hexadecimal.
    std::optional<std::string> authenticatorText(zem::ByteView data) const;
    /// The octets from 20 up to Length, when Length announces any and all were captured.
    std::optional<zem::ByteView> attributeListData(zem::ByteView message) const;
    /// The attribute types in wire order, separated by blanks ("1 4 26").
    std::optional<std::string> attributeTypeList(zem::ByteView message) const;
    /// The summary line "%@ (Id=%u)".
    std::optional<std::string> protocolInfo(zem::ByteView message) const;

    /// The value of a property key for the octets at its registered offset.
    std::optional<zem::ZEMPropertyValue> propertyValue(std::string_view key,
                                                       zem::ByteView data) const;
};

/// One row of the property table: a key and the operation that answers it.
struct RADIUSProperty {
    std::string_view key;
    std::optional<zem::ZEMPropertyValue> (*decode)(const RADIUSDissector&, zem::ByteView);
};

/// The eight property keys in registration order.
extern const RADIUSProperty radiusPropertyTable[8];

} // namespace radius
