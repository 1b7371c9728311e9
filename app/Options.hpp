// The command line of radius-analyzer, in the manner of tshark.
#pragma once

#include "reports/ReportKind.hpp"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace app {

enum class OutputFormat { text, fields, json, ek, jsonl };
enum class ColorMode { automatic, always, never };

struct Options {
    // What to decode.
    std::optional<std::string> hex;
    std::vector<std::string> inputFiles;
    std::optional<std::string> interface;
    std::optional<std::size_t> bufferBytes;   // -B
    std::optional<std::string> captureFilter; // BPF, with -i
    bool listInterfaces = false;
    std::optional<std::uint64_t> count;
    struct DecodeAs {
        std::string transport; // "udp" or "tcp"
        std::uint16_t port;
        bool overTls; // RADSEC: RADIUS over TLS (tcp) or DTLS (udp)
    };
    std::vector<DecodeAs> decodeAs;
    bool usualPorts = true;               // CoA's 3799 and 1700 as well as the plug-in's ports
    std::optional<std::string> writeFile; // -w: the kept messages' frames
    // -b: start a new -w file past a size (kB of 1,000 octets) or a span of capture time,
    // keeping the newest N.
    std::optional<std::uint64_t> ringKilobytes;
    std::optional<double> ringSeconds;
    std::optional<std::size_t> ringFiles;
    // -a: end the run after a time (of the live capture's clock, or a file's capture time)
    // or a number of packets read.
    std::optional<double> stopSeconds;
    std::optional<std::uint64_t> stopPackets;

    // How to print it.
    bool verbose = false;
    bool hexDump = false;
    // -O: the layers whose details -V prints (capture::layerProtocols()); every one when
    // not given.
    std::optional<std::vector<std::string>> detailProtocols;
    bool quiet = false;
    OutputFormat format = OutputFormat::text;
    std::vector<std::string> fields;
    bool fieldHeader = false;
    std::string fieldSeparator = "\t";
    std::string occurrence = "a";           // -E occurrence: f, l, a or a number
    std::string aggregator = ",";           // -E aggregator
    std::optional<char> quote;              // -E quote=d|s: around each field with a value
    std::optional<std::string> captureHost; // -T jsonl: the capture point named in each row
    std::optional<std::string> ekIndex;     // -T ek: the index named in each action line
    std::optional<std::string> displayFilter;
    std::optional<std::string> find;
    std::vector<analysis::ReportKind> statistics; // -z, in the order given
    struct MetricsListener {
        std::string address = "127.0.0.1";
        std::uint16_t port = 0; // 0: any free port
    };
    std::optional<MetricsListener> metrics; // --metrics: served while the run lasts
    ColorMode color = ColorMode::automatic;

    // Shared secrets and the checks they allow.
    std::optional<std::string> secret; // every client's
    std::vector<std::string> secretsFiles;
    std::optional<std::string> tlsKeyLog; // --tls-keylog: secrets to read RADIUS over TLS
    bool noChecks = false;

    // Settings and environment.
    std::vector<std::pair<std::string, std::string>> settingOverrides;
    std::optional<std::string> bundlePath;
    std::optional<std::string> defaultsFile;
    std::optional<std::string> glossary;
    std::optional<std::string> dictionary; // a path, or "none"
    std::vector<std::string> command;      // "settings ..." or "ports ..."

    bool help = false;
    bool version = false;
};

class OptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Whether -z asked for `report`.
bool asksStatistics(const Options& options, analysis::ReportKind report);

/// Parses argv; throws OptionError with a one-line message.
Options parseOptions(int argc, char** argv);
std::string usageText();

/// Whether -V shows the layer named `protocol` (a capture::FrameLayer's, or "radius").
bool showsDetailOf(const Options& options, std::string_view protocol);
/// Whether the text form shows anything of the frames below RADIUS (-V's layers, -x's
/// frame octets): only then does the reader keep each message's frame.
bool showsFrames(const Options& options);

} // namespace app
