#pragma once
// The application object: the user-interface thread's message loop, idle processing,
// pre-translation hooks, exception reporting and message boxes. Made by ApplicationInit on the
// thread that becomes the user-interface thread, freed by ApplicationDone.

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>
// The application's own MessageBox; the Win32 macro would rename it.
#undef MessageBox

#include "platform/rtl/Classes.h"
#include "platform/win/Locks.h"

// Done: true (the default) lets the loop sleep until the next message; false asks for another
// idle call at once.
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;
using TExceptionEvent = std::function<void(TObject* Sender, std::exception_ptr E)>;
// Returns true when it handled the message (it is then neither translated nor dispatched).
using TMessageHook = std::function<bool(MSG& Msg)>;
// A help request with WinHelp's command and data (HELP_CONTEXT with a context number,
// HELP_CONTEXTPOPUP, HELP_SETPOPUP_POS with a point packed as MAKELONG(x, y)). The handler sets
// Handled when it served the request.
using THelpEvent = std::function<void(uint32_t Command, intptr_t Data, bool& Handled)>;

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;
    std::string ClassName() const override { return "TApplication"; }

    const std::string& GetTitle() const { return FTitle; }
    void SetTitle(const std::string& Value) { FTitle = Value; }
    const std::string& GetExeName() const { return FExeName; }

    // The loop until Terminate.
    void Run();
    // One message, or idle processing when none is waiting.
    void HandleMessage();
    // Every waiting message. On a worker thread only that thread's own messages: never a
    // Synchronize request.
    void ProcessMessages();
    // Ends Run (any thread may call it).
    void Terminate();
    bool GetTerminated() const { return FTerminated; }
    bool IsUIThread() const { return GetCurrentThreadId() == FThreadID; }
    DWORD GetThreadID() const { return FThreadID; }

    // Hooks see each message before it is translated and dispatched, in the order added.
    int32_t AddMessageHook(TMessageHook Hook); // returns an id for RemoveMessageHook
    void RemoveMessageHook(int32_t Id);

    // Reports an exception: OnException when set, else a box with its text, caption "Error" and
    // the error icon. The program goes on. Called off the user-interface thread, the report is
    // made there. Never throws.
    void HandleException(std::exception_ptr E) noexcept;
    // The exception being handled (inside a catch block).
    void HandleException() noexcept { HandleException(std::current_exception()); }
    // A message box owned by the active window of the user-interface thread.
    int32_t MessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags);

    // Help requests go to OnHelp and nowhere else (no help viewer is started here): without a
    // handler nothing happens and the answer is false; otherwise the handler's Handled.
    bool HelpContext(int32_t Context);
    bool HelpCommand(uint32_t Command, intptr_t Data);

    TIdleEvent OnIdle;
    TExceptionEvent OnException;
    THelpEvent OnHelp;

    // The owned-component list is locked: components owned by the application may be made and
    // freed on worker threads.
    void InsertComponent(TComponent* AComponent) override;
    void RemoveComponent(TComponent* AComponent) override;
    TComponent* FindComponent(std::string_view AName) const override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool ProcessMessage(MSG& Msg);
    void Idle();
    void ShowException(const std::exception_ptr& E) noexcept;

    std::string FTitle;
    std::string FExeName;
    DWORD FThreadID;
    volatile bool FTerminated = false;
    struct THook {
        int32_t Id;
        TMessageHook Hook;
    };
    std::vector<THook> FHooks;
    int32_t FNextHookId = 1;
    mutable TCriticalSection FComponentsLock;
};

extern TApplication* Application;

// Makes Application on the calling thread (which becomes the user-interface thread), starts the
// Synchronize queue and, the first time, fills the default locale formats from the user locale.
void ApplicationInit();
// Frees Application: pending Synchronize requests return false at once, owned components go.
void ApplicationDone();
