#include "fields/MessageFields.hpp"

#include <array>
#include <cstdio>

namespace analysis {

namespace {

constexpr std::array<std::string_view, 7> captureFields = {"frame", "time",  "src",      "dst",
                                                           "sport", "dport", "transport"};

constexpr std::array<std::string_view, 4> checkFields = {
    "authenticatorCheck", "messageAuthenticatorCheck", "userPassword", "exposure"};

std::string timeText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", seconds);
    return text;
}

} // namespace

std::span<const std::string_view> captureFieldNames() {
    return captureFields;
}

std::span<const std::string_view> checkFieldNames() {
    return checkFields;
}

bool MessageFields::known(std::string_view name) const {
    if (host_.attribute(name))
        return true;
    for (auto field : captureFields)
        if (name == field)
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

std::optional<std::string> MessageFields::text(std::string_view name,
                                               const DecodedMessage& m) const {
    const auto& origin = m.origin();
    if (name == "frame")
        return std::to_string(origin.frame);
    if (name == "time")
        return timeText(origin.relativeTime);
    if (name == "src")
        return origin.source.text();
    if (name == "dst")
        return origin.destination.text();
    if (name == "sport")
        return std::to_string(origin.sourcePort);
    if (name == "dport")
        return std::to_string(origin.destinationPort);
    if (name == "transport")
        return std::string(origin.transport);
    for (auto field : checkFields)
        if (name == field)
            return checkText(name, m);
    if (auto avp = avpField(name))
        return avpFieldText(*dictionary_, *avp, m.attributes(), occurrence_);
    auto value = host_.value(m.analyzer(), name, m.octets());
    if (!value)
        return std::nullopt;
    return zem::propertyText(*value);
}

std::optional<zem::ZEMPredicateValue> MessageFields::predicateValue(std::string_view name,
                                                                    const DecodedMessage& m) const {
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
    if (name == "sport")
        return std::int64_t{m.origin().sourcePort};
    if (name == "dport")
        return std::int64_t{m.origin().destinationPort};
    return text(name, m);
}

} // namespace analysis
