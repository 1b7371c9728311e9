// ChunkStore: a table's entries in chunks of a fixed count, added as the table grows and
// never moved, so that references to entries stay valid. The first chunks (a megabyte's
// worth) are ordinary allocations; a table that grows past them is carved into
// huge-page blocks, where random looks into tens of megabytes miss the address
// translation cache far less often and growing faults once in 2 MB, not once in 4 KB.
//
//   ChunkStore<Entry, 64> chunks;
//   chunks.add();                        // 64 more value-initialised entries
//   Entry& e = chunks.entry(n);             // n < chunks.capacity()
#pragma once

#include "HugePageBlock.hpp"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace zem {

template <typename Entry, std::size_t chunkEntries> class ChunkStore {
public:
    ChunkStore() = default;
    ~ChunkStore() { release(); }
    ChunkStore(ChunkStore&& other) noexcept
        : chunks_(std::exchange(other.chunks_, {})), blocks_(std::exchange(other.blocks_, {})),
          carved_(std::exchange(other.carved_, 0)) {}
    ChunkStore& operator=(ChunkStore&& other) noexcept {
        if (this != &other) {
            release();
            chunks_ = std::exchange(other.chunks_, {});
            blocks_ = std::exchange(other.blocks_, {});
            carved_ = std::exchange(other.carved_, 0);
        }
        return *this;
    }
    ChunkStore(const ChunkStore&) = delete;
    ChunkStore& operator=(const ChunkStore&) = delete;

    Entry* operator[](std::size_t chunk) const { return chunks_[chunk]; }
    std::size_t size() const { return chunks_.size(); }
    /// Entry `index`, counted across the chunks.
    Entry& entry(std::size_t index) const {
        return chunks_[index / chunkEntries][index % chunkEntries];
    }
    /// Entries the chunks hold: an entry at this index needs add() first.
    std::size_t capacity() const { return chunks_.size() * chunkEntries; }

    /// Appends a chunk of value-initialised entries.
    void add() {
        chunks_.reserve(chunks_.size() + 1); // the push below cannot fail after the memory
        const bool carved = carvedFrom(chunks_.size());
        void* memory = nullptr;
        if (carved) {
            if (blocks_.empty() || carved_ == chunksPerBlock) {
                HugePageBlock block;
                if (!block)
                    throw std::bad_alloc();
                blocks_.push_back(std::move(block));
                carved_ = 0;
            }
            memory = blocks_.back().data() + carved_ * chunkBytes;
        } else {
            memory = ::operator new (chunkBytes, std::align_val_t{alignof(Entry)});
        }
        auto* entries = static_cast<Entry*>(memory);
        try {
            std::uninitialized_value_construct_n(entries, chunkEntries);
        } catch (...) {
            if (!carved)
                ::operator delete (memory, std::align_val_t{alignof(Entry)});
            throw;
        }
        if (carved)
            ++carved_;
        chunks_.push_back(entries);
    }

private:
    static constexpr std::size_t chunkBytes = chunkEntries * sizeof(Entry);
    static constexpr std::size_t ordinaryChunks =
        std::max<std::size_t>(1, (std::size_t{1} << 20) / chunkBytes);
    static constexpr std::size_t chunksPerBlock = HugePageBlock::size / chunkBytes;

    static bool carvedFrom(std::size_t chunk) {
        return chunk >= ordinaryChunks && chunksPerBlock > 0;
    }

    void release() {
        for (std::size_t i = 0; i < chunks_.size(); ++i) {
            std::destroy_n(chunks_[i], chunkEntries);
            if (!carvedFrom(i))
                ::operator delete (chunks_[i], std::align_val_t{alignof(Entry)});
        }
        chunks_.clear();
        blocks_.clear();
        carved_ = 0;
    }

    std::vector<Entry*> chunks_;
    std::vector<HugePageBlock> blocks_;
    std::size_t carved_ = 0; // chunks taken from the last block
};

} // namespace zem
