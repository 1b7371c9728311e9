// CaptureBytes: the octets of a capture file, handed to its reader a run at a time. A
// regular file whose frames are kept (a window) is mapped read-only, so that they stay in
// the file's pages without a copy; a file read once, a pipe, a FIFO or standard input is
// read in large blocks into one buffer.
//
//   auto bytes = capture::CaptureBytes::open(descriptor, capture::Reading::once);
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

/// How a regular file is read.
enum class Reading {
    /// Mapped: views into its octets may be kept for as long as lastingShare() is held.
    kept,
    /// Through read(2) into one buffer that is used again: each view lasts until the next
    /// peek(). Bringing a freshly mapped page into a process costs about a microsecond and
    /// a half on the virtual machines we run on (a first pass over a mapped 206 MB file
    /// took 75 ms, a second 6 ms, read(2) of it 26 ms), far more than copying its octets.
    once,
};

class CaptureBytes {
public:
    /// Reads from `descriptor`, which it closes at the end unless it is standard input.
    /// A regular file is read up to the size it has now. Throws CaptureError.
    static std::unique_ptr<CaptureBytes> open(int descriptor, Reading reading);
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
    /// A mapped file's octets, kept past this object's life, so that views into them may
    /// be kept past the next peek(); nothing when they are not a map. Their pages then
    /// stay in memory once read, for the holder to read them again.
    virtual std::shared_ptr<const LastingOctets> lastingShare() { return nullptr; }
};

} // namespace capture
