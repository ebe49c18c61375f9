// The engine driver: a console program whose main thread is the user-interface thread.
#include <windows.h>

#include "engine/EngineDriver.h"
#include "platform/win/Application.h"

int main(int argc, char** argv)
{
    // A crash ends the program with its code instead of waiting in a system dialog.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ApplicationInit();
    const int Result = EngineDriverMain(argc, argv);
    ApplicationDone();
    return Result;
}
