// Bars dragged by the real mouse: a docked bar pulled off its site floats under the cursor with
// two windows while the drag lasts, a floating bar docks only after resting over a site, Ctrl
// keeps it floating, Esc stops the drag where the bar is, the docking margin, and a bar dropped
// further along its own row. The drag loop holds the user-interface thread, so the input comes
// from a script thread, and what happens during the drag is sampled by a thread timer that ticks
// inside the loop.
#include <gtest/gtest.h>

#include <functional>

#include <vector>

#include "commandbars/input/cbBarDrag.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "platform/win/Screen.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/FloatingFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::TFloatingFixture;

namespace {

// What the sampler saw at one tick inside the drag loop.
struct TSample {
    DWORD Tick = 0;
    POINT Cursor{};
    TcbBarDockingStyle Style = dsNone;
    size_t Handles = 0;
    bool ChildAndPopup = false;
    bool SizeAllCursor = false;
    bool EditorVisible = false;
    bool Dragging = false;
};

// Samples a bar every 10 ms on the user-interface thread while it lives.
class TDragSampler {
public:
    TDragSampler(TFloatingFixture& F, TcbBar* Bar, HWND Editor = nullptr) : FFixture(F), FBar(Bar), FEditor(Editor)
    {
        FTimer = ThreadTimerStart(10, [this](UINT_PTR) { Sample(); });
    }
    ~TDragSampler() { ThreadTimerStop(FTimer); }
    std::vector<TSample> Samples;
    // Called once the bar has floated for a few ticks of the drag.
    std::function<void(TcbBarControl*)> OnFirstFloating;

private:
    void Sample()
    {
        TSample S;
        S.Tick = GetTickCount();
        GetCursorPos(&S.Cursor);
        S.Style = FBar->GetDockingStyle();
        S.Dragging = cbIsBarDragging();
        if (auto* W = FFixture.WindowOf(FBar)) {
            S.Style = W->GetDockingStyle();
            const std::vector<HWND> Handles = TFloatingFixture::HandlesOf(W);
            S.Handles = Handles.size();
            bool Child = false, Popup = false;
            for (HWND H : Handles)
                ((GetWindowLongA(H, GWL_STYLE) & WS_CHILD) ? Child : Popup) = true;
            S.ChildAndPopup = Child && Popup;
            // A few ticks after it floats, so that the new window is on the screen.
            if (S.Dragging && S.Style == dsNone && OnFirstFloating && ++FFloatingTicks == 5) {
                auto Call = std::move(OnFirstFloating);
                OnFirstFloating = nullptr;
                Call(W);
            }
        }
        S.SizeAllCursor = Screen && GetCursor() == Screen->GetCursors(crSizeAll);
        S.EditorVisible = FEditor && IsWindowVisible(FEditor);
        Samples.push_back(S);
    }
    TFloatingFixture& FFixture;
    TcbBar* FBar;
    HWND FEditor;
    UINT_PTR FTimer = 0;
    int FFloatingTicks = 0;
};

bool InRect(const TRect& R, POINT P)
{
    return P.x >= R.left && P.x < R.right && P.y >= R.top && P.y < R.bottom;
}

TRect SiteRect(TcbDockControl* Site)
{
    RECT R{};
    GetWindowRect(Site->GetHandle(), &R);
    return R;
}

// Presses at From and moves to To in a few steps, handled one by one.
void PressAndMove(TestSupport::TInputScript& S, POINT From, POINT To)
{
    S.MoveTo(From).WaitProcessed().ButtonDown().WaitProcessed();
    for (int I = 1; I <= 4; ++I)
        S.MoveTo(POINT{From.x + (To.x - From.x) * I / 4, From.y + (To.y - From.y) * I / 4}).WaitProcessed();
}

// Presses on the Tools bar's caption, moves 60 right and 80 down, lets Before add its input
// there, releases, and checks that the bar ended 60 and 80 pixels from where it was.
void DragToolsBy60And80(TFloatingFixture& F, const std::function<void(TestSupport::TInputScript&, POINT)>& Before)
{
    const POINT Start = F.CaptionPoint(F.Tools);
    const TRect From = F.ScreenRectOf(F.Tools);
    const POINT Stop{Start.x + 60, Start.y + 80};
    TestSupport::TInputScript S;
    PressAndMove(S, Start, Stop);
    Before(S, Stop);
    S.ButtonUp().WaitProcessed();
    S.Play();
    ASSERT_TRUE(S.Wait());
    CommandBarsTest::Settle();
    const TRect After = F.ScreenRectOf(F.Tools);
    EXPECT_EQ(From.left + 60, After.left);
    EXPECT_EQ(From.top + 80, After.top);
}

} // namespace

