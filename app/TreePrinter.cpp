#include "TreePrinter.hpp"

#include "NodeValueText.hpp"
#include "TextEscaping.hpp"
#include "TextRoom.hpp"

#include <algorithm>
#include <cstring>

namespace app {

namespace {

// An indent up to sixteen blanks is one store: its line's room has space for all sixteen.
constexpr std::string_view blanks = "                ";

char* writeIndent(char* at, std::size_t indent) {
    if (indent <= blanks.size())
        std::memcpy(at, blanks.data(), blanks.size());
    else
        std::memset(at, ' ', indent);
    return at + indent;
}

// A text known plain is copied without a look; any other is copied as it is looked at,
// nullptr when an octet needs an escape.
char* writeIfPlain(char* at, std::string_view text, bool knownPlain) {
    return knownPlain ? zem::writeLiteral(at, text) : zem::writeIfPrintable(at, text);
}

// One line: the indent, the title, and ": value" when there is a value. Nearly every title
// and text is printable ASCII, most of them labels known to be; a line with an octet to
// escape is written again with room for the worst case of escapes, four times the text.
template <typename Node> void writeLine(TextRoom& room, std::size_t indent, const Node& node) {
    const std::string_view title = node.title();
    const auto& value = node.value();
    const auto* text = std::get_if<zem::ZEMNodeText>(&value);
    const bool hasValue = !std::holds_alternative<std::monostate>(value);
    const std::size_t valueBound = text ? text->size() : zem::nodeValueBound(value, false);
    const std::size_t lead = std::max(indent, blanks.size());
    char* at = room.room(lead + title.size() + 2 + valueBound + 1);
    char* end = writeIfPlain(writeIndent(at, indent), title, node.hasKnownPlainTitle());
    if (end && hasValue) {
        end = zem::writeLiteral(end, ": ");
        end = text ? writeIfPlain(end, text->view(), text->isKnownPlain())
                   : zem::writeNodeValue(end, value, false);
    }
    if (!end) {
        at = room.room(lead + zem::terminalSafeBound(title.size()) + 2 +
                       (text ? zem::terminalSafeBound(text->size()) : valueBound) + 1);
        end = zem::writeTerminalSafe(writeIndent(at, indent), title);
        if (hasValue) {
            end = zem::writeLiteral(end, ": ");
            end = text ? zem::writeTerminalSafe(end, text->view())
                       : zem::writeNodeValue(end, value, false);
        }
    }
    *end++ = '\n';
    room.advance(end);
}

void writeTree(TextRoom& room, const zem::ZEMNodeProtocol& node, std::size_t indent);

template <typename Node> void writeTreeOf(TextRoom& room, const Node& node, std::size_t indent) {
    writeLine(room, indent, node);
    for (const auto& child : node.children())
        writeTree(room, *child, indent + 2);
}

void writeTree(TextRoom& room, const zem::ZEMNodeProtocol& node, std::size_t indent) {
    // Nearly every node is the host's own: through its type, the accessors of a line are
    // plain calls rather than virtual ones.
    if (const auto* own = node.asZEMNode())
        writeTreeOf(room, *own, indent);
    else
        writeTreeOf(room, node, indent);
}

} // namespace

void appendTree(std::string& out, const zem::ZEMNodeProtocol& node, int depth) {
    TextRoom room(out);
    writeTree(room, node, static_cast<std::size_t>(depth) * 2);
    room.finish();
}

namespace {

// A node's separating comma (`comma`), title, value, place and the opening of its
// children, written at `at`; `writeText` and `writeValue` answer nullptr for a text that
// needs an escape, and so does this.
template <typename Node, typename WriteText, typename WriteValue>
char* writeNodeJsonHead(char* at, const Node& node, bool comma, WriteText writeText,
                        WriteValue writeValue) {
    if (comma)
        *at++ = ',';
    at = writeText(zem::writeLiteral(at, "{\"title\":"), node.title());
    if (at && !std::holds_alternative<std::monostate>(node.value()))
        at = writeValue(zem::writeLiteral(at, ",\"value\":"), node.value());
    if (!at)
        return nullptr;
    if (auto location = node.headerLocation())
        at = zem::writeDecimal(zem::writeLiteral(at, ",\"location\":"), *location);
    if (auto length = node.headerLength())
        at = zem::writeDecimal(zem::writeLiteral(at, ",\"length\":"), *length);
    if (!node.children().empty())
        at = zem::writeLiteral(at, ",\"children\":[");
    return at;
}

template <typename Node> void writeTreeJsonOf(TextRoom& room, const Node& node, bool comma) {
    // Trees make up most of a JSON document: each node's fixed keys are written as
    // literals through one cursor. Nearly every title and value needs no escape, so room
    // is first asked for them as they are; only a node with an octet to escape is written
    // again in room for the worst case.
    constexpr std::size_t keysAndNumbers = 97; // with the comma before the node
    const bool hasValue = !std::holds_alternative<std::monostate>(node.value());
    const bool plainTitle = node.hasKnownPlainTitle();
    char* end = writeNodeJsonHead(
        room.room(keysAndNumbers + 2 + node.title().size() +
                  (hasValue ? zem::plainJsonValueBound(node.value()) : 0)),
        node, comma,
        [plainTitle](char* at, std::string_view title) {
            return plainTitle ? zem::writeKnownPlainJsonString(at, title)
                              : zem::writeJsonStringIfPlain(at, title);
        },
        zem::writeJsonValueIfPlain);
    if (!end)
        end = writeNodeJsonHead(
            room.room(keysAndNumbers + zem::jsonStringBound(node.title().size()) +
                      (hasValue ? zem::nodeValueBound(node.value(), true) : 0)),
            node, comma, zem::writeJsonString, [](char* at, const zem::ZEMNodeValue& value) {
                return zem::writeNodeValue(at, value, true);
            });
    room.advance(end);
    const auto& children = node.children();
    bool first = true;
    for (const auto& child : children) {
        writeTreeJson(room, *child, !first);
        first = false;
    }
    char* close = room.room(2);
    room.advance(zem::writeLiteral(close, children.empty() ? "}" : "]}"));
}

} // namespace

void writeTreeJson(TextRoom& room, const zem::ZEMNodeProtocol& node, bool comma) {
    // As for text lines: one virtual call for a node of the host's own.
    if (const auto* own = node.asZEMNode())
        writeTreeJsonOf(room, *own, comma);
    else
        writeTreeJsonOf(room, node, comma);
}

void appendTreeJson(std::string& out, const zem::ZEMNodeProtocol& node) {
    TextRoom room(out);
    writeTreeJson(room, node, false);
    room.finish();
}

void appendMessageTree(std::string& out, const analysis::MessageTree& tree, int depth) {
    TextRoom room(out);
    const auto indent = static_cast<std::size_t>(depth) * 2;
    for (const auto& node : tree.nodes)
        writeTree(room, *node, indent);
    for (const auto* added : {tree.eap.get(), tree.exchange.get(), tree.checks.get()})
        if (added)
            writeTree(room, *added, indent);
    room.finish();
}

} // namespace app
