// The GUI tests' main: the usual test process, on Qt's offscreen platform.
#include "TestSupport.hpp"

#include <QApplication>
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
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
