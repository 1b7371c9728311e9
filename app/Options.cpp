#include "Options.hpp"

#include <charconv>
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

std::pair<std::string, std::uint16_t> parseDecodeAs(std::string_view text) {
    // udp.port==1700,RADIUS
    auto bad = [&] {
        return OptionError("-d wants udp.port==PORT,RADIUS or tcp.port==PORT,RADIUS, got \"" +
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
    return {transport, static_cast<std::uint16_t>(port)};
}

} // namespace

std::string usageText() {
    return R"(Usage: radius-analyzer [options] [capture ...]
Decodes RADIUS messages with the RADIUSAnalyzer plug-in.

Input:
  -r FILE                read a pcap or pcapng file ("-" for standard input); plain
                         arguments are files too, read in a row
  -i IFACE               capture live on an interface, filtered to the claimed ports
  -D                     list the interfaces that can be captured on
  --hex HEX              decode one RADIUS message given as hexadecimal
  -c N                   stop after N RADIUS messages
  -d udp.port==P,RADIUS  claim a port for this run (also tcp.port==P)

Output:
  -V                     print the packet-detail tree under each line
  -x                     print the message octets as a hex dump too
  -q                     print no per-message lines (with -z)
  -T text|fields|json|ek output form
  -e FIELD               a field for -T fields (repeatable): a property key, or frame,
                         time, src, dst, sport, dport, transport
  -E header=y|n          -T fields: print a header line
  -E separator=C         -T fields: separator ("," or "/t" for tab)
  -Y EXPR                keep messages that a predicate expression accepts, e.g.
                         'radiusCodeResolved CONTAINS[c] "accept"'
  --find "NAME=VALUE"    keep messages that a registered find predicate accepts, e.g.
                         "RADIUS Code contains=Accept"
  -z radius,stats        print statistics when done
  --color=auto|always|never

Settings:
  -o KEY=VALUE           set a setting for this run only (also KEY:VALUE)
  -G plugins|fields|prefs  print what the plug-in registered, its fields, or settings
  settings set KEY VALUE | settings reset
  ports set NAME PORTS [udp|tcp|udp/tcp] | ports reset
  --bundle PATH          the plug-in bundle to load
  --defaults-file PATH   the settings file to use

  -h, --help             print this help
  -v, --version          print the version
)";
}

Options parseOptions(int argc, char** argv) {
    Options options;
    std::vector<std::string> args(argv + 1, argv + argc);
    std::size_t i = 0;
    auto valueOf = [&](const std::string& flag, std::string_view attached) -> std::string {
        if (!attached.empty())
            return std::string(attached);
        if (i + 1 >= args.size())
            throw OptionError("option " + flag + " needs a value");
        return args[++i];
    };
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!options.command.empty()) {
            options.command.push_back(arg);
            continue;
        }
        if (arg == "--") {
            for (++i; i < args.size(); ++i)
                options.inputFiles.push_back(args[i]);
            break;
        }
        if (arg.rfind("--", 0) == 0) {
            auto eq = arg.find('=');
            std::string name = arg.substr(0, eq);
            std::string_view attached =
                eq == std::string::npos ? std::string_view{} : std::string_view(arg).substr(eq + 1);
            if (name == "--help")
                options.help = true;
            else if (name == "--version")
                options.version = true;
            else if (name == "--hex")
                options.hex = valueOf(name, attached);
            else if (name == "--bundle")
                options.bundlePath = valueOf(name, attached);
            else if (name == "--defaults-file")
                options.defaultsFile = valueOf(name, attached);
            else if (name == "--find")
                options.find = valueOf(name, attached);
            else if (name == "--color") {
                std::string mode = attached.empty() ? "always" : std::string(attached);
                if (mode == "auto")
                    options.color = ColorMode::automatic;
                else if (mode == "always")
                    options.color = ColorMode::always;
                else if (mode == "never")
                    options.color = ColorMode::never;
                else
                    throw OptionError("--color wants auto, always or never, got \"" + mode + "\"");
            } else
                throw OptionError("unknown option " + name);
            continue;
        }
        if (arg.size() >= 2 && arg[0] == '-') {
            const char flag = arg[1];
            std::string_view attached = std::string_view(arg).substr(2);
            const std::string flagText = std::string("-") + flag;
            switch (flag) {
            case 'h':
                options.help = true;
                break;
            case 'v':
                options.version = true;
                break;
            case 'V':
                options.verbose = true;
                break;
            case 'x':
                options.hexDump = true;
                break;
            case 'q':
                options.quiet = true;
                break;
            case 'D':
                options.listInterfaces = true;
                break;
            case 'r':
                options.inputFiles.push_back(valueOf(flagText, attached));
                break;
            case 'i':
                options.interface = valueOf(flagText, attached);
                break;
            case 'o':
                options.settingOverrides.push_back(splitSetting(valueOf(flagText, attached)));
                break;
            case 'G':
                options.glossary = valueOf(flagText, attached);
                break;
            case 'e':
                options.fields.push_back(valueOf(flagText, attached));
                break;
            case 'Y':
                options.displayFilter = valueOf(flagText, attached);
                break;
            case 'z':
                options.statistics.push_back(valueOf(flagText, attached));
                break;
            case 'd':
                options.decodeAs.push_back(parseDecodeAs(valueOf(flagText, attached)));
                break;
            case 'c': {
                std::string text = valueOf(flagText, attached);
                std::uint64_t n = 0;
                auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
                if (ec != std::errc() || end != text.data() + text.size() || n == 0)
                    throw OptionError("-c wants a positive count, got \"" + text + "\"");
                options.count = n;
                break;
            }
            case 'T': {
                std::string form = valueOf(flagText, attached);
                if (form == "text")
                    options.format = OutputFormat::text;
                else if (form == "fields")
                    options.format = OutputFormat::fields;
                else if (form == "json")
                    options.format = OutputFormat::json;
                else if (form == "ek")
                    options.format = OutputFormat::ek;
                else
                    throw OptionError("-T wants text, fields, json or ek, got \"" + form + "\"");
                break;
            }
            case 'E': {
                std::string setting = valueOf(flagText, attached);
                if (setting.rfind("header=", 0) == 0) {
                    std::string v = setting.substr(7);
                    if (v != "y" && v != "n")
                        throw OptionError("-E header wants y or n");
                    options.fieldHeader = v == "y";
                } else if (setting.rfind("separator=", 0) == 0) {
                    std::string v = setting.substr(10);
                    options.fieldSeparator = v == "/t" ? "\t" : v == "/s" ? " " : v;
                    if (options.fieldSeparator.empty())
                        throw OptionError("-E separator wants a character");
                } else {
                    throw OptionError("-E wants header=y|n or separator=C, got \"" + setting +
                                      "\"");
                }
                break;
            }
            default:
                throw OptionError("unknown option " + arg);
            }
            continue;
        }
        if (options.inputFiles.empty() && (arg == "settings" || arg == "ports")) {
            options.command.push_back(arg);
            continue;
        }
        if (arg == "-") {
            options.inputFiles.push_back(arg);
            continue;
        }
        options.inputFiles.push_back(arg);
    }
    if (options.format == OutputFormat::fields && options.fields.empty())
        throw OptionError("-T fields needs at least one -e FIELD");
    return options;
}

} // namespace app
