#include "reports/ReportKind.hpp"

namespace analysis {

namespace {

constexpr ReportRow rows[] = {
    // kind, name, help, needs: dictionary, checks, session facts, authentication facts, NAS
    {ReportKind::stats, "radius,stats", "messages and exchanges", false, false, false},
    {ReportKind::security, "radius,security", "checks per client", false, true, false},
    {ReportKind::sessions, "radius,sessions", "accounting sessions; -T json: one array", true,
     false, true},
    {ReportKind::clients, "radius,clients", "requests and latency per NAS", false, false, false,
     false, true},
    {ReportKind::auths, "radius,auths", "one row per authentication; -T json: one array", false,
     false, false, true},
    {ReportKind::tls, "radius,tls", "one row per RADIUS/TLS or DTLS connection", false, false,
     false},
};

} // namespace

std::span<const ReportRow> reportRows() {
    return rows;
}

const ReportRow* reportNamed(std::string_view name) {
    for (const auto& row : rows)
        if (row.name == name)
            return &row;
    return nullptr;
}

const ReportRow& reportRow(ReportKind kind) {
    for (const auto& row : rows)
        if (row.kind == kind)
            return row;
    return rows[0];
}

} // namespace analysis
