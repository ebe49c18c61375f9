#pragma once
// Helpers of the TIFF tests: loading a page, test pictures, fixtures written with libtiff
// directly (not through the class under test) and a small IFD walker for byte-level checks.

#include <gtest/gtest.h>
#include <tiffio.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imagelib/ImgDib.h"
#include "imagelib/TiffGlue.h"
#include "imagelib/TiffGraphic.h"
#include "platform/rtl/Stream.h"
#include "tests/imagelib/support/ByteStreams.h"
#include "tests/imagelib/support/Pictures.h"

namespace TiffTest {

using ImageTest::BytesOf;
using ImageTest::Colors;
using ImageTest::ErrorOf;
using ImageTest::FillStream;
using ImageTest::Get16;
using ImageTest::Get32;
using ImageTest::kNoException;
using ImageTest::MakeSmooth;
using ImageTest::MeanAbsError;
using ImageTest::Pixels;
using ImageTest::Put16;
using ImageTest::Put32;
using ImageTest::ReadFileBytes;
using ImageTest::SaveBytes;
using ImageTest::TBytes;
using ImageTest::TFailingStream;
using ImageTest::WriteFileBytes;

// Page Index of a file, straight through LoadImageFromStream.
inline void LoadBytes(TDibGraphic& G, const TBytes& Bytes, int32_t Index = 1)
{
    TMemoryStream S;
    FillStream(S, Bytes);
    G.LoadImageFromStream(&S, Index);
}

// A picture with every index / a colour pattern, deterministic.
inline void MakePattern(TDibGraphic& G, int32_t W, int32_t H, ImageFormat Format, int32_t Dpi = 150)
{
    TDibLogPalette Pal{};
    Pal.Version = 0x300;
    const int32_t Bits = BitsPerPixel(Format);
    const TDibLogPalette* UsePal = nullptr;
    if (Format == ifColor16 || Format == ifColor256) {
        Pal.NumEntries = uint16_t(1 << Bits);
        for (int32_t I = 0; I < Pal.NumEntries; ++I)
            Pal.Entries[I] = TPaletteEntry{uint8_t(I * 37 + 5), uint8_t(255 - I * 3), uint8_t(I * 11), 0};
        UsePal = &Pal;
    }
    G.NewImage(W, H, Format, UsePal, Dpi, Dpi + 50);
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            if (Format == ifTrueColor)
                G.SetPixelColor(X, Y, PackRgb(uint8_t(X * 7 + Y), uint8_t(Y * 5), uint8_t((X ^ Y) * 3)));
            else
                G.SetPixelIndex(X, Y, uint8_t((X * 3 + Y * 7 + (X * Y) % 5) % (1 << Bits)));
        }
}

// A file written with libtiff directly: Fields sets the directory, Rows gives each scanline.
inline TBytes WriteWithLibtiff(const std::function<void(TIFF*)>& Fields, uint32_t Height,
                               const std::function<void(uint32_t Row, std::vector<uint8_t>& Line)>& Rows)
{
    TMemoryStream S;
    TIFF* T = TiffStreamOpen(&S, "w");
    EXPECT_NE(T, nullptr);
    if (!T)
        return {};
    Fields(T);
    std::vector<uint8_t> Line(size_t(TIFFScanlineSize(T)));
    for (uint32_t Y = 0; Y < Height; ++Y) {
        Rows(Y, Line);
        EXPECT_GE(TIFFWriteScanline(T, Line.data(), Y, 0), 0);
    }
    TIFFClose(T);
    return BytesOf(S);
}

inline void BasicFields(TIFF* T, uint32_t W, uint32_t H, uint16_t Bits, uint16_t Samples, uint16_t Photometric,
                        uint16_t Compression = COMPRESSION_NONE)
{
    TIFFSetField(T, TIFFTAG_IMAGEWIDTH, W);
    TIFFSetField(T, TIFFTAG_IMAGELENGTH, H);
    TIFFSetField(T, TIFFTAG_BITSPERSAMPLE, Bits);
    TIFFSetField(T, TIFFTAG_SAMPLESPERPIXEL, Samples);
    TIFFSetField(T, TIFFTAG_PHOTOMETRIC, Photometric);
    TIFFSetField(T, TIFFTAG_COMPRESSION, Compression);
    TIFFSetField(T, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(T, TIFFTAG_ROWSPERSTRIP, Compression == COMPRESSION_JPEG ? 8u : 4u);
}

// Classic little-endian TIFF directory entries.
struct TIfdEntry {
    uint16_t Tag, Type;
    uint32_t Count, Value;
    size_t Offset; // of the entry in the file
};

// The entries of directory number Dir (0-based); empty when there is none.
inline std::vector<TIfdEntry> ReadIfd(const TBytes& B, int Dir = 0, size_t* IfdOffset = nullptr)
{
    std::vector<TIfdEntry> E;
    if (B.size() < 8 || B[0] != 'I')
        return E;
    size_t Off = Get32(B, 4);
    for (int D = 0; D < Dir && Off + 2 <= B.size(); ++D) {
        const uint16_t N = Get16(B, Off);
        Off = Get32(B, Off + 2 + size_t(N) * 12);
    }
    if (Off == 0 || Off + 2 > B.size())
        return E;
    if (IfdOffset)
        *IfdOffset = Off;
    const uint16_t N = Get16(B, Off);
    for (uint16_t I = 0; I < N; ++I) {
        const size_t P = Off + 2 + size_t(I) * 12;
        if (P + 12 > B.size())
            break;
        E.push_back(TIfdEntry{uint16_t(Get16(B, P)), uint16_t(Get16(B, P + 2)), Get32(B, P + 4), Get32(B, P + 8), P});
    }
    return E;
}

inline const TIfdEntry* FindTag(const std::vector<TIfdEntry>& E, uint16_t Tag)
{
    for (const TIfdEntry& X : E)
        if (X.Tag == Tag)
            return &X;
    return nullptr;
}

// An ASCII or short value of an entry.
inline std::string AsciiOf(const TBytes& B, const TIfdEntry& E)
{
    const size_t P = E.Count <= 4 ? E.Offset + 8 : E.Value;
    std::string S(reinterpret_cast<const char*>(B.data() + P), E.Count);
    while (!S.empty() && S.back() == '\0')
        S.pop_back();
    return S;
}
inline uint32_t ShortOrLong(const TIfdEntry& E) { return E.Type == 3 ? (E.Value & 0xFFFF) : E.Value; }
inline double RationalOf(const TBytes& B, const TIfdEntry& E)
{
    return double(Get32(B, E.Value)) / double(Get32(B, E.Value + 4));
}

} // namespace TiffTest
