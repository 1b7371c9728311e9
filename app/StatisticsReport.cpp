#include "StatisticsReport.hpp"

#include <cstdio>

namespace app {

std::string statisticsReport(const analysis::StatisticsSummary& s,
                             const capture::CapturePipeline::Losses& losses) {
    std::string out;
    char line[256];
    auto row = [&](const char* label, std::uint64_t n) {
        std::snprintf(line, sizeof line, "%-44s %10llu\n", label,
                      static_cast<unsigned long long>(n));
        out += line;
    };
    const char* rule = "-------------------------------------------------------------------\n";
    const char* border = "===================================================================\n";
    out += border;
    out += "RADIUS statistics\n";
    out += rule;
    std::snprintf(line, sizeof line, "%-44s %10s\n", "Code", "Messages");
    out += line;
    for (const auto& [label, count] : analysis::messageRows(s))
        row(label.c_str(), count);
    if (losses.datagramsGivenUp > 0)
        row("IP datagrams whose fragments never completed", losses.datagramsGivenUp);
    if (losses.streamsGivenUp > 0)
        row("TCP streams given up (idle or too many)", losses.streamsGivenUp);
    if (losses.octetsUnframed > 0)
        row("TCP octets that could not be framed", losses.octetsUnframed);
    out += rule;
    for (const auto& [label, count] : analysis::exchangeRows(s))
        row(label.c_str(), count);
    if (const auto& t = s.responseTimes) {
        std::snprintf(line, sizeof line,
                      "Response time (ms): count %zu, min %.3f, median %.3f, p99 %.3f, max %.3f\n",
                      t->count, t->minimum * 1000, t->median * 1000, t->p99 * 1000,
                      t->maximum * 1000);
        out += line;
    }
    out += border;
    return out;
}

std::string clientsPastTheFirst(std::size_t capacity) {
    // Appended: GCC 12 warns falsely (-Wrestrict) of a literal put before a number's text.
    std::string label = "Clients past the first ";
    label += std::to_string(capacity);
    return label;
}

} // namespace app
