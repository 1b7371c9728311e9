// LruTable: a hash table whose entries are kept in the order they were last used, so that
// giving up on the least recently used one, when the table is full or the entry has
// waited too long, is a constant-time step. Reassembly state and requests awaiting their
// answers live in these, so that a flood of beginnings that never end costs a bounded
// amount of memory and time.
//
//   LruTable<StreamKey, Stream, StreamKeyHash> streams(4096);
//   auto& stream = streams.insert(key, now);   // gives up on the oldest when full
//   streams.touch(key, now);                   // used again: now the newest
//   streams.expire(now, 300);                  // gives up on those unused for 300 s
//
// Entries live in chunks, linked in their order of use by number, and are found through
// an open-addressing index (linear probing, deletion by shifting back) that keeps each
// entry's hash: a lookup touches one or two cache lines and allocates nothing, and a
// place given up is the next one filled. References to values stay valid until their
// entry is erased or given up.
#pragma once

#include "ChunkStore.hpp"
#include "Prefetch.hpp"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zem {

template <typename Key, typename Value, typename Hash> class LruTable {
public:
    explicit LruTable(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

    Value* find(const Key& key) { return find(key, hashOf(key)); }
    /// A new entry for `key` (which must not be in the table) at time `now`.
    Value& insert(const Key& key, double now) { return insert(key, hashOf(key), now); }

    // The same with the key's hash worked out once, for a caller that looks a key up and
    // then inserts it.
    static std::uint32_t hashOf(const Key& key) {
        // The index has fewer than 2^32 slots, so half of a hash places an entry. Keys'
        // hashes are often simple combinations in which neighbouring ports or addresses
        // give neighbouring values, which would crowd into one probe run: the hash is
        // mixed first (MurmurHash3's finaliser).
        auto h = static_cast<std::uint64_t>(Hash()(key));
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
        h *= 0xc4ceb9fe1a85ec53ULL;
        h ^= h >> 33;
        return static_cast<std::uint32_t>(h);
    }
    Value* find(const Key& key, std::uint32_t hash) {
        const auto slot = slotOf(key, hash);
        return slot == none ? nullptr : &entryAt(index_[slot].entry).value;
    }
    Value& insert(const Key& key, std::uint32_t hash, double now) {
        if (size_ >= capacity_)
            giveUpOldest();
        if ((size_ + 1) * 2 > index_.size())
            growIndex();
        const auto at = takeEntry();
        auto& entry = entryAt(at);
        entry.key = key;
        entry.hash = hash;
        entry.lastUsed = now;
        linkNewest(at);
        place(at, hash);
        ++size_;
        return entry.value;
    }
    /// Marks `key` as used at `now`: it becomes the newest.
    void touch(const Key& key, double now) {
        const auto slot = slotOf(key, hashOf(key));
        if (slot == none)
            return;
        const auto at = index_[slot].entry;
        entryAt(at).lastUsed = now;
        unlink(at);
        linkNewest(at);
    }
    void erase(const Key& key) {
        const auto slot = slotOf(key, hashOf(key));
        if (slot != none)
            remove(slot);
    }
    /// The value of `key`, taken out of the table with it; nothing when it is not there.
    std::optional<Value> extract(const Key& key) {
        const auto slot = slotOf(key, hashOf(key));
        if (slot == none)
            return std::nullopt;
        std::optional<Value> value(std::move(entryAt(index_[slot].entry).value));
        remove(slot);
        return value;
    }
    /// Gives up on the entries last used more than `timeout` seconds before `now`.
    void expire(double now, double timeout) {
        expire(now, timeout, [](const Key&, const Value&) {});
    }
    /// The same, telling `onGiveUp(key, value)` of each entry before it goes.
    template <typename OnGiveUp> void expire(double now, double timeout, OnGiveUp onGiveUp) {
        while (oldest_ != none && now - entryAt(oldest_).lastUsed > timeout) {
            onGiveUp(entryAt(oldest_).key, entryAt(oldest_).value);
            giveUpOldest();
        }
    }

    /// Asks the processor for the index slot where a lookup of `hash` starts: for a caller
    /// that knows its next keys, in a table too large for the caches.
    void prefetchSlot(std::uint32_t hash) const {
        if (!index_.empty())
            __builtin_prefetch(&index_[hash & mask()]);
    }
    /// Asks for the entry in that slot, most often the one sought, once the slot is near.
    void prefetchEntry(std::uint32_t hash) const {
        if (index_.empty())
            return;
        if (const auto at = index_[hash & mask()].entry; at != none)
            prefetchOctets(&entryAt(at), sizeof(Entry));
    }

    std::size_t size() const { return size_; }
    bool full() const { return size_ >= capacity_; }
    /// The least recently used entry's value and key; the table must not be empty.
    Value& oldest() { return entryAt(oldest_).value; }
    const Key& oldestKey() const { return entryAt(oldest_).key; }
    /// Every entry, least recently used first.
    template <typename Visit> void forEach(Visit visit) const {
        for (auto at = oldest_; at != none; at = entryAt(at).newer)
            visit(entryAt(at).key, entryAt(at).value);
    }
    /// Gives up on the least recently used entry, as insert does when the table is full.
    void giveUpOldestEntry() {
        if (oldest_ != none)
            giveUpOldest();
    }
    /// Entries given up on, for want of room or for having waited too long.
    std::uint64_t givenUp() const { return givenUp_; }

private:
    static constexpr std::uint32_t none = ~std::uint32_t{0};
    struct Entry {
        Key key{};
        Value value{};
        std::uint32_t hash = 0;
        double lastUsed = 0;
        std::uint32_t older = none, newer = none; // in the order of use; newer: the free list
    };
    struct Slot {
        std::uint32_t entry = none;
        std::uint32_t hash = 0; // the entry's, to pass over most others unread
    };

    // Entries live in chunks of a fixed count, added as the table grows: growing moves no
    // value, and an entry is found from its number with a shift, a mask and a load from a
    // table of chunks small enough to stay cached. (A std::deque did the same with a
    // division, through a map of blocks that held one or a few entries: a lookup in a
    // table of tens of thousands missed the cache once more.)
    static constexpr std::size_t chunkEntries =
        std::bit_floor(std::max<std::size_t>(1, (std::size_t{16} << 10) / sizeof(Entry)));
    Entry& entryAt(std::uint32_t at) { return chunks_.entry(at); }
    const Entry& entryAt(std::uint32_t at) const { return chunks_.entry(at); }

    std::size_t mask() const { return index_.size() - 1; }

    std::uint32_t slotOf(const Key& key, std::uint32_t hash) const {
        if (size_ == 0)
            return none;
        for (auto slot = hash & mask();; slot = (slot + 1) & mask()) {
            const auto& s = index_[slot];
            if (s.entry == none)
                return none;
            if (s.hash == hash && entryAt(s.entry).key == key)
                return static_cast<std::uint32_t>(slot);
        }
    }
    void place(std::uint32_t at, std::uint32_t hash) {
        auto slot = hash & mask();
        while (index_[slot].entry != none)
            slot = (slot + 1) & mask();
        index_[slot] = {at, hash};
    }
    void growIndex() {
        index_.assign(index_.empty() ? 16 : index_.size() * 2, Slot{});
        for (auto at = oldest_; at != none; at = entryAt(at).newer)
            place(at, entryAt(at).hash);
    }

    std::uint32_t takeEntry() {
        if (free_ != none) {
            const auto at = free_;
            free_ = entryAt(at).newer;
            return at;
        }
        if (entryCount_ == chunks_.capacity())
            chunks_.add();
        return entryCount_++;
    }
    void linkNewest(std::uint32_t at) {
        entryAt(at).older = newest_;
        entryAt(at).newer = none;
        if (newest_ != none)
            entryAt(newest_).newer = at;
        else
            oldest_ = at;
        newest_ = at;
    }
    void unlink(std::uint32_t at) {
        const auto older = entryAt(at).older, newer = entryAt(at).newer;
        (older != none ? entryAt(older).newer : oldest_) = newer;
        (newer != none ? entryAt(newer).older : newest_) = older;
    }

    // Empties `slot` and moves later entries of its probe run back, so that every entry
    // stays reachable from its home slot without markers for deleted ones.
    void remove(std::uint32_t slot) {
        const auto at = index_[slot].entry;
        unlink(at);
        entryAt(at).key = Key{};
        entryAt(at).value = Value{}; // frees what it held now, not when reused
        entryAt(at).newer = free_;
        free_ = at;
        --size_;
        auto hole = static_cast<std::size_t>(slot);
        for (auto next = (hole + 1) & mask(); index_[next].entry != none;
             next = (next + 1) & mask()) {
            const auto home = index_[next].hash & mask();
            // Moves back only an entry whose home is not between the hole and it.
            const bool between =
                hole <= next ? (hole < home && home <= next) : (hole < home || home <= next);
            if (!between) {
                index_[hole] = index_[next];
                hole = next;
            }
        }
        index_[hole] = Slot{};
    }
    void giveUpOldest() {
        const auto at = oldest_;
        remove(slotOf(entryAt(at).key, entryAt(at).hash));
        ++givenUp_;
    }

    std::size_t capacity_;
    ChunkStore<Entry, chunkEntries> chunks_;
    std::uint32_t entryCount_ = 0; // taken from the chunks, in use or free
    std::vector<Slot> index_;      // a power of two, at most half full
    std::uint32_t oldest_ = none, newest_ = none, free_ = none;
    std::size_t size_ = 0;
    std::uint64_t givenUp_ = 0;
};

} // namespace zem
