// ClientColumns: the columns of the clients report, one row each, for the forms that show
// it as a table of values rather than as text (the window's Statistics › Clients).
#pragma once

#include "reports/ClientStatistics.hpp"

#include <span>
#include <string>
#include <variant>

namespace analysis {

struct ClientColumn {
    const char* heading;
    /// A text, a count, or a time in milliseconds (nothing timed: no value).
    using Value = std::variant<std::string, std::uint64_t, std::optional<double>>;
    Value (*value)(const ClientLatency& client, const std::string& clientText);
};

std::span<const ClientColumn> clientColumns();

} // namespace analysis
