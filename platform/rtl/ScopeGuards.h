#pragma once
// Scope guards: clean-up that runs however a scope is left, by return or by exception.

#include <exception>
#include <utility>

// Sets a flag for the life of the scope; the flag gets its earlier value back at the end.
class TFlagScope {
public:
    explicit TFlagScope(bool& Flag, bool Value = true) : FFlag(Flag), FEarlier(Flag) { FFlag = Value; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;
    ~TFlagScope() { FFlag = FEarlier; }

private:
    bool& FFlag;
    bool FEarlier;
};

// Calls Undo when the scope ends, unless Dismiss came first: work that only a failure must undo
// dismisses its guard once it has succeeded.
// Undo failing on a normal exit raises like any call. Undo failing while an exception already
// leaves the scope is dropped: the first failure is the one to report, and a second exception
// in flight would end the program.
template <class F>
class TScopeExit {
public:
    explicit TScopeExit(F Undo) : FUndo(std::move(Undo)), FPending(std::uncaught_exceptions()) {}
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;
    ~TScopeExit() noexcept(false)
    {
        if (FDismissed)
            return;
        if (std::uncaught_exceptions() == FPending) {
            FUndo();
            return;
        }
        try {
            FUndo();
        } catch (...) {
            // Unwinding already: see above.
        }
    }

    void Dismiss() { FDismissed = true; }

private:
    F FUndo;
    int FPending;
    bool FDismissed = false;
};
