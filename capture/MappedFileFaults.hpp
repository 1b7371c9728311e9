// MappedFileFaults: a capture file mapped for reading that another program truncates
// raises SIGBUS on the pages past its new end, which would kill the run. The pages of a
// watched map that fault are replaced with zeros instead (from the faulting page to the
// map's end, so that one fault covers the rest) and the map is marked, so that its reader
// stops with an error rather than reading on. A fault outside every watched map goes to
// the handler there was before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace capture::mapped_file_faults {

/// Watches the map [begin, begin + length); nothing when every slot is taken (the map is
/// then read unguarded, as before).
std::optional<std::size_t> watch(const std::uint8_t* begin, std::size_t length);
/// Stops watching before the map goes.
void unwatch(std::size_t slot);
/// The offset from the map's start of the first page that faulted since it was watched.
std::optional<std::size_t> faultedAt(std::size_t slot);

} // namespace capture::mapped_file_faults
