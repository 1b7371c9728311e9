// MessageFacts: what the analyses need to know of one RADIUS message, taken from the
// plug-in's own answers: code and identifier, the code's name, the damaged attributes its
// tree shows, and the endpoints and time the capture gives.
#pragma once

#include "AccountingRecord.hpp"
#include "AttributeDamage.hpp"
#include "ByteView.hpp"
#include "IPAddress.hpp"
#include "MessageChecks.hpp"
#include "MessageOrigin.hpp"
#include "PlugInHost.hpp"
#include "ZEMPluginProtocols.hpp"

#include <cstdint>
#include <string>

namespace analysis {

struct MessageFacts {
    std::uint8_t code = 0;
    std::uint8_t identifier = 0;
    std::string codeText; // terminal-safe
    zem::IPAddress source, destination;
    std::uint16_t sourcePort = 0, destinationPort = 0;
    double time = 0;
    std::size_t invalidAttributes = 0;
    std::size_t truncatedAttributes = 0;
    // What the checks found.
    CheckResult authenticator = CheckResult::unverified;
    CheckResult messageAuthenticator = CheckResult::unverified;
    CheckResult verdict = CheckResult::unverified;
    bool passwordRecovered = false;
    bool secretKnown = false;
    // What the sessions and clients reports read from the attributes (addSessionFacts).
    std::optional<AccountingRecord> accounting;
    std::string nasName; // NAS-Identifier, else NAS-IP-Address, of a request
    ExposureSet exposure = 0;
};

/// The facts of a message that came from `origin`, with what its checks found.
MessageFacts messageFacts(const zem::PlugInHost& host,
                          const zem::ZEMPluginAnalyzerProtocol& analyzer, zem::ByteView message,
                          const zem::MessageOrigin& origin, const MessageChecks& checks,
                          const AttributeDamage& damage);

/// Adds what only the sessions and clients reports need: the accounting record, the
/// NAS's name.
void addSessionFacts(MessageFacts& facts, zem::ByteView message);

} // namespace analysis
