// ExchangeNode: the "RADIUS-Exchange" node that the applications show beside the checks:
// which frame answers a request or asked for a response, how long the answer took, and
// which frame a copy sent again repeats.
#pragma once

#include "ZEMNode.hpp"
#include "exchanges/ExchangeLinks.hpp"

#include <memory>
#include <string>

namespace analysis {

/// Seconds with microseconds, as the response time is printed everywhere.
std::string responseTimeText(double seconds);

/// The node, or nothing when the message has no links.
std::unique_ptr<zem::ZEMNode> exchangeNode(const ExchangeLinks& links);

} // namespace analysis
