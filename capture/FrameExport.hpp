// exportMessageFrames: writes the frames that carried chosen messages of a capture file
// (every IP fragment and TCP segment of each) to a new capture file, in pcap or pcapng,
// as -w does: the window's File › Export Specified Messages.
//
//   exportMessageFrames("in.pcapng", "out.pcap", {1, 4}, /*pcapng=*/false);  // throws
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>

namespace capture {

/// `messageFrames`: the frames the messages were indexed by (the frame that completed
/// each). Throws CaptureError when the input cannot be read or the output written.
void exportMessageFrames(const std::string& input, const std::string& output,
                         const std::unordered_set<std::uint64_t>& messageFrames, bool pcapng);

} // namespace capture
