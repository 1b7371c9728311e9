#include "TreePrinter.hpp"

#include "NodeValueText.hpp"
#include "TextEscaping.hpp"

namespace app {

void appendTree(std::string& out, const zem::ZEMNodeProtocol& node, int depth) {
    const auto indent = static_cast<std::size_t>(depth) * 2;
    const bool hasValue = !std::holds_alternative<std::monostate>(node.value());
    const std::size_t bound = indent + zem::terminalSafeBound(node.title().size()) + 3 +
                              (hasValue ? zem::nodeValueBound(node.value(), false) : 0);
    zem::appendBounded(out, bound, [&](char* at) {
        std::memset(at, ' ', indent);
        at = zem::writeTerminalSafe(at + indent, node.title());
        if (hasValue)
            at = zem::writeNodeValue(zem::writeLiteral(at, ": "), node.value(), false);
        *at++ = '\n';
        return at;
    });
    for (const auto& child : node.children())
        appendTree(out, *child, depth + 1);
}

void appendTreeJson(std::string& out, const zem::ZEMNodeProtocol& node) {
    // Trees make up most of a JSON document: each node's fixed keys are written as
    // literals through one cursor.
    constexpr std::size_t keysAndNumbers = 96;
    const bool hasValue = !std::holds_alternative<std::monostate>(node.value());
    const std::size_t bound = keysAndNumbers + zem::jsonStringBound(node.title().size()) +
                              (hasValue ? zem::nodeValueBound(node.value(), true) : 0);
    const bool hasChildren = !node.children().empty();
    zem::appendBounded(out, bound, [&](char* at) {
        at = zem::writeJsonString(zem::writeLiteral(at, "{\"title\":"), node.title());
        if (hasValue)
            at = zem::writeNodeValue(zem::writeLiteral(at, ",\"value\":"), node.value(), true);
        if (auto location = node.headerLocation())
            at = zem::writeDecimal(zem::writeLiteral(at, ",\"location\":"), *location);
        if (auto length = node.headerLength())
            at = zem::writeDecimal(zem::writeLiteral(at, ",\"length\":"), *length);
        if (hasChildren)
            at = zem::writeLiteral(at, ",\"children\":[");
        return at;
    });
    bool first = true;
    for (const auto& child : node.children()) {
        if (!first)
            out.push_back(',');
        first = false;
        appendTreeJson(out, *child);
    }
    if (hasChildren)
        out.push_back(']');
    out.push_back('}');
}

void appendMessageTree(std::string& out, const analysis::MessageTree& tree, int depth) {
    for (const auto& node : tree.nodes)
        appendTree(out, *node, depth);
    for (const auto* added : {tree.eap.get(), tree.exchange.get()})
        if (added)
            appendTree(out, *added, depth);
    if (tree.checks)
        appendTree(out, *tree.checks, depth);
}

} // namespace app
