// The computing half of the picture model: palettes, layout, pixels, guard, resolution,
// registry, frames.
#include <gtest/gtest.h>

#include <cstring>

#include "imagelib/ImgDib.h"
#include "imagelib/ImgMisc.h"
#include "platform/rtl/Stream.h"
#include "tests/imagelib/dib/TestGraphics.h"
#include "tests/imagelib/support/Pictures.h"

namespace {

using ImageTest::kNoException;

// Only the library's own error class counts.
constexpr auto ErrorOf = [](auto&& Call) { return ImageTest::ErrorOf<EDidodazaError>(Call); };

uint32_t Entry(const TDibLogPalette* P, int I)
{
    return PackRgb(P->Entries[I].Red, P->Entries[I].Green, P->Entries[I].Blue);
}

TEST(DefaultPalettes, Color256Entries)
{
    const TDibLogPalette* P = DefaultPalette(ifColor256);
    ASSERT_NE(P, nullptr);
    EXPECT_EQ(Entry(P, 21), PackRgb(69, 69, 69));
    EXPECT_EQ(Entry(P, 32), PackRgb(0, 0, 255));
    EXPECT_EQ(Entry(P, 33), PackRgb(65, 0, 255));
    for (int I = 248; I < 256; ++I)
        EXPECT_EQ(Entry(P, I), 0u) << I;
    // Last ring entry (a,b,e) of ring 9: 11, 12, 16 widened.
    EXPECT_EQ(Entry(P, 247), PackRgb(44, 48, 65));
}

TEST(DefaultPalettes, SmallPalettesAndRecords)
{
    const uint8_t Vga[16][3] = {{0, 0, 0},     {0, 0, 170},    {0, 170, 0},   {0, 170, 170}, {170, 0, 0},   {170, 0, 170},
                                {170, 85, 0},  {170, 170, 170}, {85, 85, 85},  {85, 85, 255}, {85, 255, 85}, {85, 255, 255},
                                {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255}};
    for (int I = 0; I < 16; ++I) {
        EXPECT_EQ(Entry(DefaultPalette(ifColor16), I), PackRgb(Vga[I][0], Vga[I][1], Vga[I][2])) << I;
        EXPECT_EQ(Entry(DefaultPalette(ifColor256), I), PackRgb(Vga[I][0], Vga[I][1], Vga[I][2])) << I;
        EXPECT_EQ(Entry(DefaultPalette(ifGray16), I), PackRgb(I * 17, I * 17, I * 17));
    }
    const int Counts[5] = {2, 16, 256, 16, 256};
    for (int F = 0; F < 5; ++F) {
        EXPECT_EQ(DefaultPalette(ImageFormat(F))->Version, 0x300);
        EXPECT_EQ(DefaultPalette(ImageFormat(F))->NumEntries, Counts[F]);
    }
    EXPECT_EQ(DefaultPalette(ifTrueColor), nullptr);
}

TEST(DefaultPalettes, RgbQuadsHoldRedAndBlueExchanged)
{
    TDibGraphic G;
    G.NewImage(2, 2, ifColor256);
    const TDibInfo& Info = G.GetBitmapInfo();
    EXPECT_EQ(Info.Header.ClrUsed, 256u);
    for (int I : {21, 32, 33, 100, 250}) {
        const TPaletteEntry& E = DefaultPalette(ifColor256)->Entries[I];
        EXPECT_EQ(Info.Colors[I].Red, E.Red);
        EXPECT_EQ(Info.Colors[I].Blue, E.Blue);
        EXPECT_EQ(Info.Colors[I].Green, E.Green);
    }
    uint8_t Raw[4];
    std::memcpy(Raw, &Info.Colors[33], 4);
    EXPECT_EQ(Raw[0], 255); // blue first
    EXPECT_EQ(Raw[2], 65);
}

TEST(Layout, BytesPerLine)
{
    TDibGraphic G;
    G.NewImage(3, 2, ifTrueColor);
    EXPECT_EQ(G.BytesPerLine(), 12);
    G.NewImage(3, 2, ifBlackWhite);
    EXPECT_EQ(G.BytesPerLine(), 4);
    G.NewImage(5, 2, ifColor16);
    EXPECT_EQ(G.BytesPerLine(), 4);
    EXPECT_EQ(G.GetBitmapInfo().Header.SizeImage, 8u);
}

TEST(Layout, PixelBytes)
{
    TDibGraphic G;
    G.NewImage(3, 2, ifBlackWhite);
    G.SetPixelIndex(0, 0, 1);
    // Row 0 is the last row in memory: bottom-up.
    EXPECT_EQ(G.ScanLine(0), G.ScanLine(1) + G.BytesPerLine());
    EXPECT_EQ(G.ScanLine(0)[0], 0x80);
    EXPECT_EQ(G.ScanLine(1)[0], 0x00);
    G.SetPixelIndex(0, 0, 0);
    EXPECT_EQ(G.ScanLine(0)[0], 0x00);

    G.NewImage(3, 2, ifColor16);
    G.SetPixelIndex(0, 0, 5);
    G.SetPixelIndex(1, 0, 6);
    EXPECT_EQ(G.ScanLine(0)[0], 0x56);
    EXPECT_EQ(G.GetPixelIndex(1, 0), 6);

    G.NewImage(3, 2, ifTrueColor);
    G.SetPixelColor(0, 0, 0x112233);
    const uint8_t* P = G.ScanLine(0);
    EXPECT_EQ(P[0], 0x33);
    EXPECT_EQ(P[1], 0x22);
    EXPECT_EQ(P[2], 0x11);
    EXPECT_EQ(G.GetPixelColor(0, 0), 0x112233u);
}

TEST(Pixels, PaletteColourAndErrors)
{
    TDibGraphic G;
    G.NewImage(3, 2, ifColor16);
    G.SetPixelIndex(2, 1, 1);
    EXPECT_EQ(G.GetPixelColor(2, 1), 0x0000AAu);
    G.NewImage(3, 2, ifTrueColor);
    EXPECT_EQ(ErrorOf([&] { G.GetPixelIndex(0, 0); }), "The image does not have a palette");
    EXPECT_EQ(ErrorOf([&] { G.SetPixelIndex(0, 0, 1); }), "The image does not have a palette");
    EXPECT_EQ(ErrorOf([&] { G.SetWidth(5); }), "Dimensions must be change with the NewImage method");
    EXPECT_EQ(ErrorOf([&] { G.SetHeight(5); }), "Dimensions must be change with the NewImage method");
    EXPECT_EQ(G.GetWidth(), 3);
}

TEST(Pixels, OutOfRangeRaises)
{
    TDibGraphic G;
    G.NewImage(3, 2, ifColor16);
    for (auto [X, Y] : {std::pair{3, 0}, {-1, 0}, {0, 2}, {0, -1}}) {
        EXPECT_EQ(ErrorOf([&] { G.SetPixelIndex(X, Y, 1); }), "Pixel position out of range");
        EXPECT_EQ(ErrorOf([&] { G.GetPixelColor(X, Y); }), "Pixel position out of range");
        EXPECT_EQ(ErrorOf([&] { G.SetPixelColor(X, Y, 0); }), "Pixel position out of range");
    }
    EXPECT_EQ(ErrorOf([&] { G.ScanLine(2); }), "Pixel position out of range");
    EXPECT_EQ(ErrorOf([&] { G.ScanLine(-1); }), "Pixel position out of range");
    TDibGraphic Empty;
    EXPECT_EQ(ErrorOf([&] { Empty.ScanLine(0); }), "Pixel position out of range");
}

TEST(Pixels, FillEveryFormat)
{
    TDibGraphic G;
    G.NewImage(7, 5, ifTrueColor);
    G.Fill(0x123456);
    for (int Y = 0; Y < 5; ++Y)
        for (int X = 0; X < 7; ++X)
            ASSERT_EQ(G.GetPixelColor(X, Y), 0x123456u) << X << "," << Y;
    G.NewImage(9, 3, ifColor16);
    G.Fill(0xFF0000);
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 9; ++X)
            ASSERT_EQ(G.GetPixelIndex(X, Y), 4) << X << "," << Y; // (170,0,0) is nearest
}

