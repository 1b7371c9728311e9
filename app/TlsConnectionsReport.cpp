#include "TlsConnectionsReport.hpp"

#include "ReportCells.hpp"
#include "TextEscaping.hpp"
#include "tls/TlsNames.hpp"
#include "tls/X509Summary.hpp"

#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <vector>

namespace app {

namespace {

using Summary = capture::TlsConnectionSummary;

std::string endpoint(const zem::IPAddress& address, std::uint16_t port) {
    // Appended piece by piece: GCC 12 warns falsely of a literal + text.
    std::string text;
    if (address.family == 6)
        text += '[';
    text += address.text();
    if (address.family == 6)
        text += ']';
    text += ':';
    text += std::to_string(port);
    return text;
}

std::string endingText(Summary::Ending ending) {
    switch (ending) {
    case Summary::Ending::open:
        return "open";
    case Summary::Ending::closed:
        return "closed";
    case Summary::Ending::reset:
        return "reset";
    case Summary::Ending::timedOut:
        return "timed out";
    }
    return "-";
}

std::string versionText(const Summary& c) {
    if (!c.version)
        return "-";
    if (*c.version == capture::dtls12Version)
        return "DTLS 1.2";
    auto name = analysis::tlsVersionName(*c.version);
    return name ? std::string(*name) : analysis::hex16(*c.version);
}

std::string suiteText(const Summary& c) {
    if (!c.cipherSuite)
        return "-";
    return analysis::tlsCipherSuiteName(*c.cipherSuite).value_or(analysis::hex16(*c.cipherSuite));
}

std::string alertText(const Summary& c) {
    if (!c.alert)
        return "-";
    auto level = analysis::tlsAlertLevelName(c.alert->level);
    auto name = analysis::tlsAlertName(c.alert->description);
    return std::string(level ? *level : "level " + std::to_string(c.alert->level)) + " " +
           (name ? std::string(*name) : std::to_string(c.alert->description)) +
           (c.alert->fromClient ? " (client)" : " (server)");
}

std::string certificateText(const zem::ByteBuffer& der) {
    if (der.empty())
        return "-";
    auto certificate = analysis::summarizeCertificate(zem::ByteView(der));
    return certificate ? certificate->subject + " until " + certificate->notAfter : "unreadable";
}

std::string readText(const Summary& c) {
    if (c.problem == capture::TlsProblem::none)
        return c.messages[0] + c.messages[1] > 0 ? "decrypted" : "-";
    return std::string(capture::tlsProblemText(c.problem));
}

// One row per column: its heading and its text for a connection.
struct Column {
    const char* heading;
    std::function<std::string(const Summary&)> text;
    bool left = true;
};

std::string offeredVersions(const Summary& c) {
    if (!c.offered)
        return "-";
    std::string text;
    for (auto version : c.offered->versions) {
        if (!text.empty())
            text += ',';
        auto name = version == capture::dtls12Version ? std::optional<std::string_view>("DTLS 1.2")
                                                      : analysis::tlsVersionName(version);
        text += name ? std::string(*name) : analysis::hex16(version);
    }
    return text;
}

std::string orDash(std::string text) {
    return text.empty() ? "-" : text;
}

const std::vector<Column>& columns() {
    static const std::vector<Column> table{{
        {"Client",
         [](const Summary& c) {
             return endpoint(c.clientToServer.source, c.clientToServer.sourcePort);
         }},
        {"Server",
         [](const Summary& c) {
             return endpoint(c.clientToServer.destination, c.clientToServer.destinationPort);
         }},
        {"Over", [](const Summary& c) { return std::string(c.datagram ? "DTLS" : "TLS"); }},
        {"Offered", offeredVersions},
        {"Suites",
         [](const Summary& c) {
             return c.offered ? std::to_string(c.offered->cipherSuites.size()) : "-";
         },
         false},
        {"Server name",
         [](const Summary& c) {
             return orDash(c.offered ? zem::terminalSafe(c.offered->serverName) : "");
         }},
        {"ALPN",
         [](const Summary& c) {
             std::string text;
             for (const auto& protocol :
                  c.offered ? c.offered->protocols : std::vector<std::string>{}) {
                 if (!text.empty())
                     text += ',';
                 text += zem::terminalSafe(protocol);
             }
             return orDash(text);
         }},
        {"Version", versionText},
        {"Cipher suite", suiteText},
        {"Rec>", [](const Summary& c) { return std::to_string(c.records[1]); }, false},
        {"Octets>", [](const Summary& c) { return std::to_string(c.octets[1]); }, false},
        {"RADIUS>", [](const Summary& c) { return std::to_string(c.messages[1]); }, false},
        {"<Rec", [](const Summary& c) { return std::to_string(c.records[0]); }, false},
        {"<Octets", [](const Summary& c) { return std::to_string(c.octets[0]); }, false},
        {"<RADIUS", [](const Summary& c) { return std::to_string(c.messages[0]); }, false},
        {"Seconds",
         [](const Summary& c) {
             char text[32];
             std::snprintf(text, sizeof text, "%.3f", c.lastTime - c.firstTime);
             return std::string(text);
         },
         false},
        {"Ended", [](const Summary& c) { return endingText(c.ending); }},
        {"Alert", alertText},
        {"Server certificate", [](const Summary& c) { return certificateText(c.certificates[0]); }},
        {"Client certificate", [](const Summary& c) { return certificateText(c.certificates[1]); }},
        {"Records read", readText},
    }};
    return table;
}

} // namespace

std::string tlsConnectionsReport(const std::vector<Summary>& connections, std::uint64_t leftOut) {
    const auto& table = columns();
    std::vector<std::vector<std::string>> cells;
    std::vector<std::size_t> widths(table.size());
    for (std::size_t i = 0; i < table.size(); ++i)
        widths[i] = std::string_view(table[i].heading).size();
    for (const auto& connection : connections) {
        auto& row = cells.emplace_back();
        for (std::size_t i = 0; i < table.size(); ++i) {
            row.push_back(table[i].text(connection));
            widths[i] = std::max(widths[i], row.back().size());
        }
    }
    std::string header;
    for (std::size_t i = 0; i < table.size(); ++i)
        appendCell(header, table[i].heading, widths[i], table[i].left);
    header.pop_back();
    const std::string border(header.size(), '='), rule(header.size(), '-');
    std::string out = border + "\n";
    out += "RADIUS over TLS and DTLS (one row per connection; > client to server, < server to "
           "client)\n";
    out += rule + "\n" + header + "\n" + rule + "\n";
    for (const auto& row : cells) {
        std::string line;
        for (std::size_t i = 0; i < table.size(); ++i)
            appendCell(line, row[i], widths[i], table[i].left);
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        out += line + "\n";
    }
    if (connections.empty())
        out += "No TLS or DTLS connection on a RADIUS/TLS port.\n";
    if (leftOut > 0)
        out += std::to_string(leftOut) + " more connections ended and are not listed.\n";
    out += border + "\n";
    return out;
}

} // namespace app
