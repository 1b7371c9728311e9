#include "ClientsReport.hpp"

#include "ReportCells.hpp"
#include "StatisticsReport.hpp"
#include "TextEscaping.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace app {

namespace {

// The first three columns are as wide as their longest text (an IPv6 client or NAS is up
// to 39), at least as wide as their headings.
struct Widths {
    int client = 24, nas = 20, codes = 16;
};

// A row's texts, made once: the widths are taken from them before any row is written.
struct Row {
    std::string client, nas, codes;
    const analysis::ClientLatency* latency = nullptr;
};

Row rowOf(std::string client, const analysis::ClientLatency& c) {
    auto codes = analysis::requestsByCodeText(c);
    return {std::move(client), c.nasName.empty() ? "-" : zem::terminalSafe(c.nasName),
            codes.empty() ? "-" : std::move(codes), &c};
}

void widen(Widths& widths, const Row& row) {
    widths.client = std::max(widths.client, static_cast<int>(row.client.size()));
    widths.nas = std::max(widths.nas, static_cast<int>(row.nas.size()));
    widths.codes = std::max(widths.codes, static_cast<int>(row.codes.size()));
}

void appendRow(std::string& out, const Widths& widths, const Row& row) {
    const auto& c = *row.latency;
    const auto& t = c.responseTimes;
    appendCell(out, row.client, static_cast<std::size_t>(widths.client));
    appendCell(out, row.nas, static_cast<std::size_t>(widths.nas));
    appendCell(out, row.codes, static_cast<std::size_t>(widths.codes));
    const std::pair<std::uint64_t, std::size_t> counts[] = {
        {c.answered, 8}, {c.unanswered(), 8}, {c.retransmitted, 10}, {c.accepts, 8},
        {c.rejects, 7},  {c.challenges, 7},   {t.count(), 9}};
    for (const auto& [count, width] : counts)
        appendNumberCell(out, count, width);
    for (const double seconds :
         {t.percentile(0.5), t.percentile(0.9), t.percentile(0.99), t.maximum()})
        appendDecimalCell(out, seconds * 1000, 3, 9);
    out.back() = '\n';
}

// Calls `work(begin, end)` over [0, count) in two halves, the second on a thread of its
// own: the report of tens of thousands of clients is made once the capture is read, when
// the run has nothing else to do.
template <typename Work> void inTwoHalves(std::size_t count, Work work) {
    constexpr std::size_t fewestRowsPerHalf = 4096; // below, a thread costs more than it saves
    const std::size_t half = count / 2;
    if (half < fewestRowsPerHalf) {
        work(0, count);
        return;
    }
    std::thread second([&] { work(half, count); });
    work(0, half);
    second.join();
}

} // namespace

void writeClientsReport(const analysis::ClientStatistics& statistics,
                        const std::function<void(std::string_view)>& write) {
    std::vector<const analysis::ClientLatency*> clients;
    statistics.forEachClient(
        [&](const analysis::ClientLatency& client) { clients.push_back(&client); });
    const bool othersShown = statistics.others().requests > 0 || statistics.others().answered > 0;
    std::vector<Row> rows(clients.size() + (othersShown ? 1 : 0));
    inTwoHalves(clients.size(), [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            rows[i] = rowOf(clients[i]->client.text(), *clients[i]);
    });
    if (othersShown)
        rows.back() = rowOf(clientsPastTheFirst(statistics.capacity()), statistics.others());
    Widths widths;
    for (const auto& row : rows)
        widen(widths, row);
    char header[640];
    std::snprintf(header, sizeof header,
                  "%-*s %-*s %-*s %8s %8s %10s %8s %7s %7s %9s %9s %9s %9s %9s\n", widths.client,
                  "Client", widths.nas, "NAS", widths.codes, "Requests by code", "Answered",
                  "Unanswer", "Retransmit", "Accepts", "Rejects", "Challng", "Timed", "p50", "p90",
                  "p99", "max");
    // The rules span the table: a row is as wide as the heading's line.
    const std::size_t headerWidth = std::strlen(header);
    const std::string border = std::string(headerWidth - 1, '=') + "\n";
    const std::string rule = std::string(headerWidth - 1, '-') + "\n";
    std::string out = border;
    out += "RADIUS clients (per NAS: the requests it sent, the answers it got; times in ms)\n";
    out += rule;
    out += header;
    out += rule;
    // The rows go out a piece at a time through one buffer. Made as one text (in two
    // halves, on two threads) the rows of tens of thousands of clients were megabytes of
    // fresh memory, whose first touch cost three times what making the rows did.
    constexpr std::size_t pieceOctets = std::size_t{256} << 10;
    out.reserve(pieceOctets + headerWidth);
    for (const auto& row : rows) {
        appendRow(out, widths, row);
        if (out.size() >= pieceOctets) {
            write(out);
            out.clear();
        }
    }
    write(out);
    out.clear();
    // Responses stamped before their request answered it but measure no time: said on a
    // row of their own rather than clamped into the times.
    std::string stamped;
    std::uint64_t stampedTotal = 0;
    const auto noteStamped = [&](const std::string& name, const analysis::ClientLatency& c) {
        if (c.stampedBeforeRequest == 0)
            return;
        stampedTotal += c.stampedBeforeRequest;
        if (!stamped.empty())
            stamped += ", ";
        stamped += name;
        stamped += ": ";
        stamped += std::to_string(c.stampedBeforeRequest);
    };
    for (const auto& row : rows)
        noteStamped(row.client, *row.latency);
    if (stampedTotal > 0) {
        out += rule;
        out += "Responses stamped before their request (answered, not timed): ";
        out += std::to_string(stampedTotal);
        out += " (";
        out += stamped;
        out += ")\n";
    }
    out += border;
    write(out);
}

std::string clientsReport(const analysis::ClientStatistics& statistics) {
    std::string out;
    writeClientsReport(statistics, [&](std::string_view part) { out += part; });
    return out;
}

} // namespace app
