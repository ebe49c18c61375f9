#pragma once
// Pictures shared by the transform tests.

#include <cstdint>
#include <vector>

#include "imagelib/ImgDib.h"
#include "imagelib/ImgTransf.h"
#include "tests/imagelib/support/Pictures.h"

namespace TransformTest {

using ImageTest::ErrorOf;
using ImageTest::kNoException;
using ImageTest::Raw;
using ImageTest::SameBytes;

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
