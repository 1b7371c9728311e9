// MappedFileFaults: a capture file mapped for reading that another program truncates
// raises SIGBUS on the pages past its new end, which would kill the run. The pages of a
// watched map that fault are replaced with zeros instead (from the faulting page to the
// map's end, so that one fault covers the rest) and the map is marked, so that its reader
// stops with an error rather than reading on. A fault outside every watched map goes to
// the handler there was before.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace capture::mapped_file_faults {

struct Watch {
    std::size_t slot;
    // Read before every run of octets handed out, so a plain load in the reader's code:
    // the address of the first page that faulted, 0 while none did.
    const std::atomic<std::uintptr_t>* faultedPage;
    const std::uint8_t* begin;

    bool faulted() const { return faultedPage->load(std::memory_order_acquire) != 0; }
    /// The offset from the map's start of the first page that faulted.
    std::size_t faultedAt() const {
        return faultedPage->load(std::memory_order_acquire) -
               reinterpret_cast<std::uintptr_t>(begin);
    }
};

/// Watches the map [begin, begin + length); nothing when every slot is taken (the map is
/// then read unguarded, as before).
std::optional<Watch> watch(const std::uint8_t* begin, std::size_t length);
/// Stops watching before the map goes.
void unwatch(const Watch& watch);

} // namespace capture::mapped_file_faults
