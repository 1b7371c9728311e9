#include "TreePrinter.hpp"

#include "NodeValueText.hpp"
#include "TextEscaping.hpp"

#include <optional>

namespace app {

namespace {

// One line: the indent, the title, and ": value" when there is a value. A plain title
// (no escape needed) is copied in room of its own size; any other gets room for the worst
// case of escapes, four times the text. The room is made of spaces, so that the indent is
// in place already, and is cut back to what was written.
template <typename WriteValue>
void appendLine(std::string& out, int depth, std::string_view title, bool plainTitle,
                std::size_t valueBound, bool hasValue, WriteValue writeValue) {
    const auto indent = static_cast<std::size_t>(depth) * 2;
    const std::size_t start = out.size();
    out.append(indent + (plainTitle ? title.size() : zem::terminalSafeBound(title.size())) + 3 +
                   valueBound,
               ' ');
    char* at = out.data() + start + indent;
    at = plainTitle ? zem::writeLiteral(at, title) : zem::writeTerminalSafe(at, title);
    if (hasValue)
        at = writeValue(zem::writeLiteral(at, ": "));
    *at++ = '\n';
    out.resize(static_cast<std::size_t>(at - out.data()));
}

bool isPlain(std::string_view text) {
    return zem::printableRunEnd(text, 0, false) == text.size();
}

// A line whose value, if any, is text: nearly every title and text is printable ASCII.
// Such a line is copied in exact room of spaces (the indent), each octet looked at once as
// it is moved; a line with an octet to escape is taken back and written again with escapes.
void appendTextLine(std::string& out, int depth, std::string_view title,
                    std::optional<std::string_view> text) {
    const auto indent = static_cast<std::size_t>(depth) * 2;
    const std::size_t start = out.size();
    out.append(indent + title.size() + (text ? 2 + text->size() : 0) + 1, ' ');
    char* end = zem::writeIfPrintable(out.data() + start + indent, title);
    if (end && text)
        end = zem::writeIfPrintable(zem::writeLiteral(end, ": "), *text);
    if (end) {
        *end = '\n';
        return;
    }
    // The escaping writer copies printable runs as they are: no need to find out again
    // which of the two needed it.
    out.resize(start);
    appendLine(out, depth, title, false, text ? zem::terminalSafeBound(text->size()) : 0,
               text.has_value(), [&](char* at) { return zem::writeTerminalSafe(at, *text); });
}

} // namespace

void appendTreeLine(std::string& out, int depth, std::string_view title,
                    const zem::ZEMNodeValue& value) {
    if (std::holds_alternative<std::monostate>(value))
        return appendTextLine(out, depth, title, std::nullopt);
    if (const auto* text = std::get_if<zem::ZEMNodeText>(&value))
        return appendTextLine(out, depth, title, text->view());
    appendLine(out, depth, title, isPlain(title), zem::nodeValueBound(value, false), true,
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

namespace {

// A node's title, value, place and the opening of its children, written through one
// cursor in room of `bound`; `writeText` and `writeValue` answer nullptr for a text that
// needs an escape.
template <typename WriteText, typename WriteValue>
bool appendNodeJsonHead(std::string& out, const zem::ZEMNodeProtocol& node, std::size_t bound,
                        WriteText writeText, WriteValue writeValue) {
    const std::size_t start = out.size();
    out.resize(start + bound);
    char* at = writeText(zem::writeLiteral(out.data() + start, "{\"title\":"), node.title());
    if (at && !std::holds_alternative<std::monostate>(node.value()))
        at = writeValue(zem::writeLiteral(at, ",\"value\":"), node.value());
    if (!at) {
        out.resize(start);
        return false;
    }
    if (auto location = node.headerLocation())
        at = zem::writeDecimal(zem::writeLiteral(at, ",\"location\":"), *location);
    if (auto length = node.headerLength())
        at = zem::writeDecimal(zem::writeLiteral(at, ",\"length\":"), *length);
    if (!node.children().empty())
        at = zem::writeLiteral(at, ",\"children\":[");
    out.resize(static_cast<std::size_t>(at - out.data()));
    return true;
}

} // namespace

void appendTreeJson(std::string& out, const zem::ZEMNodeProtocol& node) {
    // Trees make up most of a JSON document: each node's fixed keys are written as
    // literals through one cursor. Nearly every title and value needs no escape, so room
    // is first made for them as they are; only a node with an octet to escape is written
    // again with room for the worst case, which std::string zero-fills.
    constexpr std::size_t keysAndNumbers = 96;
    const bool hasValue = !std::holds_alternative<std::monostate>(node.value());
    const bool plain =
        appendNodeJsonHead(out, node,
                           keysAndNumbers + 2 + node.title().size() +
                               (hasValue ? zem::plainJsonValueBound(node.value()) : 0),
                           zem::writeJsonStringIfPlain, zem::writeJsonValueIfPlain);
    if (!plain)
        appendNodeJsonHead(out, node,
                           keysAndNumbers + zem::jsonStringBound(node.title().size()) +
                               (hasValue ? zem::nodeValueBound(node.value(), true) : 0),
                           zem::writeJsonString, [](char* at, const zem::ZEMNodeValue& value) {
                               return zem::writeNodeValue(at, value, true);
                           });
    const bool hasChildren = !node.children().empty();
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
