// Mouse-leave tracking with the real cursor: through TrackMouseEvent, and through the 50 ms
// thread timer when the system lacks it.
#include <gtest/gtest.h>

#include <windows.h>

#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

int gLeaves = 0;

LRESULT CALLBACK CountLeaves(HWND W, UINT Msg, WPARAM WP, LPARAM LP)
{
    if (Msg == WM_MOUSELEAVE)
        ++gLeaves;
    return DefWindowProcA(W, Msg, WP, LP);
}

// A shown popup at (100, 100), 200 x 120, counting WM_MOUSELEAVE.
class MouseLeave : public testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        WNDCLASSA C{};
        C.lpfnWndProc = &CountLeaves;
        C.hInstance = GetModuleHandleA(nullptr);
        C.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        C.lpszClassName = "CbMouseLeaveTest";
        RegisterClassA(&C);
        FWindow = CreateWindowExA(WS_EX_TOOLWINDOW, "CbMouseLeaveTest", "", WS_POPUP | WS_VISIBLE, 100, 100, 200, 120,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(nullptr, FWindow);
        FSaved = cbUser32Entries();
        if (!GetParam())
            cbUser32Entries().TrackMouseEvent = nullptr;
        ASSERT_TRUE(TestSupport::BringToFront(FWindow));
        TestSupport::MoveTo(Point(200, 160));
        ASSERT_TRUE(TestSupport::WaitProcessed());
        gLeaves = 0;
    }
    void TearDown() override
    {
        StopTrackMouseLeave(FWindow);
        cbUser32Entries() = FSaved;
        DestroyWindow(FWindow);
    }

    HWND FWindow = nullptr;
    TcbUser32Entries FSaved;
};

} // namespace

TEST_P(MouseLeave, MovingOffTheWindowSendsOneLeave)
{
    StartTrackMouseLeave(FWindow);
    EXPECT_TRUE(IsTrackingMouseLeave(FWindow));
    StartTrackMouseLeave(FWindow); // tracked already
    TestSupport::MoveTo(Point(220, 170));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    // No event marks that a leave will not come: the wait spans two polls of the tracking timer.
    PumpFor(120);
    EXPECT_EQ(0, gLeaves) << "a move inside the window is no leave";
    TestSupport::MoveTo(Point(600, 600));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_TRUE(PumpUntil([] { return gLeaves > 0; }, 20000, "WM_MOUSELEAVE"));
    // With the tracking over nothing sends another leave; one may still wait in the queue.
    PumpUntil([this] { return !IsTrackingMouseLeave(FWindow); }, 5000, "the tracking ended");
    PumpPosted("the messages after the leave handled");
    EXPECT_EQ(1, gLeaves);
    EXPECT_FALSE(IsTrackingMouseLeave(FWindow));
}

TEST_P(MouseLeave, StoppingSendsTheLeaveAtOnce)
{
    StartTrackMouseLeave(FWindow);
    ASSERT_TRUE(IsTrackingMouseLeave(FWindow));
    StopTrackMouseLeave(FWindow);
    EXPECT_EQ(1, gLeaves);
    EXPECT_FALSE(IsTrackingMouseLeave(FWindow));
    StopTrackMouseLeave(FWindow); // not tracked: nothing
    PumpPosted("the messages of the stops handled");
    EXPECT_EQ(1, gLeaves);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutTrackMouseEvent, MouseLeave, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& I) { return I.param ? "TrackMouseEvent" : "Timer"; });
