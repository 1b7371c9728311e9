// ExchangeLinker: links each message of a capture to its exchange as it is read, in
// capture order, by the one pairing rule of ExchangeKey; the Request Authenticator tells a
// request sent again (the same authenticator) from a new request that reuses its
// Identifier (another one).
//
// A request's response comes later: the linker answers a request's links as far as they
// are known, and tells later, through resolved(), of each request whose response came or
// that will not be answered, by the sequence number the caller gave it. A caller that
// holds messages back until they are resolved prints every request with its response.
//
// What it keeps is bounded as the request matcher's is: an exchange is remembered for
// `window` seconds of capture time after its request, at most `capacity` at once.
//
//   ExchangeLinker linker;
//   auto links = linker.next(origin, message, sequence);   // in capture order
//   for (const auto& done : linker.takeResolved()) { ... done.sequence, done.responseFrame }
#pragma once

#include "LruTable.hpp"
#include "MessageOrigin.hpp"
#include "checks/RadiusDigest.hpp"
#include "exchanges/ExchangeKey.hpp"
#include "exchanges/ExchangeLinks.hpp"
#include "exchanges/RequestMatcher.hpp"

#include <cstdint>
#include <optional>
#include <vector>

namespace analysis {

class ExchangeLinker {
public:
    /// A request that no longer waits: answered in `responseFrame`, or never.
    struct Resolved {
        std::uint64_t sequence = 0;
        std::optional<std::uint64_t> responseFrame;
    };

    explicit ExchangeLinker(double windowSeconds = RequestMatcher::defaultWindowSeconds,
                            std::size_t capacity = RequestMatcher::defaultCapacity)
        : window_(windowSeconds), exchanges_(capacity) {}

    /// The links of the next message in capture order. A request whose links name no
    /// response waits: takeResolved() names its `sequence` once, later.
    ExchangeLinks next(const zem::MessageOrigin& origin, zem::ByteView message,
                       std::uint64_t sequence);
    /// The input ended: every request still waiting will not be answered.
    void finish();

    /// What was resolved since the last call; valid until the next. Two buffers take
    /// turns, so that the reading thread allocates nothing per message for them.
    const std::vector<Resolved>& takeResolved() {
        handedOver_.swap(resolved_);
        resolved_.clear();
        return handedOver_;
    }

private:
    // The sequence numbers of a request's copies that wait for its response: nearly always
    // the first copy alone, kept without an allocation (one per request showed in the
    // window's linking).
    class WaitingCopies {
    public:
        void add(std::uint64_t sequence) {
            if (count_++ == 0)
                first_ = sequence;
            else
                more_.push_back(sequence);
        }
        template <typename Visit> void forEach(Visit visit) const {
            if (count_ == 0)
                return;
            visit(first_);
            for (const auto sequence : more_)
                visit(sequence);
        }
        void clear() {
            count_ = 0;
            more_.clear();
        }

    private:
        std::uint64_t first_ = 0;
        std::size_t count_ = 0;
        std::vector<std::uint64_t> more_;
    };
    struct Exchange {
        Digest authenticator{};
        std::uint64_t requestFrame = 0;
        double requestTime = 0;
        std::optional<std::uint64_t> responseFrame;
        WaitingCopies waiting;
    };

    ExchangeLinks request(const zem::MessageOrigin& origin, const ExchangeKey& key,
                          const Digest& authenticator, std::uint64_t sequence);
    ExchangeLinks response(const zem::MessageOrigin& origin, std::uint8_t code,
                           std::uint8_t identifier);
    // The exchange's copies will not be answered.
    void settleUnanswered(Exchange& exchange);

    double window_;
    zem::LruTable<ExchangeKey, Exchange, ExchangeKeyHash> exchanges_;
    std::vector<Resolved> resolved_, handedOver_;
};

} // namespace analysis
