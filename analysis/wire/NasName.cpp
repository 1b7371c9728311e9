#include "wire/NasName.hpp"

#include "IPAddress.hpp"
#include "wire/RadiusProtocol.hpp"

#include <algorithm>
#include <array>

namespace analysis {

namespace {

// The attributes that name a NAS, in the order a name is taken from them.
constexpr std::array<std::uint8_t, 3> namingTypes{attribute::nasIdentifier, attribute::nasIpAddress,
                                                  attribute::nasIpv6Address};

// `first(type)`: the first whole attribute of `type`, or nullptr.
template <typename First> std::string nasNameFrom(First first) {
    if (const auto* identifier = first(attribute::nasIdentifier))
        return std::string(reinterpret_cast<const char*>(identifier->value.span().data()),
                           identifier->value.size());
    for (const auto& [type, size] : {std::pair{attribute::nasIpAddress, std::size_t{4}},
                                     std::pair{attribute::nasIpv6Address, std::size_t{16}}}) {
        const auto* address = first(type);
        if (!address || address->value.size() != size)
            continue;
        zem::IPAddress nas;
        nas.family = size == 4 ? 4 : 6;
        std::copy(address->value.begin(), address->value.end(), nas.bytes.begin());
        return nas.text();
    }
    return {};
}

} // namespace

std::string nasName(const WireMessage& message) {
    return nasNameFrom([&](std::uint8_t type) { return message.find(type); });
}

NamedNas nasNameOf(zem::ByteView octets) {
    std::array<std::optional<Attribute>, namingTypes.size()> first;
    NamedNas named;
    named.damage = WireMessage::damageOf(octets, namingTypes, first);
    named.name = nasNameFrom([&](std::uint8_t type) -> const Attribute* {
        const auto at = std::find(namingTypes.begin(), namingTypes.end(), type);
        const auto& found = first[static_cast<std::size_t>(at - namingTypes.begin())];
        return found ? &*found : nullptr;
    });
    return named;
}

} // namespace analysis
