// What the GUI tests share: one loaded plug-in for the whole test program, as the
// desktop host loads it once.
#pragma once

#include "GuiHost.hpp"
#include "SettingsViewWidget.hpp"

#include <QApplication>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>

namespace gui_testing {

inline gui::GuiHost& host() {
    static gui::GuiHost loaded(std::string(RADIUS_TEST_BUNDLE_DIR));
    return loaded;
}

/// Types `ports` into the ports field of the settings view's `row`, as a user would, and
/// presses Return.
inline void typePorts(gui::SettingsViewWidget& widget, int row, const QString& ports) {
    auto* field = widget.table()->cellWidget(row, 1)->findChild<QLineEdit*>("ports");
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, ports);
    QTest::keyClick(field, Qt::Key_Return);
    QApplication::processEvents();
}

} // namespace gui_testing
