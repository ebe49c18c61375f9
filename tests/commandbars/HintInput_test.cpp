// The hints of a bar window's buttons with the real mouse: the delay before a hint shows, where
// it shows and how large, its automatic hide, the at-once showing after a hint was just hidden,
// ShowHint off; and the texts ShowHintWindow gives for the control under the cursor (shortcut,
// the action's OnHint, disabled controls), which read the real cursor.
#include <gtest/gtest.h>

#include <string>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbHint.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/ControlsFixture.h"
#include "tests/commandbars/support/HintProbe.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::WaitForTimerOf;
using namespace CommandBarsTest;

namespace {

POINT ScreenPoint(TCustomcbBarControl* Bar, TPoint P)
{
    const TPoint S = Bar->ClientPointToScreen(P);
    return POINT{S.x, S.y};
}

// The cursor away from where the fixture shows its windows before they appear: a window shown
// under the cursor selects a control there, and its late mouse-leave would clear the manager's
// selection in the middle of a test.
struct TCursorAway {
    TCursorAway()
    {
        SetCursorPos(20, 700);
    }
};

// The fixture with button A bound to an "Open file" action.
struct THintScene : TCursorAway, TControlsFixture {
    THintScene()
    {
        ActA.Action->SetHint("Open file|Opens a file");
        EXPECT_TRUE(TestSupport::BringToFront(*Form));
    }
    ~THintScene()
    {
        if (Manager)
            Manager->ActivateHint(false, "");
    }
    POINT On(TcbBarItem* Item) { return ScreenPoint(WindowOf(Item), CentreOf(Item)); }
};

} // namespace

