// The main of the test programs that need no user-interface thread (the portable ones are built
// for the host too).
#include <gtest/gtest.h>

#include "tests/support/TestProgress.h"

#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv)
{
#ifdef _WIN32
    // A crash ends the program with its code instead of waiting in a system dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
#endif
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new TestSupport::TTestProgress);
    return RUN_ALL_TESTS();
}
