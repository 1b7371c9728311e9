#include "exchanges/ExchangeNode.hpp"

#include "TimeText.hpp"

namespace analysis {

std::string responseTimeText(double seconds) {
    return zem::fixed6Text(seconds);
}

namespace {

// Titles shared by every message's node: referred to, not copied for each (three of them
// are past the length a string holds without an allocation).
struct ExchangeLabels {
    zem::ZEMNodeLabel node{"RADIUS-Exchange"};
    zem::ZEMNodeLabel responseFrame{"Response in frame"};
    zem::ZEMNodeLabel requestFrame{"Request in frame"};
    zem::ZEMNodeLabel responseTime{"Time from request"};
};

const ExchangeLabels& labels() {
    static const ExchangeLabels all;
    return all;
}

zem::ZEMNodeText lasting(const zem::ZEMNodeLabel& label) {
    return zem::ZEMNodeText::lasting(label);
}

} // namespace

std::unique_ptr<zem::ZEMNode> exchangeNode(const ExchangeLinks& links) {
    if (links.empty())
        return nullptr;
    const ExchangeLabels& l = labels();
    auto node = zem::ZEMNode::nodeWithName(lasting(l.node));
    auto add = [&](const zem::ZEMNodeLabel& title, std::string value) {
        node->addChild(
            zem::ZEMNode::nodeWithName(lasting(title), zem::ZEMNodeText(std::move(value))));
    };
    if (links.responseFrame)
        add(l.responseFrame, std::to_string(*links.responseFrame));
    if (links.requestFrame)
        add(l.requestFrame, std::to_string(*links.requestFrame));
    if (links.responseTime)
        add(l.responseTime, responseTimeText(*links.responseTime) + " s");
    if (links.retransmissionOf) {
        std::string title = "Retransmission of frame ";
        title += std::to_string(*links.retransmissionOf);
        node->addChild(zem::ZEMNode::nodeWithName(std::move(title)));
    }
    return node;
}

} // namespace analysis