TEST(Converter, NearestAndCache)
{
    TRgbToPaletteConverter C(DefaultPalette(ifColor16));
    EXPECT_EQ(C.NearestIndex(0xFF0000), 4);
    TRgbToPaletteConverter C2(DefaultPalette(ifColor16));
    EXPECT_EQ(C2.NearestIndex(0x808080), 7);
    EXPECT_EQ(C2.GetMisses(), 1u);
    EXPECT_EQ(C2.GetHits(), 0u);
    EXPECT_EQ(C2.NearestIndex(0x808080), 7);
    EXPECT_EQ(C2.GetHits(), 1u);
    // Two colours sharing a slot replace each other.
    EXPECT_EQ(C2.NearestIndex(0x808080 + 1020), C2.NearestIndex(0x808080 + 1020));
    EXPECT_EQ(C2.NearestIndex(0x808080), 7);
    EXPECT_EQ(C2.GetMisses(), 3u);
    TDibLogPalette EmptyPalette{};
    TRgbToPaletteConverter C3(&EmptyPalette);
    EXPECT_EQ(C3.NearestIndex(0x123456), 0);
}

TEST(Formats, NamesBitsAndErrors)
{
    EXPECT_EQ(ErrorOf([] { BitsPerPixel(6); }), "Internal error: Invalid image format");
    EXPECT_EQ(ErrorOf([] { ImageFormatFromBitCount(16); }), "Unsupported bit count");
    const char* Names[6] = {"Black and white", "16 shades of gray", "256 shades of gray",
                            "16 color",        "256 color",         "True color"};
    const int Bits[6] = {1, 4, 8, 4, 8, 24};
    for (int F = 0; F < 6; ++F) {
        EXPECT_EQ(ImageFormatName(F), Names[F]);
        EXPECT_EQ(BitsPerPixel(F), Bits[F]);
    }
    EXPECT_EQ(ImageFormatFromBitCount(1), ifBlackWhite);
    EXPECT_EQ(ImageFormatFromBitCount(4), ifColor16);
    EXPECT_EQ(ImageFormatFromBitCount(8), ifColor256);
    EXPECT_EQ(ImageFormatFromBitCount(24), ifTrueColor);
    TDibGraphic G;
    EXPECT_EQ(ErrorOf([&] { G.NewImage(2, 2, ImageFormat(6)); }), "Internal error: Invalid image format");
}

