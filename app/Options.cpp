#include "Options.hpp"

#include "FrameLayers.hpp"
#include "IPAddress.hpp"
#include "OutputForm.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <getopt.h>
#include <string_view>

namespace app {

namespace {

std::pair<std::string, std::string> splitSetting(std::string_view text) {
    // tshark writes -o key:value; we also take key=value.
    auto cut = text.find_first_of("=:");
    if (cut == std::string_view::npos || cut == 0)
        throw OptionError("-o wants KEY=VALUE, got \"" + std::string(text) + "\"");
    return {std::string(text.substr(0, cut)), std::string(text.substr(cut + 1))};
}

Options::DecodeAs parseDecodeAs(std::string_view text) {
    // udp.port==1700,RADIUS or tcp.port==2084,RADSEC
    auto bad = [&] {
        return OptionError("-d wants udp.port==PORT,RADIUS or tcp.port==PORT,RADIUS (RADSEC for "
                           "RADIUS over TLS or DTLS), got \"" +
                           std::string(text) + "\"");
    };
    auto dot = text.find(".port==");
    auto comma = text.find(',');
    if (dot == std::string_view::npos || comma == std::string_view::npos || comma < dot)
        throw bad();
    std::string transport(text.substr(0, dot));
    if (transport != "udp" && transport != "tcp")
        throw bad();
    std::string_view portText = text.substr(dot + 7, comma - dot - 7);
    unsigned port = 0;
    auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (ec != std::errc() || end != portText.data() + portText.size() || port == 0 || port > 65535)
        throw bad();
    std::string protocol(text.substr(comma + 1));
    for (auto& c : protocol)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (protocol != "RADIUS" && protocol != "RADSEC")
        throw bad();
    return {transport, static_cast<std::uint16_t>(port), protocol == "RADSEC"};
}

// -O radius,ip: the layers whose details are printed, as tshark's -O names them.
std::vector<std::string> parseDetailProtocols(std::string_view text) {
    const auto known = capture::layerProtocols();
    std::vector<std::string> protocols;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto comma = text.find(',', start);
        if (comma == std::string_view::npos)
            comma = text.size();
        std::string name(text.substr(start, comma - start));
        for (auto& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            std::string list;
            for (auto protocol : known)
                list.append(list.empty() ? "" : ", ").append(protocol);
            throw OptionError("-O: unknown protocol \"" + name + "\" (known: " + list + ")");
        }
        protocols.push_back(std::move(name));
        start = comma + 1;
    }
    return protocols;
}

std::uint64_t parseCount(std::string_view text) {
    std::uint64_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n == 0)
        throw OptionError("-c wants a positive count, got \"" + std::string(text) + "\"");
    return n;
}

// The number in "-b filesize:1000" or "-a packets:10": positive, whole, of at most `most`.
std::uint64_t conditionNumber(char option, std::string_view condition, std::string_view text,
                              std::uint64_t most) {
    std::uint64_t n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n == 0 || n > most)
        throw OptionError(std::string("-") + option + " " + std::string(condition) +
                          " wants a whole number from 1 to " + std::to_string(most) + ", got \"" +
                          std::string(text) + "\"");
    return n;
}

// "name:value" of -b and -a; an empty value without the colon.
std::pair<std::string_view, std::string_view> splitCondition(std::string_view text) {
    const auto colon = text.find(':');
    if (colon == std::string_view::npos)
        return {text, {}};
    return {text.substr(0, colon), text.substr(colon + 1)};
}

// -b filesize:KB | duration:SECONDS | files:N, as tshark takes them.
void parseRingCondition(Options& options, std::string_view text) {
    const auto [name, value] = splitCondition(text);
    if (name == "filesize")
        options.ringKilobytes = conditionNumber('b', name, value, 1ull << 40);
    else if (name == "duration")
        options.ringSeconds = static_cast<double>(conditionNumber('b', name, value, 1u << 30));
    else if (name == "files")
        options.ringFiles = conditionNumber('b', name, value, 100000);
    else
        throw OptionError("-b wants filesize:KB, duration:SECONDS or files:N, got \"" +
                          std::string(text) + "\"");
}

// -a duration:SECONDS | packets:N.
void parseStopCondition(Options& options, std::string_view text) {
    const auto [name, value] = splitCondition(text);
    if (name == "duration")
        options.stopSeconds = static_cast<double>(conditionNumber('a', name, value, 1u << 30));
    else if (name == "packets")
        options.stopPackets = conditionNumber('a', name, value, ~0ull >> 1);
    else
        throw OptionError("-a wants duration:SECONDS or packets:N, got \"" + std::string(text) +
                          "\"");
}

