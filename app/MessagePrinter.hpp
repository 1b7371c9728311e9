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

class MessagePrinter {
public:
    /// Throws ZEMError for a bad filter or field, before anything is read.
    MessagePrinter(const PlugInHost& host, const Options& options, std::FILE* out);
    ~MessagePrinter();

    /// Decodes and prints one message; answers whether it passed the filter.
    bool print(const MessageOrigin& origin, zem::ByteView message);
    /// A payload on a claimed port that is not RADIUS.
    void notRadius() { statistics_.addNotRadius(); }
    /// Closes the output (JSON array) and prints the statistics.
    void finish();
    void flush();

private:
    bool passesFilter(const zem::ZEMPluginAnalyzerProtocol& analyzer, const MessageOrigin& origin,
                      zem::ByteView message) const;
    std::optional<std::string> fieldText(const std::string& field,
                                         const zem::ZEMPluginAnalyzerProtocol& analyzer,
                                         const MessageOrigin& origin, zem::ByteView message) const;
    void printText(const MessageOrigin& origin, zem::ByteView message,
                   const zem::ZEMPluginAnalyzerProtocol& a);
    void printFields(const MessageOrigin& origin, zem::ByteView message,
                     const zem::ZEMPluginAnalyzerProtocol& a);
    void printJson(const MessageOrigin& origin, zem::ByteView message,
                   const zem::ZEMPluginAnalyzerProtocol& a);
    void countStatistics(const MessageOrigin& origin, zem::ByteView message,
                         const zem::ZEMPluginAnalyzerProtocol& a);

    const PlugInHost& host_;
    const Options& options_;
    std::FILE* out_;
    std::string buffer_;
    std::optional<zem::ZEMPredicate> filter_;
    std::optional<zem::ZEMPredicate> extraFilter_; // --find together with -Y
    RadiusStatistics statistics_;
    bool statisticsWanted_ = false;
    bool printsMessages_ = true;
    std::uint64_t jsonCount_ = 0;
    std::string colorStart_;
};

/// The escape sequence that sets a colour: 24-bit when the terminal says it can, else the
/// nearest of the 256-colour cube.
std::string colorEscape(const zem::ZEMColor& color, bool trueColor);
/// Escapes DEL, C1 and bidirectional controls that a JSON writer leaves as they are.
void escapeJsonInvisibles(std::string& json);

} // namespace app
