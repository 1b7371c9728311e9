#include "fields/MessageFields.hpp"

#include "TimeText.hpp"
#include "eap/EapMethods.hpp"
#include "exchanges/ExchangeNode.hpp"
#include "fields/FieldAliases.hpp"
#include "fields/TlsFields.hpp"
#include "wire/RadiusProtocol.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace analysis {

namespace {

using Kind = MessageFields::Kind;
constexpr std::pair<std::string_view, Kind> captureKinds[] = {
    {"frame", Kind::frame}, {"time", Kind::time},
    {"epoch", Kind::epoch}, {"src", Kind::src},
    {"dst", Kind::dst},     {"sport", Kind::sport},
    {"dport", Kind::dport}, {"transport", Kind::transport}};
constexpr auto captureFields = [] {
    std::array<std::string_view, std::size(captureKinds)> names{};
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = captureKinds[i].first;
    return names;
}();

constexpr std::array<std::string_view, 4> exchangeFields = {"responseFrame", "requestFrame",
                                                            "responseTime", "retransmissionOf"};

constexpr std::array<std::string_view, 6> eapFields = {
    "eap.code", "eap.id", "eap.len", "eap.type", "eap.identity", "eap.desired_type"};

constexpr std::array<std::string_view, 3> authenticationFields = {"auth.method", "auth.outcome",
                                                                  "auth.reason"};

constexpr std::array<std::string_view, 4> checkFields = {
    "authenticatorCheck", "messageAuthenticatorCheck", "userPassword", "exposure"};

// Seconds since 1970 with nine fraction digits, as tshark's frame.time_epoch prints them;
// captures keep microseconds.
std::string epochText(double seconds) {
    return zem::fixed6Text(seconds) + "000";
}

bool isEapField(std::string_view name) {
    return std::find(eapFields.begin(), eapFields.end(), name) != eapFields.end();
}

// An EAP field's value: numbers, the identity's text, and the desired types of a Nak as
// tshark prints a repeated field, joined by commas.
std::optional<zem::ZEMPredicateValue> eapValue(std::string_view name,
                                               const std::optional<EapPacket>& eap) {
    if (!eap)
        return std::nullopt;
    if (name == "eap.code")
        return std::int64_t{eap->code};
    if (name == "eap.id")
        return std::int64_t{eap->identifier};
    if (name == "eap.len")
        return std::int64_t{eap->length};
    if (name == "eap.type") {
        if (!eap->type)
            return std::nullopt;
        return std::int64_t{*eap->type};
    }
    if (name == "eap.identity") {
        auto identity = eapIdentity(*eap);
        if (!identity)
            return std::nullopt;
        return std::move(*identity);
    }
    if (eap->type != 3 || eap->typeData().empty())
        return std::nullopt;
    std::string desired;
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) of a literal put before
    // a number's text.
    for (const auto type : eap->typeData()) {
        if (!desired.empty())
            desired += ',';
        desired += std::to_string(type);
    }
    return desired;
}

// A TLS field as a filter compares it: one number as a number, else the occurrences'
// text joined by commas.
std::optional<zem::ZEMPredicateValue> tlsValue(std::string_view name,
                                               const std::optional<TlsFlight>& tls) {
    if (!tls)
        return std::nullopt;
    auto texts = tlsFieldOccurrences(name, *tls);
    if (texts.empty())
        return std::nullopt;
    if (!isNumericTlsField(name))
        return chosenOccurrences(texts, {});
    const auto number = [](const std::string& text) {
        return static_cast<std::int64_t>(std::strtoll(text.c_str(), nullptr, 0));
    };
    if (texts.size() == 1)
        return number(texts.front());
    zem::ZEMNumberList list;
    for (const auto& text : texts)
        list.numbers.push_back(number(text));
    list.text = chosenOccurrences(texts, {}).value_or("");
    return list;
}

bool isAuthenticationField(std::string_view name) {
    return std::find(authenticationFields.begin(), authenticationFields.end(), name) !=
           authenticationFields.end();
}

