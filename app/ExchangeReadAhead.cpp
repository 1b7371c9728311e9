#include "ExchangeReadAhead.hpp"

#include "wire/RadiusProtocol.hpp"

#include <algorithm>

namespace app {

void ExchangeReadAhead::add(const zem::MessageOrigin& origin, zem::ByteView payload,
                            const analysis::CheckInput& input, bool keepCarriers) {
    auto& filling = queue_.filling();
    if (filling.empty()) {
        fillingFirst_ = sequence_;
        fillingWaiting_ = 0;
    }
    const auto sequence = sequence_++;
    auto links = linker_.next(origin, payload, sequence);
    links.tlsMessage = tlsJoiner_.next(origin, payload);
    const bool followed =
        authentications_ && authentications_->next(origin, payload, links, sequence);
    filling.add(origin, payload, input, keepCarriers, &links);
    if (payload.size() >= analysis::headerSize && analysis::isRequestCode(*payload.at(0)) &&
        !links.responseFrame)
        ++fillingWaiting_;
    if (followed)
        ++fillingWaiting_; // until its authentication ends
    resolve();
}

void ExchangeReadAhead::addTlsFrame(const zem::MessageOrigin& origin,
                                    std::span<const capture::TlsRecordEvent> events,
                                    zem::ByteView clearRecords, bool keepCarriers) {
    auto& filling = queue_.filling();
    if (filling.empty()) {
        fillingFirst_ = sequence_;
        fillingWaiting_ = 0;
    }
    ++sequence_; // its place in the batch: links are found by it
    filling.addTlsFrame(origin, events, clearRecords, keepCarriers);
}

analysis::ExchangeLinks* ExchangeReadAhead::heldLinks(std::uint64_t sequence,
                                                      std::size_t*& waiting) {
    auto& filling = queue_.filling();
    if (!filling.empty() && sequence >= fillingFirst_) {
        waiting = &fillingWaiting_;
        return &filling.links(sequence - fillingFirst_);
    }
    // The batch whose first message is the last one at or before `sequence`.
    const auto after = std::upper_bound(heldFirst_.begin(), heldFirst_.end(), sequence);
    if (after == heldFirst_.begin())
        return nullptr; // rendered already
    const auto batch = static_cast<std::size_t>(after - heldFirst_.begin()) - 1;
    waiting = &heldWaiting_[batch];
    return &queue_.heldBatch(batch).links(sequence - heldFirst_[batch]);
}

void ExchangeReadAhead::resolve() {
    for (const auto& resolved : linker_.takeResolved()) {
        std::size_t* waiting = nullptr;
        auto* links = heldLinks(resolved.sequence, waiting);
        if (!links)
            continue;
        links->responseFrame = resolved.responseFrame;
        --*waiting;
    }
    if (!authentications_)
        return;
    for (const auto& ended : authentications_->takeEnded())
        for (const auto sequence : ended.sequences) {
            std::size_t* waiting = nullptr;
            auto* links = heldLinks(sequence, waiting);
            if (!links)
                continue;
            links->authentication = ended.outcome;
            --*waiting;
        }
}

void ExchangeReadAhead::batchFull() {
    auto& filling = queue_.filling();
    if (filling.empty())
        return;
    if (!holdBack_ || (fillingWaiting_ == 0 && heldFirst_.empty())) {
        queue_.submit();
        return;
    }
    heldFirst_.push_back(fillingFirst_);
    heldWaiting_.push_back(fillingWaiting_);
    heldMessages_ += filling.size();
    queue_.hold();
    releaseSettled();
}

void ExchangeReadAhead::releaseSettled() {
    while (!heldFirst_.empty() && (heldWaiting_.front() == 0 || heldMessages_ > maxHeld_)) {
        heldMessages_ -= queue_.heldBatch(0).size();
        heldFirst_.pop_front();
        heldWaiting_.pop_front();
        queue_.releaseOldest();
    }
}

void ExchangeReadAhead::finish() {
    linker_.finish();
    if (authentications_)
        authentications_->finish();
    resolve();
    batchFull();
    while (!heldFirst_.empty()) {
        heldMessages_ -= queue_.heldBatch(0).size();
        heldFirst_.pop_front();
        heldWaiting_.pop_front();
        queue_.releaseOldest();
    }
}

} // namespace app
