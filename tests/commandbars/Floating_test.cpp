// Floating toolbars driven by messages: the floating window's kind, place and size, its shadow, the non-client hit test, sizing by the edges, the work-area rule of its
// position, the opacity, the painter change and the floating visibility rule.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windowsx.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbShadow.h"
#include "tests/commandbars/support/FloatingFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/ResourceProbe.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::BrushColor;
using CommandBarsTest::TFloatingFixture;

namespace {

LRESULT HitTest(HWND W, POINT Screen)
{
    return SendMessageA(W, WM_NCHITTEST, 0, MAKELPARAM(Screen.x, Screen.y));
}

// The tops of the shown links' rects: one value per line.
std::vector<int32_t> LineTops(TcbBar* Bar)
{
    std::vector<int32_t> Tops;
    TcbBarItemLinks* Links = Bar->GetItemLinks();
    for (int32_t I = 0; I < Links->GetShownItemCount(); ++I)
        Tops.push_back(Links->GetShownItem(I)->GetItemRect().top);
    return Tops;
}

std::string RectText(const RECT& R)
{
    return "(" + std::to_string(R.left) + ", " + std::to_string(R.top) + ", " + std::to_string(R.right) + ", " +
        std::to_string(R.bottom) + ")";
}

TRect WorkArea()
{
    RECT R{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &R, 0);
    return R;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The floating window

TEST(FloatingWindow, IsAnOwnedSizablePopupAtTheStoredPlaceWithTheClientSizeForItsWidth)
{
    TFloatingFixture F;
    TcbBarControl* W = F.ToolsWindow();
    ASSERT_TRUE(W && W->HandleAllocated());
    const HWND H = W->GetHandle();
    const LONG Style = GetWindowLongA(H, GWL_STYLE);
    EXPECT_NE(0, Style & WS_POPUP);
    EXPECT_EQ(0, Style & WS_CHILD);
    EXPECT_NE(0, Style & WS_THICKFRAME);
    EXPECT_NE(0, Style & WS_BORDER);
    EXPECT_NE(0, Style & WS_SYSMENU);
    // A tool window: drawn whole by the display, frame included, and kept off the taskbar.
    EXPECT_NE(0, GetWindowLongA(H, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(F.Form->GetHandle(), GetWindow(H, GW_OWNER));
    EXPECT_EQ("Tools", W->GetText());
    EXPECT_TRUE(IsWindowVisible(H));
    RECT R{};
    GetWindowRect(H, &R);
    EXPECT_EQ(300, R.left);
    EXPECT_EQ(200, R.top);
    const TSize Expected = W->GetSizeForWidth(dsNone, 150);
    RECT C{};
    GetClientRect(H, &C);
    EXPECT_EQ(Expected.cx, C.right);
    EXPECT_EQ(Expected.cy, C.bottom);
    EXPECT_EQ(Expected.cx + F.Tools->GetExtraWidth(dsNone), R.right - R.left);
    EXPECT_EQ(Expected.cy + F.Tools->GetExtraHeight(dsNone), R.bottom - R.top);
    // Six buttons fit the first of two lines.
    const std::vector<int32_t> Tops = LineTops(F.Tools);
    ASSERT_EQ(8u, Tops.size());
    for (int I = 1; I < 6; ++I)
        EXPECT_EQ(Tops[0], Tops[static_cast<size_t>(I)]) << "button " << I;
    EXPECT_GT(Tops[6], Tops[0]);
    EXPECT_EQ(Tops[6], Tops[7]);
    // The bar keeps the place while it floats.
    EXPECT_EQ(dsNone, F.Tools->GetDockingStyle());
    EXPECT_EQ(300, F.Tools->GetFloatLeft());
    EXPECT_EQ(Expected.cx, F.Tools->GetFloatClientWidth());
}

TEST(FloatingWindow, CastsFourPixelLayeredStripsOrTwoPlainOnesWithoutLayeredDrawing)
{
    {
        TFloatingFixture F;
        auto* Shadow = dynamic_cast<TcbBarShadow*>(F.ToolsWindow()->GetShadow());
        ASSERT_TRUE(Shadow);
        ASSERT_EQ(2, Shadow->GetPartCount());
        const TRect B = F.ScreenRectOf(F.Tools);
        for (int32_t I = 0; I < 2; ++I) {
            HWND Part = Shadow->GetPart(I)->GetHandle();
            RECT R{};
            GetWindowRect(Part, &R);
            EXPECT_TRUE(IsWindowVisible(Part));
            EXPECT_NE(0, GetWindowLongA(Part, GWL_EXSTYLE) & WS_EX_LAYERED);
            EXPECT_EQ(4, I == 0 ? R.right - R.left : R.bottom - R.top) << RectText(R);
            EXPECT_EQ(I == 0 ? B.right : B.bottom, I == 0 ? R.left : R.top);
        }
    }
    auto Saved = cbUser32Entries().UpdateLayeredWindow;
    cbUser32Entries().UpdateLayeredWindow = nullptr;
    {
        TFloatingFixture F;
        auto* Shadow = dynamic_cast<TcbBarShadow*>(F.ToolsWindow()->GetShadow());
        ASSERT_TRUE(Shadow);
        ASSERT_EQ(2, Shadow->GetPartCount());
        HWND Part = Shadow->GetPart(0)->GetHandle();
        RECT R{};
        GetWindowRect(Part, &R);
        EXPECT_EQ(2, R.right - R.left);
        EXPECT_EQ(0, GetWindowLongA(Part, GWL_EXSTYLE) & WS_EX_LAYERED);
        // The strip's own drawing: on the screen the form may stand over the floating bar.
        const TestSupport::TShot Shot = TestSupport::CaptureFullPaint(Part);
        TestSupport::ExpectPixel(Shot, 0, Shot.H / 2, GetSysColor(COLOR_BTNSHADOW), "a plain shadow strip");
    }
    cbUser32Entries().UpdateLayeredWindow = Saved;
}

// ---------------------------------------------------------------------------------------------
// Hit test, sizing, position

TEST(FloatingHitTest, CornersAnswerEdgesAndTheCaptionAndEmptySpaceDragAsClient)
{
    TFloatingFixture F;
    TcbBarControl* W = F.ToolsWindow();
    const HWND H = W->GetHandle();
    const TRect R = F.ScreenRectOf(F.Tools);
    const POINT Corners[] = {{R.left, R.top}, {R.right - 1, R.top}, {R.left, R.bottom - 1}, {R.right - 1, R.bottom - 1},
                             {R.left + 1, R.top + 12}, {R.right - 2, R.bottom - 12}};
    for (const POINT& P : Corners) {
        const LRESULT Code = HitTest(H, P);
        EXPECT_TRUE(Code == HTLEFT || Code == HTRIGHT || Code == HTTOP || Code == HTBOTTOM)
            << "at " << P.x << ", " << P.y << ": " << Code;
        EXPECT_EQ(Code, W->GetStoredHitCode());
    }
    EXPECT_EQ(HTTOP, HitTest(H, POINT{R.left, R.top}));
    EXPECT_EQ(HTLEFT, HitTest(H, POINT{R.left, R.top + 12}));
    EXPECT_EQ(HTBOTTOM, HitTest(H, POINT{R.right - 1, R.bottom - 1}));
    // The caption drags: the window answers client and keeps the caption code for itself.
    EXPECT_EQ(HTCLIENT, HitTest(H, F.CaptionPoint(F.Tools)));
    EXPECT_EQ(HTCAPTION, W->GetStoredHitCode());
    // A button is a client point; the empty end of the second line drags.
    const TRect Last = F.Tools->GetItemLinks()->GetShownItem(7)->GetItemRect();
    POINT OnButton{(Last.left + Last.right) / 2, (Last.top + Last.bottom) / 2};
    ClientToScreen(H, &OnButton);
    EXPECT_EQ(HTCLIENT, HitTest(H, OnButton));
    EXPECT_EQ(HTCLIENT, W->GetStoredHitCode());
    POINT Empty{W->GetClientRect().right - 3, (Last.top + Last.bottom) / 2};
    ClientToScreen(H, &Empty);
    EXPECT_EQ(HTCLIENT, HitTest(H, Empty));
    EXPECT_EQ(HTCAPTION, W->GetStoredHitCode());
    // The close button (Flat: the bar's own hit test) and the mark.
    TRect Close = W->GetCloseButtonRect(false);
    EXPECT_EQ(HTCLIENT, HitTest(H, F.WindowPointToScreen(F.Tools, (Close.left + Close.right) / 2, (Close.top + Close.bottom) / 2)));
    EXPECT_EQ(HTCLOSE, W->GetStoredHitCode());
    TRect Mark = W->GetMarkRectInWindow();
    EXPECT_EQ(HTCLIENT, HitTest(H, F.WindowPointToScreen(F.Tools, (Mark.left + Mark.right) / 2, (Mark.top + Mark.bottom) / 2)));
    EXPECT_EQ(HTCLIENT, W->GetStoredHitCode());
    EXPECT_LE(Mark.right, Close.left) << "the mark stands left of the close button";
}

TEST(FloatingSizing, AnEdgeResizesThroughTheLayoutCornersKeepTheBoundsAndTheTopStopsAtMinus15)
{
    TFloatingFixture F;
    TcbBarControl* W = F.ToolsWindow();
    const HWND H = W->GetHandle();
    const TRect Old = F.ScreenRectOf(F.Tools);
    const int32_t ExtraW = F.Tools->GetExtraWidth(dsNone), ExtraH = F.Tools->GetExtraHeight(dsNone);

    RECT R = Old;
    R.left -= 60;
    EXPECT_EQ(1, SendMessageA(H, WM_SIZING, WMSZ_LEFT, reinterpret_cast<LPARAM>(&R)));
    const TSize Wide = W->GetSizeForWidth(dsNone, (Old.right - Old.left) + 60 - ExtraW);
    EXPECT_EQ(Old.right, R.right);
    EXPECT_EQ(Old.top, R.top);
    EXPECT_EQ(Wide.cx + ExtraW, R.right - R.left) << RectText(R);
    EXPECT_EQ(Wide.cy + ExtraH, R.bottom - R.top) << RectText(R);
    SetWindowPos(H, nullptr, R.left, R.top, R.right - R.left, R.bottom - R.top, SWP_NOZORDER | SWP_NOACTIVATE);
    CommandBarsTest::Settle();
    const std::vector<int32_t> Tops = LineTops(F.Tools);
    for (size_t I = 1; I < Tops.size(); ++I)
        EXPECT_EQ(Tops[0], Tops[I]) << "all eight buttons on one line, button " << I;
    EXPECT_EQ(Wide.cx, F.Tools->GetFloatClientWidth());

    const TRect Now = F.ScreenRectOf(F.Tools);
    RECT Corner = Now;
    Corner.left -= 40;
    Corner.top -= 40;
    EXPECT_EQ(1, SendMessageA(H, WM_SIZING, WMSZ_TOPLEFT, reinterpret_cast<LPARAM>(&Corner)));
    EXPECT_TRUE(EqualRect(&Corner, &Now)) << RectText(Corner);

    // Near the top of the screen the tall one-column size would pass -15.
    SetWindowPos(H, nullptr, Now.left, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT Up = F.ScreenRectOf(F.Tools);
    Up.top = -2000;
    EXPECT_EQ(1, SendMessageA(H, WM_SIZING, WMSZ_TOP, reinterpret_cast<LPARAM>(&Up)));
    EXPECT_EQ(-15, Up.top) << RectText(Up);
}

TEST(FloatingPosition, AWindowMovedWhollyOutOfTheWorkAreaComesBackAndTheDisplayCheckBringsItWhollyIn)
{
    TFloatingFixture F;
    const HWND H = F.ToolsWindow()->GetHandle();
    const TRect Area = WorkArea();
    const TRect R = F.ScreenRectOf(F.Tools);
    SetWindowPos(H, nullptr, Area.left - (R.right - R.left) - 50, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Area.left, F.ScreenRectOf(F.Tools).left);
    EXPECT_EQ(300, F.ScreenRectOf(F.Tools).top);
    SetWindowPos(H, nullptr, 100, Area.bottom + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Area.bottom - (R.bottom - R.top), F.ScreenRectOf(F.Tools).top);
    // Half out stays where it was put.
    SetWindowPos(H, nullptr, Area.left - (R.right - R.left) / 2, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Area.left - (R.right - R.left) / 2, F.ScreenRectOf(F.Tools).left);
    EXPECT_EQ(F.ScreenRectOf(F.Tools).left, F.Tools->GetFloatLeft());
    // The check after a change of the display brings it wholly inside.
    F.ToolsWindow()->MoveIntoWorkArea();
    EXPECT_EQ(Area.left, F.ScreenRectOf(F.Tools).left);
    SetWindowPos(H, nullptr, Area.right - (R.right - R.left) / 2, Area.bottom - (R.bottom - R.top) / 3, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    F.ToolsWindow()->MoveIntoWorkArea();
    EXPECT_EQ(Area.right, F.ScreenRectOf(F.Tools).right);
    EXPECT_EQ(Area.bottom, F.ScreenRectOf(F.Tools).bottom);
}

// ---------------------------------------------------------------------------------------------
// Opacity, painter change and visibility

TEST(FloatingWindow, AlphaBlendValueBelow255MakesTheWindowLayeredAnd255PlainAgain)
{
    TFloatingFixture F;
    const HWND H = F.ToolsWindow()->GetHandle();
    EXPECT_EQ(0, GetWindowLongA(H, GWL_EXSTYLE) & WS_EX_LAYERED);
    F.Tools->SetAlphaBlendValue(128);
    EXPECT_NE(0, GetWindowLongA(H, GWL_EXSTYLE) & WS_EX_LAYERED);
    BYTE Alpha = 0;
    DWORD Flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(H, nullptr, &Alpha, &Flags));
    EXPECT_EQ(128, Alpha);
    F.Tools->SetAlphaBlendValue(255);
    EXPECT_EQ(0, GetWindowLongA(H, GWL_EXSTYLE) & WS_EX_LAYERED);
    // A window made while the value is set takes it too.
    F.Tools->SetAlphaBlendValue(100);
    F.Tools->SetVisible(false);
    F.Tools->SetVisible(true);
    EXPECT_NE(0, GetWindowLongA(F.ToolsWindow()->GetHandle(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST(FloatingWindow, ANewPainterShowsTheBarAgainAtItsPlaceAndDockedBarsKeepTheirWindows)
{
    TFloatingFixture F;
    TcbBarControl* Docked = F.WindowOf(F.Standard);
    const TRect Before = F.ScreenRectOf(F.Tools);
    F.Manager->SetStyle(bmsStandard);
    CommandBarsTest::Settle();
    ASSERT_TRUE(F.ToolsWindow());
    EXPECT_TRUE(IsWindowVisible(F.ToolsWindow()->GetHandle()));
    EXPECT_EQ(Before.left, F.ScreenRectOf(F.Tools).left);
    EXPECT_EQ(Before.top, F.ScreenRectOf(F.Tools).top);
    EXPECT_EQ(Docked, F.WindowOf(F.Standard));
    // The standard frame is wider or equal; the client width is kept.
    RECT C{};
    GetClientRect(F.ToolsWindow()->GetHandle(), &C);
    EXPECT_EQ(F.ToolsWindow()->GetSizeForWidth(dsNone, F.Tools->GetFloatClientWidth()).cx, C.right);
}

TEST(FloatingVisibility, HiddenWhileTheFormIsInactiveWithTheOptionAndShownWithoutIt)
{
    TFloatingFixture F;
    F.Tools->SetVisible(false);
    // Another window of the thread is active: the form is not.
    TComponentPtr<TForm> Other{new TForm(nullptr)};
    Other->SetBounds(900, 600, 200, 100);
    Other->Show();
    SetActiveWindow(Other->GetHandle());
    ASSERT_NE(F.Form->GetHandle(), GetActiveWindow());
    F.Manager->SetHideFloatingBarsWhenInactive(true);
    F.Tools->SetVisible(true);
    ASSERT_TRUE(F.ToolsWindow());
    EXPECT_FALSE(IsWindowVisible(F.ToolsWindow()->GetHandle()));
    EXPECT_TRUE(F.Tools->GetVisible());
    F.Tools->SetVisible(false);
    F.Manager->SetHideFloatingBarsWhenInactive(false);
    F.Tools->SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(F.ToolsWindow()->GetHandle()));
    F.Tools->SetVisible(false);
    // With the form active it shows under the option too.
    F.Manager->SetHideFloatingBarsWhenInactive(true);
    SetActiveWindow(F.Form->GetHandle());
    F.Tools->SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(F.ToolsWindow()->GetHandle()));
    Other->Hide();
}

TEST(FloatingWindow, ShowingAndHidingItAgainAndAgainKeepsTheGdiObjectsAndWindowsLevel)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    TFloatingFixture F;
    auto Cycle = [&F] {
        F.Tools->SetVisible(false);
        F.Tools->SetAlphaBlendValue(F.Tools->GetAlphaBlendValue() == 255 ? 200 : 255);
        F.Tools->SetVisible(true);
        CommandBarsTest::Settle();
    };
    Cycle();
    Cycle();
    const int64_t Objects = Probe.GdiObjects(), Windows = TestSupport::TResourceProbe::ThreadWindows();
    constexpr int kCycles = 12;
    for (int I = 0; I < kCycles; ++I)
        Cycle();
    // Something lost on every cycle would show as at least one object per cycle; an object the
    // system makes or frees late (a cached brush, a window's class background) may move the
    // count by one or two either way.
    const int64_t Change = Probe.GdiObjects() - Objects;
    EXPECT_LE(Change, 2) << "after " << kCycles << " cycles";
    EXPECT_GE(Change, -2) << "after " << kCycles << " cycles";
    EXPECT_EQ(Windows, TestSupport::TResourceProbe::ThreadWindows());
}

TEST(FloatingWindow, GoneWithItsFormsWindowTheBarHidesAndWaitsForTheNewOne)
{
    TFloatingFixture F;
    const HWND Old = F.ToolsWindow()->GetHandle();
    F.Form->DestroyHandle();
    EXPECT_FALSE(IsWindow(Old));
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return !F.Tools->GetVisible(); }, 5000, "the bar hidden"));
    EXPECT_EQ(nullptr, F.ToolsWindow());
    const auto& Waiting = F.Manager->BarsWaitingForWindow();
    EXPECT_EQ(1, std::count(Waiting.begin(), Waiting.end(), F.Tools));
    // Its place is kept for the new window.
    EXPECT_EQ(300, F.Tools->GetFloatLeft());
    EXPECT_EQ(200, F.Tools->GetFloatTop());
    F.Form->HandleNeeded();
}

TEST(FloatingWindow, AMoveThatAsksForTheActivationLeavesItWithTheForm)
{
    TFloatingFixture F;
    const HWND Form = F.Form->GetHandle();
    SetActiveWindow(Form);
    ASSERT_EQ(Form, GetActiveWindow());
    const HWND H = F.ToolsWindow()->GetHandle();
    RECT R{};
    GetWindowRect(H, &R);
    // As the system's sizing loop moves and sizes it: without SWP_NOACTIVATE.
    SetWindowPos(H, nullptr, R.left, R.top, R.right - R.left - 20, R.bottom - R.top, 0);
    EXPECT_EQ(Form, GetActiveWindow());
    EXPECT_NE(H, GetFocus());
    RECT Now{};
    GetWindowRect(H, &Now);
    EXPECT_EQ(R.left, Now.left);
    EXPECT_LT(Now.right - Now.left, R.right - R.left);
}
