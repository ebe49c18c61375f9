// PCX and DCX through the format classes (no Win32 beyond the picture model).
#include <gtest/gtest.h>

#include "FormatsTestUtil.h"
#include "imagelib/ImgBmc.h"
#include "imagelib/PcxGraphic.h"

using namespace FormatsTest;

namespace {

Bytes SavePcx(TPcxGraphic& G)
{
    TMemoryStream S;
    G.SaveToStream(&S);
    return BytesOf(S);
}

// A hand-made PCX header.
Bytes PcxHeader(int32_t W, int32_t H, uint8_t Bits, uint8_t Planes, uint16_t LineBytes, uint8_t Version = 5)
{
    Bytes B(128, 0);
    B[0] = 10, B[1] = Version, B[2] = 1, B[3] = Bits;
    Put16(B, 8, W - 1);
    Put16(B, 10, H - 1);
    B[65] = Planes;
    Put16(B, 66, LineBytes);
    return B;
}

} // namespace

TEST(PcxGraphic, RoundTripsEveryDepthWithExactHeader)
{
    for (ImageFormat F : {ifBlackWhite, ifColor16, ifColor256, ifTrueColor}) {
        SCOPED_TRACE(ImageFormatName(F));
        TPcxGraphic G;
        MakeColorPattern(G, 37, 13, F, 3);
        const Bytes File = SavePcx(G);
        ASSERT_GE(File.size(), 128u);
        const int32_t Bits = F == ifTrueColor ? 8 : BitsPerPixel(F);
        EXPECT_EQ(File[0], 10);
        EXPECT_EQ(File[1], 5);
        EXPECT_EQ(File[2], 1);
        EXPECT_EQ(File[3], Bits);
        EXPECT_EQ(Get16(File, 4), 0u);
        EXPECT_EQ(Get16(File, 6), 0u);
        EXPECT_EQ(Get16(File, 8), 36u);
        EXPECT_EQ(Get16(File, 10), 12u);
        EXPECT_EQ(File[65], F == ifTrueColor ? 3 : 1);
        const uint32_t Line = (37 * Bits + 7) / 8;
        EXPECT_EQ(Get16(File, 66), Line + (Line & 1));
        EXPECT_EQ(Get16(File, 68), 1u);
        if (F == ifColor256) {
            ASSERT_GT(File.size(), 769u);
            EXPECT_EQ(File[File.size() - 769], 12);
            EXPECT_EQ(File[File.size() - 768 + 3 * 5], G.LogPalette()->Entries[5].Red);
        }
        TPcxGraphic Back;
        auto S = StreamOf(File);
        Back.LoadFromStream(S.get());
        EXPECT_TRUE(SameColors(G, Back));
    }
}

TEST(PcxGraphic, DpiInResolutionFieldsAndStreamLeftAtEnd)
{
    TPcxGraphic G;
    MakePattern(G, 20, 10, ifColor256);
    G.SetXDpi(300);
    G.SetYDpi(300);
    TMemoryStream S;
    const uint8_t Prefix[7] = {1, 2, 3, 4, 5, 6, 7};
    S.WriteBuffer(Prefix, 7);
    G.SaveToStream(&S);
    EXPECT_EQ(S.GetPosition(), S.GetSize());
    const Bytes All = BytesOf(S);
    EXPECT_EQ(All[7 + 12], 0x2C);
    EXPECT_EQ(All[7 + 13], 0x01);
    EXPECT_EQ(All[7 + 14], 0x2C);
    EXPECT_EQ(All[7 + 15], 0x01);
    // Behind the 7-byte prefix it loads the same.
    S.SetPosition(7);
    TPcxGraphic Back;
    Back.LoadFromStream(&S);
    EXPECT_EQ(Back.GetXDpi(), 300);
    EXPECT_EQ(Back.GetYDpi(), 300);
    EXPECT_TRUE(SameColors(G, Back));
}

