// Fuzz target for EAP inside RADIUS: the input is cut into EAP-Message attributes (the
// first octet picks the segment size, so that packets split across several attributes,
// cut short or scattered all occur), then joined, decoded by method, and shown as the
// EAP node and the eap.* fields. The quick look for a TLS-based method must never turn
// away a packet that carries one.
#include "eap/EapMethods.hpp"
#include "eap/EapNode.hpp"
#include "eap/EapPacket.hpp"
#include "eap/EapTlsData.hpp"
#include "wire/RadiusProtocol.hpp"

#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::size_t segment = std::size_t{data[0]} % 253 + 1;
    zem::ByteBuffer message = {1, 0, 0, 0};
    message.resize(20, 0);
    for (std::size_t at = 1; at < size && message.size() < 4096 - 255; at += segment) {
        const std::size_t take = std::min(segment, size - at);
        // Now and then another attribute in between: scattered segments.
        if (data[at] == 0xff)
            message.insert(message.end(), {1, 3, 'x'});
        message.push_back(analysis::attribute::eapMessage);
        message.push_back(static_cast<std::uint8_t>(take + 2));
        message.insert(message.end(), data + at, data + at + take);
    }
    message[2] = static_cast<std::uint8_t>(message.size() >> 8);
    message[3] = static_cast<std::uint8_t>(message.size());
    const auto wire = analysis::WireMessage::parse(zem::ByteView(message));
    if (!wire)
        return 0;
    std::size_t seen = 0;
    if (auto node = analysis::eapNode(*wire))
        seen += node->children().size();
    const bool mayCarryTls = analysis::mayCarryEapTls(zem::ByteView(message));
    if (const auto packet = analysis::joinEapPacket(*wire)) {
        if (const auto identity = analysis::eapIdentity(*packet))
            seen += identity->size();
        seen += packet->typeData().size();
        if (analysis::eapTlsData(*packet) && !mayCarryTls)
            __builtin_trap();
    }
    return seen == SIZE_MAX;
}
