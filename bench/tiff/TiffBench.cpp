// Decode times of TTiffGraphic on 12-megapixel plasma pictures (Packbits and ZLib true colour,
// Group 4 black and white, JPEG true colour), in-process from memory streams, against
// ImageMagick's "convert FILE null:" timed natively by reference.py in the same run (one process
// per file, median of 5). Prints one ratio per file (ours / reference; the target is at most 1).
//
// A Windows program under Wine gets no usable handle on a Linux child, so the helper leaves its
// figures in a file and a marker this program waits for.

#include <memory>

#include "bench/support/DecodeBench.h"
#include "imagelib/ImageLib.h"
#include "imagelib/TiffGraphic.h"
#include "platform/win/Application.h"

namespace {

std::unique_ptr<TDibGraphic> MakeTiff() { return std::unique_ptr<TDibGraphic>(new TTiffGraphic); }

// A 12-megapixel picture of the given format.
std::function<bool(const TDibGraphic&)> Is(ImageFormat Format)
{
    return [Format](const TDibGraphic& G) {
        return G.GetWidth() == 4000 && G.GetHeight() == 3000 && G.GetImageFormat() == Format;
    };
}

} // namespace

int main()
{
    ApplicationInit();
    ImageLibInit();
    const int Result = Bench::RunDecodeBench(
        {"qm_tiff_bench_", TIFF_BENCH_PYTHON, TIFF_BENCH_DIR, 900000, 1.0, "wrong size or format"},
        {
            {"packbits", "packbits.tif", MakeTiff, Is(ifTrueColor)},
            {"zlib", "zlib.tif", MakeTiff, Is(ifTrueColor)},
            {"g4", "g4.tif", MakeTiff, Is(ifBlackWhite)},
            {"jpeg", "jpeg.tif", MakeTiff, Is(ifTrueColor)},
        });
    ImageLibDone();
    return Result;
}
