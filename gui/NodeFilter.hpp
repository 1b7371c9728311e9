// NodeFilter: the field and the filter a line of the detail tree stands for, for "Apply as
// Filter" and "Copy ▸ Field name": a line under an attribute's node ("AVP 1 - User-Name")
// is that attribute's field (avp.User_Name), compared with the line's value: a number
// when the value ends in one ("Framed (2)"), else the text. The attribute's own line
// tests that the attribute is there.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace gui {

struct NodeFilter {
    QString field;      // "avp.User_Name"
    QString expression; // avp.User_Name == "ivan"
};

/// `titles`: the line's text and those of its parents, the line first. Nothing for a line
/// no field stands for.
std::optional<NodeFilter> nodeFilter(const QStringList& titles);

/// The value part of a line ("ivan" of "User Name: ivan"), or the whole line.
QString nodeValue(const QString& line);

} // namespace gui
