// TlsNode: the "TLS" node shown under "EAP" for a message whose TLS-based method carries
// a whole TLS message (or the last fragment of one, joined with the earlier ones): its
// records, handshake messages with their certificates, alerts, and how many records are
// encrypted.
#pragma once

#include "ZEMNode.hpp"
#include "tls/TlsFlight.hpp"

#include <memory>

namespace analysis {

std::unique_ptr<zem::ZEMNode> tlsNode(const TlsFlight& flight);

} // namespace analysis
