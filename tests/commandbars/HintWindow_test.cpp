// The hint window and the hint's states driven with texts given directly (as the "More Buttons"
// mark asks): its window, size, placement inside the work area and pixels; the show delay, the
// at-once showing while a hint shows or one was just hidden, hiding, ShowHint off; and its
// lifetime with the managers: made with the first, freed with the last, never made by a manager
// built while a design is read again, and timers that outlive their manager.
#include <gtest/gtest.h>

#include <string>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbHint.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/FormDesign.h"
#include "platform/win/Forms.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/HintProbe.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::WaitForTimerOf;
using namespace CommandBarsTest;

namespace {

// A form with a manager and nothing else: no bar window can select a control under the cursor.
struct TManagerScene {
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    TcbBarManager* Manager = nullptr;
    TManagerScene()
    {
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(20, 20, 200, 100);
        Manager = new TcbBarManager(Form.get());
        Manager->SetStyle(bmsFlat);
    }
};

TRect HintRect()
{
    TRect R{};
    if (HWND H = HintHandle())
        GetWindowRect(H, &R);
    return R;
}

// The managers of the program: a test of the lifetime begins with none.
int32_t ManagerCount()
{
    return BarManagers() ? BarManagers()->GetCount() : 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The window

TEST(HintWindow, ShowAtSizesTheWindowToTheMeasuredTextAndPlacesItAtThePoint)
{
    TManagerScene Scene;
    TcbBarHintWindow* Hint = cbHintWindow();
    ASSERT_NE(nullptr, Hint);
    ASSERT_TRUE(Scene.Manager->GetUseSystemFont());
    Hint->ShowAt(TPoint{100, 120}, "Open file", Scene.Manager);
    TScopeExit Hide([Hint] { Hint->HideHint(); });
    HWND H = Hint->GetHandle();
    ASSERT_TRUE(IsWindowVisible(H));
    EXPECT_EQ("Open file", HintText());
    const LONG Style = GetWindowLongA(H, GWL_STYLE), ExStyle = GetWindowLongA(H, GWL_EXSTYLE);
    EXPECT_NE(0, Style & WS_POPUP);
    EXPECT_NE(0, Style & WS_DISABLED);
    EXPECT_NE(0, ExStyle & WS_EX_TOPMOST);
    EXPECT_NE(0, ExStyle & WS_EX_TOOLWINDOW);
    EXPECT_NE(0u, GetClassLongA(H, GCL_STYLE) & CS_SAVEBITS);
    EXPECT_EQ(nullptr, GetWindow(H, GW_OWNER));
    EXPECT_NE(H, GetForegroundWindow()) << "shown without activation";

    const TRect Work = GetMonitorWorkArea(TPoint{100, 120});
    const SIZE Text = StatusFontTextSize("Open file", Work.right - Work.left);
    const TRect R = HintRect();
    EXPECT_EQ(100, R.left);
    EXPECT_EQ(120, R.top);
    EXPECT_EQ(Text.cx + 6, R.right - R.left);
    EXPECT_EQ(Text.cy + 6, R.bottom - R.top);

    // A raised outer edge, the info background inside it and text in the info text colour.
    const TestSupport::TShot Shot = TestSupport::CaptureFullPaint(H);
    ASSERT_EQ(R.right - R.left, Shot.W);
    TestSupport::ExpectPixel(Shot, 0, 0, GetSysColor(COLOR_3DLIGHT), "the edge's top-left");
    TestSupport::ExpectPixel(Shot, Shot.W - 1, Shot.H - 1, GetSysColor(COLOR_3DDKSHADOW), "the edge's bottom-right");
    TestSupport::ExpectPixel(Shot, 1, 1, GetSysColor(COLOR_INFOBK), "inside the edge");
    const COLORREF Ink = GetSysColor(COLOR_INFOTEXT);
    const uint32_t InkRGB = (GetRValue(Ink) << 16) | (GetGValue(Ink) << 8) | GetBValue(Ink);
    EXPECT_TRUE(Shot.Contains(RECT{3, 3, Shot.W - 2, Shot.H - 2}, InkRGB)) << "the text is drawn";
}

TEST(HintWindow, NearTheWorkAreasEdgesTheHintMovesLeftAndAboveThePoint)
{
    TManagerScene Scene;
    TcbBarHintWindow* Hint = cbHintWindow();
    ASSERT_NE(nullptr, Hint);
    TScopeExit Hide([Hint] { Hint->HideHint(); });
    const TRect Work = GetMonitorWorkArea(TPoint{0, 0});

    const TPoint Corner{Work.right - 5, Work.bottom - 5};
    Hint->ShowAt(Corner, "Opens a file from the disk", Scene.Manager);
    TRect R = HintRect();
    EXPECT_EQ(Work.right, R.right) << "the right edge on the work area's";
    EXPECT_EQ(Corner.y - 50, R.top) << "50 pixels above the point";

    // Only the crossed edge moves the window.
    const TPoint RightOnly{Work.right - 5, Work.top + 100};
    Hint->ShowAt(RightOnly, "Opens a file from the disk", Scene.Manager);
    R = HintRect();
    EXPECT_EQ(Work.right, R.right);
    EXPECT_EQ(RightOnly.y, R.top);

    // Above and left of the work area the window is held inside it.
    Hint->ShowAt(TPoint{Work.left - 30, Work.top - 40}, "Open file", Scene.Manager);
    R = HintRect();
    EXPECT_EQ(Work.left, R.left);
    EXPECT_EQ(Work.top, R.top);

    // A text wider than the work area breaks into lines within it.
    std::string Words;
    for (int I = 0; I < 60; ++I)
        Words += "lengthy ";
    Hint->ShowAt(TPoint{Work.left, Work.top}, Words, Scene.Manager);
    R = HintRect();
    EXPECT_LE(R.right - R.left, Work.right - Work.left + 6);
    EXPECT_GT(R.bottom - R.top, 2 * (StatusFontTextSize("x", 1000).cy) + 6 - 1) << "several lines";
}

TEST(HintWindow, WithoutTheSystemFontTheManagersFontIsUsed)
{
    TManagerScene Scene;
    Scene.Manager->SetUseSystemFont(false);
    Scene.Manager->SetScaled(false); // else the height follows the system's
    Scene.Manager->GetFont()->SetName("Tahoma");
    Scene.Manager->GetFont()->SetHeight(-30);
    TcbBarHintWindow* Hint = cbHintWindow();
    ASSERT_NE(nullptr, Hint);
    TScopeExit Hide([Hint] { Hint->HideHint(); });
    Hint->ShowAt(TPoint{100, 100}, "Open file", Scene.Manager);
    const TRect R = HintRect();
    EXPECT_GT(R.bottom - R.top, StatusFontTextSize("Open file", 1000).cy + 6) << "the 30-pixel font is taller";
    const TSize Text = MeasureText(Scene.Manager->GetFont(), "Open file", DT_WORDBREAK | DT_NOPREFIX, 1280);
    EXPECT_EQ(Text.cy + 6, R.bottom - R.top);
}

// ---------------------------------------------------------------------------------------------
// The states, with texts given directly

TEST(HintStates, AGivenTextShowsAfterTheDelayBelowTheCursorAndAtOnceWhileAHintShows)
{
    TManagerScene Scene;
    TcbBarManager* M = Scene.Manager;
    const ULONGLONG Asked = GetTickCount64();
    M->ActivateHint(true, "More Buttons");
    EXPECT_FALSE(HintVisible()) << "not before the delay";
    ASSERT_TRUE(TestSupport::PumpUntil(HintVisible, 5000, "the hint"));
    EXPECT_GE(GetTickCount64() - Asked, 800u);
    EXPECT_EQ("More Buttons", HintText());

    // While it shows, another text replaces it at once; no delay runs.
    M->ActivateHint(true, "Expand (Ctrl-Down)");
    EXPECT_TRUE(HintVisible());
    EXPECT_EQ("Expand (Ctrl-Down)", HintText());

    // Hidden without Activate: no grace, the next text waits for the delay again.
    M->ActivateHint(false, "");
    EXPECT_FALSE(HintVisible());
    M->ActivateHint(true, "More Buttons");
    EXPECT_FALSE(HintVisible());
    ASSERT_TRUE(TestSupport::PumpUntil(HintVisible, 5000, "the hint after the delay"));

    // Hidden with Activate (the mouse left every control): the next text shows at once.
    M->ActivateHint(true, "");
    EXPECT_FALSE(HintVisible());
    M->ActivateHint(true, "Drag to make this menu float");
    EXPECT_TRUE(HintVisible());
    EXPECT_EQ("Drag to make this menu float", HintText());
    M->ActivateHint(false, "");
    EXPECT_FALSE(HintVisible());
}

TEST(HintStates, TheReshowGraceEndsAndThenTheDelayRunsAgain)
{
    TManagerScene Scene;
    TcbBarManager* M = Scene.Manager;
    M->ActivateHint(true, "More Buttons");
    ASSERT_TRUE(TestSupport::PumpUntil(HintVisible, 5000, "the hint"));
    M->ActivateHint(true, "");
    ASSERT_FALSE(HintVisible());
    // Past the grace the delay applies again.
    WaitForTimerOf(kHintReshowGrace, "the re-show grace over");
    M->ActivateHint(true, "More Buttons");
    EXPECT_FALSE(HintVisible());
    M->ActivateHint(false, "");
}

TEST(HintStates, WithShowHintOffNothingShowsNotEvenAHintAskedForBefore)
{
    TManagerScene Scene;
    TcbBarManager* M = Scene.Manager;
    M->SetShowHint(false);
    M->ActivateHint(true, "More Buttons");
    WaitForTimerOf(kHintShowDelay, "the show delay over");
    PumpPosted("the delay's messages handled");
    EXPECT_FALSE(HintVisible());
    M->SetShowHint(true);
    M->ActivateHint(true, "More Buttons");
    ASSERT_TRUE(TestSupport::PumpUntil(HintVisible, 5000, "the hint with ShowHint back on"));
    M->ActivateHint(false, "");

    // Asked for just before ShowHint goes off: its delay ends without a hint.
    M->ActivateHint(true, "More Buttons");
    M->SetShowHint(false);
    WaitForTimerOf(kHintShowDelay, "the show delay over");
    PumpPosted("the delay's messages handled");
    EXPECT_FALSE(HintVisible());
}

TEST(HintStates, AShownHintHidesAfterItsTimeAndNotBefore)
{
    TManagerScene Scene;
    TcbBarManager* M = Scene.Manager;
    M->ActivateHint(true, "More Buttons");
    ULONGLONG LastHidden = GetTickCount64();
    ASSERT_TRUE(TestSupport::PumpUntil([&] {
        if (!HintVisible())
            LastHidden = GetTickCount64();
        return HintVisible();
    }, 5000, "the hint"));
    ASSERT_TRUE(TestSupport::PumpUntil([] { return !HintVisible(); }, kHintHideDelay + 5000, "the hint to hide"));
    EXPECT_GE(GetTickCount64() - LastHidden, kHintHideDelay);
}

// ---------------------------------------------------------------------------------------------
// Lifetime

TEST(HintLifetime, TheWindowComesWithTheFirstManagerAndGoesWithTheLast)
{
    ASSERT_EQ(0, ManagerCount());
    EXPECT_EQ(nullptr, cbHintWindow());
    HWND Handle = nullptr;
    {
        TManagerScene First;
        TcbBarHintWindow* Hint = cbHintWindow();
        ASSERT_NE(nullptr, Hint);
        {
            TManagerScene Second;
            EXPECT_EQ(Hint, cbHintWindow()) << "one window for all managers";
            Second.Manager->ActivateHint(true, "More Buttons");
            ASSERT_TRUE(TestSupport::PumpUntil(HintVisible, 5000, "the second manager's hint"));
            Handle = HintHandle();
        }
        EXPECT_EQ(Hint, cbHintWindow()) << "kept while a manager lives";
        EXPECT_FALSE(HintVisible()) << "the freed manager's hint went with it";
    }
    EXPECT_EQ(nullptr, cbHintWindow());
    EXPECT_FALSE(IsWindow(Handle));
    // A later manager makes a new one.
    TManagerScene Again;
    EXPECT_NE(nullptr, cbHintWindow());
}

TEST(HintLifetime, APendingHintOfAFreedManagerNeverShows)
{
    TManagerScene Staying;
    {
        TManagerScene Going;
        Going.Manager->ActivateHint(true, "More Buttons");
    }
    WaitForTimerOf(kHintShowDelay, "the show delay over");
    PumpPosted("the delay's messages handled");
    EXPECT_FALSE(HintVisible());
    // The staying manager's hints are unaffected.
    Staying.Manager->ActivateHint(true, "More Buttons");
    ASSERT_TRUE(TestSupport::PumpUntil(HintVisible, 5000, "the staying manager's hint"));
    Staying.Manager->ActivateHint(false, "");
}

namespace {

class THintDesignForm : public TForm {
public:
    THintDesignForm() : TForm(nullptr) {}
    std::string ClassName() const override { return "THintDesignForm"; }
};

} // namespace

TEST(HintLifetime, AManagerBuiltWhileADesignIsReadAgainMakesNoHintWindow)
{
    ASSERT_EQ(0, ManagerCount());
    bool Built = false;
    bool HintDuringRead = true;
    RegisterFormDesign("THintDesignForm", [&](TCustomForm& Root, const TFormDesignContext&) {
        new TcbBarManager(&Root);
        Built = true;
        HintDuringRead = cbHintWindow() != nullptr;
    });
    TScopeExit Unregister([] { UnregisterFormDesign("THintDesignForm"); });
    TComponentPtr<THintDesignForm> Original(new THintDesignForm);
    TComponentPtr<TForm> Copy = ReadFormDesign(*Original);
    ASSERT_TRUE(Built);
    ASSERT_NE(nullptr, Copy);
    EXPECT_FALSE(HintDuringRead);
    EXPECT_EQ(nullptr, cbHintWindow());
    Copy.reset();
    EXPECT_EQ(nullptr, cbHintWindow());
}
