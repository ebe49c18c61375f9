// A program that hangs by design: its worker waits for an event nobody sets and its main thread
// waits for the worker. The test run starts it through the test wrapper with a short hang
// time-out and checks that the output then holds both threads' stacks with these functions named.

#include <windows.h>

#include <cstdio>

namespace {

__attribute__((noinline)) void WaitsForeverOnPurpose(HANDLE NeverSet)
{
    WaitForSingleObject(NeverSet, INFINITE);
}

DWORD WINAPI HangingWorker(LPVOID NeverSet)
{
    WaitsForeverOnPurpose(static_cast<HANDLE>(NeverSet));
    return 0;
}

__attribute__((noinline)) void MainWaitsForTheWorker(HANDLE Worker)
{
    WaitForSingleObject(Worker, INFINITE);
}

} // namespace

int main()
{
    HANDLE NeverSet = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE Worker = CreateThread(nullptr, 0, HangingWorker, NeverSet, 0, nullptr);
    if (!NeverSet || !Worker)
        return 1;
    std::printf("hang probe: waiting forever\n");
    std::fflush(stdout);
    MainWaitsForTheWorker(Worker);
    return 0;
}
