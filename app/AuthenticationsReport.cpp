#include "AuthenticationsReport.hpp"

#include "JsonWriter.hpp"
#include "ReportCells.hpp"
#include "TextEscaping.hpp"

#include <charconv>
#include <cstdio>

namespace app {

namespace {

// Column widths: rows are written as they come, so the widths are fixed.
struct Column {
    std::string_view title;
    std::size_t width;
    bool left;
};
constexpr Column columns[] = {
    {"Frame", 8, false},        {"Start", 19, true},
    {"Client", 15, true},       {"Calling-Station-Id", 18, true},
    {"User-Name", 16, true},    {"Method", 26, true},
    {"Rounds", 6, false},       {"Duration", 10, false},
    {"Outcome", 13, true},      {"TLS", 7, true},
    {"Cipher Suite", 38, true},
};
constexpr std::string_view lastTitle = "Reason";

std::size_t tableWidth() {
    std::size_t width = lastTitle.size() + 14;
    for (const auto& column : columns)
        width += column.width + 1;
    return width;
}

void appendCell(std::string& out, std::string_view text, const Column& column) {
    app::appendCell(out, text, column.width, column.left);
}

// A text from the capture, made safe for a terminal in place (no copy made for it), or
// "-" for none; padded as appendCell pads.
void appendSafeCell(std::string& out, const std::string& text, const Column& column) {
    const auto start = out.size();
    if (text.empty())
        out += '-';
    else
        zem::appendTerminalSafe(out, text);
    const auto written = out.size() - start;
    out.append(column.width > written ? column.width - written : 0, ' ');
    out += ' ';
}

// The method and the refused ones are names of our own tables: nothing to make safe.
std::string methodText(const analysis::Authentication& a) {
    std::string text = a.method.empty() ? "-" : a.method;
    for (const auto& refused : a.nakedMethods) {
        text += " (refused ";
        text += refused;
        text += ')';
    }
    return text;
}

} // namespace

void AuthenticationsReport::add(const analysis::Authentication& row) {
    ++outcomes_[row.outcome];
    if (!row.reasonKind.empty())
        ++reasons_[row.reasonKind]; // made safe when the totals are printed
    if (!rows_.failed())
        rows_.add(json_ ? jsonRow(row) : textRow(row));
    ++count_;
}

std::string AuthenticationsReport::jsonRow(const analysis::Authentication& a) const {
    return jsonText(count_ > 0 ? ",\n" : "", [&](JsonWriter& json) {
        json.beginObject();
        json.key("firstFrame");
        json.number(a.firstFrame);
        json.key("start");
        json.seconds(a.start);
        json.key("client");
        json.address(a.client);
        for (const auto& [key, value] :
             {std::pair{"callingStationId", &a.callingStationId},
              std::pair{"userName", &a.userName}, std::pair{"method", &a.method}}) {
            json.key(key);
            json.string(*value);
        }
        json.key("nakedMethods");
        json.beginArray();
        for (const auto& refused : a.nakedMethods)
            json.string(refused);
        json.endArray();
        json.key("rounds");
        json.number(std::uint64_t{a.rounds});
        json.key("duration");
        json.seconds(a.end - a.start);
        for (const auto& [key, value] :
             {std::pair{"outcome", &a.outcome}, std::pair{"reason", &a.reason},
              std::pair{"tlsVersion", &a.tlsVersion},
              std::pair{"tlsCipherSuite", &a.tlsCipherSuite}}) {
            json.key(key);
            json.string(*value);
        }
        json.endObject();
    });
}

std::string AuthenticationsReport::textRow(const analysis::Authentication& a) {
    std::string line;
    line.reserve(256);
    char number[32];
    const auto numberText = [&number](auto value) {
        const auto end = std::to_chars(number, number + sizeof number, value).ptr;
        return std::string_view(number, static_cast<std::size_t>(end - number));
    };
    appendCell(line, numberText(a.firstFrame), columns[0]);
    appendCell(line, times_.text(a.start), columns[1]);
    appendCell(line, a.client.text(), columns[2]);
    appendSafeCell(line, a.callingStationId, columns[3]);
    appendSafeCell(line, a.userName, columns[4]);
    appendCell(line, methodText(a), columns[5]);
    appendCell(line, numberText(a.rounds), columns[6]);
    // to_chars rather than printf: a report may have millions of rows.
    const auto end =
        std::to_chars(number, number + sizeof number, a.end - a.start, std::chars_format::fixed, 6)
            .ptr;
    appendCell(line, std::string_view(number, static_cast<std::size_t>(end - number)), columns[7]);
    appendCell(line, a.outcome, columns[8]);
    appendSafeCell(line, a.tlsVersion, columns[9]);
    appendSafeCell(line, a.tlsCipherSuite, columns[10]);
    zem::appendTerminalSafe(line, a.reason);
    line += '\n';
    return line;
}

std::string AuthenticationsReport::finish(const std::function<void(std::string_view)>& write) {
    if (const auto& failure = rows_.flush(); !failure.empty())
        return failure;
    if (json_) {
        write("[\n");
        if (auto failure = rows_.readBack(write); !failure.empty())
            return failure;
        write(count_ > 0 ? "\n]\n" : "]\n");
        return {};
    }
    const std::string border(tableWidth(), '='), rule(tableWidth(), '-');
    std::string out =
        border + "\nRADIUS authentications (by State and station; duration in s)\n" + rule + "\n";
    for (const auto& column : columns)
        appendCell(out, column.title, column);
    out += lastTitle;
    out += '\n';
    write(out);
    if (auto failure = rows_.readBack(write); !failure.empty())
        return failure;
    out = rule + "\n";
    char line[256];
    std::snprintf(line, sizeof line, "%-58s %10llu\n", "Authentications",
                  static_cast<unsigned long long>(count_));
    out += line;
    for (const auto& [outcome, count] : outcomes_) {
        std::snprintf(line, sizeof line, "  %-56s %10llu\n", outcome.c_str(),
                      static_cast<unsigned long long>(count));
        out += line;
    }
    for (const auto& [reason, count] : reasons_) {
        std::snprintf(line, sizeof line, "  reason: %-48s %10llu\n",
                      zem::terminalSafe(reason).c_str(), static_cast<unsigned long long>(count));
        out += line;
    }
    out += border + "\n";
    write(out);
    return {};
}

} // namespace app
