#pragma once
// Helpers for the format class tests: pictures with known pixels and palettes.

#include <cstdint>
#include <vector>

#include "imagelib/ImgDib.h"
#include "tests/imagelib/support/ByteStreams.h"
#include "tests/imagelib/support/Pictures.h"

namespace FormatsTest {

using Bytes = ImageTest::TBytes;
using ImageTest::BytesOf;
using ImageTest::ErrorOf;
using ImageTest::Get16;
using ImageTest::Get32;
using ImageTest::Put16;
using ImageTest::Put32;
using ImageTest::SameColors;
using ImageTest::StreamOf;
using ImageTest::TextBytes;

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

} // namespace FormatsTest
