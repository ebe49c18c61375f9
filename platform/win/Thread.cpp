#include "platform/win/Thread.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <vector>

#include <process.h>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/GuardCallback.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/Locks.h"
#include "platform/win/OSError.h"

// One synchronised call waiting in the queue. It lives on the waiting thread's stack.
struct TSyncRequest {
    enum TState { Queued, Running, Done, Cancelled };
    TThread* Thread = nullptr; // null for SynchronizeCall
    const TThreadMethod* Method = nullptr;
    std::exception_ptr Error;
    TState State = Queued;
    // Signalled, under the queue lock, when the state becomes Done or Cancelled.
    CONDITION_VARIABLE Ended = CONDITION_VARIABLE_INIT;
    bool ReportOnUIThread = false; // OnTerminate: nobody waits for its exception
    // Queued by TThread::Queue: nobody waits for it, and the queue frees it once it has run or
    // been dropped.
    bool Owned = false;
    TThreadMethod OwnedMethod;
    // QueueLatest's key: a later call with the same key takes this one's place while it waits.
    const void* Key = nullptr;
};

// What the queue keeps in a thread object; under the queue lock.
struct TQueueAccess {
    static TSyncRequest*& LastQueued(TThread* T) { return T->FLastQueued; }
    static int& SyncRunning(TThread* T) { return T->FSyncRunning; }
};

