#include "AuthenticationsReport.hpp"

#include "JsonWriter.hpp"
#include "LocalTimeText.hpp"
#include "TextEscaping.hpp"

#include <algorithm>
#include <cstdio>
#include <map>

namespace app {

namespace {

std::string orDash(const std::string& text) {
    return text.empty() ? "-" : zem::terminalSafe(text);
}

std::string methodText(const analysis::Authentication& a) {
    std::string text = orDash(a.method);
    for (const auto& refused : a.nakedMethods) {
        text += " (refused ";
        text += refused;
        text += ')';
    }
    return text;
}

std::string json(const std::vector<analysis::Authentication>& rows) {
    std::string out = "[\n";
    bool first = true;
    for (const auto& a : rows) {
        if (!first)
            out += ",\n";
        first = false;
        JsonWriter json(out);
        json.beginObject();
        json.key("firstFrame");
        json.number(a.firstFrame);
        json.key("start");
        json.seconds(a.start);
        json.key("client");
        json.string(a.client.text());
        json.key("callingStationId");
        json.string(a.callingStationId);
        json.key("userName");
        json.string(a.userName);
        json.key("method");
        json.string(a.method);
        json.key("nakedMethods");
        json.beginArray();
        for (const auto& refused : a.nakedMethods)
            json.string(refused);
        json.endArray();
        json.key("rounds");
        json.number(std::uint64_t{a.rounds});
        json.key("duration");
        json.seconds(a.end - a.start);
        json.key("outcome");
        json.string(a.outcome);
        json.key("reason");
        json.string(a.reason);
        json.key("tlsVersion");
        json.string(a.tlsVersion);
        json.key("tlsCipherSuite");
        json.string(a.tlsCipherSuite);
        json.endObject();
    }
    out += "\n]\n";
    return out;
}

} // namespace

std::string authenticationsReport(const std::vector<analysis::Authentication>& rows, bool asJson) {
    if (asJson)
        return json(rows);
    // The texts of a row size the columns first, then fill them: made twice rather than
    // kept, as a report may have millions of rows.
    struct Texts {
        std::string station, user, method, tls, suite, reason;
    };
    const auto textsOf = [](const analysis::Authentication& a) {
        return Texts{
            orDash(a.callingStationId), orDash(a.userName),       methodText(a),
            orDash(a.tlsVersion),       orDash(a.tlsCipherSuite), zem::terminalSafe(a.reason)};
    };
    std::size_t station = 18, user = 12, method = 12, suite = 12;
    for (const auto& a : rows) {
        const auto texts = textsOf(a);
        station = std::max(station, texts.station.size());
        user = std::max(user, texts.user.size());
        method = std::max(method, texts.method.size());
        suite = std::max(suite, texts.suite.size());
    }
    const auto width = 8 + 1 + 19 + 1 + 15 + 1 + station + 1 + user + 1 + method + 1 + 6 + 1 + 10 +
                       1 + 13 + 1 + 7 + 1 + suite + 1 + 20;
    const std::string border(width, '='), rule(width, '-');
    std::string out =
        border + "\nRADIUS authentications (by State and station; duration in s)\n" + rule + "\n";
    // Appended column by column: a million rows through printf took most of the report's
    // time.
    const auto left = [&out](std::string_view text, std::size_t columns) {
        out += text;
        out.append(columns > text.size() ? columns - text.size() : 0, ' ');
        out += ' ';
    };
    const auto right = [&out](std::string_view text, std::size_t columns) {
        out.append(columns > text.size() ? columns - text.size() : 0, ' ');
        out += text;
        out += ' ';
    };
    const auto row = [&](std::string_view frame, std::string_view start, std::string_view client,
                         const Texts& t, std::string_view rounds, std::string_view duration,
                         std::string_view outcome) {
        right(frame, 8);
        left(start, 19);
        left(client, 15);
        left(t.station, station);
        left(t.user, user);
        left(t.method, method);
        right(rounds, 6);
        right(duration, 10);
        left(outcome, 13);
        left(t.tls, 7);
        left(t.suite, suite);
        out += t.reason;
        out += '\n';
    };
    row("Frame", "Start", "Client",
        {"Calling-Station-Id", "User-Name", "Method", "TLS", "Cipher Suite", "Reason"}, "Rounds",
        "Duration", "Outcome");
    std::map<std::string, std::size_t> outcomes, reasons;
    LocalTimeText times;
    for (const auto& a : rows) {
        const auto texts = textsOf(a);
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.6f", a.end - a.start);
        row(std::to_string(a.firstFrame), times.text(a.start), a.client.text(), texts,
            std::to_string(a.rounds), duration, a.outcome);
        ++outcomes[a.outcome];
        if (!a.reasonKind.empty())
            ++reasons[zem::terminalSafe(a.reasonKind)];
    }
    out += rule + "\n";
    char line[256];
    std::snprintf(line, sizeof line, "%-40s %10zu\n", "Authentications", rows.size());
    out += line;
    for (const auto& [outcome, count] : outcomes) {
        std::snprintf(line, sizeof line, "  %-38s %10zu\n", outcome.c_str(), count);
        out += line;
    }
    for (const auto& [reason, count] : reasons) {
        std::snprintf(line, sizeof line, "  reason: %-30s %10zu\n", reason.c_str(), count);
        out += line;
    }
    out += border + "\n";
    return out;
}

} // namespace app
