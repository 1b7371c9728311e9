#include "TreePrinter.hpp"

#include "NodeValueText.hpp"
#include "TextEscaping.hpp"

#include <cstring>
#include <optional>

namespace app {

namespace {

// `writeValue` writes at most `valueBound` characters; nothing to write, no ": ".
template <typename WriteValue>
void appendLine(std::string& out, int depth, std::string_view title, std::size_t valueBound,
                bool hasValue, WriteValue writeValue) {
    const auto indent = static_cast<std::size_t>(depth) * 2;
    const std::size_t bound = indent + zem::terminalSafeBound(title.size()) + 3 + valueBound;
    zem::appendBounded(out, bound, [&](char* at) {
        std::memset(at, ' ', indent);
        at = zem::writeTerminalSafe(at + indent, title);
        if (hasValue)
            at = writeValue(zem::writeLiteral(at, ": "));
        *at++ = '\n';
        return at;
    });
}

bool isPlain(std::string_view text) {
    return zem::printableRunEnd(text, 0, false) == text.size();
}

// A line whose value, if any, is text. Nearly every title and text is printable ASCII and
// written as it is, in room of its own size: room for the worst case of escapes is four
// times the text, and the string fills all of it before it is cut back.
void appendTextLine(std::string& out, int depth, std::string_view title,
                    std::optional<std::string_view> text) {
    if (!isPlain(title) || (text && !isPlain(*text))) {
        appendLine(out, depth, title, text ? zem::terminalSafeBound(text->size()) : 0,
                   text.has_value(), [&](char* at) { return zem::writeTerminalSafe(at, *text); });
        return;
    }
    const auto indent = static_cast<std::size_t>(depth) * 2;
    const std::size_t size = indent + title.size() + (text ? 2 + text->size() : 0) + 1;
    zem::appendBounded(out, size, [&](char* at) {
        std::memset(at, ' ', indent);
        at = zem::writeLiteral(at + indent, title);
        if (text)
            at = zem::writeLiteral(zem::writeLiteral(at, ": "), *text);
        *at++ = '\n';
        return at;
    });
}

} // namespace

void appendTreeLine(std::string& out, int depth, std::string_view title,
                    const zem::ZEMNodeValue& value) {
    if (std::holds_alternative<std::monostate>(value))
        return appendTextLine(out, depth, title, std::nullopt);
    if (const auto* text = std::get_if<zem::ZEMNodeText>(&value))
        return appendTextLine(out, depth, title, text->view());
    appendLine(out, depth, title, zem::nodeValueBound(value, false), true,
               [&](char* at) { return zem::writeNodeValue(at, value, false); });
}

void appendTreeLine(std::string& out, int depth, std::string_view title, std::string_view text) {
    appendTextLine(out, depth, title, text);
}

void appendTree(std::string& out, const zem::ZEMNodeProtocol& node, int depth) {
    appendTreeLine(out, depth, node.title(), node.value());
    for (const auto& child : node.children())
        appendTree(out, *child, depth + 1);
}

void appendTreeJson(std::string& out, const zem::ZEMNodeProtocol& node) {
    // Trees make up most of a JSON document: each node's fixed keys are written as
    // literals through one cursor. A title and text value that need no escape, as nearly
    // all do, are copied in room of their own size rather than room for the worst case.
    constexpr std::size_t keysAndNumbers = 96;
    const auto title = node.title();
    const auto& value = node.value();
    const bool hasValue = !std::holds_alternative<std::monostate>(value);
    const auto* text = std::get_if<zem::ZEMNodeText>(&value);
    const auto isPlain = [](std::string_view s) {
        return zem::printableRunEnd(s, 0, true) == s.size();
    };
    const bool plain = isPlain(title) && (!text || isPlain(text->view()));
    const auto quoted = [](char* at, std::string_view s) {
        *at++ = '"';
        at = zem::writeLiteral(at, s);
        *at++ = '"';
        return at;
    };
    std::size_t bound =
        keysAndNumbers + (plain ? title.size() + 2 : zem::jsonStringBound(title.size()));
    if (hasValue)
        bound += plain && text ? text->size() + 2 : zem::nodeValueBound(value, true);
    const bool hasChildren = !node.children().empty();
    zem::appendBounded(out, bound, [&](char* at) {
        at = zem::writeLiteral(at, "{\"title\":");
        at = plain ? quoted(at, title) : zem::writeJsonString(at, title);
        if (hasValue) {
            at = zem::writeLiteral(at, ",\"value\":");
            at = plain && text ? quoted(at, text->view()) : zem::writeNodeValue(at, value, true);
        }
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
