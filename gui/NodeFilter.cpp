#include "NodeFilter.hpp"

#include <QRegularExpression>

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

} // namespace

QString nodeValue(const QString& line) {
    const auto colon = line.indexOf(": ");
    return colon < 0 ? line : line.mid(colon + 2);
}

std::optional<NodeFilter> nodeFilter(const QStringList& titles) {
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
