// Floating toolbars under the real mouse, with the form in front: the frame and caption as the
// screen shows them, the close button (hot tracking, a click, a press released elsewhere) and
// the double click that floats a docked bar and docks a floating one.
#include <gtest/gtest.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbItemLinks.h"
#include "tests/commandbars/support/FloatingFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::BrushColor;
using CommandBarsTest::TFloatingFixture;

namespace {

// Nothing may cover a floating bar while the screen under it is read: raised before the change
// that is looked at, so that what shows of the change is what the bar drew of it.
void RaiseBar(TcbBarControl* Window)
{
    SetWindowPos(Window->GetHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TestSupport::CaptureShown(Window->GetHandle());
}

POINT CloseCentre(TFloatingFixture& F)
{
    const TRect Close = F.ToolsWindow()->GetCloseButtonRect(false);
    return F.WindowPointToScreen(F.Tools, (Close.left + Close.right) / 2, (Close.top + Close.bottom) / 2);
}

} // namespace

TEST(FloatingScreen, TheBarDrawsItsFrameAndAnInactiveCaptionWhileTheFormIsActive)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    TcbBarControl* W = F.ToolsWindow();
    RaiseBar(W);
    F.Manager->SetActive(true, false, nullptr);
    const TestSupport::TShot Shot = TestSupport::CaptureShown(W->GetHandle());
    TestSupport::ExpectPixel(Shot, 0, 0, BrushColor(F.Manager->GetFlatFrameBrush()), "the frame");
    TestSupport::ExpectPixel(Shot, 1, 1, GetSysColor(COLOR_BTNHIGHLIGHT), "the light ring inside the frame");
    const TRect Caption = W->GetCaptionRect(false);
    const TRect Mark = W->GetMarkRectInWindow();
    ASSERT_LT(Caption.left + 3, Mark.left);
    TestSupport::ExpectPixel(Shot, Caption.left + 1, Caption.top + 1, GetSysColor(COLOR_INACTIVECAPTION),
                             "the caption strip before the text");
    TestSupport::ExpectPixel(Shot, Mark.left - 2, Caption.bottom - 2, GetSysColor(COLOR_INACTIVECAPTION),
                             "the caption strip left of the mark");
}

TEST(FloatingCloseButton, HotTracksLeavesThroughTheFrameAndClosesOnlyOnARelease)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    int Closed = 0;
    F.Manager->OnBarClose = [&Closed, &F](TObject*, TcbBar* Bar) { Closed += Bar == F.Tools ? 1 : 0; };
    TcbBarControl* W = F.ToolsWindow();
    RaiseBar(W);
    const HWND H = W->GetHandle();
    const POINT Close = CloseCentre(F);

    // Hot under the mouse, drawn in the selected tint.
    TestSupport::MoveTo(Close);
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return W->GetCloseButtonState() == bstHot; }, 5000, "a hot close button"));
    const TestSupport::TShot Hot = TestSupport::CaptureShown(H);
    const TRect R = W->GetCloseButtonRect(false);
    TestSupport::ExpectPixel(Hot, R.left + 2, R.top + 2, BrushColor(F.Manager->GetFlatSelectedItemBrush()),
                             "the hot close button's fill");
    TestSupport::SaveShot(Hot, "floating-flat-hot");
    // Out through the top border: the button is normal again.
    const TRect B = F.ScreenRectOf(F.Tools);
    TestSupport::MoveTo(POINT{Close.x, B.top});
    TestSupport::MoveTo(POINT{Close.x, B.top - 20});
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return W->GetCloseButtonState() == bstNormal; }, 5000,
                                       "the close button normal after leaving"));

    // Pressed inside and released outside: the bar stays.
    TestSupport::MoveTo(Close);
    TestSupport::ButtonDown();
    TestSupport::MoveTo(POINT{B.left + 10, B.bottom - 6});
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    CommandBarsTest::Settle();
    EXPECT_TRUE(F.Tools->GetVisible());
    EXPECT_TRUE(IsWindow(H));
    EXPECT_EQ(0, Closed);
    EXPECT_EQ(bstNormal, W->GetCloseButtonState());
    EXPECT_EQ(nullptr, GetCapture());

    // A click closes it once.
    TestSupport::Click(Close);
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return !F.Tools->GetVisible(); }, 5000, "the bar closed"));
    EXPECT_FALSE(IsWindow(H));
    EXPECT_EQ(nullptr, F.ToolsWindow());
    EXPECT_EQ(1, Closed);
}

