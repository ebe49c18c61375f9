// Another window program for the stacking tests: it shows, activates and destroys top-level
// windows one after another, as programs that come and go beside the program under test do, so
// the display hands the activation back and forth between the programs.
//   cb_window_churn.exe [count]   (windows to show, 40 by default)
#include <cstdlib>

#include <windows.h>

namespace {

LRESULT CALLBACK ChurnProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    return DefWindowProcA(Wnd, Msg, WParam, LParam);
}

// Serves the messages waiting now (a bounded number: some come back as they are served).
void Drain()
{
    MSG Msg;
    for (int I = 0; I < 100 && PeekMessageA(&Msg, nullptr, 0, 0, PM_REMOVE); ++I) {
        TranslateMessage(&Msg);
        DispatchMessageA(&Msg);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const int Count = argc > 1 ? std::atoi(argv[1]) : 3;
    WNDCLASSA Class{};
    Class.lpfnWndProc = ChurnProc;
    Class.hInstance = GetModuleHandleA(nullptr);
    Class.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    Class.lpszClassName = "QMWindowChurn";
    if (!RegisterClassA(&Class))
        return 1;
    for (int I = 0; I < Count; ++I) {
        // Over the program under test, in turn beside its bar and away from it.
        const int X = 200 + (I % 4) * 60, Y = 150 + (I % 3) * 40;
        HWND Wnd = CreateWindowExA(0, Class.lpszClassName, "Churn", WS_OVERLAPPEDWINDOW, X, Y, 220, 140, nullptr,
                                   nullptr, Class.hInstance, nullptr);
        if (!Wnd)
            return 1;
        ShowWindow(Wnd, SW_SHOW);
        SetForegroundWindow(Wnd);
        Drain();
        DestroyWindow(Wnd);
        Drain();
    }
    return 0;
}
