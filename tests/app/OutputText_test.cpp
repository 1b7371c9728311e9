#include "JsonWriter.hpp"
#include "TerminalColor.hpp"
#include "TextEscaping.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

TEST(JsonWriter, WritesSeparatorsNumbersAndOctets) {
    std::string doc;
    {
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
    }
    EXPECT_EQ(
        doc,
        R"({"a":[1,null,{}],"b":0.5,"c":1700000000.000125,"d":0.000125,"e":-2.25,"f":"00ab"})");
}

// The writer writes into room made ahead at the end of the string, behind what the string
// held. Texts that escape, after a comma or not, and a document that outgrows the room
// many times over must read back as what went in, after the string's own start.
TEST(JsonWriter, EscapesAndGrowsBehindWhatTheStringHeld) {
    const std::string escaping = "a\"b\\c\x01\xff";
    std::string doc = "[\n";
    {
        app::JsonWriter json(doc);
        json.beginArray();
        for (int i = 0; i < 500; ++i) {
            json.beginObject();
            json.key(std::string_view(escaping));
            json.string(escaping);
            json.key("n");
            json.number(std::int64_t{-i});
            json.key(std::to_string(i));
            json.string(i % 2 ? escaping : "plain");
            json.key("v4");
            json.address(zem::IPAddress{4, {192, 0, 2, static_cast<std::uint8_t>(i)}});
            json.key("v6");
            json.address(*zem::IPAddress::parse("2001:db8::1"));
            json.key("t");
            json.boolean(i % 3 == 0);
            json.key("list"); // strings that escape after a comma
            json.beginArray();
            json.string(escaping);
            json.string(escaping);
            json.endArray();
            json.endObject();
        }
        json.endArray();
    }
    ASSERT_EQ(doc.substr(0, 2), "[\n");
    const auto parsed = nlohmann::json::parse(doc.substr(2), nullptr, false);
    ASSERT_FALSE(parsed.is_discarded()) << doc.substr(0, 400);
    ASSERT_EQ(parsed.size(), 500u);
    std::string escapedText;
    zem::appendJsonString(escapedText, escaping);
    const auto text = nlohmann::json::parse(escapedText);
    for (int i = 0; i < 500; ++i) {
        const auto& row = parsed[static_cast<std::size_t>(i)];
        EXPECT_EQ(row.at(text.get<std::string>()), text);
        EXPECT_EQ(row.at("n"), -i);
        EXPECT_EQ(row.at(std::to_string(i)), i % 2 ? text : nlohmann::json("plain"));
        EXPECT_EQ(row.at("v4"), "192.0.2." + std::to_string(i % 256));
        EXPECT_EQ(row.at("v6"), "2001:db8::1");
        EXPECT_EQ(row.at("t"), i % 3 == 0);
        EXPECT_EQ(row.at("list"), nlohmann::json::array({text, text}));
    }
}

TEST(Colors, TrueColorAndTheNearestOf256) {
    EXPECT_EQ(app::colorEscape({1, 0, 0, 1}, true), "\x1b[38;2;255;0;0m");
    EXPECT_EQ(app::colorEscape({1, 0, 0, 1}, false), "\x1b[38;5;196m");
    EXPECT_EQ(app::colorEscape({0, 0, 0, 1}, false), "\x1b[38;5;16m");
}