// How the message's authentication ended, once the reader knew it.
std::optional<std::string> authenticationText(std::string_view name, const ExchangeLinks& links) {
    if (!links.authentication)
        return std::nullopt;
    const auto& ended = *links.authentication;
    const auto& text = name == "auth.method"    ? ended.method
                       : name == "auth.outcome" ? ended.outcome
                                                : ended.reason;
    if (text.empty())
        return std::nullopt;
    return text;
}

bool isExchangeField(std::string_view name) {
    return std::find(exchangeFields.begin(), exchangeFields.end(), name) != exchangeFields.end();
}

// An exchange field's value: a frame number or, for responseTime, seconds.
std::optional<zem::ZEMPredicateValue> exchangeValue(std::string_view name,
                                                    const ExchangeLinks& links) {
    auto frame = [](std::optional<std::uint64_t> number) -> std::optional<zem::ZEMPredicateValue> {
        if (!number)
            return std::nullopt;
        return static_cast<std::int64_t>(*number);
    };
    if (name == "responseFrame")
        return frame(links.responseFrame);
    if (name == "requestFrame")
        return frame(links.requestFrame);
    if (name == "retransmissionOf")
        return frame(links.retransmissionOf);
    if (!links.responseTime)
        return std::nullopt;
    return *links.responseTime;
}

} // namespace

std::span<const std::string_view> captureFieldNames() {
    return captureFields;
}

std::span<const std::string_view> exchangeFieldNames() {
    return exchangeFields;
}

std::span<const std::string_view> eapFieldNames() {
    return eapFields;
}

std::span<const std::string_view> authenticationFieldNames() {
    return authenticationFields;
}

std::span<const std::string_view> checkFieldNames() {
    return checkFields;
}

bool MessageFields::known(std::string_view name) const {
    if (knownAsIs(name))
        return true;
    const auto alias = fieldAlias(name);
    if (!alias)
        return false;
    std::string ours = alias->ourName.empty() ? std::string(avpFieldPrefix) +
                                                    std::string(name.substr(name.find('.') + 1))
                                              : std::string(alias->ourName);
    if (!knownAsIs(ours))
        return false;
    aliases_.emplace(std::string(name), ResolvedAlias{std::move(ours), alias->onlyFamily,
                                                      alias->onlyTransport, alias->onlyDirection});
    return true;
}

std::optional<std::string_view> MessageFields::resolved(std::string_view name,
                                                        const DecodedMessage& message) const {
    if (aliases_.empty())
        return name;
    const auto found = aliases_.find(name);
    if (found == aliases_.end())
        return name;
    if (!aliasHolds(found->second, message))
        return std::nullopt; // tshark's field has no value here
    return std::string_view(found->second.ourName);
}

bool MessageFields::aliasHolds(const ResolvedAlias& alias, const DecodedMessage& message) {
    const auto& origin = message.origin();
    const bool wrongDirection =
        (alias.onlyDirection == AliasDirection::requests && !isRequestCode(message.code())) ||
        (alias.onlyDirection == AliasDirection::responses && !isResponseCode(message.code()));
    return !((alias.onlyFamily != 0 && origin.source.family != alias.onlyFamily) ||
             (!alias.onlyTransport.empty() &&
              alias.onlyTransport != zem::transportName(origin.transport)) ||
             wrongDirection);
}

MessageFields::Kind MessageFields::kindOf(std::string_view name) const {
    for (const auto& [field, kind] : captureKinds)
        if (name == field)
            return kind;
    if (isEapField(name))
        return Kind::eap;
    if (isAuthenticationField(name))
        return Kind::authentication;
    if (isTlsField(name))
        return Kind::tls;
    if (isExchangeField(name))
        return Kind::exchange;
    for (auto field : checkFields)
        if (name == field)
            return Kind::check;
    if (avpField(name))
        return Kind::avp;
    return Kind::property;
}

