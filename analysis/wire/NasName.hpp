// NasName: how a message names the NAS that sent it or that it goes to, the same for
// every report: its NAS-Identifier, else its NAS-IP-Address, else its NAS-IPv6-Address.
#pragma once

#include "wire/WireMessage.hpp"

#include <string>

namespace analysis {

/// Empty when the message names no NAS.
std::string nasName(const WireMessage& message);

} // namespace analysis
