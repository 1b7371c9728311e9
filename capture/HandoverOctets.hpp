// HandoverOctets: octets that one thread writes for another to read, in a buffer that
// comes back to be written again (a batch of captured messages on its way to a worker).
//
// They are written with streaming stores. With plain stores, each cache line of a buffer
// that came back would first be fetched again from the processor that read it; where the
// processors share no cache, that took about 100 ns a line, one line after another, and
// cost the reading thread more than all its own work on a summary line. Streaming stores
// write whole lines past the caches without asking for them. So every piece begins at a
// 16-octet boundary and is written in whole blocks of 16.
//
//   HandoverOctets octets;
//   const auto begin = octets.append(payload);   // on the writing thread
//   HandoverOctets::publish();                   // before the buffer is handed over
//   octets.view(begin, payload.size());          // on the reading thread
#pragma once

#include "Prefetch.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <type_traits>
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace capture {

class HandoverOctets {
public:
    struct alignas(16) Block {
        std::uint8_t octets[16];
    };

    /// Copies `octets` in at the next 16-octet boundary; answers where they begin.
    std::size_t append(std::span<const std::uint8_t> octets) {
        const std::size_t whole = octets.size() / sizeof(Block);
        const std::size_t rest = octets.size() % sizeof(Block);
        const std::size_t blocks = whole + (rest != 0 ? 1 : 0);
        if (used_ + blocks > capacity_)
            grow(used_ + blocks);
        Block* at = blocks_.get() + used_;
        for (std::size_t i = 0; i < whole; ++i)
            stream(at + i, octets.data() + i * sizeof(Block));
        if (rest != 0) {
            const Block last = lastBlock(octets.data() + whole * sizeof(Block), rest);
            stream(at + whole, last.octets);
        }
        const std::size_t begin = used_ * sizeof(Block);
        used_ += blocks;
        return begin;
    }
    std::span<const std::uint8_t> view(std::size_t begin, std::size_t length) const {
        return std::span(reinterpret_cast<const std::uint8_t*>(blocks_.get()), size())
            .subspan(begin, length);
    }
    /// Octets taken so far, the padding to each piece's block included.
    std::size_t size() const { return used_ * sizeof(Block); }
    void clear() { used_ = 0; } // the room stays for the next use
    /// Makes what was streamed so far visible to other threads: called before the
    /// octets are handed over.
    static void publish();

private:
    // One block from `from` (any alignment) to `to`, past the caches.
    static void stream(Block* to, const std::uint8_t* from) {
#if defined(__x86_64__)
        _mm_stream_si128(reinterpret_cast<__m128i*>(to),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
#else
        std::memcpy(to, from, sizeof(Block));
#endif
    }
    // The last `rest` octets (1 to 15), zero-padded: in copies of fixed sizes, which stay
    // inline, where one of `rest` octets was a call into the C library.
    static Block lastBlock(const std::uint8_t* from, std::size_t rest) {
        Block last{};
        std::size_t at = 0;
        if (rest & 8) {
            std::memcpy(last.octets + at, from + at, 8);
            at += 8;
        }
        if (rest & 4) {
            std::memcpy(last.octets + at, from + at, 4);
            at += 4;
        }
        if (rest & 2) {
            std::memcpy(last.octets + at, from + at, 2);
            at += 2;
        }
        if (rest & 1)
            last.octets[at] = from[at];
        return last;
    }
    void grow(std::size_t blocks);

    std::unique_ptr<Block[]> blocks_;
    std::size_t capacity_ = 0, used_ = 0; // in blocks
};

/// Rows of a trivially copyable type kept in HandoverOctets, each answered as a copy.
template <typename Row> class HandoverRows {
    static_assert(std::is_trivially_copyable_v<Row> &&
                  sizeof(Row) % sizeof(HandoverOctets::Block) == 0);

public:
    void push(const Row& row) {
        octets_.append(std::span(reinterpret_cast<const std::uint8_t*>(&row), sizeof row));
    }
    Row operator[](std::size_t i) const {
        Row row;
        std::memcpy(&row, octets_.view(i * sizeof(Row), sizeof(Row)).data(), sizeof row);
        return row;
    }
    /// Asks for row `i`'s cache lines ahead of its use.
    void prefetch(std::size_t i) const {
        zem::prefetchOctets(octets_.view(i * sizeof(Row), sizeof(Row)).data(), sizeof(Row));
    }
    std::size_t size() const { return octets_.size() / sizeof(Row); }
    bool empty() const { return size() == 0; }
    void clear() { octets_.clear(); }

private:
    HandoverOctets octets_;
};

} // namespace capture
