#pragma once
// Pictures and comparisons shared by the transform tests.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imagelib/ImgDib.h"
#include "imagelib/ImgTransf.h"

namespace TransformTest {

template <class F>
std::string ErrorOf(F&& Call)
{
    try {
        Call();
    } catch (const Exception& E) {
        return E.Message();
    }
    return "(no exception)";
}

// A picture whose pixels differ from their neighbours: index or colour from the position.
inline void MakePattern(TDibGraphic& G, int32_t W, int32_t H, ImageFormat Format, int32_t XDpi = 96, int32_t YDpi = 96)
{
    G.NewImage(W, H, Format, nullptr, XDpi, YDpi);
    const uint32_t Levels = Format == ifBlackWhite ? 2 : (Format == ifGray16 || Format == ifColor16) ? 16 : 256;
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            const uint32_t V = static_cast<uint32_t>(X * 7 + Y * 13 + (X * Y) % 5);
            if (Format == ifTrueColor)
                G.SetPixelColor(X, Y, PackRgb(uint8_t(V * 3), uint8_t(X * 17 + Y), uint8_t(Y * 29 + 5)));
            else
                G.SetPixelIndex(X, Y, static_cast<uint8_t>(V % Levels));
        }
}

// The raw value as the picture stores it: index, or colour for true colour.
inline uint32_t Raw(const TDibGraphic& G, int32_t X, int32_t Y)
{
    return G.GetImageFormat() == ifTrueColor ? G.GetPixelColor(X, Y) : G.GetPixelIndex(X, Y);
}

// Size, format, resolution, palette and every byte of every row (padding included).
inline ::testing::AssertionResult SameBytes(const TDibGraphic& A, const TDibGraphic& B)
{
    if (A.GetEmpty() != B.GetEmpty())
        return ::testing::AssertionFailure() << "one picture is empty";
    if (A.GetEmpty())
        return ::testing::AssertionSuccess();
    if (A.GetWidth() != B.GetWidth() || A.GetHeight() != B.GetHeight())
        return ::testing::AssertionFailure() << "size " << A.GetWidth() << "x" << A.GetHeight() << " vs "
                                             << B.GetWidth() << "x" << B.GetHeight();
    if (A.GetImageFormat() != B.GetImageFormat())
        return ::testing::AssertionFailure() << "format " << int(A.GetImageFormat()) << " vs " << int(B.GetImageFormat());
    if (A.GetXDpi() != B.GetXDpi() || A.GetYDpi() != B.GetYDpi())
        return ::testing::AssertionFailure() << "dpi differs";
    const TDibLogPalette* PA = A.LogPalette();
    const TDibLogPalette* PB = B.LogPalette();
    if (PA->NumEntries != PB->NumEntries ||
        std::memcmp(PA->Entries, PB->Entries, sizeof(TPaletteEntry) * PA->NumEntries) != 0)
        return ::testing::AssertionFailure() << "palette differs";
    for (int32_t Y = 0; Y < A.GetHeight(); ++Y)
        if (std::memcmp(A.ScanLine(Y), B.ScanLine(Y), static_cast<size_t>(A.BytesPerLine())) != 0)
            return ::testing::AssertionFailure() << "row " << Y << " differs";
    return ::testing::AssertionSuccess();
}

// Every percentage a transform reports.
struct TProgressLog {
    std::vector<int> Values;
    void Attach(TImageTransform& T)
    {
        T.OnProgress = [this](TObject*, uint8_t Percent) { Values.push_back(Percent); };
    }
};

constexpr ImageFormat AllFormats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor};

} // namespace TransformTest
