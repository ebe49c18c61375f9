// The keyboard hook under real keys, with the form in front and its edit focused: menu mode with
// Alt and F10, keys routed to open menus and their releases swallowed, accelerators on the main
// menu bar, the context-menu keys and a bar drag that takes the keys.
#include <gtest/gtest.h>

#include <functional>

#include <windows.h>

#include "commandbars/input/cbBarDrag.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/input/cbHooks.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/model/cbPopupMenuLinks.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/FloatingFixture.h"
#include "tests/commandbars/support/KeyRecorder.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::SystemMenuShown;
using CommandBarsTest::TKeyRecorder;
using CommandBarsTest::TMenuFixture;

namespace {

using CommandBarsTest::ClicksRun;
using CommandBarsTest::Keys;

void Tap(WORD Key)
{
    TestSupport::Press(Key);
    TestSupport::WaitProcessed();
    ClicksRun();
}

// The main menu bar in keyboard mode with the item's control selected.
::testing::AssertionResult InMenuMode(TMenuFixture& F, TcbBarItem* Selected)
{
    TcbBarControl* Bar = F.WindowOf(F.MainMenu);
    if (F.Manager->GetKeyboardBarControl() != Bar)
        return ::testing::AssertionFailure() << "the main menu bar is not in keyboard mode";
    TcbBarItemControl* Want = TMenuFixture::ControlOf(Bar, Selected);
    if (!Want || Bar->GetSelectedControl() != Want)
        return ::testing::AssertionFailure() << "another control is selected";
    return ::testing::AssertionSuccess();
}

// Keys the bars leave to the form: the form's default handling of a released Alt or F10 may
// start the system's own menu mode, a modal loop, so a helper thread plays them and ends that
// mode with Esc (which an edit takes as a plain key otherwise).
void PassedOn(const std::function<void(TestSupport::TInputScript&)>& Steps)
{
    TestSupport::TInputScript S;
    Steps(S);
    S.WaitProcessed().Press(VK_ESCAPE).WaitProcessed();
    S.Play();
    EXPECT_TRUE(S.Wait());
}

bool EditFocused(TMenuFixture& F) { return GetFocus() == F.Edit->GetHandle(); }

// A sub-item with one entry, added at the end of the main menu bar.
TcbBarSubItem* AddTitle(TMenuFixture& F, const std::string& Caption)
{
    auto* Sub = new TcbBarSubItem(F.Form.get());
    Sub->SetCaption(Caption);
    Sub->GetItemLinks()->Add()->SetItem(F.MakeCommand("Entry of " + Caption));
    F.MainMenu->GetItemLinks()->Add()->SetItem(Sub);
    TestSupport::PumpUntil([&] { return F.ControlOf(F.WindowOf(F.MainMenu), Sub) != nullptr; }, 5000,
                           "the title on the bar");
    PumpPosted("the bar rebuilt");
    return Sub;
}

} // namespace

TEST(KeyboardHook, AltAloneEntersMenuModeAlsoWithCapsLockButNotAfterAnotherKey)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    Tap(VK_MENU);
    EXPECT_TRUE(InMenuMode(F, F.File));
    EXPECT_TRUE(EditFocused(F));
    Tap(VK_ESCAPE);
    EXPECT_EQ(nullptr, F.Manager->GetKeyboardBarControl()) << "Esc ends the mode";
    EXPECT_TRUE(EditFocused(F));

    // Caps Lock on: its toggle bit must not count as a key held down.
    Tap(VK_CAPITAL);
    TScopeExit CapsOff([] {
        if (GetKeyState(VK_CAPITAL) & 1)
            Tap(VK_CAPITAL);
    });
    ASSERT_TRUE(GetKeyState(VK_CAPITAL) & 1) << "Caps Lock is on";
    Tap(VK_MENU);
    EXPECT_TRUE(InMenuMode(F, F.File)) << "with Caps Lock on";
    Tap(VK_ESCAPE);
    Tap(VK_CAPITAL);

    // Alt held while X is pressed: no mode when Alt goes up.
    PassedOn([](TestSupport::TInputScript& S) { S.KeyDown(VK_MENU).Press('X').KeyUp(VK_MENU); });
    EXPECT_EQ(nullptr, F.Manager->GetKeyboardBarControl()) << "Alt+X";
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());

    // A key held down all along (Shift) keeps Alt from entering the mode.
    PassedOn([](TestSupport::TInputScript& S) { S.KeyDown(VK_SHIFT).Press(VK_MENU).KeyUp(VK_SHIFT); });
    EXPECT_EQ(nullptr, F.Manager->GetKeyboardBarControl()) << "Alt while Shift was held";
    EXPECT_FALSE(SystemMenuShown());
}

