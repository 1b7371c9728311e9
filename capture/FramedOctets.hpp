// FramedOctets: the octets of one direction of a stream not yet cut into units (RADIUS
// messages, TLS records), with the capture frames that carried them, so that each unit
// can name its frames. A unit's length comes from a 16-bit field in its header
// (StreamFraming); octets that cannot start a unit are dropped and counted, because a
// stream that lost its place has no way to find the next boundary.
#pragma once

#include "ByteView.hpp"

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

namespace capture {

struct StreamFraming {
    std::size_t lengthOffset;  // of the big-endian 16-bit length field
    std::size_t lengthAdds;    // octets the field does not count (a header before it)
    std::size_t minimumLength; // of a whole unit
    std::size_t maximumLength;
};

/// RADIUS over TCP or TLS (RFC 6613): the Length field counts the whole message.
inline constexpr StreamFraming radiusMessageFraming{2, 0, 20, 4096};
/// TLS records (RFC 8446 section 5.1): 5 header octets, at most 2^14 + 2048 after them.
inline constexpr StreamFraming tlsRecordFraming{3, 5, 5, 5 + 18432};

class FramedOctets {
public:
    static constexpr std::size_t maximumBufferedOctets = 65536;

    /// Adds octets carried by `frames`; answers how many octets were dropped because the
    /// buffer would pass its bound (then everything buffered goes).
    std::size_t append(zem::ByteView data, std::span<const std::uint64_t> frames);

    /// Hands each whole unit, with the frames whose octets overlap it, to `unit` (a
    /// callable taking zem::ByteView and std::span<const std::uint64_t>); answers the
    /// octets dropped as unframeable.
    template <typename Unit> std::size_t cut(const StreamFraming& framing, Unit&& unit) {
        std::size_t start = 0, dropped = 0;
        while (buffer_.size() - start >= framing.lengthOffset + 2) {
            zem::ByteView rest = zem::ByteView(buffer_).slice(start);
            const std::size_t length =
                std::size_t{rest.loadBigEndian16(framing.lengthOffset).value_or(0)} +
                framing.lengthAdds;
            if (length < framing.minimumLength || length > framing.maximumLength) {
                dropped += rest.size();
                start = buffer_.size();
                break;
            }
            if (rest.size() < length)
                break;
            unit(rest.slice(0, length), framesOf(consumed_ + start, length));
            start += length;
        }
        consume(start);
        return dropped;
    }

    bool empty() const { return buffer_.empty(); }

private:
    struct Carrier {
        std::uint64_t frame;
        std::uint64_t begin, end; // stream offsets of the octets it carried
    };
    std::span<const std::uint64_t> framesOf(std::uint64_t from, std::size_t length);
    void consume(std::size_t octets);

    zem::ByteBuffer buffer_;
    std::uint64_t consumed_ = 0; // stream offset of the buffer's first octet
    std::deque<Carrier> carriers_;
    std::vector<std::uint64_t> unitFrames_;
};

} // namespace capture
