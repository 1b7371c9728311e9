#include "SampleWriter.hpp"

#include <arpa/inet.h>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace tools {

namespace {

void put16(Bytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v >> 8));
    b.push_back(static_cast<std::uint8_t>(v));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, static_cast<std::uint16_t>(v >> 16));
    put16(b, static_cast<std::uint16_t>(v));
}
void append(Bytes& to, const Bytes& from) {
    to.insert(to.end(), from.begin(), from.end());
}

std::uint32_t sumWords(const Bytes& b, std::uint32_t sum = 0) {
    for (std::size_t i = 0; i < b.size(); i += 2)
        sum += static_cast<std::uint32_t>(b[i] << 8) | (i + 1 < b.size() ? b[i + 1] : 0u);
    return sum;
}
std::uint16_t fold(std::uint32_t sum) {
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

// The UDP or TCP checksum over the pseudo header, so that peers see clean segments.
std::uint16_t transportChecksum(const Endpoint& from, const Endpoint& to, std::uint8_t protocol,
                                const Bytes& segment) {
    Bytes pseudo = from.address;
    append(pseudo, to.address);
    put16(pseudo, protocol);
    put16(pseudo, static_cast<std::uint16_t>(segment.size()));
    return fold(sumWords(segment, sumWords(pseudo)));
}

} // namespace

RadiusMessage::RadiusMessage(std::uint8_t code, std::uint8_t identifier, std::uint32_t seed) {
    octets_ = {code, identifier, 0, 0};
    std::uint32_t x = seed * 2654435761u + 1;
    for (int i = 0; i < 16; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        octets_.push_back(static_cast<std::uint8_t>(x));
    }
}

RadiusMessage& RadiusMessage::attribute(std::uint8_t type, const Bytes& value) {
    octets_.push_back(type);
    octets_.push_back(static_cast<std::uint8_t>(value.size() + 2));
    append(octets_, value);
    return *this;
}
RadiusMessage& RadiusMessage::text(std::uint8_t type, std::string_view value) {
    return attribute(type, Bytes(value.begin(), value.end()));
}
RadiusMessage& RadiusMessage::integer(std::uint8_t type, std::uint32_t value) {
    Bytes b;
    put32(b, value);
    return attribute(type, b);
}
RadiusMessage& RadiusMessage::address(std::uint8_t type, std::uint32_t v) {
    return integer(type, v);
}
RadiusMessage& RadiusMessage::vendor(std::uint32_t vendorId, std::uint8_t vendorType,
                                     std::string_view value) {
    Bytes b;
    put32(b, vendorId);
    b.push_back(vendorType);
    b.push_back(static_cast<std::uint8_t>(value.size() + 2));
    b.insert(b.end(), value.begin(), value.end());
    return attribute(26, b);
}
RadiusMessage& RadiusMessage::raw(const Bytes& octets) {
    append(octets_, octets);
    return *this;
}
Bytes RadiusMessage::bytes() const {
    return bytesWithLength(static_cast<std::uint16_t>(octets_.size()));
}
Bytes RadiusMessage::bytesWithLength(std::uint16_t length) const {
    Bytes b = octets_;
    b[2] = static_cast<std::uint8_t>(length >> 8);
    b[3] = static_cast<std::uint8_t>(length);
    return b;
}

Bytes ipv4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    return {a, b, c, d};
}
Bytes ipv6(std::string_view text) {
    Bytes b(16);
    std::string s(text);
    if (inet_pton(AF_INET6, s.c_str(), b.data()) != 1)
        throw std::invalid_argument("bad IPv6 address " + s);
    return b;
}

CaptureWriter::CaptureWriter(const std::string& path, Link link) : link_(link) {
    int dlt = DLT_EN10MB;
    switch (link) {
    case Link::sll:
        dlt = DLT_LINUX_SLL;
        break;
    case Link::sll2:
        dlt = DLT_LINUX_SLL2;
        break;
    case Link::raw:
        dlt = DLT_RAW;
        break;
    case Link::null:
        dlt = DLT_NULL;
        break;
    default:
        break;
    }
    dead_ = pcap_open_dead(dlt, 262144);
    dumper_ = pcap_dump_open(dead_, path.c_str());
    if (!dumper_)
        throw std::runtime_error("cannot write " + path + ": " + pcap_geterr(dead_));
}

CaptureWriter::~CaptureWriter() {
    if (dumper_)
        pcap_dump_close(dumper_);
    if (dead_)
        pcap_close(dead_);
}

