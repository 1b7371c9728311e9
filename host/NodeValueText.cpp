#include "NodeValueText.hpp"

#include "TextEscaping.hpp"

namespace zem {

std::size_t nodeValueBound(const ZEMNodeValue& value, bool json) {
    if (const auto* text = std::get_if<ZEMNodeText>(&value))
        return json ? jsonStringBound(text->size()) : terminalSafeBound(text->size());
    if (const auto* octets = std::get_if<ByteBuffer>(&value))
        return 2 + 2 * octets->size();
    return 20;
}

std::size_t plainJsonValueBound(const ZEMNodeValue& value) {
    if (const auto* text = std::get_if<ZEMNodeText>(&value))
        return 2 + text->size();
    return nodeValueBound(value, true);
}

char* writeJsonValueIfPlain(char* out, const ZEMNodeValue& value) {
    if (const auto* text = std::get_if<ZEMNodeText>(&value))
        return text->isKnownPlain() ? writeKnownPlainJsonString(out, text->view())
                                    : writeJsonStringIfPlain(out, text->view());
    return writeNodeValue(out, value, true);
}

char* writeNodeValue(char* out, const ZEMNodeValue& value, bool json) {
    return std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, ZEMNodeText>) {
                return json ? writeJsonString(out, v.view()) : writeTerminalSafe(out, v.view());
            } else if constexpr (std::is_same_v<T, ByteBuffer>) {
                if (json)
                    *out++ = '"';
                out = ByteView(v).writeHexRepresentation(out);
                if (json)
                    *out++ = '"';
                return out;
            } else if constexpr (std::is_integral_v<T>) {
                return writeDecimal(out, v);
            } else {
                return out;
            }
        },
        value);
}

void appendNodeValue(std::string& out, const ZEMNodeValue& value) {
    appendBounded(out, nodeValueBound(value, false),
                  [&](char* at) { return writeNodeValue(at, value, false); });
}

} // namespace zem
