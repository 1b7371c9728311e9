// Prints a node tree as text, one node per line, two blanks of indent per depth,
// "title: value"; numbers in decimal, octets in lower-case hexadecimal, texts made
// terminal-safe. Or as JSON: an object per node with its title, value, location, length
// and children.
#pragma once

#include "TextRoom.hpp"
#include "ZEMNode.hpp"
#include "message/MessageTree.hpp"

#include <string>
#include <string_view>

namespace app {

void appendTree(std::string& out, const zem::ZEMNodeProtocol& node, int depth = 0);
void appendTreeJson(std::string& out, const zem::ZEMNodeProtocol& node);
/// The JSON object of `node` and its children, after a comma when `comma` says so.
void writeTreeJson(TextRoom& room, const zem::ZEMNodeProtocol& node, bool comma);
/// A message's whole tree: the plug-in's nodes, then its checks node when there is one.
void appendMessageTree(std::string& out, const analysis::MessageTree& tree, int depth);

} // namespace app
