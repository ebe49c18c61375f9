#pragma once
// A hidden top-level window routed to an object. Top-level (not a message-only window) so that
// broadcasts such as WM_SETTINGCHANGE reach it. The window is made when its handle is first
// asked for, on the asking thread, which then owns it and must be the one that serves it.

#include <cstdint>
#include <functional>
#include <string>

#include <windows.h>

#include "platform/rtl/SysUtils.h"

class THiddenWindow : public TObject {
public:
    // Returns true when it handled the message (Result is then returned); otherwise the
    // message goes to DefWindowProcA. Runs inside GuardCallback: an exception reaches
    // Application->HandleException and the message returns 0.
    using TMessageHandler = std::function<bool(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result)>;

    // An empty ClassName uses the layer's shared class; a fixed name lets other programs
    // find the window.
    explicit THiddenWindow(TMessageHandler Handler, std::string ClassName = std::string());
    THiddenWindow(const THiddenWindow&) = delete;
    THiddenWindow& operator=(const THiddenWindow&) = delete;
    ~THiddenWindow() override;
    std::string ClassName() const override { return "THiddenWindow"; }

    // Makes the window on first use; failure raises EOSError. Once the program's end has begun
    // (ProgramEnding) no window is made: callers look first, and a late ask raises EOSError.
    HWND GetHandle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    DWORD GetOwnerThreadID() const { return FThreadID; }
    void DestroyHandle();

    // Tests only: the next Count creations, on any thread, fail as a refused one does.
    static void FailNextCreations(int32_t Count);

private:
    static LRESULT CALLBACK WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

    TMessageHandler FHandler;
    std::string FClassName;
    HWND FHandle = nullptr;
    DWORD FThreadID = 0;
};
