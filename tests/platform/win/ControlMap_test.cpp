// Finding the control of a window: through creation, re-creation, destruction and on several threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "tests/support/TestSupport.h"

namespace {

const char* const ControlProp = "QuillmoorControl";

std::string WindowText(HWND W)
{
    char Buf[64] = {};
    GetWindowTextA(W, Buf, sizeof(Buf));
    return Buf;
}

// A hidden top-level window of the calling thread to put controls in.
struct THost {
    HWND Wnd = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ~THost() { DestroyWindow(Wnd); }
};

} // namespace

TEST(TControlLookup, FollowsCreationRecreationDestructionAndFreeing)
{
    THost Host;
    ASSERT_TRUE(Host.Wnd);
    auto* Panel = new TPanel(nullptr);
    Panel->SetParentWindow(Host.Wnd);
    auto* Edit = new TEdit(Panel);
    Edit->SetParent(Panel);
    Edit->SetText("first");
    HWND First = Edit->GetHandle();
    ASSERT_TRUE(First);
    EXPECT_EQ(TWinControl::FindControl(First), Edit);
    EXPECT_EQ(TWinControl::FindControl(Panel->GetHandle()), Panel);
    // The window property is kept with the lookup for anything that reads it.
    EXPECT_EQ(GetPropA(First, ControlProp), static_cast<HANDLE>(Edit));
    // Windows that are not ours are not found: the host, a system control, nothing.
    EXPECT_EQ(TWinControl::FindControl(Host.Wnd), nullptr);
    EXPECT_EQ(TWinControl::FindControl(nullptr), nullptr);
    EXPECT_EQ(TWinControl::FindControl(GetDesktopWindow()), nullptr);

    Edit->RecreateWnd();
    HWND Second = Edit->GetHandle();
    ASSERT_TRUE(Second);
    EXPECT_FALSE(IsWindow(First));
    EXPECT_EQ(TWinControl::FindControl(First), nullptr);
    EXPECT_EQ(TWinControl::FindControl(Second), Edit);
    EXPECT_EQ(WindowText(Second), "first");
    // Messages to the new window reach the control.
    SetWindowTextA(Second, "second");
    EXPECT_EQ(Edit->GetText(), "second");

    Edit->DestroyHandle();
    EXPECT_FALSE(Edit->HandleAllocated());
    EXPECT_EQ(TWinControl::FindControl(Second), nullptr);
    HWND Third = Edit->GetHandle();
    EXPECT_EQ(TWinControl::FindControl(Third), Edit);
    EXPECT_EQ(WindowText(Third), "second");

    HWND PanelWnd = Panel->GetHandle();
    Panel->Free(); // frees the edit with it
    EXPECT_EQ(TWinControl::FindControl(Third), nullptr);
    EXPECT_EQ(TWinControl::FindControl(PanelWnd), nullptr);
    // Messages to the old values find no control (nothing freed is reached).
    EXPECT_EQ(SendMessageA(Third, WM_GETTEXTLENGTH, 0, 0), 0);

    // New windows of the same classes, made without a control, are left to the system and are not
    // taken for the freed controls, whatever handle values they get.
    for (int I = 0; I < 50; ++I) {
        HWND Raw = CreateWindowExA(0, "QMTEdit", "raw", WS_CHILD, 0, 0, 10, 10, Host.Wnd, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(Raw);
        EXPECT_EQ(TWinControl::FindControl(Raw), nullptr);
        EXPECT_EQ(WindowText(Raw), "raw");
        DestroyWindow(Raw);
    }
}

TEST(TControlLookup, ControlsMadeAndFreedOnSeveralThreadsAtOnce)
{
    constexpr int Threads = 4;
    constexpr int Rounds = 40;
    std::atomic<int> Failures{0};
    std::atomic<int> Done{0};
    std::vector<HWND> Seen(Threads);
    std::vector<std::thread> Workers;
    for (int T = 0; T < Threads; ++T)
        Workers.emplace_back([&, T] {
            THost Host;
            for (int R = 0; R < Rounds; ++R) {
                auto* Panel = new TPanel(nullptr);
                Panel->SetParentWindow(Host.Wnd);
                auto* Edit = new TPanel(Panel);
                Edit->SetParent(Panel);
                HWND W = Edit->GetHandle();
                Seen[T] = W;
                if (TWinControl::FindControl(W) != Edit)
                    ++Failures;
                Edit->RecreateWnd();
                if (TWinControl::FindControl(W) != nullptr || TWinControl::FindControl(Edit->GetHandle()) != Edit)
                    ++Failures;
                SetWindowTextA(Edit->GetHandle(), "x");
                if (Edit->GetText() != "x")
                    ++Failures;
                HWND Last = Edit->GetHandle();
                Panel->Free();
                if (TWinControl::FindControl(Last) != nullptr)
                    ++Failures;
            }
            ++Done;
        });
    // Meanwhile this thread looks the workers' windows up while they come and go.
    int Asked = 0;
    while (Done < Threads) {
        for (int T = 0; T < Threads; ++T)
            TWinControl::FindControl(Seen[T]);
        ++Asked;
        // Serve anything the workers send to this thread's windows meanwhile.
        MSG Msg;
        while (PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&Msg);
        std::this_thread::yield();
    }
    for (auto& W : Workers)
        W.join();
    EXPECT_EQ(Failures, 0);
    EXPECT_GT(Asked, 0);
}
