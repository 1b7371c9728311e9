#include "TextEscaping.hpp"

#include "HexText.hpp"
#include "ZEMAnalyzingUtilities.hpp"

#include <bit>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zem {

namespace {

// Byte-parallel tests on eight octets at once. Each sets the high bit of qualifying
// octets; a borrow or carry can also set it in octets above a qualifying one, never
// below, so the lowest bit set across all tests marks the first octet that ends a run.
constexpr std::uint64_t eachOctet = 0x0101010101010101ULL;
constexpr std::uint64_t highBits = 0x8080808080808080ULL;
// Three octets repeated across a word (the top two places take the first two again).
constexpr std::uint64_t eachOctetOfThree = 0x0001000001000001ULL;
constexpr std::uint64_t below(std::uint64_t word, std::uint8_t bound) {
    return (word - eachOctet * bound) & ~word & highBits;
}
constexpr std::uint64_t atLeast7F(std::uint64_t word) {
    return ((word + eachOctet) | word) & highBits;
}
constexpr std::uint64_t equal(std::uint64_t word, std::uint8_t octet) {
    return below(word ^ (eachOctet * octet), 1);
}
constexpr std::uint64_t runStops(std::uint64_t word, bool stopAtJsonSpecials) {
    std::uint64_t stops = below(word, 0x20) | atLeast7F(word);
    if (stopAtJsonSpecials)
        stops |= equal(word, '"') | equal(word, '\\');
    return stops;
}

bool endsRun(unsigned char c, bool stopAtJsonSpecials) {
    return c < 0x20 || c >= 0x7F || (stopAtJsonSpecials && (c == '"' || c == '\\'));
}

// The first octet (in memory order) whose high bit is set in `stops`.
std::size_t firstStop(std::uint64_t stops) {
    if constexpr (std::endian::native == std::endian::little)
        return static_cast<std::size_t>(std::countr_zero(stops)) / 8;
    else
        return static_cast<std::size_t>(std::countl_zero(stops)) / 8;
}

#if defined(__SSE2__)
// Sixteen octets tested at once, a bit for each that ends a run. A signed comparison
// below 0x20 takes the C0 controls and every octet from 0x80 alike; DEL and the JSON
// specials are found by equality.
int runStops16(__m128i octets, bool stopAtJsonSpecials) {
    __m128i stops = _mm_or_si128(_mm_cmplt_epi8(octets, _mm_set1_epi8(0x20)),
                                 _mm_cmpeq_epi8(octets, _mm_set1_epi8(0x7F)));
    if (stopAtJsonSpecials)
        stops = _mm_or_si128(stops, _mm_or_si128(_mm_cmpeq_epi8(octets, _mm_set1_epi8('"')),
                                                 _mm_cmpeq_epi8(octets, _mm_set1_epi8('\\'))));
    return _mm_movemask_epi8(stops);
}
__m128i load16(const char* from) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
}
#endif

// Kept here, not only behind the exported name, so that the escape loop below inlines it.
inline std::size_t runEnd(std::string_view text, std::size_t from, bool stopAtJsonSpecials) {
    std::size_t i = from;
#if defined(__SSE2__)
    for (; text.size() - i >= 16; i += 16)
        if (const int stops = runStops16(load16(text.data() + i), stopAtJsonSpecials))
            return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(stops)));
#endif
    for (; text.size() - i >= 8; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        if (auto stops = runStops(word, stopAtJsonSpecials))
            return i + firstStop(stops);
    }
    const std::size_t rest = text.size() - i;
    if (rest == 0)
        return i;
    if constexpr (std::endian::native == std::endian::little) {
        if (text.size() >= 8) {
            // The last eight octets, shifted down past those already looked at, with a
            // letter that stops nothing filling the top. (Assembling a word octet by
            // octet in memory would stall the load that follows.)
            std::uint64_t word;
            std::memcpy(&word, text.data() + text.size() - 8, sizeof word);
            const auto seen = static_cast<unsigned>(8 * (8 - rest));
            word = (word >> seen) | ((eachOctet * 'a') << (64 - seen));
            if (auto stops = runStops(word, stopAtJsonSpecials))
                return i + firstStop(stops);
            return text.size();
        }
    }
    while (i < text.size() && !endsRun(static_cast<unsigned char>(text[i]), stopAtJsonSpecials))
        ++i;
    return i;
}

