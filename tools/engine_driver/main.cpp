// The engine driver: a console program whose main thread is the user-interface thread.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "engine/EngineDriver.h"
#include "engine/ImagesLibraryMeasure.h"
#include "platform/win/Application.h"
#include "platform/win/GuardCallback.h"

namespace {

// Wine starts its crash debugger whatever the error mode says, and its dialog would wait for
// ever in a test run: a crash is written to the error output and ends the program instead.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* P)
{
    std::fprintf(stderr, "engine_driver: crash %08lx at %p\n", P->ExceptionRecord->ExceptionCode,
                 P->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

// "--imglib FILE": taken out of the arguments before the driver reads them; empty when absent.
std::string TakeImgLibOption(int& argc, char** argv)
{
    for (int I = 1; I + 1 < argc; ++I)
        if (std::string(argv[I]) == "--imglib") {
            const std::string File = argv[I + 1];
            for (int K = I; K + 2 <= argc; ++K)
                argv[K] = argv[K + 2];
            argc -= 2;
            return File;
        }
    return std::string();
}

} // namespace

int main(int argc, char** argv)
{
    // A crash ends the program with its code instead of waiting in a system dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(ReportCrash);
    ApplicationInit();
    // Nobody answers a box here: a failure in a callback is written to the error output.
    Application->OnException = [](TObject*, std::exception_ptr E) {
        std::fprintf(stderr, "engine_driver: %s: %s\n", ExceptionClassName(E).c_str(), ExceptionMessage(E).c_str());
        std::fflush(stderr);
    };
    // With --imglib FILE the saved pictures are measured into that images library, which is
    // saved after the run and its records written to standard output.
    const std::string ImgLib = TakeImgLibOption(argc, argv);
    std::unique_ptr<TImagesLibrarySession> Session;
    int Result = 1;
    try {
        if (!ImgLib.empty())
            Session = std::make_unique<TImagesLibrarySession>(ImgLib);
        Result = EngineDriverMain(argc, argv);
        if (Session && Result == 0)
            std::printf("%s\n", Session->Finish().c_str());
    } catch (const Exception& E) {
        std::fprintf(stderr, "engine_driver: %s: %s\n", E.ClassName().c_str(), E.Message().c_str());
        Result = 1;
    }
    Session.reset();
    ApplicationDone();
    return Result;
}