// -B: MiB of kernel buffer, as tshark takes it.
std::size_t parseBufferMiB(std::string_view text) {
    unsigned n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n == 0 || n > 2047)
        throw OptionError("-B wants MiB of capture buffer from 1 to 2047, got \"" +
                          std::string(text) + "\"");
    return std::size_t{n} << 20;
}

OutputFormat parseOutputForm(std::string_view name) {
    if (const auto* form = outputFormNamed(name))
        return form->format;
    std::string names;
    for (const auto& form : outputForms())
        names += (names.empty() ? "" : ", ") + std::string(form.name);
    throw OptionError("-T wants one of " + names + ", got \"" + std::string(name) + "\"");
}

void parseFieldSetting(Options& options, std::string_view setting) {
    if (setting.starts_with("header=")) {
        auto v = setting.substr(7);
        if (v != "y" && v != "n")
            throw OptionError("-E header wants y or n");
        options.fieldHeader = v == "y";
    } else if (setting.starts_with("separator=")) {
        auto v = std::string(setting.substr(10));
        options.fieldSeparator = v == "/t" ? "\t" : v == "/s" ? " " : v;
        if (options.fieldSeparator.empty())
            throw OptionError("-E separator wants a character");
    } else if (setting.starts_with("occurrence=")) {
        const auto v = setting.substr(11);
        std::size_t index = 0;
        auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), index);
        if (v != "f" && v != "l" && v != "a" &&
            (ec != std::errc() || end != v.data() + v.size() || index == 0))
            throw OptionError("-E occurrence wants f, l, a or a number from 1");
        options.occurrence = std::string(v);
    } else if (setting.starts_with("aggregator=")) {
        const auto v = std::string(setting.substr(11));
        options.aggregator = v == "/s" ? " " : v == "/t" ? "\t" : v;
        if (options.aggregator.empty())
            throw OptionError("-E aggregator wants a character");
    } else if (setting.starts_with("quote=")) {
        const auto v = setting.substr(6);
        if (v != "d" && v != "s" && v != "n")
            throw OptionError("-E quote wants d, s or n");
        options.quote = v == "d"   ? std::optional<char>('"')
                        : v == "s" ? std::optional<char>('\'')
                                   : std::nullopt;
    } else {
        throw OptionError("-E wants header=y|n, separator=C, occurrence=f|l|a|N, "
                          "aggregator=C or quote=d|s|n, got \"" +
                          std::string(setting) + "\"");
    }
}

void parseStatistics(Options& options, std::string_view name) {
    if (const auto* report = analysis::reportNamed(name)) {
        options.statistics.push_back(report->kind);
        return;
    }
    std::string known;
    const auto reports = analysis::reportRows();
    for (std::size_t i = 0; i < reports.size(); ++i)
        known += (i == 0                    ? ""
                  : i + 1 == reports.size() ? " or "
                                            : ", ") +
                 std::string(reports[i].name);
    throw OptionError("-z: unknown statistics \"" + std::string(name) + "\" (try " + known + ")");
}

// What search engines take as an index name: lower case, no blank, quote or path
// character, not starting with "-", "_" or "+".
std::string parseIndexName(std::string_view name) {
    const bool valid = !name.empty() && name.size() <= 255 && name.find_first_of("-_+") != 0 &&
                       std::all_of(name.begin(), name.end(), [](char c) {
                           return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                                  c == '_' || c == '.' || c == '+';
                       });
    if (!valid || name == "." || name == "..")
        throw OptionError("--ek-index wants an index name of lower-case letters, digits, "
                          "\"-\", \"_\", \".\" or \"+\", got \"" +
                          std::string(name) + "\"");
    return std::string(name);
}

