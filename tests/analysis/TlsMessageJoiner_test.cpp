// TLS messages sent in EAP-TLS fragments over several round trips: joined within one
// authentication (chained by State), never across two that share a NAS's address and
// port, and a copy sent again adds nothing.
#include "eap/EapTlsData.hpp"
#include "exchanges/TlsMessageJoiner.hpp"
#include "wire/RadiusProtocol.hpp"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Octets = std::vector<std::uint8_t>;

constexpr std::uint8_t accessRequest = 1, accessChallenge = 11;

// A message of `code` carrying an EAP-TLS packet with `flags` and `fragment`, and a State;
// `identifier` is both the RADIUS and the EAP Identifier.
Octets message(std::uint8_t code, std::uint8_t identifier, std::uint8_t flags,
               const std::string& fragment, std::optional<std::uint8_t> state) {
    const auto eapLength = fragment.size() + 6;
    Octets eap = {static_cast<std::uint8_t>(code == accessRequest ? 2 : 1),
                  identifier,
                  static_cast<std::uint8_t>(eapLength >> 8),
                  static_cast<std::uint8_t>(eapLength),
                  13,
                  flags};
    eap.insert(eap.end(), fragment.begin(), fragment.end());
    Octets octets(20, 0);
    octets[0] = code;
    octets[1] = identifier;
    octets.push_back(analysis::attribute::eapMessage);
    octets.push_back(static_cast<std::uint8_t>(eap.size() + 2));
    octets.insert(octets.end(), eap.begin(), eap.end());
    if (state)
        octets.insert(octets.end(), {analysis::attribute::state, 3, *state});
    octets[3] = static_cast<std::uint8_t>(octets.size());
    return octets;
}

// One NAS (address and port) that several supplicants share, and its server.
struct Conversation {
    analysis::TlsMessageJoiner joiner;
    std::uint64_t frame = 0;
    std::uint8_t nextIdentifier = 0;
    std::shared_ptr<const zem::ByteBuffer> last; // what the last request joined

    zem::MessageOrigin origin(bool fromServer) {
        zem::MessageOrigin origin;
        origin.frame = ++frame;
        origin.time = static_cast<double>(frame) / 100;
        origin.source.bytes[0] = fromServer ? 2 : 1;
        origin.destination.bytes[0] = fromServer ? 1 : 2;
        origin.sourcePort = fromServer ? 1812 : 40000;
        origin.destinationPort = fromServer ? 40000 : 1812;
        return origin;
    }
    // The client's request returning `state`: its Identifier, which its answer repeats.
    std::uint8_t request(std::optional<std::uint8_t> state, std::uint8_t flags = 0,
                         const std::string& fragment = {}) {
        const auto identifier = nextIdentifier++;
        last =
            joiner.next(origin(false), message(accessRequest, identifier, flags, fragment, state));
        return identifier;
    }
    // The server's Challenge answering the request `identifier`: the whole TLS message,
    // if joined.
    std::string challenge(std::uint8_t identifier, std::uint8_t state, std::uint8_t flags,
                          const std::string& fragment) {
        const auto joined =
            joiner.next(origin(true), message(accessChallenge, identifier, flags, fragment, state));
        return joined ? std::string(joined->begin(), joined->end()) : "-";
    }
};

constexpr std::uint8_t more = analysis::eapTlsFlag::moreFragments;

} // namespace

TEST(TlsMessageJoiner, JoinsTheFragmentsOfOneAuthentication) {
    Conversation c;
    EXPECT_EQ(c.challenge(c.request(std::nullopt), 1, more | 0x80, "aaa"), "-");
    EXPECT_EQ(c.challenge(c.request(1), 2, more, "bbb"), "-");
    EXPECT_EQ(c.challenge(c.request(2), 3, 0, "ccc"), "aaabbbccc");
    // A message in one fragment needs no joining.
    EXPECT_EQ(c.challenge(c.request(3), 4, 0, "ddd"), "-");
}

TEST(TlsMessageJoiner, KeepsApartTwoAuthenticationsBehindOneNasPort) {
    Conversation c;
    const auto alice = c.request(std::nullopt), bob = c.request(std::nullopt);
    EXPECT_EQ(c.challenge(alice, 10, more, "A1"), "-");
    EXPECT_EQ(c.challenge(bob, 20, more, "B1"), "-");
    const auto alice2 = c.request(10), bob2 = c.request(20);
    EXPECT_EQ(c.challenge(bob2, 21, 0, "B2"), "B1B2");
    EXPECT_EQ(c.challenge(alice2, 11, 0, "A2"), "A1A2");
}

TEST(TlsMessageJoiner, ACopySentAgainAddsNothing) {
    Conversation c;
    const auto first = c.request(std::nullopt);
    EXPECT_EQ(c.challenge(first, 1, more, "aaa"), "-");
    EXPECT_EQ(c.challenge(first, 1, more, "aaa"), "-");
    const auto second = c.request(1);
    EXPECT_EQ(c.challenge(second, 2, 0, "bbb"), "aaabbb");
    // A copy of the last fragment shows the whole message again.
    EXPECT_EQ(c.challenge(second, 2, 0, "bbb"), "aaabbb");
}

TEST(TlsMessageJoiner, TheClientsFragmentsJoinToo) {
    Conversation c;
    const auto first = c.request(std::nullopt);
    EXPECT_EQ(c.challenge(first, 1, 0x20, ""), "-"); // Start
    const auto fragment = c.request(1, more, "c1");
    EXPECT_FALSE(c.last);
    // The server acknowledges with an empty EAP-TLS packet and a new State.
    c.challenge(fragment, 2, 0, "");
    c.request(2, 0, "c2");
    ASSERT_TRUE(c.last);
    EXPECT_EQ(std::string(c.last->begin(), c.last->end()), "c1c2");
}

TEST(TlsMessageJoiner, GivesUpOnAMessageTooLongToKeep) {
    Conversation c;
    const std::string chunk(200, 'x');
    std::optional<std::uint8_t> state;
    const auto rounds = analysis::TlsMessageJoiner::maxMessageOctets / chunk.size() + 1;
    for (std::size_t i = 0; i < rounds; ++i) {
        const auto request = c.request(state);
        state = static_cast<std::uint8_t>(i + 1);
        EXPECT_EQ(c.challenge(request, *state, more, chunk), "-");
    }
    EXPECT_EQ(c.challenge(c.request(state), 0, 0, chunk), "-");
}
