// The attribute names that stand in when no dictionary can be read: the standard types 1
// to 123 as FreeRADIUS's dictionaries name them, without vendors or value names.
#include "dictionary/BuiltInAttributes.hpp"

#include <array>

namespace analysis {

namespace {

struct BuiltIn {
    std::uint8_t number;
    const char* name;
    AvpType type;
    bool hasTag;
    std::uint8_t encrypt;
};

constexpr BuiltIn builtIn[] = {
    {1, "User-Name", AvpType::string, false, 0},
    {2, "User-Password", AvpType::string, false, 1},
    {3, "CHAP-Password", AvpType::octets, false, 0},
    {4, "NAS-IP-Address", AvpType::ipaddr, false, 0},
    {5, "NAS-Port", AvpType::integer, false, 0},
    {6, "Service-Type", AvpType::integer, false, 0},
    {7, "Framed-Protocol", AvpType::integer, false, 0},
    {8, "Framed-IP-Address", AvpType::ipaddr, false, 0},
    {9, "Framed-IP-Netmask", AvpType::ipaddr, false, 0},
    {10, "Framed-Routing", AvpType::integer, false, 0},
    {11, "Filter-Id", AvpType::string, false, 0},
    {12, "Framed-MTU", AvpType::integer, false, 0},
    {13, "Framed-Compression", AvpType::integer, false, 0},
    {14, "Login-IP-Host", AvpType::ipaddr, false, 0},
    {15, "Login-Service", AvpType::integer, false, 0},
    {16, "Login-TCP-Port", AvpType::integer, false, 0},
    {17, "Old-Password", AvpType::string, false, 0},
    {18, "Reply-Message", AvpType::string, false, 0},
    {19, "Callback-Number", AvpType::string, false, 0},
    {20, "Callback-Id", AvpType::string, false, 0},
    {22, "Framed-Route", AvpType::string, false, 0},
    {23, "Framed-IPX-Network", AvpType::ipaddr, false, 0},
    {24, "State", AvpType::octets, false, 0},
    {25, "Class", AvpType::octets, false, 0},
    {26, "Vendor-Specific", AvpType::vsa, false, 0},
    {27, "Session-Timeout", AvpType::integer, false, 0},
    {28, "Idle-Timeout", AvpType::integer, false, 0},
    {29, "Termination-Action", AvpType::integer, false, 0},
    {30, "Called-Station-Id", AvpType::string, false, 0},
    {31, "Calling-Station-Id", AvpType::string, false, 0},
    {32, "NAS-Identifier", AvpType::string, false, 0},
    {33, "Proxy-State", AvpType::octets, false, 0},
    {34, "Login-LAT-Service", AvpType::string, false, 0},
    {35, "Login-LAT-Node", AvpType::string, false, 0},
    {36, "Login-LAT-Group", AvpType::octets, false, 0},
    {37, "Framed-AppleTalk-Link", AvpType::integer, false, 0},
    {38, "Framed-AppleTalk-Network", AvpType::integer, false, 0},
    {39, "Framed-AppleTalk-Zone", AvpType::string, false, 0},
    {40, "Acct-Status-Type", AvpType::integer, false, 0},
    {41, "Acct-Delay-Time", AvpType::integer, false, 0},
    {42, "Acct-Input-Octets", AvpType::integer, false, 0},
    {43, "Acct-Output-Octets", AvpType::integer, false, 0},
    {44, "Acct-Session-Id", AvpType::string, false, 0},
    {45, "Acct-Authentic", AvpType::integer, false, 0},
    {46, "Acct-Session-Time", AvpType::integer, false, 0},
    {47, "Acct-Input-Packets", AvpType::integer, false, 0},
    {48, "Acct-Output-Packets", AvpType::integer, false, 0},
    {49, "Acct-Terminate-Cause", AvpType::integer, false, 0},
    {50, "Acct-Multi-Session-Id", AvpType::string, false, 0},
    {51, "Acct-Link-Count", AvpType::integer, false, 0},
    {52, "Acct-Input-Gigawords", AvpType::integer, false, 0},
    {53, "Acct-Output-Gigawords", AvpType::integer, false, 0},
    {55, "Event-Timestamp", AvpType::date, false, 0},
    {56, "Egress-VLANID", AvpType::integer, false, 0},
    {57, "Ingress-Filters", AvpType::integer, false, 0},
    {58, "Egress-VLAN-Name", AvpType::string, false, 0},
    {59, "User-Priority-Table", AvpType::octets, false, 0},
    {60, "CHAP-Challenge", AvpType::octets, false, 0},
    {61, "NAS-Port-Type", AvpType::integer, false, 0},
    {62, "Port-Limit", AvpType::integer, false, 0},
    {63, "Login-LAT-Port", AvpType::string, false, 0},
    {64, "Tunnel-Type", AvpType::integer, true, 0},
    {65, "Tunnel-Medium-Type", AvpType::integer, true, 0},
    {66, "Tunnel-Client-Endpoint", AvpType::string, true, 0},
    {67, "Tunnel-Server-Endpoint", AvpType::string, true, 0},
    {68, "Acct-Tunnel-Connection", AvpType::string, false, 0},
    {69, "Tunnel-Password", AvpType::string, true, 2},
    {70, "ARAP-Password", AvpType::octets, false, 0},
    {71, "ARAP-Features", AvpType::octets, false, 0},
    {72, "ARAP-Zone-Access", AvpType::integer, false, 0},
    {73, "ARAP-Security", AvpType::integer, false, 0},
    {74, "ARAP-Security-Data", AvpType::string, false, 0},
    {75, "Password-Retry", AvpType::integer, false, 0},
    {76, "Prompt", AvpType::integer, false, 0},
    {77, "Connect-Info", AvpType::string, false, 0},
    {78, "Configuration-Token", AvpType::string, false, 0},
    {79, "EAP-Message", AvpType::octets, false, 0},
    {80, "Message-Authenticator", AvpType::octets, false, 0},
    {81, "Tunnel-Private-Group-Id", AvpType::string, true, 0},
    {82, "Tunnel-Assignment-Id", AvpType::string, true, 0},
    {83, "Tunnel-Preference", AvpType::integer, true, 0},
    {84, "ARAP-Challenge-Response", AvpType::octets, false, 0},
    {85, "Acct-Interim-Interval", AvpType::integer, false, 0},
    {86, "Acct-Tunnel-Packets-Lost", AvpType::integer, false, 0},
    {87, "NAS-Port-Id", AvpType::string, false, 0},
    {88, "Framed-Pool", AvpType::string, false, 0},
    {89, "Chargeable-User-Identity", AvpType::octets, false, 0},
    {90, "Tunnel-Client-Auth-Id", AvpType::string, true, 0},
    {91, "Tunnel-Server-Auth-Id", AvpType::string, true, 0},
    {92, "NAS-Filter-Rule", AvpType::string, false, 0},
    {94, "Originating-Line-Info", AvpType::octets, false, 0},
    {95, "NAS-IPv6-Address", AvpType::ipv6addr, false, 0},
    {96, "Framed-Interface-Id", AvpType::ifid, false, 0},
    {97, "Framed-IPv6-Prefix", AvpType::ipv6prefix, false, 0},
    {98, "Login-IPv6-Host", AvpType::ipv6addr, false, 0},
    {99, "Framed-IPv6-Route", AvpType::string, false, 0},
    {100, "Framed-IPv6-Pool", AvpType::string, false, 0},
    {101, "Error-Cause", AvpType::integer, false, 0},
    {102, "EAP-Key-Name", AvpType::octets, false, 0},
    {123, "Delegated-IPv6-Prefix", AvpType::ipv6prefix, false, 0},
};

} // namespace

RadiusDictionary builtInDictionary() {
    RadiusDictionary dictionary;
    for (const auto& entry : builtIn) {
        AttributeDefinition definition;
        definition.name = entry.name;
        definition.path = AvpPath{}.child(entry.number);
        definition.type = entry.type;
        definition.hasTag = entry.hasTag;
        definition.encrypt = entry.encrypt;
        dictionary.addAttribute(std::move(definition));
    }
    return dictionary;
}

} // namespace analysis
