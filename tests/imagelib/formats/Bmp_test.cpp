// BMP through the format class (the reading cases need nothing of Windows beyond the picture
// model except the two fallback cases, which the platform reads).
#include <gtest/gtest.h>

#include "FormatsTestUtil.h"
#include "imagelib/BitmapGraphic.h"
#include "imagelib/ImgBmc.h"
#include "imagelib/bmc/Bmc.h"

using namespace FormatsTest;

namespace {

// An OS/2 1.x file: 12-byte header, 3-byte palette entries.
Bytes Os2Bmp(int32_t W, int32_t H, const std::vector<std::array<uint8_t, 3>>& Pal, const Bytes& Rows, uint16_t Bits)
{
    Bytes B(14 + 12, 0);
    B[0] = 'B', B[1] = 'M';
    Put32(B, 14, 12);
    Put16(B, 18, W);
    Put16(B, 20, H);
    Put16(B, 22, 1);
    Put16(B, 24, Bits);
    for (auto& E : Pal)
        B.insert(B.end(), E.begin(), E.end());
    Put32(B, 10, static_cast<uint32_t>(B.size()));
    B.insert(B.end(), Rows.begin(), Rows.end());
    Put32(B, 2, static_cast<uint32_t>(B.size()));
    return B;
}

// A Windows 3 file with a 40-byte header and 4-byte palette entries.
Bytes WinBmp(int32_t W, int32_t H, uint16_t Bits, uint32_t Compression, uint32_t ColorsUsed, uint32_t Entries,
             const Bytes& Data, int32_t PelsPerMetre = 0)
{
    Bytes B(54, 0);
    B[0] = 'B', B[1] = 'M';
    Put32(B, 14, 40);
    Put32(B, 18, static_cast<uint32_t>(W));
    Put32(B, 22, static_cast<uint32_t>(H));
    Put16(B, 26, 1);
    Put16(B, 28, Bits);
    Put32(B, 30, Compression);
    Put32(B, 38, static_cast<uint32_t>(PelsPerMetre));
    Put32(B, 42, static_cast<uint32_t>(PelsPerMetre));
    Put32(B, 46, ColorsUsed);
    for (uint32_t I = 0; I < Entries; ++I)
        for (uint8_t V : {uint8_t(I * 10), uint8_t(I * 20), uint8_t(I * 30), uint8_t(0)})
            B.push_back(V);
    Put32(B, 10, static_cast<uint32_t>(B.size()));
    B.insert(B.end(), Data.begin(), Data.end());
    Put32(B, 2, static_cast<uint32_t>(B.size()));
    return B;
}

void Load(TBitmapGraphic& G, const Bytes& F)
{
    auto S = StreamOf(F);
    G.LoadFromStream(S.get());
}

} // namespace

TEST(BitmapGraphic, Os2FileAndArrayLoadFirstBitmapWithoutDpi)
{
    // 2 x 2, 8 bits, rows bottom-up padded to 4.
    const Bytes Rows = {1, 0, 0, 0, 0, 1, 0, 0};
    const Bytes F = Os2Bmp(2, 2, std::vector<std::array<uint8_t, 3>>(256, {0, 0, 0}), Rows, 8);
    Bytes Pal = F;
    Pal[26 + 3] = 0x10, Pal[26 + 4] = 0x20, Pal[26 + 5] = 0x30; // entry 1 = B, G, R
    TBitmapGraphic G;
    Load(G, Pal);
    EXPECT_EQ(G.GetImageFormat(), ifColor256);
    EXPECT_EQ(G.GetPixelColor(0, 1), PackRgb(0x30, 0x20, 0x10)); // bottom row, first pixel
    EXPECT_EQ(G.GetPixelColor(1, 0), PackRgb(0x30, 0x20, 0x10));
    EXPECT_EQ(G.GetPixelColor(0, 0), 0u);
    EXPECT_EQ(G.GetXDpi(), 0);
    EXPECT_EQ(G.GetYDpi(), 0);
    // A "BA" array: 14-byte array header, then the same file (offsets from the array's start).
    Bytes Array(14, 0);
    Array[0] = 'B', Array[1] = 'A';
    Array[2] = 14;
    Bytes Inner = Pal;
    Put32(Inner, 10, Get32(Inner, 10) + 14);
    Array.insert(Array.end(), Inner.begin(), Inner.end());
    TBitmapGraphic A;
    Load(A, Array);
    EXPECT_TRUE(SameColors(G, A));
    EXPECT_EQ(A.GetXDpi(), 0);
}

