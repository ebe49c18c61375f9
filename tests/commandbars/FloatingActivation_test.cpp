// Floating bars following their form's activation for real: windows of another thread, of this
// thread and other forms take the foreground, the form is minimized and restored, with
// HideFloatingBarsWhenInactive on and off. The program changes the foreground, so it runs alone.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/win/Forms.h"
#include "tests/commandbars/support/FloatingFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::Settle;
using CommandBarsTest::TFloatingFixture;
using CommandBarsTest::WaitVisible;

namespace {

// A popup window owned by a thread of its own, with its own message loop.
class TOtherThreadWindow {
public:
    TOtherThreadWindow()
    {
        HANDLE Made = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        FThread = std::thread([this, Made] {
            HWND W = CreateWindowExA(0, "STATIC", "Other thread", WS_POPUP | WS_VISIBLE | WS_BORDER, 900, 700, 200,
                                     100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
            FThreadId = GetCurrentThreadId();
            FWindow = W;
            SetEvent(Made);
            MSG Msg;
            while (GetMessageA(&Msg, nullptr, 0, 0) > 0) {
                TranslateMessage(&Msg);
                DispatchMessageA(&Msg);
            }
            DestroyWindow(W);
        });
        if (WaitForSingleObject(Made, 10000) != WAIT_OBJECT_0)
            ADD_FAILURE() << "Timed out after 10000 ms waiting for the other thread's window";
        CloseHandle(Made);
    }
    TOtherThreadWindow(const TOtherThreadWindow&) = delete;
    TOtherThreadWindow& operator=(const TOtherThreadWindow&) = delete;
    ~TOtherThreadWindow()
    {
        PostThreadMessageA(FThreadId, WM_QUIT, 0, 0);
        FThread.join();
    }
    HWND Handle() const { return FWindow.load(); }

private:
    std::thread FThread;
    std::atomic<HWND> FWindow{nullptr};
    std::atomic<DWORD> FThreadId{0};
};

// Records, for one window of this thread, each WM_ACTIVATE and WM_NCACTIVATE in the order the
// window procedure's caller sees them (this hook runs before the framework's).
class TActivationLog {
public:
    explicit TActivationLog(HWND Wnd)
    {
        gLog = this;
        FWnd = Wnd;
        FHook = SetWindowsHookExA(WH_CALLWNDPROC, Proc, nullptr, GetCurrentThreadId());
    }
    TActivationLog(const TActivationLog&) = delete;
    TActivationLog& operator=(const TActivationLog&) = delete;
    ~TActivationLog()
    {
        UnhookWindowsHookEx(FHook);
        gLog = nullptr;
    }
    // A WM_NCACTIVATE(0) that came after the deactivating WM_ACTIVATE: the one the framework
    // sends (the system's own comes before it).
    int NcDeactivationsAfterDeactivate() const
    {
        int Count = 0;
        bool Deactivated = false;
        for (const auto& [Msg, WParam] : Entries) {
            if (Msg == WM_ACTIVATE)
                Deactivated = LOWORD(WParam) == WA_INACTIVE;
            else if (Msg == WM_NCACTIVATE && WParam == 0 && Deactivated)
                ++Count;
        }
        return Count;
    }
    int Deactivations() const
    {
        int Count = 0;
        for (const auto& [Msg, WParam] : Entries)
            Count += Msg == WM_ACTIVATE && LOWORD(WParam) == WA_INACTIVE ? 1 : 0;
        return Count;
    }
    std::vector<std::pair<UINT, WPARAM>> Entries;

private:
    static LRESULT CALLBACK Proc(int Code, WPARAM WParam, LPARAM LParam)
    {
        if (Code == HC_ACTION && gLog) {
            const auto* S = reinterpret_cast<const CWPSTRUCT*>(LParam);
            if (S->hwnd == gLog->FWnd && (S->message == WM_ACTIVATE || S->message == WM_NCACTIVATE))
                gLog->Entries.emplace_back(S->message, S->wParam);
        }
        return CallNextHookEx(nullptr, Code, WParam, LParam);
    }
    static inline TActivationLog* gLog = nullptr;
    HWND FWnd = nullptr;
    HHOOK FHook = nullptr;
};

bool Foreground(HWND Wnd, const char* What)
{
    SetForegroundWindow(Wnd);
    return TestSupport::PumpUntil([Wnd] { return GetForegroundWindow() == Wnd; }, 5000, What);
}

bool ToolsShown(TFloatingFixture& F)
{
    return F.ToolsWindow() && IsWindowVisible(F.ToolsWindow()->GetHandle());
}

} // namespace

TEST(FloatingActivation, AnotherThreadsWindowHidesTheBarAndTheFormShowsItAgainWithoutActivatingIt)
{
    TFloatingFixture F;
    F.Manager->SetHideFloatingBarsWhenInactive(true);
    ASSERT_TRUE(F.BringToFront());
    ASSERT_TRUE(ToolsShown(F)) << "the active form shows its floating bar under the option";
    const HWND Tools = F.ToolsWindow()->GetHandle();
    TOtherThreadWindow Other;
    {
        TActivationLog Log(F.Form->GetHandle());
        ASSERT_TRUE(Foreground(Other.Handle(), "the other thread's window in front"));
        WaitVisible(Tools, false, "Tools hidden with the form's deactivation");
        EXPECT_FALSE(IsWindowVisible(Tools));
        EXPECT_TRUE(F.Tools->GetVisible()) << "hidden with the form's activation, not closed";
        EXPECT_EQ(Tools, F.ToolsWindow()->GetHandle()) << "the window is kept";
        EXPECT_GE(Log.Deactivations(), 1);
        EXPECT_GE(Log.NcDeactivationsAfterDeactivate(), 1);
    }
    ASSERT_TRUE(Foreground(F.Form->GetHandle(), "the form in front again"));
    WaitVisible(Tools, true, "Tools shown with the form's activation");
    EXPECT_TRUE(IsWindowVisible(Tools));
    EXPECT_EQ(F.Form->GetHandle(), GetActiveWindow()) << "the bar is shown without activation";
    EXPECT_EQ(F.Form->GetHandle(), GetForegroundWindow());
}

TEST(FloatingActivation, AnOpenMenuOfTheFormClosesWhenAnotherThreadTakesTheForeground)
{
    TFloatingFixture F;
    F.Manager->SetHideFloatingBarsWhenInactive(false);
    ASSERT_TRUE(F.BringToFront());
    TcbBarControl* Bar = F.WindowOf(F.MainMenu);
    TcbBarItemControl* File = nullptr;
    for (int32_t I = 0; I < Bar->GetItemLinks()->GetCount(); ++I)
        if (Bar->GetItemLinks()->GetItem(I)->GetItem() == F.Menus[0])
            File = Bar->GetItemLinks()->GetItem(I)->GetControl();
    ASSERT_NE(nullptr, File);
    const TRect R = File->GetItemRect();
    const LPARAM At = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    SendMessageA(Bar->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Bar->GetHandle(), WM_LBUTTONUP, 0, At);
    TestSupport::PumpUntil([&F] { return F.Menus[0]->GetItemLinks()->GetBarControl() != nullptr; }, 5000,
                           "the File menu to open");
    Settle();
    ASSERT_NE(nullptr, F.Menus[0]->GetItemLinks()->GetBarControl()) << "the File menu is open";
    TOtherThreadWindow Other;
    ASSERT_TRUE(Foreground(Other.Handle(), "the other thread's window in front"));
    EXPECT_TRUE(TestSupport::PumpUntil([&F] { return F.Menus[0]->GetItemLinks()->GetBarControl() == nullptr; }, 5000,
                                       "the File menu closed"));
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    // Without the option the floating bar stays.
    EXPECT_TRUE(ToolsShown(F));
    ASSERT_TRUE(Foreground(F.Form->GetHandle(), "the form in front again"));
}

TEST(FloatingActivation, WithoutTheOptionNothingHides)
{
    TFloatingFixture F;
    ASSERT_FALSE(F.Manager->GetHideFloatingBarsWhenInactive());
    ASSERT_TRUE(F.BringToFront());
    const HWND Tools = F.ToolsWindow()->GetHandle();
    TOtherThreadWindow Other;
    TActivationLog Log(F.Form->GetHandle());
    ASSERT_TRUE(Foreground(Other.Handle(), "the other thread's window in front"));
    Settle();
    EXPECT_TRUE(IsWindowVisible(Tools));
    EXPECT_EQ(0, Log.NcDeactivationsAfterDeactivate());
    // Another form of this thread takes nothing either.
    TComponentPtr<TForm> Second{new TForm(nullptr)};
    Second->SetBounds(900, 100, 200, 120);
    Second->Show();
    ASSERT_TRUE(Foreground(Second->GetHandle(), "the second form in front"));
    Settle();
    EXPECT_TRUE(IsWindowVisible(Tools));
    // Switching the option on while the form is inactive hides the bar at once, and off shows it.
    F.Manager->SetHideFloatingBarsWhenInactive(true);
    EXPECT_FALSE(IsWindowVisible(Tools));
    F.Manager->SetHideFloatingBarsWhenInactive(false);
    EXPECT_TRUE(IsWindowVisible(Tools));
    EXPECT_EQ(Second->GetHandle(), GetActiveWindow());
    Second->Hide();
    ASSERT_TRUE(Foreground(F.Form->GetHandle(), "the form in front again"));
}

TEST(FloatingActivation, AnotherFormHidesTheBarAndAPlainWindowOfTheThreadKeepsIt)
{
    TFloatingFixture F;
    F.Manager->SetHideFloatingBarsWhenInactive(true);
    ASSERT_TRUE(F.BringToFront());
    const HWND Tools = F.ToolsWindow()->GetHandle();
    ASSERT_TRUE(IsWindowVisible(Tools));
    // A popup of this thread that is no form (a tool window of the program's own).
    HWND Plain = CreateWindowExA(0, "STATIC", "Plain", WS_POPUP | WS_VISIBLE | WS_BORDER, 900, 600, 160, 80, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, Plain);
    SetActiveWindow(Plain);
    TestSupport::PumpUntil([Plain] { return GetActiveWindow() == Plain; }, 5000, "the plain window active");
    Settle();
    ASSERT_EQ(Plain, GetActiveWindow());
    EXPECT_TRUE(IsWindowVisible(Tools)) << "a window of the thread that is no form keeps the bar";
    DestroyWindow(Plain);
    ASSERT_TRUE(Foreground(F.Form->GetHandle(), "the form in front again"));
    Settle();
    EXPECT_TRUE(IsWindowVisible(Tools));

    TComponentPtr<TForm> Second{new TForm(nullptr)};
    Second->SetBounds(900, 100, 200, 120);
    Second->Show();
    ASSERT_TRUE(Foreground(Second->GetHandle(), "the second form in front"));
    WaitVisible(Tools, false, "Tools hidden with the form's deactivation");
    EXPECT_FALSE(IsWindowVisible(Tools)) << "another form takes the bar away";
    Second->Hide();
    ASSERT_TRUE(Foreground(F.Form->GetHandle(), "the form in front again"));
    WaitVisible(Tools, true, "Tools shown with the form's activation");
    EXPECT_TRUE(IsWindowVisible(Tools));
}

TEST(FloatingActivation, MinimizingTheFormHidesTheBarAndRestoringShowsIt)
{
    for (const bool Option : {true, false}) {
        SCOPED_TRACE(Option ? "HideFloatingBarsWhenInactive" : "without the option");
        TFloatingFixture F;
        F.Manager->SetHideFloatingBarsWhenInactive(Option);
        ASSERT_TRUE(F.BringToFront());
        const HWND Tools = F.ToolsWindow()->GetHandle();
        ASSERT_TRUE(IsWindowVisible(Tools));
        SendMessageA(F.Form->GetHandle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        ASSERT_TRUE(TestSupport::PumpUntil([&F] { return IsIconic(F.Form->GetHandle()) != 0; }, 5000, "the form minimized"));
        WaitVisible(Tools, false, "Tools hidden with the minimized form");
        EXPECT_FALSE(IsWindowVisible(Tools));
        EXPECT_TRUE(F.Tools->GetVisible());
        SendMessageA(F.Form->GetHandle(), WM_SYSCOMMAND, SC_RESTORE, 0);
        ASSERT_TRUE(TestSupport::PumpUntil([&F] { return !IsIconic(F.Form->GetHandle()); }, 5000, "the form restored"));
        ASSERT_TRUE(Foreground(F.Form->GetHandle(), "the form in front again"));
        WaitVisible(Tools, true, "Tools shown with the restored form");
        EXPECT_TRUE(IsWindowVisible(Tools));
        EXPECT_NE(Tools, GetActiveWindow());
    }
}
