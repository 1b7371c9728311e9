// Trees are written through a cursor into room made beforehand from each node's most;
// texts that escape to the longest forms must fit (the sanitizer build catches a byte too
// far), and what comes out must read back as what went in.
#include "JsonWriter.hpp"
#include "TextEscaping.hpp"
#include "TreePrinter.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

using zem::ZEMNode;
using zem::ZEMNodeText;

// Texts of every escape class, repeated to lengths around the eight-octet scan width.
std::vector<std::string> hostileTexts() {
    const std::string pieces[] = {
        "\x01",         // C0: \x01 and \u0001, the longest escapes per octet
        "\x7f",         // DEL
        "\xc2\x85",     // C1 as UTF-8
        "\xe2\x80\xae", // bidirectional override
        "\xff",         // never valid UTF-8
        "\xe2\x82",     // a cut sequence
        "\"\\",         // JSON's own specials
        "\xe2\x82\xac", // a plain euro sign
        "plain",
    };
    std::vector<std::string> texts{""};
    for (const auto& piece : pieces) {
        for (int count : {1, 7, 8, 9, 64}) {
            std::string text;
            for (int i = 0; i < count; ++i)
                text += piece;
            texts.push_back(text);
            texts.push_back("abc" + text + "d"); // off the word boundaries
        }
    }
    return texts;
}

TEST(TreePrinter, EveryTextFitsAndReadsBack) {
    for (const auto& text : hostileTexts()) {
        auto root = ZEMNode::nodeWithName(ZEMNodeText(text), ZEMNodeText(text));
        root->setHeaderLocation(65535);
        root->setHeaderLength(65535);
        root->addChild(ZEMNode::nodeWithName(ZEMNodeText::lasting(text)));

        std::string tree;
        app::appendTree(tree, *root, 3);
        const std::string safe = zem::terminalSafe(text);
        EXPECT_EQ(tree, "      " + safe + ": " + safe + "\n        " + safe + "\n");

        std::string json = "[";
        app::appendTreeJson(json, *root);
        json += "]";
        auto parsed = nlohmann::json::parse(json, nullptr, false);
        ASSERT_FALSE(parsed.is_discarded()) << json;
        std::string expected;
        zem::appendJsonString(expected, text);
        EXPECT_EQ(parsed[0].at("title"), nlohmann::json::parse(expected));
        EXPECT_EQ(parsed[0].at("value"), parsed[0].at("title"));
        EXPECT_EQ(parsed[0].at("location"), 65535);
        EXPECT_EQ(parsed[0].at("length"), 65535);
        EXPECT_EQ(parsed[0].at("children")[0].at("title"), parsed[0].at("title"));
        EXPECT_FALSE(parsed[0].at("children")[0].contains("value"));

        // A plain title with a value to escape, and the other way round: the node is
        // begun in room for plain texts and written again once an escape turns up.
        for (const auto& [title, value] : {std::pair<std::string, std::string>{"plain", text},
                                           std::pair<std::string, std::string>{text, "plain"}}) {
            auto mixed = ZEMNode::nodeWithName(ZEMNodeText(title), ZEMNodeText(value));
            mixed->setHeaderLocation(7);
            std::string document = "[";
            app::appendTreeJson(document, *mixed);
            document += "]";
            const auto read = nlohmann::json::parse(document, nullptr, false);
            ASSERT_FALSE(read.is_discarded()) << document;
            std::string titleJson, valueJson;
            zem::appendJsonString(titleJson, title);
            zem::appendJsonString(valueJson, value);
            EXPECT_EQ(read[0].at("title"), nlohmann::json::parse(titleJson));
            EXPECT_EQ(read[0].at("value"), nlohmann::json::parse(valueJson));
            EXPECT_EQ(read[0].at("location"), 7);
        }
    }
}

TEST(TreePrinter, NumbersAndOctets) {
    struct Case {
        zem::ZEMNodeValue value;
        const char* text;
        nlohmann::json json;
    } cases[] = {
        {std::uint8_t{255}, "255", 255},
        {std::uint32_t{4294967295u}, "4294967295", 4294967295u},
        {zem::ByteBuffer{0x00, 0xab, 0xff}, "00abff", "00abff"},
        {zem::ByteBuffer{}, "", ""},
    };
    for (const auto& c : cases) {
        auto node = ZEMNode::nodeWithName("N", c.value);
        std::string tree;
        app::appendTree(tree, *node);
        EXPECT_EQ(tree, std::string("N: ") + c.text + "\n");
        std::string json;
        app::appendTreeJson(json, *node);
        EXPECT_EQ(nlohmann::json::parse(json).at("value"), c.json) << json;
    }
}

// Lines are written into room made a kilobyte at a time, behind what `out` held: a tree
// that outgrows it several times, a text longer than it, indents past sixteen blanks and
// an escape among plain lines must print as each line on its own would.
TEST(TreePrinter, TreesPastTheRoomMadeAtOnce) {
    std::string expected = "before\n";
    auto root = ZEMNode::nodeWithName("root");
    expected += "    root\n";
    zem::ZEMNode* deepest = root.get();
    for (std::uint32_t depth = 3; depth < 15; ++depth) { // down to 28 blanks
        auto child = ZEMNode::nodeWithName("d", depth);
        zem::ZEMNode* next = child.get();
        deepest->addChild(std::move(child));
        deepest = next;
        expected += std::string(2 * depth, ' ') + "d: " + std::to_string(depth) + "\n";
    }
    const std::string longText(3000, 'x');
    const std::string escaped = "a\x01b";
    for (int i = 0; i < 200; ++i) {
        const std::string& text = i == 50 ? longText : i == 120 ? escaped : "value";
        root->addChild(ZEMNode::nodeWithName(ZEMNodeText(std::to_string(i)), ZEMNodeText(text)));
        expected += "      " + std::to_string(i) + ": " + zem::terminalSafe(text) + "\n";
    }
    // Children print in the order added: the deep chain came first.
    std::string tree = "before\n";
    app::appendTree(tree, *root, 2);
    EXPECT_EQ(tree, expected);
}

