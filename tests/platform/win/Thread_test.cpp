// Threads handing work to the user-interface thread: Synchronize under load and inside modal
// loops, WaitFor, Terminate, OnTerminate, failures and self-freeing threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/win/Application.h"
#include "platform/win/HiddenWindow.h"
#include "tests/platform/win/TestThread.h"
#include "tests/support/TestSupport.h"

using namespace TestSupport;

namespace {

constexpr int Workers = 8;
constexpr int CallsPerWorker = 1000;

struct TLoad {
    int Counter = 0; // touched on the user-interface thread only
    std::atomic<int> OffThread{0};
    std::atomic<int> Failed{0};
    std::atomic<int> Finished{0};
    std::vector<std::unique_ptr<TTestThread>> Threads;

    void Start()
    {
        for (int W = 0; W < Workers; ++W) {
            Threads.push_back(std::make_unique<TTestThread>([this](TTestThread& Self) {
                for (int I = 0; I < CallsPerWorker; ++I) {
                    const bool Ran = Self.Synchronize([this] {
                        if (!Application->IsUIThread())
                            ++OffThread;
                        ++Counter;
                    });
                    if (!Ran)
                        ++Failed;
                }
                ++Finished;
            }));
        }
        for (auto& T : Threads)
            T->Resume();
    }
    void Check()
    {
        for (auto& T : Threads)
            T->WaitFor();
        EXPECT_EQ(Counter, Workers * CallsPerWorker);
        EXPECT_EQ(OffThread, 0);
        EXPECT_EQ(Failed, 0);
        EXPECT_EQ(Finished, Workers);
    }
};

// Serves the thread's messages only through Application->ProcessMessages, never the queue itself.
bool ProcessMessagesUntil(const std::function<bool()>& Done)
{
    const ULONGLONG Deadline = GetTickCount64() + 60000;
    while (!Done()) {
        if (GetTickCount64() > Deadline)
            return false;
        Application->ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

} // namespace

TEST(Synchronize, EightWorkersCompleteInsideNestedProcessMessages)
{
    for (int Run = 0; Run < 3; ++Run) {
        TLoad Load;
        bool LoopDone = false;
        // The loop runs inside a message handler, itself dispatched by ProcessMessages.
        THiddenWindow Outer([&](UINT Msg, WPARAM, LPARAM, LRESULT&) {
            if (Msg != WM_APP)
                return false;
            LoopDone = ProcessMessagesUntil([&] { return Load.Counter == Workers * CallsPerWorker; });
            return true;
        });
        PostMessageA(Outer.GetHandle(), WM_APP, 0, 0);
        Load.Start();
        ASSERT_TRUE(ProcessMessagesUntil([&] { return LoopDone; }));
        Load.Check();
    }
}

TEST(Synchronize, EightWorkersCompleteInsideMessageBox)
{
    for (int Run = 0; Run < 3; ++Run) {
        TLoad Load;
        TDialogAnswerer Answerer("Synchronize load", IDOK,
                                 [&] { return Load.Counter == Workers * CallsPerWorker; });
        Load.Start();
        const int32_t Answer = Application->MessageBox("Waiting for the workers", "Synchronize load", MB_OK);
        EXPECT_EQ(Answer, IDOK);
        EXPECT_EQ(Answerer.AnsweredCount(), 1);
        EXPECT_EQ(Answerer.Caption(), "Synchronize load");
        EXPECT_NE(Answerer.Text().find("Waiting for the workers"), std::string::npos);
        Load.Check();
    }
}

TEST(Synchronize, RunsAtOnceOnTheUserInterfaceThread)
{
    TTestThread T([](TTestThread&) {});
    int Calls = 0;
    EXPECT_TRUE(T.Synchronize([&] { ++Calls; }));
    EXPECT_EQ(Calls, 1);
    EXPECT_TRUE(TThread::SynchronizeCall([&] { ++Calls; }));
    EXPECT_EQ(Calls, 2);
}

TEST(WaitFor, ServesAQueuedRequestOfTheThreadItWaitsFor)
{
    bool Ran = false;
    DWORD RanOn = 0;
    TTestThread T([&](TTestThread& Self) {
        Self.SetResult(42);
        Self.Synchronize([&] {
            Ran = true;
            RanOn = GetCurrentThreadId();
        });
    });
    T.Resume();
    // The request is queued; this thread serves nothing until WaitFor.
    ASSERT_EQ(WaitForSingleObject(SyncEvent(), 20000), WAIT_OBJECT_0);
    EXPECT_FALSE(Ran);
    EXPECT_EQ(T.WaitFor(), 42);
    EXPECT_TRUE(Ran);
    EXPECT_EQ(RanOn, GetCurrentThreadId());
    EXPECT_TRUE(T.GetFinished());
}

TEST(Terminate, ReleasesABlockedSynchronizeWithinOneSecond)
{
    std::atomic<bool> MethodRan{false};
    std::atomic<int> Result{-1};
    int Terminations = 0;
    HANDLE Returned = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    TTestThread T([&](TTestThread& Self) {
        Result = Self.Synchronize([&] { MethodRan = true; }) ? 1 : 0;
        SetEvent(Returned);
        // Later calls return false at once too.
        if (Self.Synchronize([&] { MethodRan = true; }))
            Result = 2;
    });
    T.OnTerminate = [&](TObject*) { ++Terminations; };
    T.Resume();
    ASSERT_EQ(WaitForSingleObject(SyncEvent(), 20000), WAIT_OBJECT_0);
    // This thread is busy and does not serve the queue.
    T.Terminate();
    EXPECT_EQ(WaitForSingleObject(Returned, 1000), WAIT_OBJECT_0);
    EXPECT_EQ(T.StopRequests, 1);
    T.WaitFor();
    EXPECT_EQ(Result, 0);
    PumpFor(100);
    EXPECT_FALSE(MethodRan);
    EXPECT_EQ(Terminations, 0);
    CloseHandle(Returned);
}

TEST(OnTerminate, RunsOnceOnTheUserInterfaceThreadAfterExecute)
{
    std::atomic<bool> ExecuteDone{false};
    int Terminations = 0;
    bool SawExecuteDone = false;
    DWORD RanOn = 0;
    TObject* Sender = nullptr;
    TTestThread T([&](TTestThread&) { ExecuteDone = true; });
    T.OnTerminate = [&](TObject* S) {
        ++Terminations;
        SawExecuteDone = ExecuteDone;
        RanOn = GetCurrentThreadId();
        Sender = S;
    };
    T.Resume();
    PumpUntil([&] { return Terminations > 0; });
    T.WaitFor();
    PumpFor(100);
    EXPECT_EQ(Terminations, 1);
    EXPECT_TRUE(SawExecuteDone);
    EXPECT_EQ(RanOn, GetCurrentThreadId());
    EXPECT_EQ(Sender, &T);
}

TEST(Synchronize, AMessageBoxInsideASynchronisedMethodServesOtherWorkers)
{
    constexpr int Others = 7;
    constexpr int CallsEach = 200;
    bool BoxOpen = false;
    std::atomic<bool> BoxShown{false};
    int Served = 0;
    int ServedOutsideBox = 0;
    std::atomic<bool> FirstWentOn{false};
    bool FirstSawAll = false;

    TTestThread First([&](TTestThread& Self) {
        Self.Synchronize([&] {
            BoxOpen = true;
            BoxShown = true;
            Application->MessageBox("Inner question", "Synchronised box", MB_OKCANCEL);
            BoxOpen = false;
            FirstSawAll = Served == Others * CallsEach;
        });
        FirstWentOn = true;
    });
    std::vector<std::unique_ptr<TTestThread>> Rest;
    for (int I = 0; I < Others; ++I)
        Rest.push_back(std::make_unique<TTestThread>([&](TTestThread& Self) {
            while (!BoxShown)
                Sleep(1);
            for (int C = 0; C < CallsEach; ++C)
                Self.Synchronize([&] {
                    ++Served;
                    if (!BoxOpen)
                        ++ServedOutsideBox;
                });
        }));
    TDialogAnswerer Answerer("Synchronised box", IDOK, [&] { return Served == Others * CallsEach; });
    First.Resume();
    for (auto& T : Rest)
        T->Resume();
    PumpUntil([&] { return FirstWentOn.load(); });
    for (auto& T : Rest)
        T->WaitFor();
    First.WaitFor();
    EXPECT_EQ(Served, Others * CallsEach);
    EXPECT_EQ(ServedOutsideBox, 0);
    EXPECT_TRUE(FirstSawAll);
    EXPECT_EQ(Answerer.AnsweredCount(), 1);
}

TEST(Synchronize, AnExceptionOfTheMethodIsRaisedAgainInTheWorker)
{
    std::string ClassName, Message;
    bool CaughtAsItsClass = false;
    TTestThread T([&](TTestThread& Self) {
        try {
            Self.Synchronize([] { throw EConvertError("'x' is not an integer"); });
        } catch (const EConvertError& E) {
            CaughtAsItsClass = true;
            ClassName = E.ClassName();
            Message = E.what();
        }
    });
    TExceptionCapture Capture;
    T.Resume();
    T.WaitFor();
    EXPECT_TRUE(CaughtAsItsClass);
    EXPECT_EQ(ClassName, "EConvertError");
    EXPECT_EQ(Message, "'x' is not an integer");
    EXPECT_EQ(Capture.Count(), 0u); // nothing left in the user-interface loop
}

TEST(Execute, AnEscapingExceptionEndsTheThreadQuietlyAndKeepsIt)
{
    int Terminations = 0;
    TExceptionCapture Capture;
    TTestThread T([](TTestThread&) { throw EInvalidOperation("worker gave up"); });
    T.OnTerminate = [&](TObject*) { ++Terminations; };
    T.Resume();
    PumpUntil([&] { return Terminations == 1; });
    T.WaitFor();
    ASSERT_TRUE(T.GetFailure());
    EXPECT_EQ(T.GetFailureClassName(), "EInvalidOperation");
    EXPECT_EQ(T.GetFailureMessage(), "worker gave up");
    EXPECT_EQ(Capture.Count(), 0u);

    // Not derived from std::exception either.
    TTestThread U([](TTestThread&) { throw 7; });
    U.Resume();
    U.WaitFor();
    EXPECT_EQ(U.GetFailureClassName(), "unknown exception");

    TTestThread Fine([](TTestThread&) {});
    Fine.Resume();
    Fine.WaitFor();
    EXPECT_FALSE(Fine.GetFailure());
}

TEST(WaitFor, FromInsideTheThreadsOwnSynchronisedMethodRaises)
{
    std::string Raised;
    TTestThread* Self = nullptr;
    TTestThread T([&](TTestThread& S) {
        S.Synchronize([&] {
            try {
                Self->WaitFor();
            } catch (const EThread& E) {
                Raised = E.what();
            }
        });
    });
    Self = &T;
    T.Resume();
    PumpUntil([&] { return !Raised.empty(); });
    T.WaitFor();
    EXPECT_EQ(Raised, "WaitFor called from the thread's own synchronised call");
}

TEST(WaitFor, RaisesForAThreadNeverStarted)
{
    TTestThread T([](TTestThread&) {});
    EXPECT_THROW(T.WaitFor(), EThread);
}

TEST(Priority, ASuspendedIdleThreadHasIdlePriority)
{
    bool Ran = false;
    int RanAt = 0;
    TTestThread T([&](TTestThread&) {
        Ran = true;
        RanAt = GetThreadPriority(GetCurrentThread());
    });
    T.SetPriority(tpIdle);
    EXPECT_EQ(T.GetPriority(), tpIdle);
    T.SetPriority(tpHigher);
    EXPECT_EQ(T.GetPriority(), tpHigher);
    T.SetPriority(tpIdle);
    EXPECT_FALSE(Ran);
    T.Resume();
    T.WaitFor();
    EXPECT_TRUE(Ran);
    EXPECT_EQ(RanAt, THREAD_PRIORITY_IDLE);
    EXPECT_EQ(T.GetPriority(), tpIdle);

    // The system thread is kept for the next object, which starts at normal priority.
    int NextRanAt = 0;
    TTestThread Next([&](TTestThread&) { NextRanAt = GetThreadPriority(GetCurrentThread()); });
    EXPECT_EQ(Next.GetPriority(), tpNormal);
    Next.Resume();
    Next.WaitFor();
    EXPECT_EQ(NextRanAt, THREAD_PRIORITY_NORMAL);
}

TEST(FreeOnTerminate, AHundredThreadsFreeThemselves)
{
    std::atomic<int> Destroyed{0};
    int Terminations = 0;
    for (int I = 0; I < 100; ++I) {
        auto* T = new TTestThread([](TTestThread& Self) { Self.Synchronize([] {}); }, &Destroyed);
        T->SetFreeOnTerminate(true);
        T->OnTerminate = [&](TObject*) { ++Terminations; };
        T->Resume();
    }
    PumpUntil([&] { return Destroyed == 100; }, 60000, "100 self-freeing threads");
    EXPECT_EQ(Terminations, 100);
}

TEST(TThreadObject, FreeingARunningThreadStopsAndWaitsForIt)
{
    std::atomic<int> Destroyed{0};
    std::atomic<int> Loops{0};
    auto T = std::make_unique<TTestThread>(
        [&](TTestThread& Self) {
            while (Self.Synchronize([] {}))
                ++Loops;
        },
        &Destroyed);
    T->Resume();
    PumpUntil([&] { return Loops > 10; });
    T.reset(); // this thread serves nothing meanwhile: the pending request is cancelled
    EXPECT_EQ(Destroyed, 1);

    // A thread never resumed ends without running Execute.
    bool Ran = false;
    auto Never = std::make_unique<TTestThread>([&](TTestThread&) { Ran = true; });
    Never.reset();
    EXPECT_FALSE(Ran);
}

TEST(TThreadObject, NewStartsTheThreadOnceTheObjectIsWhole)
{
    std::atomic<bool> Ran{false};
    std::unique_ptr<TTestThread> T(TThread::New<TTestThread>(false, [&](TTestThread&) { Ran = true; }));
    T->WaitFor();
    EXPECT_TRUE(Ran);
    std::unique_ptr<TTestThread> S(TThread::New<TTestThread>(true, [&](TTestThread&) {}));
    EXPECT_THROW(S->WaitFor(), EThread);
}

TEST(ProcessMessages, OnAWorkerNeverRunsQueuedRequests)
{
    std::atomic<bool> Ran{false};
    std::atomic<DWORD> RanOn{0};
    TTestThread Requester([&](TTestThread& Self) {
        Self.Synchronize([&] {
            RanOn = GetCurrentThreadId();
            Ran = true;
        });
    });
    Requester.Resume();
    ASSERT_EQ(WaitForSingleObject(SyncEvent(), 20000), WAIT_OBJECT_0);
    std::atomic<int> OwnMessages{0};
    TTestThread Pumper([&](TTestThread&) {
        THiddenWindow Own([&](UINT Msg, WPARAM, LPARAM, LRESULT&) {
            if (Msg != WM_APP)
                return false;
            ++OwnMessages;
            return true;
        });
        PostMessageA(Own.GetHandle(), WM_APP, 0, 0);
        for (int I = 0; I < 20; ++I) {
            Application->ProcessMessages();
            Sleep(5);
        }
    });
    Pumper.Resume();
    Pumper.WaitFor(); // serves the queue only after the pumping thread has ended
    EXPECT_EQ(OwnMessages, 1);
    Requester.WaitFor();
    EXPECT_TRUE(Ran);
    EXPECT_EQ(RanOn, GetCurrentThreadId());
}

TEST(ApplicationDone, PendingRequestsReturnFalseAtOnce)
{
    std::atomic<int> First{-1}, Later{-1};
    std::atomic<bool> Ran{false};
    TTestThread T([&](TTestThread& Self) {
        First = Self.Synchronize([&] { Ran = true; }) ? 1 : 0;
        Later = Self.Synchronize([&] { Ran = true; }) ? 1 : 0;
    });
    T.Resume();
    ASSERT_EQ(WaitForSingleObject(SyncEvent(), 20000), WAIT_OBJECT_0);
    ApplicationDone();
    const DWORD Ended = WaitForSingleObject(T.GetHandle(), 1000);
    ApplicationInit();
    Application->OnException = FailOnException;
    EXPECT_EQ(Ended, WAIT_OBJECT_0);
    T.WaitFor();
    EXPECT_EQ(First, 0);
    EXPECT_EQ(Later, 0);
    EXPECT_FALSE(Ran);
}

TEST(Synchronize, IsServedInsideAPopupMenuLoop)
{
    constexpr int Calls = 300;
    int Served = 0;
    bool InMenu = false;
    bool MenuLoopSeen = false;
    bool WorkerStarted = false;
    int ServedOutsideMenu = 0;
    TTestThread T([&](TTestThread& Self) {
        for (int I = 0; I < Calls; ++I)
            Self.Synchronize([&] {
                ++Served;
                if (!InMenu)
                    ++ServedOutsideMenu;
            });
    });
    // The menu's owner tells when its menu loop runs.
    THiddenWindow Owner([&](UINT Msg, WPARAM, LPARAM, LRESULT&) {
        if (Msg == WM_ENTERMENULOOP)
            InMenu = MenuLoopSeen = true;
        else if (Msg == WM_EXITMENULOOP)
            InMenu = false;
        return false;
    });
    // A popup menu stays open only while its owner is the foreground window; otherwise it
    // returns at once.
    const HWND OwnerWindow = Owner.GetHandle();
    SetWindowPos(OwnerWindow, HWND_TOP, 40, 40, 200, 80, SWP_SHOWWINDOW);
    SetForegroundWindow(OwnerWindow);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == OwnerWindow; }, 20000,
                          "the menu's owner in the foreground"));
    // A timer of the user-interface thread, served inside the menu loop, starts the worker once
    // that loop runs and closes the menu once every call has been served.
    THiddenWindow Closer([&](UINT Msg, WPARAM, LPARAM, LRESULT&) {
        if (Msg != WM_TIMER)
            return false;
        if (InMenu && !WorkerStarted) {
            WorkerStarted = true;
            T.Resume();
        }
        if (Served == Calls)
            EndMenu();
        return true;
    });
    SetTimer(Closer.GetHandle(), 1, 20, nullptr);
    HMENU Menu = CreatePopupMenu();
    AppendMenuA(Menu, MF_STRING, 1, "First");
    AppendMenuA(Menu, MF_STRING, 2, "Second");
    // Another program taking the foreground (window tests run beside this one) closes the menu
    // early; the menu is then opened again, so every call still meets an open menu loop.
    for (int Round = 0; Round < 20 && (Round == 0 || Served < Calls); ++Round) {
        SetForegroundWindow(OwnerWindow);
        TrackPopupMenu(Menu, TPM_RETURNCMD, 100, 100, 0, OwnerWindow, nullptr);
    }
    KillTimer(Closer.GetHandle(), 1);
    DestroyMenu(Menu);
    EXPECT_TRUE(MenuLoopSeen) << "the menu's WM_ENTERMENULOOP";
    EXPECT_TRUE(WorkerStarted) << "the menu loop served no timer";
    EXPECT_FALSE(InMenu) << "the menu's WM_EXITMENULOOP";
    if (!WorkerStarted)
        T.Resume();
    T.WaitFor();
    EXPECT_EQ(Served, Calls);
    EXPECT_EQ(ServedOutsideMenu, 0);
}

