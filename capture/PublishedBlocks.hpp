// PublishedBlocks: an append-only table that one thread fills while others read it. Its
// entries live in blocks that never move, and the list of blocks is reserved once, so a
// reader needs no lock: it reads the entries below a count the writer published.
//
//   PublishedBlocks<Entry, 16, 4096> table; // up to 4096 blocks of 65,536 entries
//   if (!table.append(entry)) { /* full */ }
//   const Entry& e = table[n];              // n below a count the writer published
#pragma once

#include "Prefetch.hpp"

#include <array>
#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace capture {

template <typename Entry, unsigned blockBits, std::size_t maximumBlocks> class PublishedBlocks {
public:
    PublishedBlocks() { blocks_.reserve(maximumBlocks); }

    std::size_t size() const { return size_; } // the writer's count, not yet published
    const Entry& operator[](std::size_t i) const {
        return (*blocks_[i >> blockBits])[i & (blockSize - 1)].entry;
    }

    /// False when the table is full.
    bool append(const Entry& entry) {
        const std::size_t block = size_ >> blockBits;
        if (block >= maximumBlocks)
            return false;
        if (block == blocks_.size())
            blocks_.push_back(std::make_unique_for_overwrite<Block>());
        std::construct_at(&(*blocks_[block])[size_ & (blockSize - 1)].entry, entry);
        ++size_;
        return true;
    }

private:
    static_assert(std::is_trivially_destructible_v<Entry>);
    static constexpr std::size_t blockSize = std::size_t{1} << blockBits;
    // A slot is written once, when its entry is appended: a block is not filled first,
    // which for a window of a million messages would write its megabytes twice.
    union Slot {
        Slot() {}
        Entry entry;
    };
    using Block = std::array<Slot, blockSize>;

    std::vector<std::unique_ptr<Block>> blocks_;
    // The writer counts every entry it appends, and readers read the block list for every
    // entry they look at: on a cache line the two shared, each look waited for the line
    // to come back from the writer's processor.
    alignas(zem::cacheLineOctets) std::size_t size_ = 0;
};

} // namespace capture
