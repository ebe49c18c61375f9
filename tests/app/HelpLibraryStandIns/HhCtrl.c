/* A stand-in for the system's HTML Help library, built as HHCTRL.OCX for the help loader's tests:
   "HtmlHelpA" records each call and returns a value derived from its number, so a test sees every
   call the loader makes and the result it hands back. */
#include <string.h>
#include <windows.h>

#define MAX_CALLS 64

typedef struct {
    HWND Window;
    char File[260];
    UINT Command;
    DWORD_PTR Data;
} TRecordedCall;

static TRecordedCall Calls[MAX_CALLS];
static int CallCount;

__declspec(dllexport) HWND WINAPI HtmlHelpA(HWND Window, LPCSTR File, UINT Command, DWORD_PTR Data)
{
    if (CallCount < MAX_CALLS) {
        TRecordedCall* C = &Calls[CallCount];
        C->Window = Window;
        C->File[0] = 0;
        if (File)
            lstrcpynA(C->File, File, sizeof(C->File));
        C->Command = Command;
        C->Data = Data;
        if (Command == 28 && Data)
            *(DWORD*)Data = 0x5EED; /* the library fills the caller's cookie */
    }
    ++CallCount;
    return (HWND)(UINT_PTR)(0x1000 + CallCount);
}

__declspec(dllexport) int WINAPI HhTestCallCount(void) { return CallCount; }

/* Call Index as its fields; 0 when there is no such call. */
__declspec(dllexport) int WINAPI HhTestCall(int Index, HWND* Window, char* File, int FileSize, UINT* Command,
                                            DWORD_PTR* Data)
{
    if (Index < 0 || Index >= CallCount || Index >= MAX_CALLS)
        return 0;
    *Window = Calls[Index].Window;
    lstrcpynA(File, Calls[Index].File, FileSize);
    *Command = Calls[Index].Command;
    *Data = Calls[Index].Data;
    return 1;
}
