#include "RADIUSLocalization.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <vector>

namespace radius {

const zem::ZEMBundle& radiusBundle() {
    // The bundle never moves while the plug-in is loaded, so one look-up serves.
    static const std::shared_ptr<const zem::ZEMBundle> bundle =
        zem::ZEMBundle::bundleContainingAddress(reinterpret_cast<const void*>(&radiusBundle));
    return *bundle;
}

namespace {

// The tables never change once loaded, so each is found once and then read directly.
const zem::StringTable& localizableTable() {
    static const zem::StringTable& table = radiusBundle().stringTable("LocalizableRADIUS");
    return table;
}
const zem::StringTable& avpTable() {
    static const zem::StringTable& table = radiusBundle().stringTable("RADIUSAVPs");
    return table;
}
const zem::StringTable& codeTable() {
    static const zem::StringTable& table = radiusBundle().stringTable("RADIUSCodes");
    return table;
}

} // namespace

std::string_view localizedRADIUSString(std::string_view key) {
    return localizableTable().find(key).value_or(key);
}

std::optional<std::string_view> findAVPString(std::string_view key) {
    return avpTable().find(key);
}

std::string localizedAVPString(std::string_view key) {
    return std::string(findAVPString(key).value_or(key));
}

std::optional<std::string_view> radiusCodeName(std::uint8_t code) {
    char digits[4];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, code);
    std::string_view key(digits, static_cast<std::size_t>(end - digits));
    auto name = codeTable().find(key);
    if (!name || *name == key)
        return std::nullopt;
    return name;
}

} // namespace radius

namespace radius {

const std::string* attributeName(std::uint8_t type) {
    // Built once: the name of every type, or nothing where the table has none.
    static const auto names = [] {
        std::array<std::optional<std::string>, 256> all;
        for (std::size_t t = 0; t < all.size(); ++t) {
            std::string key = "avp" + std::to_string(t);
            // An entry that only repeats its key names nothing.
            if (auto name = findAVPString(key); name && *name != key)
                all[t] = std::string(*name);
        }
        return all;
    }();
    const auto& name = names[type];
    return name ? &*name : nullptr;
}

const zem::ZEMNodeLabel& attributeValueLabel(std::uint8_t type, std::size_t index) {
    static const auto labels = [] {
        std::vector<zem::ZEMNodeLabel> all(256 * 5);
        for (std::size_t t = 0; t < 256; ++t)
            for (std::size_t k = 0; k < 5; ++k)
                all[t * 5 + k] = zem::ZEMNodeLabel(
                    localizedAVPString("avp" + std::to_string(t) + "val" + std::to_string(k)));
        return all;
    }();
    return labels[static_cast<std::size_t>(type) * 5 + std::min<std::size_t>(index, 4)];
}

} // namespace radius
