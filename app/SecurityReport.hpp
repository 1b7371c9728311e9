// The text that -z radius,security prints at the end of a run: a row per client, the
// totals, and a warning for each client whose secret looks wrong.
#pragma once

#include "reports/SecurityStatistics.hpp"

#include <string>

namespace app {

std::string securityReport(const analysis::SecurityStatistics& statistics, bool secretsGiven);

} // namespace app
