#include "platform/win/Application.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Files.h"
#include "platform/win/GuardCallback.h"
#include "platform/win/LocaleWin.h"
#include "platform/win/Thread.h"

TApplication* Application = nullptr;

namespace {

// The program's log: the debugger output and stderr (which the test runs keep).
void DebugOut(const std::string& Text)
{
    const std::string Line = "Quillmoor: " + Text + "\n";
    OutputDebugStringA(Line.c_str());
    std::fputs(Line.c_str(), stderr);
    std::fflush(stderr);
}

} // namespace

void HandleCallbackException(std::exception_ptr E) noexcept
{
    try {
        if (Application) {
            Application->HandleException(E);
            return;
        }
        DebugOut("Unhandled " + ExceptionClassName(E) + ": " + ExceptionMessage(E));
    } catch (...) {
        // The last resort of every callback: nothing may leave it.
    }
}

TApplication::TApplication() : TComponent(nullptr), FThreadID(GetCurrentThreadId())
{
    FExeName = ProgramFileName();
    FTitle = ChangeFileExt(ExtractFileName(FExeName), "");
}

TApplication::~TApplication()
{
    // Free the owned components while the lock still exists.
    Destroying();
    TCriticalSectionGuard Lock(FComponentsLock);
    DestroyComponents();
}

void TApplication::Run()
{
    while (!FTerminated)
        HandleMessage();
}

bool TApplication::ProcessMessage(MSG& Msg)
{
    if (!PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (Msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    for (size_t I = 0; I < FHooks.size(); ++I) {
        // A hook may remove hooks: copy the one being called.
        const TMessageHook Hook = FHooks[I].Hook;
        if (Hook && Hook(Msg))
            return true;
    }
    TranslateMessage(&Msg);
    DispatchMessageA(&Msg);
    return true;
}

void TApplication::HandleMessage()
{
    MSG Msg;
    if (!IsUIThread()) {
        if (PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&Msg);
            DispatchMessageA(&Msg);
        }
        return;
    }
    bool Handled = false;
    try {
        Handled = ProcessMessage(Msg);
    } catch (...) {
        // A handler's failure is shown, and the loop goes on.
        HandleException();
        return;
    }
    if (!Handled)
        Idle();
}

void TApplication::Idle()
{
    bool Done = true;
    if (OnIdle) {
        try {
            OnIdle(this, Done);
        } catch (...) {
            // Shown; Synchronize is still served below.
            HandleException();
        }
    }
    // One slice: when requests are left, their wake-up is on its way (see CheckSynchronizeSlice).
    CheckSynchronizeSlice();
    // Waits for a message, not for a new one: looking at the queue (as the slice does) makes
    // what waits there no longer new, and WaitMessage would sleep over it.
    if (Done && !FTerminated)
        MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void TApplication::ProcessMessages()
{
    MSG Msg;
    if (!IsUIThread()) {
        // This thread's own windows only; the Synchronize window belongs to the other thread.
        while (PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&Msg);
            DispatchMessageA(&Msg);
        }
        return;
    }
    // Workers that hand over call after call post a wake-up for the next slice as soon as one is
    // served: a wake-up that leaves requests behind ends the loop the second time, or it would
    // not end while they work. (A wake-up that found the queue served already does not count.)
    const HWND SyncWnd = SyncWindowHandle();
    int SyncWakes = 0;
    for (;;) {
        try {
            if (!ProcessMessage(Msg))
                break;
        } catch (...) {
            // Shown; the queue is still emptied.
            HandleException();
        }
        if (SyncWnd && Msg.hwnd == SyncWnd && SynchronizePending() && ++SyncWakes >= 2)
            break;
    }
}

void TApplication::Terminate()
{
    FTerminated = true;
    // Wakes a loop sleeping in Idle.
    PostThreadMessageA(FThreadID, WM_NULL, 0, 0);
}

int32_t TApplication::AddMessageHook(TMessageHook Hook)
{
    const int32_t Id = FNextHookId++;
    FHooks.push_back({Id, std::move(Hook)});
    return Id;
}

void TApplication::RemoveMessageHook(int32_t Id)
{
    FHooks.erase(std::remove_if(FHooks.begin(), FHooks.end(), [Id](const THook& H) { return H.Id == Id; }),
                 FHooks.end());
}

void TApplication::HandleException(std::exception_ptr E) noexcept
{
    if (!E)
        return;
    try {
        if (!IsUIThread()) {
            // Handlers and boxes belong to the user-interface thread.
            if (TThread::SynchronizeCall([this, E] { HandleException(E); }))
                return;
            DebugOut("Unhandled " + ExceptionClassName(E) + ": " + ExceptionMessage(E));
            return;
        }
        if (OnException) {
            OnException(this, E);
            return;
        }
    } catch (...) {
        // Nothing may leave the handler: its own failure only goes to the debugger.
        DebugOut("The exception handler failed: " + ExceptionMessage(std::current_exception()));
        return;
    }
    ShowException(E);
}

void TApplication::ShowException(const std::exception_ptr& E) noexcept
{
    try {
        std::string Text = ExceptionMessage(E);
        if (!Text.empty() && Text.back() != '.')
            Text += '.';
        MessageBox(Text, "Error", MB_OK | MB_ICONERROR);
    } catch (...) {
        // A message that cannot be shown is dropped: nothing may leave the handler.
    }
}

int32_t TApplication::MessageBox(const std::string& Text, const std::string& Caption, uint32_t Flags)
{
    HWND Owner = IsUIThread() ? GetActiveWindow() : nullptr;
    return ::MessageBoxA(Owner, Text.c_str(), Caption.c_str(), Flags);
}

bool TApplication::HelpContext(int32_t Context)
{
    return HelpCommand(HELP_CONTEXT, Context);
}

bool TApplication::HelpCommand(uint32_t Command, intptr_t Data)
{
    if (!OnHelp)
        return false;
    bool Handled = false;
    OnHelp(Command, Data, Handled);
    return Handled;
}

void TApplication::InsertComponent(TComponent* AComponent)
{
    TCriticalSectionGuard Lock(FComponentsLock);
    TComponent::InsertComponent(AComponent);
}

void TApplication::RemoveComponent(TComponent* AComponent)
{
    TCriticalSectionGuard Lock(FComponentsLock);
    TComponent::RemoveComponent(AComponent);
}

TComponent* TApplication::FindComponent(std::string_view AName) const
{
    TCriticalSectionGuard Lock(FComponentsLock);
    return TComponent::FindComponent(AName);
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation)
{
    TCriticalSectionGuard Lock(FComponentsLock);
    TComponent::Notification(AComponent, Operation);
}

void ApplicationInit()
{
    if (Application)
        throw EInvalidOperation("The application object already exists");
    static std::once_flag LocaleOnce;
    std::call_once(LocaleOnce, [] { InitDefaultLocaleFormats(ReadUserLocaleFormats()); });
    ClearProgramEnd();
    Application = new TApplication();
    TScopeExit Discard([] {
        delete Application;
        Application = nullptr;
    });
    InitSynchronize();
    Discard.Dismiss();
}

void ApplicationDone()
{
    if (!Application)
        return;
    // From here on no thread makes a hidden window.
    BeginProgramEnd();
    DoneSynchronize();
    EndParkedThreads();
    TApplication* A = Application;
    A->Free();
    Application = nullptr;
}
