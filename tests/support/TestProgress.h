#pragma once
// Names each test on stderr as it starts, unbuffered: when a test program hangs and the test run
// kills it at its time-out, the last line says which test it was in (stdout, buffered behind a
// pipe, is lost with the process).

#include <cstdio>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

namespace TestSupport {

class TTestProgress : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo& Info) override
    {
        std::fprintf(stderr, "[ START    ] %s.%s\n", Info.test_suite_name(), Info.name());
        std::fflush(stderr);
    }
};

#ifdef _WIN32
// A crash inside a window procedure reaches Wine's debugger, which ends the program with exit
// code 0: the run would count a crashed program as passed. This filter names the crash and ends
// the program with a failing code instead.
inline LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* Info)
{
    const EXCEPTION_RECORD* R = Info ? Info->ExceptionRecord : nullptr;
    std::fprintf(stderr, "The test program crashed: exception 0x%08lx at %p\n",
                 R ? static_cast<unsigned long>(R->ExceptionCode) : 0ul, R ? R->ExceptionAddress : nullptr);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// A crash ends the program with a failing code instead of waiting in a system dialog.
inline void EndProgramOnCrash()
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(EndOnCrash);
}
#endif

} // namespace TestSupport
