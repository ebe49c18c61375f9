#include "platform/win/ThreadHook.h"

#include <array>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/win/GuardCallback.h"
#include "platform/win/OSError.h"

// A hook procedure gets no pointer of ours, and the hooks of one kind on one thread may all be
// ours. Each hook therefore gets its own procedure out of a fixed set (kind x slot), and the
// procedure finds its hook by (thread, kind, slot).
struct TThreadHookState {
    TThreadHookKind Kind;
    int Slot;
    DWORD Thread;
    HHOOK Handle = nullptr;
    TThreadHook::TBody Body;
};

namespace {

const int kKinds = 3;
const int kSystemKinds[kKinds] = {WH_KEYBOARD, WH_MOUSE, WH_CALLWNDPROC};

std::mutex gLock;
std::vector<std::shared_ptr<TThreadHookState>> gHooks; // installed hooks of every thread

std::shared_ptr<TThreadHookState> FindHook(DWORD Thread, TThreadHookKind Kind, int Slot)
{
    std::lock_guard<std::mutex> Lock(gLock);
    for (const auto& H : gHooks)
        if (H->Thread == Thread && H->Kind == Kind && H->Slot == Slot)
            return H;
    return nullptr;
}

LRESULT Dispatch(TThreadHookKind Kind, int Slot, int Code, WPARAM WParam, LPARAM LParam)
{
    // The copy keeps the body alive when it removes its own hook.
    const std::shared_ptr<TThreadHookState> Hook = FindHook(GetCurrentThreadId(), Kind, Slot);
    if (!Hook || Code < 0)
        return CallNextHookEx(Hook ? Hook->Handle : nullptr, Code, WParam, LParam);
    TThreadHookCall Call(Hook->Handle, Code, WParam, LParam);
    const bool Handled = GuardCallback(false, [&] { return Hook->Body && Hook->Body(Call); });
    if (!Call.NextCalled() && !Call.NextSkipped())
        Call.CallNext();
    return Handled ? 1 : Call.NextResult();
}

template <int Kind, int Slot>
LRESULT CALLBACK SlotProc(int Code, WPARAM WParam, LPARAM LParam)
{
    return Dispatch(static_cast<TThreadHookKind>(Kind), Slot, Code, WParam, LParam);
}

template <int Kind, int... Slots>
constexpr std::array<HOOKPROC, sizeof...(Slots)> MakeProcs(std::integer_sequence<int, Slots...>)
{
    return {&SlotProc<Kind, Slots>...};
}

using TSlots = std::make_integer_sequence<int, TThreadHook::kMaxPerThread>;
const std::array<std::array<HOOKPROC, TThreadHook::kMaxPerThread>, kKinds> kProcs = {
    MakeProcs<hkKeyboard>(TSlots{}), MakeProcs<hkMouse>(TSlots{}), MakeProcs<hkCallWndProc>(TSlots{})};

} // namespace

LRESULT TThreadHookCall::CallNext()
{
    if (!FNextCalled) {
        FNextCalled = true;
        FNextResult = CallNextHookEx(FHook, Code, WParam, LParam);
    }
    return FNextResult;
}

void TThreadHook::Install(TThreadHookKind Kind, TBody Body)
{
    Remove();
    auto State = std::make_shared<TThreadHookState>();
    State->Kind = Kind;
    State->Thread = GetCurrentThreadId();
    State->Body = std::move(Body);
    std::lock_guard<std::mutex> Lock(gLock);
    // The lowest slot this thread does not use for the kind.
    bool Used[kMaxPerThread] = {};
    for (const auto& H : gHooks)
        if (H->Thread == State->Thread && H->Kind == Kind)
            Used[H->Slot] = true;
    State->Slot = 0;
    while (State->Slot < kMaxPerThread && Used[State->Slot])
        ++State->Slot;
    if (State->Slot == kMaxPerThread)
        throw EInvalidOperation("Too many hooks of one kind on a thread");
    // Its calls come only from this thread's message retrieval, never from inside this call, so
    // the entry may follow the handle.
    State->Handle = SetWindowsHookExA(kSystemKinds[Kind], kProcs[Kind][static_cast<size_t>(State->Slot)],
                                      nullptr, State->Thread);
    if (!State->Handle)
        RaiseLastOSError("Cannot install a thread hook");
    gHooks.push_back(State);
    FState = std::move(State);
}

void TThreadHook::Remove()
{
    if (!FState)
        return;
    std::shared_ptr<TThreadHookState> State = std::move(FState);
    UnhookWindowsHookEx(State->Handle);
    std::lock_guard<std::mutex> Lock(gLock);
    for (auto It = gHooks.begin(); It != gHooks.end(); ++It)
        if (*It == State) {
            gHooks.erase(It);
            break;
        }
}

HHOOK TThreadHook::GetHandle() const
{
    return FState ? FState->Handle : nullptr;
}
