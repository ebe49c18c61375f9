// The toolbar's keyboard mode with the form in front (the focus stays on the form's edit), and the
// toolbar under the real mouse: a hot button's Flat pixels, a clicked button hot again at once,
// and the "More Buttons" mark turning hot (asking the manager for its hint) and pressed (opening
// the quick-customization window once and playing the menu sound).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "tests/commandbars/support/ToolbarFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::BrushColor;
using CommandBarsTest::PumpPosted;
using CommandBarsTest::WithKeyDown;
using CommandBarsTest::TToolbarFixture;

namespace {

// A manager that records the hints its bar windows ask for.
class THintRecordingManager : public TcbBarManager {
public:
    using TcbBarManager::TcbBarManager;
    void ActivateHint(bool Activate, const std::string& AHint) override
    {
        Calls.push_back({Activate, AHint});
    }
    struct TCall {
        bool Activate;
        std::string Hint;
    };
    std::vector<TCall> Calls;
};

POINT ScreenCentre(TcbBarControl* Window, const TRect& ClientRect)
{
    POINT P{(ClientRect.left + ClientRect.right) / 2, (ClientRect.top + ClientRect.bottom) / 2};
    ClientToScreen(Window->GetHandle(), &P);
    return P;
}

void Key(TcbBarControl* Window, WORD K)
{
    SendMessageA(Window->GetHandle(), WM_KEYDOWN, K, 0);
}

TcbBarItemControl* ControlOf(TcbBarItem* Item, TcbBar* Bar)
{
    TcbBarItemLinks* Links = Bar->GetItemLinks();
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        if (Links->GetItem(I)->GetItem() == Item)
            return Links->GetItem(I)->GetControl();
    return nullptr;
}

// Counts WM_CANCELMODE reaching a window.
int gCancelModes = 0;
WNDPROC gPreviousProc = nullptr;
LRESULT CALLBACK CountingProc(HWND W, UINT Msg, WPARAM WP, LPARAM LP)
{
    if (Msg == WM_CANCELMODE)
        ++gCancelModes;
    return CallWindowProcA(gPreviousProc, W, Msg, WP, LP);
}

} // namespace

TEST(ToolbarsInput, AButtonUnderTheMouseIsHotAndTheMarkTurnsHotThenPressed)
{
    THintRecordingManager* Recorder = nullptr;
    TToolbarFixture F(true, [&Recorder](TForm* Form) {
        Recorder = new THintRecordingManager(Form);
        return Recorder;
    });
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TcbBarItemControl* Second = F.Standard->GetItemLinks()->GetItem(1)->GetControl();
    ASSERT_NE(Second, nullptr);
    const TRect R = Second->GetItemRect();
    TestSupport::MoveTo(ScreenCentre(Standard, R));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Standard->GetSelectedControl() == Second; }, 5000,
                                       "the button under the mouse to turn hot"));
    const TestSupport::TShot Shot = TestSupport::CaptureShown(Standard->GetHandle());
    const TPoint O = Standard->GetClientOffset();
    TestSupport::ExpectPixel(Shot, O.x + R.left, O.y + (R.top + R.bottom) / 2, GetSysColor(COLOR_HIGHLIGHT),
                             "the hot button's ring");
    TestSupport::ExpectPixel(Shot, O.x + R.left + 1, O.y + R.top + 1,
                             BrushColor(F.Manager->GetFlatSelectedItemBrush()), "the hot button's fill");

    // The mark.
    int Opened = 0;
    std::vector<TcbMenuSound> Sounds;
    cbExtensions().OpenQuickControl = [&Opened](TCustomcbBarControl*) { ++Opened; };
    SetMenuSoundHook([&Sounds](TcbMenuSound Kind) { Sounds.push_back(Kind); });
    TScopeExit Restore([] {
        cbExtensions().OpenQuickControl = nullptr;
        SetMenuSoundHook(nullptr);
    });
    const TRect Mark = F.Manager->GetPainterClass()->GetMarkRect(Standard);
    ASSERT_FALSE(IsRectEmpty(&Mark));
    Recorder->Calls.clear();
    TestSupport::MoveTo(ScreenCentre(Standard, Mark));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Standard->GetMarkState() == bstHot; }, 5000, "a hot mark"));
    bool Asked = false;
    for (const auto& Call : Recorder->Calls)
        if (Call.Activate && Call.Hint == "More Buttons")
            Asked = true;
    EXPECT_TRUE(Asked) << "the hint \"More Buttons\" is asked for";
    EXPECT_EQ(Standard->GetSelectedControl(), nullptr);

    TestSupport::ButtonDown();
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Standard->GetMarkState() == bstPressed; }, 5000, "a pressed mark"));
    EXPECT_EQ(Opened, 1);
    ASSERT_EQ(Sounds.size(), 1u);
    EXPECT_EQ(Sounds[0], msMenuPopup);

    Standard->SetMarkState(bstNormal);
    POINT Away{F.Form->GetLeft() + 300, F.Form->GetTop() + 300};
    TestSupport::MoveTo(Away);
    TestSupport::WaitProcessed();
}

