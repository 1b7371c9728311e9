#include "HugePageBlock.hpp"

#include <cstdint>
#include <sys/mman.h>
#include <utility>

namespace zem {

HugePageBlock::HugePageBlock() {
    // Twice the size is mapped so that an aligned block lies within; the rest is given
    // back at once.
    void* mapped =
        mmap(nullptr, 2 * size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return;
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const auto aligned = (start + size - 1) & ~(std::uintptr_t{size} - 1);
    if (aligned > start)
        munmap(mapped, aligned - start);
    if (const auto after = start + 2 * size - (aligned + size); after > 0)
        munmap(reinterpret_cast<void*>(aligned + size), after);
    data_ = reinterpret_cast<char*>(aligned);
    // Without huge pages (a kernel set to "never") the block is ordinary memory.
    madvise(data_, size, MADV_HUGEPAGE);
}

HugePageBlock::~HugePageBlock() {
    if (data_)
        munmap(data_, size);
}

HugePageBlock::HugePageBlock(HugePageBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)) {}

HugePageBlock& HugePageBlock::operator=(HugePageBlock&& other) noexcept {
    if (this != &other) {
        if (data_)
            munmap(data_, size);
        data_ = std::exchange(other.data_, nullptr);
    }
    return *this;
}

} // namespace zem