TEST(HintInput, AButtonsHintShowsAfterTheDelayBelowTheCursorAndHidesAfterTenSeconds)
{
    THintScene F;
    const POINT At = F.On(F.A);
    const ULONGLONG Moved = GetTickCount64();
    TestSupport::MoveTo(At);
    ASSERT_TRUE(TestSupport::WaitProcessed());
    ASSERT_EQ(F.ControlOf(F.A), F.Window->GetSelectedControl());
    // The last moment the hint was seen hidden comes before it showed.
    ULONGLONG LastHidden = Moved;
    ASSERT_TRUE(TestSupport::PumpUntil([&] {
        if (HintVisible())
            return true;
        LastHidden = GetTickCount64();
        return false;
    }, 3000, "the hint within 3 s"));
    const ULONGLONG Seen = GetTickCount64();
    EXPECT_GE(Seen - Moved, 800u) << "no hint 800 ms after the move";

    HWND H = HintHandle();
    EXPECT_EQ("Open file", HintText());
    EXPECT_NE(0, GetWindowLongA(H, GWL_STYLE) & WS_POPUP);
    EXPECT_NE(0, GetWindowLongA(H, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_NE(0, GetWindowLongA(H, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    RECT R{};
    GetWindowRect(H, &R);
    EXPECT_EQ(At.x, R.left);
    EXPECT_EQ(At.y + 20, R.top);
    const SIZE Text = StatusFontTextSize("Open file");
    EXPECT_EQ(Text.cx + 6, R.right - R.left);
    EXPECT_EQ(Text.cy + 6, R.bottom - R.top);

    ASSERT_TRUE(TestSupport::PumpUntil([] { return !HintVisible(); }, 15000, "the hint to hide within 15 s"));
    EXPECT_GE(GetTickCount64() - LastHidden, kHintHideDelay) << "hidden no earlier than 10 s after it showed";
}

TEST(HintInput, AfterAHintHidesTheNextButtonsHintShowsWithoutTheDelay)
{
    THintScene F;
    TestSupport::MoveTo(F.On(F.A));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    ASSERT_TRUE(TestSupport::PumpUntil(HintVisible, 3000, "A's hint"));

    // Empty bar space: the margin above the buttons.
    TestSupport::MoveTo(ScreenPoint(F.Window, TPoint{F.CentreOf(F.A).x, 0}));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_EQ(nullptr, F.Window->GetSelectedControl());
    EXPECT_FALSE(HintVisible()) << "leaving the button hides its hint";

    TestSupport::MoveTo(F.On(F.B));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_TRUE(HintVisible()) << "shown at once, without waiting for the delay";
    EXPECT_EQ("B", HintText());
}

TEST(HintInput, WithShowHintOffAButtonShowsNoHint)
{
    THintScene F;
    F.Manager->SetShowHint(false);
    TestSupport::MoveTo(F.On(F.A));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    ASSERT_EQ(F.ControlOf(F.A), F.Window->GetSelectedControl());
    WaitForTimerOf(kHintShowDelay, "the show delay over");
    PumpPosted("the delay's messages handled");
    EXPECT_FALSE(HintVisible()) << HintText();

    // Back on, the same button shows its hint.
    F.Manager->SetShowHint(true);
    TestSupport::MoveTo(ScreenPoint(F.Window, TPoint{F.CentreOf(F.A).x, 0}));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    TestSupport::MoveTo(F.On(F.A));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_TRUE(TestSupport::PumpUntil(HintVisible, 3000, "the hint with ShowHint on"));
}

TEST(HintInput, TheHintTextTakesTheShortcutTheActionsOnHintAndTheEnabledStateIntoAccount)
{
    THintScene F;
    F.ActA.Action->SetShortCut(ShortCut('O', TShiftState{ssCtrl}));
    const bool SavedShortCuts = AppUI()->HintShortCuts;
    TScopeExit Restore([SavedShortCuts] { AppUI()->HintShortCuts = SavedShortCuts; });
    AppUI()->HintShortCuts = false;
    const POINT OnA = F.On(F.A);
    SetCursorPos(OnA.x, OnA.y);
    F.Window->SelectControlByKeyboard(F.ControlOf(F.A));

    F.Manager->ShowHintWindow();
    ASSERT_TRUE(HintVisible());
    EXPECT_EQ("Open file", HintText());
    F.Manager->SetShowShortCutInHint(true);
    F.Manager->ShowHintWindow();
    EXPECT_EQ("Open file (Ctrl+O)", HintText());
    F.Manager->SetShowShortCutInHint(false);
    AppUI()->HintShortCuts = true;
    F.Manager->ShowHintWindow();
    EXPECT_EQ("Open file (Ctrl+O)", HintText()) << "the application's HintShortCuts asks for it too";
    AppUI()->HintShortCuts = false;

    // The action's OnHint changes the text or forbids the hint.
    F.ActA.Action->OnHint = [](std::string& Hint, bool&) { Hint = "Open a picture"; };
    F.Manager->ShowHintWindow();
    EXPECT_EQ("Open a picture", HintText());
    F.ActA.Action->OnHint = [](std::string&, bool& CanShow) { CanShow = false; };
    F.Manager->ShowHintWindow();
    EXPECT_FALSE(HintVisible());
    F.ActA.Action->OnHint = nullptr;

    // Only over the selected control.
    const POINT OnB = F.On(F.B);
    SetCursorPos(OnB.x, OnB.y);
    F.Manager->ShowHintWindow();
    EXPECT_FALSE(HintVisible()) << "the cursor is not on the selected control";

    // A disabled control (selected by keyboard) shows its hint only with ShowHintForDisabledItems.
    const POINT OnC = F.On(F.C);
    SetCursorPos(OnC.x, OnC.y);
    F.Window->SelectControlByKeyboard(F.ControlOf(F.C));
    ASSERT_FALSE(F.Manager->GetShowHintForDisabledItems());
    F.Manager->ShowHintWindow();
    EXPECT_FALSE(HintVisible());
    F.Manager->SetShowHintForDisabledItems(true);
    F.Manager->ShowHintWindow();
    EXPECT_TRUE(HintVisible());
    EXPECT_EQ("C", HintText());
    F.Window->SelectControlByKeyboard(nullptr);
}

TEST(HintInput, TheHintIsOwnedByTheFormAndShowsNothingWhileTheFormIsDisabled)
{
    THintScene F;
    const HWND FormWnd = F.Form->GetHandle();
    TestSupport::MoveTo(F.On(F.A));
    ASSERT_TRUE(TestSupport::WaitProcessed());
    ASSERT_TRUE(TestSupport::PumpUntil([] { return HintVisible(); }, 3000, "the hint of button A"));
    const HWND H = HintHandle();
    // Owned by the form: no taskbar entry of its own, and it goes with the form.
    EXPECT_EQ(FormWnd, GetWindow(H, GW_OWNER));
    EXPECT_EQ(GetDesktopWindow(), GetAncestor(H, GA_PARENT)) << "a top-level window";

    // A modal dialog disables the form: a hint asked for now (at once, as one is showing) does
    // not show over it.
    EnableWindow(FormWnd, FALSE);
    TScopeExit Enable([FormWnd] { EnableWindow(FormWnd, TRUE); });
    F.Manager->ActivateHint(true, "While a dialog is up");
    PumpPosted("the hint's request handled");
    EXPECT_FALSE(HintVisible()) << "no hint over a disabled form";
    EnableWindow(FormWnd, TRUE);
    F.Manager->ActivateHint(true, "The dialog is gone");
    ASSERT_TRUE(TestSupport::PumpUntil([] { return HintVisible(); }, 3000, "the hint once the form is enabled"));
    EXPECT_EQ("The dialog is gone", HintText());
    EXPECT_EQ(FormWnd, GetWindow(HintHandle(), GW_OWNER));
}