TEST(KeyboardHook, F10EntersMenuModeOnlyWithUseF10ForMenu)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TKeyRecorder Edit(F.Edit->GetHandle());
    Tap(VK_F10);
    EXPECT_TRUE(InMenuMode(F, F.File));
    Tap(VK_ESCAPE);
    EXPECT_EQ(nullptr, F.Manager->GetKeyboardBarControl());
    EXPECT_EQ(0, Edit.Count(WM_SYSKEYUP, VK_F10)) << "the release that entered the mode is used up";

    F.Manager->SetUseF10ForMenu(false);
    Edit.Clear();
    PassedOn([](TestSupport::TInputScript& S) { S.Press(VK_F10); });
    EXPECT_EQ(nullptr, F.Manager->GetKeyboardBarControl());
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    EXPECT_EQ(1, Edit.Count(WM_SYSKEYDOWN, VK_F10) + Edit.Count(WM_KEYDOWN, VK_F10)) << "the key goes on to the edit";
    EXPECT_FALSE(SystemMenuShown());
    EXPECT_TRUE(EditFocused(F));
}

TEST(KeyboardHook, ArrowsEnterAndEscapeWalkTheMenusWhileTheEditKeepsTheFocus)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    Tap(VK_MENU);
    Tap(VK_RIGHT);
    Tap(VK_RIGHT);
    EXPECT_TRUE(InMenuMode(F, F.View));
    Tap(VK_DOWN);
    TcbBarSubMenuControl* View = TMenuFixture::MenuOf(F.View);
    ASSERT_NE(nullptr, View) << "Down opens the selected title";
    EXPECT_EQ(TMenuFixture::ControlOf(View, F.Ruler), View->GetSelectedControl()) << "its first entry selected";
    EXPECT_TRUE(EditFocused(F));
    Tap(VK_ESCAPE);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.View)) << "the first Esc closes the menu";
    EXPECT_TRUE(InMenuMode(F, F.View)) << "and leaves the mode on";
    Tap(VK_ESCAPE);
    EXPECT_EQ(nullptr, F.Manager->GetKeyboardBarControl()) << "the second Esc ends the mode";
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    EXPECT_TRUE(EditFocused(F));
}

TEST(KeyboardHook, AltFOpensTheFileMenuAndLeftAndRightWalkRecent)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    Keys({VK_MENU, 'F'});
    TcbBarSubMenuControl* File = TMenuFixture::MenuOf(F.File);
    ASSERT_NE(nullptr, File);
    EXPECT_EQ(TMenuFixture::ControlOf(File, F.New), File->GetSelectedControl());
    EXPECT_TRUE(InMenuMode(F, F.File));
    Tap(VK_DOWN);
    Tap(VK_DOWN);
    ASSERT_EQ(TMenuFixture::ControlOf(File, F.Recent), File->GetSelectedControl());
    Tap(VK_RIGHT);
    TcbBarSubMenuControl* Recent = TMenuFixture::MenuOf(F.Recent);
    ASSERT_NE(nullptr, Recent) << "Right on \"Recent\" opens it";
    EXPECT_EQ(TMenuFixture::ControlOf(Recent, F.RecentA), Recent->GetSelectedControl());
    Tap(VK_LEFT);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Recent)) << "Left closes it";
    EXPECT_EQ(File, TMenuFixture::MenuOf(F.File));
    EXPECT_EQ(TMenuFixture::ControlOf(File, F.Recent), File->GetSelectedControl()) << "and selects its row";
    EXPECT_TRUE(EditFocused(F));
}