// A worker with a window of its own waits in Synchronize while the synchronised method sends a
// message to that window: the worker answers it during its wait, or both threads would stop.
LRESULT CALLBACK AnsweringWindowProc(HWND W, UINT Msg, WPARAM WP, LPARAM LP)
{
    if (Msg == WM_APP + 7)
        return static_cast<LRESULT>(WP) * 2 + 1;
    return DefWindowProcA(W, Msg, WP, LP);
}

TEST(Synchronize, AWaitingWorkerAnswersMessagesSentToItsWindow)
{
    static const char* const ClassName = "QuillmoorSyncWorkerWindow";
    WNDCLASSA C{};
    C.lpfnWndProc = AnsweringWindowProc;
    C.hInstance = GetModuleHandleA(nullptr);
    C.lpszClassName = ClassName;
    RegisterClassA(&C);

    std::atomic<HWND> WorkerWindow{nullptr};
    std::vector<LRESULT> Answers;
    std::vector<BOOL> Delivered;
    TTestThread T([&](TTestThread& Self) {
        HWND W = CreateWindowA(ClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
        WorkerWindow = W;
        for (int I = 0; I < 5; ++I)
            Self.Synchronize([&, I] {
                DWORD_PTR Answer = 0;
                Delivered.push_back(SendMessageTimeoutA(W, WM_APP + 7, static_cast<WPARAM>(I), 0, SMTO_NORMAL,
                                                        10000, &Answer) != 0);
                Answers.push_back(static_cast<LRESULT>(Answer));
            });
        DestroyWindow(W);
    });
    T.Resume();
    T.WaitFor();
    ASSERT_NE(WorkerWindow.load(), nullptr);
    ASSERT_EQ(Answers.size(), 5u);
    for (int I = 0; I < 5; ++I) {
        EXPECT_TRUE(Delivered[size_t(I)]) << I;
        EXPECT_EQ(Answers[size_t(I)], I * 2 + 1) << I;
    }
    UnregisterClassA(ClassName, GetModuleHandleA(nullptr));
}

// Calls from many workers at once each come back to their own worker, with its own result.
TEST(Synchronize, ManyWorkersGetTheirOwnResultsBack)
{
    constexpr int Count = 8, Calls = 200;
    std::vector<std::unique_ptr<TTestThread>> Threads;
    std::atomic<int> Wrong{0};
    for (int N = 0; N < Count; ++N)
        Threads.push_back(std::make_unique<TTestThread>([&, N](TTestThread& Self) {
            for (int I = 0; I < Calls; ++I) {
                int Seen = -1;
                if (!Self.Synchronize([&] { Seen = N * 1000 + I; }) || Seen != N * 1000 + I)
                    ++Wrong;
            }
        }));
    for (auto& T : Threads)
        T->Resume();
    for (auto& T : Threads)
        T->WaitFor();
    EXPECT_EQ(Wrong.load(), 0);
}

BOOL CALLBACK NoteAWindow(HWND, LPARAM Found)
{
    *reinterpret_cast<bool*>(Found) = true;
    return FALSE;
}

// The system thread of a finished thread object carries the next one; one that made windows,
// or still holds a mutex, ends instead, so every object starts on a thread without windows.
TEST(TThreadObject, AFinishedObjectsSystemThreadCarriesTheNext)
{
    DWORD FirstID = 0, SecondID = 0;
    {
        TTestThread First([&](TTestThread&) { FirstID = GetCurrentThreadId(); });
        First.Resume();
        First.WaitFor();
    }
    TTestThread Second([&](TTestThread&) { SecondID = GetCurrentThreadId(); });
    EXPECT_EQ(Second.GetThreadID(), FirstID);
    Second.Resume();
    Second.WaitFor();
    EXPECT_EQ(SecondID, FirstID);

    // A window left behind: the next object never sees it.
    DWORD WindowThread = 0;
    HWND Left = nullptr;
    {
        TTestThread Maker([&](TTestThread&) {
            WindowThread = GetCurrentThreadId();
            Left = CreateWindowA("STATIC", "left", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr),
                                 nullptr);
        });
        Maker.Resume();
        Maker.WaitFor();
    }
    ASSERT_NE(Left, nullptr);
    for (int I = 0; I < 3; ++I) {
        bool SawWindow = true;
        DWORD RanOn = 0;
        TTestThread Next([&](TTestThread&) {
            RanOn = GetCurrentThreadId();
            SawWindow = false;
            EnumThreadWindows(GetCurrentThreadId(), NoteAWindow, reinterpret_cast<LPARAM>(&SawWindow));
        });
        Next.Resume();
        Next.WaitFor();
        EXPECT_FALSE(SawWindow) << I;
        EXPECT_NE(RanOn, WindowThread) << I;
    }
}