TEST(BarDrag, ADockedBarPulledOffItsSiteFloatsUnderTheCursorWithTwoWindowsWhileTheDragLasts)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    TcbBarControl* W = F.WindowOf(F.Standard);
    auto* EditControl = dynamic_cast<TcbBarWinControl*>(F.EditLink->GetControl());
    ASSERT_TRUE(EditControl && EditControl->GetEditor());
    const HWND Editor = EditControl->GetEditor();
    // The in-place window shows (as a window item's does) when the drag starts.
    ShowWindow(Editor, SW_SHOWNA);
    const POINT Start = F.GripPoint(F.Standard);
    const TRect Before = F.ScreenRectOf(F.Standard);
    // Away from the left site's margin, so that the bar does not dock there on its way.
    const POINT End{Start.x + 200, SiteRect(F.Site(dsTop)).bottom + 60};

    TDragSampler Sampler(F, F.Standard, Editor);
    bool Shot = false;
    Sampler.OnFirstFloating = [&Shot](TcbBarControl* Window) {
        RedrawWindow(Window->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
        TestSupport::SaveShot(TestSupport::CaptureScreen(Window->GetHandle()), "bar-mid-drag");
        Shot = true;
    };
    TestSupport::TInputScript S;
    PressAndMove(S, Start, End);
    S.Delay(150).ButtonUp().WaitProcessed();
    S.Play();
    ASSERT_TRUE(S.Wait());
    CommandBarsTest::Settle();

    ASSERT_EQ(dsNone, F.Standard->GetDockingStyle());
    W = F.WindowOf(F.Standard);
    ASSERT_TRUE(W);
    const TRect After = F.ScreenRectOf(F.Standard);
    // The grab point scaled from the docked size to the floating one.
    const int32_t GrabX = MulDiv(Start.x - Before.left, After.right - After.left, Before.right - Before.left);
    const int32_t GrabY = MulDiv(Start.y - Before.top, After.bottom - After.top, Before.bottom - Before.top);
    EXPECT_EQ(End.x - GrabX, After.left);
    EXPECT_EQ(End.y - GrabY, After.top);
    EXPECT_TRUE(Shot);

    bool SawBoth = false, SawSizeAll = false, EditorShownWhileDragging = false;
    for (const TSample& Sample : Sampler.Samples)
        if (Sample.Dragging && Sample.Style == dsNone) {
            SawBoth = SawBoth || (Sample.Handles == 2 && Sample.ChildAndPopup);
            SawSizeAll = SawSizeAll || Sample.SizeAllCursor;
            EditorShownWhileDragging = EditorShownWhileDragging || Sample.EditorVisible;
        }
    EXPECT_TRUE(SawBoth) << "a child of the site and a popup during the drag";
    EXPECT_TRUE(SawSizeAll) << "the size-all cursor during the drag";
    EXPECT_FALSE(EditorShownWhileDragging);
    EXPECT_FALSE(cbIsBarDragging());
    const std::vector<HWND> Handles = TFloatingFixture::HandlesOf(W);
    ASSERT_EQ(1u, Handles.size());
    EXPECT_EQ(W->GetHandle(), Handles[0]);
    EXPECT_EQ(0, GetWindowLongA(Handles[0], GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(IsWindowVisible(Editor));
    EXPECT_EQ(W->GetHandle(), GetParent(Editor));
    EXPECT_NE(Screen->GetCursors(crSizeAll), GetCursor());
    // The place is kept in the bar.
    EXPECT_EQ(After.left, F.Standard->GetFloatLeft());
    EXPECT_EQ(After.top, F.Standard->GetFloatTop());
}

TEST(BarDrag, AFloatingBarDocksOnlyAfterRestingOverTheSite)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    F.Manager->SetWaitForDockingTime(300);
    const TRect Zone = F.Site(dsTop)->GetDockZone();
    const POINT Start = F.CaptionPoint(F.Tools);
    const POINT Inside{(Zone.left + Zone.right) / 2, (Zone.top + Zone.bottom) / 2};

    TDragSampler Sampler(F, F.Tools);
    TestSupport::TInputScript S;
    PressAndMove(S, Start, Inside);
    S.Delay(2000).ButtonUp().WaitProcessed();
    S.Play();
    ASSERT_TRUE(S.Wait());
    CommandBarsTest::Settle();

    EXPECT_EQ(dsTop, F.Tools->GetDockingStyle()) << "docked within 2 s";
    DWORD Entered = 0, Docked = 0;
    for (const TSample& Sample : Sampler.Samples) {
        if (!Entered && Sample.Dragging && InRect(Zone, Sample.Cursor))
            Entered = Sample.Tick;
        if (Entered && !Docked && Sample.Style == dsTop)
            Docked = Sample.Tick;
    }
    ASSERT_NE(0u, Entered);
    ASSERT_NE(0u, Docked);
    EXPECT_GE(Docked - Entered, 150u) << "still floating 150 ms after entering the zone";
}

TEST(BarDrag, CtrlKeepsTheBarFloatingAndReleasingItDocksAtOnce)
{
    // Ctrl goes down once the drag runs, then the bar is taken over the site and rests there.
    auto DragWithCtrl = [](TFloatingFixture& F, TDragSampler& Sampler, uint32_t Rest) {
        const TRect Zone = F.Site(dsTop)->GetDockZone();
        const POINT Inside{(Zone.left + Zone.right) / 2, (Zone.top + Zone.bottom) / 2};
        const POINT Start = F.CaptionPoint(F.Tools);
        const POINT Off{Start.x + 20, Start.y + 20};
        TestSupport::TInputScript S;
        PressAndMove(S, Start, Off);
        S.KeyDown(VK_CONTROL).WaitProcessed();
        for (int I = 1; I <= 4; ++I)
            S.MoveTo(POINT{Off.x + (Inside.x - Off.x) * I / 4, Off.y + (Inside.y - Off.y) * I / 4}).WaitProcessed();
        S.Delay(Rest).KeyUp(VK_CONTROL).WaitProcessed().Delay(100).ButtonUp().WaitProcessed();
        S.Play();
        const bool Played = S.Wait();
        CommandBarsTest::Settle();
        (void)Sampler;
        return Played;
    };
    {
        // A short docking wait: only Ctrl keeps the bar floating while it rests over the site.
        TFloatingFixture F;
        ASSERT_TRUE(F.BringToFront());
        F.Manager->SetWaitForDockingTime(30);
        const TRect Zone = F.Site(dsTop)->GetDockZone();
        TDragSampler Sampler(F, F.Tools);
        ASSERT_TRUE(DragWithCtrl(F, Sampler, 300));
        DWORD Entered = 0, Docked = 0;
        for (const TSample& Sample : Sampler.Samples) {
            if (!Entered && Sample.Dragging && InRect(Zone, Sample.Cursor))
                Entered = Sample.Tick;
            if (Entered && !Docked && Sample.Style == dsTop)
                Docked = Sample.Tick;
        }
        ASSERT_NE(0u, Entered);
        ASSERT_NE(0u, Docked) << "docked once Ctrl went up";
        EXPECT_GE(Docked - Entered, 300u) << "floating over the site while Ctrl was held";
        EXPECT_EQ(dsTop, F.Tools->GetDockingStyle());
    }
    {
        // A docking wait far longer than the test: only Ctrl's release can dock the bar.
        TFloatingFixture F;
        ASSERT_TRUE(F.BringToFront());
        F.Manager->SetWaitForDockingTime(20000);
        TDragSampler Sampler(F, F.Tools);
        ASSERT_TRUE(DragWithCtrl(F, Sampler, 100));
        EXPECT_EQ(dsTop, F.Tools->GetDockingStyle()) << "docked when Ctrl went up, without a move";
    }
}

TEST(BarDrag, EscEndsTheDragWhereTheBarIs)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    DragToolsBy60And80(F, [](TestSupport::TInputScript& S, POINT Stop) {
        S.Press(VK_ESCAPE).WaitProcessed().MoveTo(POINT{Stop.x + 100, Stop.y + 50}).WaitProcessed();
    });
    EXPECT_EQ(dsNone, F.Tools->GetDockingStyle());
    EXPECT_FALSE(cbIsBarDragging());
    EXPECT_EQ(nullptr, GetCapture());
}

