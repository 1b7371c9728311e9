// MessageTree: what a detail view shows of a decoded message, the same in every front
// end: the plug-in's tree, with the children the dictionary adds, then the EAP, exchange
// and checks nodes when there is something to show.
#pragma once

#include "ZEMNode.hpp"
#include "checks/ChecksNode.hpp"
#include "dictionary/RadiusDictionary.hpp"
#include "message/DecodedMessage.hpp"

#include <memory>
#include <vector>

namespace analysis {

struct MessageTree {
    std::vector<std::unique_ptr<zem::ZEMNodeProtocol>> nodes; // the plug-in's
    std::unique_ptr<zem::ZEMNode> eap;                        // nullptr: no EAP
    std::unique_ptr<zem::ZEMNode> exchange;                   // nullptr: no links
    std::unique_ptr<zem::ZEMNode> checks;                     // nullptr: none
};

/// `dictionary` nullptr adds no children; `checks` nullptr shows no checks node.
MessageTree messageTree(const DecodedMessage& message, const RadiusDictionary* dictionary,
                        const CheckDisplay* checks);

} // namespace analysis
