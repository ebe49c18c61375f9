// Actions: shortcut texts, shortcuts through the message loop, command ids, idle updates and links.
#include <gtest/gtest.h>

#include "platform/win/Actions.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "platform/win/StdCtrls.h"
#include "platform/win/Timer.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

TEST(TShortCut, TextsBothWays)
{
    const TShortCut CtrlI = ShortCut('I', TShiftState{ssCtrl});
    EXPECT_EQ(CtrlI, 0x4000 + 'I');
    EXPECT_EQ(ShortCutToText(CtrlI), "Ctrl+I");
    EXPECT_EQ(TextToShortCut("Ctrl+I"), CtrlI);
    EXPECT_EQ(TextToShortCut("ctrl+i"), CtrlI);
    EXPECT_EQ(TextToShortCut("PgUp"), VK_PRIOR);
    EXPECT_EQ(TextToShortCut("PgDn"), VK_NEXT);
    EXPECT_EQ(TextToShortCut("Esc"), VK_ESCAPE);
    EXPECT_EQ(TextToShortCut("Del"), VK_DELETE);
    EXPECT_EQ(TextToShortCut("Enter"), VK_RETURN);
    EXPECT_EQ(TextToShortCut("F1"), VK_F1);
    EXPECT_EQ(TextToShortCut("Shift+Alt+F12"), scShift + scAlt + VK_F12);
    EXPECT_EQ(ShortCutToText(scShift + VK_DELETE), "Shift+Del");
    EXPECT_EQ(TextToShortCut("Ctrl+"), scNone);
    EXPECT_EQ(TextToShortCut("Nonsense"), scNone);
    EXPECT_EQ(ShortCutToText(scNone), "");
}

namespace {
struct TActionForm {
    TForm* Form;
    TEdit* Edit;
    TActionList* List;
    TAction* Act;
    int Runs = 0;
    int Updates = 0;
    bool Allow = true;
    TActionForm()
    {
        Form = new TForm(nullptr);
        Form->SetBounds(100, 100, 300, 200);
        Edit = new TEdit(Form);
        Edit->SetParent(Form);
        Edit->SetTabStop(true);
        List = new TActionList(Form);
        Act = List->AddAction("&Info", ShortCut('I', TShiftState{ssCtrl}));
        Act->OnExecute = [this](TObject*) { ++Runs; };
        Act->OnUpdate = [this](TObject* S) {
            ++Updates;
            static_cast<TAction*>(S)->SetEnabled(Allow);
        };
    }
    ~TActionForm() { Form->Free(); }
};
} // namespace

TEST(TAction, ShortCutThroughTheLoopAndCommandIdsRunOnlyWhenEnabled)
{
    TActionForm F;
    F.Form->Show();
    SetForegroundWindow(F.Form->GetHandle());
    ASSERT_TRUE(PumpUntil([&] { return F.Edit->Focused(); }, 10000, "edit focused"));
    TestSupport::Chord({VK_CONTROL, 'I'});
    ASSERT_TRUE(PumpUntil([&] { return F.Runs == 1; }, 10000, "the shortcut ran the action"));
    TestSupport::PumpFor(200);
    EXPECT_EQ(F.Runs, 1); // once, and the edit did not get it as text
    EXPECT_EQ(F.Edit->GetText(), "");

    F.Allow = false;
    TestSupport::Chord({VK_CONTROL, 'I'});
    TestSupport::PumpFor(500);
    EXPECT_EQ(F.Runs, 1);

    SendMessageA(F.Form->GetHandle(), WM_COMMAND, F.Act->GetCommandId(), 0);
    EXPECT_EQ(F.Runs, 1);
    F.Allow = true;
    SendMessageA(F.Form->GetHandle(), WM_COMMAND, F.Act->GetCommandId(), 0);
    EXPECT_EQ(F.Runs, 2);
    F.Form->Hide();
}

TEST(TAction, UpdatesAtIdleAndChangesReachLinkedButtonAndMenuItem)
{
    TActionForm F;
    F.Act->OnUpdate = [&](TObject*) { ++F.Updates; };
    TButton* B = new TButton(F.Form);
    B->SetParent(F.Form);
    B->SetTop(40);
    B->SetAction(F.Act);
    TMainMenu* Menu = new TMainMenu(F.Form);
    TMenuItem* Top = Menu->AddItem("&File");
    TMenuItem* Item = Menu->AddItem("x", Top, F.Act);
    F.Form->HandleNeeded();
    EXPECT_EQ(GetMenu(F.Form->GetHandle()), Menu->GetHandle());

    // The application's own loop goes idle between messages; a timer keeps waking it.
    const int Before = F.Updates;
    TComponentPtr<TTimer> Wake(new TTimer(nullptr));
    Wake->SetInterval(20);
    Wake->SetOnTimer([](TObject*) {});
    Wake->SetEnabled(true);
    const DWORD Start = GetTickCount();
    while (F.Updates == Before && GetTickCount() - Start < 10000)
        Application->HandleMessage();
    EXPECT_GT(F.Updates, Before) << "OnUpdate at idle";
    Wake.reset();

    auto ReadItem = [&](UINT& State, std::string& Text) {
        char Buf[128] = {};
        MENUITEMINFOA I{};
        I.cbSize = sizeof(I);
        I.fMask = MIIM_STATE | MIIM_STRING;
        I.dwTypeData = Buf;
        I.cch = sizeof(Buf);
        ASSERT_TRUE(GetMenuItemInfoA(Menu->GetHandle(), Item->GetCommand(), FALSE, &I));
        State = I.fState;
        Text = Buf;
    };
    UINT State;
    std::string Text;
    ReadItem(State, Text);
    EXPECT_EQ(Text, "&Info\tCtrl+I");
    EXPECT_EQ(GetWindowTextLengthA(B->GetHandle()), 5);

    F.Act->SetEnabled(false);
    F.Act->SetChecked(true);
    F.Act->SetCaption("&Details");
    EXPECT_FALSE(IsWindowEnabled(B->GetHandle()));
    char Buf[64];
    GetWindowTextA(B->GetHandle(), Buf, sizeof(Buf));
    EXPECT_STREQ(Buf, "&Details");
    ReadItem(State, Text);
    EXPECT_EQ(Text, "&Details\tCtrl+I");
    EXPECT_NE(State & MFS_CHECKED, 0u);
    EXPECT_NE(State & MFS_GRAYED, 0u);

    F.Act->SetEnabled(true);
    F.Act->SetChecked(false);
    EXPECT_TRUE(IsWindowEnabled(B->GetHandle()));
    ReadItem(State, Text);
    EXPECT_EQ(State & (MFS_CHECKED | MFS_GRAYED), 0u);
    // A click on the button without an OnClick runs the action.
    SendMessageA(B->GetHandle(), BM_CLICK, 0, 0);
    EXPECT_EQ(F.Runs, 1);
    // The menu item reaches the action through the form's WM_COMMAND.
    SendMessageA(F.Form->GetHandle(), WM_COMMAND, Item->GetCommand(), 0);
    EXPECT_EQ(F.Runs, 2);
}