TEST(TThreadObject, EndParkedThreadsEndsTheKeptSystemThreads)
{
    HANDLE Carrier = nullptr;
    {
        TTestThread First([&](TTestThread&) {
            DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &Carrier, SYNCHRONIZE, FALSE,
                            0);
        });
        First.Resume();
        First.WaitFor();
    }
    ASSERT_NE(Carrier, nullptr);
    EXPECT_EQ(WaitForSingleObject(Carrier, 0), static_cast<DWORD>(WAIT_TIMEOUT)); // kept
    EndParkedThreads();
    EXPECT_EQ(WaitForSingleObject(Carrier, 0), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(Carrier);
    // Later objects still run.
    bool Ran = false;
    TTestThread Next([&](TTestThread&) { Ran = true; });
    Next.Resume();
    Next.WaitFor();
    EXPECT_TRUE(Ran);
}

// ---------------------------------------------------------------------------------------------
// Queue: calls handed to the user-interface thread without waiting

TEST(Queue, CallsRunOnTheUserInterfaceThreadInOrderWithTheThreadsOtherCalls)
{
    constexpr int Each = 300;
    std::vector<std::vector<int>> Seen(Workers); // user-interface thread only
    std::atomic<int> OffThread{0}, OutOfOrder{0}, NotQueued{0};
    std::vector<int> SeenAtEnd(Workers, -1);
    std::vector<std::unique_ptr<TTestThread>> Threads;
    for (int W = 0; W < Workers; ++W) {
        Threads.push_back(std::make_unique<TTestThread>([&, W](TTestThread& Self) {
            for (int I = 0; I < Each; ++I) {
                if (!Self.Queue([&, W, I] {
                        if (!Application->IsUIThread())
                            ++OffThread;
                        Seen[W].push_back(I);
                    }))
                    ++NotQueued;
                // A synchronised call comes after every call queued before it.
                if (I % 25 == 24)
                    Self.Synchronize([&, W, I] {
                        if (static_cast<int>(Seen[W].size()) != I + 1)
                            ++OutOfOrder;
                    });
            }
        }));
        Threads.back()->OnTerminate = [&, W](TObject*) { SeenAtEnd[W] = static_cast<int>(Seen[W].size()); };
    }
    for (auto& T : Threads)
        T->Resume();
    PumpUntil([&] {
        for (int N : SeenAtEnd)
            if (N < 0)
                return false;
        return true;
    });
    for (auto& T : Threads)
        T->WaitFor();
    EXPECT_EQ(OffThread, 0);
    EXPECT_EQ(OutOfOrder, 0);
    EXPECT_EQ(NotQueued, 0);
    for (int W = 0; W < Workers; ++W) {
        EXPECT_EQ(SeenAtEnd[W], Each) << "OnTerminate comes after the thread's queued calls";
        ASSERT_EQ(Seen[W].size(), static_cast<size_t>(Each));
        for (int I = 0; I < Each; ++I)
            ASSERT_EQ(Seen[W][I], I);
    }
}

