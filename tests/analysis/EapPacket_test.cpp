// EAP inside RADIUS: segments joined in order, what does not add up said in a note, and
// what each method's data says, as the EAP node shows it.
#include "NodeValueText.hpp"
#include "eap/EapNode.hpp"
#include "eap/EapTlsData.hpp"
#include "wire/RadiusProtocol.hpp"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Octets = std::vector<std::uint8_t>;

// A message whose attributes are `attributes` (type, value), in order.
zem::ByteBuffer message(const std::vector<std::pair<std::uint8_t, Octets>>& attributes) {
    zem::ByteBuffer octets(20, 0);
    octets[0] = 11;
    for (const auto& [type, value] : attributes) {
        octets.push_back(type);
        octets.push_back(static_cast<std::uint8_t>(value.size() + 2));
        octets.insert(octets.end(), value.begin(), value.end());
    }
    octets[3] = static_cast<std::uint8_t>(octets.size());
    octets[2] = static_cast<std::uint8_t>(octets.size() >> 8);
    return octets;
}

// The node's lines, "Title: value", children indented.
void lines(const zem::ZEMNodeProtocol& node, std::string indent, std::string& out) {
    out += indent + std::string(node.title());
    if (!std::holds_alternative<std::monostate>(node.value())) {
        out += ": ";
        zem::appendNodeValue(out, node.value());
    }
    out += "\n";
    for (const auto& child : node.children())
        lines(*child, indent + "  ", out);
}

std::string shown(const std::vector<std::pair<std::uint8_t, Octets>>& attributes) {
    const auto octets = message(attributes);
    const auto wire = analysis::WireMessage::parse(zem::ByteView(octets));
    auto node = analysis::eapNode(*wire);
    std::string out;
    if (node)
        for (const auto& child : node->children())
            lines(*child, "", out);
    return out;
}

constexpr std::uint8_t eap = analysis::attribute::eapMessage;

} // namespace

TEST(EapPacket, SegmentsJoinAndWhatDoesNotAddUpIsANote) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::uint8_t, Octets>> attributes;
        std::string expected;
    } cases[] = {
        {"no EAP-Message", {{1, {'a'}}}, ""},
        {"one segment",
         {{eap, {2, 7, 0, 8, 1, 'b', 'o', 'b'}}},
         "Code: Response (2)\nIdentifier: 7\nLength: 8\nType: Identity (1)\nIdentity: bob\n"},
        {"two segments",
         {{eap, {2, 7, 0, 8, 1, 'b'}}, {eap, {'o', 'b'}}},
         "Code: Response (2)\nIdentifier: 7\nLength: 8\nType: Identity (1)\nIdentity: bob\n"},
        {"scattered segments",
         {{eap, {2, 7, 0, 8, 1, 'b'}}, {24, {'s'}}, {eap, {'o', 'b'}}},
         "Code: Response (2)\nIdentifier: 7\nLength: 8\nType: Identity (1)\nIdentity: bob\n"
         "Note: EAP-Message segments are not consecutive attributes\n"},
        {"a segment missing",
         {{eap, {2, 7, 0, 12, 1, 'b', 'o', 'b'}}},
         "Code: Response (2)\nIdentifier: 7\nLength: 12\nType: Identity (1)\nIdentity: bob\n"
         "Note: the EAP-Message segments hold 8 octets; the EAP Length says 12\n"},
        {"octets after the packet",
         {{eap, {3, 7, 0, 4, 9, 9}}},
         "Code: Success (3)\nIdentifier: 7\nLength: 4\n"
         "Note: 2 octets follow the EAP packet in its segments\n"},
        {"a Length below a header",
         {{eap, {1, 7, 0, 2}}},
         "Code: Request (1)\nIdentifier: 7\nLength: 2\n"
         "Note: the EAP Length 2 is less than a header\n"},
        {"too few octets for a header",
         {{eap, {1, 7}}},
         "Note: the EAP-Message segments hold 2 octets, too few for an EAP header\n"},
        {"an unknown code", {{eap, {9, 1, 0, 4}}}, "Code: 9\nIdentifier: 1\nLength: 4\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(shown(c.attributes), c.expected);
    }
}

