// The XP style under real input, with the form in front: a docked button hot and pressed, a
// main-menu title selected by Alt and clicked open, and a floating bar's caption strip (inactive and active form)
// and close button (normal, hot, pressed) read from the screen. Which theme part and state went
// where is read from the theme's entry table; expected pixels are the test's own drawing of the
// same part after the same fill. The program runs alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include <vssym32.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbSubMenu.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/painters/cbPainterXP.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/FloatingFixture.h"
#include "tests/commandbars/support/ThemeCallRecorder.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/commandbars/support/XPScene.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using namespace CommandBarsTest;

namespace {

POINT ScreenCentre(HWND W, const TRect& ClientRect)
{
    POINT P{(ClientRect.left + ClientRect.right) / 2, (ClientRect.top + ClientRect.bottom) / 2};
    ClientToScreen(W, &P);
    return P;
}

// The state of the last ToolBar part the bar drew over R since the record was cleared: what
// the screen shows of the button (0 when the bar drew none there).
int ShownButtonState(const TThemeCallRecorder& Calls, HWND W, const TRect& R)
{
    const std::vector<TThemeCall> Found = Calls.At(tcToolBar, W, R);
    EXPECT_FALSE(Found.empty()) << "the bar drew nothing over the button";
    if (Found.empty())
        return 0;
    EXPECT_EQ(Found.back().Part, TP_BUTTON);
    return Found.back().State;
}

// The button's top and left edges (its glyph covers the rest of it) against the test's own
// drawing: the bar brush, then the part in State.
void ExpectButtonEdges(TXPScene& F, HWND W, const TRect& R, int State, const std::string& What)
{
    TRefBitmap Ref(R.right, R.bottom);
    Ref.Fill(BrushColor(F.Manager->GetThemedBarBrush()), &R);
    TOwnThemeHandle ToolBar(L"ToolBar");
    ToolBar.Draw(Ref.DC(), TP_BUTTON, State, R);
    const TestSupport::TShot Shot = TestSupport::CaptureShown(W);
    int32_t Differences = 0;
    for (int32_t X = R.left; X < R.right; ++X)
        Differences += ClientPixel(Shot, W, X, R.top) != Ref.Pixel(X, R.top) ? 1 : 0;
    for (int32_t Y = R.top; Y < R.bottom; ++Y)
        Differences += ClientPixel(Shot, W, R.left, Y) != Ref.Pixel(R.left, Y) ? 1 : 0;
    EXPECT_EQ(Differences, 0) << What << ": edge pixels unlike the test's drawing";
}

// A plain window of the thread that takes the foreground from the form, away from its bars.
class TOtherWindow {
public:
    TOtherWindow()
        : FWnd(CreateWindowExA(0, "STATIC", "Other", WS_POPUP | WS_VISIBLE | WS_BORDER, 1000, 850, 200, 100,
                               nullptr, nullptr, GetModuleHandleA(nullptr), nullptr))
    {
    }
    ~TOtherWindow() { DestroyWindow(FWnd); }
    TOtherWindow(const TOtherWindow&) = delete;
    TOtherWindow& operator=(const TOtherWindow&) = delete;
    HWND Get() const { return FWnd; }

private:
    HWND FWnd;
};

} // namespace

TEST(XPInput, AButtonUnderTheMouseIsHotThenPressedAndACheckedOneStaysChecked)
{
    REQUIRE_THEMES();
    TXPScene F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarControl* Bar = F.WindowOf(F.Standard);
    const HWND W = Bar->GetHandle();
    TcbBarItemControl* Plain = F.Of(F.Standard, F.StandardButtons[3]);
    TcbBarItemControl* Checked = F.Of(F.Standard, F.Checked);
    const TRect R = Plain->GetItemRect();
    TThemeCallRecorder Calls;

    // Each change is looked at as the bar drew it by itself: the calls since the input, and the
    // screen.
    const TestSupport::TShot AtRest = TestSupport::CaptureShown(W);
    Calls.Clear();
    TestSupport::MoveTo(ScreenCentre(W, R));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Bar->GetSelectedControl() == Plain; }, 5000, "a hot button"));
    TestSupport::CaptureShown(W);
    EXPECT_EQ(ShownButtonState(Calls, W, R), TS_HOT);
    ExpectButtonEdges(F, W, R, TS_HOT, "hot");
    TestSupport::SaveShot(TestSupport::CaptureShown(F.Site(dsTop)->GetHandle()), "xp-toolbar-hot");

    Calls.Clear();
    TestSupport::ButtonDown();
    TestSupport::WaitProcessed();
    TestSupport::CaptureShown(W);
    EXPECT_EQ(ShownButtonState(Calls, W, R), TS_PRESSED);
    ExpectButtonEdges(F, W, R, TS_PRESSED, "pressed");
    TestSupport::SaveShot(TestSupport::CaptureShown(F.Site(dsTop)->GetHandle()), "xp-toolbar-pressed");
    // Let go away from the button: no command, the button normal again.
    Calls.Clear();
    TestSupport::MoveTo(POINT{F.Form->GetLeft() + 300, F.Form->GetTop() + 400});
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Bar->GetSelectedControl() == nullptr; }, 5000, "the mouse gone"));
    TestSupport::CaptureShown(W);
    EXPECT_EQ(ShownButtonState(Calls, W, R), TS_NORMAL);
    {
        const TestSupport::TShot Again = TestSupport::CaptureShown(W);
        int32_t Differences = 0;
        for (int32_t Y = R.top; Y < R.bottom; ++Y)
            for (int32_t X = R.left; X < R.right; ++X)
                Differences += ClientPixel(Again, W, X, Y) != ClientPixel(AtRest, W, X, Y) ? 1 : 0;
        EXPECT_EQ(Differences, 0) << "the button is drawn as it was before the mouse came";
    }

    // A checked button under the mouse stays checked.
    Calls.Clear();
    TestSupport::MoveTo(ScreenCentre(W, Checked->GetItemRect()));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Bar->GetSelectedControl() == Checked; }, 5000, "a hot checked button"));
    TestSupport::CaptureShown(W);
    EXPECT_EQ(ShownButtonState(Calls, W, Checked->GetItemRect()), TS_CHECKED);
    TestSupport::MoveTo(POINT{F.Form->GetLeft() + 300, F.Form->GetTop() + 400});
    TestSupport::WaitProcessed();
}

