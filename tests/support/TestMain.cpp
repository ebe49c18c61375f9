// The main of every Windows test program: the gtest thread is the user-interface thread.
#include <gtest/gtest.h>

#include "platform/win/Application.h"
#include "tests/support/TestProgress.h"
#include "tests/support/TestSupport.h"

namespace {

// A test that leaves a visible top-level window of the thread behind fails, and the window goes
// so the next test starts clean.
class TWindowLeftCheck : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override
    {
        for (HWND W : TestSupport::VisibleThreadWindows()) {
            char Caption[256] = {};
            GetWindowTextA(W, Caption, sizeof(Caption));
            char Class[256] = {};
            GetClassNameA(W, Class, sizeof(Class));
            ADD_FAILURE() << "The test left a visible window: '" << Caption << "' of class " << Class;
            DestroyWindow(W);
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    TestSupport::EndProgramOnCrash();
    testing::InitGoogleTest(&argc, argv);
    ApplicationInit();
    Application->OnException = TestSupport::FailOnException;
    // The cursor starts parked in the screen's bottom-right corner, away from the windows the
    // tests make: where an earlier program left it, a new window could open under it and take
    // hover states and hints a test does not expect.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    testing::UnitTest::GetInstance()->listeners().Append(new TWindowLeftCheck);
    testing::UnitTest::GetInstance()->listeners().Append(new TestSupport::TTestProgress);
    const int Result = RUN_ALL_TESTS();
    ApplicationDone();
    return Result;
}
