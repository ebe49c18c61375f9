// The application object: guarded callbacks, the "Error" box, the message loop, hooks, idle
// processing and the locked list of owned components.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "platform/win/Application.h"
#include "platform/win/GuardCallback.h"
#include "platform/win/HiddenWindow.h"
#include "tests/platform/win/TestThread.h"
#include "tests/support/TestSupport.h"

using namespace TestSupport;

namespace {

THiddenWindow::TMessageHandler Thrower(int& Calls)
{
    return [&Calls](UINT Msg, WPARAM WParam, LPARAM, LRESULT& Result) {
        if (Msg != WM_APP)
            return false;
        ++Calls;
        if (WParam == 1)
            throw EConvertError("Bad value in the window procedure");
        if (WParam == 2)
            throw 42;
        Result = 77;
        return true;
    };
}

} // namespace

TEST(GuardCallback, AnExceptionInAWindowProcedureReachesOnException)
{
    int Calls = 0;
    THiddenWindow W(Thrower(Calls));
    TExceptionCapture Capture;
    EXPECT_EQ(SendMessageA(W.GetHandle(), WM_APP, 0, 0), 77);
    EXPECT_EQ(SendMessageA(W.GetHandle(), WM_APP, 1, 0), 0);
    EXPECT_EQ(SendMessageA(W.GetHandle(), WM_APP, 2, 0), 0);
    EXPECT_EQ(Calls, 3);
    const auto Entries = Capture.Entries();
    ASSERT_EQ(Entries.size(), 2u);
    EXPECT_EQ(Entries[0].ClassName, "EConvertError");
    EXPECT_EQ(Entries[0].Message, "Bad value in the window procedure");
    EXPECT_EQ(Entries[1].ClassName, "unknown exception");
    // The window still works afterwards.
    EXPECT_EQ(SendMessageA(W.GetHandle(), WM_APP, 0, 0), 77);
}

TEST(GuardCallback, WithoutOnExceptionTheErrorBoxShowsTheText)
{
    int Calls = 0;
    THiddenWindow W(Thrower(Calls));
    TNoExceptionHandler Standard;
    TDialogAnswerer Answerer("Error");
    EXPECT_EQ(SendMessageA(W.GetHandle(), WM_APP, 1, 0), 0);
    EXPECT_EQ(Answerer.AnsweredCount(), 1);
    EXPECT_EQ(Answerer.Caption(), "Error");
    EXPECT_NE(Answerer.Text().find("Bad value in the window procedure"), std::string::npos) << Answerer.Text();
}

TEST(GuardCallback, ACallbackOffTheUserInterfaceThreadIsReportedThere)
{
    TExceptionCapture Capture;
    std::atomic<bool> Done{false};
    TTestThread T([&](TTestThread&) {
        int Calls = 0;
        THiddenWindow Own(Thrower(Calls)); // a window of the worker
        SendMessageA(Own.GetHandle(), WM_APP, 1, 0);
        Done = true;
    });
    T.Resume();
    PumpUntil([&] { return Done.load(); });
    T.WaitFor();
    const auto Entries = Capture.Entries();
    ASSERT_EQ(Entries.size(), 1u);
    EXPECT_EQ(Entries[0].Message, "Bad value in the window procedure");
    EXPECT_EQ(Entries[0].ThreadID, GetCurrentThreadId());
}

TEST(TCallbackFailure, KeepsTheExceptionForTheCaller)
{
    TCallbackFailure F;
    EXPECT_EQ(F.Guard(-1, [] { return 5; }), 5);
    EXPECT_FALSE(F.Failed());
    EXPECT_EQ(F.Guard(-1, []() -> int { throw EReadError("truncated data"); }), -1);
    EXPECT_EQ(F.Guard(-1, []() -> int { throw EWriteError("second"); }), -1); // the first one is kept
    EXPECT_TRUE(F.Failed());
    EXPECT_THROW(F.RaiseIfFailed(), EReadError);
    EXPECT_NO_THROW(F.RaiseIfFailed());
}

