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
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>

namespace zem {

template <typename Key, typename Value, typename Hash> class LruTable {
public:
    explicit LruTable(std::size_t capacity) : capacity_(capacity == 0 ? 1 : capacity) {}

    Value* find(const Key& key) {
        auto found = index_.find(key);
        return found == index_.end() ? nullptr : &found->second->value;
    }
    /// A new entry for `key` (which must not be in the table) at time `now`.
    Value& insert(const Key& key, double now) {
        if (index_.size() >= capacity_)
            giveUpOldest();
        order_.push_back({key, now, Value{}});
        index_.emplace(key, std::prev(order_.end()));
        return order_.back().value;
    }
    /// Marks `key` as used at `now`: it becomes the newest.
    void touch(const Key& key, double now) {
        auto found = index_.find(key);
        if (found == index_.end())
            return;
        found->second->lastUsed = now;
        order_.splice(order_.end(), order_, found->second);
    }
    void erase(const Key& key) {
        auto found = index_.find(key);
        if (found == index_.end())
            return;
        order_.erase(found->second);
        index_.erase(found);
    }
    /// Gives up on the entries last used more than `timeout` seconds before `now`.
    void expire(double now, double timeout) {
        while (!order_.empty() && now - order_.front().lastUsed > timeout)
            giveUpOldest();
    }

    std::size_t size() const { return index_.size(); }
    bool full() const { return index_.size() >= capacity_; }
    /// The least recently used entry's value; the table must not be empty.
    Value& oldest() { return order_.front().value; }
    /// Every entry, least recently used first.
    template <typename Visit> void forEach(Visit visit) const {
        for (const auto& entry : order_)
            visit(entry.key, entry.value);
    }
    /// Gives up on the least recently used entry, as insert does when the table is full.
    void giveUpOldestEntry() {
        if (!order_.empty())
            giveUpOldest();
    }
    /// Entries given up on, for want of room or for having waited too long.
    std::uint64_t givenUp() const { return givenUp_; }

private:
    struct Entry {
        Key key;
        double lastUsed;
        Value value;
    };
    void giveUpOldest() {
        index_.erase(order_.front().key);
        order_.pop_front();
        ++givenUp_;
    }

    std::size_t capacity_;
    std::list<Entry> order_; // least recently used first
    std::unordered_map<Key, typename std::list<Entry>::iterator, Hash> index_;
    std::uint64_t givenUp_ = 0;
};

} // namespace zem