TEST(BarDrag, WhileCustomizingABarStillMovesByItsCaption)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    F.Manager->SetIsCustomizing(true);
    ASSERT_TRUE(F.Manager->IsCustomizing());
    DragToolsBy60And80(F, [](TestSupport::TInputScript& S, POINT) { S.Delay(100); });
    EXPECT_FALSE(cbIsBarDragging());
    F.Manager->SetIsCustomizing(false);
}

TEST(BarDrag, ABarReleasedTenPixelsOutsideTheTopSiteDocksAndThirtyPixelsOutsideFloats)
{
    for (const int32_t Distance : {10, 30}) {
        SCOPED_TRACE("released " + std::to_string(Distance) + " pixels below the site");
        TFloatingFixture F;
        ASSERT_TRUE(F.BringToFront());
        const TRect Site = SiteRect(F.Site(dsTop));
        const POINT Below{(Site.left + Site.right) / 2, Site.bottom + Distance};
        TestSupport::TInputScript S;
        PressAndMove(S, F.CaptionPoint(F.Tools), Below);
        S.Delay(300).ButtonUp().WaitProcessed();
        S.Play();
        ASSERT_TRUE(S.Wait());
        CommandBarsTest::Settle();
        EXPECT_EQ(Distance == 10 ? dsTop : dsNone, F.Tools->GetDockingStyle());
        // A bar left floating went with the cursor: a drag that never started would float too.
        if (Distance == 30) {
            EXPECT_TRUE(InRect(F.ScreenRectOf(F.Tools), Below));
        }
    }
}

