// AccountingRecord: what an Accounting-Request says of its session (RFC 2866, RFC 2869
// sections 5.1 and 5.2), read straight from its attributes: no tree, no dictionary.
#pragma once

#include "IPAddress.hpp"
#include "wire/WireMessage.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace analysis {

struct AccountingRecord {
    std::uint8_t identifier = 0;
    std::optional<std::uint32_t> statusType; // 1 Start, 2 Stop, 3 Interim, 7 On, 8 Off
    std::string sessionId, userName;
    std::string nas; // as NasName names it
    std::optional<zem::IPAddress> framedAddress;
    std::optional<std::uint32_t> sessionTime, terminateCause, eventTimestamp;
    std::optional<std::uint64_t> inputOctets, outputOctets; // with their gigawords
    std::optional<std::uint32_t> inputPackets, outputPackets;
};

/// The record of an Accounting-Request; nothing for any other message.
std::optional<AccountingRecord> accountingRecord(const WireMessage& message);

} // namespace analysis
