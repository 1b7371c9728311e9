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
        json.endObject();
    }
    out += "\n]\n";
    return out;
}

} // namespace

std::string authenticationsReport(const std::vector<analysis::Authentication>& rows, bool asJson) {
    if (asJson)
        return json(rows);
    std::size_t station = 17, user = 12, method = 12;
    for (const auto& a : rows) {
        station = std::max(station, orDash(a.callingStationId).size());
        user = std::max(user, orDash(a.userName).size());
        method = std::max(method, methodText(a).size());
    }
    const auto width = 8 + 1 + 19 + 1 + 15 + 1 + station + 1 + user + 1 + method + 1 + 6 + 1 + 10 +
                       1 + 13 + 1 + 20;
    const std::string border(width, '='), rule(width, '-');
    std::string out =
        border + "\nRADIUS authentications (by State and station; duration in s)\n" + rule + "\n";
    char line[1024];
    const auto row = [&](const char* frame, const std::string& start, const std::string& client,
                         const std::string& stationText, const std::string& userText,
                         const std::string& methodColumn, const char* rounds,
                         const std::string& duration, const std::string& outcome,
                         const std::string& reason) {
        std::snprintf(line, sizeof line, "%8s %-19s %-15s %-*s %-*s %-*s %6s %10s %-13s %s\n",
                      frame, start.c_str(), client.c_str(), static_cast<int>(station),
                      stationText.c_str(), static_cast<int>(user), userText.c_str(),
                      static_cast<int>(method), methodColumn.c_str(), rounds, duration.c_str(),
                      outcome.c_str(), reason.c_str());
        out += line;
    };
    row("Frame", "Start", "Client", "Calling-Station-Id", "User-Name", "Method", "Rounds",
        "Duration", "Outcome", "Reason");
    std::map<std::string, std::size_t> outcomes, reasons;
    LocalTimeText times;
    for (const auto& a : rows) {
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.6f", a.end - a.start);
        row(std::to_string(a.firstFrame).c_str(), std::string(times.text(a.start)), a.client.text(),
            orDash(a.callingStationId), orDash(a.userName), methodText(a),
            std::to_string(a.rounds).c_str(), duration, a.outcome, zem::terminalSafe(a.reason));
        ++outcomes[a.outcome];
        if (!a.reason.empty())
            ++reasons[zem::terminalSafe(a.reason)];
    }
    out += rule + "\n";
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
