#pragma once
// A Windows hook of the calling thread (keyboard, mouse or call-window-procedure) whose work is
// a C++ body. The wrapper keeps the thread's hook chain whole: the next hook is called exactly
// once, after the body, unless the body called it itself or asked to skip it, and also when the
// body raised. A broken chain would break every other hook of the thread.
//
// Hooks of one kind on one thread are called newest first. Install and Remove may run on any
// thread; the hook itself always runs on the thread that installed it.

#include <functional>
#include <memory>

#include <windows.h>

enum TThreadHookKind { hkKeyboard, hkMouse, hkCallWndProc };

struct TThreadHookState;

// One call of a hook, as its body sees it.
class TThreadHookCall {
public:
    const int Code;
    const WPARAM WParam;
    const LPARAM LParam;

    TThreadHookCall(HHOOK Hook, int ACode, WPARAM AWParam, LPARAM ALParam)
        : Code(ACode), WParam(AWParam), LParam(ALParam), FHook(Hook)
    {
    }
    TThreadHookCall(const TThreadHookCall&) = delete;
    TThreadHookCall& operator=(const TThreadHookCall&) = delete;

    // Calls the next hook now and gives its result; the wrapper then does not call it again.
    // A second call gives the first result without calling anything.
    LRESULT CallNext();
    // The next hook is not called for this event: the hook answers 0 when not handled.
    void SkipNext() { FSkip = true; }

    bool NextCalled() const { return FNextCalled; }
    bool NextSkipped() const { return FSkip && !FNextCalled; }
    LRESULT NextResult() const { return FNextResult; }

private:
    HHOOK FHook;
    bool FNextCalled = false;
    bool FSkip = false;
    LRESULT FNextResult = 0;
};

class TThreadHook {
public:
    // Answers true when it handled the event: the hook then returns 1 (a keyboard or mouse
    // event is discarded). Runs inside GuardCallback: an exception reaches
    // Application->HandleException and counts as not handled. Negative codes never reach the
    // body: the system wants them passed on untouched.
    using TBody = std::function<bool(TThreadHookCall& Call)>;

    TThreadHook() = default;
    TThreadHook(const TThreadHook&) = delete;
    TThreadHook& operator=(const TThreadHook&) = delete;
    ~TThreadHook() { Remove(); }

    // Hooks the calling thread (a hook installed already is removed first). Failure raises
    // EOSError; more than kMaxPerThread hooks of one kind on one thread raise EInvalidOperation.
    void Install(TThreadHookKind Kind, TBody Body);
    // Unhooks; nothing is called afterwards. A call running now finishes with its body.
    void Remove();
    bool Installed() const { return FState != nullptr; }
    HHOOK GetHandle() const;

    static constexpr int kMaxPerThread = 16;

private:
    std::shared_ptr<TThreadHookState> FState;
};
