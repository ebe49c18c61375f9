// Plain menus: the menu bar read back, hints from WM_MENUSELECT, pop-up menus on a right click,
// and Synchronize served while a pop-up menu is open.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "platform/win/Thread.h"
#include "platform/win/Timer.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

namespace {
std::string ItemText(HMENU M, UINT Pos, UINT* Type = nullptr, UINT* State = nullptr)
{
    char Buf[128] = {};
    MENUITEMINFOA I{};
    I.cbSize = sizeof(I);
    I.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    I.dwTypeData = Buf;
    I.cch = sizeof(Buf);
    if (!GetMenuItemInfoA(M, Pos, TRUE, &I))
        return "<none>";
    if (Type)
        *Type = I.fType;
    if (State)
        *State = I.fState;
    return Buf;
}

HWND FindMenuWindow()
{
    HWND W = FindWindowA("#32768", nullptr);
    return W && IsWindowVisible(W) ? W : nullptr;
}
} // namespace

TEST(TMainMenu, ReadsBackAndSelectingSetsTheHint)
{
    TComponentPtr<TForm> F(new TForm(nullptr));
    TMainMenu* M = new TMainMenu(F.get());
    TMenuItem* File = M->AddItem("&File");
    TMenuItem* Open = M->AddItem("&Open", File);
    Open->SetShortCut(ShortCut('I', TShiftState{ssCtrl}));
    Open->SetHint("Open|Opens a picture");
    M->AddItem("-", File);
    TMenuItem* Hidden = M->AddItem("Hidden", File);
    Hidden->SetVisible(false);
    TMenuItem* Wrap = M->AddItem("&Wrap", File);
    Wrap->SetChecked(true);
    M->AddItem("&View");
    F->HandleNeeded();
    HMENU Bar = GetMenu(F->GetHandle());
    ASSERT_EQ(Bar, M->GetHandle());
    ASSERT_EQ(GetMenuItemCount(Bar), 2);
    EXPECT_EQ(ItemText(Bar, 0), "&File");
    EXPECT_EQ(ItemText(Bar, 1), "&View");
    HMENU Sub = GetSubMenu(Bar, 0);
    ASSERT_EQ(GetMenuItemCount(Sub), 3);
    EXPECT_EQ(ItemText(Sub, 0), "&Open\tCtrl+I");
    UINT Type = 0, State = 0;
    ItemText(Sub, 1, &Type);
    EXPECT_NE(Type & MFT_SEPARATOR, 0u);
    EXPECT_EQ(ItemText(Sub, 2, &Type, &State), "&Wrap");
    EXPECT_NE(State & MFS_CHECKED, 0u);
    // Showing an item rebuilds the menu with it in place.
    Hidden->SetVisible(true);
    EXPECT_EQ(ItemText(GetSubMenu(GetMenu(F->GetHandle()), 0), 2), "Hidden");

    int Hints = 0;
    AppUI()->OnHint = [&](TObject*) { ++Hints; };
    SendMessageA(F->GetHandle(), WM_MENUSELECT, MAKEWPARAM(Open->GetCommand(), MF_HILITE), reinterpret_cast<LPARAM>(GetSubMenu(GetMenu(F->GetHandle()), 0)));
    EXPECT_EQ(AppUI()->GetHint(), "Opens a picture");
    EXPECT_EQ(Hints, 1);
    SendMessageA(F->GetHandle(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(AppUI()->GetHint(), "");
    AppUI()->OnHint = nullptr;
    // A chosen item arrives as WM_COMMAND.
    int Opened = 0;
    Open->OnClick = [&](TObject*) { ++Opened; };
    SendMessageA(F->GetHandle(), WM_COMMAND, Open->GetCommand(), 0);
    EXPECT_EQ(Opened, 1);
}

TEST(TPopupMenu, RightClickShowsItAndChoosingRunsTheAction)
{
    TComponentPtr<TForm> F(new TForm(nullptr));
    F->SetBounds(100, 100, 300, 200);
    TPanel* P = new TPanel(F.get());
    P->SetParent(F.get());
    P->SetBounds(10, 10, 200, 100);
    TActionList* L = new TActionList(F.get());
    TAction* A = L->AddAction("&Run");
    int Runs = 0;
    A->OnExecute = [&](TObject*) { ++Runs; };
    TPopupMenu* Menu = new TPopupMenu(F.get());
    Menu->AddItem("&Run", nullptr, A);
    int Popups = 0;
    Menu->OnPopup = [&](TObject*) { ++Popups; };
    P->SetPopupMenu(Menu);
    F->Show();
    SetForegroundWindow(F->GetHandle());

    bool Seen = false;
    TComponentPtr<TTimer> T(new TTimer(nullptr));
    T->SetInterval(50);
    T->SetOnTimer([&](TObject*) {
        HWND W = FindMenuWindow();
        if (!W)
            return;
        T->SetEnabled(false);
        Seen = true;
        // Down to the first item, then Enter: the menu loop reads the keys from the queue.
        PostMessageA(W, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(W, WM_KEYDOWN, VK_RETURN, 0);
    });
    T->SetEnabled(true);
    PostMessageA(P->GetHandle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
    PostMessageA(P->GetHandle(), WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
    ASSERT_TRUE(PumpUntil([&] { return Runs == 1; }, 20000, "the chosen item ran its action"));
    EXPECT_TRUE(Seen);
    EXPECT_EQ(Popups, 1);
    EXPECT_EQ(Menu->GetPopupComponent(), P);
    F->Hide();
}

TEST(TPopupMenu, SynchronizeIsServedWhileItIsOpenAndFreeingItClearsTheReference)
{
    TComponentPtr<TForm> F(new TForm(nullptr));
    F->SetBounds(100, 100, 300, 200);
    TPopupMenu* Menu = new TPopupMenu(F.get());
    Menu->AddItem("&One");
    F->Show();
    SetForegroundWindow(F->GetHandle());
    std::atomic<int> Synced{0};
    std::vector<std::thread> Workers;
    int Step = 0;
    TComponentPtr<TTimer> T(new TTimer(nullptr));
    T->SetInterval(50);
    T->SetOnTimer([&](TObject*) {
        if (Step == 0 && FindMenuWindow()) {
            for (int I = 0; I < 8; ++I)
                Workers.emplace_back([&] {
                    for (int J = 0; J < 1000; ++J)
                        TThread::SynchronizeCall([&] { ++Synced; });
                });
            Step = 1;
        } else if (Step == 1 && Synced == 8000) {
            Step = 2;
            T->SetEnabled(false);
            EndMenu();
        }
    });
    T->SetEnabled(true);
    Menu->SetPopupComponent(F.get());
    Menu->Popup(150, 150); // returns once the menu has ended
    for (auto& W : Workers)
        W.join();
    EXPECT_EQ(Step, 2);
    EXPECT_EQ(Synced.load(), 8000);

    F->SetPopupMenu(Menu);
    EXPECT_EQ(F->GetPopupMenu(), Menu);
    Menu->Free();
    EXPECT_EQ(F->GetPopupMenu(), nullptr);
    F->Hide();
}