MessageFields::Prepared MessageFields::prepare(std::string_view asked) const {
    Prepared field;
    field.name = asked;
    if (const auto found = aliases_.find(asked); found != aliases_.end()) {
        field.alias = &found->second;
        field.name = found->second.ourName;
    }
    field.kind = kindOf(field.name);
    if (field.kind == Kind::avp)
        field.avp = avpField(field.name);
    if (field.kind == Kind::property)
        field.attribute = host_.attribute(field.name);
    return field;
}

bool MessageFields::readsExchange(std::string_view name) const {
    if (const auto alias = aliases_.find(name); alias != aliases_.end())
        name = alias->second.ourName;
    return isExchangeField(name) || isTlsField(name) || isAuthenticationField(name);
}

bool MessageFields::readsAuthentication(std::string_view name) const {
    return isAuthenticationField(name);
}

std::optional<std::string> MessageFields::nearestName(std::string_view name) const {
    std::vector<std::string> candidates;
    for (const auto& attribute : host_.structure().plugInAnalyzerAttributes)
        candidates.push_back(attribute.attributeKey);
    for (auto field : captureFields)
        candidates.emplace_back(field);
    for (auto field : exchangeFields)
        candidates.emplace_back(field);
    for (auto field : eapFields)
        candidates.emplace_back(field);
    for (auto field : tlsFieldNames())
        candidates.emplace_back(field);
    for (auto field : authenticationFields)
        candidates.emplace_back(field);
    for (auto field : checkFields)
        candidates.emplace_back(field);
    for (const auto& alias : fieldAliases())
        candidates.emplace_back(alias.tsharkName);
    if (dictionary_)
        for (const auto& attribute : dictionary_->attributes()) {
            candidates.push_back(std::string(avpFieldPrefix) + attribute.fieldName.text());
            candidates.push_back("radius." + attribute.fieldName.text());
        }
    std::optional<std::string> nearest;
    std::size_t best = std::max<std::size_t>(2, name.size() / 4) + 1;
    for (const auto& candidate : candidates) {
        const auto distance = editDistance(name, candidate);
        if (distance < best) {
            best = distance;
            nearest = candidate;
        }
    }
    return nearest;
}

std::string MessageFields::unknownFieldError(std::string_view option, std::string_view name) const {
    std::string error(option);
    error += ": unknown field \"";
    error += name;
    error += "\" (";
    if (const auto nearest = nearestName(name)) {
        error += "did you mean \"";
        error += *nearest;
        error += "\"? ";
    }
    error += "see -G fields)";
    return error;
}

bool MessageFields::knownAsIs(std::string_view name) const {
    if (host_.attribute(name))
        return true;
    for (auto field : captureFields)
        if (name == field)
            return true;
    if (isExchangeField(name) || isEapField(name) || isTlsField(name) ||
        isAuthenticationField(name))
        return true;
    for (auto field : checkFields)
        if (name == field)
            return true;
    if (!dictionary_)
        return false;
    const auto field = avpFieldNamed(*dictionary_, name);
    if (field)
        avpFields_.emplace(std::string(name), *field);
    return field.has_value();
}

std::optional<AvpField> MessageFields::avpField(std::string_view name) const {
    if (!dictionary_ || !name.starts_with(avpFieldPrefix))
        return std::nullopt;
    if (auto found = avpFields_.find(name); found != avpFields_.end())
        return found->second;
    return avpFieldNamed(*dictionary_, name);
}

std::optional<std::string> MessageFields::checkText(std::string_view name,
                                                    const DecodedMessage& m) const {
    const auto& checks = m.checks();
    if (name == "authenticatorCheck")
        return std::string(checkResultText(checks.authenticator));
    if (name == "messageAuthenticatorCheck")
        return std::string(checkResultText(checks.messageAuthenticator));
    if (name == "userPassword") {
        const auto* password = checks.userPassword();
        if (!password || display_.keepPrivate)
            return std::nullopt;
        return hiddenValueText(*password);
    }
    std::string joined;
    for (const auto& text : exposureTexts(checks.exposure, m.code()))
        joined += (joined.empty() ? "" : "; ") + text;
    return joined;
}

