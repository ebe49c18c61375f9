// The MDI buttons of the frame's main menu bar under the real mouse: a click on restore, a
// press released elsewhere, a grayed minimize drawn disabled and deaf to presses, hot tracking,
// and the close button alone; and the picture of a frame with a maximized child's merged menu.
#include <gtest/gtest.h>

#include <string>

#include "commandbars/input/cbBarDrag.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbBarPopups.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/MDIFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::Captions;
using CommandBarsTest::TMDIFixture;
using TestSupport::TInputScript;

namespace {

// How many pixels of Colour the rect of the shot holds.
int CountColour(const TestSupport::TShot& Shot, const TRect& R, COLORREF Colour)
{
    int N = 0;
    for (int32_t Y = R.top; Y < R.bottom; ++Y)
        for (int32_t X = R.left; X < R.right; ++X)
            N += Shot.At(X, Y) == Colour ? 1 : 0;
    return N;
}

TRect InShot(TcbBarControl* Window, TRect R)
{
    const POINT O = TestSupport::ClientOrigin(Window->GetHandle());
    OffsetRect(&R, O.x, O.y);
    return R;
}

// Waits until no input came for longer than the double-click time, so that the next press is
// not taken as the second click of an earlier one.
bool WaitPastDoubleClickTime()
{
    return TestSupport::PumpUntil([] {
        LASTINPUTINFO Last{sizeof(Last), 0};
        return GetLastInputInfo(&Last) && GetTickCount() - Last.dwTime > GetDoubleClickTime();
    }, GetDoubleClickTime() + 5000, "a double-click time without input");
}

} // namespace

TEST(MDIButtonsInput, RestoreClickedRestoresAndAReleaseElsewhereDoesNothing)
{
    TMDIFixture F;
    auto C = F.AddChild("Child", Captions({"&Edit", "&Tools"}));
    F.Maximize(C.Form);
    ASSERT_TRUE(TestSupport::BringToFront(*F.Frame));
    TcbBarControl* Window = F.FrameMenuWindow();
    ASSERT_EQ(mbmThreeButtons, Window->GetMDIButtonsMode());
    const HWND Child = C.Form->GetHandle();

    // Hot under the mouse.
    const POINT Restore = F.MDIButtonCentre(1);
    TestSupport::MoveTo(Restore);
    TestSupport::WaitProcessed();
    EXPECT_TRUE(TestSupport::PumpUntil([] { return TcbBarControl::GetHotMDIButton() == 1; }, 5000, "restore hot"));

    // Pressed, then released below the bar: nothing is sent.
    C.Form->SysCommands.clear();
    TestSupport::ButtonDown();
    TestSupport::WaitProcessed();
    EXPECT_EQ(1, TcbBarControl::GetPressedMDIButton());
    EXPECT_FALSE(cbIsBarDragging());
    TestSupport::MoveTo(POINT{Restore.x - 200, Restore.y + 150});
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    TestSupport::PumpUntil([] { return TcbBarControl::GetPressedMDIButton() == -1; }, 5000, "the press ended");
    PumpPosted("the release handled");
    EXPECT_EQ(-1, TcbBarControl::GetPressedMDIButton());
    EXPECT_NE(Window->GetHandle(), GetCapture());
    EXPECT_TRUE(C.Form->SysCommands.empty());
    EXPECT_TRUE(IsZoomed(Child));

    // Press and release on it: SC_RESTORE, the child restored and its menus back home.
    TestSupport::Click(F.MDIButtonCentre(1));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return !IsZoomed(Child); }, 5000, "the child restored"));
    EXPECT_EQ(std::vector<UINT>{SC_RESTORE}, C.Form->SysCommands);
    TestSupport::PumpUntil([&] { return F.FrameMenuWindow()->GetMDIButtonsMode() == mbmNone; }, 5000,
                           "the MDI buttons gone with the restore");
    PumpPosted("the restore handled");
    EXPECT_EQ(Captions({"&File", "&Window"}), F.FrameCaptions());
    EXPECT_TRUE(C.Menu->GetVisible());
    EXPECT_EQ(mbmNone, F.FrameMenuWindow()->GetMDIButtonsMode());
}

