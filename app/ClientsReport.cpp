#include "ClientsReport.hpp"

#include "StatisticsReport.hpp"
#include "TextEscaping.hpp"

#include <cstdio>

namespace app {

namespace {

void appendRow(std::string& out, const std::string& client, const analysis::ClientLatency& c) {
    std::string codes;
    for (const auto& [code, count] : c.requestsByCode) {
        // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) of a literal put
        // before a number's text.
        if (!codes.empty())
            codes += ' ';
        codes += std::to_string(code);
        codes += ':';
        codes += std::to_string(count);
    }
    const auto& t = c.responseTimes;
    char line[512];
    auto n = [](std::uint64_t value) { return static_cast<unsigned long long>(value); };
    std::snprintf(line, sizeof line,
                  "%-24s %-20s %-16s %8llu %8llu %10llu %8llu %7llu %7llu %9llu %9.3f %9.3f "
                  "%9.3f %9.3f\n",
                  client.c_str(), c.nasName.empty() ? "-" : zem::terminalSafe(c.nasName).c_str(),
                  codes.empty() ? "-" : codes.c_str(), n(c.answered), n(c.unanswered()),
                  n(c.retransmitted), n(c.accepts), n(c.rejects), n(c.challenges), n(t.count()),
                  t.percentile(0.5) * 1000, t.percentile(0.9) * 1000, t.percentile(0.99) * 1000,
                  t.maximum() * 1000);
    out += line;
}

} // namespace

std::string clientsReport(const analysis::ClientStatistics& statistics) {
    const char* border = "================================================================"
                         "================================================================"
                         "==========================\n";
    const char* rule = "----------------------------------------------------------------"
                       "----------------------------------------------------------------"
                       "--------------------------\n";
    std::string out = border;
    out += "RADIUS clients (per NAS: the requests it sent, the answers it got; times in ms)\n";
    out += rule;
    char header[512];
    std::snprintf(header, sizeof header,
                  "%-24s %-20s %-16s %8s %8s %10s %8s %7s %7s %9s %9s %9s %9s %9s\n", "Client",
                  "NAS", "Requests by code", "Answered", "Unanswer", "Retransmit", "Accepts",
                  "Rejects", "Challng", "Timed", "p50", "p90", "p99", "max");
    out += header;
    out += rule;
    for (const auto& client : statistics.perClient())
        appendRow(out, client.client.text(), client);
    if (statistics.others().requests > 0 || statistics.others().answered > 0)
        appendRow(out, clientsPastTheFirst(statistics.capacity()), statistics.others());
    out += border;
    return out;
}

} // namespace app
