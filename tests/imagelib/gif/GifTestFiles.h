#pragma once
// Small GIF files for the TGif tests, made through the portable writer.

#include <cstdint>
#include <string>
#include <vector>

#include "imagelib/GifCodec.h"
#include "platform/rtl/Stream.h"
#include "tests/imagelib/support/ByteStreams.h"

namespace GifTest {

// Colours 0x00BBGGRR of the test table: index I is (I*37, I*11, 255-I) as R, G, B.
inline uint32_t TableColor(int I)
{
    return static_cast<uint32_t>((I * 37) & 255) | (static_cast<uint32_t>((I * 11) & 255) << 8) |
           (static_cast<uint32_t>(255 - I) << 16);
}

// Images of W x H whose pixel (x, y) is (x + 3y + k) mod Colors, a global table of Colors entries.
inline TGifDocument MakeDocument(int W, int H, int Images = 1, int Colors = 16, bool Interlaced = false)
{
    TGifDocument Doc;
    Doc.Screen.Width = W;
    Doc.Screen.Height = H;
    Doc.Screen.GlobalTable = true;
    Doc.Screen.GlobalTableIndex = 0;
    Doc.Screen.GlobalTableSize = Colors;
    Doc.Screen.ColorResolution = 8;
    Doc.Tables.emplace_back();
    Doc.Tables[0].Count = Colors;
    for (int I = 0; I < Colors; ++I)
        Doc.Tables[0].Colors[I] = TableColor(I);
    uint8_t Min = 2;
    while ((1 << Min) < Colors)
        ++Min;
    for (int K = 0; K < Images; ++K) {
        TGifImage I;
        I.Index = K;
        I.Width = W;
        I.Height = H;
        I.TableIndex = 0;
        I.TableSize = Colors;
        I.LZWSize = Min;
        I.Interlaced = Interlaced;
        GifAllocatePixels(I.Pixels, W, H);
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X)
                I.Pixels[static_cast<size_t>(Y) * W + X] = static_cast<uint8_t>((X + 3 * Y + K) % Colors);
        Doc.Images.push_back(std::move(I));
    }
    return Doc;
}

inline std::vector<uint8_t> Bytes(const TGifDocument& Doc)
{
    TMemoryStream S;
    GifWrite(Doc, &S);
    return ImageTest::BytesOf(S);
}

inline void Fill(TMemoryStream& S, const std::vector<uint8_t>& B) { ImageTest::FillStream(S, B); }

} // namespace GifTest
