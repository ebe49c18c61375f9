// Targa through the format class (no Win32 beyond the picture model).
#include <gtest/gtest.h>

#include "FormatsTestUtil.h"
#include "imagelib/TgaGraphic.h"

using namespace FormatsTest;

namespace {

Bytes TgaHeader(uint8_t Type, int32_t W, int32_t H, uint8_t Bits, uint8_t Descriptor = 0, uint8_t MapType = 0,
                uint16_t MapFirst = 0, uint16_t MapLength = 0, uint8_t MapBits = 0)
{
    Bytes B(18, 0);
    B[1] = MapType, B[2] = Type;
    Put16(B, 3, MapFirst);
    Put16(B, 5, MapLength);
    B[7] = MapBits;
    Put16(B, 12, W);
    Put16(B, 14, H);
    B[16] = Bits, B[17] = Descriptor;
    return B;
}

void Load(TTgaGraphic& G, const Bytes& F)
{
    auto S = StreamOf(F);
    G.LoadFromStream(S.get());
}

} // namespace

TEST(TgaGraphic, OriginsLoadEqual)
{
    // 2 x 2, 24 bits; rows A (top) and B (bottom).
    const Bytes A = {1, 2, 3, 4, 5, 6}, B = {7, 8, 9, 10, 11, 12};
    Bytes Top = TgaHeader(2, 2, 2, 24, 0x20);
    Top.insert(Top.end(), A.begin(), A.end());
    Top.insert(Top.end(), B.begin(), B.end());
    Bytes Bottom = TgaHeader(2, 2, 2, 24, 0);
    Bottom.insert(Bottom.end(), B.begin(), B.end());
    Bottom.insert(Bottom.end(), A.begin(), A.end());
    TTgaGraphic G1, G2;
    Load(G1, Top);
    Load(G2, Bottom);
    EXPECT_TRUE(SameColors(G1, G2));
    EXPECT_EQ(G1.GetPixelColor(0, 0), PackRgb(3, 2, 1));
    EXPECT_EQ(G1.GetPixelColor(1, 1), PackRgb(12, 11, 10));
}

TEST(TgaGraphic, RleAcrossRowsAndDepths)
{
    // 3 x 2 type 10: a repeat packet of 4 crosses row 1 into row 2, then 2 raw pixels.
    Bytes F = TgaHeader(10, 3, 2, 24, 0x20);
    for (uint8_t V : {0x83, 10, 20, 30, 0x01, 1, 1, 1, 2, 2, 2})
        F.push_back(V);
    TTgaGraphic G;
    Load(G, F);
    EXPECT_EQ(G.GetImageFormat(), ifTrueColor);
    EXPECT_EQ(G.GetPixelColor(2, 0), PackRgb(30, 20, 10));
    EXPECT_EQ(G.GetPixelColor(0, 1), PackRgb(30, 20, 10));
    EXPECT_EQ(G.GetPixelColor(1, 1), PackRgb(1, 1, 1));
    EXPECT_EQ(G.GetPixelColor(2, 1), PackRgb(2, 2, 2));
    // 16 bits: 0x7FFF is (248, 248, 248); 32 bits drop the fourth byte.
    Bytes F16 = TgaHeader(2, 1, 1, 16);
    F16.push_back(0xFF), F16.push_back(0x7F);
    TTgaGraphic G16;
    Load(G16, F16);
    EXPECT_EQ(G16.GetImageFormat(), ifTrueColor);
    EXPECT_EQ(G16.GetPixelColor(0, 0), PackRgb(248, 248, 248));
    Bytes F32 = TgaHeader(2, 1, 1, 32);
    for (uint8_t V : {5, 6, 7, 0})
        F32.push_back(V);
    TTgaGraphic G32;
    Load(G32, F32);
    EXPECT_EQ(G32.GetPixelColor(0, 0), PackRgb(7, 6, 5));
}

TEST(TgaGraphic, SixteenBitMapRefused)
{
    Bytes F = TgaHeader(1, 1, 1, 8, 0, 1, 0, 2, 16);
    F.resize(F.size() + 4 + 1);
    TTgaGraphic G;
    EXPECT_FALSE(G.CanLoadStream(StreamOf(F).get()));
    EXPECT_EQ(ErrorOf([&] { Load(G, F); }), "bmc_read_header failed.");
}

TEST(TgaGraphic, WritesColourMappedGreyAndTrueColour)
{
    TTgaGraphic C;
    MakeColorPattern(C, 9, 4, ifColor256, 2);
    TMemoryStream S;
    C.SaveToStream(&S);
    const Bytes F = BytesOf(S);
    EXPECT_EQ(F[1], 1);
    EXPECT_EQ(F[2], 1);
    EXPECT_EQ(Get16(F, 3), 0u);
    EXPECT_EQ(Get16(F, 5), 256u);
    EXPECT_EQ(F[7], 24);
    EXPECT_EQ(F[16], 8);
    EXPECT_EQ(F.size(), 18u + 768u + 9u * 4u);
    EXPECT_EQ(F[18 + 3 * 7 + 2], C.LogPalette()->Entries[7].Red);
    TTgaGraphic Back;
    Load(Back, F);
    EXPECT_TRUE(SameColors(C, Back));

    TTgaGraphic Grey;
    MakePattern(Grey, 5, 3, ifGray256);
    TMemoryStream SG;
    Grey.SaveToStream(&SG);
    const Bytes FG = BytesOf(SG);
    EXPECT_EQ(FG[2], 1);
    EXPECT_EQ(FG[18 + 3 * 100], 100); // the grey map
    TTgaGraphic GreyBack;
    Load(GreyBack, FG);
    EXPECT_TRUE(SameColors(Grey, GreyBack));

    TTgaGraphic T;
    MakePattern(T, 7, 5, ifTrueColor);
    TMemoryStream ST;
    T.SaveToStream(&ST);
    const Bytes FT = BytesOf(ST);
    EXPECT_EQ(FT[1], 0);
    EXPECT_EQ(FT[2], 2);
    EXPECT_EQ(FT[16], 24);
    TTgaGraphic TBack;
    Load(TBack, FT);
    EXPECT_TRUE(SameColors(T, TBack));
}

TEST(TgaGraphic, SixteenColoursRefused)
{
    for (ImageFormat F : {ifColor16, ifGray16, ifBlackWhite}) {
        TTgaGraphic G;
        MakePattern(G, 4, 4, F);
        TMemoryStream S;
        EXPECT_EQ(ErrorOf([&] { G.SaveToStream(&S); }), "TARGA image must be true color or 8 bit with palette");
        EXPECT_EQ(S.GetSize(), 0);
    }
}
