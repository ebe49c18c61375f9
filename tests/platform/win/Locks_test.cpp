// Locked lists, critical sections and named mutexes under contention.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

#include "platform/win/Guid.h"
#include "platform/win/Locks.h"
#include "tests/platform/win/TestThread.h"

namespace {

using TThreads = std::vector<std::unique_ptr<TTestThread>>;

void RunAll(TThreads& Threads)
{
    for (auto& T : Threads)
        T->Resume();
    for (auto& T : Threads)
        T->WaitFor();
    for (auto& T : Threads)
        EXPECT_FALSE(T->GetFailure()) << T->GetFailureMessage();
}

} // namespace

TEST(TThreadList, EightThreadsAddingAndRemovingLeaveItEmpty)
{
    TThreadList List;
    std::vector<int> Slots(8 * 16);
    TThreads Threads;
    std::atomic<int> Missing{0};
    for (int W = 0; W < 8; ++W)
        Threads.push_back(std::make_unique<TTestThread>([&, W](TTestThread&) {
            for (int I = 0; I < 10000; ++I) {
                void* Item = &Slots[static_cast<size_t>(W * 16 + I % 16)];
                List.Add(Item);
                {
                    TThreadListGuard L(List);
                    if (L->IndexOf(Item) < 0)
                        ++Missing;
                }
                List.Remove(Item);
            }
        }));
    RunAll(Threads);
    EXPECT_EQ(Missing, 0);
    TThreadListGuard L(List);
    EXPECT_EQ(L->GetCount(), 0);
}

TEST(TThreadList, LockIsReentrantAndExcludesOtherThreads)
{
    TThreadList List;
    int A = 1, B = 2;
    TList* First = List.LockList();
    TList* Second = List.LockList(); // the same thread again: no block
    EXPECT_EQ(First, Second);
    First->Add(&A);

    std::atomic<bool> Added{false};
    TTestThread Other([&](TTestThread&) {
        List.Add(&B);
        Added = true;
    });
    Other.Resume();
    List.UnlockList();
    Sleep(50);
    EXPECT_FALSE(Added); // still held once
    List.UnlockList();
    Other.WaitFor();
    EXPECT_TRUE(Added);

    // Duplicates are ignored by default, refused or accepted on request.
    List.Add(&A);
    EXPECT_EQ(TThreadListGuard(List)->GetCount(), 2);
    List.SetDuplicates(dupError);
    EXPECT_THROW(List.Add(&A), EListError);
    List.SetDuplicates(dupAccept);
    List.Add(&A);
    EXPECT_EQ(TThreadListGuard(List)->GetCount(), 3);
    List.Clear();
    EXPECT_EQ(TThreadListGuard(List)->GetCount(), 0);
}

TEST(TCriticalSection, GuardsAnUnprotectedCounter)
{
    TCriticalSection Lock;
    int64_t Counter = 0; // plain: only the lock keeps the increments whole
    TThreads Threads;
    for (int W = 0; W < 8; ++W)
        Threads.push_back(std::make_unique<TTestThread>([&](TTestThread&) {
            for (int I = 0; I < 20000; ++I) {
                TCriticalSectionGuard G(Lock);
                TCriticalSectionGuard Again(Lock); // re-entrant
                const int64_t V = Counter;
                Counter = V + 1;
            }
        }));
    RunAll(Threads);
    EXPECT_EQ(Counter, 8 * 20000);
    EXPECT_TRUE(Lock.TryEnter());
    Lock.Leave();
}

TEST(TNamedMutex, OneNameExcludesAcrossThreadsAndOtherNamesDoNot)
{
    const std::string Name = NewGuidText();
    TNamedMutex Held(Name);
    HANDLE Acquired = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE Release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    TTestThread Holder([&](TTestThread&) {
        TNamedMutexGuard G(Held);
        SetEvent(Acquired);
        WaitForSingleObject(Release, INFINITE);
    });
    Holder.Resume();
    ASSERT_EQ(WaitForSingleObject(Acquired, 20000), WAIT_OBJECT_0);

    TNamedMutex Same(Name);
    TNamedMutex Other(NewGuidText());
    EXPECT_FALSE(Same.TryWait());
    EXPECT_TRUE(Other.TryWait());
    Other.Release();

    std::atomic<bool> Got{false};
    TTestThread Waiter([&](TTestThread&) {
        Same.Wait();
        Got = true;
        Same.Release();
    });
    Waiter.Resume();
    Sleep(50);
    EXPECT_FALSE(Got);
    SetEvent(Release);
    Waiter.WaitFor();
    Holder.WaitFor();
    EXPECT_TRUE(Got);
    CloseHandle(Acquired);
    CloseHandle(Release);
}

TEST(TNamedMutex, AnAbandonedMutexCountsAsAcquired)
{
    const std::string Name = NewGuidText();
    TNamedMutex M(Name);
    // The thread ends holding it.
    TTestThread Quitter([&](TTestThread&) { M.Wait(); });
    Quitter.Resume();
    Quitter.WaitFor();
    TNamedMutex Again(Name);
    EXPECT_TRUE(Again.TryWait());
    Again.Release();
    {
        TNamedMutexGuard G(Again);
    }
    // Releasing a mutex this thread does not hold is a failure, reported.
    EXPECT_THROW(Again.Release(), EOSError);
}