TEST(MDIButtonsInput, AGrayedMinimizeDrawsDisabledAndIgnoresPresses)
{
    TMDIFixture F;
    auto C = F.AddChild("Child", Captions({"&Edit"}));
    F.Maximize(C.Form);
    ASSERT_TRUE(TestSupport::BringToFront(*F.Frame));
    TcbBarControl* Window = F.FrameMenuWindow();
    const TRect Minimize = Window->GetMDIButtonRect(0);
    // The glyph in the button text colour while enabled...
    const TestSupport::TShot Enabled = TestSupport::CaptureShown(Window->GetHandle());
    EXPECT_GT(CountColour(Enabled, InShot(Window, Minimize), GetSysColor(COLOR_BTNTEXT)), 0);

    // ...and without it once the child's window menu grays the command.
    // Nothing tells the bar of the window menu's change: the next full paint shows it.
    EnableMenuItem(GetSystemMenu(C.Form->GetHandle(), FALSE), SC_MINIMIZE, MF_BYCOMMAND | MF_GRAYED);
    const TestSupport::TShot Disabled = TestSupport::CaptureFullPaint(Window->GetHandle());
    EXPECT_EQ(0, CountColour(Disabled, InShot(Window, Minimize), GetSysColor(COLOR_BTNTEXT)));
    EXPECT_GT(CountColour(Disabled, InShot(Window, Minimize), GetSysColor(COLOR_BTNSHADOW)), 0);
    // The restore button is drawn as before.
    const TRect Restore = InShot(Window, Window->GetMDIButtonRect(1));
    EXPECT_EQ(CountColour(Enabled, Restore, GetSysColor(COLOR_BTNTEXT)),
              CountColour(Disabled, Restore, GetSysColor(COLOR_BTNTEXT)));

    // A press on it: neither hot nor pressed, no capture, no drag of the bar, nothing sent.
    const RECT Before = F.ScreenRect();
    C.Form->SysCommands.clear();
    TestSupport::MoveTo(F.MDIButtonCentre(0));
    TestSupport::WaitProcessed();
    EXPECT_EQ(-1, TcbBarControl::GetHotMDIButton());
    TestSupport::ButtonDown();
    TestSupport::WaitProcessed();
    EXPECT_EQ(-1, TcbBarControl::GetPressedMDIButton());
    EXPECT_FALSE(cbIsBarDragging());
    TestSupport::MoveTo(POINT{F.MDIButtonCentre(0).x - 40, F.MDIButtonCentre(0).y + 60});
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    PumpPosted("the release handled");
    EXPECT_EQ(dsTop, F.FrameMenu->GetDockingStyle());
    const RECT After = F.ScreenRect();
    EXPECT_TRUE(EqualRect(&Before, &After));
    EXPECT_TRUE(C.Form->SysCommands.empty());
    EXPECT_TRUE(IsZoomed(C.Form->GetHandle()));
}

TEST(MDIButtonsInput, TheCloseButtonAloneFiresOnCloseButtonClickOnce)
{
    TMDIFixture F;
    int Clicks = 0;
    F.FrameManager->OnCloseButtonClick = [&Clicks](TObject*) { ++Clicks; };
    F.FrameManager->SetShowCloseButton(true);
    TestSupport::PumpUntil([&] { return F.FrameMenuWindow()->GetMDIButtonsMode() == mbmCloseOnly; }, 5000,
                           "the close button shown");
    ASSERT_TRUE(TestSupport::BringToFront(*F.Frame));
    ASSERT_EQ(mbmCloseOnly, F.FrameMenuWindow()->GetMDIButtonsMode());
    TestSupport::Click(F.MDIButtonCentre(2));
    TestSupport::WaitProcessed();
    TestSupport::PumpUntil([&] { return Clicks >= 1; }, 5000, "the close button's click");
    PumpPosted("the click handled");
    EXPECT_EQ(1, Clicks);
    EXPECT_EQ(-1, TcbBarControl::GetPressedMDIButton());
    EXPECT_NE(F.FrameMenuWindow()->GetHandle(), GetCapture());
}

