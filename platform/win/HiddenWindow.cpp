#include "platform/win/HiddenWindow.h"

#include <atomic>
#include <mutex>

#include "platform/win/GuardCallback.h"
#include "platform/win/OSError.h"

namespace {

const char* const kDefaultClassName = "QuillmoorHiddenWindow";
std::mutex gRegisterLock;
std::atomic<int32_t> gFailNext{0};

// Takes one of the creations a test asked to fail.
bool CreationMadeToFail()
{
    int32_t N = gFailNext.load();
    while (N > 0)
        if (gFailNext.compare_exchange_weak(N, N - 1))
            return true;
    return false;
}

} // namespace

THiddenWindow::THiddenWindow(TMessageHandler Handler, std::string ClassName)
    : FHandler(std::move(Handler)), FClassName(ClassName.empty() ? kDefaultClassName : std::move(ClassName))
{
}

THiddenWindow::~THiddenWindow()
{
    DestroyHandle();
}

HWND THiddenWindow::GetHandle()
{
    if (FHandle)
        return FHandle;
    if (ProgramEnding())
        RaiseOSError(ERROR_INVALID_STATE, "Cannot create a hidden window once the program ends");
    if (CreationMadeToFail())
        RaiseOSError(ERROR_NOT_ENOUGH_MEMORY, "Cannot create a hidden window");
    HINSTANCE Instance = GetModuleHandleA(nullptr);
    // Under Wine the creation has been seen to fail now and then with "class does not exist"
    // although the class is registered (a window made on a fresh thread, at the same time as
    // others): the class is made sure of and the window asked for again, a few times, before the
    // failure is raised.
    HWND Wnd = nullptr;
    DWORD Error = 0;
    for (int Attempt = 0; Attempt < 5 && !Wnd; ++Attempt) {
        if (Attempt > 0)
            Sleep(Attempt);
        {
            std::lock_guard<std::mutex> Lock(gRegisterLock);
            WNDCLASSA Existing;
            if (!GetClassInfoA(Instance, FClassName.c_str(), &Existing)) {
                WNDCLASSA C{};
                C.lpfnWndProc = &THiddenWindow::WindowProc;
                C.hInstance = Instance;
                C.lpszClassName = FClassName.c_str();
                if (!RegisterClassA(&C) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
                    RaiseLastOSError(Format("Cannot register window class '%s'", FClassName));
            }
        }
        SetLastError(0);
        Wnd = CreateWindowExA(WS_EX_TOOLWINDOW, FClassName.c_str(), "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              Instance, this);
        Error = GetLastError();
        if (!Wnd && Error != ERROR_CANNOT_FIND_WND_CLASS)
            break;
    }
    if (!Wnd)
        RaiseOSError(Error, Format("Cannot create a hidden window (class %s, thread %u)", FClassName,
                                   static_cast<unsigned>(GetCurrentThreadId())));
    FHandle = Wnd;
    FThreadID = GetCurrentThreadId();
    return FHandle;
}

void THiddenWindow::FailNextCreations(int32_t Count)
{
    gFailNext.store(Count);
}

void THiddenWindow::DestroyHandle()
{
    if (!FHandle)
        return;
    HWND Wnd = FHandle;
    FHandle = nullptr;
    // Cut the route first: messages still queued for the window must not reach a freed object.
    SetWindowLongPtrA(Wnd, GWLP_USERDATA, 0);
    if (FThreadID == GetCurrentThreadId())
        DestroyWindow(Wnd);
    else
        // Only the owning thread can destroy it; DefWindowProc does so on WM_CLOSE.
        PostMessageA(Wnd, WM_CLOSE, 0, 0);
}

LRESULT CALLBACK THiddenWindow::WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_NCCREATE) {
        auto* CS = reinterpret_cast<CREATESTRUCTA*>(LParam);
        SetWindowLongPtrA(Wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(CS->lpCreateParams));
    }
    auto* Self = reinterpret_cast<THiddenWindow*>(GetWindowLongPtrA(Wnd, GWLP_USERDATA));
    if (Self && Self->FHandler) {
        LRESULT Result = 0;
        const int Outcome = GuardCallback(-1, [&] { return Self->FHandler(Msg, WParam, LParam, Result) ? 1 : 0; });
        if (Outcome == 1)
            return Result;
        if (Outcome < 0)
            return 0; // the handler raised and has been reported: the neutral answer
    }
    return DefWindowProcA(Wnd, Msg, WParam, LParam);
}
