// preferHugeAllocatorPages: asks the allocator a program links (mimalloc, where the build
// has it) to take what memory it gets from the system from here on as huge pages. The
// reports and the window's index look up records made of many allocations at random
// places, once or more for each message: in 4 KB pages nearly every look also missed the
// address translation cache. Included by the programs' mains only; the host library
// itself stays with whatever allocator its program links.
#pragma once

#if defined(RADIUS_WITH_MIMALLOC)
#include <mimalloc.h>
#endif

namespace zem {

inline void preferHugeAllocatorPages() {
#if defined(RADIUS_WITH_MIMALLOC)
    mi_option_enable(mi_option_large_os_pages);
#endif
}

} // namespace zem
