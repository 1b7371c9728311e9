// TextEscaping: wire texts made safe to show, in the two forms the host writes them. One
// escape loop serves both; they differ only in how an escape is spelled.
//
// What is escaped: C0 controls and DEL, C1 controls (U+0080-009F), the bidirectional
// controls (U+202A-202E, U+2066-2069) and invalid UTF-8, so that no attribute can move a
// terminal's cursor, recolour the screen or disguise the text that follows it.
//
//   terminal text  \t \n \r, other C0 and DEL \xNN; C1 and bidi \u{NNNN}; invalid \xNN
//   JSON string    as JSON requires, C1 and bidi \uNNNN too, invalid octets U+FFFD
//
//   std::string line = zem::terminalSafe(title);
//   zem::appendJsonString(json, title);
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace zem {

/// The most room that the terminal-safe form of `size` octets takes: an octet becomes at
/// most four characters (\xNN; a code point escape \u{NNNN} stands for two or more).
constexpr std::size_t terminalSafeBound(std::size_t size) {
    return 4 * size;
}
/// The most room that the JSON literal for `size` octets takes: quotes, and six
/// characters (\u0000) for an octet.
constexpr std::size_t jsonStringBound(std::size_t size) {
    return 2 + 6 * size;
}

/// Writes the terminal-safe form of `text` at `out`, which has room for
/// terminalSafeBound(text.size()) characters; answers where it ended.
char* writeTerminalSafe(char* out, std::string_view text);
/// Writes the JSON string literal for `text` at `out`, which has room for
/// jsonStringBound(text.size()) characters; answers where it ended.
char* writeJsonString(char* out, std::string_view text);

/// Writes the JSON string literal for `text` at `out` when none of its octets needs an
/// escape, in text.size() + 2 characters; nullptr otherwise (what was written at `out`
/// then means nothing).
char* writeJsonStringIfPlain(char* out, std::string_view text);

void appendTerminalSafe(std::string& out, std::string_view text);
std::string terminalSafe(std::string_view text);
void appendJsonString(std::string& out, std::string_view text);

/// Where the run of printable ASCII (0x20-0x7E) that starts at `from` ends; with
/// `stopAtJsonSpecials`, a quotation mark or backslash ends it too. Wire texts are mostly
/// such runs, so they are scanned a word at a time.
std::size_t printableRunEnd(std::string_view text, std::size_t from, bool stopAtJsonSpecials);

/// Copies `text` to `out` when all of it is printable ASCII, looking at each octet once
/// as it is moved: answers where the copy ended, or nullptr when some octet needs an
/// escape (what was written at `out` then means nothing). Room: text.size() characters.
char* writeIfPrintable(char* out, std::string_view text);

/// Copies `text` to `out`; answers where it ended.
inline char* writeLiteral(char* out, std::string_view text) {
    // Most texts written are a few to sixteen characters: those are moved inline, in two
    // moves that may overlap, rather than through a call to memcpy for each.
    const std::size_t size = text.size();
    const char* from = text.data();
    const auto moveInTwo = [&](auto word) {
        constexpr std::size_t width = sizeof word;
        decltype(word) tail;
        std::memcpy(&word, from, width);
        std::memcpy(&tail, from + size - width, width);
        std::memcpy(out, &word, width);
        std::memcpy(out + size - width, &tail, width);
    };
    if (size > 16)
        std::memcpy(out, from, size);
    else if (size >= 8)
        moveInTwo(std::uint64_t{});
    else if (size >= 4)
        moveInTwo(std::uint32_t{});
    else if (size > 0) {
        out[0] = from[0];
        out[size / 2] = from[size / 2];
        out[size - 1] = from[size - 1];
    }
    return out + size;
}

/// The JSON string literal of a text known to need no escape (a plain ZEMNodeLabel's),
/// written without a look at its octets.
inline char* writeKnownPlainJsonString(char* out, std::string_view text) {
    *out++ = '"';
    out = writeLiteral(out, text);
    *out++ = '"';
    return out;
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

} // namespace zem
