#include "RADIUSLocalization.hpp"

#include <charconv>

namespace radius {

const zem::ZEMBundle& radiusBundle() {
    // The bundle never moves while the plug-in is loaded, so one look-up serves.
    static const std::shared_ptr<const zem::ZEMBundle> bundle =
        zem::ZEMBundle::bundleContainingAddress(reinterpret_cast<const void*>(&radiusBundle));
    return *bundle;
}

std::string_view localizedRADIUSString(std::string_view key) {
    return radiusBundle().localizedString(key, "LocalizableRADIUS");
}

std::optional<std::string_view> findAVPString(std::string_view key) {
    return radiusBundle().findLocalizedString(key, "RADIUSAVPs");
}

std::string localizedAVPString(std::string_view key) {
    return std::string(findAVPString(key).value_or(key));
}

std::optional<std::string_view> radiusCodeName(std::uint8_t code) {
    char digits[4];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, code);
    std::string_view key(digits, static_cast<std::size_t>(end - digits));
    auto name = radiusBundle().findLocalizedString(key, "RADIUSCodes");
    if (!name || *name == key)
        return std::nullopt;
    return name;
}

} // namespace radius
