// The summary line of each message: frame, relative time, endpoints, transport and the
// plug-in's summary; with -V the detail tree under it, with -x the octets.
#include "FrameLayers.hpp"
#include "HexDump.hpp"
#include "LayerLines.hpp"
#include "OutputForm.hpp"
#include "TextEscaping.hpp"
#include "TlsFrameSummary.hpp"
#include "TreePrinter.hpp"
#include "tls/TlsNode.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace app {

namespace {

// "%6llu %12.6f " without printf, which is a fair share of a summary line's cost.
// The line's head is written into a buffer and appended once: appended piece by piece,
// it cost more than all else on a summary line.
constexpr std::size_t lineHeadRoom = 64;
constexpr std::size_t endpointRoom = zem::IPAddress::textRoom + 8;
constexpr std::size_t transportRoom = zem::longestTransportName;
constexpr std::string_view digitPairs = "00010203040506070809101112131415161718192021222324"
                                        "25262728293031323334353637383940414243444546474849"
                                        "50515253545556575859606162636465666768697071727374"
                                        "75767778798081828384858687888990919293949596979899";

// Padding as one 16-octet store, where a fill of the exact length started a string
// instruction that cost more than the rest of the line's head. `out` has room for it.
char* padTo(char* out, std::size_t length, std::size_t width) {
    constexpr std::string_view spaces = "                "; // more than any width here
    std::memcpy(out, spaces.data(), spaces.size());
    return out + (length < width ? width - length : 0);
}

// The number of decimal digits of `value`, known before they are written: digits written
// aside and copied in place were read back before their stores had settled.
std::size_t decimalLength(std::uint64_t value) {
    std::size_t length = 1;
    for (std::uint64_t bound = 10; length < 20 && value >= bound; bound *= 10)
        ++length;
    return length;
}

char* writeLineHead(char* out, std::uint64_t frame, double seconds) {
    out = padTo(out, decimalLength(frame), 6);
    out = std::to_chars(out, out + 20, frame).ptr;
    *out++ = ' ';
    const bool negative = seconds < 0;
    const auto micros = static_cast<std::uint64_t>(std::llround(std::fabs(seconds) * 1e6));
    const std::uint64_t whole = micros / 1000000;
    out = padTo(out, decimalLength(whole) + 7 + (negative ? 1 : 0), 12);
    if (negative)
        *out++ = '-';
    out = std::to_chars(out, out + 20, whole).ptr;
    *out++ = '.';
    // The microseconds two digits at a time, from a table: three steps, not six divisions.
    const auto fraction = static_cast<unsigned>(micros % 1000000);
    for (const unsigned pair : {fraction / 10000, fraction / 100 % 100, fraction % 100}) {
        std::memcpy(out, digitPairs.data() + 2 * pair, 2);
        out += 2;
    }
    *out++ = ' ';
    return out;
}

char* writeEndpoint(char* out, const zem::IPAddress& address, std::uint16_t port) {
    if (address.family == 6)
        *out++ = '[';
    out = address.writeText(out);
    if (address.family == 6)
        *out++ = ']';
    *out++ = ':';
    return std::to_chars(out, out + 5, port).ptr;
}

class TextForm final : public OutputForm {
public:
    TextForm(const Options& options, std::string lineColor, const analysis::CheckDisplay* checks,
             const analysis::RadiusDictionary* dictionary)
        : options_(options), tree_(options.verbose), octets_(options.hexDump),
          frames_(showsFrames(options)), radius_(showsDetailOf(options, "radius")),
          lineColor_(std::move(lineColor)), checks_(checks), dictionary_(dictionary) {}

    void write(std::string& out, const DecodedMessage& m) const override {
        const auto& origin = m.origin();
        out += lineColor_;
        appendOrigin(out, origin);
        zem::appendTerminalSafe(out, m.analyzer().protocolInfo(m.octets()).value_or(""));
        if (!lineColor_.empty())
            out += "\x1b[0m";
        out.push_back('\n');
        const auto& frame = origin.carrying;
        if (tree_) {
            if (frames_) {
                LayerLines lines(out, options_);
                capture::walkFrameLayers(origin, m.octets().size(), lines);
            }
            if (radius_)
                appendMessageTree(out, analysis::messageTree(m, dictionary_, checks_), 1);
        }
        if (octets_)
            appendHexDump(out, frames_ && !frame.empty() ? frame.captured() : m.octets());
        if (tree_ || octets_)
            out.push_back('\n');
    }

    // A TLS frame's line is not the plug-in's: it takes no colour of the plug-in's.
    void writeTlsFrame(std::string& out, const zem::MessageOrigin& origin,
                       const TlsFrameRecords& records) const override {
        const auto events = records.events();
        const auto clearRecords = records.clearRecords();
        appendOrigin(out, origin);
        out += capture::tlsFrameInfo(events);
        out.push_back('\n');
        if (tree_ && frames_) {
            auto layers = capture::frameLayers(origin, std::nullopt);
            for (auto& layer : layers) {
                if (layer.protocol == "tls" || layer.protocol == "dtls") {
                    capture::addTlsRecordEvents(*layer.node, events);
                    // What the records sent in clear say: versions, suites, the server's
                    // name, certificates, alerts; as for TLS inside EAP.
                    if (clearRecords.size() > 0)
                        layer.node->addChild(
                            analysis::tlsNode(analysis::readTlsFlight(clearRecords)));
                }
                if (showsDetailOf(options_, layer.protocol))
                    appendTree(out, *layer.node, 1);
            }
        }
        if (octets_ && frames_ && !origin.carrying.empty())
            appendHexDump(out, origin.carrying.captured());
        if ((tree_ || octets_) && frames_)
            out.push_back('\n');
    }

private:
    // "frame time source → destination transport ", what every line starts with.
    static void appendOrigin(std::string& out, const zem::MessageOrigin& origin) {
        char head[lineHeadRoom + 2 * endpointRoom + transportRoom + 8];
        char* at = writeLineHead(head, origin.frame, origin.relativeTime);
        at = writeEndpoint(at, origin.source, origin.sourcePort);
        at = std::copy_n(" \xE2\x86\x92 ", 5, at);
        at = writeEndpoint(at, origin.destination, origin.destinationPort);
        *at++ = ' ';
        // Four octets moved at once, the name's length kept.
        const auto transport = zem::transportName(origin.transport);
        std::memcpy(at, transport.data(), zem::longestTransportName);
        at += transport.size();
        *at++ = ' ';
        out.append(head, at);
    }

    const Options& options_;
    bool tree_, octets_;
    bool frames_; // the layers below RADIUS and the frame's octets
    bool radius_; // the plug-in's nodes and what the host adds
    std::string lineColor_;
    const analysis::CheckDisplay* checks_; // nullptr: no checks node
    const analysis::RadiusDictionary* dictionary_;
};

} // namespace

std::unique_ptr<OutputForm> makeTextForm(const OutputFormContext& context) {
    return std::make_unique<TextForm>(context.options, context.lineColor,
                                      context.options.noChecks ? nullptr
                                                               : &context.fields.checkDisplay(),
                                      context.fields.dictionary());
}

} // namespace app