TEST(Guard, HostileSizes)
{
    TDibGraphic G;
    struct TCase {
        int32_t W, H;
        ImageFormat F;
    };
    for (const TCase& C : {TCase{0, 5, ifTrueColor}, TCase{5, 0, ifTrueColor}, TCase{-1, 5, ifTrueColor},
                           TCase{100000, 100000, ifTrueColor}, TCase{0x20000000, 1, ifTrueColor},
                           TCase{0x7FFFFFFF, 0x7FFFFFFF, ifBlackWhite}, TCase{5, -3, ifColor256}}) {
        G.NewImage(4, 4, ifTrueColor);
        EXPECT_EQ(ErrorOf([&] { G.NewImage(C.W, C.H, C.F); }), "Invalid image dimensions") << C.W << "x" << C.H;
        EXPECT_TRUE(G.GetEmpty());
        EXPECT_EQ(G.GetWidth(), 0);
        EXPECT_EQ(G.GetHeight(), 0);
    }
    // Exactly 1 GiB is allowed in principle; just above is not.
    EXPECT_EQ(ErrorOf([&] { G.NewImage(0x40000000 / 4 + 1, 4, ifGray256); }), "Invalid image dimensions");
}

TEST(Guard, PaletteSizes)
{
    TDibGraphic G;
    TDibLogPalette Big{};
    Big.Version = 0x300;
    Big.NumEntries = 257;
    EXPECT_EQ(ErrorOf([&] { G.NewImage(2, 2, ifColor256, &Big); }), "Invalid palette size");
    EXPECT_TRUE(G.GetEmpty());

    TDibLogPalette Full = *DefaultPalette(ifGray256);
    G.NewImage(3, 2, ifColor16, &Full);
    EXPECT_EQ(G.GetBitmapInfo().Header.ClrUsed, 16u);
    EXPECT_EQ(G.LogPalette()->NumEntries, 16);
    // The converter never hands out an index the 4-bit pixel cannot hold.
    G.SetPixelColor(0, 0, 0xFFFFFF);
    G.SetPixelColor(1, 0, 0x000000);
    EXPECT_LT(G.GetPixelIndex(0, 0), 16);
    EXPECT_EQ(G.GetPixelIndex(1, 0), 0);
    EXPECT_EQ(G.ScanLine(0)[0] & 0x0F, 0);
}

