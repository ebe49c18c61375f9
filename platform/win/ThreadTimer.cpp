#include "platform/win/ThreadTimer.h"

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/win/GuardCallback.h"
#include "platform/win/OSError.h"

namespace {

// Timer procedures to choose from: a tick names the procedure its timer was started with.
const unsigned kProcs = 8;

struct TTimerEntry {
    std::shared_ptr<TThreadTimerEvent> Callback; // nullptr once stopped
    unsigned Proc = 0;                           // the procedure of the id's latest timer
};

using TTimerKey = std::pair<DWORD, UINT_PTR>; // thread, id

// Entries stay after a stop (without a callback) so that the id's next timer gets another
// procedure; their number is bounded by the ids the system hands out.
std::mutex gLock;
std::map<TTimerKey, TTimerEntry> gTimers;
thread_local unsigned gNextProc = 0;

void Tick(unsigned Proc, UINT_PTR Id)
{
    std::shared_ptr<TThreadTimerEvent> Callback;
    {
        std::lock_guard<std::mutex> Lock(gLock);
        auto It = gTimers.find(TTimerKey(GetCurrentThreadId(), Id));
        // Stopped, or a tick of the id's earlier timer: dropped.
        if (It == gTimers.end() || It->second.Proc != Proc || !It->second.Callback)
            return;
        // The copy lives through the call, also when the callback stops its own timer.
        Callback = It->second.Callback;
    }
    GuardCallback([&] { (*Callback)(Id); });
}

template <unsigned Proc>
void CALLBACK TimerProc(HWND, UINT, UINT_PTR Id, DWORD)
{
    Tick(Proc, Id);
}

template <unsigned... Procs>
constexpr std::array<TIMERPROC, sizeof...(Procs)> MakeProcs(std::integer_sequence<unsigned, Procs...>)
{
    return {&TimerProc<Procs>...};
}

const std::array<TIMERPROC, kProcs> kTimerProcs = MakeProcs(std::make_integer_sequence<unsigned, kProcs>{});

} // namespace

UINT_PTR ThreadTimerStart(uint32_t Milliseconds, TThreadTimerEvent Callback)
{
    const DWORD Thread = GetCurrentThreadId();
    auto Shared = std::make_shared<TThreadTimerEvent>(std::move(Callback));
    unsigned Proc = gNextProc++ % kProcs;
    UINT_PTR Id = 0;
    for (;;) {
        // With the id of a running timer of the thread, SetTimer gives that timer the new
        // procedure and keeps the id.
        const UINT_PTR Got = SetTimer(nullptr, Id, Milliseconds, kTimerProcs[Proc]);
        if (!Got) {
            const DWORD Error = GetLastError();
            if (Id)
                KillTimer(nullptr, Id);
            RaiseOSError(Error, "Cannot start a thread timer");
        }
        if (Id && Got != Id)
            KillTimer(nullptr, Id); // a second timer instead of the same one: only one may run
        Id = Got;
        std::shared_ptr<TThreadTimerEvent> Earlier; // released outside the lock
        std::lock_guard<std::mutex> Lock(gLock);
        auto It = gTimers.find(TTimerKey(Thread, Id));
        if (It == gTimers.end()) {
            gTimers.emplace(TTimerKey(Thread, Id), TTimerEntry{Shared, Proc});
            return Id;
        }
        if (It->second.Proc == Proc) {
            // The id's timer before had this procedure: a late tick of it would pass.
            Proc = (Proc + 1) % kProcs;
            continue;
        }
        Earlier = std::move(It->second.Callback); // set only for a timer of an ended thread
        It->second = TTimerEntry{Shared, Proc};
        return Id;
    }
}

void ThreadTimerStop(UINT_PTR Id)
{
    std::shared_ptr<TThreadTimerEvent> Callback; // released outside the lock: its captures may stop timers
    std::lock_guard<std::mutex> Lock(gLock);
    auto It = gTimers.find(TTimerKey(GetCurrentThreadId(), Id));
    if (It == gTimers.end() || !It->second.Callback)
        return;
    KillTimer(nullptr, Id);
    Callback = std::move(It->second.Callback);
}
