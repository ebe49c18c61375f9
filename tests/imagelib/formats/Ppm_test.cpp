// PBM, PGM and PPM (no Win32 beyond the picture model).
#include <gtest/gtest.h>

#include "FormatsTestUtil.h"
#include "imagelib/PpmGraphic.h"

using namespace FormatsTest;

namespace {

void Load(TPpmGraphic& G, const std::string& Text)
{
    auto S = StreamOf(TextBytes(Text));
    G.LoadFromStream(S.get());
}
void LoadBytes(TPpmGraphic& G, const Bytes& B)
{
    auto S = StreamOf(B);
    G.LoadFromStream(S.get());
}
std::string Save(TPpmGraphic& G, bool Binary)
{
    G.SetBinary(Binary);
    TMemoryStream S;
    G.SaveToStream(&S);
    const Bytes B = BytesOf(S);
    return std::string(B.begin(), B.end());
}

} // namespace

TEST(PpmGraphic, EveryKindRoundTripsInBothModes)
{
    for (int32_t F = 0; F < kImageFormatCount; ++F)
        for (bool Binary : {false, true}) {
            SCOPED_TRACE(ImageFormatName(F) + (Binary ? " raw" : " ascii"));
            TPpmGraphic G;
            MakePattern(G, 41, 9, static_cast<ImageFormat>(F), F + 7);
            const std::string Text = Save(G, Binary);
            TPpmGraphic Back;
            Load(Back, Text);
            EXPECT_EQ(Back.GetBinary(), Binary);
            EXPECT_TRUE(SameColors(G, Back));
            if (!Binary) {
                size_t Start = 0;
                for (size_t End; (End = Text.find('\n', Start)) != std::string::npos; Start = End + 1)
                    EXPECT_LE(End - Start, 70u);
                EXPECT_EQ(Text.back(), '\n');
            }
        }
}

TEST(PpmGraphic, HeaderAndGreyLevels)
{
    TPpmGraphic G;
    G.NewImage(3, 2, ifGray16);
    G.SetPixelIndex(0, 0, 15);
    G.SetPixelIndex(1, 0, 1);
    const std::string Text = Save(G, true);
    const std::string Head = "P5\n# Created By Didodaza Image Library\n3 2\n255\n";
    ASSERT_EQ(Text.substr(0, Head.size()), Head);
    ASSERT_EQ(Text.size(), Head.size() + 6);
    EXPECT_EQ(static_cast<uint8_t>(Text[Head.size()]), G.GetPixelColor(0, 0) & 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(Text[Head.size()]), 255);
    EXPECT_EQ(static_cast<uint8_t>(Text[Head.size() + 1]), G.GetPixelColor(1, 0) & 0xFF);
}

TEST(PpmGraphic, P1DigitsAndBlanks)
{
    TPpmGraphic G;
    Load(G, "P1\n# comment\n2 1\n0 1\n");
    EXPECT_EQ(G.GetImageFormat(), ifBlackWhite);
    EXPECT_EQ(G.GetPixelColor(0, 0), 0xFFFFFFu);
    EXPECT_EQ(G.GetPixelColor(1, 0), 0u);
    const std::string Back = Save(G, false);
    EXPECT_EQ(Back, "P1\n# Created By Didodaza Image Library\n2 1\n0 1\n");
    TPpmGraphic Packed;
    Load(Packed, "P1 4 1 0110");
    EXPECT_EQ(Packed.GetWidth(), 4);
    EXPECT_EQ(Packed.GetPixelColor(0, 0), 0xFFFFFFu);
    EXPECT_EQ(Packed.GetPixelColor(1, 0), 0u);
    EXPECT_EQ(Packed.GetPixelColor(2, 0), 0u);
    EXPECT_EQ(Packed.GetPixelColor(3, 0), 0xFFFFFFu);
}

TEST(PpmGraphic, CommentsBetweenFieldsAndRawBytesThatLookLikeText)
{
    TPpmGraphic G;
    Bytes B = TextBytes("P5\n#a\n4#b\n 1 #c\n255\n");
    for (uint8_t V : {0x23, 0x0A, 0x0D, 0x20})
        B.push_back(V);
    LoadBytes(G, B);
    EXPECT_EQ(G.GetPixelColor(0, 0), PackRgb(0x23, 0x23, 0x23));
    EXPECT_EQ(G.GetPixelColor(1, 0), PackRgb(0x0A, 0x0A, 0x0A));
    EXPECT_EQ(G.GetPixelColor(2, 0), PackRgb(0x0D, 0x0D, 0x0D));
    EXPECT_EQ(G.GetPixelColor(3, 0), PackRgb(0x20, 0x20, 0x20));
}

TEST(PpmGraphic, SamplesScaledFromMaximum)
{
    TPpmGraphic G16;
    Bytes B = TextBytes("P5 2 1 65535\n");
    for (uint8_t V : {0xFF, 0xFF, 0x80, 0x80})
        B.push_back(V);
    LoadBytes(G16, B);
    EXPECT_EQ(G16.GetPixelColor(0, 0) & 0xFF, 255u);
    EXPECT_EQ(G16.GetPixelColor(1, 0) & 0xFF, 128u);
    TPpmGraphic P6;
    Bytes C = TextBytes("P6 1 1 65535\n");
    for (uint8_t V : {0xFF, 0xFF, 0x80, 0x80, 0, 0})
        C.push_back(V);
    LoadBytes(P6, C);
    EXPECT_EQ(P6.GetPixelColor(0, 0), PackRgb(255, 128, 0));
    TPpmGraphic G15;
    Load(G15, "P2 3 1 15 15 0 20\n");
    EXPECT_EQ(G15.GetPixelColor(0, 0) & 0xFF, 255u);
    EXPECT_EQ(G15.GetPixelColor(1, 0) & 0xFF, 0u);
    EXPECT_EQ(G15.GetPixelColor(2, 0) & 0xFF, 255u); // above the maximum
}

TEST(PpmGraphic, BadFilesRaise)
{
    const std::string Bad = "Not a valid PPM file";
    TPpmGraphic G;
    EXPECT_EQ(ErrorOf([&] { Load(G, "P7 1 1 255\n"); }), Bad);
    EXPECT_EQ(ErrorOf([&] { Load(G, "Q6 1 1 255\n"); }), Bad);
    EXPECT_EQ(ErrorOf([&] { Load(G, "P2 1 1 0 0\n"); }), Bad);
    EXPECT_EQ(ErrorOf([&] { Load(G, "P2 1 1 65536 0\n"); }), Bad);
    EXPECT_EQ(ErrorOf([&] { Load(G, "P6 2 2 255\nabcdefghij"); }), Bad);
    EXPECT_TRUE(G.GetEmpty());
    EXPECT_EQ(ErrorOf([&] { Load(G, "P1 2 1 0 2\n"); }), Bad);
    EXPECT_EQ(ErrorOf([&] { Load(G, "P3 1 1 255 1 2\n"); }), Bad);
    EXPECT_EQ(ErrorOf([&] { Load(G, "P2 1234567890 1 255 0\n"); }), Bad);
    EXPECT_EQ(ErrorOf([&] { Load(G, "P2 1 1 255 -5\n"); }), Bad);
    EXPECT_EQ(ErrorOf([&] { Load(G, "P5 100000 100000 255\n"); }), "Invalid image dimensions");
    EXPECT_EQ(ErrorOf([&] { Load(G, "P"); }), Bad);
}
