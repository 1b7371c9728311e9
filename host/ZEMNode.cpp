#include "ZEMNode.hpp"

namespace zem {

void ZEMNode::addChild(std::unique_ptr<ZEMNodeProtocol> child) {
    if (!child)
        return;
    child->wasAdded(this);
    // Attribute nodes get a handful of children; start with room for them.
    if (children_.capacity() == 0)
        children_.reserve(4);
    children_.push_back(std::move(child));
}

} // namespace zem
