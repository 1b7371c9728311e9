// SharedSecrets: the shared secret of each RADIUS client, by address or network. The
// longest prefix that holds an address names its secret, so that a network's secret can
// have exceptions for single hosts.
//
//   SharedSecrets secrets;
//   secrets.add(*zem::IPAddress::parse("10.0.0.0"), 8, "campus");
//   secrets.add(*zem::IPAddress::parse("10.1.2.3"), 32, "lab");
//   secrets.secretFor(address);   // nullptr when no network holds it
#pragma once

#include "IPAddress.hpp"
#include "MessageOrigin.hpp"

#include <string>
#include <unordered_map>
#include <vector>

namespace analysis {

class SharedSecrets {
public:
    /// The secret of every address in `network`/`prefixLength` (longer prefixes than the
    /// family has are cut to it); replaces what the same network had.
    void add(const zem::IPAddress& network, unsigned prefixLength, std::string secret);
    /// Adds every network of `other`; its entries win over the same networks here.
    void merge(const SharedSecrets& other);
    /// The secret of the longest prefix that holds `address`, or nullptr.
    const std::string* secretFor(const zem::IPAddress& address) const;

    bool empty() const { return levels_.empty(); }
    /// Networks known, for messages such as "3 clients".
    std::size_t size() const;

private:
    struct AddressHash {
        std::size_t operator()(const zem::IPAddress& a) const noexcept {
            return static_cast<std::size_t>(zem::hashMix(0, a));
        }
    };
    // All networks of one family and prefix length: a lookup masks the address once per
    // level instead of testing every network.
    struct Level {
        std::uint8_t family;
        unsigned prefixLength;
        std::unordered_map<zem::IPAddress, std::string, AddressHash> secrets;
    };
    std::vector<Level> levels_; // longest prefixes first
};

/// `address` with the bits past `prefixLength` cleared.
zem::IPAddress maskedAddress(const zem::IPAddress& address, unsigned prefixLength);

/// The secret a message from or to `client` is checked with: the one set for the client,
/// else, for a message that came over TLS or DTLS, RadSec's own "radsec" (RFC 6614 section
/// 2.3, RFC 7360 section 2.1); nullptr when there is none.
const std::string* secretForMessage(const SharedSecrets& secrets, const zem::MessageOrigin& origin,
                                    const zem::IPAddress& client);

} // namespace analysis