TEST(KeyboardHook, EnterRunsTheCommandOnceAndItsReleaseNeverReachesTheEdit)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TKeyRecorder Edit(F.Edit->GetHandle());
    Keys({VK_MENU, 'F'});
    Tap(VK_DOWN);
    TcbBarSubMenuControl* File = TMenuFixture::MenuOf(F.File);
    ASSERT_NE(nullptr, File);
    ASSERT_EQ(TMenuFixture::ControlOf(File, F.Open), File->GetSelectedControl());
    Edit.Clear();
    Tap(VK_RETURN);
    EXPECT_EQ(1, F.Runs["&Open..."]);
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl()) << "the chain closed";
    EXPECT_EQ(nullptr, F.Manager->GetKeyboardBarControl());
    EXPECT_EQ(0, Edit.AnyOf(VK_RETURN)) << "the menu closed before Enter went up, and still the release is swallowed";
    EXPECT_EQ(0, Edit.AnyOf('\r'));

    // Esc closes a menu the same way: its release stays away from the edit.
    Keys({VK_MENU, 'F'});
    ASSERT_NE(nullptr, TMenuFixture::MenuOf(F.File));
    Edit.Clear();
    Tap(VK_ESCAPE);
    Tap(VK_ESCAPE);
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    EXPECT_EQ(0, Edit.AnyOf(VK_ESCAPE));

    // With no menu open the next Enter is the edit's again, press and release.
    Tap(VK_RETURN);
    EXPECT_EQ(1, Edit.Count(WM_KEYDOWN, VK_RETURN));
    EXPECT_EQ(1, Edit.Count(WM_KEYUP, VK_RETURN));
    EXPECT_EQ(1, F.Runs["&Open..."]);
}

TEST(KeyboardHook, ASharedAcceleratorSelectsTheFirstAndAUniqueOneClicksAtOnce)
{
    TMenuFixture F;
    TcbBarSubItem* Tools = AddTitle(F, "&Tools");
    TcbBarButton* Table = F.MakeCommand("&Table");
    F.MainMenu->GetItemLinks()->Add()->SetItem(Table);
    TcbBarButton* Zoom = F.MakeCommand("&Zoom");
    F.MainMenu->GetItemLinks()->Add()->SetItem(Zoom);
    TestSupport::PumpUntil([&] { return F.ControlOf(F.WindowOf(F.MainMenu), Zoom) != nullptr; }, 5000,
                           "the titles on the bar");
    PumpPosted("the bar rebuilt");
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TKeyRecorder Edit(F.Edit->GetHandle());

    Keys({VK_MENU, 'T'});
    EXPECT_TRUE(InMenuMode(F, Tools)) << "the first of the two is selected";
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(Tools)) << "and nothing opens";
    EXPECT_EQ(0, F.Runs["&Table"]) << "nor runs";
    Tap(VK_ESCAPE);
    EXPECT_EQ(nullptr, F.Manager->GetKeyboardBarControl());

    Edit.Clear();
    Keys({VK_MENU, 'Z'});
    EXPECT_EQ(1, F.Runs["&Zoom"]) << "a unique command runs at once";
    EXPECT_EQ(nullptr, F.Manager->GetKeyboardBarControl()) << "without keyboard mode";
    EXPECT_EQ(0, Edit.Count(WM_SYSKEYDOWN, 'Z')) << "the press was used up";
    EXPECT_EQ(0, Edit.CountMsg(WM_SYSCHAR));
    EXPECT_FALSE(SystemMenuShown());
}

