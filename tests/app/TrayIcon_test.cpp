// The tray icon component: every notification-area call recorded through the replaceable notify
// call with its record, the shell's mouse messages turned into events, the "Restore" / "Exit"
// menu, and one run with the real Shell_NotifyIconA.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include <shellapi.h>

#include "app/WinTaskbar.h"
#include "platform/win/Forms.h"
#include "platform/win/Timer.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

namespace {

struct TCall {
    DWORD Message;
    TNotifyIconData Data;
};
std::vector<TCall> gCalls;

BOOL WINAPI FakeNotify(DWORD Message, TNotifyIconData* Data)
{
    TCall C{Message, {}};
    memcpy(&C.Data, Data, sizeof(C.Data));
    gCalls.push_back(C);
    return TRUE;
}

// Swaps in the recording notify call for one test.
class TaskbarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gCalls.clear();
        FSaved = GShellNotifyIcon;
        GShellNotifyIcon = FakeNotify;
        FIcon = LoadIconA(nullptr, IDI_APPLICATION);
    }
    void TearDown() override { GShellNotifyIcon = FSaved; }
    size_t Count(DWORD Message) const
    {
        size_t N = 0;
        for (const TCall& C : gCalls)
            N += C.Message == Message;
        return N;
    }
    TShellNotifyIconProc FSaved = nullptr;
    HICON FIcon = nullptr;
};

void Send(TCustomWinTaskbar* T, LPARAM Mouse) { SendMessageA(T->GetWindowHandle(), WM_TASKBAR_CALLBACK, 0, Mouse); }

// Records the events of a taskbar component in order, as short words.
struct TEventLog {
    std::vector<std::string> Events;
    void Bind(TCustomWinTaskbar* T, bool WithDblClick = true)
    {
        T->OnClick = [this](TObject*) { Events.push_back("click"); };
        if (WithDblClick)
            T->OnDblClick = [this](TObject*) { Events.push_back("dbl"); };
        T->OnPopupMenu = [this](TObject*) { Events.push_back("popup"); };
        const char* Names[] = {"left", "right", "middle"};
        T->OnMouseDown = [this, Names](TObject*, TMouseButton B, TShiftState, int32_t, int32_t) {
            Events.push_back(std::string("down-") + Names[B]);
        };
        T->OnMouseUp = [this, Names](TObject*, TMouseButton B, TShiftState, int32_t, int32_t) {
            Events.push_back(std::string("up-") + Names[B]);
        };
        T->OnMouseMove = [this](TObject*, TShiftState, int32_t, int32_t) { Events.push_back("move"); };
    }
    int Count(const std::string& E) const
    {
        int N = 0;
        for (const std::string& S : Events)
            N += S == E;
        return N;
    }
};

BOOL CALLBACK CollectMenuWindow(HWND W, LPARAM P)
{
    char Class[16] = {};
    GetClassNameA(W, Class, sizeof(Class));
    if (strcmp(Class, "#32768") == 0 && IsWindowVisible(W))
        reinterpret_cast<std::vector<HWND>*>(P)->push_back(W);
    return TRUE;
}

// The open menu windows of this thread.
std::vector<HWND> ThreadMenuWindows()
{
    std::vector<HWND> Found;
    EnumThreadWindows(GetCurrentThreadId(), CollectMenuWindow, reinterpret_cast<LPARAM>(&Found));
    return Found;
}

// A form that counts the WM_USER messages it receives.
class TOwnerForm : public TForm {
public:
    explicit TOwnerForm(TComponent* AOwner) : TForm(AOwner) {}
    int UserMessages = 0;
    bool ZeroParameters = true;
    void WndProc(TMessage& M) override
    {
        if (M.Msg == WM_USER) {
            ++UserMessages;
            ZeroParameters = ZeroParameters && M.WParam == 0 && M.LParam == 0;
        }
        TForm::WndProc(M);
    }
};

} // namespace

TEST_F(TaskbarTest, ShowingAddsOnceWithTheFixedRecordAndAHintChangeModifies)
{
    TComponentPtr<TWinTaskbar> T(new TWinTaskbar(nullptr));
    T->SetHint("Quillmoor");
    T->SetIcon(FIcon);
    EXPECT_EQ(Count(NIM_ADD) + Count(NIM_MODIFY), 0u) << "nothing is shown before ShowIcon";
    gCalls.clear();
    T->SetShowIcon(true);
    ASSERT_EQ(gCalls.size(), 1u);
    const TNotifyIconData& D = gCalls[0].Data;
    EXPECT_EQ(gCalls[0].Message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(D.cbSize, 88u);
    EXPECT_EQ(D.uID, 0u);
    EXPECT_EQ(D.uFlags, 7u);
    EXPECT_EQ(D.uCallbackMessage, 1147u);
    EXPECT_EQ(D.hWnd, T->GetWindowHandle());
    EXPECT_TRUE(IsWindow(D.hWnd));
    EXPECT_NE(D.hIcon, nullptr);
    EXPECT_NE(D.hIcon, FIcon) << "the component shows its own copy";
    EXPECT_STREQ(D.szTip, "Quillmoor");

    gCalls.clear();
    T->SetHint("2 tasks running");
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].Message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_STREQ(gCalls[0].Data.szTip, "2 tasks running");
    EXPECT_NE(gCalls[0].Data.hIcon, nullptr);
}

