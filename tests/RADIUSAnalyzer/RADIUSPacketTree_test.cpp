#include "RADIUSProtocolAnalyzer.hpp"
#include "RADIUSSettingsKeys.hpp"
#include "TestSupport.hpp"
#include "ZEMUserDefaults.hpp"

#include <gtest/gtest.h>
#include <sstream>

using radius::RADIUSProtocolAnalyzer;
using testing_support::hex;
using zem::ByteBuffer;
using zem::ByteView;
using zem::ZEMNodeProtocol;

namespace {

void render(std::ostringstream& out, const ZEMNodeProtocol& node, int depth) {
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << node.title();
    std::visit(
        [&](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, zem::ZEMNodeText>)
                out << ": " << v.view();
            else if constexpr (std::is_same_v<T, ByteBuffer>)
                out << ": <" << ByteView(v).hexRepresentation() << ">";
            else if constexpr (std::is_integral_v<T>)
                out << ": #" << static_cast<std::uint64_t>(v);
        },
        node.value());
    if (node.headerLocation() || node.headerLength())
        out << " @" << node.headerLocation().value_or(0) << "+" << node.headerLength().value_or(0);
    out << "\n";
    for (const auto& child : node.children())
        render(out, *child, depth + 1);
}

// The tree of a message given as header fields and attribute octets.
std::string tree(std::string_view attributesHex, std::uint8_t id = 42) {
    ByteBuffer attributes = hex(attributesHex);
    ByteBuffer m = {1, id, 0, 0};
    m.resize(20, 0xab);
    m.insert(m.end(), attributes.begin(), attributes.end());
    m[2] = static_cast<std::uint8_t>(m.size() >> 8);
    m[3] = static_cast<std::uint8_t>(m.size());
    auto analyzer = RADIUSProtocolAnalyzer::create(ByteView(m));
    auto nodes = analyzer->protocolNodes(ByteView(m));
    std::ostringstream out;
    for (const auto& n : nodes)
        render(out, *n, 0);
    return out.str();
}

// Only the attribute part of tree(): everything after the Authenticator line.
std::string attributesPart(std::string_view attributesHex) {
    std::string all = tree(attributesHex);
    auto at = all.find("  AVP ");
    return at == std::string::npos ? std::string() : all.substr(at);
}

class PacketTree : public ::testing::Test {
protected:
    void SetUp() override { testing_support::clearStandardStore(); }
    void TearDown() override { testing_support::clearStandardStore(); }
    void setSwitch(std::string_view key, bool on) {
        zem::ZEMUserDefaults::standardUserDefaults().setArgumentValue(key, zem::PropertyList(on));
    }
};

} // namespace

TEST_F(PacketTree, HeaderOnly) {
    EXPECT_EQ(tree("", 255), "RADIUS-Header @0+20\n"
                             "  Length: 20 bytes\n"
                             "  Code: Access-Request (1)\n"
                             "  Identifier: 255 (0xff)\n"
                             "  Authenticator: abababababababababababababababab\n");
    EXPECT_NE(tree("", 0).find("Identifier: 0 (0x0)"), std::string::npos);
}

TEST_F(PacketTree, ShortHeaderKeepsOnlyLength) {
    ByteBuffer m = hex("0101001400000000000000000000000000000000");
    auto analyzer = RADIUSProtocolAnalyzer::create(ByteView(m));
    // Asked with fewer octets than it was created with, the header cannot be read.
    auto nodes = analyzer->protocolNodes(ByteView(m).slice(0, 10));
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0]->children().size(), 1u);
}

TEST_F(PacketTree, CapturedSizeAndAnnouncedLength) {
    ByteBuffer m(50, 0);
    m[0] = 4;
    m[3] = 40; // Length 40: attributes are octets 20 to 39
    for (std::size_t i = 20; i < 40; i += 4) {
        m[i] = 0x2a; // Acct-Input-Octets of length 4 is invalid, which is fine here
        m[i + 1] = 4;
    }
    auto analyzer = RADIUSProtocolAnalyzer::create(ByteView(m));
    auto nodes = analyzer->protocolNodes(ByteView(m));
    std::ostringstream out;
    render(out, *nodes[0], 0);
    std::string text = out.str();
    EXPECT_NE(text.find("  Length: 50 bytes"), std::string::npos);
    EXPECT_NE(text.find("AVP 42 - Acct-Input-Octets @36+4"), std::string::npos);
    EXPECT_EQ(text.find("@40+"), std::string::npos);
}