TEST(TApplication, RunServesMessagesAndIdleUntilTerminate)
{
    EXPECT_TRUE(Application->IsUIThread());
    int Posted = 0, Idles = 0;
    THiddenWindow W([&](UINT Msg, WPARAM, LPARAM, LRESULT&) {
        if (Msg != WM_APP)
            return false;
        ++Posted;
        return true;
    });
    for (int I = 0; I < 5; ++I)
        PostMessageA(W.GetHandle(), WM_APP, 0, 0);
    Application->OnIdle = [&](TObject* Sender, bool& Done) {
        EXPECT_EQ(Sender, Application);
        ++Idles;
        Done = true;
    };
    std::atomic<bool> Synced{false};
    std::atomic<bool> Served{false};
    // Another thread ends the loop after a synchronised call of its own, once the loop has
    // served the posted messages and gone idle (asked on the loop's own thread, so the order
    // of the wake-ups cannot decide the outcome).
    TTestThread T([&](TTestThread& Self) {
        Self.Synchronize([&] { Synced = true; });
        EXPECT_FALSE(Application->IsUIThread());
        for (int I = 0; I < 1000 && !Served; ++I) {
            Self.Synchronize([&] { Served = Posted == 5 && Idles >= 1; });
            if (!Served)
                Sleep(10);
        }
        Application->Terminate();
    });
    T.Resume();
    Application->Run();
    T.WaitFor();
    Application->OnIdle = nullptr;
    EXPECT_TRUE(Application->GetTerminated());
    EXPECT_EQ(Posted, 5);
    EXPECT_TRUE(Synced);
    EXPECT_GE(Idles, 1);
    // Terminate is final for an application object: later tests get a fresh one.
    ApplicationDone();
    ApplicationInit();
    Application->OnException = FailOnException;
    EXPECT_FALSE(Application->GetTerminated());
}

TEST(TApplication, HooksSeeMessagesFirstAndCanSwallowThem)
{
    int Dispatched = 0;
    THiddenWindow W([&](UINT Msg, WPARAM, LPARAM, LRESULT&) {
        if (Msg != WM_APP)
            return false;
        ++Dispatched;
        return true;
    });
    std::vector<WPARAM> Seen;
    const int32_t Id = Application->AddMessageHook([&](MSG& M) {
        if (M.message != WM_APP)
            return false;
        Seen.push_back(M.wParam);
        return M.wParam == 2; // swallows the second
    });
    for (WPARAM I = 1; I <= 3; ++I)
        PostMessageA(W.GetHandle(), WM_APP, I, 0);
    Application->ProcessMessages();
    Application->RemoveMessageHook(Id);
    PostMessageA(W.GetHandle(), WM_APP, 4, 0);
    Application->ProcessMessages();
    EXPECT_EQ(Seen, (std::vector<WPARAM>{1, 2, 3}));
    EXPECT_EQ(Dispatched, 3);
}

TEST(TApplication, HandleMessageRunsIdleWhenNothingWaits)
{
    int Idles = 0;
    Application->OnIdle = [&](TObject*, bool& Done) {
        ++Idles;
        Done = false; // asks for more idle time: no sleep in WaitMessage
    };
    Application->ProcessMessages();
    Application->HandleMessage();
    Application->OnIdle = nullptr;
    EXPECT_EQ(Idles, 1);
}

TEST(TApplication, ComponentsOwnedByTheApplicationFromManyThreads)
{
    const int Before = Application->GetComponentCount();
    std::vector<std::unique_ptr<TTestThread>> Threads;
    std::vector<std::vector<TComponent*>> Made(8);
    for (int W = 0; W < 8; ++W)
        Threads.push_back(std::make_unique<TTestThread>([&, W](TTestThread&) {
            for (int I = 0; I < 200; ++I)
                Made[static_cast<size_t>(W)].push_back(new TComponent(Application));
            // Half of them go again at once, still on the worker.
            for (int I = 0; I < 100; ++I) {
                Made[static_cast<size_t>(W)].back()->Free();
                Made[static_cast<size_t>(W)].pop_back();
            }
        }));
    for (auto& T : Threads)
        T->Resume();
    for (auto& T : Threads)
        T->WaitFor();
    EXPECT_EQ(Application->GetComponentCount(), Before + 8 * 100);
    for (auto& List : Made)
        for (TComponent* C : List) {
            EXPECT_EQ(C->GetOwner(), Application);
            C->Free();
        }
    EXPECT_EQ(Application->GetComponentCount(), Before);
}

TEST(TApplication, MessageBoxReturnsTheButtonClicked)
{
    TDialogAnswerer Answerer("Keep the file?", IDNO);
    EXPECT_EQ(Application->MessageBox("Keep the file?", "Question", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(Answerer.Caption(), "Question");
}
