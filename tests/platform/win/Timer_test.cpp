#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "platform/win/Application.h"
#include "platform/win/Thread.h"
#include "platform/win/Timer.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpFor;
using TestSupport::PumpUntil;

namespace {

BOOL CALLBACK CollectWindow(HWND Wnd, LPARAM Param)
{
    reinterpret_cast<std::vector<HWND>*>(Param)->push_back(Wnd);
    return TRUE;
}

// The hidden windows of a thread, visible or not (the system may add windows of its own to a
// thread, such as an input-method window, which are left out).
std::vector<HWND> ThreadWindows(DWORD ThreadID)
{
    std::vector<HWND> All;
    EnumThreadWindows(ThreadID, CollectWindow, reinterpret_cast<LPARAM>(&All));
    std::vector<HWND> Result;
    for (HWND W : All) {
        char Class[64] = {};
        GetClassNameA(W, Class, sizeof(Class));
        if (std::string(Class) == "QuillmoorHiddenWindow")
            Result.push_back(W);
    }
    return Result;
}

size_t OwnWindowCount()
{
    return ThreadWindows(GetCurrentThreadId()).size();
}

bool Contains(const std::vector<HWND>& List, HWND Wnd)
{
    for (HWND W : List)
        if (W == Wnd)
            return true;
    return false;
}

} // namespace

TEST(Timer, DefaultsAndNoWindowUntilItRuns)
{
    const size_t Before = OwnWindowCount();
    TTimer Disabled;
    EXPECT_TRUE(Disabled.GetEnabled());
    EXPECT_EQ(1000u, Disabled.GetInterval());
    Disabled.SetEnabled(false);
    Disabled.SetInterval(50);
    int Ticks = 0;
    Disabled.SetOnTimer([&](TObject*) { ++Ticks; });
    EXPECT_EQ(Before, OwnWindowCount());
    EXPECT_EQ(nullptr, Disabled.GetWindowHandle());

    // Enabled, but nothing to call: still no window.
    TTimer NoHandler;
    NoHandler.SetInterval(20);
    EXPECT_EQ(Before, OwnWindowCount());
    // An interval of 0 does not run either.
    TTimer ZeroInterval;
    ZeroInterval.SetInterval(0);
    ZeroInterval.SetOnTimer([&](TObject*) { ++Ticks; });
    EXPECT_EQ(Before, OwnWindowCount());
    PumpFor(150);
    EXPECT_EQ(0, Ticks);

    // Once it runs, the window exists and is this thread's.
    Disabled.SetEnabled(true);
    ASSERT_NE(nullptr, Disabled.GetWindowHandle());
    EXPECT_EQ(Before + 1, OwnWindowCount());
    EXPECT_TRUE(Contains(ThreadWindows(GetCurrentThreadId()), Disabled.GetWindowHandle()));
    EXPECT_TRUE(PumpUntil([&] { return Ticks >= 2; }, 5000, "two ticks"));
}

TEST(Timer, TicksAtItsIntervalAndStopsWhenDisabled)
{
    TTimer T;
    T.SetInterval(50);
    int Ticks = 0;
    TObject* Sender = nullptr;
    T.SetOnTimer([&](TObject* S) {
        ++Ticks;
        Sender = S;
    });
    PumpFor(2000);
    EXPECT_GE(Ticks, 5);
    EXPECT_LE(Ticks, 45); // not faster than the interval allows
    EXPECT_EQ(&T, Sender);

    T.SetEnabled(false);
    const int Stopped = Ticks;
    PumpFor(300);
    EXPECT_EQ(Stopped, Ticks);

    T.SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return Ticks >= Stopped + 2; }, 5000, "ticks after re-enabling"));
}

TEST(Timer, ChangingTheIntervalRestartsIt)
{
    TTimer T;
    T.SetInterval(60000);
    int Ticks = 0;
    T.SetOnTimer([&](TObject*) { ++Ticks; });
    PumpFor(200);
    EXPECT_EQ(0, Ticks);
    // Three ticks before the old interval could have given one.
    T.SetInterval(40);
    EXPECT_TRUE(PumpUntil([&] { return Ticks >= 3; }, 5000, "ticks at the new interval"));
    // Clearing the handler stops it too.
    T.SetOnTimer(nullptr);
    const int Stopped = Ticks;
    PumpFor(200);
    EXPECT_EQ(Stopped, Ticks);
}

