#include "CheckTracker.hpp"
#include "MessageChecks.hpp"

#include <gtest/gtest.h>

using analysis::CheckInput;
using analysis::checkMessage;
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
    return value ? analysis::hiddenValueText(value->value) : "(none)";
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
        {"request cut short", ByteBuffer(rfcRequest.begin(), rfcRequest.end() - 1), &rfcSecret,
         std::nullopt, CheckResult::unverified, CheckResult::absent, "(none)"},
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
        const auto checks =
            checkMessage(zem::ByteView(c.message), CheckInput{c.secret, c.requestAuthenticator});
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
        const auto checks = checkMessage(zem::ByteView(c.message), {});
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
        const auto checks =
            checkMessage(zem::ByteView(prefix), CheckInput{&rfcSecret, authenticator});
        for (const auto& value : checks.hidden)
            EXPECT_LE(value.value.size(), 253u);
    }
    const auto whole = checkMessage(zem::ByteView(hostile), CheckInput{&rfcSecret, authenticator});
    ASSERT_EQ(whole.hidden.size(), 1u); // the 19-octet Tunnel-Password alone
    EXPECT_EQ(whole.hidden[0].kind, analysis::HiddenValue::Kind::tunnelPassword);
    EXPECT_EQ(whole.messageAuthenticator, CheckResult::invalid);
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
        return checkMessage(zem::ByteView(message), tracker.next(origin, zem::ByteView(message)))
            .authenticator;
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
