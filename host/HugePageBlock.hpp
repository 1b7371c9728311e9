// HugePageBlock: 2 MB of zeroed memory aligned to 2 MB and advised to the kernel as one
// huge page (transparent huge pages, which Debian's kernel gives when asked). A table of
// tens of megabytes looked into at random places misses the address translation cache
// on nearly every look in 4 KB pages, and faults once for each page as it grows.
//
//   zem::HugePageBlock block;              // empty when the memory could not be had
//   if (block) use(block.data(), zem::HugePageBlock::size);
#pragma once

#include <cstddef>

namespace zem {

class HugePageBlock {
public:
    static constexpr std::size_t size = std::size_t{2} << 20;

    HugePageBlock();
    ~HugePageBlock();
    HugePageBlock(HugePageBlock&& other) noexcept;
    HugePageBlock& operator=(HugePageBlock&& other) noexcept;
    HugePageBlock(const HugePageBlock&) = delete;
    HugePageBlock& operator=(const HugePageBlock&) = delete;

    explicit operator bool() const { return data_ != nullptr; }
    char* data() const { return data_; }

private:
    char* data_ = nullptr;
};

} // namespace zem