TEST(MDIButtonsInput, PictureOfAFrameWithAMaximizedChild)
{
    TMDIFixture F;
    auto C = F.AddChild("Child", Captions({"&Edit", "&Tools"}));
    SendMessageA(C.Form->GetHandle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(LoadIconA(nullptr, IDI_APPLICATION)));
    F.Maximize(C.Form);
    ASSERT_TRUE(TestSupport::BringToFront(*F.Frame));
    const POINT Close = F.MDIButtonCentre(2);
    TestSupport::MoveTo(POINT{Close.x - 60, Close.y + 80});
    TestSupport::MoveTo(Close);
    TestSupport::WaitProcessed();
    TestSupport::PumpUntil([] { return TcbBarControl::GetHotMDIButton() == 2; }, 5000, "close hot");
    const TestSupport::TShot Shot = TestSupport::CaptureShown(F.Frame->GetHandle());
    EXPECT_FALSE(TestSupport::SaveShot(Shot, "mdi-merged").empty());
    // The merged menus and the system-menu item are on the frame's bar in the picture.
    EXPECT_EQ(Captions({"<system>", "&File", "&Window", "&Edit", "&Tools"}), F.FrameCaptions());
}

// ---------------------------------------------------------------------------------------------
// Customizing a child's bars: the frame, whose manager is not the customized one, is disabled
// with every window inside it, the child among them; the child's bars still take the mouse.

namespace {

TcbBarItemControl* TitleOf(TcbBarControl* Window, TcbBarItem* Item)
{
    TcbBarItemLinks* Links = Window->GetItemLinks();
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        if (Links->GetItem(I)->GetItem() == Item)
            return Links->GetItem(I)->GetControl();
    return nullptr;
}

POINT ScreenCentre(TcbBarItemControl* Control)
{
    TCustomcbBarControl* Window = Control->GetBarControl();
    const TRect R = Window->GetItemRect(Control);
    POINT P{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
    ClientToScreen(Window->GetHandle(), &P);
    return P;
}

std::string CaptionsOf(TcbBarItemLinks* Links)
{
    std::string Text;
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        Text += (I ? " " : "") + Links->GetItem(I)->GetItem()->GetCaption();
    return Text;
}

struct TCustomizedChild {
    TMDIFixture F;
    TMDIFixture::TChild C = F.AddChild("Child", Captions({"&Edit", "&Tools"}));
    TcbBarControl* Window = nullptr;

    TCustomizedChild()
    {
        WaitPastDoubleClickTime();
        C.Manager->SetIsCustomizing(true);
        TestSupport::PumpUntil([] { return cbCallExtension(cbExtensions().GetCustomizingForm) != nullptr; }, 5000,
                               "the customizing dialog");
        PumpPosted("customizing started");
        Window = dynamic_cast<TcbBarControl*>(C.Menu->GetBarControl());
    }
    ~TCustomizedChild()
    {
        if (TcbBarCustomizingPopup* Popup = TcbBarCustomizingPopup::GetOpenPopup())
            Popup->HideAll();
        if (TCustomcbBarControl* Open = TCustomcbBarControl::ActiveBarControl())
            Open->HideAll();
        C.Manager->SetIsCustomizing(false);
        TestSupport::PumpUntil([] { return cbCallExtension(cbExtensions().GetCustomizingForm) == nullptr; }, 5000,
                               "the customizing dialog gone");
        PumpPosted("customizing ended");
    }
    TcbBarItem* Sub(int32_t Index) const { return C.Menu->GetItemLinks()->GetItem(Index)->GetItem(); }
};

} // namespace

TEST(MDICustomizeInput, APressOnTheChildsBarSelectsItsTitleThoughTheFrameIsDisabled)
{
    TCustomizedChild S;
    ASSERT_NE(nullptr, cbCallExtension(cbExtensions().GetCustomizingForm));
    ASSERT_FALSE(IsWindowEnabled(S.F.Frame->GetHandle())) << "the frame's form is one of the disabled";
    ASSERT_NE(nullptr, S.Window);
    TcbBarItemControl* Tools = TitleOf(S.Window, S.Sub(1));
    ASSERT_NE(nullptr, Tools);
    // While the dialog itself is held by a modal window of its own, the bars take nothing.
    const HWND Dialog = cbCallExtension(cbExtensions().GetCustomizingForm)->GetHandle();
    EnableWindow(Dialog, FALSE);
    TestSupport::Click(ScreenCentre(Tools));
    TestSupport::WaitProcessed();
    PumpPosted("the click handled");
    EXPECT_EQ(nullptr, S.C.Manager->GetSelectedItemControl());
    WaitPastDoubleClickTime();
    EnableWindow(Dialog, TRUE);
    TestSupport::Click(ScreenCentre(Tools));
    TestSupport::WaitProcessed();
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return S.C.Manager->GetSelectedItemControl() != nullptr; }, 3000,
                                       "a selection on the child's bar"));
    EXPECT_EQ(S.C.Manager->GetSelectedItemControl(), TitleOf(S.Window, S.Sub(1)));
    // The frame's own bar stays out of it.
    EXPECT_EQ(nullptr, S.F.FrameManager->GetSelectedItemControl());
}

