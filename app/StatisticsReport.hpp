// The text that -z radius,stats prints at the end of a run.
#pragma once

#include "RadiusStatistics.hpp"

#include <string>

namespace app {

std::string statisticsReport(const analysis::StatisticsSummary& summary);

} // namespace app