TEST(FloatingDoubleClick, FloatsADockedBarAndDocksAFloatingOneOnANewRowOrWhereItWas)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    TcbDockControl* Top = F.Site(dsTop);
    const int32_t Rows = Top->GetRowCount();

    // "Tools" was never docked: a new last row of the top site, alone on it.
    TestSupport::DoubleClick(F.CaptionPoint(F.Tools));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return F.Tools->GetDockingStyle() == dsTop; }, 5000, "Tools docked"));
    CommandBarsTest::Settle();
    EXPECT_EQ(Rows + 1, Top->GetRowCount());
    EXPECT_TRUE(F.Tools->GetOneOnRow());
    EXPECT_EQ(Rows, F.Tools->GetRow());
    ASSERT_TRUE(F.ToolsWindow());
    EXPECT_EQ(Top, F.ToolsWindow()->GetDockSite());
    TcbDockCol* Col = F.ToolsWindow()->GetDockCol();
    ASSERT_TRUE(Col);
    EXPECT_EQ(Top->GetRow(Rows), Col->GetRow());

    // Its grip floats it again, its caption docks it back to the same row.
    TestSupport::DoubleClick(F.GripPoint(F.Tools));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return F.Tools->GetDockingStyle() == dsNone; }, 5000, "Tools floating"));
    CommandBarsTest::Settle();
    EXPECT_EQ(Rows, Top->GetRowCount());
    TestSupport::DoubleClick(F.CaptionPoint(F.Tools));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return F.Tools->GetDockingStyle() == dsTop; }, 5000, "Tools docked again"));
    CommandBarsTest::Settle();
    EXPECT_EQ(Rows, F.Tools->GetRow());

    // "Standard" floats from its grip.
    TestSupport::DoubleClick(F.GripPoint(F.Standard));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return F.Standard->GetDockingStyle() == dsNone; }, 5000,
                                       "Standard floating"));
    CommandBarsTest::Settle();
    ASSERT_TRUE(F.WindowOf(F.Standard));
    EXPECT_EQ(0, GetWindowLongA(F.WindowOf(F.Standard)->GetHandle(), GWL_STYLE) & WS_CHILD);

    // A bar that may not dock at the top stays floating.
    F.Standard->SetNotDocking(TcbBarDockingStyles{dsTop});
    TestSupport::DoubleClick(F.CaptionPoint(F.Standard));
    TestSupport::WaitProcessed();
    CommandBarsTest::Settle();
    EXPECT_EQ(dsNone, F.Standard->GetDockingStyle());
    F.Standard->SetNotDocking(TcbBarDockingStyles{});

    // While the form is designed a double click changes nothing.
    F.Form->SetDesigning(true);
    TestSupport::DoubleClick(F.CaptionPoint(F.Standard));
    TestSupport::WaitProcessed();
    CommandBarsTest::Settle();
    F.Form->SetDesigning(false);
    EXPECT_EQ(dsNone, F.Standard->GetDockingStyle());
}

TEST(FloatingMark, AHotMarkTurnsNormalOnceTheCursorIsOffItEvenWithoutAMove)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    TcbBarControl* W = F.ToolsWindow();
    const TRect Mark = W->GetMarkRectInWindow();
    TestSupport::MoveTo(F.WindowPointToScreen(F.Tools, (Mark.left + Mark.right) / 2, (Mark.top + Mark.bottom) / 2));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return W->GetMarkState() == bstHot; }, 5000, "a hot mark"));
    // The cursor jumps away without the bar hearing of it: the poll brings the mark back.
    SetCursorPos(5, 900);
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return W->GetMarkState() == bstNormal; }, 5000, "a normal mark"));
    // A hot state set while the cursor is elsewhere goes the same way.
    W->SetMarkState(bstHot);
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return W->GetMarkState() == bstNormal; }, 5000, "a normal mark again"));
}

namespace {

// Window lies above Other among the top-level windows.
bool IsAbove(HWND Window, HWND Other)
{
    for (HWND W = GetWindow(Window, GW_HWNDNEXT); W; W = GetWindow(W, GW_HWNDNEXT))
        if (W == Other)
            return true;
    return false;
}

} // namespace

