// Shortcuts through the keyboard hook under real keys: each runs its command once, in the
// search order of the focused control's popup menu, the main menu bar and the toolbars; a form
// without a manager borrows the main form's bars only when allowed; an MDI child without a
// manager works the frame's bars.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/input/cbHooks.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Actions.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/ThreadHook.h"
#include "tests/commandbars/support/KeyRecorder.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::TKeyRecorder;
using CommandBarsTest::TMenuFixture;

namespace {

using CommandBarsTest::ClicksRun;
using CommandBarsTest::Keys;

constexpr TShortCut Ctrl(char Key) { return static_cast<TShortCut>(scCtrl | Key); }

// Makes Form the application's main form while it lives.
class TMainFormScope {
public:
    explicit TMainFormScope(TCustomForm* Form) : FPrevious(AppUI()->GetMainForm()) { AppUI()->SetMainForm(Form); }
    TMainFormScope(const TMainFormScope&) = delete;
    TMainFormScope& operator=(const TMainFormScope&) = delete;
    ~TMainFormScope() { AppUI()->SetMainForm(FPrevious); }

private:
    TCustomForm* FPrevious;
};

} // namespace

TEST(Shortcuts, CtrlORunsOpenOnceThoughAPeekSeesTheKeyFirstAndTheFormKnowsIt)
{
    TMenuFixture F;
    // The form's own action list has Ctrl+O too, and so has the first button of "Standard".
    auto* List = new TActionList(F.Form.get());
    int FormRuns = 0, ToolbarRuns = 0;
    List->AddAction("Form open", Ctrl('O'))->SetOnExecute([&](TObject*) { ++FormRuns; });
    F.OpenAction->SetOnExecute([&](TObject*) { ++ToolbarRuns; });
    // Which calls of the keyboard hooks saw the O: a hook installed now runs before the bars'.
    std::vector<int> Codes;
    TThreadHook Watch;
    Watch.Install(hkKeyboard, [&](TThreadHookCall& Call) {
        if (Call.WParam == 'O' && !(static_cast<DWORD>(Call.LParam) & 0x80000000u))
            Codes.push_back(Call.Code);
        return false;
    });
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));

    TestSupport::Chord({VK_CONTROL, 'O'});
    // A loop that peeks at each key without removing it before it takes it.
    const DWORD Until = GetTickCount() + 10000;
    while (F.Runs["&Open..."] == 0 && GetTickCount() < Until) {
        MSG M;
        if (PeekMessageA(&M, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE) &&
            PeekMessageA(&M, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
            TranslateMessage(&M);
            DispatchMessageA(&M);
        } else {
            // Serves everything but keys (the timer that runs the chosen command among them), then
            // sleeps until more comes.
            while (PeekMessageA(&M, nullptr, 0, WM_KEYFIRST - 1, PM_REMOVE) ||
                   PeekMessageA(&M, nullptr, WM_KEYLAST + 1, 0xFFFFFFFFu, PM_REMOVE)) {
                TranslateMessage(&M);
                DispatchMessageA(&M);
            }
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
    TestSupport::WaitProcessed();
    Watch.Remove();
    const std::vector<int> PeekThenTake{HC_NOREMOVE, HC_ACTION};
    EXPECT_EQ(PeekThenTake, Codes) << "the peek showed the hooks the key first and left it queued";
    EXPECT_EQ(1, F.Runs["&Open..."]) << "exactly once";
    EXPECT_EQ(0, FormRuns) << "the hook used the key up";
    EXPECT_EQ(0, ToolbarRuns) << "the main menu bar comes before the toolbars";

    // Without the menu's command the toolbar's runs; without both the key reaches the form.
    F.Open->GetAction()->SetEnabled(false);
    Keys({VK_CONTROL, 'O'});
    EXPECT_EQ(1, F.Runs["&Open..."]);
    EXPECT_EQ(1, ToolbarRuns);
    EXPECT_EQ(0, FormRuns);
    F.OpenAction->SetEnabled(false);
    Keys({VK_CONTROL, 'O'});
    EXPECT_EQ(1, ToolbarRuns);
    EXPECT_EQ(1, FormRuns);
}

TEST(Shortcuts, ADisabledItemsShortcutRunsNothingAndReachesTheControl)
{
    TMenuFixture F;
    F.Print->GetAction()->SetShortCut(Ctrl('P'));
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TKeyRecorder Edit(F.Edit->GetHandle());
    Keys({VK_CONTROL, 'P'});
    EXPECT_EQ(0, F.Runs["&Print"]);
    EXPECT_EQ(1, Edit.Count(WM_KEYDOWN, 'P'));
    // Enabled, the same keys run it and the edit sees no P.
    F.Print->GetAction()->SetEnabled(true);
    Edit.Clear();
    Keys({VK_CONTROL, 'P'});
    EXPECT_EQ(1, F.Runs["&Print"]);
    EXPECT_EQ(0, Edit.Count(WM_KEYDOWN, 'P')) << "the press was used up";
}

TEST(Shortcuts, TheFocusedControlsPopupMenuComesBeforeTheBars)
{
    TMenuFixture F;
    TcbBarButton* NewItem = F.MakeCommand("Ne&w item", Ctrl('N'));
    F.Popup->GetItemLinks()->Add()->SetItem(NewItem);
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    F.List->SetFocus();
    TestSupport::PumpUntil([&] { return GetFocus() == F.List->GetHandle(); }, 5000, "the list box focused");
    Keys({VK_CONTROL, 'N'});
    EXPECT_EQ(1, F.Runs["Ne&w item"]) << "the list box's popup menu wins";
    EXPECT_EQ(0, F.Runs["&New"]);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Popup)) << "a shortcut shows no menu";
    F.Edit->SetFocus();
    TestSupport::PumpUntil([&] { return GetFocus() == F.Edit->GetHandle(); }, 5000, "the edit focused");
    Keys({VK_CONTROL, 'N'});
    EXPECT_EQ(1, F.Runs["Ne&w item"]);
    EXPECT_EQ(1, F.Runs["&New"]) << "elsewhere the main menu's command runs";
}

