#include "checks/CheckTracker.hpp"
#include "checks/MessageChecks.hpp"

#include <gtest/gtest.h>

using analysis::CheckInput;
using analysis::CheckResult;
using zem::ByteBuffer;

namespace {

// The Access-Request and Access-Accept of RFC 2865 section 7.1: user nemo, password
// arctangent, shared secret xyzzy5461.
const ByteBuffer rfcRequest = *zem::parseHexBytes(
    "01 00 00 38 0f 40 3f 94 73 97 80 57 bd 83 d5 cb 98 f4 22 7a 01 06 6e 65 6d 6f 02 12"
    "0d be 70 8d 93 d4 13 ce 31 96 e4 3f 78 2a 0a ee 04 06 c0 a8 01 10 05 06 00 00 00 03");
const ByteBuffer rfcAccept = *zem::parseHexBytes(
    "02 00 00 26 86 fe 22 0e 76 24 ba 2a 10 05 f6 bf 9b 55 e0 b2 06 06 00 00 00 01 0f 06"
    "00 00 00 00 0e 06 c0 a8 01 03");
const std::string rfcSecret = "xyzzy5461";
const std::string wrongSecret = "xyzzy5462";

analysis::Digest authenticatorOf(const ByteBuffer& message) {
    analysis::Digest digest{};
    std::copy_n(message.begin() + 4, 16, digest.begin());
    return digest;
}

ByteBuffer flipped(ByteBuffer message, std::size_t at) {
    message.at(at) ^= 1;
    return message;
}

ByteBuffer withAttribute(ByteBuffer message, std::uint8_t type, const ByteBuffer& value) {
    message.push_back(type);
    message.push_back(static_cast<std::uint8_t>(value.size() + 2));
    message.insert(message.end(), value.begin(), value.end());
    message[2] = static_cast<std::uint8_t>(message.size() >> 8);
    message[3] = static_cast<std::uint8_t>(message.size());
    return message;
}

ByteBuffer padded(ByteBuffer message) {
    message.insert(message.end(), {0, 0, 0});
    return message;
}

std::string password(const analysis::MessageChecks& checks) {
    const auto* value = checks.userPassword();
    return value ? analysis::hiddenValueText(*value) : "(none)";
}

// A message shorter than a header has no checks at all.
analysis::MessageChecks checkMessage(const ByteBuffer& message, const CheckInput& input) {
    const auto wire = analysis::WireMessage::parse(zem::ByteView(message));
    return wire ? analysis::checkMessage(*wire, input) : analysis::MessageChecks{};
}

// Hides `plain` as RFC 2865 section 5.2 does, the first pad keyed with `keying` (the
// request authenticator, with a salt after it for salted values).
ByteBuffer hidden(const std::string& secret, const ByteBuffer& keying, ByteBuffer plain) {
    plain.resize((plain.size() + 15) / 16 * 16);
    ByteBuffer out;
    auto pad = analysis::md5({zem::ByteView(secret), zem::ByteView(keying)});
    for (std::size_t block = 0; block < plain.size(); block += 16) {
        for (std::size_t i = 0; i < 16; ++i)
            out.push_back(static_cast<std::uint8_t>(plain[block + i] ^ pad[i]));
        pad = analysis::md5({zem::ByteView(secret), zem::ByteView(out).slice(block, 16)});
    }
    return out;
}

ByteBuffer concatenated(ByteBuffer a, const ByteBuffer& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(MessageChecks, AuthenticatorsAndPasswordsOfTheRfcExample) {
    struct Case {
        const char* what;
        ByteBuffer message;
        const std::string* secret;
        std::optional<analysis::Digest> requestAuthenticator;
        CheckResult authenticator;
        CheckResult messageAuthenticator;
        std::string password;
    };
    const auto requestAuthenticator = authenticatorOf(rfcRequest);
    const Case cases[] = {
        {"request: random authenticator, password recovered", rfcRequest, &rfcSecret, std::nullopt,
         CheckResult::unverified, CheckResult::absent, "arctangent"},
        {"request without a secret", rfcRequest, nullptr, std::nullopt, CheckResult::unverified,
         CheckResult::absent, "(none)"},
        {"request cut short: no attribute list to judge",
         ByteBuffer(rfcRequest.begin(), rfcRequest.end() - 1), &rfcSecret, std::nullopt,
         CheckResult::unverified, CheckResult::unverified, "(none)"},
        {"response", rfcAccept, &rfcSecret, requestAuthenticator, CheckResult::valid,
         CheckResult::absent, "(none)"},
        {"response, wrong secret", rfcAccept, &wrongSecret, requestAuthenticator,
         CheckResult::invalid, CheckResult::absent, "(none)"},
        {"response without its request", rfcAccept, &rfcSecret, std::nullopt,
         CheckResult::unverified, CheckResult::absent, "(none)"},
        {"response, attribute octet flipped", flipped(rfcAccept, 25), &rfcSecret,
         requestAuthenticator, CheckResult::invalid, CheckResult::absent, "(none)"},
        {"response, authenticator octet flipped", flipped(rfcAccept, 4), &rfcSecret,
         requestAuthenticator, CheckResult::invalid, CheckResult::absent, "(none)"},
        {"response with an attribute added", withAttribute(rfcAccept, 0, {}), &rfcSecret,
         requestAuthenticator, CheckResult::invalid, CheckResult::absent, "(none)"},
        {"response with padding past its Length", padded(rfcAccept), &rfcSecret,
         requestAuthenticator, CheckResult::valid, CheckResult::absent, "(none)"},
        {"Message-Authenticator twice",
         withAttribute(withAttribute(rfcRequest, 80, ByteBuffer(16)), 80, ByteBuffer(16)),
         &rfcSecret, std::nullopt, CheckResult::unverified, CheckResult::invalid, "arctangent"},
        {"Message-Authenticator of 17 octets", withAttribute(rfcRequest, 80, ByteBuffer(15)),
         nullptr, std::nullopt, CheckResult::unverified, CheckResult::invalid, "(none)"},
        {"Message-Authenticator that is wrong", withAttribute(rfcRequest, 80, ByteBuffer(16)),
         &rfcSecret, std::nullopt, CheckResult::unverified, CheckResult::invalid, "arctangent"},
        {"Message-Authenticator without a secret", withAttribute(rfcRequest, 80, ByteBuffer(16)),
         nullptr, std::nullopt, CheckResult::unverified, CheckResult::unverified, "(none)"},
        {"EAP-Message without Message-Authenticator", withAttribute(rfcRequest, 79, {2, 0, 0, 4}),
         nullptr, std::nullopt, CheckResult::unverified, CheckResult::invalid, "(none)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto checks = checkMessage(c.message, CheckInput{c.secret, c.requestAuthenticator});
        EXPECT_EQ(checks.authenticator, c.authenticator);
        EXPECT_EQ(checks.messageAuthenticator, c.messageAuthenticator);
        EXPECT_EQ(password(checks), c.password);
    }
}

TEST(MessageChecks, ExposureIsAboutPresence) {
    struct Case {
        const char* what;
        ByteBuffer message;
        analysis::ExposureSet exposure;
        const char* texts;
    };
    const ByteBuffer acceptHeader(rfcAccept.begin(), rfcAccept.begin() + 20);
    const Case cases[] = {
        {"request without", rfcRequest, analysis::requestWithoutMessageAuthenticator,
         "Access-Request without Message-Authenticator"},
        {"request with one, even a bad one", withAttribute(rfcRequest, 80, ByteBuffer(3)), 0, ""},
        {"Proxy-State without", withAttribute(rfcRequest, 33, {'p'}),
         analysis::requestWithoutMessageAuthenticator |
             analysis::proxyStateWithoutMessageAuthenticator,
         "Access-Request without Message-Authenticator|Proxy-State in Access-Request without "
         "Message-Authenticator"},
        {"accept without", rfcAccept, analysis::responseWithoutMessageAuthenticator,
         "Access-Accept without Message-Authenticator"},
        {"accept with it first", withAttribute(acceptHeader, 80, ByteBuffer(16)), 0, ""},
        {"accept with it last", withAttribute(rfcAccept, 80, ByteBuffer(16)),
         analysis::messageAuthenticatorNotFirst,
         "Message-Authenticator not the first attribute of Access-Accept"},
        {"accounting needs none", flipped(rfcRequest, 0) /* code 0 */, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto checks = checkMessage(c.message, {});
        EXPECT_EQ(checks.exposure, c.exposure);
        std::string joined;
        for (const auto& text : analysis::exposureTexts(checks.exposure, c.message[0]))
            joined += (joined.empty() ? "" : "|") + text;
        EXPECT_EQ(joined, c.texts);
    }
}

TEST(MessageChecks, HostileLengthsAreValuesNotFaults) {
    // Every prefix of messages with odd attributes is checked without a fault; a salted
    // value too short to hold a block gives no value.
    ByteBuffer hostile = withAttribute(rfcAccept, 69, {1, 0x80});           // no block
    hostile = withAttribute(hostile, 69, ByteBuffer(19, 0xff));             // length octet 0xff
    hostile = withAttribute(hostile, 26, {0, 0, 1, 0x37, 16, 1});           // vendor length 1
    hostile = withAttribute(hostile, 26, {0, 0, 1, 0x37, 17, 20, 1, 2, 3}); // vendor overrun
    hostile = withAttribute(hostile, 80, {});
    hostile = withAttribute(hostile, 2, ByteBuffer(5, 1)); // not 16 octets
    const auto authenticator = authenticatorOf(rfcRequest);
    for (std::size_t size = 0; size <= hostile.size(); ++size) {
        const ByteBuffer prefix(hostile.begin(),
                                hostile.begin() + static_cast<std::ptrdiff_t>(size));
        const auto checks = checkMessage(prefix, CheckInput{&rfcSecret, authenticator});
        for (const auto& value : checks.hidden)
            EXPECT_LE(value.value.size(), 253u);
    }
    const auto whole = checkMessage(hostile, CheckInput{&rfcSecret, authenticator});
    ASSERT_EQ(whole.hidden.size(), 1u); // the 19-octet Tunnel-Password alone
    EXPECT_EQ(whole.hidden[0].kind, analysis::HiddenValue::Kind::tunnelPassword);
    EXPECT_EQ(whole.messageAuthenticator, CheckResult::invalid);
}

TEST(MessageChecks, NoiseFromAWrongSecretIsNoPassword) {
    // Each hidden value made with the right secret, then undone with the right and with a
    // wrong one: only the right one decrypts; the wrong one's noise is never shown or
    // counted as a password.
    const ByteBuffer authenticator(rfcRequest.begin() + 4, rfcRequest.begin() + 20);
    const ByteBuffer salt = {0x80, 0x01};
    const ByteBuffer header(rfcRequest.begin(), rfcRequest.begin() + 20);
    const auto keyedSalt = concatenated(authenticator, salt);
    auto tunnelPassword = [&](const ByteBuffer& plain) {
        return concatenated(concatenated({1}, salt), hidden(rfcSecret, keyedSalt, plain));
    };
    auto mppeKey = [&](const ByteBuffer& plain) {
        const auto value = concatenated(salt, hidden(rfcSecret, keyedSalt, plain));
        ByteBuffer vsa = {0, 0, 1, 0x37, 16, static_cast<std::uint8_t>(value.size() + 2)};
        return concatenated(vsa, value);
    };
    const ByteBuffer passwordText = {'s', 'e', 'c', 'r', 'e', 't'};
    struct Case {
        const char* what;
        ByteBuffer message;
        analysis::HiddenValue::Kind kind;
        bool recovered; // a password the statistics count
    };
    const Case cases[] = {
        {"User-Password", withAttribute(header, 2, hidden(rfcSecret, authenticator, passwordText)),
         analysis::HiddenValue::Kind::userPassword, true},
        {"Tunnel-Password", withAttribute(header, 69, tunnelPassword({6, 's', 'e', 'c', 'r', 'e'})),
         analysis::HiddenValue::Kind::tunnelPassword, true},
        {"MS-MPPE-Send-Key", withAttribute(header, 26, mppeKey({4, 1, 2, 3, 4})),
         analysis::HiddenValue::Kind::mppeSendKey, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto* secret : {&rfcSecret, &wrongSecret}) {
            const bool right = secret == &rfcSecret;
            const auto checks = checkMessage(c.message, CheckInput{secret, std::nullopt});
            ASSERT_EQ(checks.hidden.size(), 1u);
            EXPECT_EQ(checks.hidden[0].kind, c.kind);
            EXPECT_EQ(checks.hidden[0].decrypts, right);
            EXPECT_EQ(checks.passwordRecovered(), right && c.recovered);
            if (!right) {
                EXPECT_EQ(analysis::hiddenValueText(checks.hidden[0]),
                          "does not decrypt; the secret may be wrong");
            }
        }
    }
    EXPECT_EQ(password(checkMessage(cases[0].message, CheckInput{&rfcSecret, std::nullopt})),
              "secret");
    EXPECT_EQ(password(checkMessage(cases[0].message, CheckInput{&wrongSecret, std::nullopt})),
              "(none)");
    // A key whose length fits but whose padding is not zero does not decrypt either.
    const auto badPadding = withAttribute(header, 26, mppeKey({4, 1, 2, 3, 4, 9}));
    EXPECT_FALSE(checkMessage(badPadding, CheckInput{&rfcSecret, std::nullopt}).hidden[0].decrypts);
}

TEST(MessageChecks, AMessageCutShortShowsNoChecks) {
    // Length announces more than was captured: no attribute list, as the tree shows none.
    ByteBuffer cut = rfcRequest;
    cut[3] = static_cast<std::uint8_t>(cut.size() + 10);
    const auto checks = checkMessage(cut, CheckInput{&rfcSecret, std::nullopt});
    EXPECT_EQ(checks.exposure, 0);
    EXPECT_TRUE(checks.hidden.empty());
    EXPECT_EQ(checks.messageAuthenticator, CheckResult::unverified);
}

TEST(CheckTracker, AResponseIsCheckedAgainstTheLatestRequestOfItsExchange) {
    analysis::SharedSecrets secrets;
    secrets.add(*zem::IPAddress::parse("192.168.1.16"), 32, rfcSecret);
    analysis::CheckTracker tracker(secrets);
    zem::MessageOrigin fromClient;
    fromClient.source = *zem::IPAddress::parse("192.168.1.16");
    fromClient.sourcePort = 1645;
    fromClient.destination = *zem::IPAddress::parse("192.168.1.3");
    fromClient.destinationPort = 1812;
    zem::MessageOrigin toClient = fromClient;
    std::swap(toClient.source, toClient.destination);
    std::swap(toClient.sourcePort, toClient.destinationPort);
    zem::MessageOrigin otherPort = toClient;
    otherPort.destinationPort = 1646;

    auto check = [&](const zem::MessageOrigin& origin, const ByteBuffer& message) {
        return checkMessage(message, tracker.next(origin, zem::ByteView(message))).authenticator;
    };
    // An earlier request with the same identifier and another authenticator.
    check(fromClient, flipped(rfcRequest, 10));
    EXPECT_EQ(check(toClient, rfcAccept), CheckResult::invalid);
    check(fromClient, rfcRequest);
    EXPECT_EQ(check(toClient, rfcAccept), CheckResult::valid);
    EXPECT_EQ(check(toClient, rfcAccept), CheckResult::valid); // a repeated answer
    EXPECT_EQ(check(otherPort, rfcAccept), CheckResult::unverified);
    // A client without a secret is not followed.
    zem::MessageOrigin stranger = fromClient;
    stranger.source = *zem::IPAddress::parse("192.168.1.17");
    EXPECT_EQ(tracker.next(stranger, zem::ByteView(rfcRequest)).secret, nullptr);
    EXPECT_EQ(tracker.remembered(), 1u);
}

TEST(CheckTracker, RemembersABoundedNumberOfRequests) {
    analysis::SharedSecrets secrets;
    secrets.add(zem::IPAddress{4, {}}, 0, rfcSecret);
    analysis::CheckTracker tracker(secrets, 60, 100);
    zem::MessageOrigin origin;
    ByteBuffer request = rfcRequest;
    for (int i = 0; i < 10000; ++i) {
        origin.sourcePort = static_cast<std::uint16_t>(i);
        request[1] = static_cast<std::uint8_t>(i);
        tracker.next(origin, zem::ByteView(request));
    }
    EXPECT_EQ(tracker.remembered(), 100u);
    origin.time = 1000; // past the window: all given up on
    tracker.next(origin, zem::ByteView(request));
    EXPECT_EQ(tracker.remembered(), 1u);
}
