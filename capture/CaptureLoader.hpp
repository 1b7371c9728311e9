// CaptureLoader: reads a capture into a MessageIndex and its MessageStore on a thread of
// its own, publishing as it goes so that a window shows the first rows at once. It can
// be cancelled from any thread; a live capture ends the same way.
//
//   capture::CaptureLoader loader(index, store);
//   std::thread reader([&] { error = loader.load(source); });
//   ...
//   loader.cancel();
#pragma once

#include "CaptureSource.hpp"
#include "MessageIndex.hpp"
#include "MessageStore.hpp"

#include <atomic>
#include <cstdint>
#include <string>

namespace capture {

class CaptureLoader {
public:
    CaptureLoader(MessageIndex& index, MessageStore& store) : index_(index), store_(store) {}

    /// TLS secrets (a key log's text) to read RADIUS over TLS with; before load().
    void useTlsSecrets(std::string keyLogText) { tlsKeyLog_ = std::move(keyLogText); }

    /// Reads `source` to its end, an error or cancel(); answers the error, empty when none.
    std::string load(CaptureSource& source);
    /// Ends load() soon after; safe from any thread.
    void cancel();
    bool cancelled() const { return cancelled_.load(); }

    std::uint64_t packets() const { return packets_.load(std::memory_order_relaxed); }
    /// How much of a file has been read, 0 to 1; negative for a live capture or a pipe.
    double fractionRead() const { return fraction_.load(std::memory_order_relaxed); }

private:
    void add(const zem::MessageOrigin& origin, zem::ByteView message);
    void publish();

    MessageIndex& index_;
    MessageStore& store_;
    std::atomic<bool> cancelled_{false};
    std::atomic<CaptureSource*> source_{nullptr};
    std::atomic<std::uint64_t> packets_{0};
    std::atomic<double> fraction_{-1};
    std::string tlsKeyLog_;
    bool full_ = false;
    bool firstTimeKnown_ = false;
};

} // namespace capture
