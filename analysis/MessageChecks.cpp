#include "MessageChecks.hpp"

#include "AttributeWalk.hpp"
#include "RadiusCodes.hpp"
#include "TextEscaping.hpp"
#include "ZEMAnalyzingUtilities.hpp"

#include <algorithm>
#include <array>

namespace analysis {

namespace {

constexpr std::size_t headerSize = 20;
constexpr std::uint8_t userPasswordType = 2;
constexpr std::uint8_t vendorSpecificType = 26;
constexpr std::uint8_t proxyStateType = 33;
constexpr std::uint8_t tunnelPasswordType = 69;
constexpr std::uint8_t eapMessageType = 79;
constexpr std::uint8_t messageAuthenticatorType = 80;
constexpr std::uint32_t microsoftVendor = 311;
constexpr std::uint8_t mppeSendKeyType = 16, mppeRecvKeyType = 17;

constexpr Digest zeroDigest{};

zem::ByteView view(const Digest& digest) {
    return zem::ByteView(std::span<const std::uint8_t>(digest));
}

using Attribute = RawAttribute;

// The attributes up to the first one that does not fit; a damaged one ends the walk, as
// it ends what can be trusted of the rest. The list is the calling thread's own, reused,
// so that checking a message allocates nothing.
const std::vector<Attribute>& attributesOf(zem::ByteView message) {
    thread_local std::vector<Attribute> attributes;
    attributes.clear();
    forEachAttribute(message, [](const Attribute& attribute) { attributes.push_back(attribute); });
    return attributes;
}

bool isResponse(std::uint8_t code) {
    return requestCodeFor(code) != 0;
}

bool isAccessResponse(std::uint8_t code) {
    return code == 2 || code == 3 || code == 11;
}

// The authenticator that a message's Message-Authenticator and hidden values are keyed
// with: its own for a request with a random one, sixteen zeros for one whose authenticator
// is computed, the request's for a response; nothing when that is unknown.
std::optional<Digest> keyingAuthenticator(std::uint8_t code, zem::ByteView message,
                                          const CheckInput& input) {
    if (code == 1 || code == 12) {
        Digest own{};
        std::copy_n(message.slice(4, 16).begin(), 16, own.begin());
        return own;
    }
    if (hasComputedRequestAuthenticator(code))
        return zeroDigest;
    if (isResponse(code))
        return input.requestAuthenticator;
    return std::nullopt;
}

CheckResult compared(const Digest& expected, zem::ByteView found) {
    return std::equal(expected.begin(), expected.end(), found.begin(), found.end())
               ? CheckResult::valid
               : CheckResult::invalid;
}

CheckResult checkAuthenticator(std::uint8_t code, zem::ByteView message, const CheckInput& input) {
    // A random authenticator (Access-Request, Status-Server) proves nothing by itself.
    if (!input.secret || code == 1 || code == 12)
        return CheckResult::unverified;
    const auto keyedWith = keyingAuthenticator(code, message, input);
    if (!keyedWith)
        return CheckResult::unverified;
    const Digest expected = md5({message.slice(0, 4), view(*keyedWith), message.slice(headerSize),
                                 zem::ByteView(*input.secret)});
    return compared(expected, message.slice(4, 16));
}

CheckResult checkMessageAuthenticator(std::uint8_t code, zem::ByteView message,
                                      const std::vector<Attribute>& attributes,
                                      const CheckInput& input) {
    const Attribute* found = nullptr;
    std::size_t count = 0;
    bool eap = false;
    for (const auto& attribute : attributes) {
        eap = eap || attribute.type == eapMessageType;
        if (attribute.type == messageAuthenticatorType) {
            found = &attribute;
            ++count;
        }
    }
    if (count == 0)
        return eap ? CheckResult::invalid : CheckResult::absent;
    if (count > 1 || found->value.size() != 16)
        return CheckResult::invalid;
    if (!input.secret)
        return CheckResult::unverified;
    const auto keyedWith = keyingAuthenticator(code, message, input);
    if (!keyedWith)
        return CheckResult::unverified;
    const std::size_t valueAt = found->offset + 2;
    const Digest expected =
        hmacMd5(zem::ByteView(*input.secret), {message.slice(0, 4), view(*keyedWith),
                                               message.slice(headerSize, valueAt - headerSize),
                                               view(zeroDigest), message.slice(valueAt + 16)});
    return compared(expected, found->value);
}

// Undoes the hiding of RFC 2865 section 5.2 that RFC 2868 and RFC 2548 reuse: the first
// 16-octet block is XORed with `firstPad` (MD5 of the secret and what keys it), each next
// one with MD5(secret + the hidden block before). A short last block is undone as far as
// it goes.
zem::ByteBuffer unhide(const std::string& secret, const Digest& firstPad, zem::ByteView hidden) {
    zem::ByteBuffer plain;
    plain.reserve(hidden.size());
    Digest pad = firstPad;
    for (std::size_t block = 0; block < hidden.size(); block += 16) {
        if (block > 0)
            pad = md5({zem::ByteView(secret), hidden.slice(block - 16, 16)});
        const auto cipher = hidden.slice(block, 16);
        for (std::size_t i = 0; i < cipher.size(); ++i)
            plain.push_back(static_cast<std::uint8_t>(cipher.span()[i] ^ pad[i]));
    }
    return plain;
}

// A salted value (Tunnel-Password, MS-MPPE keys): two octets of salt, then the hidden
// string whose first octet is the length of what it carries.
std::optional<zem::ByteBuffer> unhideSalted(const std::string& secret, const Digest& keyedWith,
                                            zem::ByteView salted) {
    if (salted.size() < 2 + 16)
        return std::nullopt;
    const auto salt = salted.slice(0, 2);
    const auto plain =
        unhide(secret, md5({zem::ByteView(secret), view(keyedWith), salt}), salted.slice(2));
    const std::size_t length = std::min<std::size_t>(plain[0], plain.size() - 1);
    return zem::ByteBuffer(plain.begin() + 1,
                           plain.begin() + 1 + static_cast<std::ptrdiff_t>(length));
}

void recoverVendorKeys(zem::ByteView vsa, const std::string& secret, const Digest& keyedWith,
                       std::vector<HiddenValue>& hidden) {
    if (vsa.loadBigEndian32(0) != microsoftVendor)
        return;
    std::size_t at = 4;
    while (at + 2 <= vsa.size()) {
        const std::uint8_t type = *vsa.at(at);
        const std::uint8_t length = *vsa.at(at + 1);
        if (length < 2 || at + length > vsa.size())
            return;
        if (type == mppeSendKeyType || type == mppeRecvKeyType)
            if (auto key = unhideSalted(secret, keyedWith, vsa.slice(at + 2, length - 2U)))
                hidden.push_back({type == mppeSendKeyType ? HiddenValue::Kind::mppeSendKey
                                                          : HiddenValue::Kind::mppeRecvKey,
                                  std::nullopt, std::move(*key)});
        at += length;
    }
}

std::vector<HiddenValue> recoverHidden(std::uint8_t code, zem::ByteView message,
                                       const std::vector<Attribute>& attributes,
                                       const CheckInput& input) {
    std::vector<HiddenValue> hidden;
    // Hidden values are keyed with an Access-Request's authenticator: its own, or for a
    // response the request's.
    if (!input.secret || !(code == 1 || isAccessResponse(code)))
        return hidden;
    const auto keyedWith = keyingAuthenticator(code, message, input);
    if (!keyedWith)
        return hidden;
    const std::string& secret = *input.secret;
    for (const auto& attribute : attributes) {
        if (attribute.type == userPasswordType && code == 1 && !attribute.value.empty()) {
            auto plain =
                unhide(secret, md5({zem::ByteView(secret), view(*keyedWith)}), attribute.value);
            while (!plain.empty() && plain.back() == 0)
                plain.pop_back();
            hidden.push_back({HiddenValue::Kind::userPassword, std::nullopt, std::move(plain)});
        } else if (attribute.type == tunnelPasswordType && attribute.value.size() >= 1) {
            if (auto plain = unhideSalted(secret, *keyedWith, attribute.value.slice(1)))
                hidden.push_back(
                    {HiddenValue::Kind::tunnelPassword, *attribute.value.at(0), std::move(*plain)});
        } else if (attribute.type == vendorSpecificType) {
            recoverVendorKeys(attribute.value, secret, *keyedWith, hidden);
        }
    }
    return hidden;
}

ExposureSet exposureOf(std::uint8_t code, const std::vector<Attribute>& attributes) {
    const bool hasMessageAuthenticator =
        std::any_of(attributes.begin(), attributes.end(),
                    [](const Attribute& a) { return a.type == messageAuthenticatorType; });
    const bool hasProxyState =
        std::any_of(attributes.begin(), attributes.end(),
                    [](const Attribute& a) { return a.type == proxyStateType; });
    ExposureSet exposure = 0;
    if (code == 1 && !hasMessageAuthenticator) {
        exposure |= requestWithoutMessageAuthenticator;
        if (hasProxyState)
            exposure |= proxyStateWithoutMessageAuthenticator;
    }
    if (isAccessResponse(code)) {
        if (!hasMessageAuthenticator)
            exposure |= responseWithoutMessageAuthenticator;
        else if (attributes.front().type != messageAuthenticatorType)
            exposure |= messageAuthenticatorNotFirst;
    }
    return exposure;
}

} // namespace

std::string_view checkResultText(CheckResult result) {
    switch (result) {
    case CheckResult::valid:
        return "valid";
    case CheckResult::invalid:
        return "invalid";
    case CheckResult::absent:
        return "absent";
    case CheckResult::unverified:
        break;
    }
    return "unverified";
}

std::string_view hiddenValueName(HiddenValue::Kind kind) {
    switch (kind) {
    case HiddenValue::Kind::tunnelPassword:
        return "Tunnel-Password";
    case HiddenValue::Kind::mppeSendKey:
        return "MS-MPPE-Send-Key";
    case HiddenValue::Kind::mppeRecvKey:
        return "MS-MPPE-Recv-Key";
    case HiddenValue::Kind::userPassword:
        break;
    }
    return "User-Password";
}

std::string hiddenValueText(zem::ByteView value) {
    auto text = zem::ZEMAnalyzingUtilities::utfStringFromData(value);
    if (text && zem::terminalSafe(*text) == *text)
        return *text;
    return value.hexRepresentation();
}

CheckResult MessageChecks::verdict() const {
    if (authenticator == CheckResult::invalid || messageAuthenticator == CheckResult::invalid)
        return CheckResult::invalid;
    if (authenticator == CheckResult::valid || messageAuthenticator == CheckResult::valid)
        return CheckResult::valid;
    return CheckResult::unverified;
}

const HiddenValue* MessageChecks::userPassword() const {
    for (const auto& value : hidden)
        if (value.kind == HiddenValue::Kind::userPassword)
            return &value;
    return nullptr;
}

MessageChecks checkMessage(zem::ByteView message, const CheckInput& input) {
    MessageChecks checks;
    checks.secretKnown = input.secret != nullptr;
    const auto code = message.at(0);
    const auto length = message.loadBigEndian16(2);
    if (!code || !length || *length < headerSize || message.size() < headerSize)
        return checks;
    // Octets past the Length are padding and not signed; a message cut short cannot be
    // verified, though what it shows can still be exposed.
    const bool whole = message.size() >= *length;
    message = message.slice(0, *length);
    const auto& attributes = attributesOf(message);
    checks.exposure = exposureOf(*code, attributes);
    checks.messageAuthenticator =
        checkMessageAuthenticator(*code, message, attributes, whole ? input : CheckInput{});
    if (!whole)
        return checks;
    checks.authenticator = checkAuthenticator(*code, message, input);
    checks.hidden = recoverHidden(*code, message, attributes, input);
    return checks;
}

std::vector<std::string> exposureTexts(ExposureSet exposure, std::uint8_t code) {
    const std::string name = codeName(code);
    std::vector<std::string> texts;
    if (exposure & requestWithoutMessageAuthenticator)
        texts.push_back(name + " without Message-Authenticator");
    if (exposure & proxyStateWithoutMessageAuthenticator)
        texts.push_back("Proxy-State in " + name + " without Message-Authenticator");
    if (exposure & responseWithoutMessageAuthenticator)
        texts.push_back(name + " without Message-Authenticator");
    if (exposure & messageAuthenticatorNotFirst)
        texts.push_back("Message-Authenticator not the first attribute of " + name);
    return texts;
}

} // namespace analysis
