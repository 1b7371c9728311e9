#include "reports/ReportColumns.hpp"

#include "LocalTimeText.hpp"

#include <array>
#include <cmath>

namespace analysis {
namespace {

template <typename Row> ReportValue label(const Row&, const std::string& name) {
    return name;
}

ReportValue milliseconds(const ClientLatency& c, double fraction) {
    const auto& times = c.responseTimes;
    if (times.count() == 0)
        return std::optional<double>();
    return std::optional<double>((fraction >= 1 ? times.maximum() : times.percentile(fraction)) *
                                 1000);
}

// A count the row keeps as a member.
template <auto member, typename Row> ReportValue count(const Row& row, const std::string&) {
    return row.*member;
}

constexpr std::array<ReportColumn<ClientLatency>, 14> clients{{
    {"Client", label<ClientLatency>},
    {"NAS",
     [](const ClientLatency& c, const std::string&) -> ReportValue {
         return c.nasName.empty() ? "-" : c.nasName;
     }},
    {"Requests by code",
     [](const ClientLatency& c, const std::string&) -> ReportValue {
         return requestsByCodeText(c);
     }},
    {"Answered", count<&ClientLatency::answered>},
    {"Unanswered",
     [](const ClientLatency& c, const std::string&) -> ReportValue { return c.unanswered(); }},
    {"Retransmitted", count<&ClientLatency::retransmitted>},
    {"Accepts", count<&ClientLatency::accepts>},
    {"Rejects", count<&ClientLatency::rejects>},
    {"Challenges", count<&ClientLatency::challenges>},
    {"Timed",
     [](const ClientLatency& c, const std::string&) -> ReportValue {
         return c.responseTimes.count();
     }},
    {"p50 ms", [](const ClientLatency& c, const std::string&) { return milliseconds(c, 0.5); }},
    {"p90 ms", [](const ClientLatency& c, const std::string&) { return milliseconds(c, 0.9); }},
    {"p99 ms", [](const ClientLatency& c, const std::string&) { return milliseconds(c, 0.99); }},
    {"max ms", [](const ClientLatency& c, const std::string&) { return milliseconds(c, 1); }},
}};

constexpr std::array<ReportColumn<ClientSecurity>, 11> security{{
    {"Client", label<ClientSecurity>},
    {"Messages", count<&ClientSecurity::messages>},
    {"Authenticator valid", count<&ClientSecurity::authenticatorValid>},
    {"Authenticator invalid", count<&ClientSecurity::authenticatorInvalid>},
    {"Authenticator unverified", count<&ClientSecurity::authenticatorUnverified>},
    {"Message-Auth. valid", count<&ClientSecurity::messageAuthenticatorValid>},
    {"Message-Auth. invalid", count<&ClientSecurity::messageAuthenticatorInvalid>},
    {"Message-Auth. absent", count<&ClientSecurity::messageAuthenticatorAbsent>},
    {"Passwords", count<&ClientSecurity::passwordsRecovered>},
    {"Exposed requests", count<&ClientSecurity::exposedRequests>},
    {"Exposed responses", count<&ClientSecurity::exposedResponses>},
}};

template <auto member> ReportValue localTime(const SessionRow& row, const std::string&) {
    zem::LocalTimeText times;
    return std::string(times.text(row.*member));
}

// A count the session may not have reported.
template <auto member> ReportValue reported(const SessionRow& row, const std::string&) {
    if (const auto& value = row.*member)
        return static_cast<std::uint64_t>(*value);
    return std::optional<double>();
}

ReportValue textOrDash(std::string text) {
    return text.empty() ? "-" : text;
}

constexpr std::array<ReportColumn<SessionRow>, 15> sessions{{
    {"Session", [](const SessionRow& s, const std::string&) { return textOrDash(s.sessionId); }},
    {"NAS",
     [](const SessionRow& s, const std::string&) {
         return textOrDash(s.nas.empty() ? s.nasSource.text() : s.nas);
     }},
    {"User", [](const SessionRow& s, const std::string&) { return textOrDash(s.user); }},
    {"Framed-IP",
     [](const SessionRow& s, const std::string&) {
         return textOrDash(s.framedAddress ? s.framedAddress->text() : "");
     }},
    {"Start", localTime<&SessionRow::start>},
    {"Last update",
     [](const SessionRow& s, const std::string&) -> ReportValue {
         zem::LocalTimeText times;
         return std::string(times.text(s.lastUpdate));
     }},
    {"Stop", localTime<&SessionRow::stop>},
    {"Seconds",
     [](const SessionRow& s, const std::string&) -> ReportValue {
         return static_cast<std::uint64_t>(std::llround(std::max(0.0, s.duration())));
     }},
    {"Octets in", reported<&SessionRow::inputOctets>},
    {"Octets out", reported<&SessionRow::outputOctets>},
    {"Pkts in", reported<&SessionRow::inputPackets>},
    {"Pkts out", reported<&SessionRow::outputPackets>},
    {"Interims", count<&SessionRow::interimUpdates>},
    {"Terminate cause",
     [](const SessionRow&, const std::string& cause) { return textOrDash(cause); }},
    {"State",
     [](const SessionRow& s, const std::string&) -> ReportValue {
         return std::string(sessionEndText(s.end));
     }},
}};

} // namespace

std::span<const ReportColumn<ClientLatency>> clientColumns() {
    return clients;
}

std::span<const ReportColumn<ClientSecurity>> securityColumns() {
    return security;
}

std::span<const ReportColumn<SessionRow>> sessionColumns() {
    return sessions;
}

} // namespace analysis
