// The text that -z radius,clients prints: a row per NAS with its requests, answers and
// response-time percentiles.
#pragma once

#include "reports/ClientStatistics.hpp"

#include <functional>
#include <string>
#include <string_view>

namespace app {

/// Passes the report to `write` in a few large parts.
void writeClientsReport(const analysis::ClientStatistics& statistics,
                        const std::function<void(std::string_view)>& write);
/// The same report whole.
std::string clientsReport(const analysis::ClientStatistics& statistics);

} // namespace app
