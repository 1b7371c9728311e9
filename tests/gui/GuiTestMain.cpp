// The GUI tests' main: the usual test process, on Qt's offscreen platform.
#include "TestSupport.hpp"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing_support::prepareTestProcess();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
