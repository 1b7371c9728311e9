// Fuzz target for TLS inside EAP: the input after its first octet is a TLS message that
// a server sends in EAP-TLS fragments (the first octet picks their size), one per
// Access-Challenge, each answering the client's Access-Request that returns the last
// State. The joiner must give back exactly the message; its records are then read and
// shown as the TLS node and the tls.* and x509.* fields.
#include "eap/EapTlsData.hpp"
#include "exchanges/TlsMessageJoiner.hpp"
#include "fields/TlsFields.hpp"
#include "tls/TlsFlight.hpp"
#include "tls/TlsNode.hpp"
#include "wire/RadiusProtocol.hpp"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::uint8_t accessRequest = 1, accessChallenge = 11;

// A RADIUS message of `code` carrying `eap` in EAP-Message attributes, and a State.
zem::ByteBuffer radiusMessage(std::uint8_t code, std::uint8_t identifier, zem::ByteView eap,
                              std::optional<std::uint8_t> state) {
    // Made at its header's size first: GCC 12's Release build warns falsely of growing a
    // four-octet list.
    zem::ByteBuffer message(20, 0);
    message[0] = code;
    message[1] = identifier;
    for (std::size_t at = 0; at < eap.size(); at += 253) {
        const auto segment = eap.slice(at, 253);
        message.push_back(analysis::attribute::eapMessage);
        message.push_back(static_cast<std::uint8_t>(segment.size() + 2));
        message.insert(message.end(), segment.begin(), segment.end());
    }
    if (state)
        message.insert(message.end(), {analysis::attribute::state, 3, *state});
    message[2] = static_cast<std::uint8_t>(message.size() >> 8);
    message[3] = static_cast<std::uint8_t>(message.size());
    return message;
}

// An EAP-TLS packet with `flags` and `fragment`.
zem::ByteBuffer eapTls(std::uint8_t code, std::uint8_t identifier, std::uint8_t flags,
                       zem::ByteView fragment) {
    const auto length = fragment.size() + 6;
    zem::ByteBuffer packet = {
        code, identifier, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length),
        13,   flags};
    packet.insert(packet.end(), fragment.begin(), fragment.end());
    return packet;
}

zem::MessageOrigin origin(std::uint64_t frame, bool fromServer) {
    zem::MessageOrigin origin;
    origin.frame = frame;
    origin.time = static_cast<double>(frame);
    origin.source.bytes[0] = fromServer ? 2 : 1;
    origin.destination.bytes[0] = fromServer ? 1 : 2;
    origin.sourcePort = fromServer ? 1812 : 40000;
    origin.destinationPort = fromServer ? 40000 : 1812;
    return origin;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t fragmentSize = std::size_t{data[0]} * 4 + 1;
    const zem::ByteView tls(std::span<const std::uint8_t>(data + 1, size - 1));
    analysis::TlsMessageJoiner joiner;
    std::shared_ptr<const zem::ByteBuffer> joined;
    std::optional<std::uint8_t> state;
    std::uint64_t frame = 0;
    std::size_t fragments = 0;
    // At most 256 fragments: their EAP Identifiers stay apart.
    for (std::size_t at = 0; at < tls.size() && fragments < 256; at += fragmentSize, ++fragments) {
        const auto identifier = static_cast<std::uint8_t>(fragments);
        const auto ack = eapTls(2, identifier, 0, {});
        const auto request = radiusMessage(accessRequest, identifier, ack, state);
        joiner.next(origin(++frame, false), request);
        const bool more = at + fragmentSize < tls.size();
        const auto packet = eapTls(1, identifier, more ? analysis::eapTlsFlag::moreFragments : 0,
                                   tls.slice(at, fragmentSize));
        state = identifier;
        const auto challenge = radiusMessage(accessChallenge, identifier, packet, state);
        joined = joiner.next(origin(++frame, true), challenge);
        if (more && joined)
            __builtin_trap(); // nothing is whole before the last fragment
    }
    if (fragments > 1 && fragments < 256 &&
        tls.size() <= analysis::TlsMessageJoiner::maxMessageOctets &&
        (!joined || !std::equal(joined->begin(), joined->end(), tls.begin(), tls.end())))
        __builtin_trap(); // the fragments joined are the message
    const auto flight = analysis::readTlsFlight(joined ? zem::ByteView(*joined) : tls);
    std::size_t seen = analysis::tlsNode(flight)->children().size();
    for (const auto name : analysis::tlsFieldNames())
        seen += analysis::tlsFieldOccurrences(name, flight).size();
    return seen == SIZE_MAX;
}