TEST(Resolution, PelsPerMetre)
{
    TDibGraphic G;
    G.NewImage(2, 2, ifTrueColor, nullptr, 300, 96);
    EXPECT_EQ(G.GetBitmapInfo().Header.XPelsPerMeter, 11811);
    EXPECT_EQ(G.GetBitmapInfo().Header.YPelsPerMeter, 3780);
    EXPECT_EQ(G.GetXDpi(), 300);
    EXPECT_EQ(G.GetYDpi(), 96);
    G.SetXDpi(10000000);
    EXPECT_EQ(G.GetXDpi(), 65535);
    G.SetYDpi(-5);
    EXPECT_EQ(G.GetYDpi(), 0);
}

TEST(Registry, FindAndCreate)
{
    // TIFF is registered at library start; names find it whatever their case and folder.
    for (const char* Name : {"a.TiF", "TIF", "tif", "C:\\x.y\\pic.tif", "b.TIFF"}) {
        const TDibGraphicClass C = FindDibGraphicClass(Name);
        ASSERT_TRUE(static_cast<bool>(C)) << Name;
        EXPECT_EQ(C.ClassName, "TTiffGraphic") << Name;
    }
    const size_t Before = RegisteredDibExtensions().size();
    RegisterDibGraphic("tqx", "Test TQX", DibGraphicClassOf<TTestTifGraphic>());
    RegisterDibGraphic("qtp", "Test solids", DibGraphicClassOf<TSolidsGraphic>());
    for (const char* Name : {"a.TqX", "TQX", "tqx", "C:\\x.y\\pic.tqx"}) {
        const TDibGraphicClass C = FindDibGraphicClass(Name);
        ASSERT_TRUE(static_cast<bool>(C)) << Name;
        EXPECT_EQ(C.ClassName, "TTestTifGraphic");
    }
    EXPECT_FALSE(static_cast<bool>(FindDibGraphicClass("a.tqxx")));
    auto G = CreateGraphicForFile("x.qtp");
    EXPECT_EQ(G->ClassName(), "TSolidsGraphic");
    EXPECT_EQ(ErrorOf([] { CreateGraphicForFile("x.xyz"); }),
              "Graphic files of .xyz format are not supported or not registered");
    const std::vector<std::string> Ext = RegisteredDibExtensions();
    ASSERT_EQ(Ext.size(), Before + 2);
    EXPECT_EQ(Ext[Before], "TQX");
    EXPECT_EQ(Ext[Before + 1], "QTP");
    // The platform registry knows it too.
    EXPECT_EQ(TPicture::FindFileFormat(".tqx").ClassName, "TTestTifGraphic");
}

TEST(Frames, LoadAllImages)
{
    TMemoryStream Two;
    TSolidsGraphic::Write(&Two, {{3, 2, 0x112233}, {5, 4, 0x445566}});
    TSolidsGraphic G;
    G.SetLoadAllImages(true);
    Two.SetPosition(0);
    G.LoadFromStream(&Two);
    EXPECT_TRUE(G.GetLoadAllImages());
    ASSERT_EQ(G.GetFrameCount(), 2);
    EXPECT_EQ(G.GetCurrentFrame(), 1);
    EXPECT_EQ(G.GetWidth(), 3);
    EXPECT_EQ(G.GetPixelColor(2, 1), 0x112233u);
    EXPECT_EQ(G.GetFrame(2)->GetPixelColor(4, 3), 0x445566u);
    EXPECT_EQ(G.GetFrame(2)->ClassName(), "TSolidsGraphic");
    G.FrameTimer();
    EXPECT_EQ(G.GetCurrentFrame(), 2);
    EXPECT_EQ(G.GetPixelColor(4, 3), 0x445566u);
    G.FrameTimer(); // at the last frame: back to 1
    EXPECT_EQ(G.GetCurrentFrame(), 1);
    EXPECT_EQ(G.GetWidth(), 3);
    EXPECT_EQ(ErrorOf([&] { G.GetFrame(0); }), "Frame 0 does not exist");
    EXPECT_EQ(ErrorOf([&] { G.GetFrame(3); }), "Frame 3 does not exist");
    EXPECT_EQ(ErrorOf([&] { G.SetCurrentFrame(0); }), "Frame 0 does not exist");

    // A second load holds only the new stream's frames and shows its first.
    TMemoryStream Three;
    TSolidsGraphic::Write(&Three, {{7, 1, 0x0000FF}, {1, 1, 0}, {2, 2, 0xFFFFFF}});
    Three.SetPosition(0);
    G.LoadFromStream(&Three);
    ASSERT_EQ(G.GetFrameCount(), 3);
    EXPECT_EQ(G.GetCurrentFrame(), 1);
    EXPECT_EQ(G.GetWidth(), 7);
    EXPECT_EQ(G.GetPixelColor(6, 0), 0x0000FFu);
    EXPECT_EQ(G.GetFrame(3)->GetWidth(), 2);
}

