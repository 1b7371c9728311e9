#include "ZEMNode.hpp"

#include "TextEscaping.hpp"

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

namespace zem {

namespace {

// Every ZEMNode has the same size (the class is final), so a freed one can serve the next.
struct FreeNode {
    FreeNode* next;
};

// Up to a few trees' worth of a thread's freed nodes; more go back to the allocator.
constexpr std::size_t keptNodesLimit = 1024;

// Plain data in the thread's static block: reaching it is one load, where a thread_local
// with a destructor costs a call on every node made or freed.
struct KeptNodes {
    FreeNode* first;
    std::size_t count;
    bool releaseArmed;
};
__attribute__((tls_model("initial-exec"))) thread_local KeptNodes keptNodes{};

// Hands a thread's kept nodes back when the thread ends; armed by the first node kept.
// A node freed after it ran (a tree held by a static object) goes to the allocator.
struct KeptNodesRelease {
    ~KeptNodesRelease() {
        while (keptNodes.first != nullptr)
            ::operator delete(std::exchange(keptNodes.first, keptNodes.first->next));
        keptNodes.count = keptNodesLimit;
    }
};
thread_local KeptNodesRelease keptNodesRelease;

} // namespace

void* ZEMNode::operator new(std::size_t size) {
    if (FreeNode* node = keptNodes.first) {
        keptNodes.first = node->next;
        --keptNodes.count;
        return node;
    }
    return ::operator new(size);
}

void ZEMNode::operator delete(void* node) {
    if (keptNodes.count >= keptNodesLimit) {
        ::operator delete(node);
        return;
    }
    if (!keptNodes.releaseArmed) {
        keptNodes.releaseArmed = true;
        // Naming the object makes this thread construct it, and so destroy it at its end.
        [[maybe_unused]] const KeptNodesRelease* release = &keptNodesRelease;
    }
    keptNodes.first = new (node) FreeNode{keptNodes.first};
    ++keptNodes.count;
}

ZEMNodeLabel::ZEMNodeLabel(std::string text)
    : text_(std::move(text)), plain_(printableRunEnd(text_, 0, true) == text_.size()) {}

void ZEMNode::addChild(std::unique_ptr<ZEMNodeProtocol> child) {
    if (!child)
        return;
    child->wasAdded(this);
    children_.add(std::move(child));
}

ZEMNodeChildList::~ZEMNodeChildList() {
    release();
}

void ZEMNodeChildList::release() {
    std::destroy_n(items_, count_);
    if (items_ != inPlace())
        ::operator delete(items_);
}

void ZEMNodeChildList::grow() {
    // A node with more children than fit in place (a header, a list) usually has many more.
    const std::uint32_t capacity = std::max(4 * inPlaceLimit, 2 * capacity_);
    auto* larger = static_cast<Child*>(::operator new(capacity * sizeof(Child)));
    std::uninitialized_move_n(items_, count_, larger);
    release();
    items_ = larger;
    capacity_ = capacity;
}

} // namespace zem
