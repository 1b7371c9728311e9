#include "TerminalText.hpp"

#include "ByteView.hpp"
#include "ZEMAnalyzingUtilities.hpp"

namespace app {

namespace {

constexpr char hexDigits[] = "0123456789abcdef";

void appendByteEscape(std::string& out, unsigned char c) {
    switch (c) {
    case '\t':
        out.append("\\t");
        return;
    case '\n':
        out.append("\\n");
        return;
    case '\r':
        out.append("\\r");
        return;
    default:
        out.append("\\x");
        out.push_back(hexDigits[c >> 4]);
        out.push_back(hexDigits[c & 0xF]);
    }
}

void appendCodePointEscape(std::string& out, char32_t cp) {
    out.append("\\u{");
    for (int shift = 12; shift >= 0; shift -= 4)
        out.push_back(hexDigits[(cp >> shift) & 0xF]);
    out.push_back('}');
}

bool isEscapedCodePoint(char32_t cp) {
    return (cp >= 0x80 && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

} // namespace

std::size_t utf8SequenceAt(std::string_view text, std::size_t i, char32_t& cp) {
    auto b = static_cast<unsigned char>(text[i]);
    std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
    if (b < 0xC2 || b > 0xF4 || text.size() - i < length)
        return 0;
    if (!zem::isValidUtf8(zem::ByteView(text.substr(i, length))))
        return 0;
    cp = b & (length == 2 ? 0x1Fu : length == 3 ? 0x0Fu : 0x07u);
    for (std::size_t k = 1; k < length; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
    return length;
}

void appendTerminalSafe(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        // Printable ASCII is by far the most common: copy whole runs of it at once.
        std::size_t run = i;
        while (run < text.size() && static_cast<unsigned char>(text[run]) >= 0x20 &&
               static_cast<unsigned char>(text[run]) < 0x7F)
            ++run;
        if (run > i) {
            out.append(text.substr(i, run - i));
            i = run;
            continue;
        }
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F)
                appendByteEscape(out, c);
            else
                out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        char32_t cp = 0;
        std::size_t length = utf8SequenceAt(text, i, cp);
        if (length == 0) {
            appendByteEscape(out, c);
            ++i;
        } else if (isEscapedCodePoint(cp)) {
            appendCodePointEscape(out, cp);
            i += length;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
}

std::string terminalSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendTerminalSafe(out, text);
    return out;
}

} // namespace app
