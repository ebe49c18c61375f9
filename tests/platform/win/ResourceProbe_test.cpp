// The leak probe itself: it must see a GDI object or a window that is left behind.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/support/ResourceProbe.h"
#include "tests/support/TestSupport.h"

using TestSupport::TResourceProbe;

TEST(ResourceProbe, SelfCheckPassesAndABrushLeftUndeletedIsSeen)
{
    TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    const int64_t Before = Probe.GdiObjects();
    HBRUSH Kept = CreateSolidBrush(RGB(7, 8, 9));
    ASSERT_NE(Kept, nullptr);
    EXPECT_EQ(Probe.GdiObjects(), Before + 1) << Probe.Report();
    DeleteObject(Kept);
    EXPECT_EQ(Probe.GdiObjects(), Before) << Probe.Report();
}

// Top-level windows and the windows below them count when this thread made them; a child that
// another thread put into one of them is that thread's.
TEST(ResourceProbe, WindowsLeftByTheThreadAreCounted)
{
    const int64_t Before = TResourceProbe::ThreadWindows();
    HINSTANCE Inst = GetModuleHandleA(nullptr);
    HWND Top = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, Inst, nullptr);
    HWND Child = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 20, 20, Top, nullptr, Inst, nullptr);
    HWND Inner = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, Child, nullptr, Inst, nullptr);
    ASSERT_TRUE(Top && Child && Inner);
    EXPECT_EQ(TResourceProbe::ThreadWindows(), Before + 3);

    // The child's creation and destruction notify its parent on this thread: served while waiting.
    std::atomic<int> Stage{0};
    std::thread Other([&] {
        HWND Foreign = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 5, 5, Top, nullptr, Inst, nullptr);
        Stage = Foreign ? 1 : -1;
        while (Stage == 1)
            Sleep(1);
        DestroyWindow(Foreign);
        Stage = 3;
    });
    TestSupport::PumpUntil([&] { return Stage != 0; }, 20000, "the other thread's child window");
    EXPECT_EQ(Stage.load(), 1);
    EXPECT_EQ(TResourceProbe::ThreadWindows(), Before + 3);
    if (Stage == 1)
        Stage = 2;
    TestSupport::PumpUntil([&] { return Stage != 2; }, 20000, "the other thread's end");
    Other.join();

    DestroyWindow(Top);
    EXPECT_EQ(TResourceProbe::ThreadWindows(), Before);
}