TEST(KeyboardHook, AClickInRecentCountsTheUseOfItsLinkAndOfTheLinksAboveIt)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    Keys({VK_MENU, 'F'});
    TcbBarSubMenuControl* File = TMenuFixture::MenuOf(F.File);
    ASSERT_NE(nullptr, File);
    File->SelectControlByKeyboard(TMenuFixture::ControlOf(File, F.Recent));
    Tap(VK_RIGHT);
    TcbBarSubMenuControl* Recent = TMenuFixture::MenuOf(F.Recent);
    ASSERT_NE(nullptr, Recent);
    TcbBarItemLink* ALink = TMenuFixture::ControlOf(Recent, F.RecentA)->GetLink();
    TcbBarItemLink* RecentLink = TMenuFixture::ControlOf(File, F.Recent)->GetLink();
    TcbBarItemLink* FileLink = TMenuFixture::ControlOf(F.WindowOf(F.MainMenu), F.File)->GetLink();
    const int32_t Before[3] = {ALink->GetUseCount(), RecentLink->GetUseCount(), FileLink->GetUseCount()};
    TestSupport::Click(TMenuFixture::CenterOf(Recent, F.RecentA));
    TestSupport::WaitProcessed();
    EXPECT_EQ(1, F.Runs["first.wrp"]);
    EXPECT_EQ(Before[0] + 1, ALink->GetUseCount());
    EXPECT_EQ(Before[1] + 1, RecentLink->GetUseCount());
    EXPECT_EQ(Before[2] + 1, FileLink->GetUseCount());
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
}

TEST(KeyboardHook, KeysPassTheMenuOfADetachingManager)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    Keys({VK_MENU, 'F'});
    TcbBarSubMenuControl* File = TMenuFixture::MenuOf(F.File);
    ASSERT_NE(nullptr, File);
    TcbBarItemControl* Selected = File->GetSelectedControl();
    TKeyRecorder Edit(F.Edit->GetHandle());
    F.Manager->SetDetaching(true);
    TScopeExit Attached([&] { F.Manager->SetDetaching(false); });
    Tap(VK_DOWN);
    EXPECT_EQ(Selected, File->GetSelectedControl()) << "the menu did not get the key";
    EXPECT_EQ(1, Edit.Count(WM_KEYDOWN, VK_DOWN));
    F.Manager->SetDetaching(false);
    Tap(VK_DOWN);
    EXPECT_NE(Selected, File->GetSelectedControl()) << "it does again";
}

