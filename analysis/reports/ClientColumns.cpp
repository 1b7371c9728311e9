#include "reports/ClientColumns.hpp"

#include <array>

namespace analysis {
namespace {

ClientColumn::Value codes(const ClientLatency& c, const std::string&) {
    return requestsByCodeText(c);
}

ClientColumn::Value milliseconds(const ClientLatency& c, double fraction) {
    const auto& times = c.responseTimes;
    if (times.count() == 0)
        return std::optional<double>();
    return std::optional<double>((fraction >= 1 ? times.maximum() : times.percentile(fraction)) *
                                 1000);
}

constexpr std::array<ClientColumn, 14> columns{{
    {"Client",
     [](const ClientLatency&, const std::string& name) -> ClientColumn::Value { return name; }},
    {"NAS",
     [](const ClientLatency& c, const std::string&) -> ClientColumn::Value { return c.nasName; }},
    {"Requests by code", codes},
    {"Answered",
     [](const ClientLatency& c, const std::string&) -> ClientColumn::Value { return c.answered; }},
    {"Unanswered",
     [](const ClientLatency& c, const std::string&) -> ClientColumn::Value {
         return c.unanswered();
     }},
    {"Retransmitted",
     [](const ClientLatency& c, const std::string&) -> ClientColumn::Value {
         return c.retransmitted;
     }},
    {"Accepts",
     [](const ClientLatency& c, const std::string&) -> ClientColumn::Value { return c.accepts; }},
    {"Rejects",
     [](const ClientLatency& c, const std::string&) -> ClientColumn::Value { return c.rejects; }},
    {"Challenges",
     [](const ClientLatency& c, const std::string&) -> ClientColumn::Value {
         return c.challenges;
     }},
    {"Timed",
     [](const ClientLatency& c, const std::string&) -> ClientColumn::Value {
         return c.responseTimes.count();
     }},
    {"p50 ms", [](const ClientLatency& c, const std::string&) { return milliseconds(c, 0.5); }},
    {"p90 ms", [](const ClientLatency& c, const std::string&) { return milliseconds(c, 0.9); }},
    {"p99 ms", [](const ClientLatency& c, const std::string&) { return milliseconds(c, 0.99); }},
    {"max ms", [](const ClientLatency& c, const std::string&) { return milliseconds(c, 1); }},
}};

} // namespace

std::span<const ClientColumn> clientColumns() {
    return columns;
}

} // namespace analysis