TEST(BitmapGraphic, Rle8EndOfBitmapLeavesRestZero)
{
    // 4 x 10, RLE8: rows 1..3 (from the bottom) filled with 5, then end of bitmap.
    Bytes Data;
    for (int Row = 0; Row < 3; ++Row)
        for (uint8_t V : {4, 5, 0, 0})
            Data.push_back(V);
    Data.push_back(0), Data.push_back(1);
    TBitmapGraphic G;
    Load(G, WinBmp(4, 10, 8, 1, 0, 256, Data));
    for (int32_t Y = 0; Y < 10; ++Y)
        for (int32_t X = 0; X < 4; ++X)
            EXPECT_EQ(G.GetPixelIndex(X, Y), Y >= 7 ? 5 : 0) << X << "," << Y;
}

TEST(BitmapGraphic, Rle4Loads)
{
    // 8 x 2: repeat 4 nibbles of 1,2; a literal of 3 nibbles 3,4,5 (2 bytes); end of line;
    // a literal of 5 nibbles (3 bytes, padded to 4).
    const Bytes Data = {4, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 5, 0x67, 0x89, 0xA0, 0, 0, 1};
    TBitmapGraphic G;
    Load(G, WinBmp(8, 2, 4, 2, 0, 16, Data));
    const uint8_t Want[8] = {1, 2, 1, 2, 3, 4, 5, 0};
    const uint8_t Top[8] = {6, 7, 8, 9, 10, 0, 0, 0};
    for (int X = 0; X < 8; ++X)
        EXPECT_EQ(G.GetPixelIndex(X, 0), Top[X]) << X;
    for (int X = 0; X < 8; ++X)
        EXPECT_EQ(G.GetPixelIndex(X, 1), Want[X]) << X;
}

TEST(BitmapGraphic, ColoursUsedCutAndDpi)
{
    // 1 bit, colours used 300: cut to 2, the palette read from the right place.
    const Bytes Rows = {0x80, 0, 0, 0};
    TBitmapGraphic G;
    Load(G, WinBmp(1, 1, 1, 0, 300, 2, Rows, 3780));
    EXPECT_EQ(G.GetXDpi(), 96);
    EXPECT_EQ(G.GetYDpi(), 96);
    // "inv": the palette as stored, entry 1 = (30, 20, 10).
    EXPECT_EQ(G.GetPixelIndex(0, 0), 1);
    EXPECT_EQ(G.GetPixelColor(0, 0), PackRgb(30, 20, 10));
    // Through the codec without "inv" the two entries are exchanged.
    TBitmapGraphic Swapped;
    auto S = StreamOf(WinBmp(1, 1, 1, 0, 2, 2, Rows));
    BmcReadGraphic(S.get(), &Swapped, "File.bmp", nullptr, "");
    EXPECT_EQ(Swapped.GetPixelColor(0, 0), 0u);
}

