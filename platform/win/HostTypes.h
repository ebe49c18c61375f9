#pragma once
// Host builds (sanitizers, fuzzing) compile the portable picture code without <windows.h>. The
// Win32 types its declarations name are opaque stand-ins here: only the GDI half of a picture
// uses them, and host builds replace that half.

#include <cstdint>

#ifdef _WIN32
#error "Windows builds take these types from <windows.h>"
#endif

using UINT = unsigned int;
using HANDLE = void*;
using HPALETTE = struct HPALETTE__*;
using HBITMAP = struct HBITMAP__*;
using HDC = struct HDC__*;
using HGDIOBJ = void*;
struct TRect {
    int32_t left, top, right, bottom;
};
