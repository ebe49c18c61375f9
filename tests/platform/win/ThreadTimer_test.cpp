// Thread timers: ticks in modal loops, stops from anywhere (the own callback included), ids the
// system hands out again, ticks that were under way when their timer stopped, and timers of
// two threads with the same id.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>
#include <vector>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"
#include "platform/win/ThreadTimer.h"
#include "tests/support/TestSupport.h"

using TestSupport::PumpUntil;

namespace {

int gRawTicks = 0;
void CALLBACK RawTimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    ++gRawTicks;
}

} // namespace

TEST(ThreadTimer, TicksInTheLoopsOfMessageBoxesAndKeepsTickingAfterACallbackRaised)
{
    int Ticks = 0;
    const UINT_PTR Id = ThreadTimerStart(50, [&](UINT_PTR Got) {
        EXPECT_EQ(Got, Id);
        ++Ticks;
    });
    ASSERT_NE(Id, 0u);
    EXPECT_TRUE(PumpUntil([&] { return Ticks >= 5; }, 1000, "five ticks of a 50 ms timer"));

    // The box is answered only after three more ticks, which its own loop has to deliver.
    int AtShow = -1;
    TestSupport::TDialogAnswerer Answer("ticking", IDOK, [&] {
        if (AtShow < 0)
            AtShow = Ticks;
        return Ticks >= AtShow + 3;
    });
    Application->MessageBox("The timer is ticking", "Information", MB_OK);
    EXPECT_EQ(Answer.AnsweredCount(), 1);
    EXPECT_GE(Ticks, AtShow + 3);
    ThreadTimerStop(Id);

    TestSupport::TExceptionCapture Capture;
    const UINT_PTR Raising = ThreadTimerStart(10, [](UINT_PTR) { throw EInvalidOperation("tick failed"); });
    EXPECT_TRUE(PumpUntil([&] { return Capture.Count() >= 3; }, 10000, "three failed ticks"));
    ThreadTimerStop(Raising);
    EXPECT_EQ(Capture.Entries()[0].Message, "tick failed");
}

TEST(ThreadTimer, StopsInsideItsOwnCallbackAndStopsOfOtherIdsAreHarmless)
{
    // A timer of the thread that was not started here is not ours to stop.
    gRawTicks = 0;
    const UINT_PTR Raw = SetTimer(nullptr, 0, 10, RawTimerProc);
    ASSERT_NE(Raw, 0u);
    ThreadTimerStop(Raw);

    int Ticks = 0;
    UINT_PTR Self = 0;
    Self = ThreadTimerStart(10, [&](UINT_PTR Id) {
        ++Ticks;
        ThreadTimerStop(Id);
        ThreadTimerStop(Id); // twice
    });
    ASSERT_TRUE(PumpUntil([&] { return Ticks == 1; }, 10000, "the first tick"));
    ThreadTimerStop(Self); // once more from outside
    // The raw timer ticks on meanwhile: a time in which a running timer would tick many times.
    const int RawBefore = gRawTicks;
    ASSERT_TRUE(PumpUntil([&] { return gRawTicks >= RawBefore + 10; }, 10000, "ten ticks of the raw timer"));
    EXPECT_EQ(Ticks, 1);
    KillTimer(nullptr, Raw);
}

TEST(ThreadTimer, AStoppedIdNeverFiresIntoTheTimerThatGetsItNext)
{
    // Each timer of 100 runs until its first tick and stops; none may tick after its stop.
    std::vector<int> Ticks(100, 0);
    std::vector<bool> Stopped(100, false);
    std::set<UINT_PTR> Ids;
    int Late = 0;
    for (size_t I = 0; I < Ticks.size(); ++I) {
        const UINT_PTR Id = ThreadTimerStart(10, [&, I](UINT_PTR) {
            ++Ticks[I];
            if (Stopped[I])
                ++Late;
        });
        Ids.insert(Id);
        ASSERT_TRUE(PumpUntil([&] { return Ticks[I] > 0; }, 10000, "a tick of timer " + std::to_string(I)));
        ThreadTimerStop(Id);
        Stopped[I] = true;
    }

    // A tick already taken from the queue when its timer stops, and handed on only after the
    // system gave the id to a new timer. Other timers keep ticking meanwhile.
    int NewTicks = 0;
    bool OldStopped = false;
    const UINT_PTR Old = ThreadTimerStart(10, [&](UINT_PTR) {
        if (OldStopped)
            ++Late;
    });
    // Taken out by hand: a pump would hand it on at once.
    MSG Held{};
    bool Taken = false;
    const ULONGLONG End = GetTickCount64() + 10000;
    while (!Taken && GetTickCount64() < End) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_TIMER);
        if (!PeekMessageA(&Held, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
            continue;
        Taken = Held.hwnd == nullptr && Held.wParam == Old;
        if (!Taken)
            DispatchMessageA(&Held); // another timer's
    }
    ASSERT_TRUE(Taken) << "no tick of the timer came";
    ThreadTimerStop(Old);
    OldStopped = true;
    Ids.insert(Old);
    // Start and stop until the system hands out an id it gave before (Wine counts its ids down
    // through the whole range first), then keep the timer that got Old.
    UINT_PTR Again = 0;
    bool Reused = false;
    for (int I = 0; I < 100000 && Again != Old; ++I) {
        Again = ThreadTimerStart(10, [&](UINT_PTR) { ++NewTicks; });
        Reused = Reused || Ids.count(Again) > 0;
        if (Again != Old)
            ThreadTimerStop(Again);
    }
    EXPECT_TRUE(Reused);
    ASSERT_EQ(Again, Old) << "the system never handed the id out again";
    DispatchMessageA(&Held);
    EXPECT_EQ(NewTicks, 0);
    EXPECT_TRUE(PumpUntil([&] { return NewTicks >= 2; }, 10000, "ticks of the timer that got the id"));
    ThreadTimerStop(Again);
    EXPECT_EQ(Late, 0);
}

TEST(ThreadTimer, TimersOfTwoThreadsWithTheSameIdTickOnTheirOwnThreads)
{
    // Each thread's first thread timer: Wine numbers them per thread, so the ids agree.
    std::atomic<UINT_PTR> Ids[2] = {};
    std::atomic<int> Foreign{0};
    auto Run = [&](int Index) {
        const DWORD Self = GetCurrentThreadId();
        int Ticks = 0;
        Ids[Index] = ThreadTimerStart(10, [&](UINT_PTR) {
            ++Ticks;
            if (GetCurrentThreadId() != Self)
                ++Foreign;
        });
        const ULONGLONG End = GetTickCount64() + 10000;
        while (Ticks < 5 && GetTickCount64() < End) {
            MSG M;
            while (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&M);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        ThreadTimerStop(Ids[Index]);
        if (Ticks < 5)
            ++Foreign; // counted as a failure as well
    };
    std::thread A(Run, 0), B(Run, 1);
    A.join();
    B.join();
    EXPECT_EQ(Foreign.load(), 0);
    EXPECT_NE(Ids[0].load(), 0u);
    EXPECT_EQ(Ids[0].load(), Ids[1].load());
}
