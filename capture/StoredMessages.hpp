// Reading the stored octets of indexed messages. Those left in the mapped capture file are
// views into it; copied ones are stored in capture order, so a run of them is one read.
//
//   zem::ByteBuffer buffer;
//   capture::forEachStored(index, store, 0, 4096, buffer,
//                          [](std::size_t position, const IndexedMessage&, zem::ByteView) {});
#pragma once

#include "MessageIndex.hpp"
#include "MessageStore.hpp"
#include "Prefetch.hpp"

#include <algorithm>
#include <cstddef>

namespace capture {

/// Calls `visit(position, entry, octets)` for the messages at positions [begin, end),
/// reading the copied ones into `buffer`, a run of them in one piece. Answers false when a message
/// is not in the store, having visited those before it.
template <typename Visit>
bool forEachStored(const MessageIndex& index, const MessageStore& store, std::size_t begin,
                   std::size_t end, zem::ByteBuffer& buffer, Visit visit) {
    constexpr std::size_t prefetchDistance = 8;
    end = std::min(end, index.size());
    if (begin >= end)
        return false;
    for (std::size_t position = begin; position < end;) {
        const auto& first = index[position];
        if (!MessageStore::copied(first.storeOffset)) {
            // A message in the file is first read from memory, not a cache (unlike a run
            // copied into `buffer`): asking for one a few messages ahead, every line of it
            // (a walk of its attributes reads them all), hides the wait.
            if (position + prefetchDistance < end) {
                const auto& ahead = index[position + prefetchDistance];
                if (auto octets = store.view(ahead.storeOffset, ahead.length))
                    zem::prefetchOctets(octets->span().data(), octets->size());
            }
            const auto octets = store.view(first.storeOffset, first.length);
            if (!octets)
                return false;
            visit(position, first, *octets);
            ++position;
            continue;
        }
        std::size_t runEnd = position + 1;
        while (runEnd < end && MessageStore::copied(index[runEnd].storeOffset))
            ++runEnd;
        const auto from = first.storeOffset;
        const auto& last = index[runEnd - 1];
        if (!store.read(from, static_cast<std::size_t>(last.storeOffset + last.length - from),
                        buffer))
            return false;
        for (; position < runEnd; ++position) {
            const auto& entry = index[position];
            visit(position, entry,
                  zem::ByteView(buffer).slice(static_cast<std::size_t>(entry.storeOffset - from),
                                              entry.length));
        }
    }
    return true;
}

} // namespace capture
