// TlsJson: the TLS records a message's EAP method carries, as the JSON forms show them
// inside its "eap" object: records, handshake messages, certificates, alerts and notes.
#pragma once

#include "JsonWriter.hpp"
#include "tls/TlsFlight.hpp"

namespace app {

void appendTls(JsonWriter& json, const analysis::TlsFlight& flight);

} // namespace app
