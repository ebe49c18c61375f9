// Synchronize round trips per second from one worker, against cross-thread SendMessage round
// trips to a hidden window of the user-interface thread (the reference), in the same run.
#include <cstdio>
#include <functional>

#include <windows.h>

#include "platform/win/Application.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/Thread.h"

namespace {

constexpr DWORD MeasureMs = 2000;

class TLoopThread : public TThread {
public:
    explicit TLoopThread(std::function<void(TLoopThread&)> Body) : FBody(std::move(Body)) {}
    ~TLoopThread() override { TerminateAndWait(); }
    long long Count = 0;
    volatile bool Done = false;
    double Seconds = 0;

protected:
    void Execute() override
    {
        LARGE_INTEGER F, A, B;
        QueryPerformanceFrequency(&F);
        QueryPerformanceCounter(&A);
        const DWORD End = GetTickCount() + MeasureMs;
        while (GetTickCount() < End) {
            for (int I = 0; I < 100; ++I)
                FBody(*this);
            Count += 100;
        }
        QueryPerformanceCounter(&B);
        Seconds = double(B.QuadPart - A.QuadPart) / double(F.QuadPart);
        Done = true;
        PostThreadMessageA(MainThreadID(), WM_NULL, 0, 0); // wakes the loop

    }

private:
    std::function<void(TLoopThread&)> FBody;
};

double Measure(std::function<void(TLoopThread&)> Body)
{
    TLoopThread T(std::move(Body));
    T.Resume();
    // The application's own loop, one message at a time, sleeping when idle.
    while (!T.Done)
        Application->HandleMessage();
    T.WaitFor();
    return double(T.Count) / T.Seconds;
}

} // namespace

int main()
{
    ApplicationInit();
    int Served = 0;
    THiddenWindow Target([&](UINT Msg, WPARAM, LPARAM, LRESULT& Result) {
        if (Msg != WM_APP)
            return false;
        ++Served;
        Result = Served;
        return true;
    });
    HWND Wnd = Target.GetHandle();

    // Warm both paths once so neither pays for first-use costs inside the measurement.
    Measure([&](TLoopThread& T) { T.Synchronize([&] { ++Served; }); });
    const double Sync = Measure([&](TLoopThread& T) { T.Synchronize([&] { ++Served; }); });
    const double Send = Measure([&](TLoopThread&) { SendMessageA(Wnd, WM_APP, 0, 0); });

    std::printf("sync_roundtrip: Synchronize %.0f round trips/s, SendMessage %.0f round trips/s\n", Sync, Send);
    std::printf("sync_roundtrip: ratio Synchronize/SendMessage = %.3f\n", Send > 0 ? Sync / Send : 0.0);
    ApplicationDone();
    return 0;
}
