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
// Entries live in one array, linked in their order of use by index, and are found through
// an open-addressing index (linear probing, deletion by shifting back) that keeps each
// entry's hash: a lookup touches one or two cache lines and allocates nothing, and a
// place given up is the next one filled. References to values stay valid until their
// entry is erased or given up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
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
        return slot == none ? nullptr : &entries_[index_[slot].entry].value;
    }
    Value& insert(const Key& key, std::uint32_t hash, double now) {
        if (size_ >= capacity_)
            giveUpOldest();
        if ((size_ + 1) * 2 > index_.size())
            growIndex();
        const auto at = takeEntry();
        auto& entry = entries_[at];
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
        entries_[at].lastUsed = now;
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
        std::optional<Value> value(std::move(entries_[index_[slot].entry].value));
        remove(slot);
        return value;
    }
    /// Gives up on the entries last used more than `timeout` seconds before `now`.
    void expire(double now, double timeout) {
        expire(now, timeout, [](const Key&, const Value&) {});
    }
    /// The same, telling `onGiveUp(key, value)` of each entry before it goes.
    template <typename OnGiveUp> void expire(double now, double timeout, OnGiveUp onGiveUp) {
        while (oldest_ != none && now - entries_[oldest_].lastUsed > timeout) {
            onGiveUp(entries_[oldest_].key, entries_[oldest_].value);
            giveUpOldest();
        }
    }

    std::size_t size() const { return size_; }
    bool full() const { return size_ >= capacity_; }
    /// The least recently used entry's value and key; the table must not be empty.
    Value& oldest() { return entries_[oldest_].value; }
    const Key& oldestKey() const { return entries_[oldest_].key; }
    /// Every entry, least recently used first.
    template <typename Visit> void forEach(Visit visit) const {
        for (auto at = oldest_; at != none; at = entries_[at].newer)
            visit(entries_[at].key, entries_[at].value);
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

    std::size_t mask() const { return index_.size() - 1; }

    std::uint32_t slotOf(const Key& key, std::uint32_t hash) const {
        if (size_ == 0)
            return none;
        for (auto slot = hash & mask();; slot = (slot + 1) & mask()) {
            const auto& s = index_[slot];
            if (s.entry == none)
                return none;
            if (s.hash == hash && entries_[s.entry].key == key)
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
        for (auto at = oldest_; at != none; at = entries_[at].newer)
            place(at, entries_[at].hash);
    }

    std::uint32_t takeEntry() {
        if (free_ != none) {
            const auto at = free_;
            free_ = entries_[at].newer;
            return at;
        }
        entries_.emplace_back();
        return static_cast<std::uint32_t>(entries_.size() - 1);
    }
    void linkNewest(std::uint32_t at) {
        entries_[at].older = newest_;
        entries_[at].newer = none;
        if (newest_ != none)
            entries_[newest_].newer = at;
        else
            oldest_ = at;
        newest_ = at;
    }
    void unlink(std::uint32_t at) {
        const auto older = entries_[at].older, newer = entries_[at].newer;
        (older != none ? entries_[older].newer : oldest_) = newer;
        (newer != none ? entries_[newer].older : newest_) = older;
    }

    // Empties `slot` and moves later entries of its probe run back, so that every entry
    // stays reachable from its home slot without markers for deleted ones.
    void remove(std::uint32_t slot) {
        const auto at = index_[slot].entry;
        unlink(at);
        entries_[at].key = Key{};
        entries_[at].value = Value{}; // frees what it held now, not when reused
        entries_[at].newer = free_;
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
        remove(slotOf(entries_[at].key, entries_[at].hash));
        ++givenUp_;
    }

    std::size_t capacity_;
    std::deque<Entry> entries_; // a deque: growing it moves no value
    std::vector<Slot> index_;   // a power of two, at most half full
    std::uint32_t oldest_ = none, newest_ = none, free_ = none;
    std::size_t size_ = 0;
    std::uint64_t givenUp_ = 0;
};

} // namespace zem
