// AvpFields: every dictionary attribute as a field named "avp.NAME" (NAME with '-'
// written as '_', as in tshark's radius.User_Name), and "avp.NAME.name" for the name of
// an enumerated value. Repeated attributes give several occurrences, chosen and joined
// as tshark's -E occurrence and -E aggregator do.
#pragma once

#include "ZEMPredicate.hpp"
#include "dictionary/AttributeList.hpp"
#include "dictionary/AvpText.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace analysis {

inline constexpr std::string_view avpFieldPrefix = "avp.";

struct FieldOccurrence {
    enum class Mode { all, first, last, index } mode = Mode::all;
    std::size_t index = 0; // from 1, for Mode::index
    std::string aggregator = ",";
};

struct AvpField {
    const AttributeDefinition* definition;
    bool valueName; // ".name": the enumerated value's name
};

/// "avp.User_Name" or "avp.Service_Type.name"; nothing when the dictionary has no such
/// attribute.
std::optional<AvpField> avpFieldNamed(const RadiusDictionary& dictionary, std::string_view name);

/// The occurrences `occurrence` chooses, joined by its aggregator; nothing when none.
std::optional<std::string> chosenOccurrences(const std::vector<std::string>& texts,
                                             const FieldOccurrence& occurrence);

/// The field's text in `message`: the chosen occurrences joined; nothing when none.
std::optional<std::string> avpFieldText(const RadiusDictionary& dictionary, const AvpField& field,
                                        const AttributeList& message,
                                        const FieldOccurrence& occurrence);

/// The field as a predicate compares it: one number (named when the dictionary names
/// it), or the text of all occurrences; nothing when the message has none.
std::optional<zem::ZEMPredicateValue> avpPredicateValue(const RadiusDictionary& dictionary,
                                                        const AvpField& field,
                                                        const AttributeList& message);

} // namespace analysis