// A label is looked at once for escapes; nodes that refer to it must print exactly as
// nodes holding the same text of their own, which are looked at each time.
TEST(TreePrinter, LabelsPrintAsTheirTexts) {
    for (const auto& text : hostileTexts()) {
        const zem::ZEMNodeLabel label(text);
        const auto labelled =
            ZEMNode::nodeWithName(ZEMNodeText::lasting(label), ZEMNodeText::lasting(label));
        const auto owned = ZEMNode::nodeWithName(ZEMNodeText(text), ZEMNodeText(text));
        std::string fromLabel, fromText, jsonFromLabel, jsonFromText;
        app::appendTree(fromLabel, *labelled);
        app::appendTree(fromText, *owned);
        EXPECT_EQ(fromLabel, fromText);
        app::appendTreeJson(jsonFromLabel, *labelled);
        app::appendTreeJson(jsonFromText, *owned);
        EXPECT_EQ(jsonFromLabel, jsonFromText);
    }
    EXPECT_TRUE(zem::ZEMNodeLabel("AVP 1 - User-Name").isPlain());
    for (const char* escaped : {"a\"b", "a\\b", "a\tb", "caf\xc3\xa9", "\x7f"})
        EXPECT_FALSE(zem::ZEMNodeLabel(escaped).isPlain()) << escaped;
}

// An owned text moves with its node's value; a lasting one is only referred to.
TEST(ZEMNodeText, OwnedTextsMoveAndLastingTextsAreShared) {
    static const std::string label = "a label that outlives every tree";
    auto shared = ZEMNodeText::lasting(label);
    EXPECT_EQ(shared.view().data(), label.data());

    zem::ZEMNodeValue value = ZEMNodeText(std::string("short"));
    zem::ZEMNodeValue moved = std::move(value);
    EXPECT_EQ(std::get<ZEMNodeText>(moved), std::string_view("short"));
    ZEMNodeText copy = std::get<ZEMNodeText>(moved);
    EXPECT_NE(copy.view().data(), std::get<ZEMNodeText>(moved).view().data());
    EXPECT_EQ(copy, std::get<ZEMNodeText>(moved));
}

// A node of another class than the host's own: printers reach it through the protocol
// alone, and must print it as they print the host's nodes, reached through their type.
class ForeignNode final : public zem::ZEMNodeProtocol {
public:
    ForeignNode(std::string title, zem::ZEMNodeValue value)
        : title_(std::move(title)), value_(std::move(value)) {}
    void addChild(std::unique_ptr<ZEMNodeProtocol> child) override {
        children_.push_back(std::move(child));
    }
    std::string_view title() const override { return title_; }
    const zem::ZEMNodeValue& value() const override { return value_; }
    zem::ZEMNodeChildren children() const override { return children_; }
    std::optional<std::uint16_t> headerLocation() const override { return location_; }
    std::optional<std::uint16_t> headerLength() const override { return length_; }
    void setHeaderLocation(std::uint16_t location) override { location_ = location; }
    void setHeaderLength(std::uint16_t length) override { length_ = length; }
    void wasAdded(ZEMNodeProtocol*) override {}

private:
    std::string title_;
    zem::ZEMNodeValue value_;
    std::vector<std::unique_ptr<ZEMNodeProtocol>> children_;
    std::optional<std::uint16_t> location_, length_;
};

TEST(TreePrinter, NodesOfAnotherClassPrintAsTheHostsOwn) {
    const std::vector<zem::ZEMNodeValue> values = {std::monostate{}, ZEMNodeText("text"),
                                                   std::uint8_t{7}, std::uint32_t{65536},
                                                   zem::ByteBuffer{0x01, 0xfe}};
    for (const auto& text : hostileTexts()) {
        auto own = ZEMNode::nodeWithName(ZEMNodeText(text), ZEMNodeText(text));
        auto foreign = std::make_unique<ForeignNode>(text, ZEMNodeText(text));
        for (zem::ZEMNodeProtocol* root : {static_cast<zem::ZEMNodeProtocol*>(own.get()),
                                           static_cast<zem::ZEMNodeProtocol*>(foreign.get())}) {
            root->setHeaderLocation(20);
            root->setHeaderLength(6);
        }
        // Each kind of child under each kind of parent, so that the walk crosses over.
        for (const auto& value : values) {
            own->addChild(std::make_unique<ForeignNode>(text, value));
            own->addChild(ZEMNode::nodeWithName(ZEMNodeText(text), zem::ZEMNodeValue(value)));
            foreign->addChild(ZEMNode::nodeWithName(ZEMNodeText(text), zem::ZEMNodeValue(value)));
            foreign->addChild(std::make_unique<ForeignNode>(text, value));
        }
        std::string ownText, foreignText, ownJson, foreignJson;
        app::appendTree(ownText, *own, 1);
        app::appendTree(foreignText, *foreign, 1);
        app::appendTreeJson(ownJson, *own);
        app::appendTreeJson(foreignJson, *foreign);
        // The children's orders differ by kind, not by what they print.
        EXPECT_EQ(ownText, foreignText);
        EXPECT_EQ(ownJson, foreignJson);
    }
}

} // namespace