TEST(Timer, KeepsTickingInsideAMessageBoxLoop)
{
    TTimer T;
    T.SetInterval(50);
    std::atomic<int> Ticks{0};
    T.SetOnTimer([&](TObject*) { ++Ticks; });
    int AtStart = -1;
    // The box is answered once the timer ticked five more times inside its loop.
    TestSupport::TDialogAnswerer Answer("Timer box", IDOK, [&] {
        if (AtStart < 0)
            AtStart = Ticks;
        return Ticks >= AtStart + 5;
    });
    const int Result = MessageBoxA(nullptr, "Timer box", "Timer box", MB_OK);
    EXPECT_EQ(IDOK, Result);
    EXPECT_EQ(1, Answer.AnsweredCount());
    ASSERT_GE(AtStart, 0);
    EXPECT_GE(Ticks - AtStart, 5);
}

TEST(Timer, AnExceptionInOnTimerIsReportedAndTheTimerGoesOn)
{
    TestSupport::TExceptionCapture Capture;
    TTimer T;
    T.SetInterval(30);
    int Ticks = 0;
    T.SetOnTimer([&](TObject*) {
        ++Ticks;
        if (Ticks == 1)
            throw EInvalidOperation("tick failed");
    });
    EXPECT_TRUE(PumpUntil([&] { return Ticks >= 4; }, 5000, "ticks after the failing one"));
    ASSERT_EQ(1u, Capture.Count());
    EXPECT_EQ("EInvalidOperation", Capture.Entries()[0].ClassName);
    EXPECT_EQ("tick failed", Capture.Entries()[0].Message);
    EXPECT_EQ(GetCurrentThreadId(), Capture.Entries()[0].ThreadID);
}

TEST(Timer, FreeingItselfInOnTimerEndsCleanly)
{
    const size_t Before = OwnWindowCount();
    int Ticks = 0;
    bool AfterFree = false;
    auto* T = new TTimer;
    T->SetInterval(20);
    T->SetOnTimer([&Ticks, &AfterFree](TObject* Sender) {
        ++Ticks;
        delete static_cast<TTimer*>(Sender);
        AfterFree = true; // the handler itself runs to its end
    });
    EXPECT_EQ(Before + 1, OwnWindowCount());
    EXPECT_TRUE(PumpUntil([&] { return Ticks >= 1; }, 5000, "the tick"));
    PumpFor(200);
    EXPECT_EQ(1, Ticks);
    EXPECT_TRUE(AfterFree);
    EXPECT_EQ(Before, OwnWindowCount());
}

TEST(Timer, FreedByItsOwner)
{
    const size_t Before = OwnWindowCount();
    int Ticks = 0;
    {
        TComponentPtr<TComponent> Owner(new TComponent(nullptr));
        auto* T = new TTimer(Owner.get());
        T->SetInterval(20);
        T->SetOnTimer([&](TObject*) { ++Ticks; });
        EXPECT_TRUE(PumpUntil([&] { return Ticks >= 1; }, 5000, "a tick"));
    }
    EXPECT_EQ(Before, OwnWindowCount());
    const int AtFree = Ticks;
    PumpFor(150);
    EXPECT_EQ(AtFree, Ticks);
}

namespace {

// A worker that makes a timer, then pumps its own messages until asked to stop (or until
// Leave is set, when it returns and leaves the timer behind).
class TTimerWorker : public TThread {
public:
    std::atomic<TTimer*> Timer{nullptr};
    std::atomic<int> Ticks{0};
    std::atomic<int> WrongThreadTicks{0};
    std::atomic<bool> Leave{false};
    std::atomic<bool> InTick{false};
    std::atomic<uint32_t> TickSleep{0};
    std::atomic<DWORD> WindowThread{0};

protected:
    void Execute() override
    {
        auto* T = new TTimer;
        T->SetInterval(25);
        const DWORD Me = GetCurrentThreadId();
        T->SetOnTimer([this, Me](TObject*) {
            InTick = true;
            if (GetCurrentThreadId() != Me)
                ++WrongThreadTicks;
            if (TickSleep)
                Sleep(TickSleep);
            ++Ticks;
            InTick = false;
        });
        if (T->GetWindowHandle())
            WindowThread = GetWindowThreadProcessId(T->GetWindowHandle(), nullptr);
        Timer = T;
        while (!Terminated() && !Leave) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            MSG Msg;
            while (PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&Msg);
                DispatchMessageA(&Msg);
            }
        }
    }
};

} // namespace