TEST(MDICustomizeInput, ARightClickOnTheChildsBarOpensTheCustomizingPopup)
{
    TCustomizedChild S;
    ASSERT_NE(nullptr, S.Window);
    TcbBarItemControl* Edit = TitleOf(S.Window, S.Sub(0));
    ASSERT_NE(nullptr, Edit);
    TestSupport::Click(ScreenCentre(Edit), mbRight);
    EXPECT_TRUE(TestSupport::PumpUntil([] { return TcbBarCustomizingPopup::GetOpenPopup() != nullptr; }, 5000,
                                       "the customizing popup"));
}

TEST(MDICustomizeInput, AChildsTitleIsDraggedToAnotherPlaceOnItsBar)
{
    TCustomizedChild S;
    ASSERT_NE(nullptr, S.Window);
    TcbBarItem* EditItem = S.Sub(0);
    TcbBarItem* ToolsItem = S.Sub(1);
    ASSERT_EQ("&Edit &Tools", CaptionsOf(S.C.Menu->GetItemLinks()));
    const POINT From = ScreenCentre(TitleOf(S.Window, ToolsItem));
    const TRect EditRect = S.Window->GetItemRect(TitleOf(S.Window, EditItem));
    POINT To{EditRect.left + 3, (EditRect.top + EditRect.bottom) / 2};
    ClientToScreen(S.Window->GetHandle(), &To);
    TInputScript Script;
    Script.MoveTo(From).WaitProcessed().ButtonDown().WaitProcessed();
    Script.MoveTo(POINT{From.x - 10, From.y}).WaitProcessed().MoveTo(To).WaitProcessed();
    Script.MoveTo(POINT{To.x + 1, To.y}).WaitProcessed().ButtonUp().WaitProcessed();
    Script.Play();
    EXPECT_TRUE(Script.Wait());
    TestSupport::PumpUntil([&] { return CaptionsOf(S.C.Menu->GetItemLinks()) == "&Tools &Edit"; }, 5000,
                           "the title moved before Edit");
    PumpPosted("the drop handled");
    EXPECT_EQ("&Tools &Edit", CaptionsOf(S.C.Menu->GetItemLinks()));
}
