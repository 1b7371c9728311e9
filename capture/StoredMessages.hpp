// Reading the stored octets of indexed messages. Messages are stored in capture order, so
// the octets of a run of them are one read.
//
//   zem::ByteBuffer buffer;
//   capture::forEachStored(index, store, 0, 4096, buffer,
//                          [](std::size_t position, const IndexedMessage&, zem::ByteView) {});
#pragma once

#include "MessageIndex.hpp"
#include "MessageStore.hpp"

#include <algorithm>
#include <cstddef>

namespace capture {

/// Calls `visit(position, entry, octets)` for the messages at positions [begin, end),
/// reading their octets into `buffer` in one piece. Answers false (visiting none) when
/// they are not in the store.
template <typename Visit>
bool forEachStored(const MessageIndex& index, const MessageStore& store, std::size_t begin,
                   std::size_t end, zem::ByteBuffer& buffer, Visit visit) {
    end = std::min(end, index.size());
    if (begin >= end)
        return false;
    const auto from = index[begin].storeOffset;
    const auto& last = index[end - 1];
    if (!store.read(from, static_cast<std::size_t>(last.storeOffset + last.length - from), buffer))
        return false;
    for (std::size_t position = begin; position < end; ++position) {
        const auto& entry = index[position];
        visit(position, entry,
              zem::ByteView(buffer).slice(static_cast<std::size_t>(entry.storeOffset - from),
                                          entry.length));
    }
    return true;
}

} // namespace capture
