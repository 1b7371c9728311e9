// Reassembly below RADIUS: IPv4 and IPv6 fragments into whole datagrams, and TCP byte
// streams into RADIUS messages framed by their Length field (RFC 6613), or into TLS
// records.
//
// State is bounded in count and octets and expires after a timeout measured in capture
// time, so memory stays flat however long the capture runs; giving up on the oldest
// state takes constant time, so a flood of beginnings costs no more per packet than
// ordinary traffic. What was given up on is counted.
#pragma once

#include "ByteView.hpp"
#include "FramedOctets.hpp"
#include "LruTable.hpp"
#include "NetworkLayers.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <vector>

namespace capture {

class FragmentReassembler {
public:
    static constexpr std::size_t maximumDatagrams = 256;
    static constexpr std::size_t maximumDatagramOctets = 65535;
    static constexpr double timeoutSeconds = 30;

    /// Adds a fragment, carried by capture frame `frame`; answers the whole upper-layer
    /// payload when it is complete.
    std::optional<zem::ByteBuffer> add(const IPPacket& fragment, double time,
                                       std::uint64_t frame = 0);
    /// The frames of the fragments of the datagram add() last completed.
    std::span<const std::uint64_t> completedFrames() const { return completedFrames_; }
    std::size_t pending() const { return datagrams_.size(); }
    /// Datagrams given up on: never completed in time, pushed out, or too large.
    std::uint64_t givenUp() const { return datagrams_.givenUp() + oversized_; }

private:
    struct Key {
        IPAddress source, destination;
        std::uint32_t id;
        std::uint8_t protocol;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const noexcept;
    };
    struct Datagram {
        std::map<std::uint32_t, zem::ByteBuffer> pieces; // by offset
        std::optional<std::uint32_t> totalLength;
        std::size_t octets = 0;
        std::vector<std::uint64_t> frames;
    };
    zem::LruTable<Key, Datagram, KeyHash> datagrams_{maximumDatagrams};
    std::vector<std::uint64_t> completedFrames_;
    std::uint64_t oversized_ = 0;
};

/// One direction of a TCP connection.
struct StreamKey {
    IPAddress source, destination;
    std::uint16_t sourcePort, destinationPort;
    auto operator<=>(const StreamKey&) const = default;
};

struct StreamKeyHash {
    std::size_t operator()(const StreamKey& key) const noexcept;
};

class TCPReassembler {
public:
    static constexpr std::size_t maximumStreams = 4096;
    static constexpr std::size_t maximumBufferedOctets = FramedOctets::maximumBufferedOctets;
    static constexpr double timeoutSeconds = 300;
    static constexpr std::size_t maximumMessageLength = radiusMessageFraming.maximumLength;

    /// Cuts each stream into RADIUS messages, or into the units `framing` describes.
    explicit TCPReassembler(const StreamFraming& framing = radiusMessageFraming)
        : framing_(framing) {}

    /// Called for each whole unit, which lives only during the call.
    using MessageSink = std::function<void(const StreamKey&, zem::ByteView message)>;

    /// Adds a segment carried by capture frame `frame`.
    void add(const StreamKey& key, const TCPSegment& segment, double time, const MessageSink& sink,
             std::uint64_t frame = 0);
    /// While the sink runs: the frames whose segments carried the message.
    std::span<const std::uint64_t> messageFrames() const { return messageFrames_; }
    std::size_t streams() const { return streams_.size(); }
    /// Octets dropped because they could not start a unit, or overflowed a stream's buffer.
    std::uint64_t droppedOctets() const { return droppedOctets_; }
    /// Streams given up on: unused too long, or pushed out by newer ones.
    std::uint64_t givenUp() const { return streams_.givenUp(); }

private:
    struct Pending {
        std::uint64_t frame;
        zem::ByteBuffer octets;
    };
    struct Stream {
        std::optional<std::uint32_t> nextSequence;
        std::map<std::uint32_t, Pending> outOfOrder;
        std::size_t outOfOrderOctets = 0;
        FramedOctets octets;
    };
    void append(Stream& stream, zem::ByteView data, std::uint64_t frame);
    StreamFraming framing_;
    zem::LruTable<StreamKey, Stream, StreamKeyHash> streams_{maximumStreams};
    std::uint64_t droppedOctets_ = 0;
    std::span<const std::uint64_t> messageFrames_;
};

} // namespace capture
