// MetricsText: running totals in Prometheus's text exposition format (version 0.0.4),
// one family per row of a table: its name, type, help and how its samples are read.
#pragma once

#include "reports/LiveMetrics.hpp"

#include <cstdint>
#include <string>

namespace app {

struct CaptureTotals {
    std::uint64_t packets = 0;
    std::uint64_t dropped = 0;
};

/// Every family, with # HELP and # TYPE; the check families only when `withChecks`.
std::string metricsText(const analysis::LiveMetrics& metrics, const CaptureTotals& capture,
                        bool withChecks);

} // namespace app