TEST(FloatingShape, ADockedBarThatNeverFloatedFloatsAsItsRowWithItsNameInTheCaption)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    ASSERT_EQ(0, F.Standard->GetFloatClientWidth());
    const POINT Grip = F.GripPoint(F.Standard);
    // Away from every site's docking margin.
    RECT TopSite{};
    ::GetWindowRect(F.Site(dsTop)->GetHandle(), &TopSite);
    const POINT End{Grip.x + 200, TopSite.bottom + 60};
    // The drag runs its own loop: a script plays the input meanwhile.
    TestSupport::TInputScript S;
    S.MoveTo(Grip).WaitProcessed().ButtonDown().WaitProcessed();
    for (int I = 1; I <= 4; ++I)
        S.MoveTo(POINT{Grip.x + (End.x - Grip.x) * I / 4, Grip.y + (End.y - Grip.y) * I / 4}).WaitProcessed();
    S.Delay(150).ButtonUp().WaitProcessed();
    S.Play();
    ASSERT_TRUE(S.Wait());
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return F.Standard->GetDockingStyle() == dsNone; }, 5000,
                                       "Standard floating"));
    CommandBarsTest::Settle();
    TcbBarControl* W = F.WindowOf(F.Standard);
    ASSERT_TRUE(W && W->HandleAllocated());
    // The handle made floating in the drag is the form's tool window like one made floating.
    EXPECT_EQ(F.Form->GetHandle(), GetWindow(W->GetHandle(), GW_OWNER));
    EXPECT_EQ(0, GetWindowLongA(W->GetHandle(), GWL_STYLE) & WS_CHILD);
    EXPECT_NE(0, GetWindowLongA(W->GetHandle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

    // Every control on one line, as on its row.
    TcbBarItemLinks* Links = F.Standard->GetItemLinks();
    ASSERT_GE(Links->GetShownItemCount(), 3);
    // (Controls are centred across their line.)
    const int32_t LineEnd = Links->GetShownItem(0)->GetItemRect().bottom;
    for (int32_t I = 0; I < Links->GetShownItemCount(); ++I) {
        const TRect R = Links->GetShownItem(I)->GetItemRect();
        EXPECT_FALSE(IsRectEmpty(&R)) << I;
        EXPECT_LT(R.top, LineEnd) << "control " << I << " on the first line";
    }
    const TRect Bounds = W->GetWindowRect();
    EXPECT_GT(Bounds.right - Bounds.left, 2 * (Bounds.bottom - Bounds.top)) << "a row, not a column";
    EXPECT_EQ(F.Standard->GetFloatClientWidth(), W->GetClientRect().right) << "the width it floats with is kept";

    // The caption has room left of the mark, and the name is drawn there.
    const TRect Caption = W->GetCaptionRect(false);
    const TRect Mark = W->GetMarkRectInWindow();
    ASSERT_GT(Mark.left - Caption.left, 40);
    F.BringToFront();
    CommandBarsTest::Settle();
    const TestSupport::TShot Shot = TestSupport::CaptureScreen(W->GetHandle());
    const uint32_t Back = Shot.At(Caption.left + 1, Caption.top + 1);
    int32_t Ink = 0;
    for (int32_t Y = Caption.top; Y < Caption.bottom; ++Y)
        for (int32_t X = Caption.left + 1; X < Mark.left - 1; ++X)
            Ink += Shot.At(X, Y) != Back ? 1 : 0;
    TestSupport::SaveShot(Shot, "floating-row-shape");
    EXPECT_GT(Ink, 20) << "the caption's text";

    // A double click on the free part of the caption docks it back.
    const POINT OnCaption{Bounds.left + Caption.left + 12, Bounds.top + (Caption.top + Caption.bottom) / 2};
    TestSupport::DoubleClick(OnCaption);
    TestSupport::WaitProcessed();
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return F.Standard->GetDockingStyle() == dsTop; }, 5000,
                                       "Standard docked by its caption"));
    EXPECT_TRUE(F.Standard->GetVisible()) << "the close button was not hit";
    // Docked again, a child of its site and no tool window.
    TcbBarControl* Docked = F.WindowOf(F.Standard);
    ASSERT_TRUE(Docked && Docked->HandleAllocated());
    EXPECT_NE(0, GetWindowLongA(Docked->GetHandle(), GWL_STYLE) & WS_CHILD);
    EXPECT_EQ(0, GetWindowLongA(Docked->GetHandle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
}

TEST(FloatingZOrder, TheFormActivatedByAClickLeavesItsFloatingBarAboveIt)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    TcbBarControl* Bar = F.ToolsWindow();
    const HWND FormWnd = F.Form->GetHandle();
    ASSERT_TRUE(IsAbove(Bar->GetHandle(), FormWnd));

    // Another window of the program takes the front, then a click on the form brings the form
    // back.
    HWND Other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 120, 80, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(Other);
    ASSERT_TRUE(TestSupport::BringToFront(Other));
    const TRect BarRect = F.ScreenRectOf(F.Tools);
    RECT FormRect{};
    ::GetWindowRect(FormWnd, &FormRect);
    POINT Empty{};
    bool Found = false;
    for (int32_t Y = FormRect.top + 60; Y < FormRect.bottom - 30 && !Found; Y += 10)
        for (int32_t X = FormRect.left + 10; X < FormRect.right - 10 && !Found; X += 10) {
            const TPoint P{X, Y};
            POINT Q{X, Y};
            if (!cbInRect(BarRect, P) && WindowFromPoint(Q) == FormWnd) {
                Empty = Q;
                Found = true;
            }
        }
    ASSERT_TRUE(Found) << "a point of the form's own client area";
    TestSupport::Click(Empty);
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return GetActiveWindow() == FormWnd; }, 5000, "the form active"));
    // The activation leaves the form where it was in the z-order, below the other window; the
    // display puts it in front afterwards, on its own and with no message, once it finds the
    // form uncovered there, and moves the form alone, over its bar too. The manager's focus
    // watch puts the bar back above the form on a timer of its own. The bar lies above the form
    // from the start, so only the form in front of the other window tells that the restack is
    // through.
    EXPECT_TRUE(TestSupport::PumpUntil(
        [&] { return IsAbove(FormWnd, Other) && IsAbove(Bar->GetHandle(), FormWnd); }, 5000,
        "the form in front of the other window and its floating bar above it"));
    CommandBarsTest::Settle();
    EXPECT_TRUE(IsAbove(FormWnd, Other)) << "the form stays in front of the other window";
    EXPECT_TRUE(IsAbove(Bar->GetHandle(), FormWnd)) << "the floating bar stays above its form";
    EXPECT_TRUE(IsWindowVisible(Bar->GetHandle()));

    DestroyWindow(Other);
}

