// Fuzz target for attribute decoding through the dictionaries FreeRADIUS installs (the
// built-in names where they are missing): every attribute of one message walked, typed,
// named, turned into field texts and added to a detail tree shaped like the plug-in's; and
// the NAS named by the walk that keeps no list, against the list's.
#include "dictionary/BuiltInAttributes.hpp"
#include "dictionary/DictionaryChoice.hpp"
#include "dictionary/DictionaryNodes.hpp"
#include "fields/AvpFields.hpp"
#include "wire/NasName.hpp"

#include <cstdint>

namespace {

const analysis::RadiusDictionary& dictionary() {
    static const analysis::LoadedDictionary loaded = analysis::loadDictionary(std::nullopt);
    return loaded.dictionary;
}

// A root with one node per attribute at its place, as the plug-in builds its tree; each
// with a value child showing `value` (an empty one: a value the plug-in could not show).
std::vector<std::unique_ptr<zem::ZEMNodeProtocol>> treeOf(zem::ByteView message,
                                                          const char* value = "") {
    auto root = zem::ZEMNode::nodeWithName("RADIUS-Header");
    for (std::size_t at = 20; at + 2 <= message.size();) {
        const std::uint8_t size = *message.at(at + 1);
        if (size < 2)
            break;
        auto node = zem::ZEMNode::nodeWithName("AVP");
        node->setHeaderLocation(static_cast<std::uint16_t>(at));
        node->addChild(std::make_unique<zem::ZEMNode>("Text", zem::ZEMNodeText(value)));
        root->addChild(std::move(node));
        at += size;
    }
    std::vector<std::unique_ptr<zem::ZEMNodeProtocol>> tree;
    tree.push_back(std::move(root));
    return tree;
}

bool sameTree(const zem::ZEMNodeProtocol& a, const zem::ZEMNodeProtocol& b) {
    if (a.title() != b.title() || !(a.value() == b.value()) ||
        a.children().size() != b.children().size())
        return false;
    for (std::size_t i = 0; i < a.children().size(); ++i)
        if (!sameTree(*a.children()[i], *b.children()[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    dictionary();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const zem::ByteView message(std::span<const std::uint8_t>(data, size));
    auto wire = analysis::WireMessage::parse(message);
    if (!wire)
        return 0;
    // The walk that keeps no list must name the NAS and count the damage as the kept list
    // does: the clients report reads the one, the sessions report the other.
    const auto named = analysis::nasNameOf(message);
    if (named.name != analysis::nasName(*wire) || !(named.damage == wire->damage()))
        __builtin_trap();
    const analysis::AttributeList attributes(std::move(*wire));
    const auto& names = dictionary();
    std::size_t seen = 0;
    for (const auto& avp : attributes.named(names).attributes) {
        seen += avp.value.size();
        if (auto text = analysis::avpText(avp))
            seen += text->size();
        seen += analysis::avpTypedValue(avp).index();
        seen += analysis::avpValueName(avp) != nullptr;
        if (avp.definition)
            if (auto field = analysis::avpFieldNamed(names, std::string(analysis::avpFieldPrefix) +
                                                                avp.definition->fieldName.text()))
                seen += analysis::avpFieldText(names, *field, attributes, {}).value_or("").size();
    }
    const auto tree = treeOf(message);
    analysis::addDictionaryNodes(tree, attributes, names);
    seen += tree.front()->children().size();
    // Where only Vendor-Specific nodes gain children they are walked alone, and must gain
    // what the whole message's naming gives them.
    const analysis::AttributeList unnamed(*analysis::WireMessage::parse(message));
    const auto walkedAlone = treeOf(message, "shown");
    analysis::addDictionaryNodes(walkedAlone, unnamed, names);
    const auto walkedWhole = treeOf(message, "shown");
    analysis::addDictionaryNodes(walkedWhole, attributes, names);
    if (!sameTree(*walkedAlone.front(), *walkedWhole.front()))
        __builtin_trap();
    return seen == SIZE_MAX;
}
