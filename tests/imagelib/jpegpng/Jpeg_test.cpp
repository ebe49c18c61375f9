// TJpegGraphic: round trips, file bytes, the Exif signature, hostile and cut files, reloads;
// what it shares with TPngGraphic is tested in JpegAndPng_test.cpp.
// Portable: needs nothing of Windows beyond the picture model.
#include <gtest/gtest.h>

#include <random>

#include "imagelib/ImgMisc.h"
#include "imagelib/JpegGraphic.h"
#include "tests/imagelib/support/ReloadCheck.h"
#include "tests/imagelib/jpegpng/JpegPngTestUtil.h"

using namespace JpegPngTest;

namespace {

TBytes SmoothJpeg(ImageFormat Format, int32_t Dpi = 300, int32_t W = 64, int32_t H = 48)
{
    TJpegGraphic G;
    MakeSmooth(G, W, H, Format, Dpi);
    return SaveBytes(G);
}

// The same file with its APP0 segment replaced by an Exif APP1.
TBytes AsExif(const TBytes& Jfif)
{
    const size_t App0Len = size_t(Jfif[4]) << 8 | Jfif[5];
    TBytes Out = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x08, 'E', 'x', 'i', 'f', 0, 0};
    Out.insert(Out.end(), Jfif.begin() + 4 + App0Len, Jfif.end());
    return Out;
}

} // namespace

TEST(JpegGraphic, Defaults)
{
    TJpegGraphic G;
    EXPECT_EQ(G.GetQuality(), 80);
    EXPECT_FALSE(G.GetProgressive());
    EXPECT_FALSE(G.GetOptimizeCoding());
}

TEST(JpegGraphic, TrueColorRoundTripKeepsSizeAndFormat)
{
    TJpegGraphic Src;
    MakeSmooth(Src, 64, 48, ifTrueColor, 300);
    const TBytes File = SaveBytes(Src);
    TJpegGraphic Back;
    LoadBytes(Back, File);
    EXPECT_EQ(Back.GetWidth(), 64);
    EXPECT_EQ(Back.GetHeight(), 48);
    EXPECT_EQ(Back.GetImageFormat(), ifTrueColor);
    EXPECT_LT(MeanAbsError(Src, Back), 3.0);
    EXPECT_EQ(Back.GetWarnings(), 0);
    // Red must stay red: a red/blue mix-up would show here.
    EXPECT_GT((Back.GetPixelColor(63, 0) >> 16) & 0xFF, 200u);
    EXPECT_LT(Back.GetPixelColor(63, 0) & 0xFF, 200u);
}

TEST(JpegGraphic, GreyRoundTripKeepsSizeAndFormat)
{
    TJpegGraphic Src;
    MakeSmooth(Src, 40, 30, ifGray256, 72);
    TJpegGraphic Back;
    LoadBytes(Back, SaveBytes(Src));
    EXPECT_EQ(Back.GetImageFormat(), ifGray256);
    EXPECT_EQ(Back.GetWidth(), 40);
    EXPECT_EQ(Back.GetHeight(), 30);
    EXPECT_LT(MeanAbsError(Src, Back), 3.0);
    EXPECT_EQ(Back.GetXDpi(), 72);
}

TEST(JpegGraphic, JfifHeaderBytesAndDensity)
{
    const TBytes F = SmoothJpeg(ifTrueColor, 300);
    ASSERT_GT(F.size(), 20u);
    EXPECT_EQ(F[2], 0xFF);
    EXPECT_EQ(F[3], 0xE0);
    EXPECT_EQ(0, std::memcmp(&F[6], "JFIF", 5));
    EXPECT_EQ(F[13], 1);
    EXPECT_EQ(F[14], 0x01);
    EXPECT_EQ(F[15], 0x2C);
    EXPECT_EQ(F[16], 0x01);
    EXPECT_EQ(F[17], 0x2C);
    TJpegGraphic G;
    LoadBytes(G, F);
    EXPECT_EQ(G.GetXDpi(), 300);
    EXPECT_EQ(G.GetYDpi(), 300);
}

TEST(JpegGraphic, DensityInCentimetresAndNoUnit)
{
    TBytes F = SmoothJpeg(ifTrueColor, 300);
    F[13] = 2;
    F[14] = 0;
    F[15] = 118;
    F[16] = 0;
    F[17] = 118;
    TJpegGraphic G;
    LoadBytes(G, F);
    EXPECT_EQ(G.GetXDpi(), 300);
    EXPECT_EQ(G.GetYDpi(), 300);
    F[13] = 0;
    LoadBytes(G, F);
    EXPECT_EQ(G.GetXDpi(), 0);
    EXPECT_EQ(G.GetYDpi(), 0);
}