TEST(KeyboardHook, TheContextMenuKeysOpenTheLinkedPopupAtTheCaretOrTheCorner)
{
    TMenuFixture F;
    TcbBarPopupMenuLink* EditLink = F.Manager->GetPopupMenuLinks()->Add();
    EditLink->SetControl(F.Edit);
    EditLink->SetPopupMenu(F.Popup);
    F.Popup->SetNoWait(true);
    F.Edit->SetText("some text");
    SendMessageA(F.Edit->GetHandle(), EM_SETSEL, 4, 4);
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));

    struct TCase {
        const char* Name;
        TWinControl* Target;
        std::initializer_list<WORD> Chord;
    };
    const TCase Cases[] = {
        {"the menu key on the edit", F.Edit, {VK_APPS}},
        {"Shift+F10 on the edit", F.Edit, {VK_SHIFT, VK_F10}},
        {"the menu key on the list box", F.List, {VK_APPS}},
        {"Shift+F10 on the list box", F.List, {VK_SHIFT, VK_F10}},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        C.Target->SetFocus();
        TestSupport::PumpUntil([&] { return GetFocus() == C.Target->GetHandle(); }, 5000, "the target focused");
        POINT Expected{0, 0};
        if (C.Target == F.Edit) {
            ASSERT_TRUE(GetCaretPos(&Expected));
        }
        ClientToScreen(C.Target->GetHandle(), &Expected);
        TKeyRecorder Target(C.Target->GetHandle());
        Keys(C.Chord);
        TestSupport::PumpUntil([&] {
            TcbBarSubMenuControl* Opened = TMenuFixture::MenuOf(F.Popup);
            return Opened && IsWindowVisible(Opened->GetHandle());
        }, 5000, "the popup menu shown");
        PumpPosted("the opening handled");
        TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.Popup);
        ASSERT_NE(nullptr, Menu);
        RECT R{};
        GetWindowRect(Menu->GetHandle(), &R);
        EXPECT_EQ(Expected.x, R.left);
        EXPECT_EQ(Expected.y, R.top);
        EXPECT_FALSE(SystemMenuShown()) << "no menu of the system's";
        EXPECT_EQ(0, Target.ContextMenus());
        EXPECT_EQ(0, Target.AnyOf(C.Chord.end()[-1])) << "neither press nor release reached the control";
        Tap(VK_ESCAPE);
        EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Popup));
        EXPECT_EQ(0, Target.AnyOf(VK_ESCAPE));
    }
    // Without a link the keys stay the control's own: the edit opens the system's menu.
    F.Manager->GetPopupMenuLinks()->Clear();
    F.Edit->SetFocus();
    TKeyRecorder Edit(F.Edit->GetHandle());
    TestSupport::TInputScript S;
    S.Chord({VK_SHIFT, VK_F10}).WaitForWindow("#32768").Press(VK_ESCAPE).WaitProcessed();
    S.Play();
    EXPECT_TRUE(S.Wait()) << "the edit's own menu came";
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Popup));
    EXPECT_GE(Edit.AnyOf(VK_F10), 1);
}

TEST(KeyboardHook, ABarDragTakesEveryKeyButCtrlAndEsc)
{
    CommandBarsTest::TFloatingFixture F;
    int Opened = 0;
    F.OpenAction->SetOnExecute([&](TObject*) { ++Opened; });
    ASSERT_TRUE(F.BringToFront());
    TKeyRecorder Edit(F.Edit->GetHandle());
    const TRect Before = F.ScreenRectOf(F.Tools);
    const POINT Start = F.CaptionPoint(F.Tools);
    const POINT Stop{Start.x + 60, Start.y + 80};
    TestSupport::TInputScript S;
    S.MoveTo(Start).WaitProcessed().ButtonDown().WaitProcessed();
    for (int I = 1; I <= 4; ++I)
        S.MoveTo(POINT{Start.x + (Stop.x - Start.x) * I / 4, Start.y + (Stop.y - Start.y) * I / 4}).WaitProcessed();
    S.KeyDown(VK_CONTROL).Press('O').KeyUp(VK_CONTROL).Press('Q').WaitProcessed();
    S.Press(VK_ESCAPE).WaitProcessed().MoveTo(POINT{Stop.x + 100, Stop.y + 50}).WaitProcessed();
    S.ButtonUp().WaitProcessed();
    S.Play();
    ASSERT_TRUE(S.Wait());
    CommandBarsTest::ClicksRun();
    PumpPosted("the drag's end handled");
    EXPECT_EQ(0, Opened) << "Ctrl+O during the drag ran nothing";
    EXPECT_EQ(0, Edit.AnyOf('O'));
    EXPECT_EQ(0, Edit.AnyOf('Q'));
    EXPECT_EQ(0, Edit.Count(WM_KEYDOWN, VK_ESCAPE)) << "the drag loop took Esc";
    const TRect After = F.ScreenRectOf(F.Tools);
    EXPECT_EQ(Before.left + 60, After.left) << "Esc reached the drag loop and stopped the bar there";
    EXPECT_EQ(Before.top + 80, After.top);
    EXPECT_FALSE(cbIsBarDragging());
}

