// MessageOrigin: where a captured message came from: its frame, capture time, endpoints
// and transport. The capture reader fills it; analyses and applications read it.
#pragma once

#include "ByteView.hpp"
#include "IPAddress.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

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

/// The transports a message comes by: RADIUS over UDP, TCP, TLS and DTLS.
enum class MessageTransport : std::uint8_t { udp, tcp, tls, dtls };

/// What each transport is called on a line, in a field and in JSON. Each name's literal,
/// its terminator included, holds at least four octets: a line copies four and keeps the
/// name's length.
inline constexpr std::array<std::string_view, 4> messageTransportNames{"UDP", "TCP", "TLS", "DTLS"};
constexpr std::size_t longestTransportName = 4;
static_assert([] {
    for (const auto name : messageTransportNames)
        if (name.size() > longestTransportName)
            return false;
    return true;
}());

inline std::string_view transportName(MessageTransport transport) {
    return messageTransportNames[static_cast<std::size_t>(transport) %
                                 messageTransportNames.size()];
}

/// RADIUS over TLS or DTLS, which has RadSec's own secret.
constexpr bool carriedOverTls(MessageTransport transport) {
    return transport == MessageTransport::tls || transport == MessageTransport::dtls;
}

/// RADIUS over TCP or over TLS (which runs on TCP).
constexpr bool carriedByTcp(MessageTransport transport) {
    return transport == MessageTransport::tcp || transport == MessageTransport::tls;
}

struct MessageOrigin {
    std::uint64_t frame = 0;
    double time = 0;         // seconds since 1970
    double relativeTime = 0; // seconds since the first packet
    IPAddress source, destination;
    std::uint16_t sourcePort = 0, destinationPort = 0;
    MessageTransport transport = MessageTransport::udp;
    /// The frames that carried the message (its IP fragments, its TCP segments), while
    /// the capture reader hands it over; empty in copies kept after that.
    std::span<const std::uint64_t> carrierFrames;
    /// Only when the reader was asked for it (the layers are shown); like carrierFrames,
    /// valid while the reader hands the message over, or as a batch kept it.
    CarryingFrame carrying;
};

} // namespace zem
