#include "platform/win/Timer.h"

#include <memory>

#include "platform/win/GuardCallback.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/Locks.h"
#include "platform/win/Thread.h"

namespace {

const UINT_PTR kTimerId = 1;
// Posted to the timer's window by other threads: only the window's thread may set, kill or
// destroy what belongs to the window.
const UINT WM_QM_TIMERUPDATE = WM_APP + 0x3A1;
const UINT WM_QM_TIMERFREE = WM_APP + 0x3A2;

} // namespace

// What the timer and its window share. Owned by the timer; once the timer is gone while its
// window lives on (freed from another thread, or from inside its own tick) the window's thread
// owns it and frees it together with the window.
struct TTimerLink {
    TCriticalSection Lock;
    TTimer* Timer = nullptr;  // nullptr once the timer is gone: late ticks do nothing
    int Running = 0;          // ticks in progress (nested through modal loops)
    // Once the timer is gone with its window alive, the window's thread frees the link: at the
    // end of the outermost tick (freed inside its tick), or on WM_QM_TIMERFREE (freed elsewhere).
    enum { Attached, FreeAfterTick, FreeOnMessage } Orphaned = Attached;
    // The state the window's thread applies (copied from the timer under the lock).
    bool Run = false;
    uint32_t Interval = 0;
    std::unique_ptr<THiddenWindow> Window;

    explicit TTimerLink(TTimer* ATimer) : Timer(ATimer) {}

    // On the window's thread.
    void Apply()
    {
        bool DoRun;
        uint32_t DoInterval;
        {
            TCriticalSectionGuard G(Lock);
            DoRun = Run && Timer;
            DoInterval = Interval;
        }
        HWND Wnd = Window ? Window->GetHandle() : nullptr;
        if (!Wnd)
            return;
        KillTimer(Wnd, kTimerId);
        if (DoRun)
            SetTimer(Wnd, kTimerId, DoInterval, nullptr);
    }

    bool Handle(UINT Msg, WPARAM WParam, LRESULT& Result)
    {
        Result = 0;
        if (Msg == WM_TIMER && WParam == kTimerId) {
            Tick();
            return true;
        }
        if (Msg == WM_QM_TIMERUPDATE) {
            Apply();
            return true;
        }
        if (Msg == WM_QM_TIMERFREE) {
            FreeIfOrphaned(FreeOnMessage);
            return true;
        }
        return false;
    }

    void Tick()
    {
        TTimer* T;
        {
            TCriticalSectionGuard G(Lock);
            T = Timer;
            if (!T)
                return;
            ++Running;
        }
        GuardCallback([T] { T->Timer(); });
        {
            TCriticalSectionGuard G(Lock);
            --Running;
        }
        // The timer may have been freed inside its tick.
        FreeIfOrphaned(FreeAfterTick);
    }

    // The last thing the window's handler does: deleting the link deletes the window object
    // whose handler is running, so nothing of either is touched afterwards.
    void FreeIfOrphaned(decltype(Orphaned) How)
    {
        {
            TCriticalSectionGuard G(Lock);
            if (Orphaned != How || Running > 0)
                return;
        }
        delete this;
    }
};

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {}

