#include "SecurityReport.hpp"

#include "StatisticsReport.hpp"

#include <cstdio>

namespace app {

namespace {

void appendRow(std::string& out, const std::string& label, const analysis::ClientSecurity& c) {
    char line[320];
    auto n = [](std::uint64_t value) { return static_cast<unsigned long long>(value); };
    std::snprintf(line, sizeof line,
                  "%-24s %8llu %6llu %7llu %10llu %6llu %7llu %6llu %9llu %8llu %9llu\n",
                  label.c_str(), n(c.messages), n(c.authenticatorValid), n(c.authenticatorInvalid),
                  n(c.authenticatorUnverified), n(c.messageAuthenticatorValid),
                  n(c.messageAuthenticatorInvalid), n(c.messageAuthenticatorAbsent),
                  n(c.passwordsRecovered), n(c.exposedRequests), n(c.exposedResponses));
    out += line;
}

} // namespace

std::string securityReport(const analysis::SecurityStatistics& statistics, bool secretsGiven) {
    const char* rule = "---------------------------------------------------------------------"
                       "---------------------------------------\n";
    const char* border = "====================================================================="
                         "=======================================\n";
    std::string out = border;
    out += "RADIUS security (per client: a request's source, a response's destination)\n";
    if (!secretsGiven)
        out += "No shared secrets given (--secret, --secrets): only exposure is counted.\n";
    out += rule;
    out += "                                  Authenticator                Message-Auth.        "
           "          Exposed\n";
    out += "Client                   Messages  valid invalid unverified  valid invalid absent "
           "Passwords requests responses\n";
    out += rule;
    const auto clients = statistics.perClient();
    for (const auto& client : clients)
        appendRow(out, client.client.text(), client);
    if (statistics.others().messages > 0)
        appendRow(out, clientsPastTheFirst(statistics.capacity()), statistics.others());
    out += rule;
    appendRow(out, "All clients", statistics.totals());
    for (const auto& client : clients)
        if (client.wrongSecretLikely()) {
            char line[256];
            std::snprintf(
                line, sizeof line,
                "Client %s: %llu of %llu checked messages invalid: wrong secret?\n",
                client.client.text().c_str(),
                static_cast<unsigned long long>(client.messagesInvalid),
                static_cast<unsigned long long>(client.messagesInvalid + client.messagesValid));
            out += line;
        }
    out += border;
    return out;
}

} // namespace app
