#include "RADIUSAttributeDictionary.hpp"

namespace radius {

namespace {

using K = AttributeKind;
using T = ValueTable;

struct Row {
    std::uint8_t type;
    AttributeDefinition definition;
};

constexpr AttributeDefinition exactly(std::uint8_t n, K kind, T table = T::none) {
    return {LengthRule::exactly, n, kind, table, Privacy::none};
}
constexpr AttributeDefinition atLeast(std::uint8_t n, K kind, Privacy privacy = Privacy::none) {
    return {LengthRule::atLeast, n, kind, T::none, privacy};
}

// Types 17, 21, 54, 93, 0 and 124 to 255 have no row: they are unlisted.
constexpr Row rows[] = {
    {1, atLeast(3, K::privateText, Privacy::asHex)},            // User-Name
    {2, atLeast(18, K::octets)},                                // User-Password
    {3, exactly(19, K::chapPassword)},                          // CHAP-Password
    {4, exactly(6, K::ipv4Address)},                            // NAS-IP-Address
    {5, exactly(6, K::number)},                                 // NAS-Port
    {6, exactly(6, K::enumerated, T::serviceType)},             // Service-Type
    {7, exactly(6, K::enumerated, T::framedProtocol)},          // Framed-Protocol
    {8, exactly(6, K::ipv4Address)},                            // Framed-IP-Address
    {9, exactly(6, K::ipv4Address)},                            // Framed-IP-Netmask
    {10, exactly(6, K::enumerated, T::framedRouting)},          // Framed-Routing
    {11, atLeast(3, K::utf8Text)},                              // Filter-Id
    {12, exactly(6, K::number)},                                // Framed-MTU
    {13, exactly(6, K::enumerated, T::framedCompression)},      // Framed-Compression
    {14, exactly(6, K::ipv4Address)},                           // Login-IP-Host
    {15, exactly(6, K::enumerated, T::loginService)},           // Login-Service
    {16, exactly(6, K::number)},                                // Login-TCP-Port
    {18, atLeast(3, K::utf8Text)},                              // Reply-Message
    {19, atLeast(3, K::utf8Text)},                              // Callback-Number
    {20, atLeast(3, K::utf8Text)},                              // Callback-Id
    {22, atLeast(3, K::utf8Text)},                              // Framed-Route
    {23, exactly(6, K::ipv4Address)},                           // Framed-IPX-Network
    {24, atLeast(3, K::utf8Text)},                              // State
    {25, atLeast(3, K::utf8Text)},                              // Class
    {26, atLeast(7, K::vendorSpecific)},                        // Vendor-Specific
    {27, exactly(6, K::number)},                                // Session-Timeout
    {28, exactly(6, K::number)},                                // Idle-Timeout
    {29, exactly(6, K::enumerated, T::terminationAction)},      // Termination-Action
    {30, atLeast(3, K::utf8Text)},                              // Called-Station-Id
    {31, atLeast(3, K::utf8Text)},                              // Calling-Station-Id
    {32, atLeast(3, K::utf8Text)},                              // NAS-Identifier
    {33, atLeast(3, K::utf8Text)},                              // Proxy-State
    {34, atLeast(3, K::latin1Text)},                            // Login-LAT-Service
    {35, atLeast(3, K::latin1Text)},                            // Login-LAT-Node
    {36, exactly(34, K::asciiText)},                            // Login-LAT-Group
    {37, exactly(6, K::number)},                                // Framed-AppleTalk-Link
    {38, exactly(6, K::number)},                                // Framed-AppleTalk-Network
    {39, atLeast(3, K::asciiText)},                             // Framed-AppleTalk-Zone
    {40, exactly(6, K::enumerated, T::acctStatusType)},         // Acct-Status-Type
    {41, exactly(6, K::number)},                                // Acct-Delay-Time
    {42, exactly(6, K::number)},                                // Acct-Input-Octets
    {43, exactly(6, K::number)},                                // Acct-Output-Octets
    {44, atLeast(3, K::utf8Text)},                              // Acct-Session-Id
    {45, exactly(6, K::enumerated, T::acctAuthentic)},          // Acct-Authentic
    {46, exactly(6, K::number)},                                // Acct-Session-Time
    {47, exactly(6, K::number)},                                // Acct-Input-Packets
    {48, exactly(6, K::number)},                                // Acct-Output-Packets
    {49, exactly(6, K::enumerated, T::acctTerminateCause)},     // Acct-Terminate-Cause
    {50, atLeast(3, K::utf8Text)},                              // Acct-Multi-Session-Id
    {51, exactly(6, K::number)},                                // Acct-Link-Count
    {52, exactly(6, K::number)},                                // Acct-Input-Gigawords
    {53, exactly(6, K::number)},                                // Acct-Output-Gigawords
    {55, exactly(6, K::timestamp)},                             // Event-Timestamp
    {56, exactly(6, K::hexNumber)},                             // Egress-VLANID
    {57, exactly(6, K::enumerated, T::ingressFilters)},         // Ingress-Filters
    {58, atLeast(4, K::vlanName)},                              // Egress-VLAN-Name
    {59, atLeast(10, K::asciiText)},                            // User-Priority-Table
    {60, atLeast(7, K::octets)},                                // CHAP-Challenge
    {61, exactly(6, K::enumerated, T::nasPortType)},            // NAS-Port-Type
    {62, exactly(6, K::number)},                                // Port-Limit
    {63, atLeast(3, K::latin1Text)},                            // Login-LAT-Port
    {64, exactly(6, K::taggedEnumerated, T::tunnelType)},       // Tunnel-Type
    {65, exactly(6, K::taggedEnumerated, T::tunnelMediumType)}, // Tunnel-Medium-Type
    {66, atLeast(3, K::taggedAsciiText)},                       // Tunnel-Client-Endpoint
    {67, atLeast(3, K::taggedAsciiText)},                       // Tunnel-Server-Endpoint
    {68, atLeast(3, K::asciiText)},                             // Acct-Tunnel-Connection
    {69, atLeast(5, K::tunnelPassword)},                        // Tunnel-Password
    {70, exactly(18, K::arapPassword)},                         // ARAP-Password
    {71, exactly(16, K::arapFeatures)},                         // ARAP-Features
    {72, exactly(6, K::enumerated, T::arapZoneAccess)},         // ARAP-Zone-Access
    {73, exactly(6, K::number)},                                // ARAP-Security
    {74, atLeast(3, K::octets)},                                // ARAP-Security-Data
    {75, exactly(6, K::number)},                                // Password-Retry
    {76, exactly(6, K::enumerated, T::prompt)},                 // Prompt
    {77, atLeast(3, K::utf8Text)},                              // Connect-Info
    {78, atLeast(3, K::asciiText)},                             // Configuration-Token
    {79, atLeast(3, K::octets)},                                // EAP-Message
    {80, exactly(18, K::octets)},                               // Message-Authenticator
    {81, atLeast(3, K::taggedUtf8Text, Privacy::asOctets)},     // Tunnel-Private-Group-ID
    {82, atLeast(3, K::taggedAsciiText, Privacy::asHex)},       // Tunnel-Assignment-ID
    {83, exactly(6, K::taggedNumber)},                          // Tunnel-Preference
    {84, exactly(10, K::utf8Text)},                             // ARAP-Challenge-Response
    {85, exactly(6, K::number)},                                // Acct-Interim-Interval
    {86, exactly(6, K::number)},                                // Acct-Tunnel-Packets-Lost
    {87, atLeast(3, K::utf8Text)},                              // NAS-Port-Id
    {88, atLeast(3, K::asciiText)},                             // Framed-Pool
    {89, atLeast(3, K::privateText, Privacy::asHex)},           // CUI
    {90, atLeast(3, K::taggedUtf8Text, Privacy::asHex)},        // Tunnel-Client-Auth-ID
    {91, atLeast(3, K::taggedUtf8Text, Privacy::asHex)},        // Tunnel-Server-Auth-ID
    {92, atLeast(3, K::asciiText)},                             // NAS-Filter-Rule
    {94, {LengthRule::none, 0, K::lineInformation, T::originatingLineInfo, Privacy::none}},
    {95, exactly(18, K::ipv6Address)},               // NAS-IPv6-Address
    {96, exactly(10, K::asciiText)},                 // Framed-Interface-Id
    {97, atLeast(4, K::ipv6Prefix)},                 // Framed-IPv6-Prefix
    {98, exactly(18, K::ipv6Address)},               // Login-IPv6-Host
    {99, atLeast(3, K::asciiText)},                  // Framed-IPv6-Route
    {100, atLeast(3, K::asciiText)},                 // Framed-IPv6-Pool
    {101, exactly(6, K::enumerated, T::errorCause)}, // Error-Cause
    {102, atLeast(3, K::asciiText)},                 // EAP-Key-Name
    {103, exactly(34, K::octets)},                   // Digest-Response
    {104, atLeast(3, K::octets)},                    // Digest-Realm
    {105, atLeast(3, K::octets)},                    // Digest-Nonce
    {106, exactly(34, K::octets)},                   // Digest-Response-Auth
    {107, atLeast(3, K::octets)},                    // Digest-Nextnonce
    {108, atLeast(3, K::octets)},                    // Digest-Method
    {109, atLeast(3, K::octets)},                    // Digest-URI
    {110, atLeast(3, K::octets)},                    // Digest-Qop
    {111, atLeast(3, K::octets)},                    // Digest-Algorithm
    {112, exactly(34, K::octets)},                   // Digest-Entity-Body-Hash
    {113, atLeast(3, K::octets)},                    // Digest-CNonce
    {114, exactly(9, K::octets)},                    // Digest-Nonce-Count
    {115, atLeast(3, K::octets)},                    // Digest-Username
    {116, atLeast(3, K::octets)},                    // Digest-Opaque
    {117, atLeast(3, K::octets)},                    // Digest-Auth-Param
    {118, atLeast(3, K::octets)},                    // Digest-AKA-Auts
    {119, atLeast(3, K::octets)},                    // Digest-Domain
    {120, atLeast(3, K::octets)},                    // Digest-Stale
    {121, atLeast(3, K::octets)},                    // Digest-HA1
    {122, atLeast(3, K::utf8Text)},                  // SIP-AOR
    {123, atLeast(4, K::ipv6Prefix)},                // Delegated-IPv6-Prefix
};

constexpr std::array<AttributeDefinition, 256> buildDictionary() {
    std::array<AttributeDefinition, 256> dictionary{};
    for (const auto& row : rows)
        dictionary[row.type] = row.definition;
    return dictionary;
}

constexpr std::array<AttributeDefinition, 256> dictionary = buildDictionary();

static_assert(dictionary[17].kind == K::unlisted && dictionary[21].kind == K::unlisted &&
              dictionary[54].kind == K::unlisted && dictionary[93].kind == K::unlisted);
static_assert(dictionary[123].kind == K::ipv6Prefix && dictionary[124].kind == K::unlisted);

} // namespace

const AttributeDefinition& attributeDefinition(std::uint8_t type) {
    return dictionary[type];
}

} // namespace radius
