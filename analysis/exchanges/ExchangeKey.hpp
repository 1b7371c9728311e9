// ExchangeKey: the one rule that pairs a RADIUS response with the request it answers.
// A request is keyed as its client sent it (client and server addresses and ports, the
// transport, the Identifier and the request's code); a response is looked up with its
// addresses and ports swapped back to the client's view, once for each request code it
// may answer (an Access-Accept also answers a Status-Server).
//
//   table.insert(requestKey(origin, code, identifier), ...);
//   forEachAnsweredKey(origin, code, identifier, [&](const ExchangeKey& key) { ... });
#pragma once

#include "IPAddress.hpp"
#include "MessageOrigin.hpp"
#include "wire/RadiusProtocol.hpp"

#include <cstddef>
#include <cstdint>

namespace analysis {

struct ExchangeKey {
    zem::IPAddress client;
    std::uint16_t clientPort = 0;
    zem::IPAddress server;
    std::uint16_t serverPort = 0;
    std::uint8_t identifier = 0;
    std::uint8_t requestCode = 0;
    bool tcp = false;
    bool operator==(const ExchangeKey&) const = default;
};

// Inline: every message is looked up by it, in the matcher, the linker and the checks.
struct ExchangeKeyHash {
    std::size_t operator()(const ExchangeKey& key) const noexcept {
        std::uint64_t h = zem::hashMix(zem::hashMix(0, key.client), key.server);
        h = zem::hashMix(h, (std::uint64_t{key.tcp} << 48) | (std::uint64_t{key.clientPort} << 32) |
                                (std::uint64_t{key.serverPort} << 16) |
                                (std::uint64_t{key.identifier} << 8) | key.requestCode);
        return static_cast<std::size_t>(h);
    }
};

/// The key of a request of `code` sent from `origin`'s source.
inline ExchangeKey requestKey(const zem::MessageOrigin& origin, std::uint8_t code,
                              std::uint8_t identifier) {
    // RADIUS over TLS runs on TCP too: its conversations are told apart from UDP's alike.
    const bool tcp = zem::carriedByTcp(origin.transport);
    return {origin.source,
            origin.sourcePort,
            origin.destination,
            origin.destinationPort,
            identifier,
            code,
            tcp};
}

/// Calls `visit` with the key of each request that a response of `code` from `origin`
/// may answer, the usual one first; `visit` answers true to stop. Nothing for a code
/// that is no response.
template <typename Visit>
void forEachAnsweredKey(const zem::MessageOrigin& origin, std::uint8_t code,
                        std::uint8_t identifier, Visit visit) {
    const bool tcp = zem::carriedByTcp(origin.transport);
    ExchangeKey key{origin.destination,
                    origin.destinationPort,
                    origin.source,
                    origin.sourcePort,
                    identifier,
                    0,
                    tcp};
    for (const std::uint8_t requestCode : requestCodesAnsweredBy(code)) {
        key.requestCode = requestCode;
        if (visit(key))
            return;
    }
}

/// The client of an exchange: a request's sender, a response's receiver. A message of
/// another code is counted by its sender.
inline const zem::IPAddress& clientAddress(const zem::MessageOrigin& origin, std::uint8_t code) {
    return isResponseCode(code) ? origin.destination : origin.source;
}

} // namespace analysis
