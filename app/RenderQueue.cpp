#include "RenderQueue.hpp"

#include <pthread.h>
#include <sched.h>
#include <utility>

namespace app {

// Two batches for each worker keep every core busy while the reading thread waits for
// its core; more only cost memory. Consumed by the workers, they need twice that: the one
// consuming renders nothing meanwhile and, scheduled as bulk work, may wait for a core,
// and with two a worker the reading thread then waited for it (-z radius,stats about 5 %
// slower than consuming on the reading thread; at par with four).
RenderQueue::RenderQueue(Render render, Consume consume, unsigned workers, Consuming consuming)
    : render_(std::move(render)), consume_(std::move(consume)),
      consumesOnWorkers_(consuming == Consuming::byWorkers && workers > 0),
      maxInFlight_((consumesOnWorkers_ ? 4 : 2) * std::size_t{workers}),
      filling_(std::make_unique<Slot>()) {
    for (unsigned i = 0; i < workers; ++i)
        workers_.emplace_back([this] {
            // Rendering is bulk work that must not take the core from the reading thread
            // each time a batch wakes a worker: the reading sets the run's pace, and a
            // reading thread preempted by the workers it woke leaves them without batches.
            sched_param none{};
            pthread_setschedparam(pthread_self(), SCHED_BATCH, &none);
            work();
        });
}

RenderQueue::~RenderQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (auto& worker : workers_)
        worker.join();
}

std::unique_ptr<RenderQueue::Slot> RenderQueue::recycled() {
    std::lock_guard lock(mutex_);
    if (spare_.empty())
        return std::make_unique<Slot>();
    auto slot = std::move(spare_.back());
    spare_.pop_back();
    return slot;
}

void RenderQueue::consume(std::unique_ptr<Slot> slot, std::unique_lock<std::mutex>& lock) {
    lock.unlock();
    consume_(slot->output);
    slot->input.clear();
    slot->output.clear();
    slot->done = false;
    lock.lock();
    // Enough spares for the batches in flight: when held batches go out together, more
    // would each keep a rendered batch's text.
    if (spare_.size() <= maxInFlight_)
        spare_.push_back(std::move(slot));
}

void RenderQueue::submit() {
    if (filling_->input.empty())
        return;
    // Nothing overtakes a held batch.
    if (!held_.empty()) {
        hold();
        return;
    }
    start(std::exchange(filling_, recycled()));
}

void RenderQueue::hold() {
    if (filling_->input.empty())
        return;
    // A held batch keeps no text from the batch its slot rendered before: thousands may
    // be held, each text as large as a rendered batch's.
    std::string().swap(filling_->output.text);
    held_.push_back(std::exchange(filling_, recycled()));
}

void RenderQueue::releaseOldest() {
    if (held_.empty())
        return;
    auto oldest = std::move(held_.front());
    held_.pop_front();
    start(std::move(oldest));
}

void RenderQueue::start(std::unique_ptr<Slot> slot) {
    if (workers_.empty()) {
        renderInto(*slot);
        slot->done = true;
        inOrder_.push_back(std::move(slot));
    } else {
        MessageBatch::publish();
        {
            std::lock_guard lock(mutex_);
            waiting_.push_back(slot.get());
            inOrder_.push_back(std::move(slot));
        }
        workAvailable_.notify_one();
    }
    if (consumesOnWorkers_) {
        std::unique_lock lock(mutex_);
        workFinished_.wait(lock, [&] { return inOrder_.size() < maxInFlight_; });
        return;
    }
    while (consumeFront(inOrder_.size() >= maxInFlight_)) {
    }
}

void RenderQueue::finish() {
    while (!held_.empty())
        releaseOldest();
    submit();
    if (consumesOnWorkers_) {
        std::unique_lock lock(mutex_);
        workFinished_.wait(lock, [&] { return inOrder_.empty() && !consuming_; });
        return;
    }
    while (consumeFront(true)) {
    }
}

bool RenderQueue::consumeFront(bool wait) {
    std::unique_lock lock(mutex_);
    if (inOrder_.empty())
        return false;
    if (wait)
        workFinished_.wait(lock, [&] { return inOrder_.front()->done; });
    else if (!inOrder_.front()->done)
        return false;
    auto front = std::move(inOrder_.front());
    inOrder_.pop_front();
    consume(std::move(front), lock);
    return true;
}

void RenderQueue::consumeDone(std::unique_lock<std::mutex>& lock) {
    // The worker that consumes looks at the front again, under the lock, before it stops:
    // a batch finished meanwhile by another worker, which found this one consuming, is
    // not left behind.
    if (consuming_)
        return;
    consuming_ = true;
    while (!inOrder_.empty() && inOrder_.front()->done) {
        auto front = std::move(inOrder_.front());
        inOrder_.pop_front();
        consume(std::move(front), lock);
        // The reading thread may go on as soon as a batch leaves the flight.
        workFinished_.notify_all();
    }
    consuming_ = false;
}

void RenderQueue::renderInto(Slot& slot) {
    // A held batch gave its text's room back, and a text grown piece by piece is copied
    // over and over (a detail tree's batch is most of a megabyte): the room the last batch
    // took is asked for at once.
    const std::size_t last = lastTextSize_.load(std::memory_order_relaxed);
    slot.output.text.reserve(last + last / 8);
    render_(slot.input, slot.output);
    lastTextSize_.store(slot.output.text.size(), std::memory_order_relaxed);
}

void RenderQueue::work() {
    for (;;) {
        Slot* slot = nullptr;
        {
            std::unique_lock lock(mutex_);
            workAvailable_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
            if (waiting_.empty())
                return;
            slot = waiting_.front();
            waiting_.pop_front();
        }
        renderInto(*slot);
        {
            std::unique_lock lock(mutex_);
            slot->done = true;
            if (consumesOnWorkers_)
                consumeDone(lock);
        }
        workFinished_.notify_all();
    }
}

} // namespace app
