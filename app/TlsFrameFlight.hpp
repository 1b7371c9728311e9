// TlsFrameFlight: what a RadSec frame's records showed, as the TLS fields read it for
// TLS inside EAP: every record as sent (encrypted ones too), the handshake messages in
// the order they completed (those decrypted with a key log too, by type), the details of
// those sent in clear (versions, suites, server name, certificates) and the alerts.
#pragma once

#include "TlsConnection.hpp"
#include "tls/TlsFlight.hpp"

#include <optional>
#include <span>

namespace app {

analysis::TlsFlight tlsFrameFlight(std::span<const capture::TlsRecordEvent> events,
                                   zem::ByteView clearRecords);

/// A TLS frame whose records carry no RADIUS message, as the filter and the forms read
/// it: its flight is worked out once, when first asked for, then shared.
class TlsFrameRecords {
public:
    TlsFrameRecords(std::span<const capture::TlsRecordEvent> events, zem::ByteView clearRecords)
        : events_(events), clearRecords_(clearRecords) {}
    /// What each record turned out to be.
    std::span<const capture::TlsRecordEvent> events() const { return events_; }
    /// The records sent in clear, back to back.
    zem::ByteView clearRecords() const { return clearRecords_; }
    const analysis::TlsFlight& flight() const {
        if (!flight_)
            flight_ = tlsFrameFlight(events_, clearRecords_);
        return *flight_;
    }

private:
    std::span<const capture::TlsRecordEvent> events_;
    zem::ByteView clearRecords_;
    mutable std::optional<analysis::TlsFlight> flight_;
};

} // namespace app
