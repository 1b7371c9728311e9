#include "message/DecodedMessage.hpp"

#include "TextEscaping.hpp"
#include "eap/EapTlsData.hpp"
#include "wire/NasName.hpp"
#include "wire/RadiusProtocol.hpp"

namespace analysis {

DecodedMessage::DecodedMessage(Key, const zem::PlugInHost& host, const zem::MessageOrigin& origin,
                               std::unique_ptr<zem::ZEMPluginAnalyzerProtocol> analyzer,
                               zem::ByteView octets, const CheckInput& checkInput,
                               const ExchangeLinks& links)
    : host_(&host), origin_(origin), analyzer_(std::move(analyzer)), octets_(octets),
      checkInput_(checkInput), links_(links) {}

std::optional<DecodedMessage> DecodedMessage::decode(const zem::PlugInHost& host,
                                                     const zem::MessageOrigin& origin,
                                                     zem::ByteView octets,
                                                     const CheckInput& checkInput,
                                                     const ExchangeLinks& links) {
    // The plug-in refuses fewer octets than a header; a host that took them anyway would
    // still get no message.
    if (octets.size() < headerSize)
        return std::nullopt;
    auto analyzer = host.analyzerClass().create(octets, nullptr);
    if (!analyzer)
        return std::nullopt;
    // Made in its place: the value is large, and a move from a temporary showed in the
    // profile of every decoded message.
    return std::optional<DecodedMessage>(std::in_place, Key{}, host, origin, std::move(analyzer),
                                         octets, checkInput, links);
}

const AttributeList& DecodedMessage::attributes() const {
    if (!attributes_)
        attributes_.emplace(*WireMessage::parse(octets_));
    return *attributes_;
}

const std::optional<EapPacket>& DecodedMessage::eap() const {
    if (!eap_)
        eap_.emplace(mayCarryEap(octets_) ? joinEapPacket(wire()) : std::nullopt);
    return *eap_;
}

const std::optional<TlsFlight>& DecodedMessage::tls() const {
    // The quick look spares joining the EAP packets of Identity and other methods.
    if (!tls_)
        tls_.emplace(links_.tlsMessage || mayCarryEapTls(octets_)
                         ? carriedTlsFlight(eap(), links_.tlsMessage.get())
                         : std::nullopt);
    return *tls_;
}

const MessageChecks& DecodedMessage::checks() const {
    if (!checks_)
        checks_ = checkMessage(wire(), checkInput_);
    return *checks_;
}

const MessageFacts& DecodedMessage::facts(FactsWanted wanted) const {
    if (facts_)
        return *facts_;
    auto& facts = facts_.emplace();
    // A message holds a whole header (decode() makes no other).
    facts.code = *octets_.at(0);
    facts.identifier = *octets_.at(1);
    facts.origin = origin_;
    facts.origin.carrierFrames = {};
    // Counting the damaged attributes keeps none of them: the list is made only when it
    // was made already or what follows reads it. The NAS alone is found on the same walk.
    const bool readsList = attributes_ || wanted.checks || wanted.exposure ||
                           wanted.authentication || wanted.sessionFacts;
    const bool namesNas = wanted.nasName && isRequestCode(facts.code);
    DamageCount damage;
    if (readsList) {
        damage = wire().damage();
    } else if (namesNas) {
        auto named = nasNameOf(octets_);
        damage = named.damage;
        facts.nasName = std::move(named.name);
    } else {
        damage = WireMessage::damageOf(octets_);
    }
    facts.invalidAttributes = damage.invalid;
    facts.truncatedAttributes = damage.truncated;
    if (wanted.checks) {
        const auto& checked = checks();
        facts.authenticator = checked.authenticator;
        facts.messageAuthenticator = checked.messageAuthenticator;
        facts.verdict = checked.verdict();
        facts.exposure = checked.exposure;
        facts.secretKnown = checked.secretKnown;
        facts.passwordRecovered = checked.passwordRecovered();
    } else if (wanted.exposure) {
        facts.exposure = exposureOf(wire());
    }
    if (wanted.authentication) {
        if (auto authentication = authenticationFacts(wire(), eap())) {
            facts.authentication =
                std::make_unique<AuthenticationFacts>(std::move(*authentication));
            if (tls())
                facts.authentication->tls = tlsFacts(*tls());
        }
    }
    if (wanted.sessionFacts) {
        if (auto accounting = accountingRecord(wire())) {
            facts.accounting = std::make_unique<AccountingRecord>(std::move(*accounting));
            facts.nasName = facts.accounting->nas;
        } else if (isRequestCode(facts.code))
            facts.nasName = nasName(wire());
    } else if (namesNas && readsList) {
        facts.nasName = nasName(wire()); // as an accounting record names it
    }
    return facts;
}

MessageFacts DecodedMessage::takeFacts(FactsWanted wanted) {
    facts(wanted);
    auto taken = std::move(*facts_);
    facts_.reset();
    return taken;
}

} // namespace analysis
