// The packet-detail tree: the "RADIUS-Header" node with its Length, Code, Identifier and
// Authenticator children, then one node per attribute record with its type, length and
// either a note on a malformed attribute or the decoded value nodes.
#pragma once

#include "RADIUSAttributeRecord.hpp"
#include "RADIUSDissector.hpp"
#include "ZEMNode.hpp"

#include <cstdint>
#include <memory>
#include <optional>

namespace radius {

/// The whole tree for one message; `capturedSize` is what the host handed over.
std::unique_ptr<zem::ZEMNode> radiusPacketTree(const RADIUSDissector& dissector,
                                               zem::ByteView message, std::uint16_t capturedSize);

/// Adds one node per record to `header`, starting at message offset `startOffset`; the
/// records' values move into the nodes.
void addAttributeNodes(zem::ZEMNode& header, std::optional<AttributeRecordList> records,
                       std::uint16_t startOffset);

} // namespace radius
