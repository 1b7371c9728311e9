#include "eap/EapMethods.hpp"

#include "eap/EapTlsData.hpp"

#include <array>
#include <cstdio>

namespace analysis {

namespace {

void add(zem::ZEMNode& node, std::string title, std::string value) {
    node.addChild(
        std::make_unique<zem::ZEMNode>(std::move(title), zem::ZEMNodeText(std::move(value))));
}

zem::ZEMNode& addBranch(zem::ZEMNode& node, std::string title) {
    auto branch = zem::ZEMNode::nodeWithName(std::move(title));
    auto& added = *branch;
    node.addChild(std::move(branch));
    return added;
}

// Texts from the wire as they are: every front end escapes them on the way out.
std::string text(zem::ByteView octets) {
    return std::string(reinterpret_cast<const char*>(octets.span().data()), octets.size());
}

std::string hex(zem::ByteView octets) {
    std::string out(octets.size() * 2, '0');
    octets.writeHexRepresentation(out.data());
    return out;
}

std::string octetCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " octet" : " octets");
}

// Identity, Notification, OTP, GTC: text.
void describeText(std::string_view title, const EapPacket& packet, zem::ZEMNode& node) {
    add(node, std::string(title), text(packet.typeData()));
}

void describeIdentity(const EapPacket& packet, zem::ZEMNode& node) {
    describeText("Identity", packet, node);
}
void describeNotification(const EapPacket& packet, zem::ZEMNode& node) {
    describeText("Notification", packet, node);
}
void describeTokenCard(const EapPacket& packet, zem::ZEMNode& node) {
    describeText(packet.code == eapCode::request ? "Prompt" : "Response", packet, node);
}

// Legacy Nak: the types the peer would take instead.
void describeNak(const EapPacket& packet, zem::ZEMNode& node) {
    for (const auto desired : packet.typeData())
        add(node, "Desired Type", eapTypeText(desired));
}

// Expanded Type (254): the vendor and its type; an Expanded Nak lists desired ones.
void describeExpanded(const EapPacket& packet, zem::ZEMNode& node) {
    const auto data = packet.typeData();
    for (std::size_t at = 0; at + 7 <= data.size(); at += 8) {
        const std::uint32_t vendor = (std::uint32_t{*data.at(at)} << 16) |
                                     (std::uint32_t{*data.at(at + 1)} << 8) | *data.at(at + 2);
        const auto vendorType = *data.loadBigEndian32(at + 3);
        auto& entry = addBranch(node, at == 0 ? "Expanded Type" : "Desired Expanded Type");
        add(entry, "Vendor-Id", std::to_string(vendor));
        add(entry, "Vendor-Type", std::to_string(vendorType));
        // Only an Expanded Nak (vendor 0, type 3) lists more than one.
        if (!(vendor == 0 && vendorType == 3)) {
            if (data.size() > at + 7)
                add(node, "Data", octetCount(data.size() - at - 7));
            return;
        }
    }
}

void describeMd5(const EapPacket& packet, zem::ZEMNode& node) {
    const auto data = packet.typeData();
    const auto size = data.at(0);
    if (!size)
        return;
    add(node, "Value-Size", std::to_string(*size));
    add(node, "Value", hex(data.slice(1, *size)));
    if (data.size() > 1u + *size)
        add(node, "Name", text(data.slice(1u + *size)));
    if (data.size() < 1u + *size)
        add(node, "Note", "the Value is cut short");
}

