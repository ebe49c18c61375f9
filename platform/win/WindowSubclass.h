#pragma once
// Subclassing of a window whose procedure is not ours (an EDIT or LISTBOX made with
// CreateWindowEx): a handler sees every message first, the rest goes on to the procedure the
// window had before. Several subclasses of one window stack up, ours and others' alike.
//
// The object belongs to the window. It lives until Detach() (at once when its procedure is
// still the window's, else once the subclasses above it are gone) or until the window is
// destroyed: its handler sees WM_NCDESTROY last, and the pointer is invalid afterwards.
// Everything runs on the window's thread.

#include <functional>

#include <windows.h>

class TWindowSubclass {
public:
    // Answers true when it handled the message (Result is then returned); otherwise the message
    // goes on to the previous procedure. Runs inside GuardCallback: an exception reaches
    // Application->HandleException and the message goes on. WM_NCDESTROY always goes on: the
    // window's own procedure frees its data there.
    using THandler = std::function<bool(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)>;

    // Replaces the window's procedure; raises EInvalidOperation for a window of another thread
    // or no window, EOSError when the system refuses.
    static TWindowSubclass* Attach(HWND Wnd, THandler Handler);

    // The handler is no longer called. When the window's procedure is still this object's, the
    // previous one comes back; otherwise a subclass attached later sits on top and would call
    // the freed procedure, so this object stays in the chain and passes every message on.
    // The pointer is invalid afterwards.
    void Detach();

    // Hands a message to the previous procedure on purpose (a list box forwarding a press to
    // its own procedure).
    LRESULT CallPrevious(UINT Msg, WPARAM WParam, LPARAM LParam);

    HWND GetWindow() const { return FWindow; }

private:
    TWindowSubclass(HWND Wnd, THandler Handler);
    TWindowSubclass(const TWindowSubclass&) = delete;
    TWindowSubclass& operator=(const TWindowSubclass&) = delete;
    ~TWindowSubclass() = default;

    static LRESULT CALLBACK WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    LRESULT Dispatch(UINT Msg, WPARAM WParam, LPARAM LParam);
    LRESULT PassOn(UINT Msg, WPARAM WParam, LPARAM LParam);
    bool OnTop() const;
    void Settle();

    HWND FWindow;
    THandler FHandler;
    WNDPROC FPrevious = nullptr;
    TWindowSubclass* FBelow = nullptr; // the window's next older subclass of ours
    int FCalls = 0;                    // messages of this object under way
    bool FDetached = false;
    bool FWindowGone = false;
};
