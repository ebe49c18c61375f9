#include "platform/win/WindowSubclass.h"

#include "platform/rtl/SysUtils.h"
#include "platform/win/GuardCallback.h"
#include "platform/win/OSError.h"

namespace {

// The window's newest subclass of ours.
const char* const kProperty = "QuillmoorSubclass";

// A message (or a CallPrevious) under way in a subclass of ours on this thread. Every subclass
// has the same window procedure; the frames tell it which one a call is meant for.
struct TFrame {
    HWND Wnd;
    TWindowSubclass* Object;
    bool Passing = false; // the object has handed the message on to its previous procedure
    TFrame* Outer;

    static thread_local TFrame* Innermost;

    TFrame(HWND W, TWindowSubclass* O) : Wnd(W), Object(O), Outer(Innermost) { Innermost = this; }
    TFrame(const TFrame&) = delete;
    TFrame& operator=(const TFrame&) = delete;
    ~TFrame() { Innermost = Outer; }
};

thread_local TFrame* TFrame::Innermost = nullptr;

} // namespace

TWindowSubclass::TWindowSubclass(HWND Wnd, THandler Handler) : FWindow(Wnd), FHandler(std::move(Handler)) {}

TWindowSubclass* TWindowSubclass::Attach(HWND Wnd, THandler Handler)
{
    if (!IsWindow(Wnd) || GetWindowThreadProcessId(Wnd, nullptr) != GetCurrentThreadId())
        throw EInvalidOperation("Only a window of the calling thread can be subclassed");
    auto* S = new TWindowSubclass(Wnd, std::move(Handler));
    S->FBelow = static_cast<TWindowSubclass*>(GetPropA(Wnd, kProperty));
    if (!SetPropA(Wnd, kProperty, S)) {
        const DWORD Error = GetLastError();
        delete S;
        RaiseOSError(Error, "Cannot subclass a window");
    }
    // No message comes in between: they would come from this thread.
    const LONG_PTR Previous = SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    if (!Previous) {
        const DWORD Error = GetLastError();
        if (S->FBelow)
            SetPropA(Wnd, kProperty, S->FBelow);
        else
            RemovePropA(Wnd, kProperty);
        delete S;
        RaiseOSError(Error, "Cannot subclass a window");
    }
    S->FPrevious = reinterpret_cast<WNDPROC>(Previous);
    return S;
}

LRESULT CALLBACK TWindowSubclass::WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    // A subclass of ours handing a message on, directly or through others' subclasses between,
    // reaches the subclass of ours below it; anything else is a new message for the newest.
    // (A subclass of others between two of ours that sends the window a new message before
    // handing the first on is taken for handing it on: the newer subclass of ours misses that
    // one message.)
    TWindowSubclass* Target = nullptr;
    for (TFrame* F = TFrame::Innermost; F; F = F->Outer)
        if (F->Wnd == Wnd) {
            if (F->Passing)
                Target = F->Object->FBelow;
            break;
        }
    if (!Target)
        Target = static_cast<TWindowSubclass*>(GetPropA(Wnd, kProperty));
    if (!Target)
        return DefWindowProcA(Wnd, Msg, WParam, LParam);
    return Target->Dispatch(Msg, WParam, LParam);
}

LRESULT TWindowSubclass::Dispatch(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    LRESULT Result = 0;
    {
        TFrame Frame(FWindow, this);
        ++FCalls;
        bool Handled = false;
        if (!FDetached && FHandler)
            Handled = GuardCallback(false, [&] { return FHandler(Msg, WParam, LParam, Result); });
        // A window destroyed inside the handler gets nothing more.
        if ((!Handled || Msg == WM_NCDESTROY) && !FWindowGone) {
            Frame.Passing = true;
            const LRESULT Passed = CallWindowProcA(FPrevious, FWindow, Msg, WParam, LParam);
            if (!Handled)
                Result = Passed;
        }
        if (Msg == WM_NCDESTROY) {
            FWindowGone = true;
            RemovePropA(FWindow, kProperty);
        }
        --FCalls;
    }
    Settle(); // may free this object
    return Result;
}

LRESULT TWindowSubclass::CallPrevious(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (FWindowGone)
        return 0;
    LRESULT Result;
    {
        TFrame Frame(FWindow, this);
        Frame.Passing = true;
        ++FCalls;
        Result = CallWindowProcA(FPrevious, FWindow, Msg, WParam, LParam);
        --FCalls;
    }
    Settle();
    return Result;
}

void TWindowSubclass::Detach()
{
    FDetached = true;
    Settle();
}

bool TWindowSubclass::OnTop() const
{
    return GetPropA(FWindow, kProperty) == this &&
           GetWindowLongPtrA(FWindow, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&WindowProc);
}

// What waits until no message of this object is under way: freeing after the window's end,
// releasing the handler after Detach, and leaving the chain once on top.
void TWindowSubclass::Settle()
{
    if (FCalls > 0)
        return;
    if (FWindowGone) {
        delete this;
        return;
    }
    if (!FDetached)
        return;
    FHandler = nullptr;
    if (!OnTop())
        return; // a pass-through until the subclasses above it are gone
    SetWindowLongPtrA(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FPrevious));
    TWindowSubclass* Below = FBelow;
    if (Below)
        SetPropA(FWindow, kProperty, Below);
    else
        RemovePropA(FWindow, kProperty);
    delete this;
    // A pass-through below may be on top now.
    if (Below)
        Below->Settle();
}
