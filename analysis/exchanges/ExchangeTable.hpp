// ExchangeTable: the exchange links of every message of a stored capture, by its position
// in capture order (and the TLS messages that EAP sent in fragments, joined). It is made in one
// pass over the whole capture, then only read, by any thread: a window that keeps the capture can
// show every request with its response, and filter on them, without reading ahead.
//
//   ExchangeTable table;
//   for (...) table.add(origin, octets);    // in capture order
//   table.finish();
//   table.links(position).responseFrame;
#pragma once

#include "ChunkStore.hpp"
#include "exchanges/ExchangeLinker.hpp"
#include "exchanges/TlsMessageJoiner.hpp"

#include <cstdint>
#include <limits>
#include <memory>
#include <unordered_map>

namespace analysis {

class ExchangeTable {
public:
    /// Links the next message in capture order.
    void add(const zem::MessageOrigin& origin, zem::ByteView message);
    /// The capture ended: requests still waiting stay unanswered.
    void finish();

    std::size_t size() const { return count_; }
    /// The links of the message at `position`; none past the end.
    ExchangeLinks links(std::size_t position) const;

private:
    // Kept small, as a window's capture has millions of messages: frames that fit in 32
    // bits (0 for none) and the response time in microseconds.
    static constexpr std::int32_t noTime = std::numeric_limits<std::int32_t>::min();
    struct Stored {
        std::uint32_t responseFrame = 0, requestFrame = 0, retransmissionOf = 0;
        std::int32_t responseMicroseconds = noTime;
    };
    void settle();

    ExchangeLinker linker_;
    TlsMessageJoiner tlsJoiner_;
    // In chunks that never move: a vector of a million links, doubling as it grew, wrote
    // twice as much fresh memory as it kept and copied the half it had.
    zem::ChunkStore<Stored, 4096> stored_;
    std::size_t count_ = 0;
    // The TLS messages joined from fragments, by the position of the message that ends
    // them: few, next to the messages.
    std::unordered_map<std::size_t, std::shared_ptr<const zem::ByteBuffer>> tlsMessages_;
};

} // namespace analysis