TEST(PcxGraphic, FourPlanesOfOneBitMergeWithPlaneInItsBit)
{
    // 8 x 1 pixels, 4 planes of 1 byte (padded to 2), plane p: pixel x set when bit p of x is set.
    Bytes F = PcxHeader(8, 1, 1, 4, 2);
    for (int P = 0; P < 4; ++P) {
        uint8_t Byte = 0;
        for (int X = 0; X < 8; ++X)
            if (X & (1 << P))
                Byte |= static_cast<uint8_t>(0x80 >> X);
        F.push_back(0xC1), F.push_back(Byte); // single bytes as runs of 1
        F.push_back(0);
    }
    for (int I = 0; I < 16; ++I) // header palette: entry i = (i*16, 0, 0)
        F[16 + 3 * I] = static_cast<uint8_t>(I * 16);
    TPcxGraphic G;
    auto S = StreamOf(F);
    G.LoadFromStream(S.get());
    ASSERT_EQ(G.GetImageFormat(), ifColor16);
    for (int X = 0; X < 8; ++X)
        EXPECT_EQ(G.GetPixelIndex(X, 0), X) << X;
    EXPECT_EQ(G.GetPixelColor(3, 0), PackRgb(48, 0, 0));
}

TEST(PcxGraphic, RunsAcrossLinesAndTrunc)
{
    // 4 x 2, 8 bits: a run of six 7s crosses into line 2, then 9, 9, 5, 5.
    Bytes F = PcxHeader(4, 2, 8, 1, 4);
    for (uint8_t B : {0xC6, 7, 9, 9, 5, 5})
        F.push_back(B);
    F.push_back(0x0C);
    for (int I = 0; I < 768; ++I)
        F.push_back(static_cast<uint8_t>(I / 3));
    TPcxGraphic G;
    auto S = StreamOf(F);
    G.LoadFromStream(S.get());
    const uint8_t Carried[2][4] = {{7, 7, 7, 7}, {7, 7, 9, 9}};
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 4; ++X)
            EXPECT_EQ(G.GetPixelIndex(X, Y), Carried[Y][X]) << X << "," << Y;
    // With "trunc" the run's rest is dropped at the line end.
    TPcxGraphic Cut;
    auto S2 = StreamOf(F);
    BmcReadGraphic(S2.get(), &Cut, "File.pcx", nullptr, "trunc");
    const uint8_t Dropped[2][4] = {{7, 7, 7, 7}, {9, 9, 5, 5}};
    for (int Y = 0; Y < 2; ++Y)
        for (int X = 0; X < 4; ++X)
            EXPECT_EQ(Cut.GetPixelIndex(X, Y), Dropped[Y][X]) << X << "," << Y;
}

TEST(PcxGraphic, BadTrailerAndVersions)
{
    TPcxGraphic G;
    MakePattern(G, 8, 8, ifColor256);
    Bytes F = SavePcx(G);
    F[F.size() - 769] = 11;
    TPcxGraphic Back;
    auto S = StreamOf(F);
    EXPECT_EQ(ErrorOf([&] { Back.LoadFromStream(S.get()); }), "bmc_read_header failed.");

    // Version 4 (palette-less) loads; versions 1 and 6 are refused by both tests.
    TPcxGraphic One;
    MakePattern(One, 16, 4, ifBlackWhite);
    Bytes V = SavePcx(One);
    V[1] = 4;
    auto S4 = StreamOf(V);
    EXPECT_TRUE(TPcxGraphic().CanLoadStream(S4.get()));
    TPcxGraphic Four;
    Four.LoadFromStream(S4.get());
    EXPECT_TRUE(SameColors(One, Four));
    for (uint8_t Bad : {1, 6}) {
        V[1] = Bad;
        auto SB = StreamOf(V);
        EXPECT_FALSE(TPcxGraphic().CanLoadStream(SB.get()));
        TPcxGraphic X;
        EXPECT_EQ(ErrorOf([&] { X.LoadFromStream(SB.get()); }), "bmc_read_header failed.");
    }
}

TEST(PcxGraphic, OneBitWithInvertedPaletteWritesInvertedBits)
{
    TDibLogPalette Pal{};
    Pal.Version = 0x300;
    Pal.NumEntries = 2;
    Pal.Entries[0] = {255, 255, 255, 0};
    Pal.Entries[1] = {0, 0, 0, 0};
    TPcxGraphic G;
    G.NewImage(16, 2, ifBlackWhite, &Pal);
    G.SetPixelIndex(3, 0, 1); // black
    const Bytes F = SavePcx(G);
    TPcxGraphic Back;
    auto S = StreamOf(F);
    Back.LoadFromStream(S.get());
    EXPECT_TRUE(SameColors(G, Back));
    EXPECT_EQ(Back.GetPixelColor(3, 0), 0u);
    EXPECT_EQ(Back.GetPixelColor(4, 0), 0xFFFFFFu);
}