TEST_F(TaskbarTest, AnEmptyIconIsDeletedNeverAddedAndHidingDeletesWithNoIcon)
{
    TComponentPtr<TWinTaskbar> T(new TWinTaskbar(nullptr));
    T->SetShowIcon(true);
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].Message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(Count(NIM_ADD), 0u);

    T->SetIcon(FIcon);
    EXPECT_EQ(Count(NIM_ADD), 1u) << "an icon given while shown is added";
    gCalls.clear();
    T->SetShowIcon(false);
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].Message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(gCalls[0].Data.hIcon, nullptr);
    EXPECT_FALSE(T->GetIconShown());

    // Shown again after a delete: added again, not modified.
    gCalls.clear();
    T->SetShowIcon(true);
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].Message, static_cast<DWORD>(NIM_ADD));
    // Clearing the icon while shown takes it away.
    gCalls.clear();
    T->SetIcon(static_cast<HICON>(nullptr));
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].Message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(gCalls[0].Data.hIcon, nullptr);
}

TEST_F(TaskbarTest, TheSameHintMakesNoCallAndALongHintIsCutTo63)
{
    TComponentPtr<TWinTaskbar> T(new TWinTaskbar(nullptr));
    T->SetIcon(FIcon);
    T->SetShowIcon(true);
    T->SetHint("Same");
    gCalls.clear();
    T->SetHint("Same");
    EXPECT_TRUE(gCalls.empty());

    std::string Long;
    for (int I = 0; I < 100; ++I)
        Long += static_cast<char>('A' + I % 26);
    T->SetHint(Long);
    ASSERT_EQ(gCalls.size(), 1u);
    const char* Tip = gCalls[0].Data.szTip;
    EXPECT_EQ(std::string(Tip, 63), Long.substr(0, 63));
    EXPECT_EQ(Tip[63], '\0');
    EXPECT_EQ(T->GetHint(), Long) << "the hint itself is kept whole";

    // A shorter hint after the long one leaves nothing of it behind the NUL.
    T->SetHint("ab");
    const TNotifyIconData& D = gCalls.back().Data;
    EXPECT_STREQ(D.szTip, "ab");
    for (size_t I = 2; I < sizeof(D.szTip); ++I)
        EXPECT_EQ(D.szTip[I], '\0') << I;
}

