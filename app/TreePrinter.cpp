#include "TreePrinter.hpp"

#include "TerminalText.hpp"

#include <charconv>

namespace app {

void appendNodeValue(std::string& out, const zem::ZEMNodeValue& value) {
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::string>) {
                appendTerminalSafe(out, v);
            } else if constexpr (std::is_same_v<T, zem::ByteBuffer>) {
                zem::ByteView(v).appendHexRepresentation(out);
            } else if constexpr (std::is_integral_v<T>) {
                char digits[12];
                auto [end, ec] = std::to_chars(digits, digits + sizeof digits, v);
                out.append(digits, end);
            }
        },
        value);
}

void appendTree(std::string& out, const zem::ZEMNodeProtocol& node, int depth) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
    appendTerminalSafe(out, node.title());
    if (!std::holds_alternative<std::monostate>(node.value())) {
        out.append(": ");
        appendNodeValue(out, node.value());
    }
    out.push_back('\n');
    for (const auto& child : node.children())
        appendTree(out, *child, depth + 1);
}

} // namespace app
