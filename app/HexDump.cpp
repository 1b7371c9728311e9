#include "HexDump.hpp"

#include "HexText.hpp"
#include "TextEscaping.hpp"

namespace app {

void appendHexDump(std::string& out, zem::ByteView bytes) {
    // "0000  " + 16 × "xx " + one group gap + a blank + 16 characters + line feed.
    constexpr std::size_t lineBound = 6 + 48 + 1 + 1 + 16 + 1;
    for (std::size_t offset = 0; offset < bytes.size(); offset += 16) {
        const auto line = bytes.slice(offset, 16);
        zem::appendBounded(out, lineBound, [&](char* at) {
            at = zem::writeHexDigits(at, static_cast<std::uint32_t>(offset), 4);
            at = zem::writeLiteral(at, "  ");
            for (std::size_t i = 0; i < 16; ++i) {
                if (i < line.size()) {
                    at = zem::writeHexOctet(at, line.span()[i]);
                    *at++ = ' ';
                } else {
                    at = zem::writeLiteral(at, "   ");
                }
                if (i == 7)
                    *at++ = ' ';
            }
            *at++ = ' ';
            for (auto b : line)
                *at++ = b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.';
            *at++ = '\n';
            return at;
        });
    }
}

} // namespace app
