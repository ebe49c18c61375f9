#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include <windows.h>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Screen.h"
#include "tests/support/TestSupport.h"

namespace {

class ScreenTest : public testing::Test {
protected:
    static void SetUpTestSuite() { ScreenInit(); }
    static void TearDownTestSuite() { ScreenDone(); }
};

POINT HotSpot(HCURSOR C)
{
    ICONINFO Info{};
    POINT P{-1, -1};
    if (GetIconInfo(C, &Info)) {
        P = POINT{static_cast<LONG>(Info.xHotspot), static_cast<LONG>(Info.yHotspot)};
        if (Info.hbmColor)
            DeleteObject(Info.hbmColor);
        if (Info.hbmMask)
            DeleteObject(Info.hbmMask);
    }
    return P;
}

bool Inside(const RECT& Inner, const RECT& Outer)
{
    return Inner.left >= Outer.left && Inner.top >= Outer.top && Inner.right <= Outer.right &&
           Inner.bottom <= Outer.bottom;
}

HCURSOR ModuleCursor(const char* Name)
{
    return LoadCursorA(GetModuleHandleA(nullptr), Name);
}

} // namespace

TEST_F(ScreenTest, StockCursorsAreTheSystemOnes)
{
    ASSERT_NE(nullptr, Screen);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_WAIT), Screen->GetCursors(crHourGlass));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), Screen->GetCursors(crDefault));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), Screen->GetCursors(crArrow));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_IBEAM), Screen->GetCursors(crIBeam));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_CROSS), Screen->GetCursors(crCross));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_SIZEALL), Screen->GetCursors(crSizeAll));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_SIZENWSE), Screen->GetCursors(crSizeNWSE));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_SIZENESW), Screen->GetCursors(crSizeNESW));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_SIZENS), Screen->GetCursors(crSizeNS));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_SIZEWE), Screen->GetCursors(crSizeWE));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_NO), Screen->GetCursors(crNo));
    EXPECT_EQ(LoadCursorA(nullptr, IDC_HAND), Screen->GetCursors(crHandPoint));
    EXPECT_EQ(nullptr, Screen->GetCursors(crNone));
    for (TCursor Id = crLowestStock; Id <= crDefault; ++Id) {
        if (Id != crNone) {
            EXPECT_NE(nullptr, Screen->GetCursors(Id)) << Id;
        }
    }
    // An id nobody registered gives the arrow.
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), Screen->GetCursors(4711));
}

TEST_F(ScreenTest, StockCursorsWithoutASystemCursorComeFromTheProgram)
{
    // The test program links resources/Cursors.rc.
    ASSERT_NE(nullptr, ModuleCursor("QMDRAGCURSOR"));
    EXPECT_EQ(ModuleCursor("QMDRAGCURSOR"), Screen->GetCursors(crDrag));
    EXPECT_EQ(ModuleCursor("QMNODROPCURSOR"), Screen->GetCursors(crNoDrop));
    EXPECT_EQ(ModuleCursor("QMHSPLITCURSOR"), Screen->GetCursors(crHSplit));
    EXPECT_EQ(ModuleCursor("QMVSPLITCURSOR"), Screen->GetCursors(crVSplit));
    const POINT Drag = HotSpot(Screen->GetCursors(crDrag));
    EXPECT_EQ(0, Drag.x);
    EXPECT_EQ(0, Drag.y);
    const POINT Split = HotSpot(Screen->GetCursors(crHSplit));
    EXPECT_EQ(16, Split.x);
    EXPECT_EQ(15, Split.y);
}

