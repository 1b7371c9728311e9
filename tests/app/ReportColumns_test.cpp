// The per-client reports keep their columns in line whatever the clients' addresses: an
// IPv6 client or a NAS name wider than its column widens it for every row.
#include "ClientsReport.hpp"
#include "SecurityReport.hpp"

#include <cstring>
#include <gtest/gtest.h>
#include <sstream>

namespace {

analysis::MessageFacts request(const char* client, const char* nas) {
    analysis::MessageFacts m;
    m.code = 1;
    m.origin.source = *zem::IPAddress::parse(client);
    m.origin.destination = *zem::IPAddress::parse("192.0.2.1");
    m.nasName = nas;
    return m;
}

} // namespace

TEST(ReportColumns, WideClientsWidenTheirColumns) {
    const char* longIpv6 = "2001:db8:1234:5678:9abc:def0:1234:5678";
    const struct {
        const char* client;
        const char* nas;
    } cases[] = {
        {"192.0.2.10", "nas-1"},
        {longIpv6, "nas-2"},
        {"192.0.2.11", "a-nas-identifier-longer-than-twenty"},
    };
    analysis::ClientStatistics clients;
    analysis::SecurityStatistics security;
    for (const auto& c : cases) {
        clients.addMessage(request(c.client, c.nas), analysis::ExchangeOutcome{});
        security.addMessage(request(c.client, c.nas));
    }
    for (const auto& report : {app::clientsReport(clients), app::securityReport(security, false)}) {
        SCOPED_TRACE(report);
        // The column after the client starts at the same place on every row.
        std::istringstream lines(report);
        std::string line;
        std::size_t at = std::string::npos;
        while (std::getline(lines, line))
            for (const auto& c : cases)
                if (line.rfind(c.client, 0) == 0) {
                    const auto next = line.find_first_not_of(' ', std::strlen(c.client));
                    if (at == std::string::npos)
                        at = next;
                    EXPECT_EQ(next, at) << line;
                }
        EXPECT_GT(at, std::strlen(longIpv6));
    }
}
