#include "ChunkStore.hpp"

#include <gtest/gtest.h>
#include <vector>

namespace {

// Counts constructions and destructions, so that a store that drops or doubles either
// shows; its value starts at zero, as a value-initialised entry's must.
struct Counted {
    static inline long alive = 0;
    Counted() { ++alive; }
    ~Counted() { --alive; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    long value = 0;
};

constexpr std::size_t perChunk = 512; // 4 KB of entries: a megabyte is 256 chunks
using Store = zem::ChunkStore<Counted, perChunk>;

// Past the ordinary megabyte and across several 2 MB blocks.
constexpr std::size_t manyChunks = 256 + 3 * 512 + 7;

TEST(ChunkStore, EntriesStayWhereTheyAreAndKeepTheirValuesAsTheStoreGrows) {
    {
        Store store;
        std::vector<const Counted*> places;
        for (std::size_t chunk = 0; chunk < manyChunks; ++chunk) {
            store.add();
            for (std::size_t i = 0; i < perChunk; ++i) {
                Counted& entry = store[chunk][i];
                ASSERT_EQ(entry.value, 0) << chunk << ", " << i;
                entry.value = static_cast<long>(chunk * perChunk + i);
                places.push_back(&entry);
            }
        }
        ASSERT_EQ(store.size(), manyChunks);
        for (std::size_t n = 0; n < places.size(); ++n) {
            const Counted& entry = store[n / perChunk][n % perChunk];
            ASSERT_EQ(&entry, places[n]) << n;
            ASSERT_EQ(entry.value, static_cast<long>(n)) << n;
        }
        EXPECT_EQ(Counted::alive, static_cast<long>(manyChunks * perChunk));
    }
    EXPECT_EQ(Counted::alive, 0);
}

TEST(ChunkStore, AMovedStoreHandsOverItsEntriesAndDestroysEachOnce) {
    {
        Store first;
        for (std::size_t chunk = 0; chunk < manyChunks; ++chunk)
            first.add();
        first[manyChunks - 1][perChunk - 1].value = 42;
        Store second(std::move(first));
        EXPECT_EQ(first.size(), 0u);
        Store third;
        third.add();
        third = std::move(second); // third's own chunk is destroyed here
        EXPECT_EQ(Counted::alive, static_cast<long>(manyChunks * perChunk));
        EXPECT_EQ(third[manyChunks - 1][perChunk - 1].value, 42);
        third.add(); // growing after the move carves from the blocks it took
        EXPECT_EQ(third[manyChunks][0].value, 0);
    }
    EXPECT_EQ(Counted::alive, 0);
}

} // namespace
