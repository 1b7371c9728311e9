#include "HandoverOctets.hpp"

#include <algorithm>
#include <atomic>

namespace capture {

void HandoverOctets::grow(std::size_t blocks) {
    // With plain copies: only while the first batches find their size.
    const std::size_t capacity = std::max({blocks, 2 * capacity_, std::size_t{256}});
    auto larger = std::make_unique_for_overwrite<Block[]>(capacity);
    if (used_ > 0)
        std::memcpy(larger.get(), blocks_.get(), used_ * sizeof(Block));
    blocks_ = std::move(larger);
    capacity_ = capacity;
}

void HandoverOctets::publish() {
#if defined(__x86_64__)
    _mm_sfence(); // streaming stores are not ordered with the handover's own stores
#else
    std::atomic_thread_fence(std::memory_order_release);
#endif
}

} // namespace capture
