// Prints decoded RADIUS messages in the chosen output form (summary lines, -V trees,
// -x hex dumps, -T fields, -T json, -T ek), applies the display filter and feeds the
// statistics. Every text from the wire is escaped on its way out.
#pragma once

#include "CapturePipeline.hpp"
#include "Options.hpp"
#include "PlugInHost.hpp"
#include "RadiusStatistics.hpp"
#include "ZEMColor.hpp"
#include "ZEMPredicate.hpp"

#include <cstdio>
#include <optional>
#include <string>

namespace app {

/// What became of one rendered message; its text is kept apart, with the batch's.
struct RenderedMessage {
    bool radius = false;     // the analyzer took it
    bool passed = false;     // and the filter kept it
    std::size_t textEnd = 0; // where its text ends in the batch's text
    std::optional<MessageFacts> facts;
};

class MessagePrinter {
public:
    /// Throws ZEMError for a bad filter or field, before anything is read.
    MessagePrinter(const PlugInHost& host, const Options& options, std::FILE* out);
    ~MessagePrinter();
    MessagePrinter(const MessagePrinter&) = delete;
    MessagePrinter& operator=(const MessagePrinter&) = delete;

    /// Decodes, filters and formats one message, appending its text to `text`. Touches no
    /// shared state, so several threads may render at once.
    RenderedMessage render(const MessageOrigin& origin, zem::ByteView message,
                           std::string& text) const;
    /// Counts a rendered message and answers the part of its text to write, or nothing
    /// when the filter dropped it; messages must come in capture order.
    std::optional<std::string_view> accept(const RenderedMessage& message, std::string_view text);
    /// Writes the text of accepted messages.
    void write(std::string_view text);
    /// Closes the output (JSON array) and prints the statistics.
    void finish();
    void flush();

private:
    void flushBuffer();
    bool passesFilter(const zem::ZEMPluginAnalyzerProtocol& analyzer, const MessageOrigin& origin,
                      zem::ByteView message) const;
    std::optional<std::string> fieldText(const std::string& field,
                                         const zem::ZEMPluginAnalyzerProtocol& analyzer,
                                         const MessageOrigin& origin, zem::ByteView message) const;
    void renderText(std::string& out, const MessageOrigin& origin, zem::ByteView message,
                    const zem::ZEMPluginAnalyzerProtocol& a) const;
    void renderFields(std::string& out, const MessageOrigin& origin, zem::ByteView message,
                      const zem::ZEMPluginAnalyzerProtocol& a) const;
    void renderJson(std::string& out, const MessageOrigin& origin, zem::ByteView message,
                    const zem::ZEMPluginAnalyzerProtocol& a) const;
    MessageFacts facts(const MessageOrigin& origin, zem::ByteView message,
                       const zem::ZEMPluginAnalyzerProtocol& a) const;

    const PlugInHost& host_;
    const Options& options_;
    std::FILE* out_;
    std::string buffer_;
    std::vector<zem::ZEMPredicate> filters_; // --find and -Y: every one must hold
    RadiusStatistics statistics_;
    bool statisticsWanted_ = false;
    bool printsMessages_ = true;
    std::uint64_t jsonCount_ = 0;
    std::string colorStart_;
};

/// The escape sequence that sets a colour: 24-bit when the terminal says it can, else the
/// nearest of the 256-colour cube.
std::string colorEscape(const zem::ZEMColor& color, bool trueColor);

} // namespace app
