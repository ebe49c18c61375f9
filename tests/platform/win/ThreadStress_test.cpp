// The Synchronize machinery under the crawl's load: thousands of short-lived workers, some
// calling Synchronize, all ending through OnTerminate, which starts the next ones, served by a
// loop like the engine driver's, while another thread keeps freed heap blocks filled with the
// value of a handle nobody may close. Also calls from foreign threads, and a wake-up message
// swallowed by a foreign loop.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/win/Application.h"
#include "tests/platform/win/TestThread.h"
#include "tests/support/TestSupport.h"

using namespace TestSupport;

namespace {

constexpr int TotalWorkers = 3000;
constexpr int Running = 8;
constexpr int Canaries = 256;

// One worker of the chain. Inside is set while the worker waits in Synchronize: a method that
// finds it cleared proves that the worker left before its call was over.
struct TWorkerState {
    int Calls = 0; // most workers end at once, as the crawl's workers for a skipped address do
    std::atomic<bool> Inside{false};
    std::atomic<int> Returned{0};
    int Ran = 0;          // user-interface thread only
    int Terminations = 0; // user-interface thread only
};

struct TChain {
    std::vector<std::unique_ptr<TTestThread>> Threads;
    std::vector<std::unique_ptr<TWorkerState>> States;
    int Started = 0;
    int Ended = 0;
    int EarlyLeaves = 0;     // a worker not inside its Synchronize while its method runs
    int EndedTooSoon = 0;    // a worker already gone while its OnTerminate runs
    std::atomic<int> Refused{0};

    void StartOne()
    {
        States.push_back(std::make_unique<TWorkerState>());
        TWorkerState* S = States.back().get();
        S->Calls = States.size() % 4 == 0 ? 2 : 0;
        Threads.push_back(std::make_unique<TTestThread>([this, S](TTestThread& Self) {
            for (int I = 0; I < S->Calls; ++I) {
                S->Inside = true;
                const bool Ran = Self.Synchronize([this, S] {
                    ++S->Ran;
                    // Gives a worker that left early the time to be seen gone.
                    for (int K = 0; K < 3; ++K)
                        SwitchToThread();
                    if (!S->Inside)
                        ++EarlyLeaves;
                });
                S->Inside = false;
                if (Ran)
                    ++S->Returned;
                else
                    ++Refused;
            }
        }));
        TTestThread* T = Threads.back().get();
        T->OnTerminate = [this, S, T](TObject*) {
            ++S->Terminations;
            // As the task's end-of-worker call does: start the next ones from here.
            for (int K = 0; K < 2 && Started < TotalWorkers && Started - Ended <= Running; ++K) {
                ++Started;
                StartOne();
            }
            for (int K = 0; K < 3; ++K)
                SwitchToThread();
            // The worker waits for this call: its thread cannot have ended yet.
            if (WaitForSingleObject(T->GetHandle(), 0) != WAIT_TIMEOUT)
                ++EndedTooSoon;
            ++Ended;
        };
        T->Resume();
    }
};

// Keeps small heap blocks of many sizes filled with Value. A thread that reads memory it has
// already given back (as a thread's end can) then finds Value there instead of its own data.
void Spray(std::atomic<bool>& Stop, HANDLE Value)
{
    std::vector<void*> Held;
    while (!Stop) {
        for (size_t Size = 8; Size <= 256; Size += 4)
            for (int K = 0; K < 8; ++K) {
                auto* P = static_cast<HANDLE*>(std::malloc(Size));
                if (!P)
                    continue;
                for (size_t I = 0; I < Size / sizeof(HANDLE); ++I)
                    P[I] = Value;
                Held.push_back(P);
            }
        SwitchToThread();
        for (void* P : Held)
            std::free(P);
        Held.clear();
    }
}

bool HandleIsLiveUnsignalledEvent(HANDLE H)
{
    DWORD Flags = 0;
    return GetHandleInformation(H, &Flags) && WaitForSingleObject(H, 0) == WAIT_TIMEOUT;
}

} // namespace

