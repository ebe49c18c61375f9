#pragma once
// Worker threads that hand work to the user-interface thread (Synchronize) and can be asked to
// stop at any moment without a hang. No thread is ever suspended or killed from outside.
//
// A thread object starts suspended; Resume starts it. Starting inside the base constructor would
// let Execute run before the derived constructor had finished, so "create running" is
// TThread::New<T>(false, ...), which resumes once the object is whole.
//
// Derived classes whose Execute (or queued calls) use their own members should call
// TerminateAndWait() first in their destructor: the base destructor also terminates and waits,
// but only after the derived members are gone.

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include <windows.h>

#include "platform/rtl/Classes.h"

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TThreadMethod = std::function<void()>;

struct TCarrier;

// A thread object runs on a system thread of its own; system threads are kept after their
// object is done and carry the next object, since starting a system thread is slow.
struct TSyncRequest;

class TThread : public TObject {
public:
    TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    // Terminates and waits for a running thread (serving Synchronize on the user-interface
    // thread); a thread never resumed ends without running Execute.
    ~TThread() override;
    std::string ClassName() const override { return "TThread"; }

    // Makes a T (derived from TThread) and resumes it unless CreateSuspended.
    template <class T, class... A>
    static T* New(bool CreateSuspended, A&&... Args)
    {
        T* Thread = new T(std::forward<A>(Args)...);
        if (!CreateSuspended)
            Thread->Resume();
        return Thread;
    }

    void Resume(); // starts a suspended thread; nothing for one already started

    // Sets Terminated, takes this thread's queued Synchronize requests (and a queued OnTerminate)
    // out of the queue so their Synchronize returns false at once, drops its queued calls (Queue),
    // then calls StopRequested on the calling thread. A request already running runs to its end.
    void Terminate();
    bool GetTerminated() const { return FTerminated.load(); }

    // Waits for the end of the thread and returns ReturnValue. On the user-interface thread it
    // serves Synchronize requests and sent messages while it waits (posted input stays queued),
    // and once the thread has ended the calls it queued.
    // Raises EThread when called from the thread itself, for a thread never resumed, or on the
    // user-interface thread from inside one of this thread's running synchronised methods.
    int32_t WaitFor();
    // Terminate, then WaitFor when the thread was started and has not ended; for destructors.
    // The thread's queued calls not yet run are dropped, and one running now is waited for.
    // From the thread itself (an object freeing itself) it only does the latter.
    void TerminateAndWait() noexcept;

    // Runs Method on the user-interface thread and waits for it: true when it ran, false when
    // it did not (the thread was terminated, or the application is going away). An exception of
    // Method is raised again here. On the user-interface thread Method runs at once.
    bool Synchronize(const TThreadMethod& Method);
    // The same for code that has no thread object (any thread).
    static bool SynchronizeCall(const TThreadMethod& Method);
    // Hands Method to the user-interface thread and returns at once (on that thread it runs at
    // once). The thread's queued calls and Synchronize requests run in the order they were made.
    // A call not yet run when the thread is terminated or freed is dropped; an exception of
    // Method is reported on the user-interface thread. False when it was not queued (the thread
    // was terminated, or the application is going away). Method must not need the caller's
    // stack: take copies. A Quiet call does not wake the user-interface thread: it runs when that
    // thread next serves the queue (for the next call that wakes it, or when it is idle), which
    // saves a wake-up per call for work that may wait a moment, such as a log line.
    bool Queue(TThreadMethod Method, bool Quiet = false);
    // Queues Method like Queue (waking the user-interface thread), or, when this thread's last
    // call still waiting in the queue was made here with the same Key, puts Method in that call's
    // place: a report that only the latest of matters (a transfer's progress) waits once, and
    // no other call of the thread moves past it. Key must not be null.
    bool QueueLatest(const void* Key, TThreadMethod Method);

    TThreadPriority GetPriority() const;
    void SetPriority(TThreadPriority Value);
    bool GetFreeOnTerminate() const { return FFreeOnTerminate; }
    void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
    int32_t GetReturnValue() const { return FReturnValue.load(); }
    // Signalled when the thread is done with this object: Execute and OnTerminate have ended.
    // Made when first asked for (a crawl makes thousands of thread objects, and few are ever
    // waited on through a handle); nullptr when the system cannot make it.
    HANDLE GetHandle();
    DWORD GetThreadID() const { return FThreadID; }
    bool GetFinished() const { return FFinished.load(); }
    // True once the system thread is done with this object (Execute and OnTerminate have
    // ended); the handle is signalled a moment later, and freeing the object then never waits
    // for anything but that signal.
    bool GetLeft() const { return FLeft.load(); }
    // Whether the thread is done with this object (the handle is, or would be, signalled),
    // without waiting.
    bool HandleSignalled() const { return FSignalled.load(); }