void CaptureWriter::frame(const Bytes& packet, bool isIPv6) {
    Bytes f;
    const std::uint16_t etherType = isIPv6 ? 0x86DD : 0x0800;
    switch (link_) {
    case Link::ethernet:
    case Link::vlan:
    case Link::qinq:
        f = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x00, 0x66, 0x77, 0x88, 0x99, 0xaa};
        if (link_ == Link::qinq) {
            put16(f, 0x88A8);
            put16(f, 100);
        }
        if (link_ != Link::ethernet) {
            put16(f, 0x8100);
            put16(f, 50);
        }
        put16(f, etherType);
        break;
    case Link::sll:
        f = {0, 0, 0, 1, 0, 6, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0, 0};
        put16(f, etherType);
        break;
    case Link::sll2:
        put16(f, etherType);
        f.insert(f.end(), {0, 0, 0, 0, 0, 2, 0, 1, 0, 6, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0, 0});
        break;
    case Link::raw:
        break;
    case Link::null: {
        std::uint32_t family = isIPv6 ? 24 : 2; // the writer's own byte order
        f.resize(4);
        std::memcpy(f.data(), &family, 4);
        break;
    }
    }
    append(f, packet);
    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<time_t>(time_);
    header.ts.tv_usec =
        static_cast<suseconds_t>(std::lround((time_ - std::floor(time_)) * 1e6) % 1000000);
    header.caplen = header.len = static_cast<bpf_u_int32>(f.size());
    pcap_dump(reinterpret_cast<u_char*>(dumper_), &header, f.data());
    time_ += 0.000125;
}

void CaptureWriter::ip(const Endpoint& from, const Endpoint& to, std::uint8_t protocol,
                       const Bytes& segment, std::size_t mtu, std::size_t fragments) {
    const bool v6 = from.address.size() == 16;
    std::size_t chunk = mtu == 0 ? segment.size() : (mtu / 8) * 8;
    std::uint32_t id = fragmentId_++;
    for (std::size_t offset = 0; offset < segment.size() || offset == 0; offset += chunk) {
        Bytes piece(segment.begin() + static_cast<std::ptrdiff_t>(offset),
                    segment.begin() +
                        static_cast<std::ptrdiff_t>(std::min(segment.size(), offset + chunk)));
        const bool more = offset + chunk < segment.size();
        const bool fragmented = mtu != 0 && segment.size() > chunk;
        Bytes packet;
        if (!v6) {
            packet = {0x45, 0};
            put16(packet, static_cast<std::uint16_t>(20 + piece.size()));
            put16(packet, ipId_);
            put16(packet, static_cast<std::uint16_t>((more ? 0x2000 : 0) | (offset / 8)));
            packet.insert(packet.end(), {64, protocol, 0, 0});
            append(packet, from.address);
            append(packet, to.address);
            std::uint16_t checksum = fold(sumWords(packet));
            packet[10] = static_cast<std::uint8_t>(checksum >> 8);
            packet[11] = static_cast<std::uint8_t>(checksum);
        } else {
            packet = {0x60, 0, 0, 0};
            put16(packet, static_cast<std::uint16_t>(piece.size() + (fragmented ? 8 : 0)));
            packet.push_back(fragmented ? 44 : protocol);
            packet.push_back(64);
            append(packet, from.address);
            append(packet, to.address);
            if (fragmented) {
                packet.insert(packet.end(), {protocol, 0});
                put16(packet, static_cast<std::uint16_t>(offset | (more ? 1 : 0)));
                put32(packet, id);
            }
        }
        append(packet, piece);
        frame(packet, v6);
        if (segment.empty() || --fragments == 0)
            break;
    }
    ++ipId_;
}

void CaptureWriter::udp(const Endpoint& from, const Endpoint& to, const Bytes& payload,
                        std::size_t mtu, std::size_t fragments) {
    Bytes segment;
    put16(segment, from.port);
    put16(segment, to.port);
    put16(segment, static_cast<std::uint16_t>(8 + payload.size()));
    put16(segment, 0);
    append(segment, payload);
    std::uint16_t checksum = transportChecksum(from, to, 17, segment);
    if (checksum == 0)
        checksum = 0xFFFF;
    segment[6] = static_cast<std::uint8_t>(checksum >> 8);
    segment[7] = static_cast<std::uint8_t>(checksum);
    ip(from, to, 17, segment, mtu, fragments);
}

void CaptureWriter::tcp(const Endpoint& from, const Endpoint& to, std::uint32_t sequence,
                        std::uint8_t flags, const Bytes& payload) {
    Bytes segment;
    put16(segment, from.port);
    put16(segment, to.port);
    put32(segment, sequence);
    put32(segment, 0);
    segment.push_back(0x50);
    segment.push_back(flags);
    put16(segment, 65535);
    put16(segment, 0);
    put16(segment, 0);
    append(segment, payload);
    std::uint16_t checksum = transportChecksum(from, to, 6, segment);
    segment[16] = static_cast<std::uint8_t>(checksum >> 8);
    segment[17] = static_cast<std::uint8_t>(checksum);
    ip(from, to, 6, segment, 0);
}

} // namespace tools
