#pragma once
// Helpers for the format class tests: pictures with known pixels, byte streams, comparisons.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imagelib/ImgDib.h"
#include "platform/rtl/Stream.h"

namespace FormatsTest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& B, size_t At, uint32_t V)
{
    if (B.size() < At + 2)
        B.resize(At + 2);
    B[At] = static_cast<uint8_t>(V);
    B[At + 1] = static_cast<uint8_t>(V >> 8);
}
inline void Put32(Bytes& B, size_t At, uint32_t V)
{
    Put16(B, At, V & 0xFFFF);
    Put16(B, At + 2, V >> 16);
}
inline uint32_t Get16(const Bytes& B, size_t At) { return B[At] | (B[At + 1] << 8); }
inline uint32_t Get32(const Bytes& B, size_t At) { return Get16(B, At) | (Get16(B, At + 2) << 16); }

inline std::unique_ptr<TMemoryStream> StreamOf(const Bytes& Data)
{
    auto S = std::make_unique<TMemoryStream>();
    if (!Data.empty())
        S->WriteBuffer(Data.data(), static_cast<int32_t>(Data.size()));
    S->SetPosition(0);
    return S;
}
inline Bytes BytesOf(TMemoryStream& S)
{
    const uint8_t* P = static_cast<const uint8_t*>(S.Memory());
    return Bytes(P, P + S.GetSize());
}
inline Bytes TextBytes(const std::string& T) { return Bytes(T.begin(), T.end()); }

// A picture of Format with varied pixels (every index or channel value used), pad bits zero.
inline void MakePattern(TDibGraphic& G, int32_t W, int32_t H, ImageFormat Format, uint32_t Seed = 1)
{
    G.NewImage(W, H, Format);
    uint32_t State = Seed * 2654435761u + 12345;
    const int32_t Bits = BitsPerPixel(Format);
    for (int32_t Y = 0; Y < H; ++Y) {
        uint8_t* Row = G.ScanLine(Y);
        for (int32_t X = 0; X < W; ++X) {
            State = State * 1103515245u + 12345u;
            const uint32_t R = State >> 8;
            if (Format == ifTrueColor) {
                Row[X * 3] = static_cast<uint8_t>(R);
                Row[X * 3 + 1] = static_cast<uint8_t>(R >> 8);
                Row[X * 3 + 2] = static_cast<uint8_t>((X * 37 + Y * 11) & 0xFF);
            } else {
                const uint8_t Index = static_cast<uint8_t>((R ^ (X * 7 + Y)) & ((1u << Bits) - 1));
                G.SetPixelIndex(X, Y, Index);
            }
        }
    }
}

// A picture with a palette of its own (not the default).
inline void MakeColorPattern(TDibGraphic& G, int32_t W, int32_t H, ImageFormat Format, uint32_t Seed = 1)
{
    if (Format == ifTrueColor)
        return MakePattern(G, W, H, Format, Seed);
    TDibLogPalette Pal{};
    Pal.Version = 0x300;
    Pal.NumEntries = static_cast<uint16_t>(1u << BitsPerPixel(Format));
    for (int32_t I = 0; I < Pal.NumEntries; ++I)
        Pal.Entries[I] = TPaletteEntry{static_cast<uint8_t>(I * 3 + 1), static_cast<uint8_t>(255 - I),
                                       static_cast<uint8_t>(I * 7 + 5), 0};
    if (Format == ifBlackWhite)
        Pal.Entries[0] = {0, 0, 0, 0}, Pal.Entries[1] = {255, 255, 255, 0};
    MakePattern(G, W, H, Format, Seed);
    std::vector<uint8_t> Idx;
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X)
            Idx.push_back(G.GetPixelIndex(X, Y));
    G.NewImage(W, H, Format, &Pal);
    size_t K = 0;
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X)
            G.SetPixelIndex(X, Y, Idx[K++]);
}

// Colour-for-colour comparison; the first difference is reported.
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

// The message of what Action raises, or "(no exception)".
inline std::string ExceptionText(const std::function<void()>& Action)
{
    try {
        Action();
    } catch (const Exception& E) {
        return E.Message();
    }
    return "(no exception)";
}

} // namespace FormatsTest
