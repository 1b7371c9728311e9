#include "TextEscaping.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <optional>

TEST(TextEscaping, TerminalTextCannotDriveOrDisguiseATerminal) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"plain text", "plain text"},
        {"caf\u00e9 \U0001F600", "caf\u00e9 \U0001F600"},
        {"\x1b[31mred", "\\x1b[31mred"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"tab\tnew\nline\r", "tab\\tnew\\nline\\r"},
        {"\x7f", "\\x7f"},
        {"\xc2\x9b"
         "2J",
         "\\u{009b}2J"},                     // C1 control sequence introducer
        {"abc\u202efed", "abc\\u{202e}fed"}, // right-to-left override
        {"\u2066x\u2069", "\\u{2066}x\\u{2069}"},
        {"\xff\xfe", "\\xff\\xfe"},          // invalid UTF-8
        {"\xe2\x80", "\\xe2\\x80"},          // cut sequence
        {"\xed\xa0\x80", "\\xed\\xa0\\x80"}, // surrogate
    };
    for (const auto& c : cases)
        EXPECT_EQ(zem::terminalSafe(c.in), c.out) << c.out;
}

TEST(TextEscaping, JsonForParsersAndEyes) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"plain", "\"plain\""},
        {"q\"b\\", "\"q\\\"b\\\\\""},
        {"\n\t\x01", "\"\\n\\t\\u0001\""},
        {"a\x7f\xc2\x85", "\"a\\u007f\\u0085\""},
        {"\u202e\u2069\u20ac", "\"\\u202e\\u2069\u20ac\""},
        {"\xff\xc3", "\"\\ufffd\\ufffd\""},
        {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""},
    };
    for (const auto& c : cases) {
        std::string out;
        zem::appendJsonString(out, c.in);
        EXPECT_EQ(out, c.out);
        EXPECT_TRUE(nlohmann::json::accept(out)) << out;
    }
}

// Runs are scanned eight octets at a time: a stop must be found at every position of a
// word, and octets next to the stop values must not stop a run.
TEST(TextEscaping, PrintableRunsEndAtTheFirstStopInAnyPosition) {
    struct Case {
        char octet;
        bool stopsText, stopsJson;
    } cases[] = {
        {'\x00', true, true}, {'\x1f', true, true}, {'\x7f', true, true}, {'\x80', true, true},
        {'\xff', true, true}, {'"', false, true},   {'\\', false, true},  {' ', false, false},
        {'~', false, false},  {'!', false, false},  {'[', false, false},  {'#', false, false},
    };
    for (const auto& c : cases) {
        for (std::size_t at = 0; at < 24; ++at) {
            std::string text(24, 'a');
            text[at] = c.octet;
            EXPECT_EQ(zem::printableRunEnd(text, 0, false), c.stopsText ? at : 24)
                << int(c.octet) << " at " << at;
            EXPECT_EQ(zem::printableRunEnd(text, 0, true), c.stopsJson ? at : 24)
                << int(c.octet) << " at " << at;
            if (at > 3) {
                EXPECT_EQ(zem::printableRunEnd(text, 3, true), c.stopsJson ? at : 24);
            }
        }
    }
}

// Short texts are moved inline in two moves that may overlap: every length around the
// edges between the ways, each written between guards that must stay untouched.
TEST(TextEscaping, LiteralsOfEveryLengthAreCopiedExactly) {
    const std::string source = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
    for (std::size_t size = 0; size <= 40; ++size) {
        SCOPED_TRACE(size);
        std::string buffer(size + 16, '#');
        char* end = zem::writeLiteral(buffer.data() + 8, std::string_view(source).substr(1, size));
        EXPECT_EQ(end, buffer.data() + 8 + size);
        EXPECT_EQ(buffer, std::string(8, '#') + source.substr(1, size) + std::string(8, '#'));
    }
}

// Printable texts are copied while they are checked, a word at a time with the last word
// overlapping: every length, with one octet to escape at every place or none, between
// guards. A text with such an octet is refused and must come out escaped all the same.
TEST(TextEscaping, PrintableTextsOfEveryLengthAreCopiedOrRefusedWhole) {
    const std::string source = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN";
    // The edges of what is printable (space, tilde) stop nothing.
    const auto stopsTextAt = [](unsigned char c) { return c < 0x20 || c >= 0x7f; };
    for (const std::optional<char> octet :
         {std::optional<char>(), std::optional('\x00'), std::optional('\x1f'),
          std::optional('\x7f'), std::optional('\x80'), std::optional('\xff'), std::optional('"'),
          std::optional('\\'), std::optional(' '), std::optional('~')}) {
        for (std::size_t size = 0; size <= 40; ++size) {
            // Without an octet to escape, the text is tried once per length.
            for (std::size_t at = octet ? 0 : size; at <= size; ++at) {
                std::string text = source.substr(1, size);
                if (at < size)
                    text[at] = *octet;
                const auto c = static_cast<unsigned char>(octet.value_or(' '));
                const bool stopsText = at < size && stopsTextAt(c);
                const bool stopsJson = at < size && (stopsTextAt(c) || c == '"' || c == '\\');
                SCOPED_TRACE(testing::Message()
                             << int(octet.value_or(' ')) << " at " << at << " of " << size);
                std::string buffer(size + 16, '#');
                char* end = zem::writeIfPrintable(buffer.data() + 8, text);
                EXPECT_EQ(end == nullptr, stopsText);
                EXPECT_EQ(buffer.substr(0, 8), std::string(8, '#'));
                EXPECT_EQ(buffer.substr(8 + size), std::string(8, '#'));
                if (end) {
                    EXPECT_EQ(buffer.substr(8, size), text);
                }
                std::string json(zem::jsonStringBound(size), '\0');
                json.resize(static_cast<std::size_t>(zem::writeJsonString(json.data(), text) -
                                                     json.data()));
                EXPECT_EQ(json == '"' + text + '"', !stopsJson) << json;
                EXPECT_TRUE(nlohmann::json::accept(json)) << json;
                std::string appended = "[";
                zem::appendJsonString(appended, text);
                EXPECT_EQ(appended, '[' + json);
                EXPECT_EQ(zem::terminalSafe(text) == text, !stopsText);
            }
        }
    }
}
