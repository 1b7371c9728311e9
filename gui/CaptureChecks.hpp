// CaptureChecks: the shared secrets of an opened capture, and the one way the window
// decodes a stored message with what checking it needs and the links to its exchange.
// The secrets come from a file the user loads; a response's request is the latest one
// before it in the capture that it answers by the one pairing rule, looked for within the
// window and the number of messages the command line would remember. The links come
// from a table made once the capture is read whole.
#pragma once

#include "MessageIndex.hpp"
#include "MessageStore.hpp"
#include "checks/ChecksNode.hpp"
#include "checks/SharedSecrets.hpp"
#include "exchanges/ExchangeTable.hpp"
#include "message/DecodedMessage.hpp"

#include <QString>
#include <memory>

namespace gui {

class CaptureChecks {
public:
    /// Reads a secrets file; false with `error` set when it cannot be used. `warning`
    /// tells of a file that every user can read.
    bool load(const QString& path, QString& error, QString& warning);
    void clear();
    bool secretsLoaded() const { return !secrets_.empty(); }
    const QString& path() const { return path_; }
    std::size_t clients() const { return secrets_.size(); }

    /// The message at `position`, whose octets are `message`, decoded with what its
    /// checks need; nothing when the plug-in refuses it.
    std::optional<analysis::DecodedMessage>
    decodeAt(const zem::PlugInHost& host, const capture::MessageIndex& index,
             const capture::MessageStore& store, std::size_t position, zem::ByteView message) const;
    /// The links of every message, once the capture is read; nullptr before, or for none.
    void setExchanges(std::shared_ptr<const analysis::ExchangeTable> exchanges) {
        exchanges_ = std::move(exchanges);
    }
    const analysis::ExchangeTable* exchanges() const { return exchanges_.get(); }
    /// How they are shown, with the privacy switch as it is now.
    analysis::CheckDisplay display(const zem::PlugInHost& host) const {
        return analysis::checkDisplayFor(host, secretsLoaded());
    }

private:
    std::optional<analysis::Digest> requestAuthenticator(const capture::MessageIndex& index,
                                                         const capture::MessageStore& store,
                                                         std::size_t position) const;

    analysis::SharedSecrets secrets_;
    QString path_;
    // Shared with the filter jobs that run while a new table replaces it.
    std::shared_ptr<const analysis::ExchangeTable> exchanges_;
};

/// The word a list row shows for a message's checks: the verdict when secrets are
/// loaded, and whether it is exposed.
QString checksColumnText(const analysis::MessageChecks& checks, bool secretsLoaded);

} // namespace gui