TEST_F(PacketTree, RunningOffsetsNotesAndUnknownNames) {
    EXPECT_EQ(attributesPart("010361 1103ff 0507000000ff00 c8020d0a00"),
              "  AVP 1 - User-Name @20+3\n"
              "    Attribute: User-Name (1) @0+1\n"
              "    Length: 3 bytes @1+1\n"
              "    User Name: a\n"
              "  AVP 17 - Unknown @23+3\n"
              "    Attribute: Unknown (17) @0+1\n"
              "    Length: 3 bytes @1+1\n"
              "    Data: <ff>\n"
              "  AVP 5 - NAS-Port @26+7\n"
              "    Attribute: NAS-Port (5) @0+1\n"
              "    Length: 7 bytes @1+1\n"
              "    Invalid Length - no value(s)\n"
              "  AVP 200 - Unknown @33+2\n"
              "    Attribute: Unknown (200) @0+1\n"
              "    Length: 2 bytes @1+1\n"
              "    Data: <>\n"
              "  AVP 13 - Framed-Compression @35+3\n"
              "    Attribute: Framed-Compression (13) @0+1\n"
              "    Length: 3 bytes @1+1\n"
              "    Truncated AVP\n");
}

TEST_F(PacketTree, LengthOneEndsTheTreeSilently) {
    std::string text = attributesPart("010361 010362 0501000000");
    EXPECT_EQ(text.find("AVP 5"), std::string::npos);
    EXPECT_EQ(text.find("Truncated"), std::string::npos);
    EXPECT_NE(text.find("AVP 1 - User-Name @23+3"), std::string::npos);
}

TEST_F(PacketTree, ValueNodesByKind) {
    struct Case {
        const char* octets;
        const char* values; // the value lines, without the Attribute and Length children
    } cases[] = {
        {"0506 00000100", "Port: #256\n"},
        {"0606 00000002", "Service Type: Framed (2)\n"},
        {"0806 c0000201", "Address: 192.0.2.1\n"},
        {"3706 00000000", "Time: 1970-01-01 00:00:00.000\n"},
        {"3806 00000102", "VLAN ID: 0x102\n"},
        {"3a07 31766c616e", "Tag Indication: Tagged (0x31)\nVLAN Name: vlan\n"},
        {"4006 0100000d", "Tag: 0x01\nTunnel Type: Unknown (13)\n"},
        {"4106 01000001", "Tag: 0x01\nMedium Type: IPv4 (1)\n"},
        {"5306 02000010", "Tag: 0x02\nPreference: #16\n"},
        {"4509 01abcd11223344", "Tag: 0x01\nSalt: 0xABCD\nEncrypted Password: <11223344>\n"},
        {"4509 0100ab11223344", "Tag: 0x01\nSalt: 0x00AB\nEncrypted Password: <11223344>\n"},
        {"0313 07000102030405060708090a0b0c0d0e0f",
         "CHAP Ident: 0x7 (7)\nCHAP Response: <000102030405060708090a0b0c0d0e0f>\n"},
        {"1a0a 00000009 41424344", "Vendor: 0x9 (9) (ciscoSystems)\nVendor Data: ABCD\n"},
        {"1a07 ffffff00 c3", "Vendor: 0xffffff00 (4294967040) (4294967040)\nVendor Data: \n"},
        {"610c 0040 20010db800000001", "Prefix Length: 64 bits\nPrefix: 20:01:0d:b8:00:00:00:01\n"},
        {"5e04 0029", "Line Type: Unrestricted Use (41)\n"},
        {"4612 00000001000000020000000300000004",
         "Challenge (High): #1\nChallenge (Low): #2\nResponse (High): #3\nResponse (Low): #4\n"},
        {"4710 01 06 00000000 0000003c 00000000",
         "Change Password Allowed: #1\nMinimum Password Length: #6\nPassword Created: 1904-01-01 "
         "00:00:00.000\nPassword Expires In: #60\nCurrent Time: 1904-01-01 00:00:00.000\n"},
        {"5012 00112233445566778899aabbccddeeff", "HMAC-MD5: <00112233445566778899aabbccddeeff>\n"},
        {"5f12 20010db8000000000000000000000001", "Address: 2001:db8::1\n"},
        {"2204 e9e9", "Text: \u00e9\u00e9\n"},
        {"0b04 c328", "Text: \n"},
    };
    for (const auto& c : cases) {
        std::string text = attributesPart(c.octets);
        std::string values;
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line))
            if (line.rfind("    ", 0) == 0 && line.find("@") == std::string::npos)
                values += line.substr(4) + "\n";
        EXPECT_EQ(values, c.values) << c.octets;
    }
}

