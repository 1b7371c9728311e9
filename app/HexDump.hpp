// The -x hex dump: sixteen octets a line, offset, hexadecimal in two groups of eight,
// then the printable ASCII with a dot for anything else.
#pragma once

#include "ByteView.hpp"

#include <string>

namespace app {

void appendHexDump(std::string& out, zem::ByteView bytes);

} // namespace app
