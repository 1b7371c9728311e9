// The text that -z radius,stats prints at the end of a run.
#pragma once

#include "CapturePipeline.hpp"
#include "reports/RadiusStatistics.hpp"

#include <string>

namespace app {

/// The report; reassembly's losses are listed only when there were any.
std::string statisticsReport(const analysis::StatisticsSummary& summary,
                             const capture::CapturePipeline::Losses& losses);

/// The label of the row where reports count the clients past their table's capacity.
std::string clientsPastTheFirst(std::size_t capacity);

} // namespace app
