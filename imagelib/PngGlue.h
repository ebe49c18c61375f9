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

// What the picture class asks of libpng beyond the file.
struct TPngReadOptions {
    bool UseBackgroundColor; // composite on Background even when the file has its own bKGD
    png_color_16 Background;
    double ScreenGamma;
};

// The picture as libpng delivers it once reading is set up. Plain data.
struct TPngReadInfo {
    png_uint_32 Width;
    png_uint_32 Height;
    int BitDepth;
    int ColorType;
    int Interlace;
    int Passes; // 7 for Adam7, else 1
    size_t RowBytes;
    int32_t XDpi; // 0 without a pHYs in metres
    int32_t YDpi;
    bool GammaSet; // the file's gamma (or 0.5) was taken and corrected for
    double Gamma;
    int PaletteCount;
    png_color Palette[256];
};

// Rows handed to libpng in one trapped call; the picture reports progress between them.
constexpr int32_t kPngRowChunk = 32;

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

// Reading as the picture class does it, from the stream's position: the signature, the header
// (bit depth and colour type checked against PNG's table), then 16-bit samples cut to 8, colour
// as BGR (the DIB's byte order), the gamma corrected for Options.ScreenGamma, alpha and tRNS
// composited on a background, Adam7 in passes, and the palette (never more entries than the
// depth can address). The row libpng will deliver is checked against the width: 2 bits a pixel
// for a 2-bit picture, else the 1, 4, 8 or 24 bits of the picture's layout, so rows of that
// size never overflow. Failures raise EPNGError.
TPngReadInfo PngStartReading(TPngGlue* G, const TPngReadOptions& Options);
// Every pass of every row into Rows (Info.Height rows of Info.RowBytes bytes), kPngRowChunk rows
// per trapped call, calling OnChunk (when set) after each with the pass (from 0) and the rows
// of that pass done.
void PngReadRows(TPngGlue* G, const TPngReadInfo& Info, png_bytep* Rows,
                 const std::function<void(int Pass, int32_t RowsDone)>& OnChunk);

// libpng's warnings go to one library-wide hook, called on the decoding thread with libpng's
// text. Unset, warnings are only counted. A hook that throws has its exception dropped.
using TPngWarningHook = std::function<void(const std::string& Message)>;
void SetPngWarningHook(TPngWarningHook Hook);
TPngWarningHook GetPngWarningHook();

// The library-wide switch the default hook obeys: on, it shows nothing. Test programs set it.
void SetPngWarningsSilenced(bool Value);
bool GetPngWarningsSilenced();
