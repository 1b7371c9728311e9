// MessageOrigin: where a captured message came from: its frame, capture time, endpoints
// and transport. The capture reader fills it; analyses and applications read it.
#pragma once

#include "IPAddress.hpp"

#include <cstdint>
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

} // namespace zem