TEST(Queue, CallsNotYetRunAreDroppedByTerminateAndFreeTheirCopies)
{
    auto Token = std::make_shared<int>(7);
    std::atomic<int> Ran{0};
    std::atomic<int> QueuedAfter{-1};
    HANDLE Queued = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    TTestThread T([&](TTestThread& Self) {
        for (int I = 0; I < 100; ++I)
            Self.Queue([&, Token] { ++Ran; });
        SetEvent(Queued);
        while (!Self.IsTerminated())
            Sleep(1);
        QueuedAfter = Self.Queue([&, Token] { ++Ran; }) ? 1 : 0;
    });
    T.Resume();
    // This thread does not serve the queue until the thread is terminated.
    ASSERT_EQ(WaitForSingleObject(Queued, 20000), WAIT_OBJECT_0);
    EXPECT_EQ(Token.use_count(), 101);
    T.Terminate();
    T.WaitFor();
    PumpFor(100);
    EXPECT_EQ(Ran, 0);
    EXPECT_EQ(QueuedAfter, 0);
    EXPECT_EQ(Token.use_count(), 1);
    CloseHandle(Queued);
}

TEST(Queue, ASelfFreeingThreadDropsItsPendingCallsAndOutlivesARunningOne)
{
    // Freed while its queued call runs: the object goes only once the call has ended.
    std::atomic<int> Destroyed{0};
    std::atomic<int> DestroyedDuringCall{-1};
    HANDLE Started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto* T = new TTestThread(
        [&](TTestThread& Self) {
            Self.Queue([&] {
                SetEvent(Started);
                Sleep(300);
                DestroyedDuringCall = Destroyed.load();
            });
            WaitForSingleObject(Started, INFINITE);
        },
        &Destroyed);
    T->SetFreeOnTerminate(true);
    T->Resume();
    PumpUntil([&] { return Destroyed == 1; });
    EXPECT_EQ(DestroyedDuringCall, 0);

    // Freed before its calls ran: they never run, and their copies are freed.
    auto Token = std::make_shared<int>(1);
    std::atomic<int> Ran{0};
    auto* U = new TTestThread(
        [&](TTestThread& Self) {
            for (int I = 0; I < 20; ++I)
                Self.Queue([&, Token] { ++Ran; });
        },
        &Destroyed);
    U->SetFreeOnTerminate(true);
    U->Resume();
    // Not served meanwhile: the thread frees itself with its calls still queued.
    for (int I = 0; I < 2000 && Destroyed != 2; ++I)
        Sleep(5);
    ASSERT_EQ(Destroyed, 2);
    PumpFor(100);
    EXPECT_EQ(Ran, 0);
    EXPECT_EQ(Token.use_count(), 1);
    CloseHandle(Started);
}

