// The system's monospaced font at a size in points: every text of the settings view is
// set in it.
#pragma once

#include <QFont>
#include <QFontDatabase>

namespace gui {

inline QFont monospacedFont(int points) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(points);
    return font;
}

} // namespace gui