TEST(Shortcuts, AFormWithoutAManagerUsesTheMainFormsBarsOnlyWhenAllowed)
{
    TMenuFixture F;
    TMainFormScope Main(F.Form.get());
    TComponentPtr<TForm> Second(new TForm(nullptr));
    Second->SetBounds(120, 120, 300, 200);
    auto* Edit = new TEdit(Second.get());
    Edit->SetParent(Second.get());
    Edit->SetBounds(10, 10, 120, 22);
    Second->Show();
    TScopeExit Hide([&] { Second->Hide(); });
    ASSERT_TRUE(TestSupport::BringToFront(*Second));
    Edit->SetFocus();
    TKeyRecorder Keys2(Edit->GetHandle());

    Keys({VK_CONTROL, 'O'});
    EXPECT_EQ(0, F.Runs["&Open..."]);
    EXPECT_EQ(1, Keys2.Count(WM_KEYDOWN, 'O')) << "the key stays the second form's";
    // Alt goes on to the form, whose own menu mode Esc ends again.
    TestSupport::TInputScript S;
    S.Press(VK_MENU).WaitProcessed().Press(VK_ESCAPE).WaitProcessed();
    S.Play();
    EXPECT_TRUE(S.Wait());
    EXPECT_EQ(nullptr, F.Manager->GetKeyboardBarControl());

    F.Manager->SetAllowCallFromAnotherForm(true);
    Keys2.Clear();
    Keys({VK_CONTROL, 'O'});
    EXPECT_EQ(1, F.Runs["&Open..."]) << "allowed, the main form's bars answer";
    EXPECT_EQ(0, Keys2.Count(WM_KEYDOWN, 'O'));

    // A disabled main form lends nothing.
    EnableWindow(F.Form->GetHandle(), FALSE);
    TScopeExit Enable([&] { EnableWindow(F.Form->GetHandle(), TRUE); });
    Keys({VK_CONTROL, 'O'});
    EXPECT_EQ(1, F.Runs["&Open..."]);
    EXPECT_EQ(1, Keys2.Count(WM_KEYDOWN, 'O'));
}

