#include "AttributeDamage.hpp"

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
    const auto length = message.loadBigEndian16(2);
    if (!length || *length != message.size() || message.size() < 20)
        return std::nullopt;
    Damage damage;
    std::size_t at = 20;
    while (at < message.size()) {
        if (at + 2 > message.size())
            return std::nullopt;
        const std::uint8_t type = *message.at(at);
        const std::uint8_t size = *message.at(at + 1);
        if (size < 2 || at + size > message.size())
            return std::nullopt;
        const auto verdict = verdicts_[pairIndex(type, size)].load(std::memory_order_relaxed);
        if (verdict == unknown)
            return std::nullopt;
        damage.invalid += verdict == invalid;
        at += size;
    }
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