std::optional<std::string> MessageFields::text(const Prepared& field,
                                               const DecodedMessage& m) const {
    if (field.alias && !aliasHolds(*field.alias, m))
        return std::nullopt; // tshark's field has no value here
    const auto& origin = m.origin();
    const auto name = field.name;
    switch (field.kind) {
    case Kind::frame:
        return std::to_string(origin.frame);
    case Kind::time:
        return zem::fixed6Text(origin.relativeTime);
    case Kind::epoch:
        return epochText(origin.time);
    case Kind::src:
        return origin.source.text();
    case Kind::dst:
        return origin.destination.text();
    case Kind::sport:
        return std::to_string(origin.sourcePort);
    case Kind::dport:
        return std::to_string(origin.destinationPort);
    case Kind::transport:
        return std::string(zem::transportName(origin.transport));
    case Kind::eap: {
        const auto value = eapValue(name, m.eap());
        if (!value)
            return std::nullopt;
        if (const auto* number = std::get_if<std::int64_t>(&*value))
            return std::to_string(*number);
        return std::get<std::string>(*value);
    }
    case Kind::authentication:
        return authenticationText(name, m.exchange());
    case Kind::tls:
        if (!m.tls())
            return std::nullopt;
        return chosenOccurrences(tlsFieldOccurrences(name, *m.tls()), occurrence_);
    case Kind::exchange: {
        const auto value = exchangeValue(name, m.exchange());
        if (!value)
            return std::nullopt;
        if (const auto* seconds = std::get_if<double>(&*value))
            return responseTimeText(*seconds);
        return std::to_string(std::get<std::int64_t>(*value));
    }
    case Kind::check:
        return checkText(name, m);
    case Kind::avp:
        return avpFieldText(*dictionary_, *field.avp, m.attributes(), occurrence_);
    case Kind::property:
        break;
    }
    if (!field.attribute)
        return std::nullopt;
    auto value = host_.value(m.analyzer(), *field.attribute, m.octets());
    if (!value)
        return std::nullopt;
    return zem::propertyText(*value);
}

std::optional<zem::ZEMPredicateValue> MessageFields::predicateValue(std::string_view asked,
                                                                    const DecodedMessage& m) const {
    const auto resolvedName = resolved(asked, m);
    if (!resolvedName)
        return std::nullopt;
    const auto name = *resolvedName;
    if (host_.attribute(name)) {
        auto value = host_.value(m.analyzer(), name, m.octets());
        if (!value)
            return std::nullopt;
        if (const auto* n8 = std::get_if<std::uint8_t>(&*value))
            return std::int64_t{*n8};
        if (const auto* n16 = std::get_if<std::uint16_t>(&*value))
            return std::int64_t{*n16};
        return zem::propertyText(*value);
    }
    if (auto avp = avpField(name))
        return avpPredicateValue(*dictionary_, *avp, m.attributes());
    if (name == "frame")
        return static_cast<std::int64_t>(m.origin().frame);
    if (isExchangeField(name))
        return exchangeValue(name, m.exchange());
    if (isEapField(name))
        return eapValue(name, m.eap());
    if (isTlsField(name))
        return tlsValue(name, m.tls());
    if (name == "sport")
        return std::int64_t{m.origin().sourcePort};
    if (name == "dport")
        return std::int64_t{m.origin().destinationPort};
    return text(name, m);
}

std::optional<zem::ZEMPredicateValue>
MessageFields::tlsFramePredicateValue(std::string_view name, const TlsFlight& flight,
                                      std::uint64_t frame) const {
    if (const auto alias = aliases_.find(name); alias != aliases_.end())
        name = alias->second.ourName;
    if (isTlsField(name))
        return tlsValue(name, flight);
    if (name == "frame")
        return static_cast<std::int64_t>(frame);
    return std::nullopt;
}

} // namespace analysis
