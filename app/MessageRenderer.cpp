#include "MessageRenderer.hpp"

#include "DictionaryOption.hpp"
#include "TlsFrameFlight.hpp"
#include "fields/TlsFields.hpp"

#include <algorithm>

namespace app {

MessageRenderer::MessageRenderer(const zem::PlugInHost& host, const Options& options,
                                 std::string lineColor, analysis::CheckDisplay checkDisplay,
                                 const analysis::RadiusDictionary* dictionary)
    : host_(host), fields_(host, checkDisplay, dictionary, fieldOccurrence(options)),
      filter_(fields_, options.displayFilter, options.find),
      form_(makeOutputForm({options, fields_, std::move(lineColor)})),
      printsMessages_(!options.quiet),
      statisticsWanted_(!options.statistics.empty() || options.metrics),
      // The metrics count exposed messages, and with secrets the failed checks.
      factsWanted_{options.metrics && checkDisplay.secretsGiven, false,
                   options.metrics.has_value()} {
    // The tree and the JSON forms show every link; fields and filters only when named.
    const auto readsExchange = [this](std::string_view name) {
        return fields_.readsExchange(name);
    };
    linksWanted_ = (printsMessages_ &&
                    (options.verbose || options.format == OutputFormat::json ||
                     options.format == OutputFormat::ek || options.format == OutputFormat::jsonl ||
                     (options.format == OutputFormat::fields &&
                      std::any_of(options.fields.begin(), options.fields.end(), readsExchange)))) ||
                   filter_.reads(readsExchange);
    const auto readsAuthentication = [this](std::string_view name) {
        return fields_.readsAuthentication(name);
    };
    followsAuthentications_ =
        (printsMessages_ && options.format == OutputFormat::fields &&
         std::any_of(options.fields.begin(), options.fields.end(), readsAuthentication)) ||
        filter_.reads(readsAuthentication);
    // The TLS frames that carry no RADIUS message have lines in the text form, and rows in
    // the fields form when its fields or its filter read TLS; a --find predicate is one of
    // the plug-in's columns, which such a frame has none of. -w reads them to write them.
    const bool asksTls =
        std::any_of(options.fields.begin(), options.fields.end(),
                    [](const std::string& field) { return analysis::isTlsField(field); }) ||
        filter_.reads(analysis::isTlsField);
    printsTlsFrames_ = printsMessages_ && !options.find &&
                       (options.format == OutputFormat::text ||
                        (options.format == OutputFormat::fields && asksTls));
    readsTlsFrames_ = printsTlsFrames_ || (options.writeFile && !options.find);
    for (const auto report : options.statistics) {
        factsWanted_.checks = factsWanted_.checks || analysis::reportRow(report).needsChecks;
        factsWanted_.sessionFacts =
            factsWanted_.sessionFacts || analysis::reportRow(report).needsSessionFacts;
        factsWanted_.authentication =
            factsWanted_.authentication || analysis::reportRow(report).needsAuthenticationFacts;
        factsWanted_.nasName = factsWanted_.nasName || analysis::reportRow(report).needsNasName;
    }
}

RenderedMessage MessageRenderer::render(const capture::MessageOrigin& origin, zem::ByteView message,
                                        const analysis::CheckInput& checkInput,
                                        const analysis::ExchangeLinks& links, std::string& text,
                                        std::vector<analysis::MessageFacts>& facts) const {
    RenderedMessage rendered;
    // What is worked out of the message (checks, dictionary names, facts) only when a
    // filter, the form or a report asks: plain summary lines are spared the rest.
    auto decoded = analysis::DecodedMessage::decode(host_, origin, message, checkInput, links);
    if (!decoded)
        return rendered;
    rendered.radius = true;
    if (!filter_.passes(*decoded))
        return rendered;
    rendered.passed = true;
    if (printsMessages_)
        form_->write(text, *decoded);
    if (statisticsWanted_) {
        facts.push_back(decoded->takeFacts(factsWanted_));
        rendered.hasFacts = true;
    }
    return rendered;
}

RenderedMessage MessageRenderer::renderTlsFrame(const capture::MessageOrigin& origin,
                                                std::span<const capture::TlsRecordEvent> events,
                                                zem::ByteView clearRecords,
                                                std::string& text) const {
    RenderedMessage rendered;
    rendered.tlsFrame = true;
    // The flight is worked out once, for the filter and the form alike.
    const TlsFrameRecords records(events, clearRecords);
    if (!filter_.empty() &&
        (!filter_.readsTlsFields() || !filter_.passesTlsFrame(records.flight(), origin.frame)))
        return rendered;
    rendered.passed = true;
    if (printsTlsFrames_)
        form_->writeTlsFrame(text, origin, records);
    return rendered;
}

} // namespace app
