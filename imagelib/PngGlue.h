#pragma once
// libpng 1.6 over TStream. Every libpng call runs inside PngRun, which arms libpng's setjmp
// first: libpng's errors longjmp back into it (through png_jmpbuf), and the glue throws
// EPNGError once it is back in C++. The stream callbacks catch what the stream throws, keep its
// text and fail with png_error, so no C++ exception ever crosses a libpng frame.
//
// Steps handed to PngRun must keep to plain data (no object with a destructor), because a
// longjmp crosses their frames.

#include <cstdint>
#include <functional>
#include <string>

#include <png.h>

#include "platform/rtl/Stream.h"

struct TPngGlue {
    png_structp Png;
    png_infop Info;
    TStream* Stream;
    bool Writing;
    char Error[256];
    bool StreamFailed;
    char StreamError[256];
    int32_t Warnings;
    char LastWarning[256];
};

using TPngStep = void (*)(TPngGlue* G, void* Arg);

// Runs Step under libpng's trap. libpng's error throws EPNGError with libpng's text, or with
// the stream's own text when the stream failed.
void PngRun(TPngGlue* G, TPngStep Step, void* Arg = nullptr);

// A read or write structure with its info structure on Stream, destroyed with the guard.
// Creation failures throw EPNGError "png_create_read_struct failed",
// "png_create_write_struct failed" or "png_create_info_struct failed".
class TPngGlueGuard {
public:
    TPngGlueGuard(TStream* Stream, bool Writing);
    ~TPngGlueGuard();
    TPngGlueGuard(const TPngGlueGuard&) = delete;
    TPngGlueGuard& operator=(const TPngGlueGuard&) = delete;
    TPngGlue* Get() { return &FGlue; }
    TPngGlue* operator->() { return &FGlue; }

private:
    TPngGlue FGlue;
};

// libpng's warnings go to one library-wide hook, called on the decoding thread with libpng's
// text. Unset, warnings are only counted. A hook that throws has its exception dropped.
using TPngWarningHook = std::function<void(const std::string& Message)>;
void SetPngWarningHook(TPngWarningHook Hook);
TPngWarningHook GetPngWarningHook();

// The library-wide switch the default hook obeys: on, it shows nothing. Test programs set it.
void SetPngWarningsSilenced(bool Value);
bool GetPngWarningsSilenced();
