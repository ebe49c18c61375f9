// Times, from another process, how long the program's main window takes to answer.
//
//   ui_probe.exe STOPFILE [PERIOD_MS] [X_FRACTION Y_FRACTION]
//
// It finds the top-level window titled "Quillmoor <version>" and the child window shown at the
// given point of its client area (by default a tenth across and half way down: the task tree).
// Two threads then sample every PERIOD_MS (100 by default), each starting its next sample once
// the last one ended:
//   P  a small square of that child is invalidated and the time taken until the window has
//      painted it (its update region empty again). A window paints only once no posted or
//      input message waits for it, so this is how long input and painting wait.
//   S  SendMessageTimeout(WM_NULL): how long a sent message waits. The user-interface thread
//      serves sent messages before posted and input ones, so this can be short while the
//      window neither paints nor takes input.
// Each finished sample is one line "P|S <duration ms>" on stdout, written when it ends. When
// STOPFILE exists (or the window is gone) the samples still waiting are written as
// "P-open|S-open <ms waited so far>" and the probe ends.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <windows.h>

namespace {

LARGE_INTEGER gFrequency;
CRITICAL_SECTION gOut;
HWND gMain = nullptr;
HWND gTarget = nullptr;
DWORD gPeriod = 100;

// Start of the sample in flight per kind (0: none), guarded by gOut.
LONGLONG gPaintSince = 0;
LONGLONG gSentSince = 0;
volatile LONG gStopping = 0;

LONGLONG Now()
{
    LARGE_INTEGER C;
    QueryPerformanceCounter(&C);
    return C.QuadPart;
}

double Ms(LONGLONG Ticks) { return double(Ticks) * 1000.0 / double(gFrequency.QuadPart); }

void Emit(const char* Kind, double Value)
{
    EnterCriticalSection(&gOut);
    std::printf("%s %.3f\n", Kind, Value);
    std::fflush(stdout);
    LeaveCriticalSection(&gOut);
}

void SetSince(LONGLONG* Slot, LONGLONG Value)
{
    EnterCriticalSection(&gOut);
    *Slot = Value;
    LeaveCriticalSection(&gOut);
}

// Waits out the rest of the period that began at Start.
void Pace(LONGLONG Start)
{
    double Left = double(gPeriod) - Ms(Now() - Start);
    if (Left > 0)
        Sleep(DWORD(Left));
}

BOOL CALLBACK FindMain(HWND W, LPARAM)
{
    char Title[64] = {};
    GetWindowTextA(W, Title, sizeof Title);
    if (std::strncmp(Title, "Quillmoor ", 10) == 0 && Title[10] >= '0' && Title[10] <= '9' && IsWindowVisible(W)) {
        gMain = W;
        return FALSE;
    }
    return TRUE;
}

// The deepest visible child of W at the client point P.
HWND ChildAt(HWND W, POINT P)
{
    for (;;) {
        HWND C = ChildWindowFromPointEx(W, P, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!C || C == W)
            return W;
        MapWindowPoints(W, C, &P, 1);
        W = C;
    }
}

DWORD WINAPI PaintProbe(LPVOID)
{
    RECT Square = {2, 2, 10, 10};
    while (!gStopping) {
        LONGLONG Start = Now();
        SetSince(&gPaintSince, Start);
        InvalidateRect(gTarget, &Square, FALSE);
        RECT Update;
        while (!gStopping && GetUpdateRect(gTarget, &Update, FALSE))
            Sleep(1);
        if (gStopping)
            break;
        LONGLONG End = Now();
        SetSince(&gPaintSince, 0);
        Emit("P", Ms(End - Start));
        Pace(Start);
    }
    return 0;
}

DWORD WINAPI SentProbe(LPVOID)
{
    while (!gStopping) {
        LONGLONG Start = Now();
        SetSince(&gSentSince, Start);
        DWORD_PTR Result = 0;
        // Bounded so that a probe never outlives a window that stopped answering for good.
        if (!SendMessageTimeoutA(gMain, WM_NULL, 0, 0, SMTO_NORMAL, 3600 * 1000, &Result) && !IsWindow(gMain))
            break;
        if (gStopping)
            break;
        LONGLONG End = Now();
        SetSince(&gSentSince, 0);
        Emit("S", Ms(End - Start));
        Pace(Start);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: ui_probe STOPFILE [PERIOD_MS] [X_FRACTION Y_FRACTION]\n");
        return 2;
    }
    const char* StopFile = argv[1];
    if (argc > 2)
        gPeriod = DWORD(std::atoi(argv[2]));
    double FX = argc > 4 ? std::atof(argv[3]) : 0.1;
    double FY = argc > 4 ? std::atof(argv[4]) : 0.5;
    QueryPerformanceFrequency(&gFrequency);
    InitializeCriticalSection(&gOut);

    for (int Tries = 0; !gMain && Tries < 600; ++Tries) {
        EnumWindows(FindMain, 0);
        if (!gMain)
            Sleep(100);
    }
    if (!gMain) {
        std::fprintf(stderr, "ui_probe: no window titled \"Quillmoor <version>\"\n");
        return 1;
    }
    RECT Client;
    GetClientRect(gMain, &Client);
    POINT P = {LONG(Client.right * FX), LONG(Client.bottom * FY)};
    gTarget = ChildAt(gMain, P);
    char Class[128] = {};
    GetClassNameA(gTarget, Class, sizeof Class);
    EnterCriticalSection(&gOut);
    std::printf("ready %s\n", Class);
    std::fflush(stdout);
    LeaveCriticalSection(&gOut);

    HANDLE Threads[2] = {CreateThread(nullptr, 0, PaintProbe, nullptr, 0, nullptr),
                         CreateThread(nullptr, 0, SentProbe, nullptr, 0, nullptr)};
    while (GetFileAttributesA(StopFile) == INVALID_FILE_ATTRIBUTES && IsWindow(gMain))
        Sleep(20);
    LONGLONG End = Now();
    EnterCriticalSection(&gOut);
    InterlockedExchange(&gStopping, 1);
    if (gPaintSince)
        std::printf("P-open %.3f\n", Ms(End - gPaintSince));
    if (gSentSince)
        std::printf("S-open %.3f\n", Ms(End - gSentSince));
    std::printf("end%s\n", IsWindow(gMain) ? "" : " (the window is gone)");
    std::fflush(stdout);
    LeaveCriticalSection(&gOut);
    // The sent-message thread may still wait inside SendMessageTimeout: the process ends here.
    ExitProcess(0);
    (void)Threads;
}
