// The main of the test programs that need no user-interface thread (the portable ones are built
// for the host too).
#include <gtest/gtest.h>

#include "tests/support/TestProgress.h"

int main(int argc, char** argv)
{
#ifdef _WIN32
    TestSupport::EndProgramOnCrash();
#endif
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new TestSupport::TTestProgress);
    return RUN_ALL_TESTS();
}
