#pragma once
// A window timer as a component. Its hidden window is made only when the timer first runs
// (enabled, with an interval and a handler), on the thread that starts it; that thread's message
// loop then delivers the ticks. Timers are made in constructors, also on worker threads, so a
// timer that never runs costs no window.
//
// Freeing: inside its own OnTimer is safe. Freed on another thread than its window's, the timer
// first waits for a running tick to end and detaches (a late tick finds no object), then has the
// window's thread destroy the window, since only that thread can; a window whose thread has
// ended is already gone.

#include <atomic>
#include <cstdint>
#include <string>

#include <windows.h>

#include "platform/rtl/Classes.h"

struct TTimerLink;

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* AOwner = nullptr);
    ~TTimer() override;
    std::string ClassName() const override { return "TTimer"; }

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    // Milliseconds; a change restarts the count. 0 stops the timer.
    uint32_t GetInterval() const { return FInterval; }
    void SetInterval(uint32_t Value);
    // Runs inside GuardCallback: an exception reaches Application->HandleException and the timer
    // goes on. A setter, since handing a handler may start the timer.
    const TNotifyEvent& GetOnTimer() const { return FOnTimer; }
    void SetOnTimer(TNotifyEvent Value);

    // The timer's window (nullptr until it first ran).
    HWND GetWindowHandle() const;

protected:
    // One tick: calls OnTimer.
    virtual void Timer();

private:
    friend struct TTimerLink;
    void UpdateTimer();

    std::atomic<bool> FEnabled{true};
    uint32_t FInterval = 1000;
    TNotifyEvent FOnTimer;
    TTimerLink* FLink = nullptr;
};