TTimer::~TTimer()
{
    FOnTimer = nullptr;
    TTimerLink* Link = FLink;
    FLink = nullptr;
    if (!Link)
        return;
    const DWORD Self = GetCurrentThreadId();
    const DWORD Owner = Link->Window ? Link->Window->GetOwnerThreadID() : Self;

    // Detach. A tick running on another thread is waited for (it uses this object); one running
    // on this thread is the caller of this destructor.
    for (;;) {
        {
            TCriticalSectionGuard G(Link->Lock);
            if (Link->Running == 0 || Owner == Self) {
                Link->Timer = nullptr;
                break;
            }
        }
        if (Self == MainThreadID()) {
            // The tick may be waiting for this thread: serve Synchronize and sent messages.
            CheckSynchronize();
            MSG Msg;
            PeekMessageA(&Msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            HANDLE Wake = SyncEvent();
            MsgWaitForMultipleObjects(1, &Wake, FALSE, 1, QS_SENDMESSAGE);
        } else {
            Sleep(1);
        }
    }

    HWND Wnd = Link->Window && Link->Window->HandleAllocated() ? Link->Window->GetHandle() : nullptr;
    if (!Wnd) {
        delete Link;
        return;
    }
    if (Owner == Self) {
        KillTimer(Wnd, kTimerId);
        bool InTick;
        {
            TCriticalSectionGuard G(Link->Lock);
            InTick = Link->Running > 0;
            if (InTick)
                Link->Orphaned = TTimerLink::FreeAfterTick;
        }
        if (!InTick)
            delete Link; // destroys the window
        // else the outermost tick frees it when it returns
        return;
    }
    // Another thread's window. When that thread has ended, its windows went with it.
    DWORD WindowThread = GetWindowThreadProcessId(Wnd, nullptr);
    if (IsWindow(Wnd) && WindowThread == Owner) {
        {
            TCriticalSectionGuard G(Link->Lock);
            Link->Orphaned = TTimerLink::FreeOnMessage;
        }
        // Only that message frees the link over there, so a failed post leaves it to us.
        if (PostMessageA(Wnd, WM_QM_TIMERFREE, 0, 0))
            return;
        // The window went away between the check and the post: its thread is gone.
    }
    delete Link;
}

void TTimer::SetEnabled(bool Value)
{
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(uint32_t Value)
{
    if (Value == FInterval)
        return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value)
{
    if (FLink) {
        // A tick on the window's thread copies the handler under the same lock.
        TCriticalSectionGuard G(FLink->Lock);
        FOnTimer = std::move(Value);
    } else {
        FOnTimer = std::move(Value);
    }
    UpdateTimer();
}

HWND TTimer::GetWindowHandle() const
{
    return FLink && FLink->Window && FLink->Window->HandleAllocated() ? FLink->Window->GetHandle() : nullptr;
}

void TTimer::UpdateTimer()
{
    const bool Run = FEnabled && FInterval != 0 && FOnTimer;
    if (!FLink) {
        if (!Run)
            return; // no window until the timer first runs
        FLink = new TTimerLink(this);
    }
    {
        TCriticalSectionGuard G(FLink->Lock);
        FLink->Run = Run;
        FLink->Interval = FInterval;
    }
    if (FLink->Window && FLink->Window->HandleAllocated() &&
        FLink->Window->GetOwnerThreadID() != GetCurrentThreadId() && !IsWindow(FLink->Window->GetHandle())) {
        // Its thread has ended and took the window along: start again on this thread.
        FLink->Window.reset();
    }
    if (!FLink->Window || !FLink->Window->HandleAllocated()) {
        // Once the program ends no window is made: the timer stays set but never ticks.
        if (!Run || ProgramEnding())
            return;
        TTimerLink* Link = FLink;
        const auto Route = [Link](UINT Msg, WPARAM WParam, LPARAM, LRESULT& Result) {
            return Link->Handle(Msg, WParam, Result);
        };
        try {
            if (!FLink->Window)
                FLink->Window = std::make_unique<THiddenWindow>(Route);
            FLink->Window->GetHandle(); // made on this thread, which now serves the ticks
        } catch (...) {
            // A timer that cannot get its window does not tick: that is reported, and the caller
            // (a destructor, a worker's loop, another tick) goes on. The next change asks again.
            FLink->Window.reset();
            HandleCallbackException(std::current_exception());
            return;
        }
        FLink->Apply();
        return;
    }
    THiddenWindow& W = *FLink->Window;
    if (W.GetOwnerThreadID() == GetCurrentThreadId())
        FLink->Apply();
    else
        PostMessageA(W.GetHandle(), WM_QM_TIMERUPDATE, 0, 0);
}

void TTimer::Timer()
{
    // A copy: the handler may free this timer, and with it FOnTimer.
    TNotifyEvent Handler;
    if (FLink) {
        TCriticalSectionGuard G(FLink->Lock);
        Handler = FOnTimer;
    } else {
        Handler = FOnTimer;
    }
    if (Handler && FEnabled)
        Handler(this);
}
