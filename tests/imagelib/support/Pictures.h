#pragma once
// Pictures in the image library's tests: round trips through memory, a smooth test picture,
// pixel lists, comparisons and the text of what an action raises.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imagelib/ImgDib.h"
#include "platform/rtl/Stream.h"
#include "tests/imagelib/support/ByteStreams.h"

namespace ImageTest {

inline TBytes SaveBytes(TDibGraphic& G)
{
    TMemoryStream S;
    G.SaveToStream(&S);
    return BytesOf(S);
}

// Through LoadFromStream, as a picture loads a file.
inline void LoadBytes(TDibGraphic& G, const TBytes& Bytes)
{
    TMemoryStream S;
    FillStream(S, Bytes);
    G.LoadFromStream(&S);
}

// Gradients in every channel, so lossy coding stays close; palette formats get an index ramp.
inline void MakeSmooth(TDibGraphic& G, int32_t W, int32_t H, ImageFormat Format, int32_t Dpi = 96)
{
    G.NewImage(W, H, Format, nullptr, Dpi, Dpi);
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            const uint8_t R = uint8_t(X * 255 / (W - 1));
            const uint8_t Gr = uint8_t(Y * 255 / (H - 1));
            const uint8_t B = uint8_t((X + Y) * 255 / (W + H - 2));
            if (Format == ifTrueColor)
                G.SetPixelColor(X, Y, PackRgb(R, Gr, B));
            else
                G.SetPixelIndex(X, Y, uint8_t(((X + Y) * 255 / (W + H - 2)) % (1 << BitsPerPixel(Format))));
        }
}

// The value as the picture stores it: index, or colour for true colour.
inline uint32_t Raw(const TDibGraphic& G, int32_t X, int32_t Y)
{
    return G.GetImageFormat() == ifTrueColor ? G.GetPixelColor(X, Y) : G.GetPixelIndex(X, Y);
}

// Every stored value, rows top first, to compare pictures exactly.
inline std::vector<uint32_t> Pixels(const TDibGraphic& G)
{
    std::vector<uint32_t> P;
    P.reserve(size_t(G.GetWidth()) * size_t(G.GetHeight()));
    for (int32_t Y = 0; Y < G.GetHeight(); ++Y)
        for (int32_t X = 0; X < G.GetWidth(); ++X)
            P.push_back(Raw(G, X, Y));
    return P;
}

inline std::vector<uint32_t> Colors(const TDibGraphic& G)
{
    std::vector<uint32_t> P;
    for (int32_t Y = 0; Y < G.GetHeight(); ++Y)
        for (int32_t X = 0; X < G.GetWidth(); ++X)
            P.push_back(G.GetPixelColor(X, Y));
    return P;
}

// Mean absolute error per channel between two pictures of the same size.
inline double MeanAbsError(const TDibGraphic& A, const TDibGraphic& B)
{
    double Sum = 0;
    int64_t N = 0;
    for (int32_t Y = 0; Y < A.GetHeight(); ++Y)
        for (int32_t X = 0; X < A.GetWidth(); ++X) {
            const uint32_t P = A.GetPixelColor(X, Y), Q = B.GetPixelColor(X, Y);
            for (int S = 0; S < 24; S += 8) {
                Sum += std::abs(int((P >> S) & 0xFF) - int((Q >> S) & 0xFF));
                ++N;
            }
        }
    return N ? Sum / double(N) : 0;
}

// Colour for colour; the first difference is reported.
inline ::testing::AssertionResult SameColors(const TDibGraphic& A, const TDibGraphic& B)
{
    if (A.GetWidth() != B.GetWidth() || A.GetHeight() != B.GetHeight())
        return ::testing::AssertionFailure() << "size " << A.GetWidth() << "x" << A.GetHeight() << " vs "
                                             << B.GetWidth() << "x" << B.GetHeight();
    for (int32_t Y = 0; Y < A.GetHeight(); ++Y)
        for (int32_t X = 0; X < A.GetWidth(); ++X)
            if (A.GetPixelColor(X, Y) != B.GetPixelColor(X, Y))
                return ::testing::AssertionFailure() << "pixel " << X << "," << Y << ": " << std::hex
                                                     << A.GetPixelColor(X, Y) << " vs " << B.GetPixelColor(X, Y);
    return ::testing::AssertionSuccess();
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

// What ErrorOf gives when the action raised nothing.
inline const std::string kNoException = "(no exception)";

// The message of the E that Action raises; any other exception goes on to fail the test.
template <class E = Exception, class F>
std::string ErrorOf(F&& Action)
{
    try {
        Action();
    } catch (const E& X) {
        return X.Message();
    }
    return kNoException;
}

} // namespace ImageTest