TEST(Timer, MadeOnAWorkerTicksThereAndIsFreedFromTheUserInterfaceThread)
{
    const size_t Before = OwnWindowCount();
    std::unique_ptr<TTimerWorker> W(TThread::New<TTimerWorker>(false));
    ASSERT_TRUE(PumpUntil([&] { return W->Ticks >= 3; }, 10000, "worker ticks"));
    EXPECT_EQ(0, W->WrongThreadTicks.load());
    EXPECT_EQ(W->GetThreadID(), W->WindowThread.load());
    EXPECT_EQ(1u, ThreadWindows(W->GetThreadID()).size());
    EXPECT_EQ(Before, OwnWindowCount()); // nothing of it on this thread

    // Freed here while the worker goes on pumping.
    delete W->Timer.exchange(nullptr);
    const int AtFree = W->Ticks;
    // The worker's loop destroys the window.
    EXPECT_TRUE(PumpUntil([&] { return ThreadWindows(W->GetThreadID()).empty(); }, 5000, "the window gone"));
    PumpFor(200);
    EXPECT_EQ(AtFree, W->Ticks.load()); // no late tick
    EXPECT_EQ(Before, OwnWindowCount());
    W->Terminate();
    W->WaitFor();
}

TEST(Timer, FreeingWaitsForARunningTickOnAnotherThread)
{
    std::unique_ptr<TTimerWorker> W(TThread::New<TTimerWorker>(true));
    W->TickSleep = 300;
    W->Resume();
    ASSERT_TRUE(PumpUntil([&] { return W->InTick.load(); }, 10000, "a tick in progress"));
    const int Done = W->Ticks;
    delete W->Timer.exchange(nullptr);
    // The tick that was running has ended before the timer went.
    EXPECT_FALSE(W->InTick.load());
    EXPECT_EQ(Done + 1, W->Ticks.load());
    EXPECT_TRUE(PumpUntil([&] { return ThreadWindows(W->GetThreadID()).empty(); }, 5000, "the window gone"));
    const int AtFree = W->Ticks;
    PumpFor(400);
    EXPECT_EQ(AtFree, W->Ticks.load());
    W->Terminate();
    W->WaitFor();
}

TEST(Timer, FreedAfterItsWorkerEnded)
{
    const size_t Before = OwnWindowCount();
    std::unique_ptr<TTimerWorker> W(TThread::New<TTimerWorker>(false));
    ASSERT_TRUE(PumpUntil([&] { return W->Ticks >= 2; }, 10000, "worker ticks"));
    W->Leave = true;
    W->WaitFor();
    const DWORD Worker = W->GetThreadID();
    const int AtEnd = W->Ticks;
    TTimer* T = W->Timer.exchange(nullptr);
    ASSERT_NE(nullptr, T);
    EXPECT_TRUE(ThreadWindows(Worker).empty());
    delete T;
    PumpFor(200);
    EXPECT_EQ(AtEnd, W->Ticks.load());
    EXPECT_EQ(Before, OwnWindowCount());
}

TEST(Timer, ReEnabledAfterItsWorkerEndedRunsHere)
{
    std::unique_ptr<TTimerWorker> W(TThread::New<TTimerWorker>(false));
    ASSERT_TRUE(PumpUntil([&] { return W->Ticks >= 1; }, 10000, "worker ticks"));
    W->Leave = true;
    W->WaitFor();
    std::unique_ptr<TTimer> T(W->Timer.exchange(nullptr));
    ASSERT_NE(nullptr, T);
    int Here = 0;
    T->SetOnTimer([&](TObject*) {
        EXPECT_EQ(GetCurrentThreadId(), MainThreadID());
        ++Here;
    });
    ASSERT_NE(nullptr, T->GetWindowHandle());
    EXPECT_EQ(GetCurrentThreadId(), GetWindowThreadProcessId(T->GetWindowHandle(), nullptr));
    EXPECT_TRUE(PumpUntil([&] { return Here >= 2; }, 5000, "ticks on this thread"));
}

TEST(Timer, ChangedFromAnotherThreadWhileItsWindowLivesOnAWorker)
{
    std::unique_ptr<TTimerWorker> W(TThread::New<TTimerWorker>(false));
    ASSERT_TRUE(PumpUntil([&] { return W->Ticks >= 1; }, 10000, "worker ticks"));
    TTimer* T = W->Timer;
    T->SetEnabled(false); // handed to the worker's window
    PumpFor(150);
    const int Stopped = W->Ticks;
    PumpFor(250);
    EXPECT_EQ(Stopped, W->Ticks.load());
    T->SetEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return W->Ticks >= Stopped + 2; }, 5000, "ticks after re-enabling"));
    EXPECT_EQ(0, W->WrongThreadTicks.load());
    delete W->Timer.exchange(nullptr);
    W->Terminate();
    W->WaitFor();
    EXPECT_TRUE(ThreadWindows(W->GetThreadID()).empty());
}
