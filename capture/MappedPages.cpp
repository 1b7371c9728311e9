#include "MappedPages.hpp"

#include <algorithm>
#include <sys/mman.h>
#include <unistd.h>

namespace capture {

MappedPages::MappedPages(const std::uint8_t* map, std::size_t length)
    : map_(map), length_(length), page_(static_cast<std::size_t>(::sysconf(_SC_PAGESIZE))) {
    populate(ahead);
    // A file read in one go needs no thread to follow the reader.
    if (length_ > ahead)
        pager_ = std::thread([this] { follow(); });
}

MappedPages::~MappedPages() {
    if (!pager_.joinable())
        return;
    reader_.store(stopped, std::memory_order_release);
    reader_.notify_one();
    pager_.join();
}

void MappedPages::follow() {
    std::size_t seen = 0;
    for (;;) {
        reader_.wait(seen, std::memory_order_acquire);
        seen = reader_.load(std::memory_order_acquire);
        if (seen == stopped)
            return;
        populate(seen + ahead);
        if (seen > 2 * keptBehind && !keepRead_.load(std::memory_order_relaxed))
            release(seen - keptBehind);
    }
}

void MappedPages::populate(std::size_t upTo) {
    // Up to the file's end once it is near, so that the last stretch is not asked for again.
    upTo = upTo + ahead / 2 >= length_ ? length_ : upTo / page_ * page_;
    if (upTo <= populated_)
        return;
#ifdef MADV_POPULATE_READ // Linux 5.14; older kernels fault the pages in as they are read
    // A file cut short meanwhile fails here without a signal; the reader's own access
    // then meets the fault (see mapped_file_faults).
    ::madvise(const_cast<std::uint8_t*>(map_) + populated_, upTo - populated_, MADV_POPULATE_READ);
#endif
    populated_ = upTo;
}

void MappedPages::release(std::size_t upTo) {
    upTo = upTo / page_ * page_;
    if (upTo <= released_)
        return;
    // The map is private and read-only: its pages come back from the page cache as they were.
    ::madvise(const_cast<std::uint8_t*>(map_) + released_, upTo - released_, MADV_DONTNEED);
    released_ = upTo;
}

} // namespace capture