// --metrics [ADDRESS:]PORT, an IPv6 address in brackets: [::1]:9100.
Options::MetricsListener parseMetricsListener(std::string_view text) {
    const auto bad = [&] {
        return OptionError("--metrics wants [ADDRESS:]PORT, such as 9100, 0.0.0.0:9100 or "
                           "[::1]:9100, got \"" +
                           std::string(text) + "\"");
    };
    Options::MetricsListener listener;
    std::string_view port = text;
    if (const auto colon = text.rfind(':'); colon != std::string_view::npos) {
        auto address = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (address.starts_with('[') && address.ends_with(']'))
            address = address.substr(1, address.size() - 2);
        if (!zem::IPAddress::parse(address))
            throw bad();
        listener.address = std::string(address);
    }
    unsigned number = 0;
    auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (ec != std::errc() || end != port.data() + port.size() || number > 65535)
        throw bad();
    listener.port = static_cast<std::uint16_t>(number);
    return listener;
}

ColorMode parseColor(const char* value) {
    const std::string_view mode = value ? value : "always";
    if (mode == "auto")
        return ColorMode::automatic;
    if (mode == "always")
        return ColorMode::always;
    if (mode == "never")
        return ColorMode::never;
    throw OptionError("--color wants auto, always or never, got \"" + std::string(mode) + "\"");
}

enum class Section { input, output, checks, settings, general };

// One row per option: the parser and the usage text are both made from this table.
struct OptionRow {
    char shortName;       // 0: long only
    const char* longName; // nullptr: short only
    int argument;         // no_argument, required_argument, optional_argument
    const char* value;    // the value's name in the usage text
    const char* help;     // a line feed starts a continuation line
    Section section;
    void (*apply)(Options&, const char* value);
};

