// JPEG reading and writing. Rows go straight between libjpeg and the DIB: libjpeg-turbo's
// BGR colour space matches the DIB's byte order, so no red/blue exchange pass is needed.
#include "imagelib/JpegGraphic.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imagelib/JpegGlue.h"
#include "imagelib/ImgMisc.h"
#include "platform/rtl/ScopeGuards.h"

namespace {

struct TRowRun {
    JSAMPARRAY Rows;
    JDIMENSION Count;
    JDIMENSION Done;
};

uint16_t DensityOf(int32_t Dpi) { return static_cast<uint16_t>(std::clamp(Dpi, 0, 65535)); }

} // namespace

std::unique_ptr<TDibGraphic> TJpegGraphic::CreateNew() const { return std::make_unique<TJpegGraphic>(); }

bool TJpegGraphic::CanLoadStream(TStream* Stream)
{
    uint8_t B[20];
    const int32_t Got = Stream->Read(B, sizeof(B));
    if (Got > 0)
        Stream->Seek(-Got, soCurrent);
    return Got >= 11 && B[0] == 0xFF && B[1] == 0xD8 && B[2] == 0xFF && B[3] == 0xE0 &&
           std::memcmp(B + 6, "JFIF", 5) == 0;
}

void TJpegGraphic::LoadImageFromStream(TStream* Stream, int32_t /*Index*/)
{
    uint8_t Last = NotifyProgress(this, 0, 0, 255, 100, OnProgress);
    FWarnings = 0;
    TJpegDecompressorGuard D(Stream);
    // The size is known before libjpeg allocates its buffers, so a hostile header is refused
    // by NewImage's guard before any large allocation.
    const TJpegImageInfo Info = JpegStartReading(D.Get());
    const ImageFormat Format = Info.Components == 1 ? ifGray256 : ifTrueColor;

    int32_t XDpi = 0, YDpi = 0;
    if (Info.DensityUnit == 1) {
        XDpi = Info.XDensity;
        YDpi = Info.YDensity;
    } else if (Info.DensityUnit == 2) {
        XDpi = static_cast<int32_t>(std::lround(Info.XDensity * 2.54));
        YDpi = static_cast<int32_t>(std::lround(Info.YDensity * 2.54));
    }
    // libjpeg writes every byte of every row (rows that a cut file lacks included); a failure
    // part-way clears the rest below.
    PromiseEveryRow();
    NewImage(static_cast<int32_t>(Info.Width), static_cast<int32_t>(Info.Height), Format, nullptr, XDpi, YDpi);
    // NewImage takes the screen's for 0; a file without a density has none.
    SetXDpi(XDpi);
    SetYDpi(YDpi);

    const int32_t Height = GetHeight();
    std::vector<JSAMPROW> Rows(static_cast<size_t>(Height));
    for (int32_t R = 0; R < Height; ++R)
        Rows[size_t(R)] = ScanLine(R);
    int32_t Y = 0;
    TScopeExit ClearRest([this, &Y] { ClearRows(Y); });
    JpegReadImage(D.Get(), Info, Rows.data(), [&](uint32_t Done) {
        Y = static_cast<int32_t>(Done);
        Last = NotifyProgress(this, Y - 1, 0, Last, Height - 1, OnProgress);
    });
    ClearRest.Dismiss();
    FWarnings = D->Errors.Warnings;
    NotifyProgress(this, 100, 0, Last, 100, OnProgress);
}

void TJpegGraphic::SaveToStream(TStream* Stream)
{
    uint8_t Last = NotifyProgress(this, 0, 0, 255, 100, OnProgress);
    const ImageFormat Format = GetImageFormat();
    if (GetEmpty() || (Format != ifGray256 && Format != ifTrueColor))
        throw EJpegError("JPEG image must be gray scale or true color");
    TJpegCompressorGuard C(Stream);
    const bool Grey = Format == ifGray256;
    TJpegCompressParams P{};
    P.Width = static_cast<uint32_t>(GetWidth());
    P.Height = static_cast<uint32_t>(GetHeight());
    P.Components = Grey ? 1 : 3;
    P.InColorSpace = Grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    P.DensityUnit = 1;
    P.XDensity = DensityOf(GetXDpi());
    P.YDensity = DensityOf(GetYDpi());
    // JFIF forbids a zero density: a picture without a resolution says "aspect 1:1" instead.
    if (P.XDensity == 0 || P.YDensity == 0) {
        P.DensityUnit = 0;
        P.XDensity = P.YDensity = 1;
    }
    P.Quality = FQuality;
    P.Progressive = FProgressive;
    P.Optimize = FOptimizeCoding;
    JpegSetCompressParams(C.Get(), P);
    JpegRun(C.Get(), [](j_compress_ptr I, void*) { jpeg_start_compress(I, TRUE); });

    const int32_t Height = GetHeight();
    // libjpeg reads the rows only; the DIB's BGR rows are its input as they stand.
    std::vector<JSAMPROW> Rows(static_cast<size_t>(Height));
    for (int32_t Y = 0; Y < Height; ++Y)
        Rows[size_t(Y)] = ScanLine(Y);
    for (int32_t Y = 0; Y < Height;) {
        TRowRun Run{Rows.data() + Y, JDIMENSION(std::min<int32_t>(kJpegRowChunk, Height - Y)), 0};
        JpegRun(
            C.Get(),
            [](j_compress_ptr I, void* Arg) {
                auto* R = static_cast<TRowRun*>(Arg);
                while (R->Done < R->Count) {
                    const JDIMENSION Put = jpeg_write_scanlines(I, R->Rows + R->Done, R->Count - R->Done);
                    if (Put == 0)
                        break;
                    R->Done += Put;
                }
            },
            &Run);
        if (Run.Done == 0)
            throw EJpegError("The JPEG encoder took no rows");
        Y += static_cast<int32_t>(Run.Done);
        Last = NotifyProgress(this, Y - 1, 0, Last, Height - 1, OnProgress);
    }
    JpegRun(C.Get(), [](j_compress_ptr I, void*) { jpeg_finish_compress(I); });
    NotifyProgress(this, 100, 0, Last, 100, OnProgress);
}
