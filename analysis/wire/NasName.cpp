#include "wire/NasName.hpp"

#include "IPAddress.hpp"
#include "wire/RadiusProtocol.hpp"

#include <algorithm>

namespace analysis {

std::string nasName(const WireMessage& message) {
    if (const auto* identifier = message.find(attribute::nasIdentifier))
        return std::string(reinterpret_cast<const char*>(identifier->value.span().data()),
                           identifier->value.size());
    for (const auto& [type, size] : {std::pair{attribute::nasIpAddress, std::size_t{4}},
                                     std::pair{attribute::nasIpv6Address, std::size_t{16}}}) {
        const auto* address = message.find(type);
        if (!address || address->value.size() != size)
            continue;
        zem::IPAddress nas;
        nas.family = size == 4 ? 4 : 6;
        std::copy(address->value.begin(), address->value.end(), nas.bytes.begin());
        return nas.text();
    }
    return {};
}

} // namespace analysis
