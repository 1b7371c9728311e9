#include "dictionary/DictionaryNodes.hpp"

#include "dictionary/AvpText.hpp"
#include "wire/RadiusProtocol.hpp"

#include <algorithm>
#include <utility>
#include <variant>
#include <vector>

namespace analysis {

namespace {

// The plug-in names and decodes the standard types only, and leaves a value empty where
// its decoding found none (a text that is no text).
bool showsNoValue(const zem::ZEMNodeProtocol& node, std::uint8_t type) {
    if (!isStandardAttribute(type))
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
                        const AttributeList& attributes, const RadiusDictionary& dictionary) {
    const WireMessage& message = attributes.wire();
    // The plug-in's attribute nodes, by where their attribute starts, and whether each
    // gains a child; the first of any that start at one place. A sorted list, not a map: a
    // map's node per attribute was a fair share of -V's time.
    struct Placed {
        std::size_t offset;
        zem::ZEMNodeProtocol* node;
        bool gainsChild;
    };
    std::vector<Placed> attributeNodes;
    std::size_t children = 0;
    for (const auto& root : tree)
        children += root->children().size();
    attributeNodes.reserve(children);
    bool anyGainsChild = false;
    bool onlyVendorSpecific = true;
    for (const auto& root : tree)
        for (const auto& child : root->children()) {
            const auto location = child->headerLocation();
            if (!location || *location < 20)
                continue;
            const auto type = message.octets.at(*location);
            const bool vendorSpecific = type && *type == attribute::vendorSpecific;
            const bool gainsChild = type && (vendorSpecific || showsNoValue(*child, *type));
            attributeNodes.push_back({*location, child.get(), gainsChild});
            anyGainsChild = anyGainsChild || gainsChild;
            onlyVendorSpecific = onlyVendorSpecific && (vendorSpecific || !gainsChild);
        }
    // Many messages carry only attributes that the plug-in shows in full.
    if (!anyGainsChild)
        return;
    const auto byPlace = [](const Placed& a, const Placed& b) { return a.offset < b.offset; };
    // The plug-in lists attributes in wire order: they are nearly always sorted already.
    if (!std::is_sorted(attributeNodes.begin(), attributeNodes.end(), byPlace))
        std::stable_sort(attributeNodes.begin(), attributeNodes.end(), byPlace);
    const auto addNamed = [&](const DecodedAvp& avp) {
        // A TLV shows through its members; a vendor the dictionary does not know, through
        // the plug-in's own lines.
        if (!avp.definition || avp.definition->type == AvpType::tlv ||
            avp.definition->type == AvpType::vsa)
            return;
        auto found = std::lower_bound(attributeNodes.begin(), attributeNodes.end(),
                                      Placed{avp.attributeOffset, nullptr, false}, byPlace);
        if (found != attributeNodes.end() && found->offset == avp.attributeOffset &&
            found->gainsChild)
            addChild(*found->node, avp);
    };
    if (attributes.isNamed() || !onlyVendorSpecific) {
        for (const auto& avp : attributes.named(dictionary).attributes)
            addNamed(avp);
        return;
    }
    // Only Vendor-Specific nodes gain children: walking those alone spares naming every
    // attribute of the message, which costs as much as the rest of the tree.
    AvpWalker walker(dictionary);
    auto raw = message.attributes.begin();
    for (std::size_t i = 0; i < attributeNodes.size(); ++i) {
        const Placed& placed = attributeNodes[i];
        if (!placed.gainsChild || (i > 0 && attributeNodes[i - 1].offset == placed.offset))
            continue;
        raw = std::lower_bound(
            raw, message.attributes.end(), placed.offset,
            [](const Attribute& a, std::size_t offset) { return a.offset < offset; });
        if (raw != message.attributes.end() && raw->offset == placed.offset && raw->whole())
            walker.walkVendorSpecific(*raw, addNamed);
    }
}

} // namespace analysis