TEST(BitmapGraphic, PlatformFallbackForBitfieldsAndTopDown)
{
    // 2 x 2, 32 bits, BI_BITFIELDS with the usual masks: red, green, blue bytes.
    Bytes Data = {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0};
    Bytes F = WinBmp(2, 2, 32, 3, 0, 0, Bytes());
    Bytes Masks(12);
    Put32(Masks, 0, 0x00FF0000);
    Put32(Masks, 4, 0x0000FF00);
    Put32(Masks, 8, 0x000000FF);
    F.insert(F.end(), Masks.begin(), Masks.end());
    Put32(F, 10, static_cast<uint32_t>(F.size()));
    F.insert(F.end(), Data.begin(), Data.end());
    Put32(F, 2, static_cast<uint32_t>(F.size()));
    TBitmapGraphic G;
    Load(G, F);
    EXPECT_EQ(G.GetPixelColor(0, 1), PackRgb(3, 2, 1)); // bottom row first
    EXPECT_EQ(G.GetPixelColor(1, 0), PackRgb(12, 11, 10));

    // Top-down 24 bits: the first row in the file is the top row.
    Bytes Td = WinBmp(1, -2, 24, 0, 0, 0, {1, 2, 3, 0, 4, 5, 6, 0});
    TBitmapGraphic T;
    Load(T, Td);
    ASSERT_EQ(T.GetHeight(), 2);
    EXPECT_EQ(T.GetPixelColor(0, 0), PackRgb(3, 2, 1));
    EXPECT_EQ(T.GetPixelColor(0, 1), PackRgb(6, 5, 4));
}

TEST(BitmapGraphic, SaveIsByteExactForEveryFormat)
{
    for (int32_t F = 0; F < kImageFormatCount; ++F) {
        SCOPED_TRACE(ImageFormatName(F));
        TBitmapGraphic G;
        MakePattern(G, 13, 7, static_cast<ImageFormat>(F), F + 1);
        TMemoryStream S;
        G.SaveToStream(&S);
        const Bytes B = BytesOf(S);
        const uint32_t Entries = F == ifTrueColor ? 0 : G.LogPalette()->NumEntries;
        const uint32_t Size = 54 + 4 * Entries + 7 * G.BytesPerLine();
        ASSERT_EQ(B.size(), Size);
        EXPECT_EQ(B[0], 'B');
        EXPECT_EQ(B[1], 'M');
        EXPECT_EQ(Get32(B, 2), Size);
        EXPECT_EQ(Get32(B, 6), 0u);
        EXPECT_EQ(Get32(B, 10), 54 + 4 * Entries);
        EXPECT_EQ(0, std::memcmp(B.data() + 14, &G.GetBitmapInfo().Header, 40));
        EXPECT_EQ(0, std::memcmp(B.data() + 54, G.GetBitmapInfo().Colors, 4 * Entries));
        EXPECT_EQ(0, std::memcmp(B.data() + 54 + 4 * Entries, G.ScanLine(6), 7 * G.BytesPerLine()));
        TBitmapGraphic Back;
        Load(Back, B);
        EXPECT_TRUE(SameColors(G, Back));
    }
}

TEST(BitmapGraphic, CodecWriterOs2AndConflicts)
{
    TBitmapGraphic G;
    MakePattern(G, 5, 3, ifColor256);
    BMC Bmc;
    Bmc.width = 5, Bmc.height = 3, Bmc.bpp = 8;
    BMCRGB Pal[256] = {};
    for (int I = 0; I < 256; ++I)
        Pal[I] = {G.LogPalette()->Entries[I].Red, G.LogPalette()->Entries[I].Green, G.LogPalette()->Entries[I].Blue};
    TMemoryStream S;
    ASSERT_EQ(bmc_write("x.bmp", &S, 0, &Bmc, Pal, G.ScanLine(2), "1.1", nullptr, nullptr), 0);
    const Bytes B = BytesOf(S);
    EXPECT_EQ(Get32(B, 14), 12u);
    EXPECT_EQ(Get32(B, 10), 14u + 12u + 3u * 256u);
    TBitmapGraphic Back;
    Load(Back, B);
    EXPECT_TRUE(SameColors(G, Back));
    TMemoryStream S2;
    EXPECT_EQ(bmc_write("x.bmp", &S2, 0, &Bmc, Pal, G.ScanLine(2), "1.1 win", nullptr, nullptr), 3);
}
