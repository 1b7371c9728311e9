#include "eap/EapNode.hpp"

#include "eap/EapMethods.hpp"
#include "eap/EapPacket.hpp"
#include "tls/TlsNode.hpp"

namespace analysis {

namespace {

void add(zem::ZEMNode& node, std::string title, std::string value) {
    node.addChild(
        std::make_unique<zem::ZEMNode>(std::move(title), zem::ZEMNodeText(std::move(value))));
}

} // namespace

std::unique_ptr<zem::ZEMNode> eapNode(const WireMessage& wire, const TlsFlight* tls) {
    const auto packet = joinEapPacket(wire);
    if (!packet) {
        const auto note = eapSegmentsNote(wire);
        if (!note)
            return nullptr;
        auto node = zem::ZEMNode::nodeWithName("EAP");
        add(*node, "Note", *note);
        return node;
    }
    auto node = zem::ZEMNode::nodeWithName("EAP");
    const auto code = eapCodeName(packet->code);
    add(*node, "Code", namedNumber(code.value_or(std::string_view()), packet->code));
    add(*node, "Identifier", std::to_string(packet->identifier));
    add(*node, "Length", std::to_string(packet->length));
    if (packet->type) {
        add(*node, "Type", eapTypeText(*packet->type));
        addEapMethodNodes(*packet, *node);
    }
    for (const auto& note : packet->notes)
        add(*node, "Note", note);
    if (tls)
        node->addChild(tlsNode(*tls));
    return node;
}

} // namespace analysis
