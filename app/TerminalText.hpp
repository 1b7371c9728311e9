// Making wire text safe for a terminal: control characters (C0, DEL, C1), bidirectional
// controls (U+202A-202E, U+2066-2069) and invalid UTF-8 are escaped, so no attribute can
// move the cursor, recolour the screen or disguise what follows it.
//   C0 and DEL     \xNN  (and \t \n \r for the usual three)
//   C1 and bidi    \u{NNNN}
//   invalid octets \xNN
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace app {

void appendTerminalSafe(std::string& out, std::string_view text);
/// The most room that the terminal-safe form of `size` octets takes: an octet becomes at
/// most four characters (\xNN; a code point escape \u{NNNN} stands for two or more).
constexpr std::size_t terminalSafeBound(std::size_t size) {
    return 4 * size;
}
/// Writes the terminal-safe form of `text` at `out`, which has room for
/// terminalSafeBound(text.size()) characters; answers where it ended.
char* writeTerminalSafe(char* out, std::string_view text);

/// Copies `text` to `out`; answers where it ended.
inline char* writeLiteral(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

/// Grows `out` by `bound` characters, lets `write` fill them from the old end and keeps
/// what it wrote. Writers that know their most room write through a plain cursor, which
/// is far cheaper than appending piece by piece.
template <typename Write> void appendBounded(std::string& out, std::size_t bound, Write write) {
    const std::size_t at = out.size();
    out.resize(at + bound);
    char* end = write(out.data() + at);
    out.resize(static_cast<std::size_t>(end - out.data()));
}
/// Where the run of printable ASCII (0x20-0x7E) that starts at `from` ends; with
/// `stopAtJsonSpecials`, a quotation mark or backslash ends it too. Wire texts are mostly
/// such runs, so they are scanned a word at a time.
std::size_t printableRunEnd(std::string_view text, std::size_t from, bool stopAtJsonSpecials);
/// The length of the valid UTF-8 sequence of two or more octets at `i`, with its code
/// point in `codePoint`; 0 for ASCII, a cut or invalid sequence.
std::size_t utf8SequenceAt(std::string_view text, std::size_t i, char32_t& codePoint);
std::string terminalSafe(std::string_view text);

} // namespace app