// The length of the valid UTF-8 sequence of two or more octets at `i`, with its code
// point in `cp`; 0 for ASCII, a cut or invalid sequence.
inline std::size_t sequenceAt(std::string_view text, std::size_t i, char32_t& cp) {
    auto b = static_cast<unsigned char>(text[i]);
    std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
    if (b < 0xC2 || b > 0xF4 || text.size() - i < length)
        return 0;
    if (!isValidUtf8(ByteView(text.substr(i, length))))
        return 0;
    cp = b & (length == 2 ? 0x1Fu : length == 3 ? 0x0Fu : 0x07u);
    for (std::size_t k = 1; k < length; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
    return length;
}

// Valid code points that are escaped all the same: C1 controls and bidirectional controls.
bool isEscapedCodePoint(char32_t cp) {
    return (cp >= 0x80 && cp <= 0x9F) || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069);
}

// The escapes that both spellings share; empty for any other octet.
std::string_view shortEscape(unsigned char c) {
    switch (c) {
    case '\t':
        return "\\t";
    case '\n':
        return "\\n";
    case '\r':
        return "\\r";
    default:
        return {};
    }
}

struct TerminalSpelling {
    static constexpr bool stopsAtJsonSpecials = false;
    static char* octet(char* out, unsigned char c) {
        *out++ = '\\';
        *out++ = 'x';
        return writeHexOctet(out, c);
    }
    static char* ascii(char* out, unsigned char c) {
        const auto escape = shortEscape(c);
        return escape.empty() ? octet(out, c) : writeLiteral(out, escape);
    }
    static char* invalid(char* out, unsigned char c) { return octet(out, c); }
    static char* codePoint(char* out, char32_t cp) {
        out = writeHexDigits(writeLiteral(out, "\\u{"), cp, 4);
        *out++ = '}';
        return out;
    }
};

struct JsonSpelling {
    static constexpr bool stopsAtJsonSpecials = true;
    static char* codePoint(char* out, char32_t cp) {
        return writeHexDigits(writeLiteral(out, "\\u"), cp, 4);
    }
    static char* ascii(char* out, unsigned char c) {
        if (c == '"' || c == '\\') {
            *out++ = '\\';
            *out++ = static_cast<char>(c);
            return out;
        }
        const auto escape = shortEscape(c);
        return escape.empty() ? codePoint(out, c) : writeLiteral(out, escape);
    }
    static char* invalid(char* out, unsigned char) { return codePoint(out, 0xFFFD); }
};

template <typename Spelling> char* writeEscaped(char* out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        // Printable ASCII is by far the most common: copy whole runs of it at once.
        const std::size_t run = runEnd(text, i, Spelling::stopsAtJsonSpecials);
        out = writeLiteral(out, text.substr(i, run - i));
        i = run;
        if (i >= text.size())
            break;
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out = Spelling::ascii(out, c);
            ++i;
            continue;
        }
        char32_t cp = 0;
        const std::size_t length = sequenceAt(text, i, cp);
        if (length == 0) {
            out = Spelling::invalid(out, c);
            ++i;
        } else if (isEscapedCodePoint(cp)) {
            out = Spelling::codePoint(out, cp);
            i += length;
        } else {
            out = writeLiteral(out, text.substr(i, length));
            i += length;
        }
    }
    return out;
}

