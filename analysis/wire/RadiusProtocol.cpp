#include "wire/RadiusProtocol.hpp"

#include <array>
#include <string_view>

namespace analysis {

namespace {

struct CodeRow {
    std::uint8_t code;
    std::string_view name;
    std::uint8_t answers[2]; // the request codes a response answers; 0 ends the list
    bool request;
};

// One row per code: its name, and for a response the requests it answers.
constexpr CodeRow codeRows[] = {
    {code::accessRequest, "Access-Request", {}, true},
    {code::accessAccept, "Access-Accept", {code::accessRequest, code::statusServer}, false},
    {code::accessReject, "Access-Reject", {code::accessRequest}, false},
    {code::accountingRequest, "Accounting-Request", {}, true},
    {code::accountingResponse, "Accounting-Response", {code::accountingRequest}, false},
    {code::accessChallenge, "Access-Challenge", {code::accessRequest}, false},
    {code::statusServer, "Status-Server", {}, true},
    {code::statusClient, "Status-Client", {}, false},
    {code::disconnectRequest, "Disconnect-Request", {}, true},
    {code::disconnectAck, "Disconnect-ACK", {code::disconnectRequest}, false},
    {code::disconnectNak, "Disconnect-NAK", {code::disconnectRequest}, false},
    {code::coaRequest, "CoA-Request", {}, true},
    {code::coaAck, "CoA-ACK", {code::coaRequest}, false},
    {code::coaNak, "CoA-NAK", {code::coaRequest}, false},
    {255, "Reserved", {}, false},
};

const CodeRow* rowOf(std::uint8_t code) {
    for (const auto& row : codeRows)
        if (row.code == code)
            return &row;
    return nullptr;
}

// `unlisted`: a type the registry of RFC 2865 and its successors up to 123 leaves out.
enum Rule : std::uint8_t { unlisted, any, exact, atLeast };

struct LengthRow {
    std::uint8_t type;
    Rule rule;
    std::uint8_t length;
};

// The length each standard attribute must have, as the plug-in judges it (RFC 2865
// section 5 and the RFCs after it); types without a row are unlisted and take any length.
constexpr LengthRow lengthRows[] = {
    {1, atLeast, 3},   // User-Name
    {2, atLeast, 18},  // User-Password
    {3, exact, 19},    // CHAP-Password
    {4, exact, 6},     // NAS-IP-Address
    {5, exact, 6},     // NAS-Port
    {6, exact, 6},     // Service-Type
    {7, exact, 6},     // Framed-Protocol
    {8, exact, 6},     // Framed-IP-Address
    {9, exact, 6},     // Framed-IP-Netmask
    {10, exact, 6},    // Framed-Routing
    {11, atLeast, 3},  // Filter-Id
    {12, exact, 6},    // Framed-MTU
    {13, exact, 6},    // Framed-Compression
    {14, exact, 6},    // Login-IP-Host
    {15, exact, 6},    // Login-Service
    {16, exact, 6},    // Login-TCP-Port
    {18, atLeast, 3},  // Reply-Message
    {19, atLeast, 3},  // Callback-Number
    {20, atLeast, 3},  // Callback-Id
    {22, atLeast, 3},  // Framed-Route
    {23, exact, 6},    // Framed-IPX-Network
    {24, atLeast, 3},  // State
    {25, atLeast, 3},  // Class
    {26, atLeast, 7},  // Vendor-Specific
    {27, exact, 6},    // Session-Timeout
    {28, exact, 6},    // Idle-Timeout
    {29, exact, 6},    // Termination-Action
    {30, atLeast, 3},  // Called-Station-Id
    {31, atLeast, 3},  // Calling-Station-Id
    {32, atLeast, 3},  // NAS-Identifier
    {33, atLeast, 3},  // Proxy-State
    {34, atLeast, 3},  // Login-LAT-Service
    {35, atLeast, 3},  // Login-LAT-Node
    {36, exact, 34},   // Login-LAT-Group
    {37, exact, 6},    // Framed-AppleTalk-Link
    {38, exact, 6},    // Framed-AppleTalk-Network
    {39, atLeast, 3},  // Framed-AppleTalk-Zone
    {40, exact, 6},    // Acct-Status-Type
    {41, exact, 6},    // Acct-Delay-Time
    {42, exact, 6},    // Acct-Input-Octets
    {43, exact, 6},    // Acct-Output-Octets
    {44, atLeast, 3},  // Acct-Session-Id
    {45, exact, 6},    // Acct-Authentic
    {46, exact, 6},    // Acct-Session-Time
    {47, exact, 6},    // Acct-Input-Packets
    {48, exact, 6},    // Acct-Output-Packets
    {49, exact, 6},    // Acct-Terminate-Cause
    {50, atLeast, 3},  // Acct-Multi-Session-Id
    {51, exact, 6},    // Acct-Link-Count
    {52, exact, 6},    // Acct-Input-Gigawords
    {53, exact, 6},    // Acct-Output-Gigawords
    {55, exact, 6},    // Event-Timestamp
    {56, exact, 6},    // Egress-VLANID
    {57, exact, 6},    // Ingress-Filters
    {58, atLeast, 4},  // Egress-VLAN-Name
    {59, atLeast, 10}, // User-Priority-Table
    {60, atLeast, 7},  // CHAP-Challenge
    {61, exact, 6},    // NAS-Port-Type
    {62, exact, 6},    // Port-Limit
    {63, atLeast, 3},  // Login-LAT-Port
    {64, exact, 6},    // Tunnel-Type
    {65, exact, 6},    // Tunnel-Medium-Type
    {66, atLeast, 3},  // Tunnel-Client-Endpoint
    {67, atLeast, 3},  // Tunnel-Server-Endpoint
    {68, atLeast, 3},  // Acct-Tunnel-Connection
    {69, atLeast, 5},  // Tunnel-Password
    {70, exact, 18},   // ARAP-Password
    {71, exact, 16},   // ARAP-Features
    {72, exact, 6},    // ARAP-Zone-Access
    {73, exact, 6},    // ARAP-Security
    {74, atLeast, 3},  // ARAP-Security-Data
    {75, exact, 6},    // Password-Retry
    {76, exact, 6},    // Prompt
    {77, atLeast, 3},  // Connect-Info
    {78, atLeast, 3},  // Configuration-Token
    {79, atLeast, 3},  // EAP-Message
    {80, exact, 18},   // Message-Authenticator
    {81, atLeast, 3},  // Tunnel-Private-Group-ID
    {82, atLeast, 3},  // Tunnel-Assignment-ID
    {83, exact, 6},    // Tunnel-Preference
    {84, exact, 10},   // ARAP-Challenge-Response
    {85, exact, 6},    // Acct-Interim-Interval
    {86, exact, 6},    // Acct-Tunnel-Packets-Lost
    {87, atLeast, 3},  // NAS-Port-Id
    {88, atLeast, 3},  // Framed-Pool
    {89, atLeast, 3},  // CUI
    {90, atLeast, 3},  // Tunnel-Client-Auth-ID
    {91, atLeast, 3},  // Tunnel-Server-Auth-ID
    {92, atLeast, 3},  // NAS-Filter-Rule
    {94, any, 0},      // Originating-Line-Info
    {95, exact, 18},   // NAS-IPv6-Address
    {96, exact, 10},   // Framed-Interface-Id
    {97, atLeast, 4},  // Framed-IPv6-Prefix
    {98, exact, 18},   // Login-IPv6-Host
    {99, atLeast, 3},  // Framed-IPv6-Route
    {100, atLeast, 3}, // Framed-IPv6-Pool
    {101, exact, 6},   // Error-Cause
    {102, atLeast, 3}, // EAP-Key-Name
    {103, exact, 34},  // Digest-Response
    {104, atLeast, 3}, // Digest-Realm
    {105, atLeast, 3}, // Digest-Nonce
    {106, exact, 34},  // Digest-Response-Auth
    {107, atLeast, 3}, // Digest-Nextnonce
    {108, atLeast, 3}, // Digest-Method
    {109, atLeast, 3}, // Digest-URI
    {110, atLeast, 3}, // Digest-Qop
    {111, atLeast, 3}, // Digest-Algorithm
    {112, exact, 34},  // Digest-Entity-Body-Hash
    {113, atLeast, 3}, // Digest-CNonce
    {114, exact, 9},   // Digest-Nonce-Count
    {115, atLeast, 3}, // Digest-Username
    {116, atLeast, 3}, // Digest-Opaque
    {117, atLeast, 3}, // Digest-Auth-Param
    {118, atLeast, 3}, // Digest-AKA-Auts
    {119, atLeast, 3}, // Digest-Domain
    {120, atLeast, 3}, // Digest-Stale
    {121, atLeast, 3}, // Digest-HA1
    {122, atLeast, 3}, // SIP-AOR
    {123, atLeast, 4}, // Delegated-IPv6-Prefix
};

constexpr std::array<LengthRow, 256> buildLengthRules() {
    std::array<LengthRow, 256> rules{};
    for (const auto& row : lengthRows)
        rules[row.type] = row;
    return rules;
}

constexpr std::array<LengthRow, 256> lengthRules = buildLengthRules();

// The lengths from `from` on, as bits of the four words that cover 0 to 255.
constexpr std::uint64_t lengthsFrom(unsigned from, unsigned word) {
    const unsigned first = word * 64;
    if (from <= first)
        return ~std::uint64_t{0};
    if (from >= first + 64)
        return 0;
    return ~std::uint64_t{0} << (from - first);
}

// Every type and length octet judged once, a bit each: the walk asks for every attribute
// of every message.
constexpr std::array<std::uint64_t, 256 * 4> buildValidLengths() {
    std::array<std::uint64_t, 256 * 4> valid{};
    for (unsigned type = 0; type < 256; ++type) {
        const auto& rule = lengthRules[type];
        for (unsigned word = 0; word < 4; ++word) {
            auto& bits = valid[type * 4 + word];
            switch (rule.rule) {
            case exact:
                bits = rule.length / 64 == word ? std::uint64_t{1} << (rule.length % 64) : 0;
                break;
            case atLeast:
                bits = lengthsFrom(rule.length, word);
                break;
            case unlisted:
            case any:
                bits = ~std::uint64_t{0};
                break;
            }
        }
    }
    return valid;
}

} // namespace

// Made when compiled: buildValidLengths is constexpr.
constinit const std::array<std::uint64_t, 256 * 4> validAttributeLengths = buildValidLengths();

std::uint8_t requestCodeFor(std::uint8_t responseCode) {
    const auto* row = rowOf(responseCode);
    return row ? row->answers[0] : 0;
}

std::span<const std::uint8_t> requestCodesAnsweredBy(std::uint8_t responseCode) {
    const auto* row = rowOf(responseCode);
    if (!row)
        return {};
    const std::size_t count = row->answers[0] == 0 ? 0 : row->answers[1] == 0 ? 1 : 2;
    return {row->answers, count};
}

bool isRequestCode(std::uint8_t code) {
    const auto* row = rowOf(code);
    return row && row->request;
}

bool isResponseCode(std::uint8_t code) {
    return requestCodeFor(code) != 0;
}

bool isAccessResponse(std::uint8_t code) {
    return requestCodeFor(code) == code::accessRequest;
}

bool hasComputedRequestAuthenticator(std::uint8_t code) {
    return code == code::accountingRequest || code == code::disconnectRequest ||
           code == code::coaRequest;
}

std::string codeName(std::uint8_t code) {
    if (const auto* row = rowOf(code))
        return std::string(row->name);
    std::string text = "code "; // appended: GCC 12 warns falsely of a literal + number text
    text += std::to_string(code);
    return text;
}

bool isStandardAttribute(std::uint8_t type) {
    return lengthRules[type].rule != unlisted;
}

} // namespace analysis
