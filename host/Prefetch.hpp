// prefetchOctets: asks the processor for the cache lines of some octets ahead of their
// use. Worth it where the octets were last written or read on another processor (a
// batch handed between threads), whose misses its own prefetching does not foresee.
#pragma once

#include <cstddef>

namespace zem {

inline constexpr std::size_t cacheLineOctets = 64;

inline void prefetchOctets(const void* at, std::size_t count) {
    const auto* octets = static_cast<const char*>(at);
    for (std::size_t offset = 0; offset < count; offset += cacheLineOctets)
        __builtin_prefetch(octets + offset);
}

} // namespace zem
