// RenderQueue: renders batches of captured messages on worker threads while the capture
// is still being read, and hands the results back in capture order.
//
// Analyzers share no state, so any thread may render any batch; only the consuming (the
// writing and the counting) has to keep the order. It happens on the thread that submits,
// or, when what it touches is nobody else's, on the workers, one batch after another: the
// reading thread sets a run's pace, and counting a batch for the reports cost it as much
// as reading the batch. Batches and their results are recycled, so that a long capture
// costs no more memory than the few batches in flight.
//
//   RenderQueue queue(render, consume, 2, RenderQueue::Consuming::byWorkers);
//   queue.filling().add(origin, payload);      // on the reading thread
//   queue.submit();                            // hands the batch on
//   queue.finish();                            // everything consumed when it returns
#pragma once

#include "MessageBatch.hpp"
#include "MessageRenderer.hpp"
#include "checks/MessageChecks.hpp"
#include "exchanges/ExchangeLinks.hpp"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace app {

/// Captured messages with what checking each of them needs, which only the reading
/// thread can tell, as it sees the requests in order.
class MessageBatch : public capture::MessageBatch {
public:
    /// With `keepCarriers`, the frames that carried the message are kept for -w. `links`:
    /// none when null.
    void add(const zem::MessageOrigin& origin, zem::ByteView payload,
             const analysis::CheckInput& input = {}, bool keepCarriers = false,
             const analysis::ExchangeLinks* links = nullptr) {
        capture::MessageBatch::add(origin, payload);
        // Most runs check nothing and link nothing: a message takes room in these only
        // from the first one that has something (the rest are told by their absence).
        if (input.secret || input.requestAuthenticator || !checkInputs_.empty())
            placeLast(checkInputs_).push_back(input);
        if ((links && !links->tellsNothing()) || !links_.empty())
            placeLast(links_).push_back(links ? *links : analysis::ExchangeLinks{});
        if (keepCarriers) {
            carrierEnds_.resize(size() - 1, carriers_.size());
            carriers_.insert(carriers_.end(), origin.carrierFrames.begin(),
                             origin.carrierFrames.end());
            carrierEnds_.push_back(carriers_.size());
        }
    }
    /// A TLS frame whose records need a line, in place of a message: what its records
    /// turned out to be and those sent in clear, kept beside the messages.
    void addTlsFrame(const zem::MessageOrigin& origin,
                     std::span<const capture::TlsRecordEvent> events, zem::ByteView clearRecords,
                     bool keepCarriers) {
        add(origin, {}, {}, keepCarriers);
        if (tlsFrameCount_ == tlsFrames_.size())
            tlsFrames_.emplace_back();
        auto& frame = tlsFrames_[tlsFrameCount_++];
        frame.events.assign(events.begin(), events.end());
        frame.clearRecords.assign(clearRecords.begin(), clearRecords.end());
        placeLast(tlsFrameOf_).push_back(tlsFrameCount_);
    }
    bool isTlsFrame(std::size_t i) const { return i < tlsFrameOf_.size() && tlsFrameOf_[i] != 0; }
    std::span<const capture::TlsRecordEvent> tlsFrameEvents(std::size_t i) const {
        return tlsFrames_[tlsFrameOf_[i] - 1].events;
    }
    zem::ByteView tlsFrameClearRecords(std::size_t i) const {
        return zem::ByteView(tlsFrames_[tlsFrameOf_[i] - 1].clearRecords);
    }
    const analysis::CheckInput& checkInput(std::size_t i) const {
        static const analysis::CheckInput none;
        return i < checkInputs_.size() ? checkInputs_[i] : none;
    }
    /// The links to the message's exchange; a batch held back learns more of them.
    const analysis::ExchangeLinks& links(std::size_t i) const {
        static const analysis::ExchangeLinks none;
        return i < links_.size() ? links_[i] : none;
    }
    analysis::ExchangeLinks& links(std::size_t i) {
        if (i >= links_.size())
            links_.resize(i + 1);
        return links_[i];
    }
    std::span<const std::uint64_t> carriers(std::size_t i) const {
        if (i >= carrierEnds_.size())
            return {};
        const std::size_t begin = i == 0 ? 0 : carrierEnds_[i - 1];
        return std::span(carriers_).subspan(begin, carrierEnds_[i] - begin);
    }
    void clear() {
        capture::MessageBatch::clear();
        checkInputs_.clear();
        links_.clear();
        carriers_.clear();
        carrierEnds_.clear();
        tlsFrameOf_.clear();
        tlsFrameCount_ = 0; // their buffers are kept for the next use of the batch
    }

private:
    // Gives the messages before the last one an entry where they have none yet, so that
    // the last one's is pushed next.
    template <typename T> std::vector<T>& placeLast(std::vector<T>& perMessage) {
        perMessage.resize(size() - 1);
        return perMessage;
    }