// A click ends the keyboard mode it began and clears the selection with it; the button still
// under the mouse is hot again at once, without the mouse moving.
TEST(ToolbarsInput, AClickedButtonIsHotAgainWhileTheMouseStaysOnIt)
{
    TToolbarFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TcbBarItemControl* Second = F.Standard->GetItemLinks()->GetItem(1)->GetControl();
    ASSERT_NE(Second, nullptr);
    int Clicks = 0;
    static_cast<TAction*>(F.StandardButtons[1]->GetAction())->SetOnExecute([&Clicks](TObject*) { ++Clicks; });
    const TRect R = Second->GetItemRect();
    TestSupport::MoveTo(ScreenCentre(Standard, R));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Standard->GetSelectedControl() == Second; }, 5000,
                                       "the button under the mouse to turn hot"));
    TestSupport::ButtonDown();
    TestSupport::WaitProcessed();
    ASSERT_TRUE(Standard->IsActiveBar()) << "the press entered the keyboard mode";
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Clicks == 1 && !Standard->IsActiveBar(); }, 5000,
                                       "the click run and the mode ended"));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Standard->GetSelectedControl() == Second; }, 5000,
                                       "the clicked button hot again"));
    EXPECT_TRUE(Second->IsSelected());
    PumpPosted("the hot button drawn");
    const TestSupport::TShot Shot = TestSupport::CaptureShown(Standard->GetHandle());
    const TPoint O = Standard->GetClientOffset();
    TestSupport::ExpectPixel(Shot, O.x + R.left, O.y + (R.top + R.bottom) / 2, GetSysColor(COLOR_HIGHLIGHT),
                             "the clicked button's hot ring");
    TestSupport::ExpectPixel(Shot, O.x + R.left + 1, O.y + R.top + 1,
                             BrushColor(F.Manager->GetFlatSelectedItemBrush()), "the clicked button's hot fill");
    TestSupport::MoveTo(POINT{F.Form->GetLeft() + 300, F.Form->GetTop() + 300});
    TestSupport::WaitProcessed();
}

TEST(ToolbarsInput, TheKeyboardModeSelectsWrapsMovesBetweenToolbarsAndLeavesTheFocusAlone)
{
    TToolbarFixture F;
    // The focus checks need the form in front: this program runs alone, so nothing takes it away.
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    F.Edit->SetFocus();
    const HWND FormWnd = F.Form->GetHandle();
    gCancelModes = 0;
    gPreviousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(FormWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
    TScopeExit Restore([FormWnd] { SetWindowLongPtrA(FormWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gPreviousProc)); });
    const HWND EditWnd = F.Edit->GetHandle();
    ASSERT_EQ(GetFocus(), EditWnd);

    TcbBarControl* Menu = F.WindowOf(F.MainMenu);
    Menu->EnterKeyboardMode(nullptr);
    EXPECT_EQ(Menu->GetSelectedControl(), ControlOf(F.Menus[0], F.MainMenu));
    EXPECT_EQ(gCancelModes, 1);
    EXPECT_EQ(GetFocus(), EditWnd);
    EXPECT_TRUE(Menu->IsActiveBar());
    Menu->SelectControlByKeyboard(ControlOf(F.Menus[3], F.MainMenu));
    Key(Menu, VK_RIGHT);
    EXPECT_EQ(Menu->GetSelectedControl(), ControlOf(F.Menus[0], F.MainMenu)) << "Right wraps to the first";
    Key(Menu, VK_ESCAPE);
    EXPECT_FALSE(Menu->IsActiveBar());
    EXPECT_EQ(F.Manager->GetKeyboardBarControl(), nullptr);
    EXPECT_EQ(GetFocus(), EditWnd);

    // Ctrl+Tab: to Standard's first button; with Tools all disabled, past it to the status bar.
    Menu->EnterKeyboardMode(nullptr);
    WithKeyDown(VK_CONTROL, [&] { Key(Menu, VK_TAB); });
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    EXPECT_FALSE(Menu->IsActiveBar());
    ASSERT_TRUE(Standard->IsActiveBar());
    EXPECT_EQ(Standard->GetSelectedControl(), ControlOf(F.StandardButtons[0], F.Standard));
    for (TcbBarButton* Button : F.ToolsButtons)
        Button->SetEnabled(false);
    WithKeyDown(VK_CONTROL, [&] { Key(Standard, VK_TAB); });
    TcbBarControl* Status = F.WindowOf(F.Status);
    EXPECT_TRUE(Status->IsActiveBar());
    EXPECT_EQ(Status->GetSelectedControl(), ControlOf(F.StatusButton, F.Status));
    Key(Status, VK_ESCAPE);
    EXPECT_EQ(GetFocus(), EditWnd);

    // Enter on "&View" opens it: its OnPopup fires.
    int Popups = 0;
    F.Menus[2]->OnPopup = [&Popups](TObject*) { ++Popups; };
    Menu->EnterKeyboardMode(ControlOf(F.Menus[2], F.MainMenu));
    Key(Menu, VK_RETURN);
    EXPECT_EQ(Popups, 1);
    if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
        Active->HideAll();
    EXPECT_EQ(GetFocus(), EditWnd);
}
