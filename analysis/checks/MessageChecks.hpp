// MessageChecks: what a RADIUS message's shared secret proves about it, and what it
// leaves open to forgery.
//
// With the client's secret (and, for a response, the authenticator of the request it
// answers) the authenticator (RFC 2865 section 3, RFC 2866 section 3, RFC 5176 section
// 2.3) and the Message-Authenticator (RFC 3579 section 3.2) are computed and compared, and
// the hidden values are recovered: User-Password (RFC 2865 section 5.2), Tunnel-Password
// (RFC 2868 section 3.5), MS-MPPE-Send-Key and -Recv-Key (RFC 2548 sections 2.4.2-3).
//
// Without a secret the checks still tell which Access messages the Blast-RADIUS forgery
// (CVE-2024-3596) can reach: those without a Message-Authenticator first.
#pragma once

#include "ByteView.hpp"
#include "checks/RadiusDigest.hpp"
#include "wire/WireMessage.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace analysis {

enum class CheckResult : std::uint8_t { unverified, valid, invalid, absent };
std::string_view checkResultText(CheckResult result);

/// The conditions that open a message to the forgery, as bits.
enum Exposure : std::uint8_t {
    requestWithoutMessageAuthenticator = 1,
    responseWithoutMessageAuthenticator = 2,
    messageAuthenticatorNotFirst = 4,
    proxyStateWithoutMessageAuthenticator = 8,
};
using ExposureSet = std::uint8_t;

struct HiddenValue {
    enum class Kind : std::uint8_t { userPassword, tunnelPassword, mppeSendKey, mppeRecvKey };
    Kind kind;
    std::optional<std::uint8_t> tag; // Tunnel-Password's
    zem::ByteBuffer value;
    /// Whether the value undid its hiding into what its kind must be. Under a wrong secret
    /// a hidden value turns into noise, which must never pass for a password: a
    /// User-Password that is no text, a salted value whose length octet does not fit, a
    /// key whose padding is not zero.
    bool decrypts = true;
};
std::string_view hiddenValueName(HiddenValue::Kind kind);
/// A recovered value as text when it is printable UTF-8, else as hexadecimal; for one
/// that does not decrypt, words that say so.
std::string hiddenValueText(const HiddenValue& value);

/// What a check needs beyond the message: the client's secret, and for a response the
/// authenticator of the request it answers.
struct CheckInput {
    const std::string* secret = nullptr;
    std::optional<Digest> requestAuthenticator;
};

struct MessageChecks {
    CheckResult authenticator = CheckResult::unverified;
    CheckResult messageAuthenticator = CheckResult::unverified;
    std::vector<HiddenValue> hidden;
    ExposureSet exposure = 0;
    bool secretKnown = false;

    /// One word for the message: invalid when either check failed, valid when one passed,
    /// else unverified.
    CheckResult verdict() const;
    /// The User-Password, when one was recovered and decrypts.
    const HiddenValue* userPassword() const;
    /// Whether a password (User-Password, Tunnel-Password) was recovered and decrypts.
    bool passwordRecovered() const;
};

/// The checks of a message. One cut short (fewer octets than its Length) has no
/// attribute list to check, and shows none.
MessageChecks checkMessage(const WireMessage& message, const CheckInput& input);

/// Each exposure of a message of `code` in words, such as "Access-Request without
/// Message-Authenticator".
/// What opens a message to the forgery, from its attributes alone: no secret needed.
ExposureSet exposureOf(const WireMessage& message);

std::vector<std::string> exposureTexts(ExposureSet exposure, std::uint8_t code);

} // namespace analysis