    std::vector<analysis::CheckInput> checkInputs_; // up to the last message that has one
    std::vector<analysis::ExchangeLinks> links_;    // up to the last message that has some
    std::vector<std::uint64_t> carriers_;
    std::vector<std::size_t> carrierEnds_; // per message, when carriers are kept
    struct TlsFrame {
        std::vector<capture::TlsRecordEvent> events;
        zem::ByteBuffer clearRecords;
    };
    // Up to the last TLS frame, per message: 1 + its TLS frame's place, or 0.
    std::vector<std::size_t> tlsFrameOf_;
    std::vector<TlsFrame> tlsFrames_;
    std::size_t tlsFrameCount_ = 0;
};

/// A rendered batch: all texts back-to-back, each message's outcome, and the facts of
/// those that have them, in their order.
struct RenderedBatch {
    std::string text;
    std::vector<RenderedMessage> messages;
    std::vector<analysis::MessageFacts> facts;
    const MessageBatch* input = nullptr; // what was rendered, until it is consumed
    void clear() {
        text.clear();
        messages.clear();
        facts.clear();
    }
};

class RenderQueue {
public:
    using Render = std::function<void(const MessageBatch&, RenderedBatch&)>;
    using Consume = std::function<void(RenderedBatch&)>;
    enum class Consuming {
        /// On the thread that submits, as it submits: for a consumer that shares its state
        /// with the reading (a -w file keeps the frames read until their messages pass).
        bySubmitter,
        /// On the workers, one batch at a time and in order; the submitting thread only
        /// waits while too many batches are in flight.
        byWorkers,
    };
    /// With no workers, submit() renders and consumes on the calling thread.
    RenderQueue(Render render, Consume consume, unsigned workers,
                Consuming consuming = Consuming::bySubmitter);
    ~RenderQueue();
    RenderQueue(const RenderQueue&) = delete;
    RenderQueue& operator=(const RenderQueue&) = delete;

    /// The batch that the reading thread fills next.
    MessageBatch& filling() { return filling_->input; }
    /// Hands the filling batch to the workers; waits while too many are in flight.
    void submit();
    /// Submits what is left; returns once every batch is consumed.
    void finish();

    /// Sets the filling batch aside unrendered, for later messages to tell more of it;
    /// a new one fills. Held batches are rendered in order, before any later batch.
    void hold();
    std::size_t heldBatches() const { return held_.size(); }
    /// A held batch; 0 is the oldest.
    MessageBatch& heldBatch(std::size_t i) { return held_[i]->input; }
    /// Hands the oldest held batch to the workers, as submit() does.
    void releaseOldest();

private:
    struct Slot {
        MessageBatch input;
        RenderedBatch output;
        bool done = false;
    };
    void work();
    void renderInto(Slot& slot);
    // Hands `slot` to the workers (or renders it now); then, as the queue consumes, either
    // consumes what is done or waits while too many batches are in flight.
    void start(std::unique_ptr<Slot> slot);
    std::unique_ptr<Slot> recycled();
    /// Consumes the oldest batch if it is done (or, with `wait`, once it is); answers
    /// whether there was one. On the submitting thread.
    bool consumeFront(bool wait);
    /// On a worker, with `lock` held: consumes the batches at the front that are done,
    /// unless another worker already does.
    void consumeDone(std::unique_lock<std::mutex>& lock);
    // Consumes `slot` outside `lock`, then keeps it for a later batch or lets it go.
    void consume(std::unique_ptr<Slot> slot, std::unique_lock<std::mutex>& lock);

    Render render_;
    Consume consume_;
    bool consumesOnWorkers_;
    std::size_t maxInFlight_;
    std::unique_ptr<Slot> filling_;
    std::mutex mutex_;
    std::condition_variable workAvailable_, workFinished_;
    std::deque<std::unique_ptr<Slot>> held_;    // held back, oldest first
    std::deque<std::unique_ptr<Slot>> inOrder_; // submitted, oldest first
    std::deque<Slot*> waiting_;                 // submitted, not yet taken by a worker
    std::vector<std::unique_ptr<Slot>> spare_;
    bool consuming_ = false; // a worker consumes
    bool stopping_ = false;
    std::atomic<std::size_t> lastTextSize_ = 0; // of the batch rendered last
    std::vector<std::thread> workers_;
};

} // namespace app