TEST_F(ScreenTest, CustomCursorsComeBackByTheirIds)
{
    HCURSOR Open = ModuleCursor("HANDOPENEDCURSOR");
    HCURSOR Closed = ModuleCursor("HANDCLOSEDCURSOR");
    ASSERT_NE(nullptr, Open);
    ASSERT_NE(nullptr, Closed);
    Screen->SetCursors(100, Open);
    Screen->SetCursors(101, Closed);
    EXPECT_EQ(Open, Screen->GetCursors(100));
    EXPECT_EQ(Closed, Screen->GetCursors(101));
    const POINT Hot = HotSpot(Screen->GetCursors(100));
    EXPECT_EQ(16, Hot.x);
    EXPECT_EQ(18, Hot.y);

    // The command bars' range of ids works the same way.
    HCURSOR Copy = CopyCursor(LoadCursorA(nullptr, IDC_CROSS));
    ASSERT_NE(nullptr, Copy);
    Screen->SetCursors(2113, Copy);
    EXPECT_EQ(Copy, Screen->GetCursors(2113));

    // Replacing an entry takes the new handle; removing it falls back on the arrow.
    HCURSOR Test = ModuleCursor("TESTCURSOR");
    ASSERT_NE(nullptr, Test);
    Screen->SetCursors(101, Test);
    EXPECT_EQ(Test, Screen->GetCursors(101));
    Screen->SetCursors(101, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), Screen->GetCursors(101));
    Screen->SetCursors(2113, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), Screen->GetCursors(2113));

    // A resource cursor handed over and dropped can still be loaded again.
    HCURSOR Again = ModuleCursor("HANDCLOSEDCURSOR");
    ASSERT_NE(nullptr, Again);
    const POINT HotAgain = HotSpot(Again);
    EXPECT_EQ(16, HotAgain.x);
    EXPECT_EQ(18, HotAgain.y);
}

TEST_F(ScreenTest, AStockEntryCanBeReplacedAndRestored)
{
    HCURSOR Mine = CopyCursor(ModuleCursor("TESTCURSOR"));
    ASSERT_NE(nullptr, Mine);
    Screen->SetCursors(crHourGlass, Mine);
    EXPECT_EQ(Mine, Screen->GetCursors(crHourGlass));
    Screen->SetCursors(crHourGlass, nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, IDC_WAIT), Screen->GetCursors(crHourGlass));
}

TEST_F(ScreenTest, TheGlobalCursorIsShownAndCleared)
{
    EXPECT_EQ(crDefault, Screen->GetCursor());
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(crHourGlass, Screen->GetCursor());
    EXPECT_EQ(LoadCursorA(nullptr, IDC_WAIT), GetCursor());
    Screen->SetCursor(crDefault);
    EXPECT_EQ(crDefault, Screen->GetCursor());
    EXPECT_NE(LoadCursorA(nullptr, IDC_WAIT), GetCursor());
}

TEST_F(ScreenTest, TheBusyCursorGivesBackTheCursorShownBefore)
{
    Screen->SetCursor(crCross);
    {
        TBusyCursor Busy;
        EXPECT_EQ(crHourGlass, Screen->GetCursor());
        EXPECT_EQ(LoadCursorA(nullptr, IDC_WAIT), GetCursor());
    }
    EXPECT_EQ(crCross, Screen->GetCursor());
    EXPECT_EQ(LoadCursorA(nullptr, IDC_CROSS), GetCursor());
    Screen->SetCursor(crDefault);
}

TEST_F(ScreenTest, NestedBusyCursorsKeepTheHourglassUntilTheOutermostEnds)
{
    ASSERT_EQ(crDefault, Screen->GetCursor());
    {
        TBusyCursor Outer;
        try {
            TBusyCursor Inner;
            throw EInvalidOperation("work failed");
        } catch (const EInvalidOperation&) {
        }
        // The inner one ended by an exception; the outer one still shows the hourglass.
        EXPECT_EQ(crHourGlass, Screen->GetCursor());
        EXPECT_EQ(LoadCursorA(nullptr, IDC_WAIT), GetCursor());
    }
    EXPECT_EQ(crDefault, Screen->GetCursor());
    EXPECT_NE(LoadCursorA(nullptr, IDC_WAIT), GetCursor());
}