TEST_F(PacketTree, PrivacySwitch) {
    struct Case {
        const char* octets;
        const char* off;
        const char* on;
    } cases[] = {
        {"0105 616263", "User Name: abc", "User Name: 616263"},
        {"0104 c328", "User Name: ", "User Name: c328"},
        {"5905 616263", "Identity: abc", "Identity: 616263"},
        {"5105 014142", "Text: AB", "Text: <4142>"},
        {"5205 014142", "Text: AB", "Text: 4142"},
        {"5a05 014142", "Text: AB", "Text: 4142"},
        {"5b05 014142", "Text: AB", "Text: 4142"},
        {"4205 014142", "Text: AB", "Text: AB"}, // Tunnel-Client-Endpoint is never private
        {"0212 00112233445566778899aabbccddeeff",
         "Encrypted Password: <00112233445566778899aabbccddeeff>",
         "Encrypted Password: <00112233445566778899aabbccddeeff>"},
    };
    for (bool on : {false, true}) {
        setSwitch(radius::kRADIUSSecretCredentials, on);
        for (const auto& c : cases)
            EXPECT_NE(attributesPart(c.octets).find(on ? c.on : c.off), std::string::npos)
                << c.octets << (on ? " on" : " off") << "\n"
                << attributesPart(c.octets);
    }
}

TEST_F(PacketTree, NameResolutionSwitch) {
    // 192.0.2.1 (TEST-NET-1) has no name, so resolution shows the address twice.
    setSwitch(radius::kRADIUSResolveIP, false);
    EXPECT_NE(attributesPart("0806 c0000201").find("    Address: 192.0.2.1\n"), std::string::npos);
    setSwitch(radius::kRADIUSResolveIP, true);
    EXPECT_NE(attributesPart("0806 c0000201").find("    Address (Name): 192.0.2.1 (192.0.2.1)\n"),
              std::string::npos);
    // IPv6 addresses are never resolved.
    EXPECT_NE(attributesPart("5f12 00000000000000000000000000000001").find("    Address: ::1\n"),
              std::string::npos);
}

TEST_F(PacketTree, HostileMessagesNeverFail) {
    // Every message size, a Length above and below the capture, and patterned content.
    std::uint32_t seed = 12345;
    for (int round = 0; round < 3000; ++round) {
        std::size_t size = 20 + (seed % 600);
        ByteBuffer m(size);
        for (auto& b : m) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<std::uint8_t>(seed >> 16);
        }
        m[2] = static_cast<std::uint8_t>((round % 3 == 0 ? size : seed % 700) >> 8);
        m[3] = static_cast<std::uint8_t>(round % 3 == 0 ? size : seed % 700);
        auto a = RADIUSProtocolAnalyzer::create(ByteView(m));
        ASSERT_NE(a, nullptr);
        testing::internal::CaptureStdout();
        a->protocolInfo(ByteView(m));
        a->protocolNodes(ByteView(m));
        for (const auto& p : radius::radiusPropertyTable)
            a->value(p.key, ByteView(m));
        testing::internal::GetCapturedStdout();
    }
}
