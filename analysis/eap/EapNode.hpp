// EapNode: the "EAP" node that the applications show beside the plug-in's tree for a
// message that carries EAP: the packet joined from its EAP-Message attributes, its
// header, what its method says, any note on the segments, and the "TLS" node for the
// TLS records a TLS-based method carries.
#pragma once

#include "ZEMNode.hpp"
#include "tls/TlsFlight.hpp"
#include "wire/WireMessage.hpp"

#include <memory>

namespace analysis {

/// The node, or nothing for a message without EAP-Message attributes.
/// `tls`, when given, goes under it.
std::unique_ptr<zem::ZEMNode> eapNode(const WireMessage& wire, const TlsFlight* tls = nullptr);

} // namespace analysis