TEST(JpegGraphic, NoResolutionIsWrittenAsAspectRatio)
{
    TJpegGraphic G;
    MakeSmooth(G, 16, 16, ifTrueColor);
    G.SetXDpi(0);
    G.SetYDpi(0);
    const TBytes F = SaveBytes(G);
    EXPECT_EQ(F[13], 0);
    EXPECT_EQ(F[15], 1);
    EXPECT_EQ(F[17], 1);
    TJpegGraphic Back;
    LoadBytes(Back, F);
    EXPECT_EQ(Back.GetXDpi(), 0);
    EXPECT_EQ(Back.GetYDpi(), 0);
}

TEST(JpegGraphic, ProgressiveAndBaselineMarkers)
{
    TJpegGraphic G;
    MakeSmooth(G, 64, 48, ifTrueColor);
    const TBytes Baseline = SaveBytes(G);
    EXPECT_TRUE(HasMarker(Baseline, 0xC0));
    EXPECT_FALSE(HasMarker(Baseline, 0xC2));
    G.SetProgressive(true);
    const TBytes Progressive = SaveBytes(G);
    EXPECT_TRUE(HasMarker(Progressive, 0xC2));
    EXPECT_FALSE(HasMarker(Progressive, 0xC0));
    TJpegGraphic A, B;
    LoadBytes(A, Baseline);
    LoadBytes(B, Progressive);
    EXPECT_LT(MeanAbsError(A, B), 1.0);
}

TEST(JpegGraphic, OptimizedCodingDecodesToTheSamePixels)
{
    TJpegGraphic G;
    MakeSmooth(G, 96, 64, ifTrueColor);
    const TBytes Plain = SaveBytes(G);
    G.SetOptimizeCoding(true);
    const TBytes Optimized = SaveBytes(G);
    EXPECT_NE(Plain, Optimized);
    EXPECT_LT(Optimized.size(), Plain.size());
    TJpegGraphic A, B;
    LoadBytes(A, Plain);
    LoadBytes(B, Optimized);
    EXPECT_EQ(Pixels(A), Pixels(B));
}

TEST(JpegGraphic, QualityChangesTheFile)
{
    TJpegGraphic G;
    MakeSmooth(G, 64, 64, ifTrueColor);
    G.SetQuality(20);
    const TBytes Low = SaveBytes(G);
    G.SetQuality(95);
    const TBytes High = SaveBytes(G);
    EXPECT_LT(Low.size(), High.size());
}

// Only JFIF files are recognised; an Exif file is still read when asked.
TEST(JpegGraphic, ExifIsNotRecognisedYetRead)
{
    const TBytes Jfif = SmoothJpeg(ifTrueColor);
    const TBytes Exif = AsExif(Jfif);
    TJpegGraphic G;
    TMemoryStream S;
    S.WriteBuffer(Exif.data(), int32_t(Exif.size()));
    S.SetPosition(0);
    EXPECT_FALSE(G.CanLoadStream(&S));
    EXPECT_EQ(S.GetPosition(), 0);
    G.LoadImageFromStream(&S, 1);
    TJpegGraphic J;
    LoadBytes(J, Jfif);
    EXPECT_EQ(Pixels(G), Pixels(J));
}

TEST(JpegGraphic, HalfAFileLoadsAtFullSize)
{
    TJpegGraphic Src;
    MakeSmooth(Src, 128, 128, ifTrueColor);
    const TBytes Full = SaveBytes(Src);
    TJpegGraphic Whole;
    LoadBytes(Whole, Full);
    const TBytes Half(Full.begin(), Full.begin() + Full.size() / 2);
    TJpegGraphic G;
    ASSERT_NO_THROW(LoadBytes(G, Half));
    EXPECT_EQ(G.GetWidth(), 128);
    EXPECT_EQ(G.GetHeight(), 128);
    EXPECT_GT(G.GetWarnings(), 0);
    // The part that arrived is the real picture.
    for (int32_t X = 0; X < 128; X += 7)
        EXPECT_EQ(G.GetPixelColor(X, 2), Whole.GetPixelColor(X, 2));
}

TEST(JpegGraphic, RandomBytesRaiseLibjpegsError)
{
    std::mt19937 Rng(7);
    TBytes Junk(5000);
    for (auto& B : Junk)
        B = uint8_t(Rng());
    Junk[0] = 0x12;
    TJpegGraphic G;
    try {
        LoadBytes(G, Junk);
        FAIL() << "no exception";
    } catch (const EJpegError& E) {
        EXPECT_NE(std::string(E.what()).find("Not a JPEG file"), std::string::npos) << E.what();
    }
    // The library goes on working.
    LoadBytes(G, SmoothJpeg(ifGray256));
    EXPECT_EQ(G.GetWidth(), 64);
}