namespace {

const UINT WM_QM_SYNC = WM_USER + 0x51;
// The wake-up that comes after pending input, painting and timers (see ArmNextWake).
const UINT_PTR kSyncWakeTimer = 1;

// The queue's lock is a slim reader/writer lock: taking it, and waiting on a request's
// condition under it, stay inside the process, where an event costs a trip to the system for
// every signal and every wait.
class TQueueLock {
public:
    void lock() { AcquireSRWLockExclusive(&FLock); }
    void unlock() { ReleaseSRWLockExclusive(&FLock); }
    SRWLOCK* Native() { return &FLock; }

private:
    SRWLOCK FLock = SRWLOCK_INIT;
};

TQueueLock gQueueLock;
std::deque<TSyncRequest*> gQueue;
bool gAccepting = false;
bool gWakePosted = false;    // a wake-up message is on its way
bool gWakeDeferred = false;  // the wake-up timer is set instead
bool gWakeSignalled = false; // the event was set for requests not yet served
DWORD gMainThreadID = 0;
HWND gSyncWnd = nullptr;
HANDLE gSyncEvent = nullptr; // made by the first InitSynchronize, kept for the process
THiddenWindow* gSyncWindow = nullptr;

// The thread objects whose queued calls run now (more than one when a call runs a message loop
// that serves the queue again), under the queue lock; a thread object freed on another thread
// waits for the end of its call (gQueuedCallEnded).
std::vector<TThread*> gRunningOwners;
CONDITION_VARIABLE gQueuedCallEnded = CONDITION_VARIABLE_INIT;

// How long a waiting thread sleeps before it answers messages sent to its windows.
const DWORD kSentMessageSliceMs = 10;

// Called with the queue lock held.
void Finish(TSyncRequest* R, TSyncRequest::TState State)
{
    R->State = State;
    WakeConditionVariable(&R->Ended);
}

// R leaves the queue: its thread no longer has it as its latest. With the queue lock held.
void Unlink(TSyncRequest* R)
{
    if (R->Thread && TQueueAccess::LastQueued(R->Thread) == R)
        TQueueAccess::LastQueued(R->Thread) = nullptr;
}

// A request taken out of the queue unrun, with the queue lock held.
void Drop(TSyncRequest* R)
{
    Unlink(R);
    if (R->Owned)
        delete R;
    else
        Finish(R, TSyncRequest::Cancelled);
}

// Takes Thread's requests out of the queue unrun, with the queue lock held.
void DropRequestsOf(TThread* Thread)
{
    for (auto It = gQueue.begin(); It != gQueue.end();) {
        if ((*It)->Thread == Thread) {
            Drop(*It);
            It = gQueue.erase(It);
        } else {
            ++It;
        }
    }
    TQueueAccess::LastQueued(Thread) = nullptr;
}

bool Ended(const TSyncRequest& R)
{
    return R.State == TSyncRequest::Done || R.State == TSyncRequest::Cancelled;
}

// Returns once the serving side is done with R: it ran, or it was cancelled. R lives on the
// caller's stack and the user-interface thread writes to it to the end; the state, read under
// the queue lock, which the serving side holds while it sets the state, decides. A thread with
// windows of its own must still answer messages other threads send to them, or a SendMessage
// from the user-interface thread would deadlock: the wait is cut into slices, and between two
// slices sent messages are served.
void AwaitRequest(TSyncRequest& R)
{
    for (;;) {
        {
            std::lock_guard<TQueueLock> Lock(gQueueLock);
            if (!Ended(R))
                SleepConditionVariableSRW(&R.Ended, gQueueLock.Native(), kSentMessageSliceMs, 0);
            if (Ended(R))
                return;
        }
        MSG M;
        PeekMessageA(&M, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

bool OnMainThread()
{
    return gMainThreadID != 0 && GetCurrentThreadId() == gMainThreadID;
}

// Puts R at the end of the queue and, unless Quiet, wakes the user-interface thread; false when
// the queue takes nothing (not served, or R's thread terminated).
bool Enqueue(TSyncRequest* R, bool Quiet = false)
{
    bool Wake;
    {
        std::lock_guard<TQueueLock> Lock(gQueueLock);
        if (!gAccepting || (R->Thread && R->Thread->GetTerminated()))
            return false;
        gQueue.push_back(R);
        if (R->Thread)
            TQueueAccess::LastQueued(R->Thread) = R;
        if (Quiet)
            return true;
        // A wake-up on its way serves what comes meanwhile: only the first request of a batch
        // needs to wake the user-interface thread. A wake-up held back behind input stays so.
        Wake = !gWakeSignalled;
        gWakeSignalled = true;
        if (!gWakePosted && !gWakeDeferred && PostMessageA(gSyncWnd, WM_QM_SYNC, 0, 0))
            gWakePosted = true;
    }
    if (Wake)
        SetEvent(gSyncEvent);
    return true;
}

// Queues a request and waits for its end. False when it did not run.
bool QueueAndWait(TThread* Thread, const TThreadMethod& Method, bool ReportOnUIThread)
{
    TSyncRequest R;
    R.Thread = Thread;
    R.Method = &Method;
    R.ReportOnUIThread = ReportOnUIThread;
    if (!Enqueue(&R))
        return false;
    AwaitRequest(R);
    if (R.State != TSyncRequest::Done)
        return false;
    if (R.Error)
        std::rethrow_exception(R.Error);
    return true;
}

int WinPriority(TThreadPriority P)
{
    switch (P) {
    case tpIdle: return THREAD_PRIORITY_IDLE;
    case tpLowest: return THREAD_PRIORITY_LOWEST;
    case tpLower: return THREAD_PRIORITY_BELOW_NORMAL;
    case tpNormal: return THREAD_PRIORITY_NORMAL;
    case tpHigher: return THREAD_PRIORITY_ABOVE_NORMAL;
    case tpHighest: return THREAD_PRIORITY_HIGHEST;
    case tpTimeCritical: return THREAD_PRIORITY_TIME_CRITICAL;
    }
    return THREAD_PRIORITY_NORMAL;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The queue

void InitSynchronize()
{
    std::lock_guard<TQueueLock> Lock(gQueueLock);
    if (gAccepting)
        throw EThread("The synchronisation queue is already served");
    // Made here rather than in a static initialiser, where a failure could not be reported.
    if (!gSyncEvent) {
        gSyncEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!gSyncEvent)
            RaiseLastOSError("Cannot create the event that wakes the user-interface thread");
    }
    gMainThreadID = GetCurrentThreadId();
    gSyncWindow = new THiddenWindow([](UINT Msg, WPARAM WParam, LPARAM, LRESULT& Result) {
        if (Msg == WM_TIMER && WParam == kSyncWakeTimer) {
            {
                std::lock_guard<TQueueLock> Lock(gQueueLock);
                KillTimer(gSyncWnd, kSyncWakeTimer);
                gWakeDeferred = false;
            }
            CheckSynchronizeSlice();
        } else if (Msg == WM_QM_SYNC) {
            {
                // A request that comes while the slice runs posts again: a call may run a modal
                // loop, which must be woken for the requests of others.
                std::lock_guard<TQueueLock> Lock(gQueueLock);
                gWakePosted = false;
            }
            CheckSynchronizeSlice();
        } else {
            return false;
        }
        Result = 0;
        return true;
    });
    gSyncWnd = gSyncWindow->GetHandle();
    gWakePosted = false;
    gWakeDeferred = false;
    gWakeSignalled = false;
    gAccepting = true;
}

void DoneSynchronize()
{
    THiddenWindow* Window;
    {
        std::lock_guard<TQueueLock> Lock(gQueueLock);
        gAccepting = false;
        for (TSyncRequest* R : gQueue)
            Drop(R);
        gQueue.clear();
        gWakePosted = false;
        gWakeDeferred = false;
        Window = gSyncWindow;
        gSyncWindow = nullptr;
        gSyncWnd = nullptr;
    }
    delete Window;
}

namespace {

// Whether the user-interface thread has input, painting or an expired timer waiting: a posted
// message would be served before all of them.
bool OtherWorkPending()
{
    return HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER)) != 0;
}

// Requests are left after a slice: the next wake-up is arranged, unless one is on its way. It
// is a posted message when nothing else waits; when input, painting or a timer waits, it is a
// timer of the shortest interval, which the system delivers only once they are served.
void ArmNextWake()
{
    const bool Later = OtherWorkPending();
    std::lock_guard<TQueueLock> Lock(gQueueLock);
    if (gQueue.empty() || gWakePosted || gWakeDeferred || !gSyncWnd)
        return;
    if (Later && SetTimer(gSyncWnd, kSyncWakeTimer, USER_TIMER_MINIMUM, nullptr))
        gWakeDeferred = true;
    else if (PostMessageA(gSyncWnd, WM_QM_SYNC, 0, 0))
        gWakePosted = true;
}

// The tick count of the performance counter's milliseconds.
double NowMs()
{
    static const double PerMs = [] {
        LARGE_INTEGER F;
        QueryPerformanceFrequency(&F);
        return static_cast<double>(F.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER C;
    QueryPerformanceCounter(&C);
    return static_cast<double>(C.QuadPart) / PerMs;
}

// The queue was found empty (ServeQueue's loop): a mark, never run.
TSyncRequest gEmptiedMark;
TSyncRequest* const kEmptied = &gEmptiedMark;

enum class TServed { Nothing, Some, Left };

// Runs queued requests in arrival order: all of them, or one slice (Bounded).
TServed ServeQueue(bool Bounded)
{
    if (!OnMainThread())
        return TServed::Nothing;
    int Ran = 0;
    const double Started = Bounded ? NowMs() : 0;
    for (;;) {
        TSyncRequest* R;
        {
            std::lock_guard<TQueueLock> Lock(gQueueLock);
            if (gQueue.empty()) {
                // A wake-up message taken by a foreign loop without being dispatched must not
                // stop later ones: the queue is served now, so the next request posts again.
                gWakePosted = false;
                gWakeSignalled = false;
                // A worker that queues its next call as soon as the last one ran would find the
                // queue empty after every slice, and wake this thread with a posted message each
                // time, ahead of input and painting: while those wait, the next wake is a timer.
                // Decided under the lock that found the queue empty, or the worker's next request
                // could post in between.
                if (Bounded && Ran > 0 && OtherWorkPending()) {
                    if (!gWakeDeferred && gSyncWnd && SetTimer(gSyncWnd, kSyncWakeTimer, USER_TIMER_MINIMUM, nullptr))
                        gWakeDeferred = true;
                } else {
                    // A wake-up timer still set has nothing left to serve.
                    if (gWakeDeferred && gSyncWnd)
                        KillTimer(gSyncWnd, kSyncWakeTimer);
                    gWakeDeferred = false;
                }
                R = kEmptied;
            } else if (Bounded && Ran > 0 &&
                       (Ran >= kSynchronizeSliceCalls ||
                        NowMs() - Started >= static_cast<double>(kSynchronizeSliceMs))) {
                // The wake-up that served this slice is used up; the next one is arranged below.
                gWakePosted = false;
                R = nullptr;
            } else {
                R = gQueue.front();
                gQueue.pop_front();
                Unlink(R);
                R->State = TSyncRequest::Running;
                if (R->Owned)
                    gRunningOwners.push_back(R->Thread);
            }
        }
        if (!R) {
            ArmNextWake();
            return TServed::Left;
        }
        if (R == kEmptied)
            break;
        ++Ran;
        if (R->Owned) {
            std::exception_ptr Error;
            try {
                (*R->Method)();
            } catch (...) {
                // Reported once the queue has let go of the call.
                Error = std::current_exception();
            }
            {
                std::lock_guard<TQueueLock> Lock(gQueueLock);
                gRunningOwners.erase(std::find(gRunningOwners.begin(), gRunningOwners.end(), R->Thread));
                WakeAllConditionVariable(&gQueuedCallEnded);
            }
            delete R;
            if (Error)
                HandleCallbackException(Error);
            continue;
        }
        if (R->Thread)
            ++TQueueAccess::SyncRunning(R->Thread);
        try {
            (*R->Method)();
        } catch (...) {
            // Handed to the waiting thread, or reported below.
            R->Error = std::current_exception();
        }
        if (R->Thread)
            --TQueueAccess::SyncRunning(R->Thread);
        if (R->Error && R->ReportOnUIThread) {
            HandleCallbackException(R->Error);
            R->Error = nullptr;
        }
        std::lock_guard<TQueueLock> Lock(gQueueLock);
        Finish(R, TSyncRequest::Done);
    }
    return Ran > 0 ? TServed::Some : TServed::Nothing;
}

} // namespace

bool CheckSynchronize()
{
    return ServeQueue(false) != TServed::Nothing;
}

bool CheckSynchronizeSlice()
{
    return ServeQueue(true) == TServed::Left;
}

DWORD MainThreadID()
{
    return gMainThreadID;
}

HANDLE SyncEvent()
{
    return gSyncEvent;
}

HWND SyncWindowHandle()
{
    std::lock_guard<TQueueLock> Lock(gQueueLock);
    return gSyncWnd;
}

bool SynchronizePending()
{
    std::lock_guard<TQueueLock> Lock(gQueueLock);
    return !gQueue.empty();
}

// ---------------------------------------------------------------------------------------------
// TThread

// A system thread that runs thread objects one after the other. Starting a system thread costs
// far more than waking a parked one: a crawl starts one thread object per address. A thread
// that made windows is not kept, so every object starts on a thread without windows.
struct TCarrier {
    HANDLE Thread = nullptr;
    DWORD ID = 0;
    TThread* Job = nullptr; // the object bound to this thread; null while parked
    bool Go = false;        // Job may run
    bool Quit = false;      // end while parked
    CONDITION_VARIABLE Wake = CONDITION_VARIABLE_INIT;
    int Priority = THREAD_PRIORITY_NORMAL; // the system thread's, under gCarrierLock

    static unsigned __stdcall Main(void* Param);
};

namespace {

TQueueLock gCarrierLock;
std::vector<TCarrier*> gParked; // under gCarrierLock
const size_t kMaxParked = 16;
const DWORD kParkedIdleMs = 10000;

BOOL CALLBACK AnyWindow(HWND, LPARAM Found)
{
    *reinterpret_cast<bool*>(Found) = true;
    return FALSE;
}

// Whether this thread may carry another object: not while it has windows (they would outlive
// their object and get the next object's messages) or holds a mutex (the system hands it on as
// abandoned only when the thread ends).
bool MayCarryOn()
{
    if (NamedMutexHoldsOfThisThread() != 0)
        return false;
    bool HasWindow = false;
    EnumThreadWindows(GetCurrentThreadId(), AnyWindow, reinterpret_cast<LPARAM>(&HasWindow));
    return !HasWindow;
}

// Parks C for the next object; false when the thread should end instead.
bool Park(TCarrier* C)
{
    std::lock_guard<TQueueLock> Lock(gCarrierLock);
    if (gParked.size() >= kMaxParked)
        return false;
    C->Job = nullptr;
    C->Go = false;
    gParked.push_back(C);
    return true;
}

} // namespace

unsigned __stdcall TCarrier::Main(void* Param)
{
    auto* C = static_cast<TCarrier*>(Param);
    for (;;) {
        TThread* Job = nullptr;
        {
            std::lock_guard<TQueueLock> Lock(gCarrierLock);
            while (!C->Go && !C->Quit) {
                // A parked thread that has had nothing to do for a while ends, and gives its
                // memory back; one bound to an object waits for its start however long.
                const DWORD Ms = C->Job ? INFINITE : kParkedIdleMs;
                if (!SleepConditionVariableSRW(&C->Wake, gCarrierLock.Native(), Ms, 0) && !C->Go && !C->Job &&
                    !C->Quit) {
                    const auto It = std::find(gParked.begin(), gParked.end(), C);
                    if (It != gParked.end())
                        gParked.erase(It);
                    break;
                }
            }
            if (!C->Go || C->Quit)
                break;
            Job = C->Job;
            // Each object runs at its own priority; most ask for what the last one had.
            if (Job->FPriority != C->Priority && SetThreadPriority(C->Thread, Job->FPriority))
                C->Priority = Job->FPriority;
        }
        // The object may be gone once Run returns. Its end is signalled once this thread is
        // back in the pool (or about to end), so a thread object made just after another one
        // ended finds a parked thread; the owner may free the object as soon as it is signalled.
        // Run keeps Execute's exceptions for the owner; anything else that leaves it is reported
        // and ends this system thread (the object's state is unknown then), never the program.
        TThread::TRunEnd End;
        bool Failed = false;
        try {
            End = Job->Run();
        } catch (...) {
            Failed = true;
            HandleCallbackException(std::current_exception());
        }
        if (Failed)
            return 0; // the object may still point at C: it is left alone
        const bool Parked = End.CarryOn && Park(C);
        if (End.Signal) {
            End.Signal->SignalEnd();
        } else if (End.FreedHandle) {
            SetEvent(End.FreedHandle);
            CloseHandle(End.FreedHandle);
        }
        if (!Parked)
            break;
    }
    CloseHandle(C->Thread);
    delete C;
    return 0;
}

namespace {

// A parked carrier, or a new one; its job is set, and it waits for Go.
TCarrier* TakeCarrier(TThread* Job)
{
    {
        std::lock_guard<TQueueLock> Lock(gCarrierLock);
        if (!gParked.empty()) {
            TCarrier* C = gParked.back();
            gParked.pop_back();
            C->Job = Job;
            return C;
        }
    }
    auto* C = new TCarrier;
    C->Job = Job;
    unsigned ID = 0;
    const uintptr_t H = _beginthreadex(nullptr, 0, &TCarrier::Main, C, CREATE_SUSPENDED, &ID);
    if (!H) {
        const DWORD Error = GetLastError();
        delete C;
        throw EThread(Format("Cannot create a thread: %s", SysErrorMessage(Error)));
    }
    C->Thread = reinterpret_cast<HANDLE>(H);
    C->ID = ID;
    ResumeThread(C->Thread); // it waits for Go
    return C;
}

} // namespace

void EndParkedThreads()
{
    std::vector<HANDLE> Ending;
    {
        std::lock_guard<TQueueLock> Lock(gCarrierLock);
        for (TCarrier* C : gParked) {
            HANDLE H = nullptr;
            if (DuplicateHandle(GetCurrentProcess(), C->Thread, GetCurrentProcess(), &H, SYNCHRONIZE, FALSE, 0))
                Ending.push_back(H);
            C->Quit = true;
            WakeConditionVariable(&C->Wake);
        }
        gParked.clear();
    }
    for (HANDLE H : Ending) {
        WaitForSingleObject(H, INFINITE);
        CloseHandle(H);
    }
}

TThread::TRunEnd TThread::Run()
{
    if (!FSkipExecute) {
        try {
            Execute();
        } catch (...) {
            // Ends the thread quietly; the owner reads it from Failure.
            FFailure = std::current_exception();
        }
    }
    FFinished = true;
    if (OnTerminate && !GetTerminated()) {
        TThread* T = this;
        const TThreadMethod Call = [T] {
            if (T->OnTerminate)
                T->OnTerminate(T);
        };
        try {
            QueueAndWait(T, Call, true);
        } catch (...) {
            // Reported on the user-interface thread already.
        }
    }
    TRunEnd End;
    // A thread whose state cannot be read is not kept.
    End.CarryOn = GuardCallback(false, [] { return MayCarryOn(); });
    if (FFreeOnTerminate) {
        // Nobody frees a self-freeing object, but its handle may be waited on: it is signalled
        // once the object and all it held are gone.
        {
            std::lock_guard<TQueueLock> Lock(gCarrierLock);
            End.FreedHandle = FHandle;
            FHandle = nullptr;
        }
        delete this;
        return End;
    }
    // A thread that is not kept ends after this object, taking its windows and mutexes along;
    // WaitFor also waits for that end.
    if (!End.CarryOn)
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &FEndingThread, SYNCHRONIZE,
                        FALSE, 0);
    {
        // From here on the system thread is no longer this object's.
        std::lock_guard<TQueueLock> Lock(gCarrierLock);
        FCarrier = nullptr;
    }
    End.Signal = this;
    // The last touch: the system thread only marks the end now (SignalEnd).
    FLeft.store(true);
    return End;
}

TThread::TThread()
{
    FCarrier = TakeCarrier(this);
    FThreadID = FCarrier->ID;
}

void TThread::SignalEnd()
{
    std::lock_guard<TQueueLock> Lock(gCarrierLock);
    if (FHandle)
        SetEvent(FHandle);
    // Last: once the owner sees it, it may free the object (an owner woken by the event takes the
    // lock first, so it waits for this too).
    FSignalled.store(true);
}

HANDLE TThread::GetHandle()
{
    std::lock_guard<TQueueLock> Lock(gCarrierLock);
    if (!FHandle)
        FHandle = CreateEventA(nullptr, TRUE, FSignalled.load() ? TRUE : FALSE, nullptr);
    return FHandle;
}

void TThread::AwaitSignal()
{
    if (FSignalled.load())
        return;
    if (HANDLE H = GetHandle()) {
        WaitForSingleObject(H, INFINITE);
        // The event is set inside SignalEnd, which still marks the object after it under the
        // carrier lock: taking that lock waits for the mark, so the owner never frees the object
        // under the system thread's last write.
        std::lock_guard<TQueueLock> Lock(gCarrierLock);
        return;
    }
    while (!FSignalled.load())
        Sleep(1);
}

TThread::~TThread()
{
    if (GetCurrentThreadId() != FThreadID && !FStarted) {
        FSkipExecute = true;
        FTerminated = true;
        Resume();
    }
    // From the thread itself (an object freeing itself) this only drops its queued calls.
    TerminateAndWait();
    if (FHandle)
        CloseHandle(FHandle);
    if (FEndingThread)
        CloseHandle(FEndingThread);
}

void TThread::Resume()
{
    if (FStarted)
        return;
    std::lock_guard<TQueueLock> Lock(gCarrierLock);
    FStarted = true;
    FCarrier->Go = true;
    WakeConditionVariable(&FCarrier->Wake);
}

void TThread::Terminate()
{
    {
        std::lock_guard<TQueueLock> Lock(gQueueLock);
        FTerminated = true;
        DropRequestsOf(this);
    }
    StopRequested();
}

void TThread::ServeOwnCalls()
{
    // Slices of the queue until none of this thread's calls is left in it: the calls of other
    // threads before them run too, those after them wait for their wake-up.
    for (;;) {
        {
            std::lock_guard<TQueueLock> Lock(gQueueLock);
            if (!FLastQueued)
                return;
        }
        if (!OnMainThread())
            return;
        CheckSynchronizeSlice();
    }
}

void TThread::WaitForEnd()
{
    if (FSignalled.load()) {
        // The calls it queued and nobody woke this thread for are run now (Queue's quiet calls).
        ServeOwnCalls();
        return;
    }
    if (!OnMainThread()) {
        AwaitSignal();
        return;
    }
    HANDLE End = GetHandle();
    if (!End)
        RaiseLastOSError("Cannot wait for a thread");
    HANDLE Handles[2] = {End, gSyncEvent};
    // The queue's event is shared with every loop that waits on it, and another waiter may take
    // the signal of a request this wait has to serve: the queue is also looked at before the
    // first wait and whenever a short wait ends without a signal. It is served a slice at a
    // time, and the end looked for between two slices: other threads may keep it full.
    bool Left = CheckSynchronizeSlice();
    for (;;) {
        const DWORD R = MsgWaitForMultipleObjects(2, Handles, FALSE, Left ? 0 : 100, QS_SENDMESSAGE);
        if (R == WAIT_OBJECT_0) {
            // Past SignalEnd's last write to the object (see AwaitSignal).
            { std::lock_guard<TQueueLock> Lock(gCarrierLock); }
            // What the thread queued before its end, and nobody woke this thread for.
            ServeOwnCalls();
            return;
        }
        if (R == WAIT_OBJECT_0 + 1 || R == WAIT_TIMEOUT) {
            Left = CheckSynchronizeSlice();
        } else if (R == WAIT_OBJECT_0 + 2) {
            MSG M;
            PeekMessageA(&M, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        } else {
            RaiseLastOSError("Cannot wait for a thread");
        }
    }
}

int32_t TThread::WaitFor()
{
    // A system thread runs one object after another: a finished object is never "itself".
    if (FStarted && FSignalled.load()) {
        if (FEndingThread)
            WaitForSingleObject(FEndingThread, INFINITE);
        ServeOwnCalls(); // its quiet calls; nothing on other threads
        return FReturnValue.load();
    }
    if (GetCurrentThreadId() == FThreadID)
        throw EThread("A thread cannot wait for itself");
    if (!FStarted)
        throw EThread("WaitFor called for a thread that was never started");
    if (OnMainThread() && FSyncRunning > 0)
        throw EThread("WaitFor called from the thread's own synchronised call");
    WaitForEnd();
    if (FEndingThread)
        WaitForSingleObject(FEndingThread, INFINITE); // ends at once: nothing is left to run
    return FReturnValue.load();
}

void TThread::TerminateAndWait() noexcept
{
    // Whatever the way out: no queued call of this object is left, nor running.
    struct TDropCalls {
        TThread* Thread;
        ~TDropCalls() { Thread->DropQueuedCalls(); }
    } Drop{this};
    if (GetCurrentThreadId() == FThreadID)
        return;
    try {
        Terminate();
    } catch (...) {
        // StopRequested failing must not keep the thread alive past its object.
    }
    if (!FStarted)
        return;
    // A thread that has left the object signals its handle at once, with no help from this
    // thread: a plain wait will do.
    if (FSignalled.load() || FLeft.load()) {
        AwaitSignal();
        if (FEndingThread)
            WaitForSingleObject(FEndingThread, INFINITE);
        return;
    }
    if (OnMainThread() && FSyncRunning > 0) {
        // Freed from inside its own synchronised call: the worker waits for that call, which
        // waits here. Nothing sound is left to do.
        OutputDebugStringA("Quillmoor: a thread was freed from inside its own synchronised call\n");
        std::terminate();
    }
    try {
        WaitForEnd();
    } catch (...) {
        // Nothing may leave here: a plain wait for the end instead.
        AwaitSignal();
    }
    if (FEndingThread)
        WaitForSingleObject(FEndingThread, INFINITE);
}

bool TThread::Synchronize(const TThreadMethod& Method)
{
    if (GetTerminated())
        return false;
    if (OnMainThread()) {
        ++FSyncRunning;
        struct TDone {
            int& Count;
            ~TDone() { --Count; }
        } Done{FSyncRunning};
        Method();
        return true;
    }
    return QueueAndWait(this, Method, false);
}

bool TThread::QueueLatest(const void* Key, TThreadMethod Method)
{
    if (GetTerminated())
        return false;
    if (OnMainThread()) {
        Method();
        return true;
    }
    {
        std::lock_guard<TQueueLock> Lock(gQueueLock);
        TSyncRequest* Last = FLastQueued;
        if (Key && Last && Last->Owned && Last->Key == Key && Last->State == TSyncRequest::Queued && gAccepting) {
            // The older report has not run yet, and nothing of this thread comes after it. It
            // goes with Method, once the lock is let go.
            Last->OwnedMethod.swap(Method);
            return true;
        }
    }
    auto* R = new TSyncRequest;
    R->Thread = this;
    R->Owned = true;
    R->Key = Key;
    R->OwnedMethod = std::move(Method);
    R->Method = &R->OwnedMethod;
    if (Enqueue(R))
        return true;
    delete R;
    return false;
}

bool TThread::Queue(TThreadMethod Method, bool Quiet)
{
    if (GetTerminated())
        return false;
    if (OnMainThread()) {
        Method();
        return true;
    }
    auto* R = new TSyncRequest;
    R->Thread = this;
    R->Owned = true;
    R->OwnedMethod = std::move(Method);
    R->Method = &R->OwnedMethod;
    if (Enqueue(R, Quiet))
        return true;
    delete R;
    return false;
}

void TThread::DropQueuedCalls()
{
    std::lock_guard<TQueueLock> Lock(gQueueLock);
    DropRequestsOf(this);
    // A queued call of this object may be running: it must not outlive the object. (On the
    // user-interface thread it is the caller itself.)
    if (!OnMainThread())
        while (std::find(gRunningOwners.begin(), gRunningOwners.end(), this) != gRunningOwners.end())
            SleepConditionVariableSRW(&gQueuedCallEnded, gQueueLock.Native(), INFINITE, 0);
}

bool TThread::SynchronizeCall(const TThreadMethod& Method)
{
    if (OnMainThread()) {
        Method();
        return true;
    }
    return QueueAndWait(nullptr, Method, false);
}

TThreadPriority TThread::GetPriority() const
{
    int P;
    {
        std::lock_guard<TQueueLock> Lock(gCarrierLock);
        P = FPriority;
    }
    for (int I = tpIdle; I <= tpTimeCritical; ++I)
        if (WinPriority(static_cast<TThreadPriority>(I)) == P)
            return static_cast<TThreadPriority>(I);
    return tpNormal;
}

void TThread::SetPriority(TThreadPriority Value)
{
    const int P = WinPriority(Value);
    std::lock_guard<TQueueLock> Lock(gCarrierLock);
    // Before the start it is only noted: the system thread takes it when the object starts.
    if (FStarted && FCarrier) {
        if (!SetThreadPriority(FCarrier->Thread, P))
            RaiseLastOSError("Cannot set the thread's priority");
        FCarrier->Priority = P;
    }
    FPriority = P;
}

std::string TThread::GetFailureClassName() const
{
    return ExceptionClassName(FFailure);
}

std::string TThread::GetFailureMessage() const
{
    return ExceptionMessage(FFailure);
}
