// MappedPages: keeps the pages just ahead of a reader of a mapped file in memory and lets
// those it read long ago go, on a thread of its own, so that the reading thread neither
// waits for the kernel to map pages nor to unmap them.
//
// Pages ahead are mapped a few megabytes at a time in one call (rather than a fault every
// few pages); pages read long ago leave the process (they stay in the page cache), so its
// resident memory stays flat however large the file. A view into them that is still held
// reads the same octets again from the cache.
//
//   MappedPages pages(map, length);
//   pages.readerAt(position);   // on the reading thread, as often as it likes
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>

namespace capture {

class MappedPages {
public:
    MappedPages(const std::uint8_t* map, std::size_t length);
    ~MappedPages();
    MappedPages(const MappedPages&) = delete;
    MappedPages& operator=(const MappedPages&) = delete;

    /// The pages read stay: somebody keeps views into them and reads them again soon (a
    /// window), which would only fault them back in.
    void keepRead() { keepRead_.store(true, std::memory_order_relaxed); }

    /// The reader has come to `position`: cheap, the work is handed over only every
    /// couple of megabytes.
    void readerAt(std::size_t position) {
        if (position < nextHandOver_)
            return;
        nextHandOver_ = position + handOverEvery;
        reader_.store(position, std::memory_order_release);
        reader_.notify_one();
    }

private:
    static constexpr std::size_t ahead = std::size_t{8} << 20;
    static constexpr std::size_t handOverEvery = std::size_t{2} << 20;
    static constexpr std::size_t keptBehind = std::size_t{4} << 20;
    static constexpr std::size_t stopped = ~std::size_t{0};

    void follow();
    // Maps [populated_, upTo) and releases [released_, upTo).
    void populate(std::size_t upTo);
    void release(std::size_t upTo);

    const std::uint8_t* map_;
    std::size_t length_;
    std::size_t page_;
    std::size_t nextHandOver_ = handOverEvery; // the reading thread's own
    std::atomic<std::size_t> reader_{0};
    std::atomic<bool> keepRead_{false};
    std::size_t populated_ = 0, released_ = 0; // the pager's own
    std::thread pager_;
};

} // namespace capture
