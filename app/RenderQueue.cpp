#include "RenderQueue.hpp"

#include <pthread.h>
#include <sched.h>
#include <utility>

namespace app {

// Two batches for each worker keep every core busy while the reading thread waits for
// its core; more only cost memory.
RenderQueue::RenderQueue(Render render, unsigned workers)
    : render_(std::move(render)), maxInFlight_(2 * std::size_t{workers}),
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
    if (spare_.empty())
        return std::make_unique<Slot>();
    auto slot = std::move(spare_.back());
    spare_.pop_back();
    return slot;
}

void RenderQueue::submit(const Consume& consume) {
    if (filling_->input.empty())
        return;
    // Nothing overtakes a held batch.
    if (!held_.empty()) {
        hold();
        return;
    }
    start(std::exchange(filling_, recycled()), consume);
}

void RenderQueue::hold() {
    if (filling_->input.empty())
        return;
    // A held batch keeps no text from the batch its slot rendered before: thousands may
    // be held, each text as large as a rendered batch's.
    std::string().swap(filling_->output.text);
    held_.push_back(std::exchange(filling_, recycled()));
}

void RenderQueue::releaseOldest(const Consume& consume) {
    if (held_.empty())
        return;
    auto oldest = std::move(held_.front());
    held_.pop_front();
    start(std::move(oldest), consume);
}

void RenderQueue::start(std::unique_ptr<Slot> slot, const Consume& consume) {
    if (workers_.empty()) {
        render_(slot->input, slot->output);
        slot->done = true;
        inOrder_.push_back(std::move(slot));
    } else {
        {
            std::lock_guard lock(mutex_);
            waiting_.push_back(slot.get());
            inOrder_.push_back(std::move(slot));
        }
        workAvailable_.notify_one();
    }
    while (consumeFront(consume, inOrder_.size() >= maxInFlight_)) {
    }
}

void RenderQueue::finish(const Consume& consume) {
    while (!held_.empty())
        releaseOldest(consume);
    submit(consume);
    while (consumeFront(consume, true)) {
    }
}

bool RenderQueue::consumeFront(const Consume& consume, bool wait) {
    std::unique_ptr<Slot> front;
    {
        std::unique_lock lock(mutex_);
        if (inOrder_.empty())
            return false;
        if (wait)
            workFinished_.wait(lock, [&] { return inOrder_.front()->done; });
        else if (!inOrder_.front()->done)
            return false;
        front = std::move(inOrder_.front());
        inOrder_.pop_front();
    }
    consume(front->output);
    // Enough spares for the batches in flight: when held batches go out together, more
    // would each keep a rendered batch's text.
    if (spare_.size() > maxInFlight_)
        return true;
    front->input.clear();
    front->output.clear();
    front->done = false;
    spare_.push_back(std::move(front));
    return true;
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
        render_(slot->input, slot->output);
        {
            std::lock_guard lock(mutex_);
            slot->done = true;
        }
        workFinished_.notify_all();
    }
}

} // namespace app
