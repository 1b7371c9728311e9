#include "OutputForm.hpp"

#include <array>

namespace app {

namespace {

constexpr std::array<OutputFormEntry, 5> forms = {{
    {OutputFormat::text, "text", makeTextForm},
    {OutputFormat::fields, "fields", makeFieldsForm},
    {OutputFormat::json, "json", makeJsonForm},
    {OutputFormat::ek, "ek", makeElasticForm},
    {OutputFormat::jsonl, "jsonl", makeJsonLinesForm},
}};

} // namespace

std::span<const OutputFormEntry> outputForms() {
    return forms;
}

const OutputFormEntry* outputFormNamed(std::string_view name) {
    for (const auto& form : forms)
        if (form.name == name)
            return &form;
    return nullptr;
}

std::unique_ptr<OutputForm> makeOutputForm(const OutputFormContext& context) {
    for (const auto& form : forms)
        if (form.format == context.options.format)
            return form.make(context);
    return makeTextForm(context);
}

} // namespace app
