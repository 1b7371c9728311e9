// MessageRenderer: turns one captured RADIUS message into what the command line shows of
// it: the message is decoded, the filters asked, the facts for the statistics taken, and
// the chosen output form writes the text.
#pragma once

#include "CapturePipeline.hpp"
#include "Options.hpp"
#include "OutputForm.hpp"
#include "PlugInHost.hpp"
#include "fields/MessageFields.hpp"
#include "fields/MessageFilter.hpp"
#include "message/MessageFacts.hpp"

#include <memory>
#include <optional>
#include <string>

namespace app {

/// What became of one rendered message; its text and its facts are kept apart, with the
/// batch's. It stays this small because the reading thread reads every one of them from
/// the processor that rendered it.
struct RenderedMessage {
    bool radius = false;     // the analyzer took it
    bool passed = false;     // and the filters kept it
    bool tlsFrame = false;   // not a message: a TLS frame's line
    bool hasFacts = false;   // its facts are the batch's next ones
    std::size_t textEnd = 0; // where its text ends in the batch's text
};

class MessageRenderer {
public:
    /// Throws ZEMError for a bad filter or field, before anything is read.
    /// `dictionary` (nullptr for none) names the attributes of avp.NAME fields.
    MessageRenderer(const zem::PlugInHost& host, const Options& options, std::string lineColor,
                    analysis::CheckDisplay checkDisplay,
                    const analysis::RadiusDictionary* dictionary);

    const zem::PlugInHost& host() const { return host_; }

    /// Decodes, checks, filters and writes one message, appending its text to `text` and,
    /// when a report wants them, its facts to `facts`. Touches no shared state, so several
    /// threads may render at once.
    RenderedMessage render(const capture::MessageOrigin& origin, zem::ByteView message,
                           const analysis::CheckInput& checkInput,
                           const analysis::ExchangeLinks& links, std::string& text,
                           std::vector<analysis::MessageFacts>& facts) const;

    /// Writes the line of a TLS frame whose records need one (see capture::tlsFrameShown).
    RenderedMessage renderTlsFrame(const capture::MessageOrigin& origin,
                                   std::span<const capture::TlsRecordEvent> events,
                                   zem::ByteView clearRecords, std::string& text) const;

    const OutputForm& form() const { return *form_; }
    bool printsMessages() const { return printsMessages_; }
    /// Whether the TLS frames that carry no RADIUS message (handshakes, alerts, records not
    /// read) are to be read: for their lines, or for -w to write them (a RadSec capture
    /// written without its handshake could not be read again).
    bool readsTlsFrames() const { return readsTlsFrames_; }
    bool statisticsWanted() const { return statisticsWanted_; }
    /// Whether the form or a filter reads the links to a message's exchange (or the TLS
    /// messages joined with them): a message waits for its response then.
    bool linksWanted() const { return linksWanted_; }
    /// Whether a report reads the TLS messages joined across round trips.
    bool joinsTls() const { return factsWanted_.authentication; }
    /// Whether a field or filter reads how a message's authentication ended.
    bool followsAuthentications() const { return followsAuthentications_; }

private:
    const zem::PlugInHost& host_;
    analysis::MessageFields fields_;
    analysis::MessageFilter filter_;
    std::unique_ptr<OutputForm> form_;
    bool printsMessages_;
    bool printsTlsFrames_ = false, readsTlsFrames_ = false;
    bool statisticsWanted_;
    bool linksWanted_;
    bool followsAuthentications_;
    analysis::FactsWanted factsWanted_; // what the reports asked for read
};

} // namespace app