// EAP-TLS (RFC 5216) and the methods built on it: flags, the TLS message length, the
// fragment they carry. TTLS, PEAP, FAST and TEAP keep a version in the flags' low bits.
void describeTlsBased(const EapPacket& packet, zem::ZEMNode& node) {
    const auto tls = eapTlsData(packet);
    if (!tls)
        return;
    std::string words;
    for (const auto& [bit, word] : {std::pair{eapTlsFlag::lengthIncluded, "Length included"},
                                    std::pair{eapTlsFlag::moreFragments, "More fragments"},
                                    std::pair{eapTlsFlag::start, "Start"}})
        if (tls->flags & bit)
            words += (words.empty() ? "" : ", ") + std::string(word);
    char value[16];
    std::snprintf(value, sizeof value, "0x%02x", tls->flags);
    add(node, "Flags", std::string(value) + (words.empty() ? "" : " (" + words + ")"));
    if (*packet.type != 13)
        add(node, "Version", std::to_string(tls->flags & 0x07));
    if (tls->messageLength)
        add(node, "TLS Message Length", std::to_string(*tls->messageLength));
    if (!tls->fragment.empty())
        add(node, "TLS Data", octetCount(tls->fragment.size()));
}

void describeMschapV2(const EapPacket& packet, zem::ZEMNode& node) {
    static constexpr std::array<std::string_view, 8> opCodes = {
        "", "Challenge", "Response", "Success", "Failure", "", "", "Change-Password"};
    const auto data = packet.typeData();
    const auto opCode = data.at(0);
    if (!opCode)
        return;
    const bool named = *opCode < opCodes.size() && !opCodes[*opCode].empty();
    add(node, "OpCode", namedNumber(named ? opCodes[*opCode] : std::string_view(), *opCode));
    // Success and Failure from the peer are the opcode alone.
    if (data.size() < 4)
        return;
    add(node, "MS-CHAPv2-ID", std::to_string(*data.at(1)));
    add(node, "MS-Length", std::to_string(*data.loadBigEndian16(2)));
    if (*opCode == 1 || *opCode == 2) {
        const auto size = data.at(4);
        if (!size)
            return;
        add(node, "Value", hex(data.slice(5, *size)));
        if (data.size() > 5u + *size)
            add(node, "Name", text(data.slice(5u + *size)));
    } else if (*opCode == 3 || *opCode == 4) {
        add(node, "Message", text(data.slice(4)));
    }
}

struct SimAkaName {
    std::uint8_t number;
    std::string_view name;
};

constexpr SimAkaName simAkaSubtypes[] = {
    {1, "AKA-Challenge"},
    {2, "AKA-Authentication-Reject"},
    {4, "AKA-Synchronization-Failure"},
    {5, "AKA-Identity"},
    {10, "SIM-Start"},
    {11, "SIM-Challenge"},
    {12, "Notification"},
    {13, "Re-authentication"},
    {14, "Client-Error"},
};

constexpr SimAkaName simAkaAttributes[] = {
    {1, "AT_RAND"},
    {2, "AT_AUTN"},
    {3, "AT_RES"},
    {4, "AT_AUTS"},
    {6, "AT_PADDING"},
    {7, "AT_NONCE_MT"},
    {10, "AT_PERMANENT_ID_REQ"},
    {11, "AT_MAC"},
    {12, "AT_NOTIFICATION"},
    {13, "AT_ANY_ID_REQ"},
    {14, "AT_IDENTITY"},
    {15, "AT_VERSION_LIST"},
    {16, "AT_SELECTED_VERSION"},
    {17, "AT_FULLAUTH_ID_REQ"},
    {19, "AT_COUNTER"},
    {20, "AT_COUNTER_TOO_SMALL"},
    {21, "AT_NONCE_S"},
    {22, "AT_CLIENT_ERROR_CODE"},
    {23, "AT_KDF_INPUT"},
    {24, "AT_KDF"},
    {129, "AT_IV"},
    {130, "AT_ENCR_DATA"},
    {132, "AT_NEXT_PSEUDONYM"},
    {133, "AT_NEXT_REAUTH_ID"},
    {134, "AT_CHECKCODE"},
    {135, "AT_RESULT_IND"},
    {136, "AT_BIDDING"},
};

template <std::size_t N> std::string simAkaText(const SimAkaName (&table)[N], std::uint8_t number) {
    for (const auto& row : table)
        if (row.number == number)
            return namedNumber(row.name, number);
    return std::to_string(number);
}