constexpr OptionRow optionRows[] = {
    {'r', nullptr, required_argument, "FILE",
     "read a pcap or pcapng file (\"-\" for standard input); plain\n"
     "arguments are files too, read in a row",
     Section::input, [](Options& o, const char* v) { o.inputFiles.emplace_back(v); }},
    {'i', nullptr, required_argument, "IFACE",
     "capture live on an interface, filtered to the claimed ports", Section::input,
     [](Options& o, const char* v) { o.interface = v; }},
    {'B', nullptr, required_argument, "MiB",
     "with -i: the kernel's capture buffer (default 32), room for\n"
     "bursts while the reader catches up",
     Section::input, [](Options& o, const char* v) { o.bufferBytes = parseBufferMiB(v); }},
    {'f', nullptr, required_argument, "BPF", "with -i: capture only what this filter passes too",
     Section::input, [](Options& o, const char* v) { o.captureFilter = v; }},
    {'D', nullptr, no_argument, nullptr, "list the interfaces that can be captured on",
     Section::input, [](Options& o, const char*) { o.listInterfaces = true; }},
    {0, "hex", required_argument, "HEX", "decode one RADIUS message given as hexadecimal",
     Section::input, [](Options& o, const char* v) { o.hex = v; }},
    {'c', nullptr, required_argument, "N", "stop after N RADIUS messages", Section::input,
     [](Options& o, const char* v) { o.count = parseCount(v); }},
    {'d', nullptr, required_argument, "udp.port==P,RADIUS",
     "claim a port for this run (also tcp.port==P; RADSEC for RADIUS\n"
     "over TLS on tcp, over DTLS on udp)",
     Section::input, [](Options& o, const char* v) { o.decodeAs.push_back(parseDecodeAs(v)); }},
    {0, "tls-keylog", required_argument, "FILE",
     "read RADIUS over TLS and DTLS with the secrets of a key log\n"
     "(what SSLKEYLOGFILE writes); a pcapng file's own secrets are\n"
     "used as well",
     Section::input, [](Options& o, const char* v) { o.tlsKeyLog = v; }},
    {0, "plugin-ports-only", no_argument, nullptr,
     "decode only the ports the plug-in claims (and -d's), not also\n"
     "CoA's UDP 3799 and 1700 as tshark does, and RADIUS over TLS\n"
     "and DTLS on 2083",
     Section::input, [](Options& o, const char*) { o.usualPorts = false; }},

    {'w', nullptr, required_argument, "FILE",
     "write the frames of the kept messages (-Y, --find, -c) to FILE:\n"
     "pcapng or pcap as its extension says, else as the input is",
     Section::output, [](Options& o, const char* v) { o.writeFile = v; }},
    {'b', nullptr, required_argument, "COND",
     "with -w: a new file past filesize:KB or duration:SECONDS, named\n"
     "PREFIX_00001_YYYYMMDDhhmmss.EXT; files:N keeps the newest N\n"
     "(repeatable)",
     Section::output, [](Options& o, const char* v) { parseRingCondition(o, v); }},
    {'a', nullptr, required_argument, "COND",
     "stop after duration:SECONDS or packets:N (repeatable)", Section::input,
     [](Options& o, const char* v) { parseStopCondition(o, v); }},
    {'V', nullptr, no_argument, nullptr,
     "print the packet-detail tree under each line: the frame, the\n"
     "layers that carried the message, then RADIUS",
     Section::output, [](Options& o, const char*) { o.verbose = true; }},
    {'O', nullptr, required_argument, "PROTOS",
     "print the details of these layers only, comma-separated: frame,\n"
     "eth, vlan, sll, null, raw, ip, ipv6, udp, tcp, tls, dtls or\n"
     "radius; implies -V. -O radius prints the RADIUS layers alone",
     Section::output,
     [](Options& o, const char* v) {
         o.detailProtocols = parseDetailProtocols(v);
         o.verbose = true;
     }},
    {'x', nullptr, no_argument, nullptr,
     "print the frame's octets as a hex dump too (the message's\n"
     "alone when -O leaves out every layer below RADIUS)",
     Section::output, [](Options& o, const char*) { o.hexDump = true; }},
    {'q', nullptr, no_argument, nullptr, "print no per-message lines (with -z)", Section::output,
     [](Options& o, const char*) { o.quiet = true; }},
    {'T', nullptr, required_argument, "FORM", "output form:", Section::output,
     [](Options& o, const char* v) { o.format = parseOutputForm(v); }},
    {0, "capture-host", required_argument, "NAME",
     "-T jsonl: the capture point's name in each row (default:\n"
     "this machine's host name)",
     Section::output, [](Options& o, const char* v) { o.captureHost = v; }},
    {0, "ek-index", required_argument, "NAME",
     "-T ek: the index each document goes to (default: radius-\n"
     "and the message's day, radius-2024-01-31)",
     Section::output, [](Options& o, const char* v) { o.ekIndex = parseIndexName(v); }},
    {'e', nullptr, required_argument, "FIELD",
     "a field for -T fields (repeatable): a property key, frame,\n"
     "time, epoch, src, dst, sport, dport, transport, a check field,\n"
     "or avp.NAME for any dictionary attribute (avp.User_Name,\n"
     "avp.Service_Type.name for a value's name); tshark's names work\n"
     "too (frame.number, ip.src, radius.code, radius.User_Name; see\n"
     "-G fields)",
     Section::output, [](Options& o, const char* v) { o.fields.emplace_back(v); }},
    {'E', nullptr, required_argument, "KEY=VALUE",
     "-T fields: header=y|n prints a header line; separator=C\n"
     "parts the fields (\"/t\" for a tab, \"/s\" for a blank);\n"
     "occurrence=f|l|a|N picks a repeated attribute's values,\n"
     "aggregator=C joins them (default: all, with \",\"); quote=d|s|n\n"
     "puts double, single or no quotes around each value",
     Section::output, [](Options& o, const char* v) { parseFieldSetting(o, v); }},
    {'Y', nullptr, required_argument, "EXPR",
     "keep messages that a predicate expression accepts, e.g.\n"
     "'radiusCodeResolved CONTAINS[c] \"accept\"'",
     Section::output, [](Options& o, const char* v) { o.displayFilter = v; }},
    {0, "find", required_argument, "\"NAME=VALUE\"",
     "keep messages that a registered find predicate accepts, e.g.\n"
     "\"RADIUS Code contains=Accept\"",
     Section::output, [](Options& o, const char* v) { o.find = v; }},
    {'z', nullptr, required_argument, "STATS", "print statistics when done:", Section::output,
     [](Options& o, const char* v) { parseStatistics(o, v); }},
    {0, "metrics", required_argument, "[ADDR:]PORT",
     "serve running totals for Prometheus at http://ADDR:PORT/metrics\n"
     "(ADDR 127.0.0.1 unless given; PORT 0 picks a free one); after\n"
     "the last file, serve on until interrupted",
     Section::output, [](Options& o, const char* v) { o.metrics = parseMetricsListener(v); }},
    {0, "color", optional_argument, "auto|always|never",
     "colour summary lines in the plug-in's packet colour\n"
     "(default: auto, on a terminal)",
     Section::output, [](Options& o, const char* v) { o.color = parseColor(v); }},

    {0, "secrets", required_argument, "FILE",
     "shared secrets per client: lines ADDRESS[/PREFIX] SECRET, or\n"
     "a FreeRADIUS clients.conf (repeatable)",
     Section::checks, [](Options& o, const char* v) { o.secretsFiles.emplace_back(v); }},
    {0, "secret", required_argument, "TEXT",
     "the shared secret of every client not in --secrets (others\n"
     "on this machine may see it in the process list: prefer\n"
     "RADIUS_ANALYZER_SECRET or --secrets)",
     Section::checks, [](Options& o, const char* v) { o.secret = v; }},
    {0, "no-checks", no_argument, nullptr, "print no RADIUS-Checks node with -V or in JSON",
     Section::checks, [](Options& o, const char*) { o.noChecks = true; }},

    {'n', nullptr, no_argument, nullptr,
     "resolve no names for this run (the plug-in's IP resolving off)", Section::settings,
     [](Options& o, const char*) {
         o.settingOverrides.emplace_back("com_quillfern_zem_radius_ip_resolve", "NO");
     }},
    {'o', nullptr, required_argument, "KEY=VALUE",
     "set a setting for this run only (also KEY:VALUE)", Section::settings,
     [](Options& o, const char* v) { o.settingOverrides.push_back(splitSetting(v)); }},
    {'G', nullptr, required_argument, "plugins|fields|prefs",
     "print what the plug-in registered, its fields, or settings", Section::settings,
     [](Options& o, const char* v) { o.glossary = v; }},
    {0, "dictionary", required_argument, "DIR|none",
     "RADIUS dictionaries in FreeRADIUS format (default:\n"
     "/usr/share/freeradius; also RADIUS_ANALYZER_DICTIONARY)",
     Section::settings, [](Options& o, const char* v) { o.dictionary = v; }},
    {0, "bundle", required_argument, "PATH", "the plug-in bundle to load", Section::settings,
     [](Options& o, const char* v) { o.bundlePath = v; }},
    {0, "defaults-file", required_argument, "PATH", "the settings file to use", Section::settings,
     [](Options& o, const char* v) { o.defaultsFile = v; }},

    {'h', "help", no_argument, nullptr, "print this help", Section::general,
     [](Options& o, const char*) { o.help = true; }},
    {'v', "version", no_argument, nullptr, "print the version", Section::general,
     [](Options& o, const char*) { o.version = true; }},
};

