// OpenCapture: one opened capture in the window: its index and message store, and the
// loader that fills them on a thread of its own. A second thread follows the loader and
// links each response to its request as the messages come, on the core the loader leaves
// free, so that the links are ready as soon as the last message is read. A live capture also
// records its packets to a temporary file, so that closing it can offer to keep them; the file is
// readable by its owner only and has no name from the start, so that the traffic it holds is never
// left behind, however the window ends.
#pragma once

#include "CaptureLoader.hpp"
#include "exchanges/ExchangeTable.hpp"

#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace gui {

class OpenCapture {
public:
    /// Opens a file, or starts a live capture; throws CaptureError. `tlsKeyLog` is a key
    /// log's text, to read RADIUS over TLS with; `whenFinished` is called on a thread of
    /// the capture's own once it is finished().
    static std::unique_ptr<OpenCapture> openFile(const std::string& path,
                                                 const std::string& tlsKeyLog = {},
                                                 std::function<void()> whenFinished = {});
    static std::unique_ptr<OpenCapture> openLive(const std::string& interface,
                                                 const std::string& tlsKeyLog = {},
                                                 std::function<void()> whenFinished = {});
    ~OpenCapture();

    const capture::MessageIndex& index() const { return index_; }
    const capture::MessageStore& store() const { return store_; }
    capture::CaptureLoader& loader() { return loader_; }
    const std::string& name() const { return name_; }
    bool live() const { return live_; }
    /// The capture is read and its exchanges linked.
    bool finished() const { return finished_.load(); }
    /// Every message's links, once finished(); nothing before.
    std::shared_ptr<const analysis::ExchangeTable> exchanges() const;
    /// The loader's error, once finished; empty when none.
    std::string failure() const;
    /// Stops reading and linking, and waits for both.
    void stop();
    /// Whether this is a live capture that recorded its packets.
    bool recorded() const { return recording_ >= 0; }
    /// Writes the recorded packets, once stopped, to `path` (under a temporary name, put
    /// in place when whole); answers why it could not, empty when it could.
    std::string saveRecording(const std::string& path) const;

private:
    OpenCapture(capture::CaptureSource source, std::string name, bool live);
    void start();
    void linkExchanges();

    capture::MessageIndex index_;
    capture::MessageStore store_;
    capture::CaptureLoader loader_{index_, store_};
    std::unique_ptr<capture::CaptureSource> source_;
    std::string name_;
    bool live_;
    int recording_ = -1; // descriptor of the unlinked recording
    std::thread reader_, linker_;
    std::atomic<bool> read_{false}, finished_{false}, stopping_{false};
    mutable std::mutex mutex_;
    std::string failure_;
    std::shared_ptr<const analysis::ExchangeTable> exchanges_;
    std::function<void()> whenFinished_;
};

} // namespace gui
