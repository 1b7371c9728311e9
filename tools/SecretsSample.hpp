// The sample for shared secrets: secrets.pcap, whose messages are signed with known
// secrets, a few of them altered on the way, and the two secrets files that name those
// secrets (secrets.txt in lines, clients.conf as FreeRADIUS keeps them).
#pragma once

#include <string>

namespace tools {

void secretsSample(const std::string& dir);

} // namespace tools
