// MessageFacts: the small value the reports count a message by, taken once from its
// decoded message: code and identifier (the reports ask the plug-in to name a code once,
// through plugInCodeText, not for every message), the damaged
// attributes, where and when it was captured, what its checks found, and for the
// sessions and clients reports its accounting record and the NAS it names.
#pragma once

#include "MessageOrigin.hpp"
#include "checks/MessageChecks.hpp"
#include "reports/AuthenticationFacts.hpp"
#include "wire/AccountingRecord.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace analysis {

/// What the reports of a run read beyond the header, origin and damage: only that is
/// worked out.
struct FactsWanted {
    bool checks = true;
    bool sessionFacts = true;    // the accounting record and the NAS
    bool exposure = false;       // without the checks: the exposure alone, which needs no secret
    bool authentication = false; // what following an authentication reads
    bool nasName = false;        // the NAS of a request alone, without the accounting record
};

struct MessageFacts {
    // Provided, so that making one (a worker makes one per message) writes its members'
    // own initial values only, not zeros over all of its octets first.
    MessageFacts() {}

    std::uint8_t code = 0;
    std::uint8_t identifier = 0;
    zem::MessageOrigin origin; // without its carrier frames
    std::size_t invalidAttributes = 0;
    std::size_t truncatedAttributes = 0;
    // What the checks found, when wanted.
    CheckResult authenticator = CheckResult::unverified;
    CheckResult messageAuthenticator = CheckResult::unverified;
    CheckResult verdict = CheckResult::unverified;
    ExposureSet exposure = 0;
    bool passwordRecovered = false;
    bool secretKnown = false;
    // The larger facts few reports read are held apart, so that what every report reads
    // stays within a few cache lines: the reading thread reads each message's facts from
    // the processor that took them.
    // When session facts are wanted:
    std::unique_ptr<AccountingRecord> accounting; // of an Accounting-Request
    std::string nasName;                          // of a request, as NasName names it
    // When authentication facts are wanted, of an Access message:
    std::unique_ptr<AuthenticationFacts> authentication;
};

} // namespace analysis
