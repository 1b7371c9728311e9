#include "SecurityReport.hpp"

#include "StatisticsReport.hpp"

#include <algorithm>
#include <cstdio>

namespace app {

namespace {

// The client column is as wide as its longest address (an IPv6 client is up to 39), at
// least 24.
constexpr std::size_t clientWidth = 24;

void appendRow(std::string& out, int width, const std::string& label,
               const analysis::ClientSecurity& c) {
    char line[320];
    auto n = [](std::uint64_t value) { return static_cast<unsigned long long>(value); };
    std::snprintf(line, sizeof line,
                  "%-*s %8llu %6llu %7llu %10llu %6llu %7llu %6llu %9llu %8llu %9llu\n", width,
                  label.c_str(), n(c.messages), n(c.authenticatorValid), n(c.authenticatorInvalid),
                  n(c.authenticatorUnverified), n(c.messageAuthenticatorValid),
                  n(c.messageAuthenticatorInvalid), n(c.messageAuthenticatorAbsent),
                  n(c.passwordsRecovered), n(c.exposedRequests), n(c.exposedResponses));
    out += line;
}

} // namespace

std::string securityReport(const analysis::SecurityStatistics& statistics, bool secretsGiven) {
    const auto clients = statistics.perClient();
    const std::string others = clientsPastTheFirst(statistics.capacity());
    std::size_t width = clientWidth;
    for (const auto& client : clients)
        width = std::max(width, client.client.text().size());
    if (statistics.others().messages > 0)
        width = std::max(width, others.size());
    const std::size_t wider = width - clientWidth;
    const std::string rule = std::string(108 + wider, '-') + "\n";
    const std::string border = std::string(108 + wider, '=') + "\n";
    const int w = static_cast<int>(width);
    std::string out = border;
    out += "RADIUS security (per client: a request's source, a response's destination)\n";
    if (!secretsGiven)
        out += "No shared secrets given (--secret, --secrets): only exposure is counted.\n";
    out += rule;
    out += std::string(wider, ' ');
    out += "                                  Authenticator                Message-Auth.        "
           "          Exposed\n";
    out += "Client" + std::string(wider, ' ');
    out += "                   Messages  valid invalid unverified  valid invalid absent "
           "Passwords requests responses\n";
    out += rule;
    for (const auto& client : clients)
        appendRow(out, w, client.client.text(), client);
    if (statistics.others().messages > 0)
        appendRow(out, w, others, statistics.others());
    out += rule;
    appendRow(out, w, "All clients", statistics.totals());
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
