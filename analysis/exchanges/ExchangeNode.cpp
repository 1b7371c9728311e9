#include "exchanges/ExchangeNode.hpp"

#include "TimeText.hpp"

namespace analysis {

std::string responseTimeText(double seconds) {
    return zem::fixed6Text(seconds);
}

std::unique_ptr<zem::ZEMNode> exchangeNode(const ExchangeLinks& links) {
    if (links.empty())
        return nullptr;
    auto node = zem::ZEMNode::nodeWithName("RADIUS-Exchange");
    auto add = [&](std::string title, std::optional<std::string> value) {
        node->addChild(value ? std::make_unique<zem::ZEMNode>(std::move(title),
                                                              zem::ZEMNodeText(std::move(*value)))
                             : std::make_unique<zem::ZEMNode>(std::move(title)));
    };
    if (links.responseFrame)
        add("Response in frame", std::to_string(*links.responseFrame));
    if (links.requestFrame)
        add("Request in frame", std::to_string(*links.requestFrame));
    if (links.responseTime)
        add("Time from request", responseTimeText(*links.responseTime) + " s");
    if (links.retransmissionOf) {
        std::string title = "Retransmission of frame ";
        title += std::to_string(*links.retransmissionOf);
        add(std::move(title), std::nullopt);
    }
    return node;
}

} // namespace analysis
