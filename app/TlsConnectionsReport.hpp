// The text that -z radius,tls prints: a row per RADIUS/TLS or RADIUS/DTLS connection with
// what its client offered (versions, how many suites, server name, ALPN), the version and
// cipher suite chosen, what went each way (records, octets, RADIUS messages read
// out of them), how it ended, the first alert, the certificates' subjects and expiry, and
// why its records could not be read when they could not.
#pragma once

#include "TlsTransport.hpp"

#include <string>
#include <vector>

namespace app {

std::string tlsConnectionsReport(const std::vector<capture::TlsConnectionSummary>& connections,
                                 std::uint64_t leftOut);

} // namespace app
