#include "exchanges/ExchangeKey.hpp"

#include "IPAddress.hpp"

#include <cstring>

namespace analysis {

std::size_t ExchangeKeyHash::operator()(const ExchangeKey& key) const noexcept {
    std::uint64_t h = zem::hashMix(zem::hashMix(0, key.client), key.server);
    h = zem::hashMix(h, (std::uint64_t{key.tcp} << 48) | (std::uint64_t{key.clientPort} << 32) |
                            (std::uint64_t{key.serverPort} << 16) |
                            (std::uint64_t{key.identifier} << 8) | key.requestCode);
    return static_cast<std::size_t>(h);
}

bool carriedByTcp(const zem::MessageOrigin& origin) {
    // RADIUS over TLS runs on TCP too: its conversations are told apart from UDP's alike.
    return origin.transport &&
           (std::strcmp(origin.transport, "TCP") == 0 || std::strcmp(origin.transport, "TLS") == 0);
}

} // namespace analysis