TEST_F(ScreenTest, ResolutionSizesAndWorkAreas)
{
    HDC DC = GetDC(nullptr);
    const int Dpi = GetDeviceCaps(DC, LOGPIXELSY);
    ReleaseDC(nullptr, DC);
    EXPECT_EQ(Dpi, Screen->GetPixelsPerInch());
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), Screen->GetWidth());
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), Screen->GetHeight());
    EXPECT_GT(Screen->GetWidth(), 0);

    const RECT Desktop = Screen->GetDesktopRect();
    const RECT Primary{0, 0, Screen->GetWidth(), Screen->GetHeight()};
    EXPECT_TRUE(Inside(Primary, Desktop));
    const RECT Work = Screen->GetWorkAreaRect();
    EXPECT_LT(Work.left, Work.right);
    EXPECT_LT(Work.top, Work.bottom);
    EXPECT_TRUE(Inside(Work, Primary));

    const RECT AtCentre = Screen->GetMonitorWorkAreaAt(POINT{Screen->GetWidth() / 2, Screen->GetHeight() / 2});
    EXPECT_TRUE(Inside(AtCentre, Desktop));
    EXPECT_TRUE(EqualRect(&AtCentre, &Work)); // the primary monitor
    // A point off every monitor gives the nearest one's.
    const RECT Far = Screen->GetMonitorWorkAreaAt(POINT{-100000, -100000});
    EXPECT_LT(Far.left, Far.right);
    EXPECT_TRUE(Inside(Far, Desktop));
    EXPECT_GE(Screen->GetMonitorCount(), 1);
}

TEST_F(ScreenTest, FontsFollowTheSystemMetrics)
{
    NONCLIENTMETRICSA M{};
    M.cbSize = sizeof(M);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, M.cbSize, &M, 0)) {
        M.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
        ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, M.cbSize, &M, 0));
    }
    EXPECT_EQ(std::string(M.lfMenuFont.lfFaceName), Screen->GetMenuFont()->GetName());
    EXPECT_EQ(M.lfMenuFont.lfHeight, Screen->GetMenuFont()->GetHeight());
    EXPECT_EQ(std::string(M.lfStatusFont.lfFaceName), Screen->GetHintFont()->GetName());
    EXPECT_EQ(M.lfStatusFont.lfHeight, Screen->GetHintFont()->GetHeight());
    LOGFONTA Icon{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETICONTITLELOGFONT, sizeof(Icon), &Icon, 0));
    EXPECT_EQ(std::string(Icon.lfFaceName), Screen->GetIconFont()->GetName());
    EXPECT_EQ(Icon.lfHeight, Screen->GetIconFont()->GetHeight());
    // Usable for drawing: the font's own handle gives text a size.
    HDC DC = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Screen->GetMenuFont()->GetHandle());
    SIZE S{};
    GetTextExtentPoint32A(DC, "Menu", 4, &S);
    SelectObject(DC, Old);
    DeleteDC(DC);
    EXPECT_GT(S.cx, 0);
    EXPECT_GT(S.cy, 0);
}

TEST_F(ScreenTest, CursorsAreLookedUpWhileOthersRegister)
{
    std::atomic<bool> Stop{false};
    std::atomic<int> Bad{0};
    HCURSOR Arrow = LoadCursorA(nullptr, IDC_ARROW);
    HCURSOR Source = LoadCursorA(nullptr, IDC_CROSS);
    std::vector<std::thread> Readers;
    for (int I = 0; I < 4; ++I)
        Readers.emplace_back([&] {
            while (!Stop) {
                HCURSOR C = Screen->GetCursors(3000);
                if (C == nullptr)
                    ++Bad;
                if (Screen->GetCursors(crHourGlass) != LoadCursorA(nullptr, IDC_WAIT))
                    ++Bad;
            }
        });
    for (int I = 0; I < 300; ++I) {
        Screen->SetCursors(3000, CopyCursor(Source));
        Screen->SetCursors(3000, nullptr);
    }
    Stop = true;
    for (auto& T : Readers)
        T.join();
    EXPECT_EQ(0, Bad.load());
    EXPECT_EQ(Arrow, Screen->GetCursors(3000));
}
