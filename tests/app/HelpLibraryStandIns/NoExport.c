/* A library named HHCTRL.OCX without the "HtmlHelpA" entry, for the loader's missing-entry test. */
#include <windows.h>

__declspec(dllexport) int WINAPI HtmlHelpW(void) { return 0; }
