// DictionaryNodes: what the dictionary adds to the plug-in's detail tree, without
// changing a line of it: each Vendor-Specific node gains a child per vendor attribute it
// carries ("Cisco-AVPair: shell:priv-lvl=15"), and an attribute node whose value the
// plug-in cannot show (octets that are no text, a type it does not name) gains a child
// with the value as the dictionary types it.
#pragma once

#include "ZEMNode.hpp"
#include "dictionary/AttributeList.hpp"

#include <memory>
#include <vector>

namespace analysis {

/// Asks `attributes` for their naming by `dictionary` only when some node other than a
/// Vendor-Specific gains a child and the naming is not worked out yet: naming them all
/// costs as much as the rest of the tree, and a Vendor-Specific's own walk little.
void addDictionaryNodes(const std::vector<std::unique_ptr<zem::ZEMNodeProtocol>>& tree,
                        const AttributeList& attributes, const RadiusDictionary& dictionary);

} // namespace analysis
