// The GUI tests' main: the usual test process, on Qt's offscreen platform.
#include "TestSupport.hpp"

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing_support::prepareTestProcess();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static testing_support::TemporaryFolder runtime; // Qt wants one, private to the user
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 0);
    QApplication application(argc, argv);
    // Recent files and the like go to a folder of their own, not the user's settings.
    QStandardPaths::setTestModeEnabled(true);
    // ctest runs each test in a process of its own, several at once: one that arranges the
    // packet list's columns must not hand them to another that expects the usual ones.
    static testing_support::TemporaryFolder settings;
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(settings.path()));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