// EAP-SIM (RFC 4186), EAP-AKA (RFC 4187) and EAP-AKA' (RFC 9048): a subtype, two reserved
// octets, then attributes whose length counts four octets.
void describeSimAka(const EapPacket& packet, zem::ZEMNode& node) {
    const auto data = packet.typeData();
    const auto subtype = data.at(0);
    if (!subtype)
        return;
    add(node, "Subtype", simAkaText(simAkaSubtypes, *subtype));
    std::size_t at = 3;
    while (at + 2 <= data.size()) {
        const auto type = *data.at(at);
        const std::size_t length = std::size_t{*data.at(at + 1)} * 4;
        if (length == 0 || at + length > data.size()) {
            add(node, "Note", "an attribute runs past the packet");
            return;
        }
        add(node, simAkaText(simAkaAttributes, type), hex(data.slice(at + 2, length - 2)));
        at += length;
    }
}

// EAP-pwd (RFC 5931): the L and M flags and the exchange.
void describePwd(const EapPacket& packet, zem::ZEMNode& node) {
    static constexpr std::array<std::string_view, 4> exchanges = {"", "ID", "Commit", "Confirm"};
    const auto data = packet.typeData();
    const auto flags = data.at(0);
    if (!flags)
        return;
    const std::size_t exchange = *flags & 0x3fu;
    add(node, "Length included", (*flags & 0x80) ? "yes" : "no");
    add(node, "More fragments", (*flags & 0x40) ? "yes" : "no");
    add(node, "PWD-Exch",
        namedNumber(exchange < exchanges.size() ? exchanges[exchange] : std::string_view(),
                    exchange));
    if (data.size() > 1)
        add(node, "Data", octetCount(data.size() - 1));
}

struct MethodRow {
    std::uint8_t type;
    std::string_view name;
    void (*describe)(const EapPacket&, zem::ZEMNode&);
};

constexpr MethodRow methods[] = {
    {1, "Identity", describeIdentity},
    {2, "Notification", describeNotification},
    {3, "Legacy Nak", describeNak},
    {4, "MD5-Challenge", describeMd5},
    {5, "One-Time Password", describeTokenCard},
    {6, "Generic Token Card", describeTokenCard},
    {13, "EAP-TLS", describeTlsBased},
    {18, "EAP-SIM", describeSimAka},
    {21, "EAP-TTLS", describeTlsBased},
    {23, "EAP-AKA", describeSimAka},
    {25, "PEAP", describeTlsBased},
    {26, "EAP-MSCHAPv2", describeMschapV2},
    {43, "EAP-FAST", describeTlsBased},
    {50, "EAP-AKA'", describeSimAka},
    {52, "EAP-pwd", describePwd},
    {55, "TEAP", describeTlsBased},
    {254, "Expanded Type", describeExpanded},
    {255, "Experimental", nullptr},
};

const MethodRow* methodRow(std::uint8_t type) {
    for (const auto& row : methods)
        if (row.type == type)
            return &row;
    return nullptr;
}

} // namespace

std::string namedNumber(std::string_view name, std::size_t number) {
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) of texts put before a
    // number's.
    std::string text(name);
    if (!text.empty())
        text += " (";
    text += std::to_string(number);
    if (!name.empty())
        text += ')';
    return text;
}

std::optional<std::string_view> eapTypeName(std::uint8_t type) {
    if (const auto* row = methodRow(type))
        return row->name;
    return std::nullopt;
}

std::string eapTypeText(std::uint8_t type) {
    const auto name = eapTypeName(type);
    return namedNumber(name.value_or(std::string_view()), type);
}

std::optional<std::string> eapIdentity(const EapPacket& packet) {
    if (packet.type != 1)
        return std::nullopt;
    return text(packet.typeData());
}

void addEapMethodNodes(const EapPacket& packet, zem::ZEMNode& node) {
    if (!packet.type)
        return;
    if (const auto* row = methodRow(*packet.type); row && row->describe)
        row->describe(packet, node);
    else if (const auto data = packet.typeData(); !data.empty())
        add(node, "Type Data", octetCount(data.size()));
}

} // namespace analysis
