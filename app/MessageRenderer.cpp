#include "MessageRenderer.hpp"

namespace app {

MessageRenderer::MessageRenderer(const zem::PlugInHost& host, const Options& options,
                                 std::string lineColor)
    : host_(host), fields_(host), filter_(fields_, options.displayFilter, options.find),
      form_(makeOutputForm({options, fields_, std::move(lineColor)})),
      printsMessages_(!options.quiet), statisticsWanted_(!options.statistics.empty()) {}

RenderedMessage MessageRenderer::render(const capture::MessageOrigin& origin, zem::ByteView message,
                                        std::string& text) const {
    RenderedMessage rendered;
    auto analyzer = host_.analyzerClass().create(message, nullptr);
    if (!analyzer)
        return rendered;
    rendered.radius = true;
    const DecodedMessage decoded{origin, message, *analyzer};
    if (!filter_.passes(decoded))
        return rendered;
    rendered.passed = true;
    if (statisticsWanted_)
        rendered.facts = analysis::messageFacts(host_, *analyzer, message, origin);
    if (printsMessages_)
        form_->write(text, decoded);
    return rendered;
}

} // namespace app
