// PNG reading over the glue as the picture class does it: signature, info, the transforms to 8
// bits per sample, interlace handling, rows in trapped chunks into exact-size buffers.

#include <algorithm>
#include <cstdlib>
#include <cstring>
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

struct THeader {
    png_uint_32 Width, Height;
    int BitDepth, ColorType, Interlace;
    int Passes;
    size_t RowBytes;
    int Channels;
};

struct TRowRun {
    png_bytep* Rows;
    int32_t Count;
};

} // namespace

QM_FUZZ_TARGET(png)
{
    if (Size < 8 || png_sig_cmp(Data, 0, 8) != 0)
        return 0;
    auto S = qmfuzz::StreamOf(Data, Size);
    S->Seek(8, soBeginning);
    SetPngWarningsSilenced(true);
    PngOverLimit = false;
    try {
        TPngGlueGuard G(S.get(), false);
        png_set_mem_fn(G->Png, nullptr, LimitedMalloc, PlainFree);
        THeader H{};
        PngRun(
            G.Get(),
            [](TPngGlue* G, void* Arg) {
                auto* H = static_cast<THeader*>(Arg);
                png_set_sig_bytes(G->Png, 8);
                png_read_info(G->Png, G->Info);
                png_get_IHDR(G->Png, G->Info, &H->Width, &H->Height, &H->BitDepth, &H->ColorType, &H->Interlace,
                             nullptr, nullptr);
                png_set_expand(G->Png);
                png_set_strip_16(G->Png);
                png_set_bgr(G->Png);
                H->Passes = png_set_interlace_handling(G->Png);
                png_read_update_info(G->Png, G->Info);
                H->RowBytes = png_get_rowbytes(G->Png, G->Info);
                H->Channels = png_get_channels(G->Png, G->Info);
            },
            &H);
        QM_FUZZ_CHECK(H.Width > 0 && H.Height > 0 && H.Channels >= 1 && H.Channels <= 4);
        QM_FUZZ_CHECK(H.RowBytes == size_t(H.Width) * size_t(H.Channels));
        if (uint64_t(H.RowBytes) * H.Height > PngDecodeLimit)
            throw EPNGError("not decoded here: too big");
        std::vector<std::vector<png_byte>> Pixels(H.Height, std::vector<png_byte>(H.RowBytes));
        std::vector<png_bytep> Rows(H.Height);
        for (size_t Y = 0; Y < Rows.size(); ++Y)
            Rows[Y] = Pixels[Y].data();
        const int32_t Height = int32_t(H.Height);
        for (int Pass = 0; Pass < H.Passes; ++Pass)
            for (int32_t Y = 0; Y < Height; Y += 32) {
                TRowRun Run{Rows.data() + Y, std::min(32, Height - Y)};
                PngRun(
                    G.Get(),
                    [](TPngGlue* G, void* Arg) {
                        auto* R = static_cast<TRowRun*>(Arg);
                        for (int32_t I = 0; I < R->Count; ++I)
                            png_read_row(G->Png, R->Rows[I], nullptr);
                    },
                    &Run);
            }
        PngRun(G.Get(), [](TPngGlue* G, void*) { png_read_end(G->Png, nullptr); });
    } catch (const Exception&) {
    }
    QM_FUZZ_CHECK(!PngOverLimit);
    return 0;
}
