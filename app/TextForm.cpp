// The summary line of each message: frame, relative time, endpoints, transport and the
// plug-in's summary; with -V the detail tree under it, with -x the octets.
#include "FrameLayers.hpp"
#include "HexDump.hpp"
#include "OutputForm.hpp"
#include "TextEscaping.hpp"
#include "TlsFrameSummary.hpp"
#include "TreePrinter.hpp"
#include "tls/TlsNode.hpp"

#include <charconv>
#include <cmath>

namespace app {

namespace {

// "%6llu %12.6f " without printf, which is a fair share of a summary line's cost.
void appendLineHead(std::string& out, std::uint64_t frame, double seconds) {
    char digits[32];
    auto [frameEnd, e1] = std::to_chars(digits, digits + sizeof digits, frame);
    auto frameLength = static_cast<std::size_t>(frameEnd - digits);
    if (frameLength < 6)
        out.append(6 - frameLength, ' ');
    out.append(digits, frameEnd);
    out.push_back(' ');
    const bool negative = seconds < 0;
    auto micros = static_cast<std::uint64_t>(std::llround(std::fabs(seconds) * 1e6));
    char number[40];
    auto [wholeEnd, e2] = std::to_chars(number, number + 24, micros / 1000000);
    std::string_view whole(number, static_cast<std::size_t>(wholeEnd - number));
    std::size_t width = whole.size() + 7 + (negative ? 1 : 0);
    if (width < 12)
        out.append(12 - width, ' ');
    if (negative)
        out.push_back('-');
    out.append(whole);
    out.push_back('.');
    auto fraction = micros % 1000000;
    char fractionDigits[6];
    for (int i = 5; i >= 0; --i) {
        fractionDigits[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    out.append(fractionDigits, 6);
    out.push_back(' ');
}

void appendEndpoint(std::string& out, const zem::IPAddress& address, std::uint16_t port) {
    if (address.family == 6)
        out.push_back('[');
    address.appendText(out);
    if (address.family == 6)
        out.push_back(']');
    out.push_back(':');
    char digits[8];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, port).ptr);
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
            if (frames_)
                for (const auto& layer : capture::frameLayers(origin, m.octets().size()))
                    if (showsDetailOf(options_, layer.protocol))
                        appendTree(out, *layer.node, 1);
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
        appendLineHead(out, origin.frame, origin.relativeTime);
        appendEndpoint(out, origin.source, origin.sourcePort);
        out += " \xE2\x86\x92 ";
        appendEndpoint(out, origin.destination, origin.destinationPort);
        out.push_back(' ');
        out += origin.transport;
        out.push_back(' ');
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
