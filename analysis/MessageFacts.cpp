#include "MessageFacts.hpp"

#include "TextEscaping.hpp"

namespace analysis {

namespace {

// NAS-Identifier, else NAS-IP-Address, of a message.
std::string nasNameOf(zem::ByteView message) {
    std::string identifier, address;
    const auto length = message.loadBigEndian16(2).value_or(0);
    message = message.slice(0, length);
    for (std::size_t at = 20; at + 2 <= message.size();) {
        const std::uint8_t type = *message.at(at);
        const std::uint8_t size = *message.at(at + 1);
        if (size < 2 || at + size > message.size())
            break;
        const auto value = message.slice(at + 2, size - 2U);
        if (type == 32)
            identifier.assign(reinterpret_cast<const char*>(value.span().data()), value.size());
        else if (type == 4 && value.size() == 4) {
            zem::IPAddress nas;
            std::copy(value.begin(), value.end(), nas.bytes.begin());
            address = nas.text();
        }
        at += size;
    }
    return identifier.empty() ? address : identifier;
}

} // namespace

MessageFacts messageFacts(const zem::PlugInHost& host,
                          const zem::ZEMPluginAnalyzerProtocol& analyzer, zem::ByteView message,
                          const zem::MessageOrigin& origin, const MessageChecks& checks,
                          const AttributeDamage& damage) {
    MessageFacts facts;
    facts.source = origin.source;
    facts.destination = origin.destination;
    facts.sourcePort = origin.sourcePort;
    facts.destinationPort = origin.destinationPort;
    facts.time = origin.time;
    facts.code = message.at(0).value_or(0);
    facts.identifier = message.at(1).value_or(0);
    auto codeText = host.value(analyzer, "radiusCodeResolved", message);
    facts.codeText =
        codeText ? zem::terminalSafe(zem::propertyText(*codeText)) : std::to_string(facts.code);
    const auto counted = damage.count(analyzer, message);
    facts.invalidAttributes = counted.invalid;
    facts.truncatedAttributes = counted.truncated;
    facts.authenticator = checks.authenticator;
    facts.messageAuthenticator = checks.messageAuthenticator;
    facts.verdict = checks.verdict();
    facts.exposure = checks.exposure;
    facts.secretKnown = checks.secretKnown;
    facts.accounting = accountingRecord(message);
    if (facts.accounting)
        facts.nasName = !facts.accounting->nasIdentifier.empty() ? facts.accounting->nasIdentifier
                        : facts.accounting->nasAddress ? facts.accounting->nasAddress->text()
                                                       : std::string();
    else
        facts.nasName = nasNameOf(message);
    for (const auto& hidden : checks.hidden)
        facts.passwordRecovered = facts.passwordRecovered ||
                                  hidden.kind == HiddenValue::Kind::userPassword ||
                                  hidden.kind == HiddenValue::Kind::tunnelPassword;
    return facts;
}

} // namespace analysis
