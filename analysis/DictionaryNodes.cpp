#include "DictionaryNodes.hpp"

#include "AvpText.hpp"

#include <map>
#include <variant>

namespace analysis {

namespace {

bool showsNoValue(const zem::ZEMNodeProtocol& node) {
    if (node.title().find("Unknown") != std::string_view::npos)
        return true;
    for (const auto& child : node.children())
        if (const auto* text = std::get_if<zem::ZEMNodeText>(&child->value());
            text && text->size() == 0)
            return true;
    return false;
}

std::string nodeText(const DecodedAvp& avp) {
    auto text = avpText(avp);
    if (!text)
        return "(invalid for " + std::string(avpTypeName(avp.definition->type)) + ")";
    if (const auto* name = avpValueName(avp))
        return *name + " (" + *text + ")";
    return *text;
}

void addChild(zem::ZEMNodeProtocol& node, const DecodedAvp& avp) {
    node.addChild(
        std::make_unique<zem::ZEMNode>(avp.definition->name, zem::ZEMNodeText(nodeText(avp))));
}

} // namespace

void addDictionaryNodes(const std::vector<std::unique_ptr<zem::ZEMNodeProtocol>>& tree,
                        const RadiusDictionary& dictionary, zem::ByteView message) {
    // The plug-in's attribute nodes, by where their attribute starts.
    std::map<std::size_t, zem::ZEMNodeProtocol*> attributeNodes;
    for (const auto& root : tree)
        for (const auto& child : root->children())
            if (auto location = child->headerLocation(); location && *location >= 20)
                attributeNodes.emplace(*location, child.get());
    if (attributeNodes.empty())
        return;
    AvpWalker(dictionary).walk(message, [&](const DecodedAvp& avp) {
        // A TLV shows through its members; a vendor the dictionary does not know, through
        // the plug-in's own lines.
        if (!avp.definition || avp.definition->type == AvpType::tlv ||
            avp.definition->type == AvpType::vsa)
            return;
        auto found = attributeNodes.find(avp.attributeOffset);
        if (found == attributeNodes.end())
            return;
        auto& node = *found->second;
        const bool insideVendorSpecific = *message.at(avp.attributeOffset) == 26;
        if (insideVendorSpecific || showsNoValue(node))
            addChild(node, avp);
    });
}

} // namespace analysis
