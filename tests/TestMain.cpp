// The test programs' main: the standard store goes to a temporary file, and code linked
// straight into the test program reads its strings from the build's bundle.
#include "TestSupport.hpp"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    testing_support::prepareTestProcess();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