TEST(Queue, RunsAtOnceOnTheUserInterfaceThreadAndReportsExceptions)
{
    int Ran = 0;
    TTestThread T([](TTestThread&) {});
    EXPECT_TRUE(T.Queue([&] { ++Ran; }));
    EXPECT_EQ(Ran, 1);
    TExceptionCapture Capture;
    std::atomic<int> After{0};
    TTestThread W([&](TTestThread& Self) {
        Self.Queue([] { throw EConvertError("Bad value in a queued call"); });
        Self.Queue([&] { ++After; });
    });
    W.Resume();
    PumpUntil([&] { return After == 1; });
    W.WaitFor();
    const auto Entries = Capture.Entries();
    ASSERT_EQ(Entries.size(), 1u);
    EXPECT_EQ(Entries[0].ClassName, "EConvertError");
    EXPECT_EQ(Entries[0].Message, "Bad value in a queued call");
}

TEST(TThreadObject, LeftAndSignalledOnlyOnceExecuteAndOnTerminateAreOver)
{
    HANDLE Go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    int Terminations = 0;
    bool LeftDuringOnTerminate = true;
    auto T = std::make_unique<TTestThread>([&](TTestThread&) { WaitForSingleObject(Go, INFINITE); });
    T->OnTerminate = [&](TObject*) {
        ++Terminations;
        LeftDuringOnTerminate = T->GetLeft();
    };
    EXPECT_FALSE(T->GetLeft());
    EXPECT_FALSE(T->HandleSignalled());
    T->Resume();
    Sleep(50);
    EXPECT_FALSE(T->GetLeft());
    EXPECT_FALSE(T->HandleSignalled());
    SetEvent(Go);
    PumpUntil([&] { return Terminations == 1; });
    EXPECT_FALSE(LeftDuringOnTerminate);
    // No more help from this thread is needed: the handle comes by itself.
    for (int I = 0; I < 2000 && !T->HandleSignalled(); ++I)
        Sleep(1);
    EXPECT_TRUE(T->GetLeft());
    EXPECT_TRUE(T->HandleSignalled());
    EXPECT_EQ(WaitForSingleObject(T->GetHandle(), 0), WAIT_OBJECT_0);
    T.reset();
    CloseHandle(Go);
}

