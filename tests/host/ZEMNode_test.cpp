#include "ZEMNode.hpp"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using zem::ZEMNode;

// A tree the size of an attribute's: a parent, its type, length and value nodes.
std::unique_ptr<ZEMNode> attributeTree(std::uint32_t value) {
    auto parent = ZEMNode::nodeWithName("AVP 5 - NAS-Port");
    parent->setHeaderLocation(20);
    parent->addChild(ZEMNode::nodeWithName("Attribute", zem::ZEMNodeText("NAS-Port (5)")));
    parent->addChild(ZEMNode::nodeWithName("Length", zem::ZEMNodeText("6 bytes")));
    parent->addChild(ZEMNode::nodeWithName("Port", value));
    return parent;
}

// Threads keep the nodes they free for their next trees. A node made again from kept
// storage must start as new, and a tree may be dropped on another thread than the one that
// made it; the ones a thread keeps are handed back when it ends (the sanitizer build checks
// that no node is lost).
TEST(ZEMNode, NodesMadeFromFreedOnesStartAsNew) {
    for (int round = 0; round < 3; ++round) {
        auto tree = attributeTree(7);
        tree.reset();
        auto bare = ZEMNode::nodeWithName("Truncated AVP");
        EXPECT_EQ(bare->title(), "Truncated AVP");
        EXPECT_TRUE(std::holds_alternative<std::monostate>(bare->value()));
        EXPECT_TRUE(bare->children().empty());
        EXPECT_FALSE(bare->headerLocation().has_value());
        EXPECT_EQ(bare->parent(), nullptr);
    }
}

// The first few children live in the node itself and the rest move out with them: on
// either side of that move, and across later growth, children keep their order, learn
// their parent, and are all freed with the node (the sanitizer build checks the last).
TEST(ZEMNode, ChildrenKeepTheirOrderAsTheListGrows) {
    for (const std::uint32_t count : {0u, 1u, 3u, 4u, 12u, 13u, 100u}) {
        SCOPED_TRACE(count);
        auto parent = ZEMNode::nodeWithName("RADIUS-Header");
        for (std::uint32_t i = 0; i < count; ++i)
            parent->addChild(ZEMNode::nodeWithName("AVP", i));
        parent->addChild(nullptr); // ignored
        const auto children = parent->children();
        ASSERT_EQ(children.size(), count);
        for (std::uint32_t i = 0; i < count; ++i) {
            EXPECT_EQ(std::get<std::uint32_t>(children[i]->value()), i);
            EXPECT_EQ(static_cast<const ZEMNode&>(*children[i]).parent(), parent.get());
        }
    }
}

TEST(ZEMNode, TreesMadeOnOneThreadAndDroppedOnOthers) {
    std::vector<std::unique_ptr<ZEMNode>> made;
    std::thread maker([&] {
        for (std::uint32_t i = 0; i < 3000; ++i)
            made.push_back(attributeTree(i));
    });
    maker.join();
    std::vector<std::thread> droppers;
    for (std::size_t part = 0; part < 3; ++part)
        droppers.emplace_back([&, part] {
            for (std::size_t i = part; i < made.size(); i += 3) {
                ASSERT_EQ(std::get<std::uint32_t>(made[i]->children()[2]->value()), i);
                made[i].reset();
                auto again = attributeTree(1); // from the nodes this thread keeps
                ASSERT_EQ(again->children().size(), 3u);
            }
        });
    for (auto& dropper : droppers)
        dropper.join();
}

} // namespace
