// BackgroundAuthentications: -z radius,auths followed on a thread of its own. Following
// authentications (the State chains, the rows as they end, the spooled report) must see
// the messages in capture order, so it cannot go to the render workers; on the reading
// thread, which also reads the capture and hands batches out, it was that thread's largest
// cost. The reading thread hands the messages' facts over a thousand at a time; a
// bounded queue keeps memory flat when the follower falls behind.
//
//   BackgroundAuthentications auths(json);
//   auths.add(origin, code, identifier, std::move(facts));   // in capture order
//   auths.finish(write);                                     // the report
#pragma once

#include "AuthenticationsReport.hpp"
#include "reports/Authentications.hpp"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace app {

class BackgroundAuthentications {
public:
    explicit BackgroundAuthentications(bool json);
    ~BackgroundAuthentications();
    BackgroundAuthentications(const BackgroundAuthentications&) = delete;
    BackgroundAuthentications& operator=(const BackgroundAuthentications&) = delete;

    /// The next Access message with what following it reads.
    void add(const zem::MessageOrigin& origin, std::uint8_t code, std::uint8_t identifier,
             analysis::AuthenticationFacts&& facts);
    /// Waits for every message handed over to be followed, then hands the report to
    /// `write`; or answers why it could not be written.
    std::string finish(const std::function<void(std::string_view)>& write);

private:
    struct Message {
        zem::MessageOrigin origin;
        std::uint8_t code = 0, identifier = 0;
        analysis::AuthenticationFacts facts;
    };
    static constexpr std::size_t messagesPerHandOver = 1024;
    static constexpr std::size_t queuedAtMost = 16;

    void handOver();
    void stop();
    void follow(); // the thread's own loop

    std::vector<Message> filling_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<Message>> queued_;
    std::vector<std::vector<Message>> spare_; // followed, kept for their capacity
    bool ending_ = false;

    // Touched by the thread alone until it is joined.
    analysis::Authentications authentications_;
    AuthenticationsReport report_;
    std::thread thread_;
};

} // namespace app