TEST_F(TaskbarTest, LeftClicksAndDoubleClicks)
{
    TComponentPtr<TWinTaskbar> T(new TWinTaskbar(nullptr));
    TEventLog Log;
    Log.Bind(T.get());
    Send(T.get(), WM_LBUTTONDOWN);
    Send(T.get(), WM_LBUTTONUP);
    EXPECT_EQ(Log.Count("click"), 1);
    EXPECT_EQ(Log.Count("dbl"), 0);

    Log.Events.clear();
    for (LPARAM M : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        Send(T.get(), M);
    EXPECT_EQ(Log.Count("click"), 1) << "only the first release clicks";
    EXPECT_EQ(Log.Count("dbl"), 1);
    // Single click again afterwards: the double click left nothing behind.
    Log.Events.clear();
    Send(T.get(), WM_LBUTTONDOWN);
    Send(T.get(), WM_LBUTTONUP);
    EXPECT_EQ(Log.Count("click"), 1);

    // Without a double-click handler both releases click.
    TComponentPtr<TWinTaskbar> Plain(new TWinTaskbar(nullptr));
    TEventLog PlainLog;
    PlainLog.Bind(Plain.get(), false);
    for (LPARAM M : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        Send(Plain.get(), M);
    EXPECT_EQ(PlainLog.Count("click"), 2);
}

TEST_F(TaskbarTest, ARightDoubleClickDoesNotSwallowTheNextLeftClick)
{
    TComponentPtr<TWinTaskbar> T(new TWinTaskbar(nullptr));
    TEventLog Log;
    Log.Bind(T.get());
    for (LPARAM M : {WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONDBLCLK, WM_RBUTTONUP})
        Send(T.get(), M);
    EXPECT_EQ(Log.Count("dbl"), 1);
    EXPECT_EQ(Log.Count("click"), 0);
    Send(T.get(), WM_LBUTTONDOWN);
    Send(T.get(), WM_LBUTTONUP);
    EXPECT_EQ(Log.Count("click"), 1);
}

TEST_F(TaskbarTest, TheBaseClassMapsEveryMouseMessage)
{
    TComponentPtr<TCustomWinTaskbar> T(new TCustomWinTaskbar(nullptr));
    TEventLog Log;
    Log.Bind(T.get());
    const std::pair<LPARAM, const char*> Map[] = {
        {WM_MOUSEMOVE, "move"},        {WM_LBUTTONDOWN, "down-left"},   {WM_RBUTTONDOWN, "down-right"},
        {WM_MBUTTONDOWN, "down-middle"}, {WM_LBUTTONUP, "up-left"},     {WM_RBUTTONUP, "up-right"},
        {WM_MBUTTONUP, "up-middle"},   {WM_LBUTTONDBLCLK, "dbl"},       {WM_RBUTTONDBLCLK, "dbl"},
        {WM_MBUTTONDBLCLK, "dbl"},
    };
    for (const auto& [Mouse, Event] : Map) {
        Log.Events.clear();
        Send(T.get(), Mouse);
        ASSERT_EQ(Log.Events.size(), 1u) << Mouse;
        EXPECT_EQ(Log.Events[0], Event) << Mouse;
    }
    // No click or menu behaviour on the base class, nothing for other values.
    Log.Events.clear();
    for (LPARAM Other : {LPARAM(0), LPARAM(WM_MOUSEWHEEL), LPARAM(WM_XBUTTONDOWN), LPARAM(0x400)})
        Send(T.get(), Other);
    EXPECT_TRUE(Log.Events.empty());
    // Other messages reach the default window procedure, which keeps a window's title.
    SendMessageA(T->GetWindowHandle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("tray"));
    char Buf[16] = {};
    GetWindowTextA(T->GetWindowHandle(), Buf, sizeof(Buf));
    EXPECT_STREQ(Buf, "tray");
    EXPECT_TRUE(Log.Events.empty());
}

TEST_F(TaskbarTest, ARightClickWithoutAMenuOnlyFiresOnPopupMenu)
{
    TComponentPtr<TWinTaskbar> T(new TWinTaskbar(nullptr));
    TEventLog Log;
    Log.Bind(T.get());
    Send(T.get(), WM_RBUTTONDOWN);
    Send(T.get(), WM_RBUTTONUP);
    EXPECT_EQ(Log.Count("popup"), 1);
    EXPECT_EQ(Log.Count("click"), 0);
    EXPECT_EQ(Log.Count("dbl"), 0);
}

TEST_F(TaskbarTest, TheTrayMenuPopsUpWithRestoreAndExitAndRunsTheChoice)
{
    TComponentPtr<TOwnerForm> Owner(new TOwnerForm(nullptr));
    Owner->SetBounds(80, 80, 200, 120);
    TWinTaskbar* T = new TWinTaskbar(Owner.get());
    TTrayMenu* Menu = new TTrayMenu(Owner.get());
    T->SetPopUpMenu(Menu);
    int Restores = 0, Exits = 0, Popups = 0;
    Menu->OnRestore = [&](TObject*) { ++Restores; };
    Menu->OnExit = [&](TObject*) { ++Exits; };
    T->OnPopupMenu = [&](TObject*) { ++Popups; };

    // First time: read the menu and close it without a choice.
    std::vector<std::string> Items;
    int Step = 0;
    TComponentPtr<TTimer> Timer(new TTimer(nullptr));
    Timer->SetInterval(50);
    Timer->SetOnTimer([&](TObject*) {
        const std::vector<HWND> Menus = ThreadMenuWindows();
        if (Menus.size() != 1)
            return;
        if (Step == 0) {
            HMENU H = reinterpret_cast<HMENU>(SendMessageA(Menus[0], MN_GETHMENU, 0, 0));
            for (int I = 0; I < GetMenuItemCount(H); ++I) {
                char Buf[64] = {};
                GetMenuStringA(H, static_cast<UINT>(I), Buf, sizeof(Buf), MF_BYPOSITION);
                Items.push_back(Buf);
            }
            Step = 1;
            EndMenu();
        } else if (Step == 2) {
            Step = 3; // down twice to "Exit", then Enter
            PostMessageA(Menus[0], WM_KEYDOWN, VK_DOWN, 0);
            PostMessageA(Menus[0], WM_KEYDOWN, VK_DOWN, 0);
            PostMessageA(Menus[0], WM_KEYDOWN, VK_RETURN, 0);
        } else if (Step == 4) {
            Step = 5; // down once to "Restore"
            PostMessageA(Menus[0], WM_KEYDOWN, VK_DOWN, 0);
            PostMessageA(Menus[0], WM_KEYDOWN, VK_RETURN, 0);
        }
    });
    Timer->SetEnabled(true);
    Send(T, WM_RBUTTONDOWN); // returns once the menu has closed
    ASSERT_EQ(Items, (std::vector<std::string>{"Restore", "Exit"}));
    EXPECT_EQ(Restores + Exits, 0);
    EXPECT_EQ(Popups, 1);
    ASSERT_TRUE(PumpUntil([&] { return Owner->UserMessages == 1; }, 10000, "WM_USER at the owner"));
    EXPECT_TRUE(Owner->ZeroParameters);

    Step = 2;
    Send(T, WM_RBUTTONDOWN);
    EXPECT_EQ(Exits, 1);
    EXPECT_EQ(Restores, 0);
    Step = 4;
    Send(T, WM_RBUTTONDOWN);
    EXPECT_EQ(Exits, 1);
    EXPECT_EQ(Restores, 1);
    EXPECT_EQ(Popups, 3);
    ASSERT_TRUE(PumpUntil([&] { return Owner->UserMessages == 3; }, 10000, "WM_USER after each menu"));
    Timer->SetEnabled(false);

    // A freed menu leaves no dangling reference: the next right click only fires OnPopupMenu.
    Menu->Free();
    EXPECT_EQ(T->GetPopUpMenu(), nullptr);
    Send(T, WM_RBUTTONDOWN);
    EXPECT_EQ(Popups, 4);
}

TEST_F(TaskbarTest, FreeingDeletesTheIconAndTheWindowAndKeepsItsOwnIconCopy)
{
    // The caller's icon may go at once: the component shows a copy of its own.
    HICON Callers = CopyIcon(FIcon);
    ASSERT_NE(Callers, nullptr);
    TComponentPtr<TWinTaskbar> T(new TWinTaskbar(nullptr));
    T->SetIcon(Callers);
    DestroyIcon(Callers);
    ICONINFO Info{};
    ASSERT_TRUE(GetIconInfo(T->GetIcon()->GetHandle(), &Info));
    DeleteObject(Info.hbmColor);
    DeleteObject(Info.hbmMask);
    T->SetShowIcon(true);
    ASSERT_EQ(Count(NIM_ADD), 1u);
    const HWND Window = T->GetWindowHandle();
    ASSERT_TRUE(IsWindow(Window));
    gCalls.clear();
    T.reset();
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].Message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(gCalls[0].Data.hWnd, Window);
    EXPECT_FALSE(IsWindow(Window));
}

TEST_F(TaskbarTest, ReplacingTheShownIconModifiesWithTheNewCopy)
{
    TComponentPtr<TWinTaskbar> T(new TWinTaskbar(nullptr));
    T->SetIcon(FIcon);
    T->SetShowIcon(true);
    const HICON First = gCalls.back().Data.hIcon;
    gCalls.clear();
    T->SetIcon(LoadIconA(nullptr, IDI_QUESTION));
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].Message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(gCalls[0].Data.hIcon, T->GetIcon()->GetHandle());
    EXPECT_NE(gCalls[0].Data.hIcon, First);
    ICONINFO Info{};
    ASSERT_TRUE(GetIconInfo(T->GetIcon()->GetHandle(), &Info));
    DeleteObject(Info.hbmColor);
    DeleteObject(Info.hbmMask);
}

// The real notification area of this Wine session.
TEST(TaskbarSmoke, TheRealNotifyCallAddsAndRemovesTheIcon)
{
    ASSERT_NE(GShellNotifyIcon, nullptr);
    TComponentPtr<TWinTaskbar> T(new TWinTaskbar(nullptr));
    T->SetHint("Quillmoor smoke test");
    T->SetIcon(LoadIconA(nullptr, IDI_APPLICATION));
    T->SetShowIcon(true);
    EXPECT_TRUE(T->GetIconShown()) << "Shell_NotifyIconA(NIM_ADD) failed";
    T->SetHint("Quillmoor smoke test, changed");
    T->SetShowIcon(false);
    EXPECT_FALSE(T->GetIconShown());
    // The record's layout is the shell's first form: the icon at 20, the tip at 24.
    static_assert(offsetof(TNotifyIconData, hIcon) == 20);
    static_assert(offsetof(TNotifyIconData, szTip) == 24);
}
