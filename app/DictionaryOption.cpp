#include "DictionaryOption.hpp"

#include <cstdio>

namespace app {

namespace {

// avp.NAME, or tshark's radius.NAME for it.
bool namesAnAttribute(std::string_view text) {
    return text.find(analysis::avpFieldPrefix) != std::string_view::npos ||
           text.find("radius.") != std::string_view::npos;
}

analysis::LoadedDictionary toldOfProblems(analysis::LoadedDictionary loaded) {
    // A broken file must not bury the output in warnings: the first few, then a count.
    constexpr std::size_t shown = 10;
    for (std::size_t i = 0; i < loaded.warnings.size() && i < shown; ++i)
        std::fprintf(stderr, "radius-analyzer: dictionary: %s\n", loaded.warnings[i].c_str());
    if (loaded.warnings.size() > shown)
        std::fprintf(stderr, "radius-analyzer: dictionary: %zu more lines could not be used\n",
                     loaded.warnings.size() - shown);
    return loaded;
}

} // namespace

bool wantsDictionary(const Options& options) {
    if (options.verbose || options.format == OutputFormat::json ||
        options.format == OutputFormat::ek || options.format == OutputFormat::jsonl ||
        options.glossary == "fields")
        return true;
    for (const auto& field : options.fields)
        if (namesAnAttribute(field))
            return true;
    for (const auto report : options.statistics)
        if (analysis::reportRow(report).needsDictionary)
            return true;
    return (options.displayFilter && namesAnAttribute(*options.displayFilter)) ||
           (options.find && namesAnAttribute(*options.find));
}

analysis::LoadedDictionary loadRunDictionary(const Options& options) {
    return toldOfProblems(analysis::loadDictionary(options.dictionary));
}

DictionaryPreload::DictionaryPreload(bool wanted, const Options& options) {
    if (!wanted)
        return;
    // Read where the run waits for it, should no thread be had.
    loading_ = std::async(std::launch::async | std::launch::deferred, analysis::loadDictionary,
                          options.dictionary);
}

std::optional<analysis::LoadedDictionary> DictionaryPreload::take() {
    if (!loading_.valid())
        return std::nullopt;
    return toldOfProblems(loading_.get());
}

analysis::FieldOccurrence fieldOccurrence(const Options& options) {
    analysis::FieldOccurrence occurrence;
    occurrence.aggregator = options.aggregator;
    if (options.occurrence == "f")
        occurrence.mode = analysis::FieldOccurrence::Mode::first;
    else if (options.occurrence == "l")
        occurrence.mode = analysis::FieldOccurrence::Mode::last;
    else if (options.occurrence != "a") {
        occurrence.mode = analysis::FieldOccurrence::Mode::index;
        occurrence.index = std::stoul(options.occurrence);
    }
    return occurrence;
}

} // namespace app
