// OutputForm: how decoded messages are written, one kind per -T value. A form writes what
// opens the output, each kept message, and what closes it; every text from the wire is
// escaped on its way out.
//
// The table of forms is the one place that knows them: -T takes its names, --help lists
// them, and the capture command makes the chosen one.
#pragma once

#include "Options.hpp"
#include "TlsConnection.hpp"
#include "TlsFrameFlight.hpp"
#include "fields/MessageFields.hpp"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace app {

using analysis::DecodedMessage;
using analysis::MessageFields;

class OutputForm {
public:
    virtual ~OutputForm() = default;
    /// What comes before the first message (a fields header, a JSON array's bracket).
    virtual void begin(std::string&) const {}
    /// Appends one message. Touches no shared state, so several threads may write at once.
    virtual void write(std::string& out, const DecodedMessage& message) const = 0;
    /// Appends the line of a TLS frame whose records need one; only the text form shows
    /// them.
    virtual void writeTlsFrame(std::string&, const zem::MessageOrigin&,
                               const TlsFrameRecords&) const {}
    /// What each message's text starts with to part it from the one before; the first
    /// message written drops it.
    virtual std::string_view separator() const { return {}; }
    /// What closes the output after `written` messages.
    virtual void end(std::string&, std::uint64_t /*written*/) const {}
};

/// What a form may draw on.
struct OutputFormContext {
    const Options& options;
    const MessageFields& fields;
    std::string lineColor; // escape that starts a coloured summary line, or empty
};

struct OutputFormEntry {
    OutputFormat format;
    std::string_view name;
    std::unique_ptr<OutputForm> (*make)(const OutputFormContext&);
};

std::span<const OutputFormEntry> outputForms();
const OutputFormEntry* outputFormNamed(std::string_view name);
std::unique_ptr<OutputForm> makeOutputForm(const OutputFormContext& context);

// The forms, made through the table.
std::unique_ptr<OutputForm> makeTextForm(const OutputFormContext& context);
std::unique_ptr<OutputForm> makeFieldsForm(const OutputFormContext& context);
std::unique_ptr<OutputForm> makeJsonForm(const OutputFormContext& context);
std::unique_ptr<OutputForm> makeElasticForm(const OutputFormContext& context);
std::unique_ptr<OutputForm> makeJsonLinesForm(const OutputFormContext& context);

} // namespace app
