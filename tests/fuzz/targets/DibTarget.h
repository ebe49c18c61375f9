#pragma once
// Shared by the targets that load through the picture classes (TIFF, PNM, DCX, EPS): the
// library start they need, the checks every loaded picture must pass, a picture comparison for
// round trips, and the size peeks that keep the fuzzer's time on parsing rather than on
// decoding huge pictures (their size arithmetic is still exercised by the header reads).

#include <algorithm>
#include <cstring>

#include "imagelib/ImgDib.h"
#include "imagelib/TiffGlue.h"
#include "imagelib/TiffGraphic.h"
#include "imagelib/bmc/Bmc.h"
#include "tests/fuzz/FuzzTarget.h"

namespace qmfuzz {

// Pages above this many pixels are not decoded.
constexpr uint64_t DibDecodeLimit = uint64_t(16) << 20;
// Pictures above this many pixels are not written back and read again.
constexpr uint64_t DibRoundTripLimit = uint64_t(1) << 20;

// What ImageLibInit does for these classes: default palettes, libtiff's message handlers and
// user tags, and the TIFF class for the EPS preview. Once per process.
inline void StartPictureLibrary()
{
    static const bool Started = [] {
        MakeDefaultPalettes();
        TiffLibInit();
        if (!FindDibGraphicClass("Preview.tif"))
            AddDibGraphicClass("TIF", DibGraphicClassOf<TTiffGraphic>());
        return true;
    }();
    (void)Started;
}

// A loaded picture: a layout that matches its header, a palette the pixels can address, and
// pixel memory of exactly the announced size (every row is read, so AddressSanitizer sees a
// buffer shorter than the header says).
inline void CheckLoadedPicture(const char* Target, TDibGraphic& G)
{
    if (G.GetEmpty() || G.GetWidth() < 1 || G.GetHeight() < 1)
        CheckFailed(Target, "a load that succeeded left no picture", __FILE__, __LINE__);
    const int32_t Bits = BitsPerPixel(G.GetImageFormat());
    if (G.BytesPerLine() != CalcBytesPerLine(G.GetWidth(), Bits))
        CheckFailed(Target, "row size does not match width and format", __FILE__, __LINE__);
    if (int64_t(G.BytesPerLine()) * G.GetHeight() > kMaxPictureBytes)
        CheckFailed(Target, "picture above the library's cap", __FILE__, __LINE__);
    if (G.GetImageFormat() != ifTrueColor) {
        const uint32_t N = G.LogPalette()->NumEntries;
        if (N < 1 || N > (1u << Bits))
            CheckFailed(Target, "palette size does not fit the format", __FILE__, __LINE__);
    }
    uint32_t Sum = 0;
    for (int32_t Y = 0; Y < G.GetHeight(); ++Y) {
        const uint8_t* Row = G.ScanLine(Y);
        Sum += Row[0] + Row[G.BytesPerLine() - 1];
    }
    (void)Sum;
}

// The colour of every pixel (palette formats by index and entry), so pad bits do not count.
inline bool SamePixels(const TDibGraphic& A, const TDibGraphic& B)
{
    if (A.GetImageFormat() != B.GetImageFormat() || A.GetWidth() != B.GetWidth() || A.GetHeight() != B.GetHeight())
        return false;
    const bool Palette = A.GetImageFormat() != ifTrueColor;
    for (int32_t Y = 0; Y < A.GetHeight(); ++Y) {
        if (!Palette) {
            if (std::memcmp(A.ScanLine(Y), B.ScanLine(Y), size_t(A.GetWidth()) * 3) != 0)
                return false;
            continue;
        }
        for (int32_t X = 0; X < A.GetWidth(); ++X)
            if (A.GetPixelColor(X, Y) != B.GetPixelColor(X, Y))
                return false;
    }
    return true;
}

inline uint64_t PixelsOf(const TDibGraphic& G) { return uint64_t(G.GetWidth()) * uint64_t(G.GetHeight()); }

// Width x height of TIFF page Index (1-based) as libtiff reads its directory; 0 when libtiff
// cannot read it (the class's load then fails on its own).
inline uint64_t TiffPagePixels(TStream* Stream, int32_t Index)
{
    const int64_t Start = Stream->GetPosition();
    uint64_t Pixels = 0;
    {
        TTiffHandle Tiff(TiffStreamOpen(Stream, "r"));
        if (Tiff && Index >= 1 && TIFFSetDirectory(Tiff.Get(), static_cast<tdir_t>(Index - 1))) {
            uint32_t W = 0, H = 0;
            TIFFGetField(Tiff.Get(), TIFFTAG_IMAGEWIDTH, &W);
            TIFFGetField(Tiff.Get(), TIFFTAG_IMAGELENGTH, &H);
            Pixels = uint64_t(W) * H;
        }
    }
    Stream->SetPosition(Start);
    return Pixels;
}

// Width x height a PCX header announces; 0 when the codec refuses the header.
inline uint64_t PcxPixels(const uint8_t* Data, size_t Size)
{
    auto S = StreamOf(Data, Size);
    int32_t Type = -1;
    BMC B;
    if (bmc_guess_filetype("File.pcx", &Type) != BMC_OK || bmc_read_header("File.pcx", S.get(), Type, &B, "") != BMC_OK)
        return 0;
    return B.width > 0 && B.height > 0 ? uint64_t(B.width) * uint64_t(B.height) : 0;
}

} // namespace qmfuzz
