// Decoding the layers below RADIUS: link layers (Ethernet with 802.1Q/QinQ tags, Linux
// cooked v1 and v2, raw IP, BSD loopback), IPv4 and IPv6 (extension headers skipped),
// UDP and TCP. Every read goes through ByteView; anything malformed ends the decode.
#pragma once

#include "ByteView.hpp"
#include "IPAddress.hpp"

#include <cstdint>
#include <optional>

namespace capture {

using zem::IPAddress;

/// An IP packet (or a reassembled one): addresses, the upper protocol and its octets.
struct IPPacket {
    IPAddress source, destination;
    std::uint8_t protocol = 0; // 6 TCP, 17 UDP
    zem::ByteView payload;

    // Fragment information; `fragmented` is false for a whole packet.
    bool fragmented = false;
    std::uint32_t fragmentId = 0;
    std::uint32_t fragmentOffset = 0; // in octets
    bool moreFragments = false;
};

/// The network-layer packet inside a link-layer frame: its octets and IP version.
std::optional<zem::ByteView> linkPayload(int linkType, zem::ByteView frame);

/// Parses an IPv4 or IPv6 packet, the version read from its first octet.
std::optional<IPPacket> parseIP(zem::ByteView packet);

struct UDPDatagram {
    std::uint16_t sourcePort, destinationPort;
    zem::ByteView payload;
};
std::optional<UDPDatagram> parseUDP(zem::ByteView segment);

struct TCPSegment {
    std::uint16_t sourcePort, destinationPort;
    std::uint32_t sequence;
    bool syn, fin, rst;
    zem::ByteView payload;
};
std::optional<TCPSegment> parseTCP(zem::ByteView segment);

} // namespace capture
