// Reassembly below RADIUS: IPv4 and IPv6 fragments into whole datagrams, and TCP byte
// streams into RADIUS messages framed by their Length field (RFC 6613).
//
// State is bounded in count and octets and expires after a timeout measured in capture
// time, so memory stays flat however long the capture runs.
#pragma once

#include "ByteView.hpp"
#include "NetworkLayers.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <tuple>
#include <vector>

namespace capture {

class FragmentReassembler {
public:
    static constexpr std::size_t maximumDatagrams = 256;
    static constexpr std::size_t maximumDatagramOctets = 65535;
    static constexpr double timeoutSeconds = 30;

    /// Adds a fragment; answers the whole upper-layer payload when it is complete.
    std::optional<zem::ByteBuffer> add(const IPPacket& fragment, double time);
    std::size_t pending() const { return datagrams_.size(); }

private:
    using Key = std::tuple<IPAddress, IPAddress, std::uint32_t, std::uint8_t>;
    struct Datagram {
        std::map<std::uint32_t, zem::ByteBuffer> pieces; // by offset
        std::optional<std::uint32_t> totalLength;
        std::size_t octets = 0;
        double firstSeen = 0;
    };
    void expire(double now);
    std::map<Key, Datagram> datagrams_;
};

/// One direction of a TCP connection.
struct StreamKey {
    IPAddress source, destination;
    std::uint16_t sourcePort, destinationPort;
    auto operator<=>(const StreamKey&) const = default;
};

class TCPReassembler {
public:
    static constexpr std::size_t maximumStreams = 4096;
    static constexpr std::size_t maximumBufferedOctets = 65536;
    static constexpr double timeoutSeconds = 300;
    static constexpr std::size_t maximumMessageLength = 4096;

    /// Called for each whole message; `desynchronised` counts octets dropped because
    /// they cannot start a RADIUS message.
    using MessageSink = std::function<void(const StreamKey&, zem::ByteBuffer message)>;

    void add(const StreamKey& key, const TCPSegment& segment, double time, const MessageSink& sink);
    std::size_t streams() const { return streams_.size(); }
    std::uint64_t droppedOctets() const { return droppedOctets_; }

private:
    struct Stream {
        std::optional<std::uint32_t> nextSequence;
        std::map<std::uint32_t, zem::ByteBuffer> outOfOrder;
        std::size_t outOfOrderOctets = 0;
        zem::ByteBuffer buffer;
        double lastSeen = 0;
    };
    void append(Stream& stream, zem::ByteView data);
    void frame(const StreamKey& key, Stream& stream, const MessageSink& sink);
    void expire(double now);
    std::map<StreamKey, Stream> streams_;
    std::uint64_t droppedOctets_ = 0;
    double lastExpiry_ = 0;
};

} // namespace capture
