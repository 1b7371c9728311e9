// The text that -z radius,stats prints at the end of a run.
#pragma once

#include "CapturePipeline.hpp"
#include "RadiusStatistics.hpp"

#include <string>

namespace app {

/// The report; reassembly's losses are listed only when there were any.
std::string statisticsReport(const analysis::StatisticsSummary& summary,
                             const capture::CapturePipeline::Losses& losses);

} // namespace app