TEST(Queue, AThreadFreedWhileItsCallRunsANestedLoopWaitsForThatCall)
{
    // A's call serves the queue again (a message loop inside it), where B's call runs and ends;
    // A frees itself meanwhile and must still wait for its own call.
    std::atomic<int> DestroyedA{0};
    std::atomic<int> DestroyedDuringA{-1};
    std::atomic<bool> BRan{false};
    HANDLE StartedA = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE BDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    auto* A = new TTestThread(
        [&](TTestThread& Self) {
            Self.Queue([&] {
                SetEvent(StartedA);
                PumpUntil([&] { return BRan.load(); });
                Sleep(300);
                DestroyedDuringA = DestroyedA.load();
            });
            WaitForSingleObject(BDone, INFINITE);
        },
        &DestroyedA);
    A->SetFreeOnTerminate(true);
    TTestThread B([&](TTestThread& Self) {
        WaitForSingleObject(StartedA, INFINITE);
        Self.Queue([&] {
            BRan = true;
            SetEvent(BDone);
        });
    });
    A->Resume();
    B.Resume();
    PumpUntil([&] { return DestroyedA == 1; });
    B.WaitFor();
    EXPECT_TRUE(BRan);
    EXPECT_EQ(DestroyedDuringA, 0);
    CloseHandle(StartedA);
    CloseHandle(BDone);
}

