// Building RADIUS messages and the frames that carry them, and writing them to capture
// files through libpcap. Used by make-samples (the captures in samples/) and by the
// benchmark's capture generator. Everything is deterministic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <pcap/pcap.h>
#include <string>
#include <string_view>
#include <vector>

namespace tools {

using Bytes = std::vector<std::uint8_t>;

/// A RADIUS message: code, identifier, authenticator and attributes.
class RadiusMessage {
public:
    RadiusMessage(std::uint8_t code, std::uint8_t identifier, std::uint32_t seed);
    RadiusMessage& attribute(std::uint8_t type, const Bytes& value);
    RadiusMessage& text(std::uint8_t type, std::string_view value);
    RadiusMessage& integer(std::uint8_t type, std::uint32_t value);
    RadiusMessage& address(std::uint8_t type, std::uint32_t ipv4);
    RadiusMessage& vendor(std::uint32_t vendorId, std::uint8_t vendorType, std::string_view value);
    /// Appends raw octets after the attributes (malformed tails).
    RadiusMessage& raw(const Bytes& octets);
    Bytes bytes() const; // Length set to the real size
    Bytes bytesWithLength(std::uint16_t length) const;

private:
    Bytes octets_;
};

struct Endpoint {
    Bytes address; // 4 or 16 octets
    std::uint16_t port;
};
Bytes ipv4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
Bytes ipv6(std::string_view text);

enum class Link { ethernet, vlan, qinq, sll, sll2, raw, null };

/// Writes frames to a capture file with a running clock.
class CaptureWriter {
public:
    CaptureWriter(const std::string& path, Link link);
    ~CaptureWriter();
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    /// One UDP datagram, split into IP fragments of at most `mtu` payload octets when given;
    /// only the first `fragments` of them are written (a datagram that never completes).
    void udp(const Endpoint& from, const Endpoint& to, const Bytes& payload, std::size_t mtu = 0,
             std::size_t fragments = SIZE_MAX);
    /// One TCP segment.
    void tcp(const Endpoint& from, const Endpoint& to, std::uint32_t sequence, std::uint8_t flags,
             const Bytes& payload);
    void advance(double seconds) { time_ += seconds; }

private:
    void ip(const Endpoint& from, const Endpoint& to, std::uint8_t protocol, const Bytes& segment,
            std::size_t mtu, std::size_t fragments = SIZE_MAX);
    void frame(const Bytes& packet, bool isIPv6);

    pcap_t* dead_ = nullptr;
    pcap_dumper_t* dumper_ = nullptr;
    Link link_;
    double time_ = 1700000000.0;
    std::uint16_t ipId_ = 0x1000;
    std::uint32_t fragmentId_ = 0x100;
};

} // namespace tools
