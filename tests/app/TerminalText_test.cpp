#include "JsonWriter.hpp"
#include "MessagePrinter.hpp"
#include "RadiusStatistics.hpp"
#include "TerminalText.hpp"
#include "ZEMError.hpp"
#include "ZEMPredicate.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

TEST(TerminalText, EscapesWhatCouldDriveOrDisguiseATerminal) {
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
        EXPECT_EQ(app::terminalSafe(c.in), c.out) << c.out;
}

TEST(JsonWriter, EscapesForParsersAndEyes) {
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
        app::appendJsonString(out, c.in);
        EXPECT_EQ(out, c.out);
        EXPECT_TRUE(nlohmann::json::accept(out)) << out;
    }
    std::string doc;
    app::JsonWriter json(doc);
    json.beginObject();
    json.key("a");
    json.beginArray();
    json.number(std::uint64_t{1});
    json.null();
    json.beginObject();
    json.endObject();
    json.endArray();
    json.key("b");
    json.seconds(0.5);
    json.key("c");
    json.seconds(1700000000.000125);
    json.key("d");
    json.seconds(1700000000.000125 - 1700000000); // not 0.00012493133544921875
    json.key("e");
    json.seconds(-2.25);
    json.key("f");
    json.hexString(zem::ByteView(std::string_view("\x00\xab", 2)));
    json.endObject();
    EXPECT_EQ(
        doc,
        R"({"a":[1,null,{}],"b":0.5,"c":1700000000.000125,"d":0.000125,"e":-2.25,"f":"00ab"})");
}

// Runs are scanned eight octets at a time: a stop must be found at every position of a
// word, and octets next to the stop values must not stop a run.
TEST(TerminalText, PrintableRunsEndAtTheFirstStopInAnyPosition) {
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
            EXPECT_EQ(app::printableRunEnd(text, 0, false), c.stopsText ? at : 24)
                << int(c.octet) << " at " << at;
            EXPECT_EQ(app::printableRunEnd(text, 0, true), c.stopsJson ? at : 24)
                << int(c.octet) << " at " << at;
            if (at > 3) {
                EXPECT_EQ(app::printableRunEnd(text, 3, true), c.stopsJson ? at : 24);
            }
        }
    }
}

TEST(Colors, TrueColorAndTheNearestOf256) {
    EXPECT_EQ(app::colorEscape({1, 0, 0, 1}, true), "\x1b[38;2;255;0;0m");
    EXPECT_EQ(app::colorEscape({1, 0, 0, 1}, false), "\x1b[38;5;196m");
    EXPECT_EQ(app::colorEscape({0, 0, 0, 1}, false), "\x1b[38;5;16m");
}

namespace {
zem::ZEMKeyPathResolver values(std::map<std::string, zem::ZEMPredicateValue> table) {
    return [table](std::string_view key) -> std::optional<zem::ZEMPredicateValue> {
        auto it = table.find(std::string(key));
        if (it == table.end())
            return std::nullopt;
        return it->second;
    };
}
} // namespace

TEST(Predicate, RegisteredFormatsAndExpressions) {
    auto message = values({{"radiusCodeResolved", std::string("Access-Accept (2)")},
                           {"radiusIdentifier", std::int64_t{12}},
                           {"radiusAVPString", std::string("1 4 26")},
                           {"radiusAuthenticator", std::string("00AB")},
                           {"name", std::string("Jos\u00e9")}});
    struct Case {
        const char* format;
        const char* value;
        bool expected;
    } cases[] = {
        {"radiusIdentifier.description CONTAINS $value", "1", true},
        {"radiusIdentifier.description CONTAINS $value", "3", false},
        {"radiusCodeResolved CONTAINS[c] $value", "accept", true},
        {"radiusCodeResolved CONTAINS $value", "accept", false},
        {"radiusAVPString CONTAINS[c] $value", "4 26", true},
        {"radiusAuthenticator CONTAINS[c] $value", "ab", true},
        {"name ==[cd] $value", "JOSE", true},
        {"name == $value", "Jose", false},
        {"radiusIdentifier == 12 AND radiusCodeResolved BEGINSWITH 'Access'", "", true},
        {"radiusIdentifier > 12 OR radiusAVPString ENDSWITH \"26\"", "", true},
        {"NOT (radiusIdentifier >= 12) || ! radiusCodeResolved LIKE '*Accept*'", "", false},
        {"missingKey == 1", "", false},
        {"missingKey != 1", "", true},
    };
    for (const auto& c : cases) {
        auto predicate = zem::ZEMPredicate::parse(c.format, {{"value", c.value}});
        EXPECT_EQ(predicate.evaluate(message), c.expected) << c.format << " / " << c.value;
    }
}

TEST(Predicate, ErrorsNameThePosition) {
    struct Case {
        const char* format;
        const char* message;
    } cases[] = {
        {"radiusCode ==", "position 14"},
        {"radiusCode CONTAINZ 1", "position 12"},
        {"(radiusCode == 1", "missing \")\""},
        {"radiusCode == 'open", "unterminated"},
        {"radiusCode == $nobody", "no value for $nobody"},
        {"radiusCode ==[x] 1", "unknown option"},
        {"radiusCode == 1 extra", "unexpected"},
        {"", "position 1"},
    };
    for (const auto& c : cases) {
        try {
            zem::ZEMPredicate::parse(c.format);
            ADD_FAILURE() << c.format;
        } catch (const zem::ZEMError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.format << ": " << e.what();
        }
    }
    std::string deep(500, '(');
    EXPECT_THROW(zem::ZEMPredicate::parse(deep + "a == 1"), zem::ZEMError);
}

TEST(RadiusStatistics, MatchesRequestsToResponses) {
    app::RadiusStatistics stats;
    app::MessageFacts request;
    request.code = 1;
    request.identifier = 5;
    request.codeText = "Access-Request (1)";
    request.source.bytes[0] = 10;
    request.sourcePort = 1000;
    request.destinationPort = 1812;
    request.time = 1.0;
    stats.addMessage(request);
    request.time = 2.0;
    stats.addMessage(request); // retransmission
    app::MessageFacts response = request;
    response.code = 2;
    response.codeText = "Access-Accept (2)";
    std::swap(response.source, response.destination);
    std::swap(response.sourcePort, response.destinationPort);
    response.time = 1.25;
    stats.addMessage(response);
    stats.addMessage(response); // nothing left to answer
    request.identifier = 6;
    stats.addMessage(request); // never answered
    std::string report = stats.report();
    EXPECT_NE(report.find("Requests answered                                     1"),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("Requests unanswered                                   1"),
              std::string::npos);
    EXPECT_NE(report.find("Retransmitted requests                                1"),
              std::string::npos);
    EXPECT_NE(report.find("Responses without a request                           1"),
              std::string::npos);
    EXPECT_NE(report.find("min 250.000, median 250.000, p99 250.000, max 250.000"),
              std::string::npos);
}
