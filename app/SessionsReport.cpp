#include "SessionsReport.hpp"

#include "JsonWriter.hpp"
#include "ReportCells.hpp"
#include "TextEscaping.hpp"

#include <charconv>
#include <cstdio>

namespace app {

namespace {

// The heading's line, as wide as a row with the shortest state: the rules span it.
std::string headingLine() {
    char header[512];
    std::snprintf(header, sizeof header,
                  "%-24s %-15s %-20s %-15s %-19s %-19s %-19s %9s %14s %14s %9s %9s %8s %-20s "
                  "%s\n",
                  "Session", "NAS", "User", "Framed-IP", "Start", "Last update", "Stop", "Seconds",
                  "Octets in", "Octets out", "Pkts in", "Pkts out", "Interims", "Terminate cause",
                  "State");
    return header;
}

std::string ruleOf(char drawn, std::string_view heading) {
    return std::string(heading.size() - 1, drawn) + "\n";
}

template <typename T>
void appendNumber(std::string& out, const std::optional<T>& value, std::size_t width) {
    if (!value) {
        appendCell(out, "-", width, false);
        return;
    }
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, *value).ptr;
    appendCell(out, std::string_view(digits, static_cast<std::size_t>(end - digits)), width, false);
}

std::string cell(std::string_view text) {
    return text.empty() ? "-" : zem::terminalSafe(text);
}

} // namespace

SessionsReport::SessionsReport(bool json, const analysis::RadiusDictionary* dictionary)
    : json_(json), dictionary_(dictionary),
      sessions_([this](const analysis::SessionRow& session) { ended(session); }) {
    if (dictionary_)
        terminateCause_ = dictionary_->named("Acct-Terminate-Cause");
}

void SessionsReport::ended(const analysis::SessionRow& session) {
    if (ended_.failed())
        return;
    ended_.add(row(session));
    ++endedCount_;
}

std::string SessionsReport::row(const analysis::SessionRow& s) {
    std::string cause = "-";
    if (s.terminateCause) {
        const auto* name =
            terminateCause_ ? terminateCause_->valueName(*s.terminateCause) : nullptr;
        cause = name ? *name : std::to_string(*s.terminateCause);
    }
    const std::string nas = s.nas.empty() ? s.nasSource.text() : s.nas;
    return json_ ? jsonRow(s, nas, cause) : textRow(s, nas, cause);
}

std::string SessionsReport::jsonRow(const analysis::SessionRow& s, const std::string& nas,
                                    const std::string& cause) const {
    return jsonText(endedCount_ > 0 ? ",\n" : "", [&](JsonWriter& json) {
        json.beginObject();
        json.key("session_id");
        json.string(s.sessionId);
        json.key("nas");
        json.string(nas);
        json.key("user");
        json.string(s.user);
        json.key("framed_ip");
        if (s.framedAddress)
            json.string(s.framedAddress->text());
        else
            json.null();
        for (const auto& [key, value] :
             {std::pair{"start", s.start}, std::pair{"last_update", std::optional(s.lastUpdate)},
              std::pair{"stop", s.stop}}) {
            json.key(key);
            if (value)
                json.seconds(*value);
            else
                json.null();
        }
        json.key("duration");
        json.seconds(s.duration());
        for (const auto& [key, value] :
             {std::pair{"input_octets", s.inputOctets}, std::pair{"output_octets", s.outputOctets},
              std::pair{"input_packets", s.inputPackets
                                             ? std::optional<std::uint64_t>(*s.inputPackets)
                                             : std::nullopt},
              std::pair{"output_packets", s.outputPackets
                                              ? std::optional<std::uint64_t>(*s.outputPackets)
                                              : std::nullopt}}) {
            json.key(key);
            if (value)
                json.number(*value);
            else
                json.null();
        }
        json.key("interim_updates");
        json.number(std::uint64_t{s.interimUpdates});
        json.key("terminate_cause");
        if (s.terminateCause)
            json.string(cause);
        else
            json.null();
        json.key("state");
        json.string(analysis::sessionEndText(s.end));
        json.endObject();
    });
}

std::string SessionsReport::textRow(const analysis::SessionRow& s, const std::string& nas,
                                    const std::string& cause) {
    std::string line;
    line.reserve(256);
    appendCell(line, cell(s.sessionId), 24);
    appendCell(line, cell(nas), 15);
    appendCell(line, cell(s.user), 20);
    appendCell(line, s.framedAddress ? s.framedAddress->text() : "-", 15);
    for (const auto& time : {s.start, std::optional(s.lastUpdate), s.stop})
        appendCell(line, times_.text(time), 19);
    char seconds[32];
    const auto end =
        std::to_chars(seconds, seconds + sizeof seconds, s.duration(), std::chars_format::fixed, 0)
            .ptr;
    appendCell(line, std::string_view(seconds, static_cast<std::size_t>(end - seconds)), 9, false);
    appendNumber(line, s.inputOctets, 14);
    appendNumber(line, s.outputOctets, 14);
    appendNumber(line, s.inputPackets, 9);
    appendNumber(line, s.outputPackets, 9);
    appendNumber(line, std::optional(s.interimUpdates), 8);
    appendCell(line, zem::terminalSafe(cause), 20);
    line += analysis::sessionEndText(s.end);
    line += '\n';
    return line;
}

std::string SessionsReport::finish(const std::function<void(std::string_view)>& write) {
    if (const auto& failure = ended_.flush(); !failure.empty())
        return failure;
    std::string out;
    const std::string heading = headingLine();
    const std::string border = ruleOf('=', heading), rule = ruleOf('-', heading);
    if (json_) {
        out += "[\n";
    } else {
        out += border;
        out += "RADIUS accounting sessions\n";
        out += rule;
        out += heading;
    }
    write(out);
    out.clear();
    if (auto failure = ended_.readBack(write); !failure.empty())
        return failure;
    const auto open = sessions_.openSessions();
    for (const auto& session : open) {
        out += row(session);
        ++endedCount_;
    }
    if (json_) {
        out += endedCount_ > 0 ? "\n]\n" : "]\n";
        write(out);
        return {};
    }
    out += rule;
    char totals[256];
    std::snprintf(totals, sizeof totals, "Sessions: %llu, ended %llu, open at the end %zu\n",
                  static_cast<unsigned long long>(sessions_.sessions()),
                  static_cast<unsigned long long>(endedCount_ - open.size()), open.size());
    out += totals;
    out += border;
    write(out);
    return {};
}

} // namespace app
