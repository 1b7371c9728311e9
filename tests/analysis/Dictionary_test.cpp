// Dictionaries the tests write, read as FreeRADIUS's are, and messages walked with them.
#include "TestSupport.hpp"
#include "dictionary/AvpText.hpp"
#include "dictionary/DictionaryNodes.hpp"
#include "dictionary/DictionaryReader.hpp"
#include "fields/AvpFields.hpp"

#include <fstream>
#include <gtest/gtest.h>

using analysis::AvpType;

namespace {

void write(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A small set in the layout FreeRADIUS installs: one file including others.
struct TestDictionary {
    testing_support::TemporaryFolder folder;
    analysis::RadiusDictionary dictionary;
    std::vector<std::string> warnings;

    TestDictionary() {
        write(folder.path() / "dictionary",
              "# the main file\n"
              "$INCLUDE dictionary.early\n"
              "$INCLUDE dictionary.rfc\n"
              "$INCLUDE dictionary.vendors\n"
              "$INCLUDE- dictionary.local\n" // optional, absent
              "$INCLUDE dictionary\n"        // itself: read once
              "ATTRIBUTE\tBroken\n"          // too few words
              "ATTRIBUTE\tOdd-Type\t200\tfloat\n"
              "FROBNICATE\tthis\n");
        write(folder.path() / "dictionary.early",
              "VALUE\tService-Type\tLogin-User\t1\n"   // before its attribute
              "VALUE\tService-Type\tEarly-Framed\t2\n" // and named again later
              "VALUE\tNo-Such-Attribute\tX\t1\n");
        write(folder.path() / "dictionary.rfc",
              "ATTRIBUTE\tUser-Name\t1\tstring\n"
              "ATTRIBUTE\tUser-Password\t2\tstring encrypt=1\n"
              "ATTRIBUTE\tService-Type\t6\tinteger\n"
              "VALUE\tService-Type\tFramed-User\t2\n"
              "VALUE\tService-Type\tCallback-Login-User\t3\n"
              "ATTRIBUTE\tFramed-IP-Address\t8\tipaddr\n"
              "ATTRIBUTE\tVendor-Specific\t26\tvsa\n"
              "ATTRIBUTE\tEvent-Timestamp\t55\tdate\n"
              "ATTRIBUTE\tTunnel-Type\t64\tinteger\thas_tag\n"
              "ATTRIBUTE\tTunnel-Private-Group-Id\t81\tstring\thas_tag\n"
              "ATTRIBUTE\tFramed-IPv6-Prefix\t97\tipv6prefix\n"
              "ATTRIBUTE\tExtended-Attribute-1\t241\textended\n"
              "ATTRIBUTE\tExtended-Attribute-5\t245\tlong-extended\n"
              "ATTRIBUTE\tExtended-Vendor-Specific-1\t241.26\tevs\n"
              "ATTRIBUTE\tFrag-Status\t241.1\tinteger\n"
              "ATTRIBUTE\tLong-Thing\t245.1\toctets\n"
              "ATTRIBUTE\tServer-Internal\t1000\tinteger\n"
              "VALUE\tServer-Internal\tNever\t1\n");
        write(folder.path() / "dictionary.vendors",
              "VENDOR\tCisco\t9\n"
              "BEGIN-VENDOR\tCisco\n"
              "ATTRIBUTE\tCisco-AVPair\t1\tstring\n"
              "END-VENDOR\tCisco\n"
              "VENDOR\tWide\t0x1234\tformat=2,1\n"
              "BEGIN-VENDOR\tWide\n"
              "ATTRIBUTE\tWide-Number\t0x0100\tshort\n"
              "ATTRIBUTE\tWide-Group\t3\ttlv\n"
              "ATTRIBUTE\tWide-Member\t3.1\tipaddr\n"
              "END-VENDOR\tWide\n"
              "VENDOR\tBare\t429\tformat=4,0\n"
              "BEGIN-VENDOR\tBare\n"
              "ATTRIBUTE\tBare-Text\t7\tstring\n"
              "END-VENDOR\tBare\n"
              "VENDOR\tModern\t99\n"
              "BEGIN-VENDOR\tModern\tformat=Extended-Vendor-Specific-1\n"
              "ATTRIBUTE\tModern-Text\t5\tstring\n"
              "END-VENDOR\tModern\n"
              "VENDOR\tBadFormat\t77\tformat=3,1\n"
              "VALUE\tService-Type\tCallback-Login\t3\n"); // a later name stands
        dictionary = analysis::readDictionary(folder.path().string(), warnings);
    }
};

// A message of code 1 with these attributes.
zem::ByteBuffer message(const std::string& attributesHex) {
    auto octets =
        testing_support::hex("01 01 0000 00000000000000000000000000000000" + attributesHex);
    octets[2] = static_cast<std::uint8_t>(octets.size() >> 8);
    octets[3] = static_cast<std::uint8_t>(octets.size());
    return octets;
}

// The attributes of a message, which reads `octets`.
analysis::AttributeList attributesOf(const zem::ByteBuffer& octets) {
    return analysis::AttributeList(*analysis::WireMessage::parse(zem::ByteView(octets)));
}

} // namespace

TEST(DictionaryReader, ReadsIncludesVendorsAndNumbersAndWarnsOfBadLines) {
    TestDictionary t;
    const auto& d = t.dictionary;
    struct Case {
        const char* name;
        std::uint32_t vendor;
        std::vector<std::uint32_t> numbers;
        AvpType type;
    };
    const Case cases[] = {
        {"User-Name", 0, {1}, AvpType::string},
        {"user_name", 0, {1}, AvpType::string}, // any letter case, '_' for '-'
        {"Frag-Status", 0, {241, 1}, AvpType::integer},
        {"Cisco-AVPair", 9, {1}, AvpType::string},
        {"Wide-Number", 0x1234, {0x100}, AvpType::shortInteger},
        {"Wide-Member", 0x1234, {3, 1}, AvpType::ipaddr},
        {"Modern-Text", 99, {0x80000000u | 241, 5}, AvpType::string},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto* a = d.named(c.name);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->path.vendor, c.vendor);
        ASSERT_EQ(a->path.depth, c.numbers.size());
        for (std::size_t i = 0; i < c.numbers.size(); ++i)
            EXPECT_EQ(a->path.numbers[i], c.numbers[i]);
        EXPECT_EQ(a->type, c.type);
    }
    EXPECT_EQ(*d.named("Service-Type")->valueName(1), "Login-User"); // waited for it
    EXPECT_EQ(*d.named("Service-Type")->valueName(2), "Framed-User");
    EXPECT_EQ(*d.named("Service-Type")->valueName(3), "Callback-Login");
    EXPECT_EQ(d.named("Service-Type")->valueName(4), nullptr);
    EXPECT_TRUE(d.named("Tunnel-Type")->hasTag);
    EXPECT_EQ(d.named("User-Password")->encrypt, 1);
    EXPECT_EQ(d.named("Server-Internal"), nullptr); // the server's own: not on the wire
    EXPECT_EQ(d.vendor(429)->typeOctets, 4);
    EXPECT_EQ(d.vendor(429)->lengthOctets, 0);

