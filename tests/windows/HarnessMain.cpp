// The Windows test program: the GoogleTest suites, or one job of a test
// when started as a job process by the harness.
#include <gtest/gtest.h>

#include "WindowsHarness.h"

int main(int argc, char** argv) {
    if (aro::wtest::IsJobCommandLine(argc, argv)) return aro::wtest::RunJobProcess(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
