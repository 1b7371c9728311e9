// DictionaryNodes: what the dictionary adds to the plug-in's detail tree, without
// changing a line of it: each Vendor-Specific node gains a child per vendor attribute it
// carries ("Cisco-AVPair: shell:priv-lvl=15"), and an attribute node whose value the
// plug-in cannot show (octets that are no text, a type it does not name) gains a child
// with the value as the dictionary types it.
#pragma once

#include "ZEMNode.hpp"
#include "dictionary/AvpWalker.hpp"

#include <functional>
#include <memory>
#include <vector>

namespace analysis {

/// `named` answers the message's attributes as the dictionary names them; it is asked
/// only when some node gains a child, since naming them all costs as much as the rest.
void addDictionaryNodes(const std::vector<std::unique_ptr<zem::ZEMNodeProtocol>>& tree,
                        const WireMessage& message,
                        const std::function<const NamedAttributes&()>& named);

} // namespace analysis