// getopt_long's code for a row: its letter, or a number above any letter for long-only rows.
int codeOf(std::size_t row) {
    return optionRows[row].shortName ? optionRows[row].shortName : 256 + static_cast<int>(row);
}

std::string optionName(const OptionRow& row) {
    return row.shortName ? std::string("-") + row.shortName : std::string("--") + row.longName;
}

// The commands that stand instead of a capture.
constexpr std::string_view commandWords[] = {"settings", "ports"};
constexpr const char* commandUsage[] = {"settings set KEY VALUE | settings reset",
                                        "ports set NAME PORTS [udp|tcp|udp/tcp] | ports reset"};

std::string optionsHead(const OptionRow& row) {
    std::string head;
    if (row.shortName)
        head += std::string("-") + row.shortName;
    if (row.shortName && row.longName)
        head += ", ";
    if (row.longName)
        head += std::string("--") + row.longName;
    const std::string value = row.value ? row.value : "";
    if (!value.empty())
        head += (row.argument == optional_argument ? "=" : " ") + value;
    return head;
}

} // namespace

std::string usageText() {
    constexpr std::size_t helpColumn = 25;
    std::string text = "Usage: radius-analyzer [options] [capture ...]\n"
                       "       radius-analyzer settings|ports ...\n"
                       "Decodes RADIUS messages with the RADIUSAnalyzer plug-in.\n";
    const std::pair<Section, const char*> sections[] = {{Section::input, "Input"},
                                                        {Section::output, "Output"},
                                                        {Section::checks, "Checks"},
                                                        {Section::settings, "Settings"},
                                                        {Section::general, nullptr}};
    for (const auto& [section, title] : sections) {
        text += title ? std::string("\n") + title + ":\n" : "\n";
        for (const auto& row : optionRows) {
            if (row.section != section)
                continue;
            std::string line = "  " + optionsHead(row);
            line += line.size() < helpColumn - 1 ? std::string(helpColumn - line.size(), ' ')
                                                 : "\n" + std::string(helpColumn, ' ');
            for (char c : std::string_view(row.help))
                line += c == '\n' ? "\n" + std::string(helpColumn, ' ') : std::string(1, c);
            if (row.shortName == 'T')
                for (const auto& form : outputForms()) {
                    line += ' ';
                    line += form.name;
                }
            if (row.shortName == 'z')
                for (const auto& report : analysis::reportRows())
                    line += "\n" + std::string(helpColumn + 2, ' ') + std::string(report.name) +
                            " (" + std::string(report.help) + ")";
            text += line + "\n";
        }
        if (section == Section::settings)
            for (const char* usage : commandUsage)
                text += std::string("  ") + usage + "\n";
    }
    return text;
}

