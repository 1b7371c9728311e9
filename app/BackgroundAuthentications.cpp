#include "BackgroundAuthentications.hpp"

namespace app {

BackgroundAuthentications::BackgroundAuthentications(bool json)
    : report_(json), thread_([this] { follow(); }) {
    filling_.reserve(messagesPerHandOver);
}

BackgroundAuthentications::~BackgroundAuthentications() {
    stop();
}

void BackgroundAuthentications::add(const zem::MessageOrigin& origin, std::uint8_t code,
                                    std::uint8_t identifier,
                                    analysis::AuthenticationFacts&& facts) {
    auto& message = filling_.emplace_back();
    message.origin = origin;
    // Views into the batch, which is recycled once the reading thread is done with it.
    message.origin.carrierFrames = {};
    message.origin.carrying = {};
    message.code = code;
    message.identifier = identifier;
    message.facts = std::move(facts);
    if (filling_.size() >= messagesPerHandOver)
        handOver();
}

void BackgroundAuthentications::handOver() {
    std::vector<Message> next;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return queued_.size() < queuedAtMost; });
        queued_.push_back(std::move(filling_));
        if (!spare_.empty()) {
            next = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    changed_.notify_all();
    filling_ = std::move(next);
    filling_.clear();
    filling_.reserve(messagesPerHandOver);
}

void BackgroundAuthentications::follow() {
    for (;;) {
        std::vector<Message> messages;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !queued_.empty() || ending_; });
            if (queued_.empty())
                return;
            messages = std::move(queued_.front());
            queued_.pop_front();
        }
        changed_.notify_all();
        for (auto& message : messages) {
            authentications_.addMessage(message.origin, message.code, message.identifier,
                                        message.facts);
            for (const auto& row : authentications_.takeReady())
                report_.add(row);
        }
        messages.clear();
        std::lock_guard lock(mutex_);
        if (spare_.size() < queuedAtMost)
            spare_.push_back(std::move(messages));
    }
}

void BackgroundAuthentications::stop() {
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

std::string BackgroundAuthentications::finish(const std::function<void(std::string_view)>& write) {
    if (!filling_.empty())
        handOver();
    stop();
    for (const auto& row : authentications_.finish())
        report_.add(row);
    return report_.finish(write);
}

} // namespace app
