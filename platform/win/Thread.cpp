#include "platform/win/Thread.h"

#include <deque>
#include <mutex>

#include <process.h>

#include "platform/win/GuardCallback.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/OSError.h"

// One synchronised call waiting in the queue. It lives on the waiting thread's stack.
struct TSyncRequest {
    enum TState { Queued, Running, Done, Cancelled };
    TThread* Thread = nullptr; // null for SynchronizeCall
    const TThreadMethod* Method = nullptr;
    std::exception_ptr Error;
    TState State = Queued;
    HANDLE Event = nullptr;
    bool ReportOnUIThread = false; // OnTerminate: nobody waits for its exception
};

namespace {

const UINT WM_QM_SYNC = WM_USER + 0x51;

std::mutex gQueueLock;
std::deque<TSyncRequest*> gQueue;
bool gAccepting = false;
bool gWakePosted = false;
DWORD gMainThreadID = 0;
HWND gSyncWnd = nullptr;
HANDLE gSyncEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
THiddenWindow* gSyncWindow = nullptr;

// Each thread waits for its own requests on its own event, made once.
struct TThreadEvent {
    HANDLE Handle = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ~TThreadEvent() { CloseHandle(Handle); }
};

HANDLE CurrentThreadEvent()
{
    thread_local TThreadEvent Event;
    return Event.Handle;
}

void Cancel(TSyncRequest* R)
{
    R->State = TSyncRequest::Cancelled;
    SetEvent(R->Event);
}

// A plain wait that still answers messages other threads send to this thread's windows, so a
// worker with a window of its own cannot deadlock a SendMessage from the user-interface thread.
void WaitServingSent(HANDLE Handle)
{
    for (;;) {
        const DWORD R = MsgWaitForMultipleObjects(1, &Handle, FALSE, INFINITE, QS_SENDMESSAGE);
        if (R == WAIT_OBJECT_0)
            return;
        if (R == WAIT_OBJECT_0 + 1) {
            MSG M;
            PeekMessageA(&M, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            continue;
        }
        RaiseLastOSError("Cannot wait for a synchronised call");
    }
}

bool OnMainThread()
{
    return gMainThreadID != 0 && GetCurrentThreadId() == gMainThreadID;
}

// Queues a request and waits for its end. False when it did not run.
bool QueueAndWait(TThread* Thread, const TThreadMethod& Method, bool ReportOnUIThread)
{
    TSyncRequest R;
    R.Thread = Thread;
    R.Method = &Method;
    R.Event = CurrentThreadEvent();
    R.ReportOnUIThread = ReportOnUIThread;
    {
        std::lock_guard<std::mutex> Lock(gQueueLock);
        if (!gAccepting || (Thread && Thread->GetTerminated()))
            return false;
        gQueue.push_back(&R);
        if (!gWakePosted && PostMessageA(gSyncWnd, WM_QM_SYNC, 0, 0))
            gWakePosted = true;
    }
    SetEvent(gSyncEvent);
    WaitServingSent(R.Event);
    // The serving side sets the event after its last touch of R.
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
    std::lock_guard<std::mutex> Lock(gQueueLock);
    if (gAccepting)
        throw EThread("The synchronisation queue is already served");
    gMainThreadID = GetCurrentThreadId();
    gSyncWindow = new THiddenWindow([](UINT Msg, WPARAM, LPARAM, LRESULT& Result) {
        if (Msg != WM_QM_SYNC)
            return false;
        {
            std::lock_guard<std::mutex> Lock(gQueueLock);
            gWakePosted = false;
        }
        CheckSynchronize();
        Result = 0;
        return true;
    });
    gSyncWnd = gSyncWindow->GetHandle();
    gWakePosted = false;
    gAccepting = true;
}

void DoneSynchronize()
{
    THiddenWindow* Window;
    {
        std::lock_guard<std::mutex> Lock(gQueueLock);
        gAccepting = false;
        for (TSyncRequest* R : gQueue)
            Cancel(R);
        gQueue.clear();
        Window = gSyncWindow;
        gSyncWindow = nullptr;
        gSyncWnd = nullptr;
    }
    delete Window;
}

bool CheckSynchronize()
{
    if (!OnMainThread())
        return false;
    bool Ran = false;
    for (;;) {
        TSyncRequest* R;
        {
            std::lock_guard<std::mutex> Lock(gQueueLock);
            if (gQueue.empty())
                break;
            R = gQueue.front();
            gQueue.pop_front();
            R->State = TSyncRequest::Running;
        }
        Ran = true;
        if (R->Thread)
            ++R->Thread->FSyncRunning;
        try {
            (*R->Method)();
        } catch (...) {
            R->Error = std::current_exception();
        }
        if (R->Thread)
            --R->Thread->FSyncRunning;
        if (R->Error && R->ReportOnUIThread) {
            HandleCallbackException(R->Error);
            R->Error = nullptr;
        }
        std::lock_guard<std::mutex> Lock(gQueueLock);
        R->State = TSyncRequest::Done;
        SetEvent(R->Event);
    }
    return Ran;
}

DWORD MainThreadID()
{
    return gMainThreadID;
}

HANDLE SyncEvent()
{
    return gSyncEvent;
}

// ---------------------------------------------------------------------------------------------
// TThread

unsigned __stdcall ThreadEntry(void* Param)
{
    auto* T = static_cast<TThread*>(Param);
    if (!T->FSkipExecute) {
        try {
            T->Execute();
        } catch (...) {
            // Ends the thread quietly; the owner reads it from Failure.
            T->FFailure = std::current_exception();
        }
    }
    T->FFinished = true;
    if (T->OnTerminate && !T->GetTerminated()) {
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
    const unsigned Result = static_cast<unsigned>(T->FReturnValue.load());
    if (T->FFreeOnTerminate)
        delete T;
    return Result;
}

TThread::TThread()
{
    unsigned ID = 0;
    const uintptr_t H = _beginthreadex(nullptr, 0, &ThreadEntry, this, CREATE_SUSPENDED, &ID);
    if (!H)
        throw EThread(Format("Cannot create a thread: %s", SysErrorMessage(GetLastError())));
    FHandle = reinterpret_cast<HANDLE>(H);
    FThreadID = ID;
}

TThread::~TThread()
{
    if (!FHandle)
        return;
    if (GetCurrentThreadId() != FThreadID) {
        if (!FStarted) {
            FSkipExecute = true;
            FTerminated = true;
            Resume();
        }
        TerminateAndWait();
    }
    CloseHandle(FHandle);
}

void TThread::Resume()
{
    if (FStarted)
        return;
    FStarted = true;
    ResumeThread(FHandle);
}

void TThread::Terminate()
{
    {
        std::lock_guard<std::mutex> Lock(gQueueLock);
        FTerminated = true;
        for (auto It = gQueue.begin(); It != gQueue.end();) {
            if ((*It)->Thread == this) {
                Cancel(*It);
                It = gQueue.erase(It);
            } else {
                ++It;
            }
        }
    }
    StopRequested();
}

void TThread::WaitForEnd()
{
    if (!OnMainThread()) {
        WaitForSingleObject(FHandle, INFINITE);
        return;
    }
    HANDLE Handles[2] = {FHandle, gSyncEvent};
    // A request queued before the wait may have had its signal taken by another waiter.
    CheckSynchronize();
    for (;;) {
        const DWORD R = MsgWaitForMultipleObjects(2, Handles, FALSE, INFINITE, QS_SENDMESSAGE);
        if (R == WAIT_OBJECT_0)
            return;
        if (R == WAIT_OBJECT_0 + 1) {
            CheckSynchronize();
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
    if (GetCurrentThreadId() == FThreadID)
        throw EThread("A thread cannot wait for itself");
    if (!FStarted)
        throw EThread("WaitFor called for a thread that was never started");
    if (OnMainThread() && FSyncRunning > 0)
        throw EThread("WaitFor called from the thread's own synchronised call");
    WaitForEnd();
    return FReturnValue.load();
}

void TThread::TerminateAndWait() noexcept
{
    if (GetCurrentThreadId() == FThreadID)
        return;
    try {
        Terminate();
    } catch (...) {
        // StopRequested failing must not keep the thread alive past its object.
    }
    if (!FStarted || WaitForSingleObject(FHandle, 0) == WAIT_OBJECT_0)
        return;
    if (OnMainThread() && FSyncRunning > 0) {
        // Freed from inside its own synchronised call: the worker waits for that call, which
        // waits here. Nothing sound is left to do.
        OutputDebugStringA("Quillmoor: a thread was freed from inside its own synchronised call\n");
        std::terminate();
    }
    try {
        WaitForEnd();
    } catch (...) {
        WaitForSingleObject(FHandle, INFINITE);
    }
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
    const int P = GetThreadPriority(FHandle);
    for (int I = tpIdle; I <= tpTimeCritical; ++I)
        if (WinPriority(static_cast<TThreadPriority>(I)) == P)
            return static_cast<TThreadPriority>(I);
    return tpNormal;
}

void TThread::SetPriority(TThreadPriority Value)
{
    if (!SetThreadPriority(FHandle, WinPriority(Value)))
        RaiseLastOSError("Cannot set the thread's priority");
}

std::string TThread::GetFailureClassName() const
{
    return ExceptionClassName(FFailure);
}

std::string TThread::GetFailureMessage() const
{
    return ExceptionMessage(FFailure);
}