TEST(EapPacket, EachMethodShowsItsData) {
    struct Case {
        const char* what;
        Octets packet;
        std::string expected; // after Code, Identifier and Length
    } cases[] = {
        {"Nak",
         {2, 1, 0, 7, 3, 13, 25},
         "Type: Legacy Nak (3)\nDesired Type: EAP-TLS (13)\n"
         "Desired Type: PEAP (25)\n"},
        {"MD5 with a name",
         {1, 1, 0, 11, 4, 2, 0xab, 0xcd, 's', 'r', 'v'},
         "Type: MD5-Challenge (4)\nValue-Size: 2\nValue: abcd\nName: srv\n"},
        {"TLS start", {1, 1, 0, 6, 13, 0x20}, "Type: EAP-TLS (13)\nFlags: 0x20 (Start)\n"},
        {"TLS with its length",
         {1, 1, 0, 13, 13, 0xc0, 0, 0, 0x10, 0, 0x16, 3, 1},
         "Type: EAP-TLS (13)\nFlags: 0xc0 (Length included, More fragments)\n"
         "TLS Message Length: 4096\nTLS Data: 3 octets\n"},
        {"PEAP keeps a version",
         {1, 1, 0, 6, 25, 0x21},
         "Type: PEAP (25)\nFlags: 0x21 (Start)\nVersion: 1\n"},
        {"MSCHAPv2 challenge",
         {1, 1, 0, 15, 26, 1, 6, 0, 10, 2, 0x11, 0x22, 'a', 'b', 'c'},
         "Type: EAP-MSCHAPv2 (26)\nOpCode: Challenge (1)\nMS-CHAPv2-ID: 6\nMS-Length: 10\n"
         "Value: 1122\nName: abc\n"},
        {"MSCHAPv2 success from the peer",
         {2, 1, 0, 6, 26, 3},
         "Type: EAP-MSCHAPv2 (26)\nOpCode: Success (3)\n"},
        {"AKA challenge",
         {1, 1, 0, 16, 23, 1, 0, 0, 11, 2, 0, 0, 1, 2, 3, 4},
         "Type: EAP-AKA (23)\nSubtype: AKA-Challenge (1)\nAT_MAC (11): 000001020304\n"},
        {"AKA attribute past the end",
         {1, 1, 0, 12, 23, 5, 0, 0, 14, 9, 0, 0},
         "Type: EAP-AKA (23)\nSubtype: AKA-Identity (5)\nNote: an attribute runs past the "
         "packet\n"},
        {"Expanded Nak",
         {2, 1, 0, 20, 254, 0, 0, 0, 0, 0, 0, 3, 254, 0, 0, 0x5e, 0, 0, 0, 1},
         "Type: Expanded Type (254)\nExpanded Type\n  Vendor-Id: 0\n  Vendor-Type: 3\n"
         "Desired Expanded Type\n  Vendor-Id: 94\n  Vendor-Type: 1\n"},
        {"pwd commit",
         {1, 1, 0, 8, 52, 2, 9, 9},
         "Type: EAP-pwd (52)\nLength included: no\nMore fragments: no\nPWD-Exch: Commit (2)\n"
         "Data: 2 octets\n"},
        {"an unnamed type", {1, 1, 0, 7, 99, 1, 2}, "Type: 99\nType Data: 2 octets\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto header =
            "Code: " + std::string(c.packet[0] == 1 ? "Request (1)" : "Response (2)") +
            "\nIdentifier: 1\nLength: " + std::to_string(c.packet[3]) + "\n";
        EXPECT_EQ(shown({{eap, c.packet}}), header + c.expected);
    }
}

// The quick look that spares joining the EAP packets of methods that carry no TLS must
// never turn away one that does: a TLS method's start, fragment or acknowledgement, or a
// header cut across segments, which only the whole packet tells.
TEST(EapPacket, QuickLookForTlsTurnsAwayOnlyWhatCannotCarryIt) {
    constexpr std::uint8_t userName = 1;
    struct Case {
        const char* what;
        std::vector<std::pair<std::uint8_t, Octets>> attributes;
        bool mayCarryTls;
    } cases[] = {
        {"no EAP-Message", {{userName, {'a'}}}, false},
        {"Identity response", {{eap, {2, 1, 0, 6, 1, 'a'}}}, false},
        {"Nak", {{eap, {2, 2, 0, 6, 3, 13}}}, false},
        {"MD5-Challenge", {{eap, {1, 2, 0, 6, 4, 0}}}, false},
        {"Success", {{eap, {3, 2, 0, 4}}}, false},
        // RFC 6696's Finish has a type of its own: 13 there names no method.
        {"ERP Finish", {{eap, {6, 2, 0, 6, 13, 0}}}, false},
        {"EAP-TLS start", {{userName, {'a'}}, {eap, {1, 3, 0, 6, 13, 0x20}}}, true},
        {"PEAP acknowledgement", {{eap, {2, 3, 0, 6, 25, 0}}}, true},
        {"TTLS, TEAP, FAST", {{eap, {1, 3, 0, 6, 21, 0}}}, true},
        {"header cut across segments", {{eap, {1, 3, 0}}, {eap, {6, 1, 'a'}}}, true},
        {"EAP-TLS, header cut", {{eap, {1, 3, 0}}, {eap, {6, 13, 0x20}}}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto octets = message(c.attributes);
        EXPECT_EQ(analysis::mayCarryEapTls(zem::ByteView(octets)), c.mayCarryTls);
        // Never turned away where the whole packet carries TLS.
        const auto wire = analysis::WireMessage::parse(zem::ByteView(octets));
        const auto packet = analysis::joinEapPacket(*wire);
        if (packet && analysis::eapTlsData(*packet)) {
            EXPECT_TRUE(c.mayCarryTls);
        }
    }
}
