#include "ByteView.hpp"

#include "HexText.hpp"

namespace zem {

std::string ByteView::hexRepresentation(bool lowercase, int width, bool separate) const {
    std::string text;
    appendHexRepresentation(text, lowercase, width, separate);
    return text;
}

char* ByteView::writeHexRepresentation(char* out) const {
    for (auto octet : bytes_)
        out = writeHexOctet(out, octet);
    return out;
}

void ByteView::appendHexRepresentation(std::string& out, bool lowercase, int width,
                                       bool separate) const {
    if (lowercase && width <= 2 && !separate) {
        const std::size_t start = out.size();
        out.resize(start + 2 * bytes_.size());
        writeHexRepresentation(out.data() + start);
        return;
    }
    const std::string_view digits = lowercase ? lowerHexDigits : upperHexDigits;
    const std::size_t pad = width > 2 ? static_cast<std::size_t>(width) - 2 : 0;
    const std::size_t perOctet = 2 + pad + (separate ? 1 : 0);
    const std::size_t start = out.size();
    out.resize(start + bytes_.size() * perOctet - (separate && !bytes_.empty() ? 1 : 0));
    char* next = out.data() + start;
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (separate && i > 0)
            *next++ = ' ';
        for (std::size_t k = 0; k < pad; ++k)
            *next++ = '0';
        *next++ = digits[bytes_[i] >> 4];
        *next++ = digits[bytes_[i] & 0x0f];
    }
}

std::optional<ByteBuffer> parseHexBytes(std::string_view text) {
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    ByteBuffer bytes;
    int pending = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ' ' || c == ':' || c == '\t' || c == '\n' || c == '\r') {
            if (pending >= 0)
                return std::nullopt; // an octet split by a separator
            continue;
        }
        if (pending < 0 && c == '0' && i + 1 < text.size() &&
            (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            ++i;
            continue;
        }
        int n = nibble(c);
        if (n < 0)
            return std::nullopt;
        if (pending < 0) {
            pending = n;
        } else {
            bytes.push_back(static_cast<std::uint8_t>((pending << 4) | n));
            pending = -1;
        }
    }
    if (pending >= 0)
        return std::nullopt;
    return bytes;
}

} // namespace zem
