#include "checks/MessageChecks.hpp"

#include "TextEscaping.hpp"
#include "ZEMAnalyzingUtilities.hpp"
#include "wire/RadiusProtocol.hpp"

#include <algorithm>
#include <array>

namespace analysis {

namespace {

constexpr Digest zeroDigest{};

zem::ByteView view(const Digest& digest) {
    return zem::ByteView(std::span<const std::uint8_t>(digest));
}

// A damaged attribute's octets are not all there: only whole ones take part.
template <typename Visit> void forEachWhole(const WireMessage& message, Visit visit) {
    for (const auto& attribute : message.attributes)
        if (attribute.whole())
            visit(attribute);
}

// The authenticator that a message's Message-Authenticator and hidden values are keyed
// with: its own for a request with a random one, sixteen zeros for one whose authenticator
// is computed, the request's for a response; nothing when that is unknown.
std::optional<Digest> keyingAuthenticator(const WireMessage& message, const CheckInput& input) {
    const auto code = message.code;
    if (code == code::accessRequest || code == code::statusServer) {
        Digest own{};
        std::copy_n(message.authenticator().begin(), 16, own.begin());
        return own;
    }
    if (hasComputedRequestAuthenticator(code))
        return zeroDigest;
    if (isResponseCode(code))
        return input.requestAuthenticator;
    return std::nullopt;
}

CheckResult compared(const Digest& expected, zem::ByteView found) {
    return std::equal(expected.begin(), expected.end(), found.begin(), found.end())
               ? CheckResult::valid
               : CheckResult::invalid;
}

CheckResult checkAuthenticator(const WireMessage& message, const CheckInput& input) {
    // A random authenticator (Access-Request, Status-Server) proves nothing by itself.
    const auto code = message.code;
    if (!input.secret || code == code::accessRequest || code == code::statusServer)
        return CheckResult::unverified;
    const auto keyedWith = keyingAuthenticator(message, input);
    if (!keyedWith)
        return CheckResult::unverified;
    const auto octets = message.signedOctets();
    const Digest expected = md5({octets.slice(0, 4), view(*keyedWith), octets.slice(headerSize),
                                 zem::ByteView(*input.secret)});
    return compared(expected, message.authenticator());
}

CheckResult checkMessageAuthenticator(const WireMessage& message, const CheckInput& input) {
    const Attribute* found = nullptr;
    std::size_t count = 0;
    bool eap = false;
    forEachWhole(message, [&](const Attribute& attribute) {
        eap = eap || attribute.type == attribute::eapMessage;
        if (attribute.type == attribute::messageAuthenticator) {
            found = &attribute;
            ++count;
        }
    });
    if (count == 0)
        return eap ? CheckResult::invalid : CheckResult::absent;
    if (count > 1 || found->value.size() != 16)
        return CheckResult::invalid;
    if (!input.secret)
        return CheckResult::unverified;
    const auto keyedWith = keyingAuthenticator(message, input);
    if (!keyedWith)
        return CheckResult::unverified;
    const auto octets = message.signedOctets();
    const std::size_t valueAt = found->offset + 2;
    const Digest expected =
        hmacMd5(zem::ByteView(*input.secret), {octets.slice(0, 4), view(*keyedWith),
                                               octets.slice(headerSize, valueAt - headerSize),
                                               view(zeroDigest), octets.slice(valueAt + 16)});
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

// A User-Password is text padded with zeros: noise from a wrong secret is not.
bool isPasswordText(const zem::ByteBuffer& password) {
    const bool control = std::any_of(password.begin(), password.end(), [](std::uint8_t octet) {
        return octet < 0x20 || octet == 0x7F;
    });
    return !control &&
           zem::ZEMAnalyzingUtilities::utfStringFromData(zem::ByteView(password)).has_value();
}

HiddenValue userPassword(const std::string& secret, const Digest& keyedWith, zem::ByteView hidden) {
    auto plain = unhide(secret, md5({zem::ByteView(secret), view(keyedWith)}), hidden);
    while (!plain.empty() && plain.back() == 0)
        plain.pop_back();
    const bool text = isPasswordText(plain);
    return {HiddenValue::Kind::userPassword, std::nullopt, std::move(plain), text};
}

// A salted value (Tunnel-Password, MS-MPPE keys): two octets of salt, then the hidden
// string whose first octet is the length of what it carries. The length must fit the
// string; `zeroPadding` also asks that what follows the value be zeros (RFC 2548 section
// 2.4.2).
std::optional<HiddenValue> unhideSalted(HiddenValue::Kind kind, const std::string& secret,
                                        const Digest& keyedWith, zem::ByteView salted,
                                        bool zeroPadding) {
    if (salted.size() < 2 + 16)
        return std::nullopt;
    const auto salt = salted.slice(0, 2);
    const auto plain =
        unhide(secret, md5({zem::ByteView(secret), view(keyedWith), salt}), salted.slice(2));
    const std::size_t carried = plain.size() - 1;
    const std::size_t length = std::min<std::size_t>(plain[0], carried);
    const auto valueEnd = plain.begin() + 1 + static_cast<std::ptrdiff_t>(length);
    bool decrypts = plain[0] <= carried;
    if (zeroPadding)
        decrypts = decrypts && std::all_of(valueEnd, plain.end(), [](auto o) { return o == 0; });
    return HiddenValue{kind, std::nullopt, zem::ByteBuffer(plain.begin() + 1, valueEnd), decrypts};
}

void recoverVendorKeys(zem::ByteView vsa, const std::string& secret, const Digest& keyedWith,
                       std::vector<HiddenValue>& hidden) {
    if (vsa.loadBigEndian32(0) != microsoft::vendor)
        return;
    forEachVendorAttribute(vsa, [&](std::uint8_t type, zem::ByteView value) {
        if (type != microsoft::mppeSendKey && type != microsoft::mppeRecvKey)
            return;
        const auto kind = type == microsoft::mppeSendKey ? HiddenValue::Kind::mppeSendKey
                                                         : HiddenValue::Kind::mppeRecvKey;
        if (auto key = unhideSalted(kind, secret, keyedWith, value, true))
            hidden.push_back(std::move(*key));
    });
}

std::vector<HiddenValue> recoverHidden(const WireMessage& message, const CheckInput& input) {
    std::vector<HiddenValue> hidden;
    // Hidden values are keyed with an Access-Request's authenticator: its own, or for a
    // response the request's.
    const auto code = message.code;
    if (!input.secret || !(code == code::accessRequest || isAccessResponse(code)))
        return hidden;
    const auto keyedWith = keyingAuthenticator(message, input);
    if (!keyedWith)
        return hidden;
    const std::string& secret = *input.secret;
    forEachWhole(message, [&](const Attribute& attribute) {
        if (attribute.type == attribute::userPassword && code == code::accessRequest &&
            !attribute.value.empty()) {
            hidden.push_back(userPassword(secret, *keyedWith, attribute.value));
        } else if (attribute.type == attribute::tunnelPassword && attribute.value.size() >= 1) {
            if (auto plain = unhideSalted(HiddenValue::Kind::tunnelPassword, secret, *keyedWith,
                                          attribute.value.slice(1), false)) {
                plain->tag = *attribute.value.at(0);
                hidden.push_back(std::move(*plain));
            }
        } else if (attribute.type == attribute::vendorSpecific) {
            recoverVendorKeys(attribute.value, secret, *keyedWith, hidden);
        }
    });
    return hidden;
}

} // namespace

ExposureSet exposureOf(const WireMessage& message) {
    // Only Access messages are open to the forgery; a message cut short has no attribute
    // list to judge.
    const bool access = message.code == code::accessRequest || isAccessResponse(message.code);
    if (!access || message.length < headerSize || message.cutShort())
        return 0;
    bool hasMessageAuthenticator = false, hasProxyState = false;
    const Attribute* first = nullptr;
    forEachWhole(message, [&](const Attribute& attribute) {
        first = first ? first : &attribute;
        hasMessageAuthenticator =
            hasMessageAuthenticator || attribute.type == attribute::messageAuthenticator;
        hasProxyState = hasProxyState || attribute.type == attribute::proxyState;
    });
    ExposureSet exposure = 0;
    if (message.code == code::accessRequest && !hasMessageAuthenticator) {
        exposure |= requestWithoutMessageAuthenticator;
        if (hasProxyState)
            exposure |= proxyStateWithoutMessageAuthenticator;
    }
    if (isAccessResponse(message.code)) {
        if (!hasMessageAuthenticator)
            exposure |= responseWithoutMessageAuthenticator;
        else if (first->type != attribute::messageAuthenticator)
            exposure |= messageAuthenticatorNotFirst;
    }
    return exposure;
}

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

std::string hiddenValueText(const HiddenValue& hidden) {
    if (!hidden.decrypts)
        return "does not decrypt; the secret may be wrong";
    const zem::ByteView value(hidden.value);
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
        if (value.kind == HiddenValue::Kind::userPassword && value.decrypts)
            return &value;
    return nullptr;
}

bool MessageChecks::passwordRecovered() const {
    return std::any_of(hidden.begin(), hidden.end(), [](const HiddenValue& value) {
        return value.decrypts && (value.kind == HiddenValue::Kind::userPassword ||
                                  value.kind == HiddenValue::Kind::tunnelPassword);
    });
}

MessageChecks checkMessage(const WireMessage& message, const CheckInput& input) {
    MessageChecks checks;
    checks.secretKnown = input.secret != nullptr;
    // Octets past the Length are padding and not signed; a message cut short has no
    // attribute list, and nothing of it can be verified or judged.
    if (message.length < headerSize || message.cutShort())
        return checks;
    checks.exposure = exposureOf(message);
    checks.messageAuthenticator = checkMessageAuthenticator(message, input);
    checks.authenticator = checkAuthenticator(message, input);
    checks.hidden = recoverHidden(message, input);
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
