#include "MessageRenderer.hpp"

#include "DictionaryOption.hpp"

namespace app {

MessageRenderer::MessageRenderer(const zem::PlugInHost& host, const Options& options,
                                 std::string lineColor, analysis::CheckDisplay checkDisplay,
                                 const analysis::RadiusDictionary* dictionary)
    : host_(host), fields_(host, checkDisplay, dictionary, fieldOccurrence(options)),
      filter_(fields_, options.displayFilter, options.find),
      form_(makeOutputForm({options, fields_, std::move(lineColor)})),
      printsMessages_(!options.quiet), statisticsWanted_(!options.statistics.empty()),
      sessionFactsWanted_(asksStatistics(options, "radius,sessions") ||
                          asksStatistics(options, "radius,clients")),
      // Plain summary lines show no check: they are spared the work.
      checksWanted_(checkDisplay.secretsGiven || filter_.reads(analysis::checkFieldNames()) ||
                    asksStatistics(options, "radius,security") || options.verbose ||
                    options.format != OutputFormat::text) {}

RenderedMessage MessageRenderer::render(const capture::MessageOrigin& origin, zem::ByteView message,
                                        const analysis::CheckInput& checkInput,
                                        std::string& text) const {
    RenderedMessage rendered;
    auto analyzer = host_.analyzerClass().create(message, nullptr);
    if (!analyzer)
        return rendered;
    rendered.radius = true;
    std::optional<analysis::MessageChecks> checks;
    if (checksWanted_)
        checks = analysis::checkMessage(message, checkInput);
    const DecodedMessage decoded{origin, message, *analyzer, checks ? &*checks : nullptr};
    if (!filter_.passes(decoded))
        return rendered;
    rendered.passed = true;
    if (statisticsWanted_)
        rendered.facts =
            analysis::messageFacts(host_, *analyzer, message, origin,
                                   checks ? *checks : analysis::MessageChecks{}, damage_);
    if (rendered.facts && sessionFactsWanted_)
        analysis::addSessionFacts(*rendered.facts, message);
    if (printsMessages_)
        form_->write(text, decoded);
    return rendered;
}

} // namespace app