TEST(XPInput, AMainMenuTitleSelectedByAltOrClickedOpenIsAHighlightBlockWithoutToolBarParts)
{
    REQUIRE_THEMES();
    TXPScene F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarControl* Bar = F.WindowOf(F.MainMenu);
    const HWND W = Bar->GetHandle();
    TcbBarItemControl* Title = F.Of(F.MainMenu, F.File);
    const TRect R = Title->GetItemRect();
    const COLORREF Highlight = GetSysColor(COLOR_HIGHLIGHT), Text = GetSysColor(COLOR_HIGHLIGHTTEXT);
    // Calls is cleared before each input; the bar's own drawing of the change is looked at.
    TThemeCallRecorder Calls;
    auto ExpectBlock = [&](const std::string& How) {
        TestSupport::CaptureShown(W);
        for (const TThemeCall& C : Calls.Of(tcToolBar, W)) {
            RECT Common{};
            EXPECT_FALSE(IntersectRect(&Common, &C.R, &R)) << How << ": a ToolBar part " << C.Part << " over the title";
        }
        const TestSupport::TShot Shot = TestSupport::CaptureShown(W);
        size_t Other = 0, Caption = 0;
        for (int32_t Y = R.top; Y < R.bottom; ++Y)
            for (int32_t X = R.left; X < R.right; ++X) {
                const COLORREF C = ClientPixel(Shot, W, X, Y);
                Caption += C == Text ? 1 : 0;
                Other += C != Text && C != Highlight ? 1 : 0;
            }
        EXPECT_EQ(Other, 0u) << How << ": pixels that are neither the block nor its caption";
        EXPECT_GT(Caption, 0u) << How;
    };

    // Alt alone: the menu mode selects the first title.
    Calls.Clear();
    TestSupport::Press(VK_MENU);
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Bar->GetSelectedControl() == Title; }, 5000, "Alt's menu mode"));
    ExpectBlock("selected by Alt");
    Calls.Clear();
    TestSupport::Press(VK_ESCAPE);
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return F.Manager->GetKeyboardBarControl() == nullptr; }, 5000,
                                       "the menu mode ended"));
    TestSupport::CaptureShown(W);
    const std::vector<TThemeCall> AtRest = Calls.At(tcToolBar, W, R);
    ASSERT_FALSE(AtRest.empty()) << "the title was drawn at rest again";
    EXPECT_EQ(AtRest.back().Part, TP_BUTTON) << "a title at rest is a plain button part again";

    // A click opens it: pressed while its menu shows.
    Calls.Clear();
    TestSupport::Click(ScreenCentre(W, R));
    TestSupport::WaitProcessed();
    ASSERT_NE(TMenuFixture::MenuOf(F.File), nullptr) << "the click opened the menu";
    ExpectBlock("clicked open");
    F.CloseMenus();
}