TEST(BarDrag, ABarDroppedFurtherAlongItsOwnRowTakesItsPlaceThere)
{
    TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    // "Tools" docked after "Standard" on the same row.
    F.Tools->SetVisible(false);
    F.Tools->SetDockingStyle(dsTop);
    F.Tools->SetRow(1);
    F.Tools->SetOneOnRow(false);
    F.Tools->SetDockedLeft(500);
    F.Tools->SetVisible(true);
    CommandBarsTest::Settle();
    TcbDockControl* Top = F.Site(dsTop);
    TcbDockCol* StandardCol = F.WindowOf(F.Standard)->GetDockCol();
    ASSERT_TRUE(StandardCol);
    TcbDockRow* Row = StandardCol->GetRow();
    ASSERT_EQ(2, Row->GetColCount());
    ASSERT_EQ(F.WindowOf(F.Standard), Row->GetCol(0)->GetBarControl());
    const TRect Tools = F.ScreenRectOf(F.Tools);
    const POINT Start = F.GripPoint(F.Standard);
    const POINT End{Tools.right + 20, Start.y};

    TestSupport::TInputScript S;
    PressAndMove(S, Start, End);
    S.ButtonUp().WaitProcessed();
    S.Play();
    ASSERT_TRUE(S.Wait());
    CommandBarsTest::Settle();

    ASSERT_EQ(dsTop, F.Standard->GetDockingStyle());
    TcbDockCol* Col = F.WindowOf(F.Standard)->GetDockCol();
    ASSERT_TRUE(Col);
    TcbDockRow* Now = Col->GetRow();
    ASSERT_EQ(2, Now->GetColCount());
    EXPECT_EQ(F.WindowOf(F.Tools), Now->GetCol(0)->GetBarControl());
    EXPECT_EQ(F.WindowOf(F.Standard), Now->GetCol(1)->GetBarControl());
    EXPECT_LT(F.ScreenRectOf(F.Tools).left, F.ScreenRectOf(F.Standard).left);
    (void)Top;
}