    const std::string main = (t.folder.path() / "dictionary").string();
    const std::vector<std::string> expected = {
        main + ":7: cannot use \"ATTRIBUTE\\tBroken\"",
        main + ":8: unknown type \"float\"",
        main + ":9: cannot use \"FROBNICATE\\tthis\"",
        (t.folder.path() / "dictionary.vendors").string() +
            ":19: cannot use \"VENDOR\\tBadFormat\\t77\\tformat=3,1\"",
        (t.folder.path() / "dictionary.early").string() +
            ":3: VALUE for the unknown attribute \"No-Such-Attribute\"",
    };
    auto sorted = t.warnings;
    std::sort(sorted.begin(), sorted.end());
    auto want = expected;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(sorted, want);
}

TEST(AvpWalker, FieldsOfEveryKindOfAttribute) {
    TestDictionary t;
    struct Case {
        const char* what;
        std::string attributes;
        const char* field;
        std::optional<std::string> text;
    };
    const Case cases[] = {
        {"text", "0105626f62", "avp.User_Name", "bob"},
        {"text cut at NUL, invalid as U+FFFD", "010762ff00797a", "avp.User_Name", "b\xEF\xBF\xBD"},
        {"UTF-8 between ASCII runs", "010a61c3a962f09f9880", "avp.User_Name",
         "a\xC3\xA9"
         "b\xF0\x9F\x98\x80"},
        {"an overlong form between ASCII runs", "010661c0af62", "avp.User_Name",
         "a\xEF\xBF\xBD\xEF\xBF\xBD"
         "b"},
        {"empty text", "0102060600000002", "avp.User_Name", ""},
        {"two octets at the end are no attribute, as in the tree", "0102", "avp.User_Name",
         std::nullopt},
        {"repeated", "0103610103620103", "avp.User_Name", "a,b"},
        {"enumerated", "060600000002", "avp.Service_Type", "2"},
        {"its name", "060600000002", "avp.Service_Type.name", "Framed-User"},
        {"unnamed value", "060600000009", "avp.Service_Type.name", "9"},
        {"address", "08060a000001", "avp.Framed_IP_Address", "10.0.0.1"},
        {"address of a wrong length", "08050a0000", "avp.Framed_IP_Address", std::nullopt},
        {"date", "370665920080", "avp.Event_Timestamp", "Jan  1, 2024 00:00:00.000000000 UTC"},
        {"tagged integer", "40060100000d", "avp.Tunnel_Type", "13"},
        {"tagged text", "5105017631", "avp.Tunnel_Private_Group_Id", "v1"},
        {"text without a tag", "51047631", "avp.Tunnel_Private_Group_Id", "v1"},
        {"IPv6 prefix", "610c004020010db80a0b12f0", "avp.Framed_IPv6_Prefix",
         "004020010db80a0b12f0"},
        {"IPv6 prefix over 128", "6104008a", "avp.Framed_IPv6_Prefix", std::nullopt},
        {"hidden password as octets", "0206aabbccdd", "avp.User_Password", "aabbccdd"},
        {"vendor, format 1,1", "1a0f000000090105613d310104623d", "avp.Cisco_AVPair", "a=1,b="},
        {"vendor, format 2,1", "1a0b00001234010005000a", "avp.Wide_Number", "10"},
        {"vendor TLV member", "1a0f0000123400030901060a000001", "avp.Wide_Member", "10.0.0.1"},
        {"vendor, format 4,0", "1a0c000001ad000000076869", "avp.Bare_Text", "hi"},
        {"vendor data that overruns", "1a0b0000000901ff613d31", "avp.Cisco_AVPair", std::nullopt},
        {"extended", "f1070100000003", "avp.Frag_Status", "3"},
        {"long extended in two parts", "f5060180aabbf5050100cc", "avp.Long_Thing", "aabbcc"},
        {"long extended in three parts", "f5050180aaf5050180bbf5050100cc", "avp.Long_Thing",
         "aabbcc"},
        {"long extended, More set to the end", "f5060180aabb", "avp.Long_Thing", "aabb"},
        {"long extended, then another attribute", "f5060180aabb0105626f62", "avp.User_Name", "bob"},
        {"extended vendor-specific", "f10b1a000000630568656c", "avp.Modern_Text", "hel"},
        {"attribute that overruns the message", "0120626f62", "avp.User_Name", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto octets = message(c.attributes);
        const auto field = analysis::avpFieldNamed(t.dictionary, c.field);
        ASSERT_TRUE(field.has_value());
        EXPECT_EQ(analysis::avpFieldText(t.dictionary, *field, attributesOf(octets), {}), c.text);
    }
}

TEST(AvpFields, OccurrencesAndPredicateValues) {
    TestDictionary t;
    const auto octets = message("0103610103620103630606000000020606000000ff");
    const auto names = *analysis::avpFieldNamed(t.dictionary, "avp.User_Name");
    using Mode = analysis::FieldOccurrence::Mode;
    const std::pair<analysis::FieldOccurrence, std::optional<std::string>> cases[] = {
        {{Mode::all, 0, ","}, "a,b,c"}, {{Mode::all, 0, ";"}, "a;b;c"},
        {{Mode::first, 0, ","}, "a"},   {{Mode::last, 0, ","}, "c"},
        {{Mode::index, 2, ","}, "b"},   {{Mode::index, 4, ","}, std::nullopt},
    };
    for (const auto& [occurrence, text] : cases)
        EXPECT_EQ(analysis::avpFieldText(t.dictionary, names, attributesOf(octets), occurrence),
                  text);
    // A single enumerated value compares as its number and as its name.
    const auto one = message("060600000002");
    const auto service = *analysis::avpFieldNamed(t.dictionary, "avp.Service_Type");
    auto value = analysis::avpPredicateValue(t.dictionary, service, attributesOf(one));
    ASSERT_TRUE(value && std::holds_alternative<zem::ZEMNamedNumber>(*value));
    EXPECT_EQ(std::get<zem::ZEMNamedNumber>(*value).name, "Framed-User");
    const auto missing = analysis::avpPredicateValue(t.dictionary, names, attributesOf(one));
    EXPECT_FALSE(missing.has_value());
    EXPECT_FALSE(analysis::avpFieldNamed(t.dictionary, "avp.Nothing").has_value());
    EXPECT_FALSE(analysis::avpFieldNamed(t.dictionary, "User_Name").has_value());
}

// JSON writes one key per attribute: a repeat must join its attribute's values, in message
// order, wherever it stands; values that cannot be read and unnamed attributes are left out.
TEST(AvpValues, GatheredPerAttributeInTheOrderEachFirstAppears) {
    TestDictionary t;
    const std::pair<std::string, std::string> cases[] = {
        {"010361", "User_Name=a"},
        {"010361 060600000002 010362 08060a000001 0606000000ff 010363",
         "User_Name=a,b,c Service_Type=2,255 Framed_IP_Address=10.0.0.1"},
        {"060600000002 010361 0605000002 630300 010362", "Service_Type=2 User_Name=a,b"},
        {"630300", ""},
    };
    for (const auto& [attributes, expected] : cases) {
        std::string hex = attributes;
        std::erase(hex, ' ');
        const auto octets = message(hex);
        const auto values =
            analysis::avpValuesByAttribute(attributesOf(octets).named(t.dictionary));
        std::string gathered;
        analysis::forEachAttribute(values, [&](const analysis::AttributeDefinition& definition,
                                               std::span<const analysis::AvpValue> run) {
            gathered += (gathered.empty() ? "" : " ") + definition.fieldName.text() + "=";
            for (std::size_t i = 0; i < run.size(); ++i) {
                if (i > 0)
                    gathered += ",";
                const auto& value = run[i].value;
                if (const auto* number = std::get_if<std::int64_t>(&value))
                    gathered += std::to_string(*number);
                else
                    gathered += std::get<std::string>(value);
            }
        });
        EXPECT_EQ(gathered, expected) << attributes;
    }
}

TEST(DictionaryReader, ADeepChainOfIncludesIsReadWhole) {
    // Forty files, each including the next; the last names an attribute. A loop among
    // them is read once.
    testing_support::TemporaryFolder folder;
    // Names built by appending: GCC 12 warns falsely (-Wrestrict) of a literal put before
    // a number's text.
    auto name = [](int i) {
        std::string text = "d";
        text += std::to_string(i);
        return text;
    };
    for (int i = 1; i < 40; ++i) {
        std::string text = "$INCLUDE ";
        text += name(i + 1);
        text += "\n$INCLUDE d1\n";
        write(folder.path() / name(i), text);
    }
    write(folder.path() / "d40", "ATTRIBUTE\tDeep-Attribute\t250\tstring\n");
    write(folder.path() / "dictionary", "$INCLUDE d1\nATTRIBUTE\tUser-Name\t1\tstring\n");
    std::vector<std::string> warnings;
    const auto dictionary = analysis::readDictionary(folder.path().string(), warnings);
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    EXPECT_NE(dictionary.named("Deep-Attribute"), nullptr);
    EXPECT_NE(dictionary.named("User-Name"), nullptr);
}

TEST(DictionaryNodes, VendorSpecificWalkedAloneGainsWhatTheWholeNamingGives) {
    // Where the plug-in shows every other value, only Vendor-Specific nodes gain children,
    // and those attributes are walked alone: they must gain what the naming of the whole
    // message gives them, whatever lies around them.
    TestDictionary t;
    struct Case {
        const char* what;
        std::string attributes;
        std::vector<std::string> gained; // "title=value", in tree order
    };
    const Case cases[] = {
        {"two vendor attributes",
         "1a10000000090105613d310105623d32",
         {"Cisco-AVPair=a=1", "Cisco-AVPair=b=2"}},
        {"an unknown vendor", "1a0c000004d20106613d3132", {}},
        {"vendor attributes apart",
         "1a0b0000000901056e3d310105626f621a0b0000000901056d3d32",
         {"Cisco-AVPair=n=1", "Cisco-AVPair=m=2"}},
        {"a vendor attribute that overruns", "1a0b0000000901ff613d31", {}},
        {"a TLV shows through its member",
         "1a0f0000123400030901060a000001",
         {"Wide-Member=10.0.0.1"}},
        {"beside a type the plug-in does not name, named with the whole message",
         "f5060180aabb1a0b000000090105613d31",
         {"Long-Thing=aabb", "Cisco-AVPair=a=1"}},
        {"before an attribute cut short", "1a0b000000090105613d310120626f62", {"Cisco-AVPair=a=1"}},
    };
    // One node per attribute, each with a value child the plug-in shows.
    const auto treeOf = [](const zem::ByteBuffer& octets) {
        const auto wire = *analysis::WireMessage::parse(zem::ByteView(octets));
        auto root = zem::ZEMNode::nodeWithName("RADIUS-Header");
        for (const auto& attribute : wire.attributes) {
            auto node = zem::ZEMNode::nodeWithName("AVP");
            node->setHeaderLocation(static_cast<std::uint16_t>(attribute.offset));
            node->addChild(zem::ZEMNode::nodeWithName("Value", std::string("shown")));
            root->addChild(std::move(node));
        }
        std::vector<std::unique_ptr<zem::ZEMNodeProtocol>> tree;
        tree.push_back(std::move(root));
        return tree;
    };
    const auto gained = [](const std::vector<std::unique_ptr<zem::ZEMNodeProtocol>>& tree) {
        std::vector<std::string> lines;
        for (const auto& attribute : tree.front()->children())
            for (std::size_t i = 1; i < attribute->children().size(); ++i) {
                const auto& child = *attribute->children()[i];
                lines.push_back(std::string(child.title()) + "=" +
                                std::string(std::get<zem::ZEMNodeText>(child.value()).view()));
            }
        return lines;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto octets = message(c.attributes);
        const auto alone = treeOf(octets);
        analysis::addDictionaryNodes(alone, attributesOf(octets), t.dictionary);
        EXPECT_EQ(gained(alone), c.gained);

        const auto attributes = attributesOf(octets);
        attributes.named(t.dictionary);
        const auto whole = treeOf(octets);
        analysis::addDictionaryNodes(whole, attributes, t.dictionary);
        EXPECT_EQ(gained(whole), c.gained);
    }
}