// Copies `text` while it is looked at, sixteen octets or a word at a time: only whether
// any octet ends a run matters here, so the last piece may overlap the one before it.
template <bool stopAtJsonSpecials> char* copyIfPlain(char* out, std::string_view text) {
    const std::size_t size = text.size();
    const char* from = text.data();
    if (size < 8) {
        // Keys and short values: the octets gathered into one word (those of a text under
        // four octets taken more than once) and tested together, not one by one.
        std::uint64_t word;
        if (size >= 4) {
            std::uint32_t head, tail;
            std::memcpy(&head, from, sizeof head);
            std::memcpy(&tail, from + size - 4, sizeof tail);
            std::memcpy(out, &head, sizeof head);
            std::memcpy(out + size - 4, &tail, sizeof tail);
            word = head | std::uint64_t{tail} << 32;
        } else if (size > 0) {
            const auto octet = [&](std::size_t i) {
                return std::uint64_t{static_cast<unsigned char>(from[i])};
            };
            out[0] = from[0];
            out[size / 2] = from[size / 2];
            out[size - 1] = from[size - 1];
            word = (octet(0) | octet(size / 2) << 8 | octet(size - 1) << 16) * eachOctetOfThree;
        } else {
            return out;
        }
        return runStops(word, stopAtJsonSpecials) == 0 ? out + size : nullptr;
    }
#if defined(__SSE2__)
    if (size >= 16) {
        int stops = 0;
        const auto move = [&](std::size_t at) {
            const __m128i octets = load16(from + at);
            stops |= runStops16(octets, stopAtJsonSpecials);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + at), octets);
        };
        for (std::size_t at = 0; at + 16 <= size; at += 16)
            move(at);
        if (size % 16 != 0)
            move(size - 16);
        return stops == 0 ? out + size : nullptr;
    }
#endif
    std::uint64_t stops = 0;
    const auto move = [&](std::size_t at) {
        std::uint64_t word;
        std::memcpy(&word, from + at, sizeof word);
        stops |= runStops(word, stopAtJsonSpecials);
        std::memcpy(out + at, &word, sizeof word);
    };
    for (std::size_t at = 0; at + 8 <= size; at += 8)
        move(at);
    if (size % 8 != 0)
        move(size - 8);
    return stops == 0 ? out + size : nullptr;
}

// A JSON literal whose text is known to need an escape: the plain copy is not tried again.
char* writeEscapedJsonString(char* out, std::string_view text) {
    *out++ = '"';
    out = writeEscaped<JsonSpelling>(out, text);
    *out++ = '"';
    return out;
}

} // namespace

std::size_t printableRunEnd(std::string_view text, std::size_t from, bool stopAtJsonSpecials) {
    return runEnd(text, from, stopAtJsonSpecials);
}

char* writeIfPrintable(char* out, std::string_view text) {
    return copyIfPlain<false>(out, text);
}

char* writeTerminalSafe(char* out, std::string_view text) {
    return writeEscaped<TerminalSpelling>(out, text);
}

char* writeJsonStringIfPlain(char* out, std::string_view text) {
    *out = '"';
    char* end = copyIfPlain<true>(out + 1, text);
    if (!end)
        return nullptr;
    *end = '"';
    return end + 1;
}

char* writeJsonString(char* out, std::string_view text) {
    // Nearly every key, title and value is plain: copied in one pass, not scanned first.
    if (char* end = writeJsonStringIfPlain(out, text))
        return end;
    return writeEscapedJsonString(out, text);
}

void appendTerminalSafe(std::string& out, std::string_view text) {
    // Most texts need no escape: those are copied as they are, without room made for the
    // worst case first.
    if (runEnd(text, 0, false) == text.size()) {
        out.append(text);
        return;
    }
    appendBounded(out, terminalSafeBound(text.size()),
                  [&](char* at) { return writeTerminalSafe(at, text); });
}

std::string terminalSafe(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendTerminalSafe(out, text);
    return out;
}

void appendJsonString(std::string& out, std::string_view text) {
    // Keys and most values need no escape: those are copied as they are looked at, in
    // room of their own size; any other is written again with room for its escapes.
    const std::size_t at = out.size();
    out.resize(at + text.size() + 2);
    if (writeJsonStringIfPlain(out.data() + at, text))
        return;
    out.resize(at);
    appendBounded(out, jsonStringBound(text.size()),
                  [&](char* room) { return writeEscapedJsonString(room, text); });
}

} // namespace zem
