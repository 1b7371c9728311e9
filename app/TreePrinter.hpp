// Prints a node tree one node per line, two blanks of indent per depth, "title: value";
// numbers in decimal, octets in lower-case hexadecimal, texts made terminal-safe.
#pragma once

#include "ZEMNode.hpp"

#include <string>

namespace app {

void appendNodeValue(std::string& out, const zem::ZEMNodeValue& value);
void appendTree(std::string& out, const zem::ZEMNodeProtocol& node, int depth = 0);

} // namespace app
