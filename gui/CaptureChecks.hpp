// CaptureChecks: the checks of an opened capture's messages, found when a row or the
// detail view asks for them. The secrets come from a file the user loads; a response's
// request is the latest one of the same exchange before it in the capture, looked for
// within the window and the number of messages the command line would remember.
#pragma once

#include "ChecksNode.hpp"
#include "MessageChecks.hpp"
#include "MessageIndex.hpp"
#include "MessageStore.hpp"
#include "SharedSecrets.hpp"

#include <QString>

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

    /// The checks of the message at `position`.
    analysis::MessageChecks checksAt(const capture::MessageIndex& index,
                                     const capture::MessageStore& store, std::size_t position,
                                     zem::ByteView message) const;
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
};

/// The word a list row shows for a message's checks: the verdict when secrets are
/// loaded, and whether it is exposed.
QString checksColumnText(const analysis::MessageChecks& checks, bool secretsLoaded);

} // namespace gui