TEST(FloatingSizingInput, TheDraggedEdgeStaysUnderTheCursorThroughTheLayoutsSnaps)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    TcbBarControl* W = F.ToolsWindow();
    const TRect Before = F.ScreenRectOf(F.Tools);
    const TRect FirstButton = F.Tools->GetItemLinks()->GetShownItem(0)->GetItemRect();
    const int32_t Button = FirstButton.right - FirstButton.left;
    ASSERT_GT(Button, 8);
    // The right edge, half way down, dragged left by a third of the width in small steps: each
    // step of the system's sizing loop snaps the width to whole buttons.
    const POINT From{Before.right - 2, (Before.top + Before.bottom) / 2 + 4};
    const POINT To{Before.right - 2 - (Before.right - Before.left) / 3, From.y};
    TestSupport::TInputScript S;
    S.MoveTo(From).WaitProcessed().ButtonDown().WaitProcessed();
    for (int I = 1; I <= 8; ++I)
        S.MoveTo(POINT{From.x + (To.x - From.x) * I / 8, From.y}).WaitProcessed();
    S.Delay(100).ButtonUp().WaitProcessed();
    S.Play();
    ASSERT_TRUE(S.Wait());
    CommandBarsTest::Settle();
    ASSERT_EQ(W, F.ToolsWindow());
    const TRect After = F.ScreenRectOf(F.Tools);
    EXPECT_EQ(Before.left, After.left);
    EXPECT_LT(After.right, Before.right) << "narrower";
    EXPECT_GT(After.bottom - After.top, Before.bottom - Before.top) << "more lines";
    // Snapped down to whole buttons, but never by more than one button's width from the cursor.
    EXPECT_LE(After.right, To.x + 2 + 1);
    EXPECT_GE(After.right, To.x + 2 - Button - 4) << "the edge lost the cursor";
}
