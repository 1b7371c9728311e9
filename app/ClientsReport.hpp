// The text that -z radius,clients prints: a row per NAS with its requests, answers and
// response-time percentiles.
#pragma once

#include "reports/ClientStatistics.hpp"

#include <string>

namespace app {

std::string clientsReport(const analysis::ClientStatistics& statistics);

} // namespace app