TEST(KeyboardHook, AnEditorOnAToolbarHandsAltFOverToTheMainMenu)
{
    CommandBarsTest::TFloatingFixture F;
    ASSERT_TRUE(F.BringToFront());
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    auto* Control = dynamic_cast<TcbBarWinControl*>(TMenuFixture::ControlOf(Standard, F.EditItem));
    ASSERT_NE(nullptr, Control);
    TestSupport::Click(TMenuFixture::CenterOf(Standard, F.EditItem));
    TestSupport::WaitProcessed();
    ASSERT_TRUE(Control->IsEditing()) << "the click started editing";
    ASSERT_EQ(Control->GetEditor(), GetFocus());
    Keys({VK_MENU, 'F'});
    TcbBarSubMenuControl* File = TMenuFixture::MenuOf(F.Menus[0]);
    ASSERT_NE(nullptr, File) << "the editor handed the key to the bars";
    EXPECT_EQ(F.WindowOf(F.MainMenu), F.Manager->GetKeyboardBarControl());
    EXPECT_FALSE(Control->IsEditing());
    Tap(VK_ESCAPE);
    Tap(VK_ESCAPE);
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
}

namespace {

class TModalProbeForm : public TForm {
public:
    using TForm::TForm;
    std::string ClassName() const override { return "TModalProbeForm"; }
};

} // namespace

TEST(KeyboardHook, ACommandChosenByEnterShowsAModalDialogThatItsButtonsAndEscClose)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TModalResult Result = -1;
    bool MenusOpenInside = true;
    TButton* Cancel = nullptr;
    F.Open->GetAction()->SetOnExecute([&](TObject*) {
        MenusOpenInside = TCustomcbBarControl::ActiveBarControl() != nullptr;
        TComponentPtr<TModalProbeForm> Dialog(new TModalProbeForm(nullptr));
        Dialog->SetBounds(200, 200, 240, 120);
        Cancel = new TButton(Dialog.get());
        Cancel->SetParent(Dialog.get());
        Cancel->SetBounds(80, 40, 75, 25);
        Cancel->SetCancel(true);
        Cancel->SetModalResult(mrCancel);
        Result = Dialog->ShowModal();
        Cancel = nullptr;
    });
    auto OpenByEnter = [&F] {
        Keys({VK_MENU, 'F'});
        Tap(VK_DOWN);
        TcbBarSubMenuControl* File = TMenuFixture::MenuOf(F.File);
        return File && TMenuFixture::ControlOf(File, F.Open) == File->GetSelectedControl();
    };

    // Enter chooses Open, and its dialog's Cancel button, pressed the way a click does, ends the
    // dialog: the command runs after the keyboard hook has returned, not inside it, where the
    // button's click never ended the dialog's loop.
    ASSERT_TRUE(OpenByEnter());
    const UINT_PTR Clicker = ThreadTimerStart(20, [&](UINT_PTR Id) {
        if (Cancel && Cancel->HandleAllocated() && IsWindowVisible(Cancel->GetHandle())) {
            ThreadTimerStop(Id);
            SendMessageA(Cancel->GetHandle(), BM_CLICK, 0, 0);
        }
    });
    Tap(VK_RETURN);
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Result == mrCancel; }, 10000, "the dialog ended by its button"));
    ThreadTimerStop(Clicker);
    EXPECT_FALSE(MenusOpenInside) << "the menus closed before the command ran";
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());

    // And the real Esc key ends it as well.
    Result = -1;
    ASSERT_TRUE(OpenByEnter());
    TestSupport::TInputScript S;
    S.Press(VK_RETURN).WaitForWindow("QMFormTModalProbeForm").Delay(100).Press(VK_ESCAPE).WaitProcessed();
    S.Play();
    EXPECT_TRUE(S.Wait());
    ClicksRun();
    EXPECT_EQ(mrCancel, Result) << "Esc ended the dialog";
}
