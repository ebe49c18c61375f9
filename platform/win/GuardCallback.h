#pragma once
// Every Win32 callback of the layer (window procedures, hooks, timer procedures, thread entries,
// enumeration callbacks) runs its body inside GuardCallback: no C++ exception may unwind into
// system code, so it is caught here, handed to the application and a neutral result returned.

#include <exception>
#include <string>
#include <utility>

// Hands an exception to Application->HandleException; without an application object (or from a
// worker once the user-interface thread serves no more calls) it is written to the log: the
// debugger output and stderr. Never throws.
void HandleCallbackException(std::exception_ptr E) noexcept;

// The program's end has begun (ApplicationDone marks it; ApplicationInit clears it): from then
// on no hidden window is made on any thread.
void BeginProgramEnd() noexcept;
void ClearProgramEnd() noexcept;
bool ProgramEnding() noexcept;

// The class name of an exception as the program names it ("EConvertError"; "std::bad_alloc"
// style names for standard exceptions; "unknown exception" for anything else).
std::string ExceptionClassName(const std::exception_ptr& E);
// Its message text.
std::string ExceptionMessage(const std::exception_ptr& E);

template <class R, class F>
R GuardCallback(R Neutral, F&& Body) noexcept
{
    try {
        return std::forward<F>(Body)();
    } catch (...) {
        HandleCallbackException(std::current_exception());
        return Neutral;
    }
}

template <class F>
void GuardCallback(F&& Body) noexcept
{
    try {
        std::forward<F>(Body)();
    } catch (...) {
        HandleCallbackException(std::current_exception());
    }
}

// For callbacks of C libraries: the exception is kept for the caller, who raises it again once
// the library has returned.
class TCallbackFailure {
public:
    template <class R, class F>
    R Guard(R Neutral, F&& Body) noexcept
    {
        try {
            return std::forward<F>(Body)();
        } catch (...) {
            if (!FFailure)
                FFailure = std::current_exception();
            return Neutral;
        }
    }
    bool Failed() const { return static_cast<bool>(FFailure); }
    void RaiseIfFailed()
    {
        if (FFailure) {
            std::exception_ptr E = std::move(FFailure);
            FFailure = nullptr;
            std::rethrow_exception(E);
        }
    }

private:
    std::exception_ptr FFailure;
};
