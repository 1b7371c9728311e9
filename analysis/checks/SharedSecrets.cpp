#include "checks/SharedSecrets.hpp"

#include <algorithm>

namespace analysis {

zem::IPAddress maskedAddress(const zem::IPAddress& address, unsigned prefixLength) {
    zem::IPAddress masked = address;
    const unsigned bits = address.family == 4 ? 32 : 128;
    const unsigned kept = std::min(prefixLength, bits);
    std::size_t octet = kept / 8;
    if (kept % 8 != 0)
        masked.bytes[octet++] &= static_cast<std::uint8_t>(0xFF00u >> (kept % 8));
    std::fill(masked.bytes.begin() + static_cast<std::ptrdiff_t>(octet), masked.bytes.end(), 0);
    return masked;
}

void SharedSecrets::add(const zem::IPAddress& network, unsigned prefixLength, std::string secret) {
    prefixLength = std::min(prefixLength, network.family == 4 ? 32u : 128u);
    auto level = std::find_if(levels_.begin(), levels_.end(), [&](const Level& l) {
        return l.family == network.family && l.prefixLength == prefixLength;
    });
    if (level == levels_.end()) {
        // Kept longest first, so that the first level that holds an address wins.
        auto at = std::find_if(levels_.begin(), levels_.end(),
                               [&](const Level& l) { return l.prefixLength < prefixLength; });
        level = levels_.insert(at, Level{network.family, prefixLength, {}});
    }
    level->secrets[maskedAddress(network, prefixLength)] = std::move(secret);
}

void SharedSecrets::merge(const SharedSecrets& other) {
    for (const auto& level : other.levels_)
        for (const auto& [network, secret] : level.secrets)
            add(network, level.prefixLength, secret);
}

const std::string* SharedSecrets::secretFor(const zem::IPAddress& address) const {
    for (const auto& level : levels_) {
        if (level.family != address.family)
            continue;
        auto found = level.secrets.find(maskedAddress(address, level.prefixLength));
        if (found != level.secrets.end())
            return &found->second;
    }
    return nullptr;
}

std::size_t SharedSecrets::size() const {
    std::size_t n = 0;
    for (const auto& level : levels_)
        n += level.secrets.size();
    return n;
}

const std::string* secretForMessage(const SharedSecrets& secrets, const zem::MessageOrigin& origin,
                                    const zem::IPAddress& client) {
    static const std::string radsecSecret = "radsec";
    if (const auto* secret = secrets.secretFor(client))
        return secret;
    return zem::carriedOverTls(origin.transport) ? &radsecSecret : nullptr;
}

} // namespace analysis