TEST(Frames, SingleImageStream)
{
    TMemoryStream One;
    TSolidsGraphic::Write(&One, {{4, 4, 0xABCDEF}});
    TSolidsGraphic G;
    G.SetLoadAllImages(true);
    One.SetPosition(0);
    G.LoadFromStream(&One);
    EXPECT_FALSE(G.GetLoadAllImages());
    EXPECT_EQ(G.GetFrameCount(), 0);
    EXPECT_EQ(G.Loads, 1);
    EXPECT_EQ(G.GetPixelColor(3, 3), 0xABCDEFu);

    TMemoryStream Two;
    TSolidsGraphic::Write(&Two, {{3, 2, 1}, {5, 4, 2}});
    G.SetImageIndex(2);
    Two.SetPosition(0);
    G.LoadFromStream(&Two);
    EXPECT_EQ(G.GetWidth(), 5);
}

TEST(Frames, AppendOnBaseRaises)
{
    TDibGraphic G;
    TMemoryStream S;
    EXPECT_EQ(ErrorOf([&] { G.AppendImageToStream(&S); }), "The TDibGraphic format does not support multiple images");
    TSolidsGraphic T;
    EXPECT_EQ(ErrorOf([&] { T.AppendImageToStream(&S); }), "The TSolidsGraphic format does not support multiple images");
    EXPECT_FALSE(G.CanLoadStream(&S));
    EXPECT_EQ(G.GetStreamImageCount(&S), 1);
}

// A class that forgets CreateNew would load frames as plain pictures that read nothing.
class TForgetfulGraphic : public TSolidsGraphic {
public:
    std::string ClassName() const override { return "TForgetfulGraphic"; }
    std::unique_ptr<TDibGraphic> CreateNew() const override { return TDibGraphic::CreateNew(); }
};

TEST(Frames, FramesMustBeOfTheOwnClass)
{
    TMemoryStream Two;
    TSolidsGraphic::Write(&Two, {{3, 2, 1}, {5, 4, 2}});
    TForgetfulGraphic G;
    G.SetLoadAllImages(true);
    Two.SetPosition(0);
    EXPECT_NE(ErrorOf([&] { G.LoadFromStream(&Two); }), kNoException);
    EXPECT_EQ(G.GetFrameCount(), 0);
}

TEST(Progress, NotifyProgress)
{
    int Calls = 0;
    uint8_t Last = 0;
    TDidodazaProgressEvent Handler = [&](TObject*, uint8_t P) {
        ++Calls;
        Last = P;
    };
    EXPECT_EQ(NotifyProgress(nullptr, 50, 0, 255, 100, nullptr), 0);
    EXPECT_EQ(NotifyProgress(nullptr, 50, 0, 255, 100, Handler), 50);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(Last, 50);
    EXPECT_EQ(NotifyProgress(nullptr, 50, 0, 50, 100, Handler), 50);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(NotifyProgress(nullptr, 3, 1, 50, 5, Handler), 50);
    EXPECT_EQ(Calls, 1);
    EXPECT_EQ(NotifyProgress(nullptr, 4, 1, 50, 5, Handler), 75);
    EXPECT_EQ(Calls, 2);
    EXPECT_EQ(NotifyProgress(nullptr, 9, 5, 255, 5, Handler), 0); // Max <= Min
    EXPECT_EQ(Calls, 3);
    EXPECT_EQ(Last, 0);
    EXPECT_EQ(NotifyProgress(nullptr, 500, 0, 0, 100, Handler), 100);
    EXPECT_EQ(NotifyProgress(nullptr, -500, 0, 100, 100, Handler), 0);
    EXPECT_EQ(NotifyProgress(nullptr, INT64_MAX / 1000, 0, 0, 10, Handler), 100);
    EXPECT_EQ(Calls, 6);
}

} // namespace

