// RadiusProtocol: the numbers RADIUS gives its codes and attributes (RFC 2865, RFC 2866,
// RFC 2868, RFC 2869, RFC 3579, RFC 5176, RFC 5997), which request code a response code
// answers, and the length each standard attribute must have. Outside the plug-in, this is
// the one place that names them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace analysis {

namespace code {
inline constexpr std::uint8_t accessRequest = 1;
inline constexpr std::uint8_t accessAccept = 2;
inline constexpr std::uint8_t accessReject = 3;
inline constexpr std::uint8_t accountingRequest = 4;
inline constexpr std::uint8_t accountingResponse = 5;
inline constexpr std::uint8_t accessChallenge = 11;
inline constexpr std::uint8_t statusServer = 12;
inline constexpr std::uint8_t statusClient = 13;
inline constexpr std::uint8_t disconnectRequest = 40;
inline constexpr std::uint8_t disconnectAck = 41;
inline constexpr std::uint8_t disconnectNak = 42;
inline constexpr std::uint8_t coaRequest = 43;
inline constexpr std::uint8_t coaAck = 44;
inline constexpr std::uint8_t coaNak = 45;
} // namespace code

namespace attribute {
inline constexpr std::uint8_t userName = 1;
inline constexpr std::uint8_t userPassword = 2;
inline constexpr std::uint8_t nasIpAddress = 4;
inline constexpr std::uint8_t framedIpAddress = 8;
inline constexpr std::uint8_t vendorSpecific = 26;
inline constexpr std::uint8_t nasIdentifier = 32;
inline constexpr std::uint8_t state = 24;
inline constexpr std::uint8_t proxyState = 33;
inline constexpr std::uint8_t acctStatusType = 40;
inline constexpr std::uint8_t acctInputOctets = 42;
inline constexpr std::uint8_t acctOutputOctets = 43;
inline constexpr std::uint8_t acctSessionId = 44;
inline constexpr std::uint8_t acctSessionTime = 46;
inline constexpr std::uint8_t acctInputPackets = 47;
inline constexpr std::uint8_t acctOutputPackets = 48;
inline constexpr std::uint8_t acctTerminateCause = 49;
inline constexpr std::uint8_t acctInputGigawords = 52;
inline constexpr std::uint8_t acctOutputGigawords = 53;
inline constexpr std::uint8_t eventTimestamp = 55;
inline constexpr std::uint8_t tunnelPassword = 69;
inline constexpr std::uint8_t eapMessage = 79;
inline constexpr std::uint8_t messageAuthenticator = 80;
inline constexpr std::uint8_t nasIpv6Address = 95;
} // namespace attribute

/// Microsoft's vendor attributes that carry keys (RFC 2548).
namespace microsoft {
inline constexpr std::uint32_t vendor = 311;
inline constexpr std::uint8_t mppeSendKey = 16;
inline constexpr std::uint8_t mppeRecvKey = 17;
} // namespace microsoft

inline constexpr std::size_t headerSize = 20;

/// The request code a response code answers first, or 0 when the code is no response.
std::uint8_t requestCodeFor(std::uint8_t responseCode);
/// Every request code that a response of `responseCode` may answer: an Access-Accept
/// also answers a Status-Server (RFC 5997). Empty for a code that is no response.
std::span<const std::uint8_t> requestCodesAnsweredBy(std::uint8_t responseCode);
bool isRequestCode(std::uint8_t code);
bool isResponseCode(std::uint8_t code);
/// Access-Accept, Access-Reject or Access-Challenge.
bool isAccessResponse(std::uint8_t code);
/// Whether the authenticator of a request of `code` is computed over the message (rather
/// than random, as an Access-Request's or a Status-Server's is).
bool hasComputedRequestAuthenticator(std::uint8_t code);
/// The RFC name of the codes that requests and responses use ("Access-Accept"); "code N"
/// for others.
std::string codeName(std::uint8_t code);

/// Whether `type` is one of the standard attributes (RFC 2865 to RFC 5904, types 1 to
/// 123) that the plug-in names and decodes; others it shows as unknown.
bool isStandardAttribute(std::uint8_t type);
/// One bit for each type and length octet: whether the length is valid for the type.
extern const std::array<std::uint64_t, 256 * 4> validAttributeLengths;
/// Whether an attribute of `type` may have the length octet `length` (which counts the
/// type and length octets); a type without a rule takes any length. Inline: every
/// attribute of every message is asked about.
inline bool attributeLengthValid(std::uint8_t type, std::uint8_t length) {
    const unsigned bit = unsigned{type} << 8 | length;
    return (validAttributeLengths[bit / 64] >> (bit % 64)) & 1;
}

} // namespace analysis
