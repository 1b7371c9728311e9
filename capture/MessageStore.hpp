// MessageStore: the octets of every RADIUS message of an opened capture, kept in an
// unlinked temporary file instead of memory, so that a window over millions of messages
// holds only their index. One thread appends; any thread reads what was published.
//
//   capture::MessageStore store;              // throws CaptureError
//   auto at = store.append(octets);
//   store.publish();                          // readers may now read up to here
//   store.read(at, octets.size(), buffer);
#pragma once

#include "ByteView.hpp"

#include <atomic>
#include <cstdint>
#include <string>

namespace capture {

class MessageStore {
public:
    /// Opens a store in the system's temporary folder. Throws CaptureError.
    MessageStore();
    ~MessageStore();
    MessageStore(const MessageStore&) = delete;
    MessageStore& operator=(const MessageStore&) = delete;

    /// Appends octets; answers where they start. Only one thread appends.
    std::uint64_t append(zem::ByteView octets);
    /// Makes everything appended so far readable by other threads. Throws CaptureError
    /// when the disk is full.
    void publish();
    /// Reads `size` octets at `offset` into `out`; false when they are not published.
    bool read(std::uint64_t offset, std::size_t size, zem::ByteBuffer& out) const;

private:
    void writePending();

    std::string folder_; // where the file is, for errors
    int descriptor_ = -1;
    zem::ByteBuffer pending_;   // appended, not yet written
    std::uint64_t written_ = 0; // octets in the file
    std::atomic<std::uint64_t> published_{0};
};

} // namespace capture