bool asksStatistics(const Options& options, analysis::ReportKind report) {
    return std::find(options.statistics.begin(), options.statistics.end(), report) !=
           options.statistics.end();
}

Options parseOptions(int argc, char** argv) {
    Options options;
    // '-': arguments that are no options come back in order, so that a command word
    // ends the options; ':': a missing value is told apart from an unknown option.
    std::string shortOptions = "-:";
    std::vector<option> longOptions;
    for (std::size_t i = 0; i < std::size(optionRows); ++i) {
        const auto& row = optionRows[i];
        if (row.shortName) {
            shortOptions += row.shortName;
            shortOptions += row.argument == required_argument ? ":" : "";
        }
        if (row.longName)
            longOptions.push_back({row.longName, row.argument, nullptr, codeOf(i)});
    }
    longOptions.push_back({nullptr, 0, nullptr, 0});

    opterr = 0;
    optind = 0; // also resets getopt's state, so that a process may parse more than once
    int code;
    while ((code = getopt_long(argc, argv, shortOptions.c_str(), longOptions.data(), nullptr)) !=
           -1) {
        if (code == 1) { // an argument that is no option
            const std::string_view word = optarg;
            bool isCommand = false;
            for (auto command : commandWords)
                isCommand = isCommand || word == command;
            if (isCommand && options.inputFiles.empty()) {
                for (int i = optind - 1; i < argc; ++i)
                    options.command.emplace_back(argv[i]);
                break;
            }
            options.inputFiles.emplace_back(word);
            continue;
        }
        const std::string given = argv[optind - 1];
        if (code == '?' || code == ':') {
            std::string name;
            if (optopt > 0 && optopt < 256)
                name = std::string("-") + static_cast<char>(optopt);
            else if (optopt >= 256)
                name = optionName(optionRows[static_cast<std::size_t>(optopt - 256)]);
            else
                name = given.substr(0, given.find('='));
            throw OptionError(code == ':' ? "option " + name + " needs a value"
                                          : "unknown option " + name);
        }
        for (std::size_t i = 0; i < std::size(optionRows); ++i)
            if (codeOf(i) == code) {
                optionRows[i].apply(options, optarg);
                break;
            }
    }
    // After "--" every argument is a capture, whatever it looks like.
    if (options.command.empty())
        for (int i = optind; i < argc; ++i)
            options.inputFiles.emplace_back(argv[i]);
    if (options.format == OutputFormat::fields && options.fields.empty())
        throw OptionError("-T fields needs at least one -e FIELD");
    if (options.ringKilobytes || options.ringSeconds || options.ringFiles) {
        if (!options.writeFile || *options.writeFile == "-")
            throw OptionError("-b starts new files of -w; add -w PREFIX.pcapng");
        if (!options.ringKilobytes && !options.ringSeconds)
            throw OptionError("-b files:N keeps a ring of files; add -b filesize:KB or "
                              "-b duration:SECONDS to say when a file is full");
    }
    if (options.captureHost && options.format != OutputFormat::jsonl)
        throw OptionError("--capture-host names the capture point in -T jsonl; add -T jsonl");
    if (options.ekIndex && options.format != OutputFormat::ek)
        throw OptionError("--ek-index names the index of -T ek; add -T ek");
    return options;
}

bool showsDetailOf(const Options& options, std::string_view protocol) {
    if (!options.detailProtocols)
        return true;
    const auto& shown = *options.detailProtocols;
    return std::find(shown.begin(), shown.end(), protocol) != shown.end();
}

bool showsFrames(const Options& options) {
    if (options.quiet || options.format != OutputFormat::text || options.hex ||
        !(options.verbose || options.hexDump))
        return false;
    if (!options.detailProtocols)
        return true;
    const auto& shown = *options.detailProtocols;
    return std::any_of(shown.begin(), shown.end(),
                       [](const std::string& protocol) { return protocol != "radius"; });
}

} // namespace app
