// MessageOrigin: where a captured message came from: its frame, capture time, endpoints
// and transport. The capture reader fills it; analyses and applications read it.
#pragma once

#include "ByteView.hpp"
#include "IPAddress.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>

namespace zem {

/// The frame in which a message ended, as captured: what the layers below RADIUS are
/// shown from. `octets` holds the frame's captured octets and, for a datagram joined
/// from IP fragments, the joined datagram's transport header after them (the last
/// fragment's frame does not hold it).
struct CarryingFrame {
    ByteView octets;
    std::uint32_t capturedLength = 0;
    std::uint32_t wireLength = 0;
    int linkType = -1;
    /// Where the message lies in the captured octets when it lies there whole.
    std::optional<std::uint32_t> messageOffset;
    bool empty() const { return octets.size() == 0; }
    ByteView captured() const { return octets.slice(0, capturedLength); }
};

struct MessageOrigin {
    std::uint64_t frame = 0;
    double time = 0;         // seconds since 1970
    double relativeTime = 0; // seconds since the first packet
    IPAddress source, destination;
    std::uint16_t sourcePort = 0, destinationPort = 0;
    const char* transport = "UDP";
    /// The frames that carried the message (its IP fragments, its TCP segments), while
    /// the capture reader hands it over; empty in copies kept after that.
    std::span<const std::uint64_t> carrierFrames;
    /// Only when the reader was asked for it (the layers are shown); like carrierFrames,
    /// valid while the reader hands the message over, or as a batch kept it.
    CarryingFrame carrying;
};

/// The transports a message comes by, as MessageOrigin::transport names them: RADIUS over
/// UDP, TCP, TLS and DTLS.
inline constexpr std::array<const char*, 4> messageTransports{"UDP", "TCP", "TLS", "DTLS"};

/// A transport's position in messageTransports (UDP's for a name not there).
inline std::uint8_t messageTransportIndex(const char* transport) {
    for (std::size_t i = 0; i < messageTransports.size(); ++i)
        if (std::strcmp(messageTransports[i], transport) == 0)
            return static_cast<std::uint8_t>(i);
    return 0;
}

} // namespace zem
