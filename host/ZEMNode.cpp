#include "ZEMNode.hpp"

namespace zem {

void ZEMNode::addChild(std::unique_ptr<ZEMNodeProtocol> child) {
    if (!child)
        return;
    if (auto* node = dynamic_cast<ZEMNode*>(child.get()); node && node->parent_ == nullptr)
        node->parent_ = this;
    children_.push_back(std::move(child));
}

} // namespace zem
