#include "AttributeDamage.hpp"

#include "AttributeWalk.hpp"

namespace analysis {

namespace {

// The notes the plug-in puts under a damaged attribute's node.
constexpr std::string_view invalidNote = "Invalid Length - no value(s)";
constexpr std::string_view truncatedNote = "Truncated AVP";

std::size_t countTitled(const zem::ZEMNodeProtocol& node, std::string_view title) {
    std::size_t n = node.title() == title ? 1 : 0;
    for (const auto& child : node.children())
        n += countTitled(*child, title);
    return n;
}

bool hasChildTitled(const zem::ZEMNodeProtocol& node, std::string_view title) {
    for (const auto& child : node.children())
        if (child->title() == title)
            return true;
    return false;
}

std::size_t pairIndex(std::uint8_t type, std::uint8_t length) {
    return std::size_t{type} << 8 | length;
}

} // namespace

std::optional<Damage> AttributeDamage::fromWalk(zem::ByteView message) const {
    // Octets past the Length are the plug-in's to judge: the tree counts such messages.
    if (message.loadBigEndian16(2) != message.size())
        return std::nullopt;
    Damage damage;
    bool judged = true;
    const bool whole = forEachAttribute(message, [&](const RawAttribute& attribute) {
        const auto verdict =
            verdicts_[pairIndex(attribute.type, attribute.length)].load(std::memory_order_relaxed);
        judged = judged && verdict != unknown;
        damage.invalid += verdict == invalid;
    });
    if (!whole || !judged)
        return std::nullopt;
    return damage;
}

Damage AttributeDamage::fromTree(const zem::ZEMPluginAnalyzerProtocol& analyzer,
                                 zem::ByteView message) const {
    Damage damage;
    for (const auto& root : analyzer.protocolNodes(message)) {
        damage.invalid += countTitled(*root, invalidNote);
        damage.truncated += countTitled(*root, truncatedNote);
        // Learn the verdict of each whole attribute's type and length.
        for (const auto& node : root->children()) {
            const auto location = node->headerLocation();
            if (!location || *location < 20 || hasChildTitled(*node, truncatedNote))
                continue;
            const auto type = message.at(*location), size = message.at(*location + 1U);
            if (!type || !size)
                continue;
            verdicts_[pairIndex(*type, *size)].store(
                hasChildTitled(*node, invalidNote) ? invalid : valid, std::memory_order_relaxed);
        }
    }
    return damage;
}

Damage AttributeDamage::count(const zem::ZEMPluginAnalyzerProtocol& analyzer,
                              zem::ByteView message) const {
    if (auto damage = fromWalk(message))
        return *damage;
    return fromTree(analyzer, message);
}

} // namespace analysis
