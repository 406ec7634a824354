// The kernel tests' main: the usual run, then one summary line that
// tools/kernel-test.sh reads from the VM's console.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // A keyboard process that has ended must fail a command, not end the tests.
    std::signal(SIGPIPE, SIG_IGN);
    const int result = RUN_ALL_TESTS();
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    std::printf("kernel-tests: %d passed, %d failed, %d skipped\n", run.successful_test_count(),
                run.failed_test_count(), run.skipped_test_count());
    std::fflush(stdout);
    return result;
}