TEST(DcxGraphic, ThreePagesTableAndLoad)
{
    TDcxGraphic Pages[3];
    TMemoryStream S;
    for (int I = 0; I < 3; ++I) {
        MakePattern(Pages[I], 10 + I, 5 + I, I == 1 ? ifTrueColor : ifColor256, I + 1);
        Pages[I].AppendImageToStream(&S);
    }
    const Bytes F = BytesOf(S);
    EXPECT_EQ(Get32(F, 0), 987654321u);
    EXPECT_EQ(Get32(F, 4), 4100u);
    EXPECT_EQ(Get32(F, 16), 0u);
    TDcxGraphic Reader;
    S.SetPosition(0);
    EXPECT_TRUE(Reader.CanLoadStream(&S));
    EXPECT_EQ(Reader.GetStreamImageCount(&S), 3);
    // Page 2 spans from the second offset to the third: it is exactly that PCX.
    TMemoryStream One;
    Pages[1].TPcxGraphic::SaveToStream(&One);
    EXPECT_EQ(Get32(F, 12) - Get32(F, 8), static_cast<uint32_t>(One.GetSize()));
    for (int I = 0; I < 3; ++I) {
        TDcxGraphic Back;
        S.SetPosition(0);
        Back.LoadImageFromStream(&S, I + 1);
        EXPECT_TRUE(SameColors(Pages[I], Back)) << I;
    }
    TDcxGraphic All;
    All.SetLoadAllImages(true);
    S.SetPosition(0);
    All.LoadFromStream(&S);
    EXPECT_EQ(All.GetFrameCount(), 3);
}

TEST(DcxGraphic, FullTableAndInvalidHeaders)
{
    TDcxGraphic G;
    MakePattern(G, 4, 4, ifColor256);
    TMemoryStream S;
    G.SaveToStream(&S);
    // Fill the table so the 0 entry is the last slot before the first page.
    Bytes F = BytesOf(S);
    for (int I = 1; I < 1023; ++I)
        Put32(F, 4 + 4 * I, 4100);
    Put32(F, 4 + 4 * 1023, 0);
    auto Full = StreamOf(F);
    EXPECT_EQ(ErrorOf([&] { G.AppendImageToStream(Full.get()); }), "The DCX file header is full");
    // One slot fewer still takes a page.
    Put32(F, 4 + 4 * 1022, 0);
    auto Room = StreamOf(F);
    G.AppendImageToStream(Room.get());
    Room->SetPosition(0);
    EXPECT_EQ(TDcxGraphic().GetStreamImageCount(Room.get()), 1023);

    const std::string Invalid = "The DCX file header is not valid";
    Bytes Good = BytesOf(S);
    Bytes BadMagic = Good;
    BadMagic[0] ^= 1;
    auto SM = StreamOf(BadMagic);
    EXPECT_EQ(ErrorOf([&] { TDcxGraphic().GetStreamImageCount(SM.get()); }), Invalid);
    EXPECT_EQ(ErrorOf([&] { SM->SetPosition(0); TDcxGraphic().LoadImageFromStream(SM.get(), 1); }), Invalid);
    auto SG = StreamOf(Good);
    EXPECT_EQ(ErrorOf([&] { SG->SetPosition(0); TDcxGraphic().LoadImageFromStream(SG.get(), 0); }), Invalid);
    EXPECT_EQ(ErrorOf([&] { SG->SetPosition(0); TDcxGraphic().LoadImageFromStream(SG.get(), 2); }), Invalid);
    // A page ending before it starts, and one beyond the stream.
    Bytes Backwards = Good;
    Put32(Backwards, 4, 5000);
    Put32(Backwards, 8, 4200);
    auto SB = StreamOf(Backwards);
    EXPECT_EQ(ErrorOf([&] { TDcxGraphic().LoadImageFromStream(SB.get(), 1); }), Invalid);
    Bytes Beyond = Good;
    Put32(Beyond, 4, 0x7FFFFFF0);
    auto SY = StreamOf(Beyond);
    EXPECT_EQ(ErrorOf([&] { TDcxGraphic().LoadImageFromStream(SY.get(), 1); }), Invalid);
    // A short table.
    auto Short = StreamOf(Bytes(Good.begin(), Good.begin() + 6));
    EXPECT_EQ(ErrorOf([&] { TDcxGraphic().GetStreamImageCount(Short.get()); }), Invalid);
}
