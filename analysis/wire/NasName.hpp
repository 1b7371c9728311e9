// NasName: how a message names the NAS that sent it or that it goes to, the same for
// every report: its NAS-Identifier, else its NAS-IP-Address, else its NAS-IPv6-Address.
#pragma once

#include "wire/WireMessage.hpp"

#include <string>

namespace analysis {

/// Empty when the message names no NAS.
std::string nasName(const WireMessage& message);

/// The same name, and the damage, from one walk of a message's octets that keeps no list
/// of its attributes: for a report that reads nothing else of them.
struct NamedNas {
    std::string name;
    DamageCount damage;
};
NamedNas nasNameOf(zem::ByteView octets);

} // namespace analysis
