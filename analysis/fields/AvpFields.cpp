#include "fields/AvpFields.hpp"

#include "wire/RadiusProtocol.hpp"

#include <vector>

namespace analysis {

namespace {

std::optional<std::string> occurrenceText(const DecodedAvp& avp, bool valueName) {
    if (valueName) {
        if (const auto* name = avpValueName(avp))
            return *name;
        return avpText(avp); // an unnamed value shows its number
    }
    return avpText(avp);
}

// Calls `visit` for each occurrence of the field's attribute. A standard attribute is
// found by its type octet alone, without naming the others: most fields are such.
template <typename Visit>
void forEachOccurrence(const RadiusDictionary& dictionary, const AvpField& field,
                       const AttributeList& message, Visit visit) {
    const auto& path = field.definition->path;
    const bool standard = path.vendor == 0 && path.depth == 1 &&
                          path.numbers[0] != attribute::vendorSpecific &&
                          field.definition->type != AvpType::extended &&
                          field.definition->type != AvpType::longExtended;
    if (!standard || field.definition->hasTag) {
        for (const auto& avp : message.named(dictionary).attributes)
            if (avp.definition == field.definition)
                visit(avp);
        return;
    }
    for (const auto& attribute : message.wire().attributes)
        if (attribute.type == path.numbers[0] && attribute.whole())
            visit(DecodedAvp{field.definition, path, attribute.value, std::nullopt,
                             attribute.offset});
}

// The texts of the field's occurrences; a value invalid for its type is none.
std::vector<std::string> occurrences(const RadiusDictionary& dictionary, const AvpField& field,
                                     const AttributeList& message) {
    std::vector<std::string> texts;
    forEachOccurrence(dictionary, field, message, [&](const DecodedAvp& avp) {
        if (auto text = occurrenceText(avp, field.valueName))
            texts.push_back(std::move(*text));
    });
    return texts;
}

} // namespace

std::optional<AvpField> avpFieldNamed(const RadiusDictionary& dictionary, std::string_view name) {
    if (!name.starts_with(avpFieldPrefix))
        return std::nullopt;
    name.remove_prefix(avpFieldPrefix.size());
    if (const auto* definition = dictionary.named(name))
        return AvpField{definition, false};
    if (name.ends_with(".name"))
        if (const auto* definition = dictionary.named(name.substr(0, name.size() - 5)))
            return AvpField{definition, true};
    return std::nullopt;
}

std::optional<std::string> chosenOccurrences(const std::vector<std::string>& texts,
                                             const FieldOccurrence& occurrence) {
    if (texts.empty())
        return std::nullopt;
    switch (occurrence.mode) {
    case FieldOccurrence::Mode::first:
        return texts.front();
    case FieldOccurrence::Mode::last:
        return texts.back();
    case FieldOccurrence::Mode::index:
        if (occurrence.index == 0 || occurrence.index > texts.size())
            return std::nullopt;
        return texts[occurrence.index - 1];
    case FieldOccurrence::Mode::all:
        break;
    }
    std::string joined = texts.front();
    for (std::size_t i = 1; i < texts.size(); ++i)
        joined += occurrence.aggregator + texts[i];
    return joined;
}

std::optional<std::string> avpFieldText(const RadiusDictionary& dictionary, const AvpField& field,
                                        const AttributeList& message,
                                        const FieldOccurrence& occurrence) {
    if (occurrence.mode != FieldOccurrence::Mode::all)
        return chosenOccurrences(occurrences(dictionary, field, message), occurrence);
    // Joined as they come: most attributes occur once, and a list of their texts cost
    // more than the text itself.
    std::optional<std::string> joined;
    forEachOccurrence(dictionary, field, message, [&](const DecodedAvp& avp) {
        auto text = occurrenceText(avp, field.valueName);
        if (!text)
            return;
        if (!joined) {
            joined = std::move(*text);
        } else {
            *joined += occurrence.aggregator;
            *joined += *text;
        }
    });
    return joined;
}

std::optional<zem::ZEMPredicateValue> avpPredicateValue(const RadiusDictionary& dictionary,
                                                        const AvpField& field,
                                                        const AttributeList& message) {
    std::optional<zem::ZEMPredicateValue> single;
    std::vector<std::string> texts;
    forEachOccurrence(dictionary, field, message, [&](const DecodedAvp& avp) {
        auto text = occurrenceText(avp, field.valueName);
        if (!text)
            return;
        texts.push_back(*text);
        if (field.valueName || avp.definition->type == AvpType::date)
            return;
        if (auto number = avpNumber(avp)) {
            if (const auto* name = avpValueName(avp))
                single = zem::ZEMNamedNumber{*number, *name};
            else
                single = *number;
        }
    });
    if (texts.empty())
        return std::nullopt;
    if (texts.size() == 1 && single)
        return single;
    std::string joined = texts.front();
    for (std::size_t i = 1; i < texts.size(); ++i)
        joined += "," + texts[i];
    return joined;
}

} // namespace analysis
