// Texts of enumerated attribute values (RFC 2865, 2866, 2867, 2868, 2869, 4675, 5176,
// 7155 and the Originating-Line-Info codes of the NANPA ANI II digits).
//
// Every table is a sorted constexpr array of {value, English text}; the English text is
// also the localisation key. Each table names the fallback that answers values it does
// not list.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace radius {

struct ValueName {
    std::uint32_t value;
    std::string_view text;
};

/// What a table answers for a value it does not list.
enum class Fallback {
    unknownFormat,    // "Unknown (%u)", localised
    bareNumber,       // the decimal digits only
    blankUnknown,     // " Unknown (N)", not localised
    unknownHexFormat, // "Unknown (0x%02x)", localised
    lineInformation,  // "Unrestricted Use (%02u)" for 40..49, else "Unknown (%u)"
};

/// The value tables, one per enumerated attribute.
enum class ValueTable {
    none,
    serviceType,
    framedProtocol,
    framedRouting,
    framedCompression,
    loginService,
    terminationAction,
    acctStatusType,
    acctAuthentic,
    acctTerminateCause,
    ingressFilters,
    vlanTagIndication,
    nasPortType,
    tunnelType,
    tunnelMediumType,
    arapZoneAccess,
    prompt,
    originatingLineInfo,
    errorCause,
};

struct ValueTableDefinition {
    std::span<const ValueName> rows;
    Fallback fallback;
};

const ValueTableDefinition& valueTableDefinition(ValueTable table);

/// The text of `value` in `table`: the localised row text, or the table's fallback.
std::string valueTableText(ValueTable table, std::uint32_t value);

std::string serviceTypeText(std::uint32_t value);
std::string framedProtocolText(std::uint32_t value);
std::string framedRoutingText(std::uint32_t value);
std::string framedCompressionText(std::uint32_t value);
std::string loginServiceText(std::uint32_t value);
std::string terminationActionText(std::uint32_t value);
std::string acctStatusTypeText(std::uint32_t value);
std::string acctAuthenticText(std::uint32_t value);
std::string acctTerminateCauseText(std::uint32_t value);
std::string ingressFiltersText(std::uint32_t value);
std::string vlanTagIndicationText(std::uint32_t value);
std::string nasPortTypeText(std::uint32_t value);
std::string tunnelTypeText(std::uint32_t value);
std::string tunnelMediumTypeText(std::uint32_t value);
std::string arapZoneAccessText(std::uint32_t value);
std::string promptText(std::uint32_t value);
std::string originatingLineInfoText(std::uint16_t value);
std::string errorCauseText(std::uint32_t value);

} // namespace radius
