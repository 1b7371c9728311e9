#include "NetworkLayers.hpp"

#include <cstring>
#include <pcap/dlt.h>

namespace capture {

using zem::ByteView;

namespace {

constexpr std::uint16_t etherTypeIPv4 = 0x0800;
constexpr std::uint16_t etherTypeIPv6 = 0x86DD;

std::optional<ByteView> fromEtherType(std::uint16_t type, ByteView payload) {
    if (type == etherTypeIPv4 || type == etherTypeIPv6)
        return payload;
    return std::nullopt;
}

std::optional<ByteView> ethernetPayload(ByteView frame) {
    auto type = frame.loadBigEndian16(12);
    std::size_t offset = 14;
    // 802.1Q, 802.1ad (QinQ) and the old 0x9100 tag: a tag is 4 octets, type after it.
    for (int tags = 0; type && (*type == 0x8100 || *type == 0x88A8 || *type == 0x9100) && tags < 8;
         ++tags) {
        type = frame.loadBigEndian16(offset + 2);
        offset += 4;
    }
    if (!type)
        return std::nullopt;
    return fromEtherType(*type, frame.slice(offset));
}

std::optional<ByteView> rawPayload(ByteView frame) {
    auto first = frame.at(0);
    if (!first || ((*first >> 4) != 4 && (*first >> 4) != 6))
        return std::nullopt;
    return frame;
}

} // namespace

std::optional<ByteView> linkPayload(int linkType, ByteView frame) {
    switch (linkType) {
    case DLT_EN10MB:
        return ethernetPayload(frame);
    case DLT_LINUX_SLL: {
        auto type = frame.loadBigEndian16(14);
        return type ? fromEtherType(*type, frame.slice(16)) : std::nullopt;
    }
    case DLT_LINUX_SLL2: {
        auto type = frame.loadBigEndian16(0);
        return type ? fromEtherType(*type, frame.slice(20)) : std::nullopt;
    }
    case DLT_RAW:
    case 14: // DLT_RAW on OpenBSD
    case DLT_IPV4:
    case DLT_IPV6:
        return rawPayload(frame);
    case DLT_NULL:
    case DLT_LOOP: {
        // A 4-octet address family in the writer's byte order (NULL) or network order
        // (LOOP); the IP version nibble tells what follows either way.
        if (frame.size() < 4)
            return std::nullopt;
        return rawPayload(frame.slice(4));
    }
    default:
        return std::nullopt;
    }
}

namespace {

std::optional<IPPacket> parseIPv4(ByteView packet) {
    // Every path returns `result`, so that it is filled where the caller receives it: a
    // packet built aside and then copied is read back in wider words than it was written
    // in, which stalls the processor on every frame.
    std::optional<IPPacket> result;
    auto versionIhl = packet.at(0);
    if (!versionIhl)
        return result;
    std::size_t headerLength = (*versionIhl & 0x0F) * 4u;
    auto totalLength = packet.loadBigEndian16(2);
    if (headerLength < 20 || !totalLength || *totalLength < headerLength ||
        packet.size() < headerLength)
        return result;
    IPPacket& ip = result.emplace();
    ip.source.family = ip.destination.family = 4;
    std::memcpy(ip.source.bytes.data(), packet.slice(12, 4).span().data(), 4);
    std::memcpy(ip.destination.bytes.data(), packet.slice(16, 4).span().data(), 4);
    ip.protocol = packet.at(9).value_or(0);
    // The captured octets may stop short of Total Length (snap length); keep what exists.
    ip.payload = packet.slice(headerLength, *totalLength - headerLength);
    std::uint16_t flags = packet.loadBigEndian16(6).value_or(0);
    ip.moreFragments = (flags & 0x2000) != 0;
    ip.fragmentOffset = static_cast<std::uint32_t>(flags & 0x1FFF) * 8;
    ip.fragmented = ip.moreFragments || ip.fragmentOffset != 0;
    ip.fragmentId = packet.loadBigEndian16(4).value_or(0);
    return result;
}

std::optional<IPPacket> parseIPv6(ByteView packet) {
    std::optional<IPPacket> result; // every path returns it, as for IPv4
    auto payloadLength = packet.loadBigEndian16(4);
    auto next = packet.at(6);
    if (!payloadLength || !next || packet.size() < 40)
        return result;
    IPPacket& ip = result.emplace();
    ip.source.family = ip.destination.family = 6;
    std::memcpy(ip.source.bytes.data(), packet.slice(8, 16).span().data(), 16);
    std::memcpy(ip.destination.bytes.data(), packet.slice(24, 16).span().data(), 16);
    ByteView rest = packet.slice(40, *payloadLength);
    std::uint8_t header = *next;
    for (int count = 0; count < 16; ++count) {
        switch (header) {
        case 0:   // hop-by-hop options
        case 43:  // routing
        case 60:  // destination options
        case 135: // mobility
        case 51:  // authentication header
        {
            auto following = rest.at(0);
            auto length = rest.at(1);
            if (!following || !length) {
                result.reset();
                return result;
            }
            // The authentication header counts 4-octet units less two; the others 8-octet
            // units less one.
            std::size_t size = header == 51 ? (*length + 2u) * 4u : (*length + 1u) * 8u;
            header = *following;
            rest = rest.slice(size);
            continue;
        }
        case 44: { // fragment
            auto following = rest.at(0);
            auto offsetFlags = rest.loadBigEndian16(2);
            auto id = rest.loadBigEndian32(4);
            if (!following || !offsetFlags || !id) {
                result.reset();
                return result;
            }
            header = *following;
            ip.fragmentOffset = static_cast<std::uint32_t>(*offsetFlags & 0xFFF8);
            ip.moreFragments = (*offsetFlags & 1) != 0;
            ip.fragmented = ip.moreFragments || ip.fragmentOffset != 0;
            ip.fragmentId = *id;
            rest = rest.slice(8);
            continue;
        }
        default:
            ip.protocol = header;
            ip.payload = rest;
            return result;
        }
    }
    result.reset();
    return result;
}

} // namespace

std::optional<IPPacket> parseIP(ByteView packet) {
    auto first = packet.at(0);
    if (!first)
        return std::nullopt;
    if ((*first >> 4) == 4)
        return parseIPv4(packet);
    if ((*first >> 4) == 6)
        return parseIPv6(packet);
    return std::nullopt;
}

std::optional<UDPDatagram> parseUDP(ByteView segment) {
    auto source = segment.loadBigEndian16(0);
    auto destination = segment.loadBigEndian16(2);
    auto length = segment.loadBigEndian16(4);
    if (!source || !destination || !length)
        return std::nullopt;
    // Length 0 is what jumbograms and some offloaded captures carry: take all octets.
    std::size_t payloadLength = *length >= 8 ? *length - 8u : (*length == 0 ? segment.size() : 0u);
    return UDPDatagram{*source, *destination, segment.slice(8, payloadLength)};
}

std::optional<TCPSegment> parseTCP(ByteView segment) {
    auto source = segment.loadBigEndian16(0);
    auto destination = segment.loadBigEndian16(2);
    auto sequence = segment.loadBigEndian32(4);
    auto offsetFlags = segment.loadBigEndian16(12);
    if (!source || !destination || !sequence || !offsetFlags)
        return std::nullopt;
    std::size_t headerLength = (*offsetFlags >> 12) * 4u;
    if (headerLength < 20 || segment.size() < headerLength)
        return std::nullopt;
    return TCPSegment{*source,
                      *destination,
                      *sequence,
                      (*offsetFlags & 0x02) != 0,
                      (*offsetFlags & 0x01) != 0,
                      (*offsetFlags & 0x04) != 0,
                      segment.slice(headerLength)};
}

} // namespace capture