TEST(Assign, APictureAssignedToItselfKeepsItsPixels)
{
    TDibGraphic G;
    G.NewImage(3, 2, ifTrueColor);
    G.SetPixelColor(1, 1, 0x123456);
    G.Assign(&G);
    ASSERT_FALSE(G.GetEmpty());
    EXPECT_EQ(3, G.GetWidth());
    EXPECT_EQ(2, G.GetHeight());
    EXPECT_EQ(0x123456u, static_cast<uint32_t>(G.GetPixelColor(1, 1)));
}

// A picture made again at the same size and layout keeps its memory but must start like a new one.
namespace {

TDibLogPalette NumberedPalette(uint16_t Count, uint8_t Seed)
{
    TDibLogPalette P{};
    P.Version = 0x300;
    P.NumEntries = Count;
    for (int I = 0; I < Count; ++I)
        P.Entries[I] = TPaletteEntry{uint8_t(I), uint8_t(Seed + I * 3), uint8_t(255 - I), 0};
    return P;
}

} // namespace

TEST(NewImageAgain, SameSizeKeepsTheMemoryAndStartsCleared)
{
    for (int F = 0; F < kImageFormatCount; ++F) {
        TDibGraphic G;
        G.NewImage(37, 5, ImageFormat(F), nullptr, 300, 300);
        const uint8_t* Memory = G.ScanLine(4);
        for (int32_t Y = 0; Y < 5; ++Y) // pixels and row padding
            std::memset(G.ScanLine(Y), 0xA5, size_t(G.BytesPerLine()));
        G.NewImage(37, 5, ImageFormat(F), nullptr, 72, 96);
        EXPECT_EQ(G.ScanLine(4), Memory) << F;
        for (int32_t Y = 0; Y < 5; ++Y)
            for (int32_t X = 0; X < G.BytesPerLine(); ++X)
                ASSERT_EQ(G.ScanLine(Y)[X], 0) << F << " " << X << "," << Y;
        EXPECT_EQ(G.GetXDpi(), 72);
        EXPECT_EQ(G.GetYDpi(), 96);
        // Another size or layout is a new picture of its own.
        G.NewImage(38, 5, ImageFormat(F));
        EXPECT_EQ(G.GetWidth(), 38);
        EXPECT_EQ(G.BytesPerLine(), int32_t(CalcBytesPerLine(38, BitsPerPixel(F))));
        G.NewImage(38, 5, ImageFormat((F + 1) % kImageFormatCount));
        EXPECT_EQ(G.GetImageFormat(), ImageFormat((F + 1) % kImageFormatCount));
        EXPECT_EQ(G.BytesPerLine(), int32_t(CalcBytesPerLine(38, BitsPerPixel((F + 1) % kImageFormatCount))));
    }
}

TEST(NewImageAgain, TheNewPaletteReplacesTheOldOne)
{
    const TDibLogPalette A = NumberedPalette(256, 10), B = NumberedPalette(100, 90);
    TDibGraphic G;
    G.NewImage(9, 4, ifColor256, &A);
    G.SetPixelIndex(1, 1, 200);
    G.NewImage(9, 4, ifColor256, &B);
    EXPECT_EQ(G.LogPalette()->NumEntries, 100);
    EXPECT_EQ(G.GetBitmapInfo().Header.ClrUsed, 100u);
    for (int I = 0; I < 256; ++I) {
        const TPaletteEntry E = I < 100 ? B.Entries[I] : TPaletteEntry{0, 0, 0, 0};
        EXPECT_EQ(G.LogPalette()->Entries[I].Green, E.Green) << I;
        EXPECT_EQ(G.GetBitmapInfo().Colors[I].Green, E.Green) << I;
    }
    EXPECT_EQ(G.GetPixelIndex(1, 1), 0);
    // The converter looks up the new palette.
    G.SetPixelColor(2, 2, PackRgb(B.Entries[42].Red, B.Entries[42].Green, B.Entries[42].Blue));
    EXPECT_EQ(G.GetPixelIndex(2, 2), 42);
    // The picture's own palette handed back in survives, kept memory or not.
    G.NewImage(9, 4, ifColor256, G.LogPalette());
    EXPECT_EQ(G.LogPalette()->NumEntries, 100);
    EXPECT_EQ(G.LogPalette()->Entries[42].Green, B.Entries[42].Green);
    G.NewImage(10, 4, ifColor256, G.LogPalette());
    EXPECT_EQ(G.LogPalette()->NumEntries, 100);
    EXPECT_EQ(G.LogPalette()->Entries[42].Green, B.Entries[42].Green);
}

