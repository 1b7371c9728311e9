// EapNode: the "EAP" node that the applications show beside the plug-in's tree for a
// message that carries EAP: the packet joined from its EAP-Message attributes, its
// header, what its method says, and any note on the segments.
#pragma once

#include "ZEMNode.hpp"
#include "wire/WireMessage.hpp"

#include <memory>

namespace analysis {

/// The node, or nothing for a message without EAP-Message attributes.
std::unique_ptr<zem::ZEMNode> eapNode(const WireMessage& wire);

} // namespace analysis
