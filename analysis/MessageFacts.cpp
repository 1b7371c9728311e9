#include "MessageFacts.hpp"

#include "AttributeWalk.hpp"
#include "TextEscaping.hpp"

namespace analysis {

namespace {

// NAS-Identifier, else NAS-IP-Address, of a message.
std::string nasNameOf(zem::ByteView message) {
    std::string identifier, address;
    forEachAttribute(message, [&](const RawAttribute& attribute) {
        const auto value = attribute.value;
        if (attribute.type == 32) {
            identifier.assign(reinterpret_cast<const char*>(value.span().data()), value.size());
        } else if (attribute.type == 4 && value.size() == 4) {
            zem::IPAddress nas;
            std::copy(value.begin(), value.end(), nas.bytes.begin());
            address = nas.text();
        }
    });
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
    for (const auto& hidden : checks.hidden)
        facts.passwordRecovered = facts.passwordRecovered ||
                                  hidden.kind == HiddenValue::Kind::userPassword ||
                                  hidden.kind == HiddenValue::Kind::tunnelPassword;
    return facts;
}

void addSessionFacts(MessageFacts& facts, zem::ByteView message) {
    facts.accounting = accountingRecord(message);
    // An accounting record has read the NAS's attributes already.
    if (!facts.accounting)
        facts.nasName = nasNameOf(message);
    else if (!facts.accounting->nasIdentifier.empty())
        facts.nasName = facts.accounting->nasIdentifier;
    else if (facts.accounting->nasAddress)
        facts.nasName = facts.accounting->nasAddress->text();
}

} // namespace analysis
