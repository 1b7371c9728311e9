// MessageOrigin: where a captured message came from: its frame, capture time, endpoints
// and transport. The capture reader fills it; analyses and applications read it.
#pragma once

#include "IPAddress.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <span>

namespace zem {

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
