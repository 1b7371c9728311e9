#include "LruTable.hpp"

#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>

namespace {

struct Hash {
    std::size_t operator()(int key) const { return static_cast<std::size_t>(key); }
};
// Every key in one probe run: erasing from its middle must leave the rest reachable.
struct Colliding {
    std::size_t operator()(int) const { return 7; }
};

using Table = zem::LruTable<int, std::string, Hash>;

std::vector<int> keysInOrder(const Table& table) {
    std::vector<int> keys;
    table.forEach([&](int key, const std::string&) { keys.push_back(key); });
    return keys;
}

TEST(LruTable, GivesUpTheLeastRecentlyUsed) {
    Table table(3);
    // Whole strings moved in: a literal assigned here, GCC 12 warns falsely (-Wrestrict).
    table.insert(1, 0) = std::string("a");
    table.insert(2, 1) = std::string("b");
    table.insert(3, 2) = std::string("c");
    table.touch(1, 3); // 2 is now the oldest
    table.insert(4, 4) = std::string("d");
    EXPECT_EQ(table.find(2), nullptr);
    EXPECT_EQ(keysInOrder(table), (std::vector<int>{3, 1, 4}));
    EXPECT_EQ(*table.find(1), "a");
    EXPECT_EQ(table.givenUp(), 1u);
    table.expire(10, 7.5); // 3 (used at 2) waited too long; 1 (at 3) did not
    EXPECT_EQ(keysInOrder(table), (std::vector<int>{1, 4}));
    EXPECT_EQ(table.oldest(), "a");
    table.giveUpOldestEntry();
    EXPECT_EQ(keysInOrder(table), (std::vector<int>{4}));
    EXPECT_EQ(table.givenUp(), 3u);
    table.erase(4);
    table.erase(4); // gone already: nothing happens
    EXPECT_EQ(table.size(), 0u);
    table.giveUpOldestEntry();
    EXPECT_EQ(table.givenUp(), 3u);
}

// Against a plain map, through many inserts, erases and evictions, keys colliding or not.
template <typename H> void agreesWithAMap(unsigned seed) {
    zem::LruTable<int, int, H> table(50);
    std::map<int, int> model; // key: value
    std::vector<int> order;   // model's order of use
    std::mt19937 random(seed);
    for (int step = 0; step < 5000; ++step) {
        const int key = static_cast<int>(random() % 120);
        const auto action = random() % 3;
        const double now = step;
        if (action == 0 && !model.count(key)) {
            if (model.size() == 50) {
                model.erase(order.front());
                order.erase(order.begin());
            }
            table.insert(key, now) = step;
            model[key] = step;
            order.push_back(key);
        } else if (action == 1 && model.count(key)) {
            table.touch(key, now);
            std::erase(order, key);
            order.push_back(key);
        } else if (action == 2) {
            // Taken out with its value, or erased.
            if (step % 2 == 0) {
                const auto taken = table.extract(key);
                ASSERT_EQ(taken.has_value(), model.count(key) == 1) << "step " << step;
                if (taken) {
                    ASSERT_EQ(*taken, model[key]);
                }
            } else {
                table.erase(key);
            }
            model.erase(key);
            std::erase(order, key);
        }
        ASSERT_EQ(table.size(), model.size());
        for (int probe = 0; probe < 120; ++probe) {
            const auto* found = table.find(probe);
            ASSERT_EQ(found != nullptr, model.count(probe) == 1) << "step " << step;
            if (found) {
                ASSERT_EQ(*found, model[probe]);
            }
        }
    }
    std::vector<int> seen;
    table.forEach([&](int key, int) { seen.push_back(key); });
    EXPECT_EQ(seen, order);
}

TEST(LruTable, AgreesWithAMapThroughChurn) {
    agreesWithAMap<Hash>(1);
    agreesWithAMap<Colliding>(2);
}

} // namespace
