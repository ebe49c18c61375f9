// Decode times of TBitmapGraphic, TPcxGraphic and TTgaGraphic on 12-megapixel plasma pictures,
// in-process from memory streams, against ImageMagick's "convert FILE null:" timed natively by
// reference.py in the same run (one process per file, median of 5). Prints one ratio per file
// (ours / reference; the target is at most 0.5).
//
// A Windows program under Wine gets no usable handle on a Linux child, so the helper leaves its
// figures in a file and a marker this program waits for.

#include <memory>

#include "bench/support/DecodeBench.h"
#include "imagelib/BitmapGraphic.h"
#include "imagelib/ImageLib.h"
#include "imagelib/ImgBmc.h"
#include "imagelib/PcxGraphic.h"
#include "imagelib/TgaGraphic.h"
#include "platform/win/Application.h"

namespace {

template <class T>
std::unique_ptr<TDibGraphic> Make()
{
    return std::unique_ptr<TDibGraphic>(new T);
}

bool TwelveMegapixels(const TDibGraphic& G) { return G.GetWidth() == 4000 && G.GetHeight() == 3000; }

} // namespace

int main()
{
    ApplicationInit();
    ImageLibInit();
    BmcFormatsInit();
    const int Result = Bench::RunDecodeBench(
        {"qm_bitmaps_bench_", BITMAPS_BENCH_PYTHON, BITMAPS_BENCH_DIR, 900000, 0.5, "wrong size"},
        {
            {"bmp8", "p8.bmp", Make<TBitmapGraphic>, TwelveMegapixels},
            {"bmp24", "p24.bmp", Make<TBitmapGraphic>, TwelveMegapixels},
            {"pcx8", "p8.pcx", Make<TPcxGraphic>, TwelveMegapixels},
            {"pcx24", "p24.pcx", Make<TPcxGraphic>, TwelveMegapixels},
            {"tga24", "p24.tga", Make<TTgaGraphic>, TwelveMegapixels},
            {"tga24rle", "p24rle.tga", Make<TTgaGraphic>, TwelveMegapixels},
        });
    BmcFormatsDone();
    ImageLibDone();
    return Result;
}
