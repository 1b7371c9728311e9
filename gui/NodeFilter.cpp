#include "NodeFilter.hpp"

#include <QRegularExpression>
#include <array>

namespace gui {

namespace {

// "AVP 26 - Vendor-Specific" → "Vendor-Specific".
std::optional<QString> attributeName(const QString& title) {
    static const QRegularExpression avp("^AVP \\d+ - (.+)$");
    const auto match = avp.match(title);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1);
}

QString quoted(QString text) {
    text.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + text + '"';
}

// The lines of the layers below RADIUS that a field stands for, by tshark's names (which
// the filters take as aliases); a value that is an address or a number goes unquoted.
struct LayerLine {
    const char* layer; // how the layer's line starts
    const char* line;  // the line's title
    const char* field;
};
constexpr std::array<LayerLine, 9> layerLines{{
    {"Frame ", "Frame Number", "frame.number"},
    {"Internet Protocol Version 4,", "Source Address", "ip.src"},
    {"Internet Protocol Version 4,", "Destination Address", "ip.dst"},
    {"Internet Protocol Version 6,", "Source Address", "ipv6.src"},
    {"Internet Protocol Version 6,", "Destination Address", "ipv6.dst"},
    {"User Datagram Protocol,", "Source Port", "udp.srcport"},
    {"User Datagram Protocol,", "Destination Port", "udp.dstport"},
    {"Transmission Control Protocol,", "Source Port", "tcp.srcport"},
    {"Transmission Control Protocol,", "Destination Port", "tcp.dstport"},
}};

std::optional<NodeFilter> layerFilter(const QStringList& titles) {
    if (titles.size() != 2)
        return std::nullopt;
    for (const auto& row : layerLines)
        if (titles[1].startsWith(row.layer) && titles[0].startsWith(QString(row.line) + ": "))
            return NodeFilter{row.field, QString(row.field) + " == " + nodeValue(titles[0])};
    return std::nullopt;
}

} // namespace

QString nodeValue(const QString& line) {
    const auto colon = line.indexOf(": ");
    return colon < 0 ? line : line.mid(colon + 2);
}

std::optional<NodeFilter> nodeFilter(const QStringList& titles) {
    if (auto layer = layerFilter(titles))
        return layer;
    for (int i = 0; i < titles.size(); ++i) {
        const auto name = attributeName(titles[i]);
        if (!name)
            continue;
        NodeFilter filter;
        filter.field = "avp." + QString(*name).replace('-', '_');
        if (i == 0) {
            filter.expression = filter.field; // the attribute is there
            return filter;
        }
        // The value of a line just under the attribute (not a part's, nor the lines that
        // give its type and length).
        if (i != 1 || titles[0].startsWith("Attribute: ") || titles[0].startsWith("Length: "))
            return std::nullopt;
        const auto value = nodeValue(titles[0]);
        static const QRegularExpression number("\\((\\d+)\\)$");
        const auto numbered = number.match(value);
        filter.expression =
            filter.field + " == " + (numbered.hasMatch() ? numbered.captured(1) : quoted(value));
        return filter;
    }
    return std::nullopt;
}

} // namespace gui
