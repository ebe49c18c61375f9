// PNG reading through the picture class's own steps over the glue (PngStartReading,
// PngReadRows): signature, info, the picture's transforms and row layout, interlace passes, rows
// in trapped chunks into exact-size buffers; then the chunks after the pixels.

#include <cstdlib>
#include <vector>

#include "imagelib/ImgMisc.h"
#include "imagelib/PngGlue.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

// Pictures above this stop after the header: the time goes to parsing, not to big buffers.
constexpr uint64_t PngDecodeLimit = uint64_t(16) << 20;

// No single libpng allocation may go above this: rows are at most 1,000,000 pixels of 8 bytes
// (libpng's default width limit), so only a chunk length taken on trust gets near it. Such a
// request is refused (libpng fails the usual way) and counted as a finding.
constexpr png_alloc_size_t PngAllocLimit = png_alloc_size_t(64) << 20;
thread_local bool PngOverLimit = false;

png_voidp LimitedMalloc(png_structp, png_alloc_size_t Size)
{
    if (Size > PngAllocLimit) {
        PngOverLimit = true;
        return nullptr;
    }
    return std::malloc(Size);
}

void PlainFree(png_structp, png_voidp P)
{
    std::free(P);
}

} // namespace

QM_FUZZ_TARGET(png)
{
    auto S = qmfuzz::StreamOf(Data, Size);
    SetPngWarningsSilenced(true);
    PngOverLimit = false;
    try {
        TPngGlueGuard G(S.get(), false);
        png_set_mem_fn(G->Png, nullptr, LimitedMalloc, PlainFree);
        // As a new picture reads: its own background (black) only where the file has none.
        TPngReadOptions Options{};
        Options.ScreenGamma = kStartScreenGamma;
        const TPngReadInfo Info = PngStartReading(G.Get(), Options);
        QM_FUZZ_CHECK(Info.Width > 0 && Info.Height > 0 && Info.RowBytes > 0);
        QM_FUZZ_CHECK(Info.Passes == 1 || Info.Passes == 7);
        if (uint64_t(Info.RowBytes) * Info.Height > PngDecodeLimit)
            throw EPNGError("not decoded here: too big");
        std::vector<std::vector<png_byte>> Pixels(Info.Height, std::vector<png_byte>(Info.RowBytes));
        std::vector<png_bytep> Rows(Info.Height);
        for (size_t Y = 0; Y < Rows.size(); ++Y)
            Rows[Y] = Pixels[Y].data();
        int32_t Chunks = 0;
        PngReadRows(G.Get(), Info, Rows.data(), [&](int Pass, int32_t RowsDone) {
            QM_FUZZ_CHECK(Pass < Info.Passes && RowsDone > 0 && RowsDone <= int32_t(Info.Height));
            ++Chunks;
        });
        QM_FUZZ_CHECK(Chunks == Info.Passes * int32_t((Info.Height + kPngRowChunk - 1) / kPngRowChunk));
        PngRun(G.Get(), [](TPngGlue* G, void*) { png_read_end(G->Png, nullptr); });
    } catch (const Exception&) {
    }
    QM_FUZZ_CHECK(!PngOverLimit);
    return 0;
}
