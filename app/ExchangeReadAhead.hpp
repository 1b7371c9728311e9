// ExchangeReadAhead: links each message of a run to its exchange on the reading thread
// (and joins the TLS messages that EAP sends in fragments over several round trips, and
// when asked follows the authentications), and holds back the batches whose requests still wait for
// a response, so that a request's line already names the frame that answers it.
//
// A batch is held until each of its requests is answered or given up on (and each of
// its followed messages' authentications ended) (after the
// matcher's window of capture time, or when its table is full), and at most
// `maxHeldMessages` messages are held at once: past that the oldest batch is rendered
// with what is known, so that memory stays bounded. A live capture holds nothing back:
// its lines show what is known when they are printed.
//
//   ExchangeReadAhead readAhead(queue, /*holdBack=*/true);
//   readAhead.add(origin, payload, checkInput, keepCarriers);   // instead of filling().add
//   readAhead.batchFull();                                     // instead of submit()
//   readAhead.finish();                                        // before queue.finish()
#pragma once

#include "RenderQueue.hpp"
#include "exchanges/ExchangeLinker.hpp"
#include "exchanges/TlsMessageJoiner.hpp"
#include "reports/AuthenticationTracker.hpp"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

namespace app {

class ExchangeReadAhead {
public:
    static constexpr std::size_t defaultMaxHeldMessages = 1u << 16;

    /// With `followAuthentications`, each message of an authentication also waits until
    /// it is known how the authentication ended.
    ExchangeReadAhead(RenderQueue& queue, bool holdBack, bool followAuthentications = false,
                      std::size_t maxHeldMessages = defaultMaxHeldMessages)
        : queue_(queue), holdBack_(holdBack), maxHeld_(maxHeldMessages) {
        if (followAuthentications)
            authentications_.emplace();
    }

    /// Adds the next message to the filling batch with its links.
    void add(const zem::MessageOrigin& origin, zem::ByteView payload,
             const analysis::CheckInput& input, bool keepCarriers);
    /// Adds a TLS frame's line to the filling batch, in its place among the messages.
    void addTlsFrame(const zem::MessageOrigin& origin,
                     std::span<const capture::TlsRecordEvent> events, zem::ByteView clearRecords,
                     bool keepCarriers);
    /// The filling batch is full: it is held back or handed on.
    void batchFull();
    /// The input ended: no request still waiting will be answered; everything held goes on.
    void finish();

    std::size_t heldMessages() const { return heldMessages_; }

private:
    void resolve();
    // The links of the message numbered `sequence`, while it is still held or filling.
    analysis::ExchangeLinks* heldLinks(std::uint64_t sequence, std::size_t*& waiting);
    void releaseSettled();

    RenderQueue& queue_;
    bool holdBack_;
    std::size_t maxHeld_;
    analysis::ExchangeLinker linker_;
    analysis::TlsMessageJoiner tlsJoiner_;
    std::optional<analysis::AuthenticationTracker> authentications_;
    std::uint64_t sequence_ = 0;          // of the next message
    std::uint64_t fillingFirst_ = 0;      // the filling batch's first message
    std::size_t fillingWaiting_ = 0;      // its requests still waiting
    std::deque<std::uint64_t> heldFirst_; // each held batch's first message
    std::deque<std::size_t> heldWaiting_; // each held batch's requests still waiting
    std::size_t heldMessages_ = 0;
};

} // namespace app