TEST(SynchronizeStress, ShortLivedWorkersEndingThroughOnTerminateUnderADriverLoop)
{
    // Events nobody touches: a thread that closes handles it does not own would hit some.
    std::vector<HANDLE> Canary;
    for (int I = 0; I < Canaries; ++I)
        Canary.push_back(CreateEventA(nullptr, TRUE, FALSE, nullptr));

    std::atomic<bool> StopSpraying{false};
    TTestThread Sprayer([&](TTestThread&) { Spray(StopSpraying, Canary[0]); });
    Sprayer.Resume();

    TChain Chain;
    for (int I = 0; I < Running; ++I) {
        ++Chain.Started;
        Chain.StartOne();
    }
    // The engine driver's loop: messages, the queue, and a short wait on the queue's event.
    const ULONGLONG Deadline = GetTickCount64() + 300000;
    while (Chain.Ended < Chain.Started && GetTickCount64() < Deadline) {
        Application->ProcessMessages();
        CheckSynchronize();
        HANDLE Sync = SyncEvent();
        MsgWaitForMultipleObjects(1, &Sync, FALSE, 5, QS_ALLINPUT);
    }
    StopSpraying = true;
    Sprayer.WaitFor();
    ASSERT_EQ(Chain.Ended, Chain.Started) << "the chain of workers did not end";
    EXPECT_EQ(Chain.Started, TotalWorkers);
    for (auto& T : Chain.Threads)
        T->WaitFor();

    EXPECT_EQ(Chain.EarlyLeaves, 0) << "a worker left Synchronize while its method ran";
    EXPECT_EQ(Chain.EndedTooSoon, 0) << "a worker ended while its OnTerminate ran";
    EXPECT_EQ(Chain.Refused, 0);
    int WrongCounts = 0;
    for (auto& S : Chain.States)
        if (S->Ran != S->Calls || S->Returned != S->Calls || S->Terminations != 1)
            ++WrongCounts;
    EXPECT_EQ(WrongCounts, 0) << "workers whose calls or end call did not run exactly as often as made";
    int Lost = 0;
    for (HANDLE H : Canary)
        if (!HandleIsLiveUnsignalledEvent(H))
            ++Lost;
    EXPECT_EQ(Lost, 0) << "events of this test closed or signalled by the workers' ends";
    for (HANDLE H : Canary)
        CloseHandle(H);
}

TEST(SynchronizeStress, CallsFromAThreadWithoutObjectAndFromAnotherThreadsObject)
{
    // SynchronizeCall from plain threads, and Synchronize of one thread object called from
    // several other threads at once: each call waits for its own end only.
    TTestThread Owner([](TTestThread&) { Sleep(0); });
    constexpr int Callers = 6;
    constexpr int Calls = 150;
    std::atomic<int> Inside[Callers];
    std::atomic<int> Done{0};
    int Early = 0, Ran = 0;
    std::vector<std::unique_ptr<TTestThread>> Threads;
    for (int C = 0; C < Callers; ++C) {
        Inside[C] = 0;
        Threads.push_back(std::make_unique<TTestThread>([&, C](TTestThread&) {
            for (int I = 0; I < Calls; ++I) {
                Inside[C] = 1;
                auto Method = [&, C] {
                    ++Ran;
                    SwitchToThread();
                    if (!Inside[C])
                        ++Early;
                };
                // Half through the owner object (not this thread's), half without any object.
                const bool R = (I % 2) ? Owner.Synchronize(Method) : TThread::SynchronizeCall(Method);
                Inside[C] = 0;
                if (R)
                    ++Done;
            }
        }));
    }
    for (auto& T : Threads)
        T->Resume();
    PumpUntil([&] { return Done == Callers * Calls; }, 120000, "calls from other threads");
    for (auto& T : Threads)
        T->WaitFor();
    EXPECT_EQ(Done, Callers * Calls);
    EXPECT_EQ(Ran, Callers * Calls);
    EXPECT_EQ(Early, 0);
}

TEST(SynchronizeStress, AWakeUpMessageSwallowedByAForeignLoopDoesNotStopLaterOnes)
{
    std::atomic<int> Step{0};
    int Ran = 0;
    HANDLE Go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    TTestThread T([&](TTestThread& Self) {
        Self.Synchronize([&] { ++Ran; });
        Step = 1;
        WaitForSingleObject(Go, 20000);
        Self.Synchronize([&] { ++Ran; });
        Step = 2;
    });
    T.Resume();
    ASSERT_EQ(WaitForSingleObject(SyncEvent(), 20000), WAIT_OBJECT_0);
    // A foreign loop takes every posted message of this thread without dispatching any.
    MSG M;
    const ULONGLONG Until = GetTickCount64() + 200;
    while (GetTickCount64() < Until) {
        while (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE)) {
        }
        Sleep(5);
    }
    EXPECT_EQ(Ran, 0);
    // The queue is served once directly (as an idle loop does)...
    CheckSynchronize();
    EXPECT_EQ(Ran, 1);
    SetEvent(Go);
    // ...and later requests must still reach a loop that only dispatches messages.
    const ULONGLONG Deadline = GetTickCount64() + 20000;
    while (Step < 2 && GetTickCount64() < Deadline) {
        while (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&M);
            DispatchMessageA(&M);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    EXPECT_EQ(Step, 2);
    EXPECT_EQ(Ran, 2);
    T.WaitFor();
    CloseHandle(Go);
}
