#include "TreePrinter.hpp"

#include "TextEscaping.hpp"

#include <charconv>

namespace app {

namespace {

char* writeNumber(char* out, std::uint64_t value) {
    return std::to_chars(out, out + 20, value).ptr;
}

// The most room a value takes: as terminal text, or as a JSON literal.
std::size_t valueBound(const zem::ZEMNodeValue& value, bool json) {
    if (const auto* text = std::get_if<zem::ZEMNodeText>(&value))
        return json ? zem::jsonStringBound(text->size()) : zem::terminalSafeBound(text->size());
    if (const auto* octets = std::get_if<zem::ByteBuffer>(&value))
        return 2 + 2 * octets->size();
    return 20;
}

char* writeValue(char* out, const zem::ZEMNodeValue& value, bool json) {
    return std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, zem::ZEMNodeText>) {
                return json ? zem::writeJsonString(out, v.view())
                            : zem::writeTerminalSafe(out, v.view());
            } else if constexpr (std::is_same_v<T, zem::ByteBuffer>) {
                if (json)
                    *out++ = '"';
                out = zem::ByteView(v).writeHexRepresentation(out);
                if (json)
                    *out++ = '"';
                return out;
            } else if constexpr (std::is_integral_v<T>) {
                return writeNumber(out, v);
            } else {
                return out;
            }
        },
        value);
}

} // namespace

void appendNodeValue(std::string& out, const zem::ZEMNodeValue& value) {
    zem::appendBounded(out, valueBound(value, false),
                       [&](char* at) { return writeValue(at, value, false); });
}

void appendTree(std::string& out, const zem::ZEMNodeProtocol& node, int depth) {
    const auto indent = static_cast<std::size_t>(depth) * 2;
    const bool hasValue = !std::holds_alternative<std::monostate>(node.value());
    const std::size_t bound = indent + zem::terminalSafeBound(node.title().size()) + 3 +
                              (hasValue ? valueBound(node.value(), false) : 0);
    zem::appendBounded(out, bound, [&](char* at) {
        std::memset(at, ' ', indent);
        at = zem::writeTerminalSafe(at + indent, node.title());
        if (hasValue)
            at = writeValue(zem::writeLiteral(at, ": "), node.value(), false);
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
                              (hasValue ? valueBound(node.value(), true) : 0);
    const bool hasChildren = !node.children().empty();
    zem::appendBounded(out, bound, [&](char* at) {
        at = zem::writeJsonString(zem::writeLiteral(at, "{\"title\":"), node.title());
        if (hasValue)
            at = writeValue(zem::writeLiteral(at, ",\"value\":"), node.value(), true);
        if (auto location = node.headerLocation())
            at = writeNumber(zem::writeLiteral(at, ",\"location\":"), *location);
        if (auto length = node.headerLength())
            at = writeNumber(zem::writeLiteral(at, ",\"length\":"), *length);
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

} // namespace app
