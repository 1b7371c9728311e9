// TlsFrameFlight: what a RadSec frame's records showed, as the TLS fields read it for
// TLS inside EAP: every record as sent (encrypted ones too), the handshake messages in
// the order they completed (those decrypted with a key log too, by type), the details of
// those sent in clear (versions, suites, server name, certificates) and the alerts.
#pragma once

#include "TlsConnection.hpp"
#include "tls/TlsFlight.hpp"

#include <span>

namespace app {

analysis::TlsFlight tlsFrameFlight(std::span<const capture::TlsRecordEvent> events,
                                   zem::ByteView clearRecords);

} // namespace app
