// CaptureBytes: the octets of a capture file, handed to its reader a run at a time. A
// regular file is mapped read-only, so that a frame's octets reach the decoder without a
// copy; a pipe, a FIFO or standard input is read in large blocks into one buffer.
//
//   auto bytes = capture::CaptureBytes::open(descriptor); // takes the descriptor
//   auto header = bytes->peek(16); // fewer octets only at the end of the input
//   bytes->skip(16);
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace capture {

/// A mapped file's octets, kept for as long as somebody holds this, after its reading
/// ended: a window keeps views into the file instead of copies of its messages.
class LastingOctets {
public:
    virtual ~LastingOctets() = default;
    virtual std::span<const std::uint8_t> octets() const = 0;
    /// False once another program cut the file short under the map: the pages past its
    /// new end then read as zeros, which are no octets of it.
    virtual bool intact() const = 0;
};

class CaptureBytes {
public:
    /// Reads from `descriptor`, which it closes at the end unless it is standard input.
    /// A regular file is read up to the size it has now. Throws CaptureError.
    static std::unique_ptr<CaptureBytes> open(int descriptor);
    /// The octets of a buffer the caller keeps alive (for tests and fuzzing).
    static std::unique_ptr<CaptureBytes> view(std::span<const std::uint8_t> octets);

    virtual ~CaptureBytes() = default;
    /// Up to `count` octets from the current position, in one run; fewer only where the
    /// input ends. Valid until the next peek().
    virtual std::span<const std::uint8_t> peek(std::size_t count) = 0;
    /// Moves past `count` octets, no more than the last peek() answered.
    virtual void skip(std::size_t count) = 0;
    /// Octets moved past since the start.
    virtual std::uint64_t position() const = 0;
    /// The input's whole size, when known ahead (a regular file).
    virtual std::optional<std::uint64_t> size() const = 0;
    /// Octets that stay where they are for as long as this object lives (a mapped file),
    /// so that views into them may be kept past the next peek(); empty for a pipe.
    virtual std::span<const std::uint8_t> lasting() const = 0;
    /// The same octets, kept past this object's life; nothing when they are not a map.
    /// Their pages then stay in memory once read, for the holder to read them again.
    virtual std::shared_ptr<const LastingOctets> lastingShare() { return nullptr; }
};

} // namespace capture
