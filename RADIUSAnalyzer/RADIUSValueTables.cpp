#include "RADIUSValueTables.hpp"

#include "FormatString.hpp"
#include "RADIUSLocalization.hpp"

#include <algorithm>
#include <array>
#include <vector>

namespace radius {

namespace {

constexpr ValueName serviceTypes[] = {
    {1, "Login (1)"},
    {2, "Framed (2)"},
    {3, "Callback Login (3)"},
    {4, "Callback Framed (4)"},
    {5, "Outbound (5)"},
    {6, "Administrative (6)"},
    {7, "NAS Prompt (7)"},
    {8, "Authenticate Only (8)"},
    {9, "Callback NAS Prompt (9)"},
    {10, "Callback Check (10)"},
    {11, "Callback Administrative (11)"},
};

constexpr ValueName framedProtocols[] = {
    {1, "PPP (1)"},
    {2, "SLIP (2)"},
    {3, "AppleTalk Remote Access Protocol (ARAP) (3)"},
    {4, "Gandalf proprietary SingleLink/MultiLink protocol (4)"},
    {5, "Xylogics proprietary IPX/SLIP (5)"},
    {6, "X.75 Synchronous (6)"},
};

constexpr ValueName framedRoutings[] = {
    {0, "None (0)"},
    {1, "Send routing packets (1)"},
    {2, "Listen for routing packets (2)"},
    {3, "Send and Listen (3)"},
};

constexpr ValueName framedCompressions[] = {
    {0, "None (0)"},
    {1, "VJ TCP/IP header compression (1)"},
    {2, "IPX header compression (2)"},
    {3, "Stac-LZS compression (3)"},
};

constexpr ValueName loginServices[] = {
    {0, "Telnet (0)"}, {1, "Rlogin (1)"},  {2, "TCP Clear (2)"}, {3, "PortMaster (3)"},
    {4, "LAT (4)"},    {5, "X25-PAD (5)"}, {6, "X25-T3POS (6)"}, {8, "TCP Clear Quiet (8)"},
};

constexpr ValueName terminationActions[] = {
    {0, "Default (0)"},
    {1, "RADIUS-Request (1)"},
};

constexpr ValueName acctStatusTypes[] = {
    {1, "Start (1)"},         {2, "Stop (2)"},           {3, "Interim-Update (3)"},
    {7, "Accounting-On (7)"}, {8, "Accounting-Off (8)"},
};

constexpr ValueName acctAuthentics[] = {
    {1, "RADIUS (1)"},
    {2, "Local (2)"},
    {3, "Remote (3)"},
};

constexpr ValueName acctTerminateCauses[] = {
    {1, "User Request (1)"},     {2, "Lost Carrier (2)"},     {3, "Lost Service (3)"},
    {4, "Idle Timeout (4)"},     {5, "Session Timeout (5)"},  {6, "Admin Reset (6)"},
    {7, "Admin Reboot (7)"},     {8, "Port Error (8)"},       {9, "NAS Error (9)"},
    {10, "NAS Request (10)"},    {11, "NAS Reboot (11)"},     {12, "Port Unneeded (12)"},
    {13, "Port Preempted (13)"}, {14, "Port Suspended (14)"}, {15, "Service Unavailable (15)"},
    {16, "Callback (16)"},       {17, "User Error (17)"},     {18, "Host Request (18)"},
};

constexpr ValueName ingressFilters[] = {
    {1, "Enabled (1)"},
    {2, "Disabled (2)"},
};

constexpr ValueName vlanTagIndications[] = {
    {0x31, "Tagged (0x31)"},
    {0x32, "Untagged (0x32)"},
};

constexpr ValueName nasPortTypes[] = {
    {0, "Async (0)"},
    {1, "Sync (1)"},
    {2, "ISDN Sync (2)"},
    {3, "ISDN Async V.120 (3)"},
    {4, "ISDN Async V.110 (4)"},
    {5, "Virtual (5)"},
    {6, "PIAFS (6)"},
    {7, "HDLC Clear Channel (7)"},
    {8, "X.25 (8)"},
    {9, "X.75 (9)"},
    {10, "G.3 Fax (10)"},
    {11, "SDSL - Symmetric DSL (11)"},
    {12, "ADSL-CAP - Asymmetric DSL, Carrierless Amplitude Phase Modulation (12)"},
    {13, "ADSL-DMT - Asymmetric DSL, Discrete Multi-Tone (13)"},
    {14, "IDSL - ISDN Digital Subscriber Line (14)"},
    {15, "Ethernet (15)"},
    {16, "xDSL - Digital Subscriber Line of unknown type (16)"},
    {17, "Cable (17)"},
    {18, "Wireless - Other (18)"},
    {19, "Wireless - IEEE 802.11 (19)"},
};

constexpr ValueName tunnelTypes[] = {
    {1, "Point-to-Point Tunneling Protocol (PPTP) (1)"},
    {2, "Layer Two Forwarding (L2F) (2)"},
    {3, "Layer Two Tunneling Protocol (L2TP) (3)"},
    {4, "Ascend Tunnel Management Protocol (ATMP) (4)"},
    {5, "Virtual Tunneling Protocol (VTP) (5)"},
    {6, "IP Authentication Header in the Tunnel-mode (AH) (6)"},
    {7, "IP-in-IP Encapsulation (IP-IP) (7)"},
    {8, "Minimal IP-in-IP Encapsulation (MIN-IP-IP) (8)"},
    {9, "IP Encapsulating Security Payload in the Tunnel-mode (ESP) (9)"},
    {10, "Generic Route Encapsulation (GRE) (10)"},
    {11, "Bay Dial Virtual Services (DVS) (11)"},
    {12, "IP-in-IP Tunneling (12)"},
};

constexpr ValueName tunnelMediumTypes[] = {
    {1, "IPv4 (1)"},
    {2, "IPv6 (2)"},
    {3, "NSAP (3)"},
    {4, "HDLC (8-bit multidrop) (4)"},
    {5, "Virtual Tunneling Protocol (VTP) (5)"},
    {6, "BBN 1822 (6)"},
    {7, "E.163 (POTS) (7)"},
    {8, "E.164 (SMDS, Frame Relay, ATM) (8)"},
    {9, "F.69 (Telex) (9)"},
    {10, "X.121 (X.25, Frame Relay) (10)"},
    {11, "IPX (11)"},
    {12, "Appletalk (12)"},
    {13, "Decnet IV (13)"},
    {14, "Banyan Vines (14)"},
    {15, "E.164 with NSAP format subaddress (15)"},
};

constexpr ValueName arapZoneAccesses[] = {
    {1, "Only allow access to default zone (1)"},
    {2, "Use zone filter inclusively (2)"},
    {3, "Use zone filter exclusively (3)"},
};

constexpr ValueName prompts[] = {
    {0, "No Echo (0)"},
    {1, "Echo (1)"},
};

// 40 to 49 are "Unrestricted Use" and come from the fallback.
constexpr ValueName originatingLineInfos[] = {
    {0, "Plain Old Telephone Service (00)"},
    {1, "Multiparty Line (01)"},
    {2, "ANI Failure (02)"},
    {3, "ANI Observed (03)"},
    {4, "ONI Observed (04)"},
    {5, "ANI Failure Observed (05)"},
    {6, "Station Level Rating (06)"},
    {7, "Special Operator Handling Required (07)"},
    {8, "InterLATA Restricted (08)"},
    {10, "Test Call (10)"},
    {20, "Automatic Identified Outward Dialing (20)"},
    {23, "Coin or Non-Coin (23)"},
    {24, "Toll Free Service (Non-Pay Origination) (24)"},
    {25, "Toll Free Service (Pay Origination) (25)"},
    {27, "Toll Free Service (Coin Control Origination) (27)"},
    {29, "Prison/ Inmate Service (29)"},
    {30, "Intercept (Blank) (30)"},
    {31, "Intercept (Trouble) (31)"},
    {32, "Intercept (Regular) (32)"},
    {34, "Telco Operator Handled Call (34)"},
    {52, "Outward Wide Area Telecommunications Service (52)"},
    {60, "Telecommunications Relay Service (60)"},
    {61, "Cellular/Wireless PCS (Type 1) (61)"},
    {62, "Cellular/Wireless PCS (Type 2) (62)"},
    {63, "Cellular/Wireless PCS (Roaming) (63)"},
    {66, "TRS (Hotel) (66)"},
    {67, "TRS (Restricted) (67)"},
    {70, "Pay Station, No Coin Control (70)"},
    {93, "Access for Private Virtual Network Service (93)"},
};

constexpr ValueName errorCauses[] = {
    {201, "Residual Session Context Removed (201)"},
    {202, "Invalid EAP Packet (202)"},
    {401, "Unsupported Attribute (401)"},
    {402, "Missing Attribute (402)"},
    {403, "NAS Identification Mismatch (403)"},
    {404, "Invalid Request (404)"},
    {405, "Unsupported Service (405)"},
    {406, "Unsupported Extension (406)"},
    {501, "Administratively Prohibited (501)"},
    {502, "Request Not Routable (502)"},
    {503, "Session Context Not Found (503)"},
    {504, "Session Context Not Removable (504)"},
    {505, "Other Proxy Processing Error (505)"},
    {506, "Resources Unavailable (506)"},
    {507, "Request Initiated (507)"},
};

constexpr std::array<ValueTableDefinition, 19> definitions = {{
    {{}, Fallback::unknownFormat},
    {serviceTypes, Fallback::unknownFormat},
    {framedProtocols, Fallback::unknownFormat},
    {framedRoutings, Fallback::bareNumber},
    {framedCompressions, Fallback::bareNumber},
    {loginServices, Fallback::unknownFormat},
    {terminationActions, Fallback::unknownFormat},
    {acctStatusTypes, Fallback::unknownFormat},
    {acctAuthentics, Fallback::blankUnknown},
    {acctTerminateCauses, Fallback::unknownFormat},
    {ingressFilters, Fallback::unknownFormat},
    {vlanTagIndications, Fallback::unknownHexFormat},
    {nasPortTypes, Fallback::unknownFormat},
    {tunnelTypes, Fallback::unknownFormat},
    {tunnelMediumTypes, Fallback::unknownFormat},
    {arapZoneAccesses, Fallback::unknownFormat},
    {prompts, Fallback::unknownFormat},
    {originatingLineInfos, Fallback::lineInformation},
    {errorCauses, Fallback::unknownFormat},
}};

constexpr bool sortedByValue(std::span<const ValueName> rows) {
    for (std::size_t i = 1; i < rows.size(); ++i)
        if (rows[i - 1].value >= rows[i].value)
            return false;
    return true;
}
static_assert(std::all_of(definitions.begin(), definitions.end(),
                          [](const auto& d) { return sortedByValue(d.rows); }),
              "value tables are looked up by binary search");

std::string fallbackText(Fallback fallback, std::uint32_t value) {
    switch (fallback) {
    case Fallback::bareNumber:
        return std::to_string(value);
    case Fallback::blankUnknown:
        return " Unknown (" + std::to_string(value) + ")";
    case Fallback::unknownHexFormat:
        return zem::fillFormat(localizedRADIUSString("Unknown (0x%02x)"), value);
    case Fallback::lineInformation:
        if (value >= 40 && value <= 49)
            return zem::fillFormat(localizedRADIUSString("Unrestricted Use (%02u)"), value);
        return zem::fillFormat(localizedRADIUSString("Unknown (%u)"), value);
    case Fallback::unknownFormat:
        break;
    }
    return zem::fillFormat(localizedRADIUSString("Unknown (%u)"), value);
}

} // namespace

const ValueTableDefinition& valueTableDefinition(ValueTable table) {
    auto index = static_cast<std::size_t>(table);
    return definitions[index < definitions.size() ? index : 0];
}

std::string valueTableText(ValueTable table, std::uint32_t value) {
    // Every row's text looked up in the strings once, beside the row.
    static const auto localized = [] {
        std::array<std::vector<std::string_view>, definitions.size()> all;
        for (std::size_t t = 0; t < definitions.size(); ++t)
            for (const auto& row : definitions[t].rows)
                all[t].push_back(localizedRADIUSString(row.text));
        return all;
    }();
    const auto index =
        static_cast<std::size_t>(table) < definitions.size() ? static_cast<std::size_t>(table) : 0;
    const auto& rows = definitions[index].rows;
    auto it = std::lower_bound(rows.begin(), rows.end(), value,
                               [](const ValueName& row, std::uint32_t v) { return row.value < v; });
    if (it != rows.end() && it->value == value)
        return std::string(localized[index][static_cast<std::size_t>(it - rows.begin())]);
    return fallbackText(definitions[index].fallback, value);
}

std::string serviceTypeText(std::uint32_t v) {
    return valueTableText(ValueTable::serviceType, v);
}
std::string framedProtocolText(std::uint32_t v) {
    return valueTableText(ValueTable::framedProtocol, v);
}
std::string framedRoutingText(std::uint32_t v) {
    return valueTableText(ValueTable::framedRouting, v);
}
std::string framedCompressionText(std::uint32_t v) {
    return valueTableText(ValueTable::framedCompression, v);
}
std::string loginServiceText(std::uint32_t v) {
    return valueTableText(ValueTable::loginService, v);
}
std::string terminationActionText(std::uint32_t v) {
    return valueTableText(ValueTable::terminationAction, v);
}
std::string acctStatusTypeText(std::uint32_t v) {
    return valueTableText(ValueTable::acctStatusType, v);
}
std::string acctAuthenticText(std::uint32_t v) {
    return valueTableText(ValueTable::acctAuthentic, v);
}
std::string acctTerminateCauseText(std::uint32_t v) {
    return valueTableText(ValueTable::acctTerminateCause, v);
}
std::string ingressFiltersText(std::uint32_t v) {
    return valueTableText(ValueTable::ingressFilters, v);
}
std::string vlanTagIndicationText(std::uint32_t v) {
    return valueTableText(ValueTable::vlanTagIndication, v);
}
std::string nasPortTypeText(std::uint32_t v) {
    return valueTableText(ValueTable::nasPortType, v);
}
std::string tunnelTypeText(std::uint32_t v) {
    return valueTableText(ValueTable::tunnelType, v);
}
std::string tunnelMediumTypeText(std::uint32_t v) {
    return valueTableText(ValueTable::tunnelMediumType, v);
}
std::string arapZoneAccessText(std::uint32_t v) {
    return valueTableText(ValueTable::arapZoneAccess, v);
}
std::string promptText(std::uint32_t v) {
    return valueTableText(ValueTable::prompt, v);
}
std::string originatingLineInfoText(std::uint16_t v) {
    return valueTableText(ValueTable::originatingLineInfo, v);
}
std::string errorCauseText(std::uint32_t v) {
    return valueTableText(ValueTable::errorCause, v);
}

} // namespace radius
