// MessageStore: the octets of every RADIUS message of an opened capture, so that a window
// over millions of messages holds only their index. Those that lie in a mapped capture
// file are left where they are: the store keeps the map and answers views into it. Any
// others (joined from fragments or segments, decrypted, read from a pipe or a live
// capture) are copied into an unlinked temporary file rather than memory. One thread
// keeps octets; any thread reads what was published.
//
//   capture::MessageStore store;              // throws CaptureError
//   store.borrow(source.lastingShare());      // before keeping anything
//   auto at = store.keep(octets);
//   store.publish();                          // readers may now read up to here
//   store.read(at, octets.size(), buffer);
#pragma once

#include "ByteView.hpp"
#include "CaptureBytes.hpp"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace capture {

class MessageStore {
public:
    /// Opens a store in the system's temporary folder. Throws CaptureError.
    MessageStore();
    ~MessageStore();
    MessageStore(const MessageStore&) = delete;
    MessageStore& operator=(const MessageStore&) = delete;

    /// Keeps views into `file` (nothing: copies of everything) for octets that lie in it.
    /// Called before anything is kept, by the thread that keeps them.
    void borrow(std::shared_ptr<const LastingOctets> file) { file_ = std::move(file); }

    /// Keeps octets, by their place in the borrowed file when they lie in it, else by a
    /// copy; answers where they are. Only one thread keeps octets.
    std::uint64_t keep(zem::ByteView octets);
    /// Copies octets, so that octets appended next follow them; answers where they start.
    std::uint64_t append(zem::ByteView octets);
    /// Makes everything kept so far readable by other threads. Throws CaptureError when
    /// the disk is full.
    void publish();
    /// Reads `size` octets at `offset` into `out`; false when they are not published (or
    /// the file they lie in was cut short since).
    bool read(std::uint64_t offset, std::size_t size, zem::ByteBuffer& out) const;
    /// The octets at `offset` when they lie in the borrowed file: no copy. Nothing for
    /// copied octets, which read() reads.
    std::optional<zem::ByteView> view(std::uint64_t offset, std::size_t size) const;
    /// Whether the octets at `offset` were copied, rather than left in the file.
    static bool copied(std::uint64_t offset) { return (offset & copiedMark) != 0; }

private:
    // Copies count from here, so that one offset says where octets are; the octets of a
    // file below it are its own offsets. Far above any file, and far below the sign bit
    // that a frame's place before its message is computed through.
    static constexpr std::uint64_t copiedMark = std::uint64_t{1} << 62;

    void writePending();

    std::shared_ptr<const LastingOctets> file_;
    std::string folder_; // where the file is, for errors
    int descriptor_ = -1;
    zem::ByteBuffer pending_;   // appended, not yet written
    std::uint64_t written_ = 0; // octets in the file
    std::atomic<std::uint64_t> published_{0};
};

} // namespace capture
