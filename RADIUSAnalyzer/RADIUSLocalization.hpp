// Look-ups in the plug-in's own string tables: "LocalizableRADIUS" for labels and formats,
// "RADIUSCodes" for code names, "RADIUSAVPs" for attribute names and value labels. The
// English text is the key, so a missing entry answers the key itself.
#pragma once

#include "ZEMBundle.hpp"
#include "ZEMNode.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace radius {

/// The bundle that holds the plug-in's code and resources.
const zem::ZEMBundle& radiusBundle();

/// The "LocalizableRADIUS" entry for `key`, or `key` itself (which must outlive the answer).
std::string_view localizedRADIUSString(std::string_view key);
/// The "RADIUSAVPs" entry for `key`, or `key` itself.
std::string localizedAVPString(std::string_view key);
/// The "RADIUSAVPs" entry for `key`, or nothing.
std::optional<std::string_view> findAVPString(std::string_view key);
/// The "RADIUSAVPs" name of an attribute type (key avp<type>), or nothing.
const std::string* attributeName(std::uint8_t type);
/// The "RADIUSAVPs" label of value `index` (0 to 4) of a type (key avp<type>val<index>).
const zem::ZEMNodeLabel& attributeValueLabel(std::uint8_t type, std::size_t index);
/// The "RADIUSCodes" name of a code, or nothing. An entry equal to its key counts as none.
std::optional<std::string_view> radiusCodeName(std::uint8_t code);

} // namespace radius
