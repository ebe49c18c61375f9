#pragma once
// Timers of the calling thread without a window of their own (SetTimer with no window). They
// tick in every loop of the thread that dispatches messages: the application's, modal forms',
// message boxes', menus' and the framework's own.
//
// A timer is known by (thread, id). The system hands a stopped timer's id to a later timer, and
// callers start and stop timers all the time, so a stopped id must never fire into the new
// callback: a tick reaches a callback only while its timer runs, and a tick of an id's earlier
// timer that was already on its way when it stopped is dropped (each start of an id gets
// another timer procedure than the id's timer before, and a tick names its procedure).

#include <cstdint>
#include <functional>

#include <windows.h>

// Gets the timer's id. Runs inside GuardCallback: an exception reaches
// Application->HandleException and the timer goes on.
using TThreadTimerEvent = std::function<void(UINT_PTR Id)>;

// Starts a timer of the calling thread; Milliseconds below the system's minimum (10) are raised
// to it. Failure raises EOSError.
UINT_PTR ThreadTimerStart(uint32_t Milliseconds, TThreadTimerEvent Callback);
// Stops a timer of the calling thread. Safe inside its own callback (which finishes), for an id
// stopped already and for an id that is no timer of this thread started here.
void ThreadTimerStop(UINT_PTR Id);