namespace {

// An MDI frame (the main form) whose manager has a main menu bar "&Window" > "&Keep" (Ctrl+K),
// and an active child without a manager whose edit has the focus.
class TMDIScene {
public:
    TMDIScene()
    {
        Frame->SetFormStyle(fsMDIForm);
        Frame->SetCaption("Frame");
        Frame->SetBounds(30, 30, 700, 520);
        AppUI()->SetMainForm(Frame.get());
        Manager = new TcbBarManager(Frame.get());
        Manager->SetStyle(bmsFlat);
        MainMenu = Manager->GetBars()->Add();
        MainMenu->SetCaption("Main Menu");
        MainMenu->SetIsMainMenu(true);
        Window = new TcbBarSubItem(Frame.get());
        Window->SetCaption("&Window");
        Keep = new TcbBarButton(Frame.get());
        auto* Action = new TAction(Frame.get());
        Action->SetCaption("&Keep");
        Action->SetShortCut(Ctrl('K'));
        Action->SetOnExecute([this](TObject*) { ++KeepRuns; });
        Keep->SetAction(Action);
        Window->GetItemLinks()->Add()->SetItem(Keep);
        MainMenu->GetItemLinks()->Add()->SetItem(Window);
        Frame->Show();
        MainMenu->SetDockingStyle(dsTop);
        MainMenu->SetVisible(true);
        Child = new TForm(nullptr);
        Child->SetFormStyle(fsMDIChild);
        Child->SetCaption("Child");
        Child->SetBounds(10, 10, 300, 200);
        Edit = new TEdit(Child);
        Edit->SetParent(Child);
        Edit->SetBounds(10, 10, 120, 22);
        Child->Show();
        TestSupport::PumpUntil([this] {
            TCustomcbBarControl* Bar = MainMenu->GetBarControl();
            return Frame->GetActiveMDIChild() == Child && Bar && IsWindowVisible(Bar->GetHandle());
        }, 5000, "the child active under the frame's main menu bar");
        PumpPosted("the showing handled");
    }
    ~TMDIScene()
    {
        if (TCustomcbBarControl* Active = TCustomcbBarControl::ActiveBarControl())
            Active->HideAll();
        Child->Free();
        Frame->Hide();
    }

    TMainFormScope MainScope{nullptr};
    TComponentPtr<TForm> Frame{new TForm(nullptr)};
    TcbBarManager* Manager = nullptr;
    TcbBar* MainMenu = nullptr;
    TcbBarSubItem* Window = nullptr;
    TcbBarButton* Keep = nullptr;
    TForm* Child = nullptr;
    TEdit* Edit = nullptr;
    int KeepRuns = 0;
};

} // namespace

TEST(Shortcuts, AnMDIChildWithoutAManagerWorksTheFramesMainMenu)
{
    TMDIScene S;
    ASSERT_EQ(S.Child, S.Frame->GetActiveMDIChild());
    ASSERT_TRUE(TestSupport::BringToFront(*S.Frame));
    S.Edit->SetFocus();
    TestSupport::PumpUntil([&] { return GetFocus() == S.Edit->GetHandle(); }, 5000, "the child's edit focused");
    ASSERT_EQ(S.Edit->GetHandle(), GetFocus());

    TestSupport::Press(VK_MENU);
    TestSupport::WaitProcessed();
    auto* Bar = dynamic_cast<TcbBarControl*>(S.MainMenu->GetBarControl());
    ASSERT_NE(nullptr, Bar);
    EXPECT_EQ(Bar, S.Manager->GetKeyboardBarControl()) << "Alt works the frame's main menu bar";
    EXPECT_EQ(TMenuFixture::ControlOf(Bar, S.Window), Bar->GetSelectedControl());
    TestSupport::Press(VK_ESCAPE);
    TestSupport::WaitProcessed();
    EXPECT_EQ(nullptr, S.Manager->GetKeyboardBarControl());
    EXPECT_EQ(S.Edit->GetHandle(), GetFocus()) << "the child's edit keeps the focus";

    TKeyRecorder Edit(S.Edit->GetHandle());
    Keys({VK_CONTROL, 'K'});
    EXPECT_EQ(1, S.KeepRuns) << "the frame's shortcut runs from the child";
    EXPECT_EQ(0, Edit.Count(WM_KEYDOWN, 'K'));
    Keys({VK_MENU, 'W'});
    EXPECT_NE(nullptr, TMenuFixture::MenuOf(S.Window)) << "and its accelerators open its menus";
}