TEST(NewImageAgain, ARefusalLeavesThePictureEmpty)
{
    TDibLogPalette TooLong = NumberedPalette(256, 0);
    TooLong.NumEntries = 300;
    TDibGraphic G;
    G.NewImage(9, 4, ifColor256);
    EXPECT_EQ(ErrorOf([&] { G.NewImage(9, 4, ifColor256, &TooLong); }), "Invalid palette size");
    EXPECT_TRUE(G.GetEmpty());
    EXPECT_EQ(G.GetWidth(), 0);
    EXPECT_EQ(G.BytesPerLine(), 0);
    G.NewImage(9, 4, ifColor256);
    EXPECT_EQ(G.GetPixelIndex(8, 3), 0);
}

namespace {

// A reader's view of the picture: the promise to write every row.
class TRowWriter : public TDibGraphic {
public:
    using TDibGraphic::ClearRows;
    using TDibGraphic::PromiseEveryRow;
};

} // namespace

TEST(NewImageAgain, APromiseToWriteEveryRowLeavesOnlyThePaddingToClear)
{
    for (ImageFormat F : {ifTrueColor, ifColor16, ifBlackWhite}) {
        TRowWriter G;
        G.NewImage(37, 5, F);
        const int32_t Pixels = int32_t((37 * BitsPerPixel(F) + 7) / 8);
        ASSERT_LT(Pixels, G.BytesPerLine());
        for (int32_t Y = 0; Y < 5; ++Y)
            std::memset(G.ScanLine(Y), 0xA5, size_t(G.BytesPerLine()));
        G.PromiseEveryRow();
        G.NewImage(37, 5, F);
        for (int32_t Y = 0; Y < 5; ++Y)
            for (int32_t X = Pixels; X < G.BytesPerLine(); ++X)
                ASSERT_EQ(G.ScanLine(Y)[X], 0) << F << " padding " << X;
        // The promise is for one NewImage only.
        for (int32_t Y = 0; Y < 5; ++Y)
            std::memset(G.ScanLine(Y), 0xA5, size_t(G.BytesPerLine()));
        G.NewImage(37, 5, F);
        for (int32_t Y = 0; Y < 5; ++Y)
            for (int32_t X = 0; X < G.BytesPerLine(); ++X)
                ASSERT_EQ(G.ScanLine(Y)[X], 0) << F << " " << X;
        // A promise broken by a refused NewImage is gone too.
        G.PromiseEveryRow();
        EXPECT_EQ(ErrorOf([&] { G.NewImage(0, 5, F); }), "Invalid image dimensions");
        G.NewImage(37, 5, F);
        std::memset(G.ScanLine(2), 0xA5, size_t(G.BytesPerLine()));
        G.NewImage(37, 5, F);
        EXPECT_EQ(G.ScanLine(2)[0], 0);
        // The rows a reader did not reach.
        for (int32_t Y = 0; Y < 5; ++Y)
            std::memset(G.ScanLine(Y), 0xA5, size_t(G.BytesPerLine()));
        G.ClearRows(3);
        EXPECT_EQ(G.ScanLine(2)[G.BytesPerLine() - 1], 0xA5);
        EXPECT_EQ(G.ScanLine(3)[0], 0);
        EXPECT_EQ(G.ScanLine(4)[G.BytesPerLine() - 1], 0);
    }
}