TEST(JpegGraphic, FilesCutInsideTheirHeaderRaise)
{
    const TBytes F = SmoothJpeg(ifTrueColor);
    for (size_t Cut : {size_t(0), size_t(2), size_t(25), size_t(100), size_t(160)}) {
        TJpegGraphic G;
        const TBytes Part(F.begin(), F.begin() + Cut);
        EXPECT_THROW(LoadBytes(G, Part), EJpegError) << Cut;
    }
}

TEST(JpegGraphic, JunkAfterTheHeaderIsDecodedWithWarningsOrRaises)
{
    TBytes F = SmoothJpeg(ifTrueColor, 96, 160, 120);
    std::mt19937 Rng(11);
    for (int Round = 0; Round < 40; ++Round) {
        TBytes Bad = F;
        for (int I = 0; I < 30; ++I)
            Bad[200 + Rng() % (Bad.size() - 200)] = uint8_t(Rng());
        TJpegGraphic G;
        try {
            LoadBytes(G, Bad);
            EXPECT_EQ(G.GetWidth(), 160);
        } catch (const EDidodazaError&) {
        }
    }
}

TEST(JpegGraphic, OnlyGreyAndTrueColourCanBeSaved)
{
    TJpegGraphic G;
    G.NewImage(8, 8, ifColor16);
    TMemoryStream S;
    try {
        G.SaveToStream(&S);
        FAIL();
    } catch (const EJpegError& E) {
        EXPECT_STREQ(E.what(), "JPEG image must be gray scale or true color");
    }
    G.NewImage(8, 8, ifBlackWhite);
    EXPECT_THROW(G.SaveToStream(&S), EJpegError);
    EXPECT_EQ(S.GetSize(), 0);
}

// One object loading file after file: a same-size picture keeps the memory of the one before,
// and nothing of that one may show, a cut file included.
TEST(JpegGraphic, ReloadsMatchFreshLoads)
{
    auto Saved = [](ImageFormat Format, int32_t W, int32_t H, bool Progressive, bool Flip) {
        TJpegGraphic G;
        MakeSmooth(G, W, H, Format, 72);
        if (Flip)
            for (int32_t Y = 0; Y < H; ++Y)
                for (int32_t X = 0; X < W; X += 3)
                    G.SetPixelColor(X, Y, PackRgb(uint8_t(Y * 7), 255, uint8_t(X)));
        G.SetProgressive(Progressive);
        return SaveBytes(G);
    };
    const TBytes Big = Saved(ifTrueColor, 333, 201, false, false);
    const TBytes Cut(Big.begin(), Big.begin() + Big.size() / 3);
    ReloadCheck::ExpectReloadsLikeFreshLoads<TJpegGraphic>(
        {Big, Saved(ifTrueColor, 333, 201, true, true), Saved(ifTrueColor, 333, 201, false, true), Cut,
         Saved(ifGray256, 333, 201, false, false), Saved(ifGray256, 333, 201, false, true),
         Saved(ifTrueColor, 35, 17, false, true), Big},
        "JPEG");
}

// A decode that fails part-way into a picture of the same size leaves the rows it did not
// reach zeroed, as a fresh picture would have them, not showing the picture before.
TEST(JpegGraphic, AFailedReloadLeavesNothingOfTheEarlierPicture)
{
    TJpegGraphic Before;
    MakeSmooth(Before, 240, 160, ifTrueColor, 96);
    for (int32_t Y = 0; Y < 160; ++Y)
        for (int32_t X = 0; X < 240; X += 2)
            Before.SetPixelColor(X, Y, PackRgb(255, 255, 255));
    const TBytes Earlier = SaveBytes(Before);
    // Noise, so the file is many times the source's 4 KiB buffer.
    TJpegGraphic Noisy;
    Noisy.NewImage(240, 160, ifTrueColor, nullptr, 96, 96);
    std::mt19937 Rng(5);
    for (int32_t Y = 0; Y < 160; ++Y)
        for (int32_t X = 0; X < 240; ++X)
            Noisy.SetPixelColor(X, Y, Rng() & 0xFFFFFF);
    const TBytes F = SaveBytes(Noisy);
    ASSERT_GT(F.size(), 20000u);
    auto LoadBroken = [&](TJpegGraphic& G) {
        TFailingStream In(int64_t(F.size()) * 2 / 3);
        In.WriteBuffer(F.data(), int32_t(F.size()));
        In.SetPosition(0);
        EXPECT_THROW(G.LoadFromStream(&In), EJpegError);
    };
    TJpegGraphic Fresh, Reused;
    LoadBytes(Reused, Earlier);
    LoadBroken(Fresh);
    LoadBroken(Reused);
    ReloadCheck::ExpectSameDib(Fresh, Reused, "failed reload");
    // The broken load did reach some rows and not the last ones.
    EXPECT_NE(Fresh.GetPixelColor(10, 0), 0u);
    EXPECT_EQ(Fresh.GetPixelColor(10, 159), 0u);
}
