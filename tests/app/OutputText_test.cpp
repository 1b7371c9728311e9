#include "JsonWriter.hpp"
#include "TerminalColor.hpp"

#include <gtest/gtest.h>

TEST(JsonWriter, WritesSeparatorsNumbersAndOctets) {
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

TEST(Colors, TrueColorAndTheNearestOf256) {
    EXPECT_EQ(app::colorEscape({1, 0, 0, 1}, true), "\x1b[38;2;255;0;0m");
    EXPECT_EQ(app::colorEscape({1, 0, 0, 1}, false), "\x1b[38;5;196m");
    EXPECT_EQ(app::colorEscape({0, 0, 0, 1}, false), "\x1b[38;5;16m");
}
