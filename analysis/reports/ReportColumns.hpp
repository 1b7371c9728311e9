// ReportColumns: the columns of the per-client reports, one row each, for the forms that
// show a report as a table of values rather than as text (the window's Statistics
// tables).
#pragma once

#include "reports/AccountingSessions.hpp"
#include "reports/ClientStatistics.hpp"
#include "reports/SecurityStatistics.hpp"

#include <optional>
#include <span>
#include <string>
#include <variant>

namespace analysis {

/// A text, a count, or a time in milliseconds (nothing timed: no value).
using ReportValue = std::variant<std::string, std::uint64_t, std::optional<double>>;

template <typename Row> struct ReportColumn {
    const char* heading;
    /// `label`: what the report knows of the row beyond it (a client row's name: its
    /// address, or the clients past the table's capacity; a session's terminate cause by
    /// its dictionary name).
    ReportValue (*value)(const Row& row, const std::string& label);
};

std::span<const ReportColumn<ClientLatency>> clientColumns();
std::span<const ReportColumn<ClientSecurity>> securityColumns();
std::span<const ReportColumn<SessionRow>> sessionColumns();

} // namespace analysis
