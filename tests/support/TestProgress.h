#pragma once
// Names each test on stderr as it starts, unbuffered: when a test program hangs and the test run
// kills it at its time-out, the last line says which test it was in (stdout, buffered behind a
// pipe, is lost with the process).

#include <cstdint>
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
// After the crash's address it lists the words on the crashed thread's stack that point into the
// program's code, nearest first: most are return addresses, so addr2line on them gives the calls
// that led there (the optimised code keeps no frame-pointer chain to walk).
inline LONG WINAPI EndOnCrash(EXCEPTION_POINTERS* Info)
{
    const EXCEPTION_RECORD* R = Info ? Info->ExceptionRecord : nullptr;
    std::fprintf(stderr, "The test program crashed: exception 0x%08lx at %p\n",
                 R ? static_cast<unsigned long>(R->ExceptionCode) : 0ul, R ? R->ExceptionAddress : nullptr);
#if defined(_M_IX86) || defined(__i386__)
    const auto* Base = reinterpret_cast<const BYTE*>(GetModuleHandleA(nullptr));
    const auto* Dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(Base);
    const auto* Nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(Base + Dos->e_lfanew);
    const uintptr_t CodeStart = reinterpret_cast<uintptr_t>(Base) + Nt->OptionalHeader.BaseOfCode;
    const uintptr_t CodeEnd = CodeStart + Nt->OptionalHeader.SizeOfCode;
    if (Info && Info->ContextRecord) {
        // The stack's committed pages run from the stack pointer up to its top.
        MEMORY_BASIC_INFORMATION Stack{};
        VirtualQuery(reinterpret_cast<void*>(Info->ContextRecord->Esp), &Stack, sizeof(Stack));
        const uintptr_t StackTop = reinterpret_cast<uintptr_t>(Stack.BaseAddress) + Stack.RegionSize;
        std::fprintf(stderr, "Code addresses on the stack:");
        int Found = 0;
        for (uintptr_t At = Info->ContextRecord->Esp; At + 4 <= StackTop && Found < 48; At += 4) {
            const uintptr_t Word = *reinterpret_cast<const uintptr_t*>(At);
            if (Word >= CodeStart && Word < CodeEnd) {
                std::fprintf(stderr, " %08lx", static_cast<unsigned long>(Word));
                ++Found;
            }
        }
        std::fprintf(stderr, "\n");
    }
#endif
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