// A quiet call does not wake the user-interface thread: it waits in the queue until the thread's
// next call that does, and runs first; a quiet call with nothing after it runs before WaitFor
// on the user-interface thread returns.
TEST(Queue, QuietCallsWaitForTheNextWakeAndKeepTheirOrder)
{
    CheckSynchronize();
    WaitForSingleObject(SyncEvent(), 0); // a wake left over from earlier calls
    HANDLE Go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::vector<int> Order; // user-interface thread only
    std::atomic<bool> Queued{false};
    TTestThread T([&](TTestThread& Self) {
        EXPECT_TRUE(Self.Queue([&] { Order.push_back(1); }, true));
        EXPECT_TRUE(Self.Queue([&] { Order.push_back(2); }, true));
        Queued = true;
        WaitForSingleObject(Go, INFINITE);
        Self.Synchronize([&] { Order.push_back(3); });
        Self.Queue([&] { Order.push_back(4); }, true);
    });
    T.Resume();
    while (!Queued)
        Sleep(1);
    EXPECT_EQ(WaitForSingleObject(SyncEvent(), 50), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(Order.empty());
    SetEvent(Go);
    PumpUntil([&] { return Order.size() >= 3; });
    T.WaitFor();
    EXPECT_EQ(Order, (std::vector<int>{1, 2, 3, 4}));
    CloseHandle(Go);
}

// A thread object makes its end event only when someone asks for it: a crawl of thousands of
// addresses makes as many objects, and an event each would be two calls to the system more.
TEST(TThreadObject, TheEndEventIsMadeOnlyWhenAskedFor)
{
    auto Handles = [] {
        DWORD N = 0;
        GetProcessHandleCount(GetCurrentProcess(), &N);
        return static_cast<int>(N);
    };
    auto RunMany = [] {
        std::vector<std::unique_ptr<TTestThread>> Done;
        for (int I = 0; I < 100; ++I) {
            Done.push_back(std::make_unique<TTestThread>([](TTestThread&) {}));
            Done.back()->Resume();
        }
        for (auto& T : Done)
            while (!T->HandleSignalled())
                Sleep(1);
        return Done;
    };
    RunMany(); // the system threads kept for later objects are made here
    const int Before = Handles();
    auto Ended = RunMany();
    EXPECT_LT(Handles() - Before, 10) << "no event per thread object";
    // Asked for after the end, the event is already signalled.
    EXPECT_EQ(WaitForSingleObject(Ended[0]->GetHandle(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(Ended[0]->WaitFor(), 0);
    Ended.clear();

    HANDLE Go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    TTestThread T([&](TTestThread& Self) {
        WaitForSingleObject(Go, INFINITE);
        Self.SetResult(7);
    });
    T.Resume();
    HANDLE End = T.GetHandle();
    ASSERT_NE(End, nullptr);
    EXPECT_EQ(WaitForSingleObject(End, 20), static_cast<DWORD>(WAIT_TIMEOUT));
    SetEvent(Go);
    EXPECT_EQ(WaitForSingleObject(End, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
    EXPECT_EQ(T.WaitFor(), 7);
    CloseHandle(Go);
}

// Owners that free their thread objects the moment the threads end, while other threads keep
// every processor busy (so a system thread can lose the processor between waking the owner and
// its own last step): each object lives in one slot of a ring, and the slot is filled with a
// pattern once the object is gone; when its turn comes again the pattern must be whole. The
// system thread used to mark the object as signalled after it had woken the owner, a write into
// freed memory that once broke a later object's call pointer.
TEST(TThreadObject, NoWriteReachesAnObjectAfterItsOwnerFreedIt)
{
    constexpr int Slots = 8;
    constexpr int Rounds = 1500;
    struct alignas(TTestThread) TSlot {
        unsigned char Bytes[sizeof(TTestThread)];
    };
    std::vector<TSlot> Ring(Slots);
    for (TSlot& S : Ring)
        std::memset(S.Bytes, 0xA5, sizeof(S.Bytes));
    std::atomic<bool> Stop{false};
    std::vector<std::thread> Load;
    for (unsigned I = 0; I < 2 * std::max(1u, std::thread::hardware_concurrency()); ++I)
        Load.emplace_back([&] {
            while (!Stop.load())
                ;
        });
    int Touched = 0;
    for (int I = 0; I < Rounds; ++I) {
        TSlot& S = Ring[I % Slots];
        Touched += std::count_if(std::begin(S.Bytes), std::end(S.Bytes), [](unsigned char B) { return B != 0xA5; });
        auto* T = new (S.Bytes) TTestThread([](TTestThread&) {});
        T->Resume();
        if (I % 2)
            T->WaitFor(); // woken by the end event, then freed
        T->~TTestThread(); // freed as it ends
        std::memset(S.Bytes, 0xA5, sizeof(S.Bytes));
    }
    Sleep(50); // the last objects' system threads are surely back in the pool
    for (TSlot& S : Ring)
        Touched += std::count_if(std::begin(S.Bytes), std::end(S.Bytes), [](unsigned char B) { return B != 0xA5; });
    Stop = true;
    for (std::thread& L : Load)
        L.join();
    EXPECT_EQ(Touched, 0) << "bytes written into freed thread objects";
}

namespace {

// Serves the thread's messages as a plain modal loop does (no call into the queue of its own)
// until Done, or 60 s.
bool DispatchUntil(const std::function<bool()>& Done)
{
    const ULONGLONG Deadline = GetTickCount64() + 60000;
    while (!Done()) {
        if (GetTickCount64() > Deadline)
            return false;
        MSG M;
        if (PeekMessageA(&M, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&M);
            DispatchMessageA(&M);
        } else {
            MsgWaitForMultipleObjectsEx(0, nullptr, 10, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
    }
    return true;
}

// Several threads queue a flood of calls, each call noting its thread and number.
struct TFlood {
    static constexpr int Threads = 4;
    static constexpr int Calls = 500;
    std::vector<std::pair<int, int>> Ran; // user-interface thread only
    std::vector<std::unique_ptr<TTestThread>> Workers;

    void QueueAll()
    {
        // Wake-ups left in the message queue by earlier calls (served without their message)
        // go first, with nothing to serve.
        Application->ProcessMessages();
        CheckSynchronize();
        for (int W = 0; W < Threads; ++W)
            Workers.push_back(std::make_unique<TTestThread>([this, W](TTestThread& Self) {
                for (int I = 0; I < Calls; ++I)
                    EXPECT_TRUE(Self.Queue([this, W, I] { Ran.emplace_back(W, I); }));
            }));
        for (auto& T : Workers)
            T->Resume();
        // Their calls are all queued once they have ended (their end is not waited for through
        // the queue, which would serve it).
        for (auto& T : Workers)
            while (!T->GetLeft())
                Sleep(1);
    }
    void CheckOrder()
    {
        ASSERT_EQ(Ran.size(), static_cast<size_t>(Threads * Calls));
        std::vector<int> Next(Threads, 0);
        for (const auto& [W, I] : Ran)
            EXPECT_EQ(I, Next[static_cast<size_t>(W)]++) << "thread " << W;
    }
};

} // namespace

// A wake-up of the user-interface thread serves a slice of the queue: a message posted after a
// flood of calls from several threads is handled before the flood is through, and the rest of
// it follows in order.
TEST(Synchronize, AWakeUpServesASliceAndAPostedMessageComesBeforeTheFloodIsThrough)
{
    CheckSynchronize();
    TFlood Flood;
    Flood.QueueAll();
    ASSERT_TRUE(Flood.Ran.empty());
    size_t RanWhenPosted = 0;
    bool Handled = false;
    THiddenWindow Target([&](UINT Msg, WPARAM, LPARAM, LRESULT&) {
        if (Msg != WM_APP + 11)
            return false;
        Handled = true;
        RanWhenPosted = Flood.Ran.size();
        return true;
    });
    PostMessageA(Target.GetHandle(), WM_APP + 11, 0, 0);
    ASSERT_TRUE(DispatchUntil([&] { return Handled; }));
    EXPECT_GT(RanWhenPosted, 0u);
    EXPECT_LT(RanWhenPosted, static_cast<size_t>(TFlood::Threads * TFlood::Calls));
    EXPECT_LE(RanWhenPosted, static_cast<size_t>(2 * kSynchronizeSliceCalls));
    ASSERT_TRUE(DispatchUntil([&] { return Flood.Ran.size() == TFlood::Threads * TFlood::Calls; }));
    Flood.CheckOrder();
}

// ProcessMessages ends while workers keep the queue full: each slice arms the next wake-up, and a
// loop that takes messages until none is left would serve the whole flood (or, with workers that
// never stop, never return).
TEST(Synchronize, ProcessMessagesServesAFewSlicesOfAFloodAndReturns)
{
    CheckSynchronize();
    TFlood Flood;
    Flood.QueueAll();
    ASSERT_TRUE(Flood.Ran.empty());
    Application->ProcessMessages();
    EXPECT_GT(Flood.Ran.size(), 0u);
    EXPECT_LE(Flood.Ran.size(), static_cast<size_t>(2 * kSynchronizeSliceCalls));
    ASSERT_TRUE(ProcessMessagesUntil([&] { return Flood.Ran.size() == TFlood::Threads * TFlood::Calls; }));
    Flood.CheckOrder();
}

// Painting that is due when a slice ends is served before the next slice: the wake-up then
// comes after it.
TEST(Synchronize, APaintDueDuringTheFloodIsServedBeforeTheFloodIsThrough)
{
    CheckSynchronize();
    size_t RanWhenPainted = 0;
    int Paints = 0;
    const int* OneRan = nullptr; // the single worker's count, below
    TFlood Flood;
    THiddenWindow Painted([&](UINT Msg, WPARAM, LPARAM, LRESULT&) {
        if (Msg != WM_PAINT)
            return false;
        PAINTSTRUCT P;
        BeginPaint(Painted.GetHandle(), &P);
        EndPaint(Painted.GetHandle(), &P);
        if (Paints++ == 0)
            RanWhenPainted = OneRan ? static_cast<size_t>(*OneRan) : Flood.Ran.size();
        return true;
    });
    SetWindowPos(Painted.GetHandle(), HWND_TOP, 10, 10, 120, 60, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    ASSERT_TRUE(DispatchUntil([&] { return Paints > 0; }));
    Paints = 0;
    Flood.QueueAll();
    InvalidateRect(Painted.GetHandle(), nullptr, TRUE);
    ASSERT_TRUE(DispatchUntil([&] { return Paints > 0; }));
    EXPECT_LT(RanWhenPainted, static_cast<size_t>(TFlood::Threads * TFlood::Calls));
    ASSERT_TRUE(DispatchUntil([&] { return Flood.Ran.size() == TFlood::Threads * TFlood::Calls; }));
    Flood.CheckOrder();

    // One worker whose next call comes as soon as the last one ran: every slice empties the
    // queue, and the paint still comes within a slice or two, not whenever the worker happens
    // to queue its next call after the slice has looked at what waits.
    constexpr int Calls = 3000;
    int Ran = 0;
    OneRan = &Ran;
    Paints = 0;
    std::atomic<bool> Started{false};
    TTestThread One([&](TTestThread& Self) {
        Started = true;
        for (int I = 0; I < Calls; ++I)
            Self.Synchronize([&] { ++Ran; });
    });
    One.Resume();
    while (!Started)
        Sleep(1);
    InvalidateRect(Painted.GetHandle(), nullptr, TRUE);
    ASSERT_TRUE(DispatchUntil([&] { return Paints > 0; }));
    EXPECT_LE(RanWhenPainted, static_cast<size_t>(2 * kSynchronizeSliceCalls));
    One.WaitFor();
    EXPECT_EQ(Ran, Calls);
}

// A report queued with QueueLatest gives way to the thread's next one with the same key while it
// waits: one call runs, with the last texts. A call of another kind in between, or another key,
// keeps both, in order.
TEST(Queue, ALatestReportReplacesTheWaitingOneWithTheSameKeyAndNothingMovesPastAnother)
{
    CheckSynchronize();
    int RowA = 0, RowB = 0;
    std::vector<std::string> Order; // user-interface thread only
    TTestThread T([&](TTestThread& Self) {
        for (int I = 1; I <= 50; ++I)
            EXPECT_TRUE(Self.QueueLatest(&RowA, [&, I] { Order.push_back("A" + std::to_string(I)); }));
        EXPECT_TRUE(Self.Queue([&] { Order.push_back("log"); }, true));
        EXPECT_TRUE(Self.QueueLatest(&RowA, [&] { Order.push_back("A51"); }));
        EXPECT_TRUE(Self.QueueLatest(&RowB, [&] { Order.push_back("B1"); }));
        EXPECT_TRUE(Self.QueueLatest(&RowA, [&] { Order.push_back("A52"); }));
        EXPECT_TRUE(Self.QueueLatest(&RowA, [&] { Order.push_back("A53"); }));
    });
    T.Resume();
    while (!T.GetLeft())
        Sleep(1);
    EXPECT_TRUE(Order.empty());
    T.WaitFor(); // serves what the thread left queued
    EXPECT_EQ(Order, (std::vector<std::string>{"A50", "log", "A51", "B1", "A53"}));
}
