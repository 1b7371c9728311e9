// An IPv4 address as its four octets in one word: what tables of millions of messages keep
// in place of a whole IPAddress, which has room for IPv6.
#pragma once

#include "IPAddress.hpp"

#include <cstdint>
#include <cstring>
#include <optional>

namespace capture {

/// The address's four octets, when it is an IPv4 address with nothing past them.
inline std::optional<std::uint32_t> plainIPv4(const zem::IPAddress& address) {
    // Loaded straight from the address: copied aside in one piece and read back as words,
    // the reads waited for the copy's stores to settle.
    std::uint64_t past8;
    std::uint32_t past4;
    std::memcpy(&past8, address.bytes.data() + 4, sizeof past8);
    std::memcpy(&past4, address.bytes.data() + 12, sizeof past4);
    if (address.family != 4 || (past8 | past4) != 0)
        return std::nullopt;
    std::uint32_t octets;
    std::memcpy(&octets, address.bytes.data(), sizeof octets);
    return octets;
}

/// Written in place: an address made aside and copied in was read back before its
/// separate stores had settled.
inline void setIPv4(zem::IPAddress& address, std::uint32_t octets) {
    address.family = 4;
    std::memcpy(address.bytes.data(), &octets, sizeof octets);
}

} // namespace capture
