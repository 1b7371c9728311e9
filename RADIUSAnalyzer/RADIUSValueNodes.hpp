// Value nodes: the labelled values shown under an attribute's node, built from its
// decoded record. Labels come from "RADIUSAVPs" (avp<type>val<k>); the privacy and
// name-resolution switches are read from the user defaults at each decision.
#pragma once

#include "RADIUSAttributeRecord.hpp"
#include "ZEMDateFormatter.hpp"
#include "ZEMNode.hpp"

#include <cstdint>
#include <string>

namespace radius {

/// Hands the record's values over to the value nodes; the record is left without them.
void addAttributeValueNodes(std::uint8_t type, AttributeRecord& record,
                            zem::ZEMNodeProtocol& attributeNode,
                            const zem::ZEMDateFormatter& dateFormatter);

} // namespace radius