TEST(XPInput, AFloatingBarsCaptionFollowsItsFormAndItsCloseButtonGoesHotAndPressed)
{
    REQUIRE_THEMES();
    TFloatingFixture F;
    F.Manager->SetStyle(bmsXP);
    TestSupport::PumpUntil([&] { return F.ToolsWindow() != nullptr; }, 5000, "the floating bar's window");
    PumpPosted("the style change handled");
    TcbBarControl* Tools = F.ToolsWindow();
    ASSERT_NE(Tools, nullptr);
    const HWND W = Tools->GetHandle();
    // The form in front may cover the bar: raised, the bar draws what the screen showed of it.
    auto Raise = [&] {
        SetWindowPos(W, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        TestSupport::CaptureShown(W);
    };
    const TRect Caption = Tools->GetCaptionRect(false);
    const TRect Close = Tools->GetCloseButtonRect(false);
    ASSERT_FALSE(IsRectEmpty(&Caption));
    ASSERT_FALSE(IsRectEmpty(&Close));
    auto ExpectStrip = [&](COLORREF Colour, const std::string& What) {
        const TestSupport::TShot Shot = TestSupport::CaptureShown(W);
        TestSupport::ExpectPixel(Shot, Caption.left + 1, Caption.top + 1, Colour, What + ", before the text");
        TestSupport::ExpectPixel(Shot, Close.left - 1, Caption.bottom - 1, Colour, What + ", by the close button");
    };

    // The form in front.
    ASSERT_TRUE(F.BringToFront());
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return F.Manager->IsActive(); }, 5000, "the manager active"));
    Raise();
    ExpectStrip(GetSysColor(COLOR_ACTIVECAPTION), "the active form's caption");

    // The close button: normal, hot under the mouse, pressed; each the part of its state on the
    // caption colour, drawn by the test.
    TOwnThemeHandle Window(L"Window");
    TThemeCallRecorder Calls;
    // InLoop: looked at from inside the close button's own loop, which must not be served here.
    auto ExpectClose = [&](int State, const std::string& What, bool InLoop = false) {
        const std::vector<TThemeCall> Found = Calls.Of(tcWindow, W);
        ASSERT_FALSE(Found.empty()) << What << ": no close button drawn";
        EXPECT_EQ(Found.back().Part, WP_SMALLCLOSEBUTTON) << What;
        EXPECT_EQ(Found.back().State, State) << What;
        EXPECT_TRUE(EqualRect(&Found.back().R, &Close)) << What;
        TRefBitmap Ref(Close.right - Close.left, Close.bottom - Close.top);
        Ref.Fill(GetSysColor(COLOR_ACTIVECAPTION));
        Window.Draw(Ref.DC(), WP_SMALLCLOSEBUTTON, State, RECT{0, 0, Ref.Width(), Ref.Height()});
        const TestSupport::TShot Shot = InLoop ? TestSupport::CaptureScreen(W) : TestSupport::CaptureShown(W);
        int32_t Differences = 0;
        for (int32_t Y = 0; Y < Ref.Height(); ++Y)
            for (int32_t X = 0; X < Ref.Width(); ++X)
                Differences += ShotColor(Shot.At(Close.left + X, Close.top + Y)) != Ref.Pixel(X, Y) ? 1 : 0;
        EXPECT_EQ(Differences, 0) << What << ": pixels unlike the test's drawing";
    };
    // The button at rest, as a full paint draws it; every change after it as the bar drew it.
    Calls.Clear();
    Repaint(W);
    ExpectClose(CBS_NORMAL, "normal");
    Calls.Clear();
    const TRect Where = F.ScreenRectOf(F.Tools);
    const POINT Centre{Where.left + (Close.left + Close.right) / 2, Where.top + (Close.top + Close.bottom) / 2};
    TestSupport::MoveTo(Centre);
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Tools->GetCloseButtonState() == bstHot; }, 5000, "a hot close button"));
    ExpectClose(CBS_HOT, "hot");
    // The press runs the close button's own loop until the release: the script presses, waits
    // and lets go away from the button, and a timer looks while the loop runs.
    bool Looked = false;
    UINT_PTR Timer = 0;
    Timer = ThreadTimerStart(50, [&](UINT_PTR) {
        if (Looked || Tools->GetCloseButtonState() != bstPressed)
            return;
        Looked = true;
        ThreadTimerStop(Timer);
        ExpectClose(CBS_PUSHED, "pressed", true);
        TestSupport::SaveShot(TestSupport::CaptureScreen(W), "xp-floating");
    });
    const TRect Screen = F.ScreenRectOf(F.Tools);
    TestSupport::TInputScript Script;
    Script.ButtonDown().Delay(1500).MoveTo(POINT{Screen.left + 10, Screen.bottom + 40}).ButtonUp();
    Script.Play();
    EXPECT_TRUE(Script.Wait());
    ThreadTimerStop(Timer);
    TestSupport::WaitProcessed();
    EXPECT_TRUE(Looked) << "the close button was never seen pressed";
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Tools->GetCloseButtonState() == bstNormal; }, 5000,
                                       "the close button normal again"));
    EXPECT_TRUE(F.Tools->GetVisible());
    ExpectClose(CBS_NORMAL, "normal again");

    // Another window in front: the form is inactive and so is the bar's caption.
    {
        TOtherWindow Other;
        SetForegroundWindow(Other.Get());
        ASSERT_TRUE(TestSupport::PumpUntil([&] { return GetForegroundWindow() == Other.Get(); }, 5000, "the other window in front"));
        ASSERT_TRUE(TestSupport::PumpUntil([&] { return !F.Manager->IsActive(); }, 5000, "the manager inactive"));
        Raise();
        ExpectStrip(GetSysColor(COLOR_INACTIVECAPTION), "the inactive form's caption");
    }
}
