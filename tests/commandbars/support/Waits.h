#pragma once
// Waits of the command bar tests. Each serves messages until a condition holds and fails the
// running test, naming what it waited for, when the condition does not come in time.

#include <cstdint>
#include <string>

#include <windows.h>

#include "commandbars/model/cbCommandQueue.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/ThreadTimer.h"
#include "tests/support/TestSupport.h"

namespace CommandBarsTest {

// Serves messages until the thread holds no posted, sent, paint or input message and no click
// waits on the framework's queue that could run now (waiting clicks run when the outermost
// framework entry ends, so inside one, a menu's loop for instance, they stay). Whatever a change
// or a handled input set going through the message queue (a layout, a repaint, a window shown or
// freed later, a queued command) has run by then, so the state can be read, and a check that
// something did not happen means something.
inline bool Settle(const std::string& What = "the thread's messages to run out", uint32_t TimeoutMs = 5000)
{
    return TestSupport::PumpUntil(
        [] {
            return HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT | QS_MOUSE | QS_KEY)) == 0 &&
                   (QueuedClickCount() == 0 || FrameworkEntryDepth() > 0);
        },
        TimeoutMs, What);
}

// Serves messages until the window's visibility is Visible, then until the thread has settled.
inline bool WaitVisible(HWND Window, bool Visible, const std::string& What, uint32_t TimeoutMs = 5000)
{
    return TestSupport::PumpUntil([=] { return (IsWindowVisible(Window) != 0) == Visible; }, TimeoutMs, What) &&
           Settle(What + " (and the thread's messages after it)");
}

// A press pairs with the thread's previous press at the same place into a double click when it
// comes within the double-click time. Tests that press at the same points one after another note
// when they end (NoteLastPress) and wait before their first press (WaitPastDoubleClickTime).
inline ULONGLONG& LastPressTick()
{
    static ULONGLONG Tick = 0;
    return Tick;
}
inline void NoteLastPress()
{
    LastPressTick() = GetTickCount64();
}
inline void WaitPastDoubleClickTime()
{
    const ULONGLONG Since = GetTickCount64() - LastPressTick();
    const ULONGLONG Gap = GetDoubleClickTime() + 50;
    // The pairing is decided by the time alone: there is no state to wait for.
    if (LastPressTick() != 0 && Since < Gap)
        TestSupport::PumpFor(static_cast<uint32_t>(Gap - Since));
}

// Serves messages until those posted before the call have been handled: a message posted after
// them to a hidden window of this thread arrives only once they have left the queue.
inline bool PumpPosted(const char* What)
{
    bool Arrived = false;
    THiddenWindow Sentinel([&](UINT Msg, WPARAM, LPARAM, LRESULT&) {
        Arrived = Arrived || Msg == WM_APP;
        return Msg == WM_APP;
    });
    PostMessageA(Sentinel.GetHandle(), WM_APP, 0, 0);
    return TestSupport::PumpUntil([&] { return Arrived; }, 5000, What);
}

// Waits until a thread timer of Delay started now has ticked. The thread's timers tick in the
// order they fall due, so by then a timer of the same delay started earlier has had its tick.
inline bool WaitForTimerOf(uint32_t Delay, const char* What)
{
    bool Ticked = false;
    const UINT_PTR Id = ThreadTimerStart(Delay, [&Ticked](UINT_PTR Own) {
        ThreadTimerStop(Own);
        Ticked = true;
    });
    const bool Done = TestSupport::PumpUntil([&] { return Ticked; }, Delay + 10000, What);
    ThreadTimerStop(Id);
    return Done;
}

} // namespace CommandBarsTest