    // The exception that ended Execute (null when it returned normally), its class and text.
    std::exception_ptr GetFailure() const { return FFailure; }
    std::string GetFailureClassName() const;
    std::string GetFailureMessage() const;

    // Runs on the user-interface thread after Execute ends (also after it raised), unless
    // Terminate was called before it ran. Sender is the thread.
    TNotifyEvent OnTerminate;

protected:
    virtual void Execute() = 0;
    // Runs inside Terminate on the calling thread: abort blocking work here.
    virtual void StopRequested() {}
    bool Terminated() const { return FTerminated.load(); }
    void SetReturnValue(int32_t Value) { FReturnValue = Value; }

private:
    friend struct TCarrier;
    void WaitForEnd(); // the waiting part of WaitFor
    // On the user-interface thread: serves the queue until no call of this thread is in it.
    void ServeOwnCalls();
    void DropQueuedCalls();
    // Execute and OnTerminate, on the system thread; then the handle to signal, and whether the
    // system thread may carry another object.
    struct TRunEnd {
        TThread* Signal = nullptr;  // the object to mark done (SignalEnd)
        HANDLE FreedHandle = nullptr; // the handle of an object that freed itself, to signal and close
        bool CarryOn = false;
    };
    TRunEnd Run();
    // The system thread's last touch of the object: the handle, when one was made, is signalled
    // and the object marked done. Under gCarrierLock, as the handle's making is.
    void SignalEnd();
    // Waits for SignalEnd (a short wait: the thread has left the object).
    void AwaitSignal();

    // Made on demand (GetHandle, a wait); signalled once the thread is done with this object.
    HANDLE FHandle = nullptr;
    std::atomic<bool> FSignalled{false};
    DWORD FThreadID = 0;
    TCarrier* FCarrier = nullptr; // the system thread that runs this object, until it is done
    int FPriority = 0;            // the system priority asked for (THREAD_PRIORITY_NORMAL is 0)
    HANDLE FEndingThread = nullptr; // the system thread, when it ends with this object
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FLeft{false};
    std::atomic<int32_t> FReturnValue{0};
    bool FStarted = false;
    bool FSkipExecute = false;
    bool FFreeOnTerminate = false;
    std::exception_ptr FFailure;
    int FSyncRunning = 0; // this thread's requests running now (user-interface thread only)
    // This thread's latest request still in the queue (under the queue lock); null when none.
    TSyncRequest* FLastQueued = nullptr;
    friend struct TQueueAccess;
};

// Frees a thread object (terminating and waiting), for std::unique_ptr.
using TThreadPtr = std::unique_ptr<TThread>;

// The Synchronize queue. InitSynchronize (on the thread that becomes the user-interface thread)
// and DoneSynchronize are called by ApplicationInit and ApplicationDone.
void InitSynchronize();
// Pending requests return false at once, and so does every later one.
void DoneSynchronize();
// Runs the queued requests in arrival order until the queue is empty; on the user-interface
// thread only (elsewhere it does nothing). True when at least one ran.
bool CheckSynchronize();
// Runs one slice of the queued requests in arrival order: at most kSynchronizeSliceCalls of
// them, and no more once kSynchronizeSliceMs have passed. The wake-ups of the user-interface
// thread serve slices, so that input and painting are answered between two of them while
// workers keep the queue full. When requests are left, the next wake-up is arranged: a posted
// message when no input, painting or timer is pending, else a timer, which the system delivers
// only after those. True when requests are left; on the user-interface thread only.
bool CheckSynchronizeSlice();
inline constexpr int kSynchronizeSliceCalls = 64;
inline constexpr unsigned kSynchronizeSliceMs = 15;
// Ends the system threads kept for later thread objects, and waits for their end (they end
// by themselves after a while without work). ApplicationDone calls it.
void EndParkedThreads();

// The thread that serves the queue (0 before InitSynchronize).
DWORD MainThreadID();
// Signalled whenever a request is queued; message loops that wait on handles wait on it too.
// Made by the first InitSynchronize (which raises EOSError when it cannot); nullptr before.
HANDLE SyncEvent();
// The window the queue's wake-ups are posted to (nullptr while the queue is not served).
HWND SyncWindowHandle();
// Whether requests wait in the queue.
bool SynchronizePending();
