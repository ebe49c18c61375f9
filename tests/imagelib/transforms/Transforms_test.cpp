// Negative, anti-alias, crop, the base class and progress.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <functional>

#include "imagelib/ImgTransf.h"
#include "tests/imagelib/transforms/TransformTestUtil.h"

using namespace TransformTest;

namespace {

// ------------------------------------------------------------------------------ negative

TEST(Negative, TwiceGivesTheOriginalInEveryFormat)
{
    for (ImageFormat F : AllFormats) {
        TDibGraphic S, Work;
        MakePattern(S, 11, 5, F, 200, 100);
        Work.Assign(&S);
        TNegativeTransform T;
        T.Apply(&Work);
        EXPECT_FALSE(SameBytes(Work, S)) << int(F);
        T.Apply(&Work);
        EXPECT_TRUE(SameBytes(Work, S)) << int(F);
    }
}

TEST(Negative, PaletteFormatsKeepIndexesAndInvertThePalette)
{
    for (ImageFormat F : {ifColor16, ifColor256}) {
        TDibGraphic S, Work;
        MakePattern(S, 9, 4, F);
        Work.Assign(&S);
        TNegativeTransform().Apply(&Work);
        ASSERT_EQ(Work.GetImageFormat(), F);
        ASSERT_EQ(Work.LogPalette()->NumEntries, S.LogPalette()->NumEntries);
        for (int I = 0; I < S.LogPalette()->NumEntries; ++I) {
            const TPaletteEntry &A = S.LogPalette()->Entries[I], &B = Work.LogPalette()->Entries[I];
            EXPECT_EQ(B.Red, 255 - A.Red);
            EXPECT_EQ(B.Green, 255 - A.Green);
            EXPECT_EQ(B.Blue, 255 - A.Blue);
        }
        for (int32_t Y = 0; Y < 4; ++Y)
            for (int32_t X = 0; X < 9; ++X) {
                EXPECT_EQ(Work.GetPixelIndex(X, Y), S.GetPixelIndex(X, Y));
                EXPECT_EQ(Work.GetPixelColor(X, Y), (~S.GetPixelColor(X, Y)) & 0xFFFFFFu);
            }
    }
}

TEST(Negative, BlackWhiteComplementsEveryRowByteWithPadding)
{
    TDibGraphic S, Work;
    MakePattern(S, 5, 3, ifBlackWhite); // 1 byte of pixels, 3 of padding per row
    ASSERT_EQ(S.BytesPerLine(), 4);
    Work.Assign(&S);
    TNegativeTransform().Apply(&Work);
    for (int32_t Y = 0; Y < 3; ++Y)
        for (int32_t I = 0; I < 4; ++I)
            EXPECT_EQ(Work.ScanLine(Y)[I], static_cast<uint8_t>(~S.ScanLine(Y)[I])) << Y << "," << I;
}

TEST(Negative, GreyAndTrueColourValues)
{
    TDibGraphic G16, G256, TC;
    MakePattern(G16, 7, 2, ifGray16);
    MakePattern(G256, 7, 2, ifGray256);
    MakePattern(TC, 7, 2, ifTrueColor);
    TDibGraphic A, B, C;
    TNegativeTransform T;
    T.ApplyOnDest(&G16, &A);
    T.ApplyOnDest(&G256, &B);
    T.ApplyOnDest(&TC, &C);
    for (int32_t Y = 0; Y < 2; ++Y)
        for (int32_t X = 0; X < 7; ++X) {
            EXPECT_EQ(A.GetPixelIndex(X, Y), 15 - G16.GetPixelIndex(X, Y));
            EXPECT_EQ(B.GetPixelIndex(X, Y), 255 - G256.GetPixelIndex(X, Y));
            EXPECT_EQ(C.GetPixelColor(X, Y), (~TC.GetPixelColor(X, Y)) & 0xFFFFFFu);
        }
    // The source of ApplyOnDest is untouched.
    TDibGraphic Again;
    MakePattern(Again, 7, 2, ifGray16);
    EXPECT_TRUE(SameBytes(G16, Again));
}

// ------------------------------------------------------------------------------ anti-alias

TDibGraphic* BlackWhite(TDibGraphic& G, int32_t W, int32_t H, bool White)
{
    G.NewImage(W, H, ifBlackWhite, nullptr, 96, 96);
    G.Fill(White ? 0xFFFFFF : 0);
    return &G;
}

void ExpectAll(const TDibGraphic& G, uint8_t Value)
{
    for (int32_t Y = 0; Y < G.GetHeight(); ++Y)
        for (int32_t X = 0; X < G.GetWidth(); ++X)
            ASSERT_EQ(G.GetPixelIndex(X, Y), Value) << X << "," << Y;
}

TEST(AntiAlias, WhiteAndBlackReductions)
{
    TDibGraphic W, B, D;
    TAntiAliasTransform T;
    T.SetNewWidth(8);
    T.SetNewHeight(8);
    T.ApplyOnDest(BlackWhite(W, 16, 16, true), &D);
    ASSERT_EQ(D.GetImageFormat(), ifGray256);
    ASSERT_EQ(D.GetWidth(), 8);
    ExpectAll(D, 255);
    T.ApplyOnDest(BlackWhite(B, 16, 16, false), &D);
    ExpectAll(D, 0);
}

TEST(AntiAlias, CheckerboardGivesHalfGreyIncludingTheLastColumn)
{
    TDibGraphic S, D;
    S.NewImage(8, 8, ifBlackWhite, nullptr, 96, 96);
    for (int32_t Y = 0; Y < 8; ++Y)
        for (int32_t X = 0; X < 8; ++X)
            S.SetPixelIndex(X, Y, (X + Y) & 1);
    TAntiAliasTransform T;
    T.SetNewWidth(4);
    T.SetNewHeight(4);
    T.ApplyOnDest(&S, &D);
    ExpectAll(D, 127);
}

TEST(AntiAlias, OneToOneKeepsTheLastColumn)
{
    TDibGraphic S, D;
    BlackWhite(S, 8, 8, true);
    S.SetPixelIndex(7, 3, 0);
    TAntiAliasTransform T; // 0 x 0: the source's size
    T.ApplyOnDest(&S, &D);
    ASSERT_EQ(D.GetWidth(), 8);
    ASSERT_EQ(D.GetHeight(), 8);
    EXPECT_LT(D.GetPixelIndex(7, 3), 255);
    EXPECT_EQ(D.GetPixelIndex(0, 3), 255);
}

TEST(AntiAlias, EnlargingLeavesNoWhiteStripes)
{
    TDibGraphic S, D;
    BlackWhite(S, 4, 4, false);
    TAntiAliasTransform T;
    T.SetNewWidth(16);
    T.SetNewHeight(16);
    T.ApplyOnDest(&S, &D);
    ExpectAll(D, 0);
    // A black left half stays black on the left only.
    BlackWhite(S, 4, 4, true);
    for (int32_t Y = 0; Y < 4; ++Y) {
        S.SetPixelIndex(0, Y, 0);
        S.SetPixelIndex(1, Y, 0);
    }
    T.ApplyOnDest(&S, &D);
    for (int32_t X = 0; X < 16; ++X)
        EXPECT_EQ(D.GetPixelIndex(X, 5), X < 8 ? 0 : 255) << X;
}

TEST(AntiAlias, SkipsWhiteBytesWithoutMiscounting)
{
    // A block straddling a white byte and a byte with black bits: 13 -> 3 columns.
    TDibGraphic S, D;
    BlackWhite(S, 13, 2, true);
    S.SetPixelIndex(12, 0, 0);
    S.SetPixelIndex(12, 1, 0);
    S.SetPixelIndex(5, 0, 0);
    TAntiAliasTransform T;
    T.SetNewWidth(3);
    T.SetNewHeight(1);
    T.ApplyOnDest(&S, &D);
    // Columns 0..3 | 4..7 | 8..12, rows 0..1: totals 8, 8, 10.
    EXPECT_EQ(D.GetPixelIndex(0, 0), 255);
    EXPECT_EQ(D.GetPixelIndex(1, 0), 7 * 255 / 8);
    EXPECT_EQ(D.GetPixelIndex(2, 0), 8 * 255 / 10);
}

TEST(AntiAlias, OtherFormatsAreLeftAsTheyAre)
{
    TDibGraphic S, Before, D;
    MakePattern(S, 6, 5, ifColor16);
    Before.Assign(&S);
    TAntiAliasTransform T;
    T.SetNewWidth(3);
    T.SetNewHeight(2);
    T.Apply(&S);
    EXPECT_TRUE(SameBytes(S, Before));
    T.ApplyOnDest(&S, &D);
    EXPECT_TRUE(SameBytes(D, Before));
}

TEST(AntiAlias, RefusedSizesLeaveThePictureAlone)
{
    TDibGraphic S, Before;
    MakePattern(S, 9, 9, ifBlackWhite);
    Before.Assign(&S);
    TAntiAliasTransform T;
    T.SetNewWidth(-3);
    EXPECT_EQ(ErrorOf([&] { T.Apply(&S); }), "Invalid image dimensions");
    T.SetNewWidth(200000);
    T.SetNewHeight(200000);
    EXPECT_EQ(ErrorOf([&] { T.Apply(&S); }), "Invalid image dimensions");
    EXPECT_TRUE(SameBytes(S, Before));
    T.SetNewWidth(3);
    T.SetNewHeight(3);
    T.Apply(&S);
    EXPECT_EQ(S.GetImageFormat(), ifGray256);
    EXPECT_EQ(S.GetWidth(), 3);
}

// ------------------------------------------------------------------------------ crop

TEST(Crop, MarginsGiveTheCentre)
{
    TDibGraphic S, D;
    MakePattern(S, 4, 4, ifTrueColor);
    TCropTransform T;
    T.SetCropRect(1, 1, 1, 1);
    T.ApplyOnDest(&S, &D);
    ASSERT_EQ(D.GetWidth(), 2);
    ASSERT_EQ(D.GetHeight(), 2);
    for (int32_t Y = 0; Y < 2; ++Y)
        for (int32_t X = 0; X < 2; ++X)
            EXPECT_EQ(D.GetPixelColor(X, Y), S.GetPixelColor(X + 1, Y + 1));
}

TEST(Crop, MarginsLargerThanThePictureAreRefusedAndChangeNothing)
{
    TDibGraphic S, Before;
    MakePattern(S, 4, 4, ifColor256);
    Before.Assign(&S);
    TCropTransform T;
    for (auto R : {std::array{5, 0, 0, 0}, std::array{0, 5, 0, 0}, std::array{2, 0, 2, 0}, std::array{0, 0, 0, 4},
                   std::array{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, std::array{0, 0, 0, INT_MAX}}) {
        T.SetCropRect(R[0], R[1], R[2], R[3]);
        EXPECT_EQ(ErrorOf([&] { T.Apply(&S); }), "Invalid crop parameters");
        EXPECT_TRUE(SameBytes(S, Before));
    }
    TDibGraphic Empty;
    T.SetCropRect(0, 0, 0, 0);
    EXPECT_EQ(ErrorOf([&] { T.Apply(&Empty); }), "Invalid crop parameters");
}

TEST(Crop, AbsoluteRectanglesAreClippedToThePicture)
{
    TDibGraphic S, D;
    MakePattern(S, 6, 5, ifGray16);
    TCropTransform T;
    T.SetAbsoluteRect(true);
    T.SetCropRect(2, 3, 100, 100); // past the right and bottom edges
    T.ApplyOnDest(&S, &D);
    ASSERT_EQ(D.GetWidth(), 3);
    ASSERT_EQ(D.GetHeight(), 3);
    for (int32_t Y = 0; Y < 3; ++Y)
        for (int32_t X = 0; X < 3; ++X)
            EXPECT_EQ(D.GetPixelIndex(X, Y), S.GetPixelIndex(X + 3, Y + 2));
    T.SetCropRect(-4, -7, 2, 3); // starting left of and above the picture
    T.ApplyOnDest(&S, &D);
    ASSERT_EQ(D.GetWidth(), 3);
    ASSERT_EQ(D.GetHeight(), 2);
    for (int32_t Y = 0; Y < 2; ++Y)
        for (int32_t X = 0; X < 3; ++X)
            EXPECT_EQ(D.GetPixelIndex(X, Y), S.GetPixelIndex(X, Y));
    T.SetCropRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX); // the whole picture
    T.ApplyOnDest(&S, &D);
    EXPECT_TRUE(SameBytes(D, S));
    T.SetCropRect(1, 1, 1, 4); // empty
    EXPECT_EQ(ErrorOf([&] { T.ApplyOnDest(&S, &D); }), "Invalid crop parameters");
}

TEST(Crop, KeepsFormatPaletteAndResolutionInEveryFormat)
{
    for (ImageFormat F : AllFormats) {
        TDibGraphic S, D;
        MakePattern(S, 19, 6, F, 300, 72);
        TCropTransform T;
        T.SetCropRect(1, 3, 2, 5);
        T.ApplyOnDest(&S, &D);
        ASSERT_EQ(D.GetImageFormat(), F);
        ASSERT_EQ(D.GetWidth(), 11);
        ASSERT_EQ(D.GetHeight(), 3);
        EXPECT_EQ(D.GetXDpi(), 300);
        EXPECT_EQ(D.GetYDpi(), 72);
        EXPECT_EQ(D.LogPalette()->NumEntries, S.LogPalette()->NumEntries);
        EXPECT_EQ(std::memcmp(D.LogPalette()->Entries, S.LogPalette()->Entries, 4u * S.LogPalette()->NumEntries), 0);
        for (int32_t Y = 0; Y < 3; ++Y)
            for (int32_t X = 0; X < 11; ++X)
                ASSERT_EQ(Raw(D, X, Y), Raw(S, X + 3, Y + 1)) << int(F) << " " << X << "," << Y;
    }
}

// ------------------------------------------------------------------------------ base, progress

TEST(ImageTransform, BaseApplyOnDestIsNotImplemented)
{
    TImageTransform T;
    TDibGraphic S, D, Before;
    MakePattern(S, 3, 3, ifGray256);
    Before.Assign(&S);
    EXPECT_EQ(ErrorOf([&] { T.ApplyOnDest(&S, &D); }), "Method \"ApplyOnDest\" not implemented for TImageTransform class");
    EXPECT_EQ(ErrorOf([&] { T.Apply(&S); }), "Method \"ApplyOnDest\" not implemented for TImageTransform class");
    EXPECT_TRUE(SameBytes(S, Before));
    EXPECT_EQ(ErrorOf([&] { T.Apply(nullptr); }), "No picture to transform");
}

void ExpectProgress(TImageTransform& T, const std::function<void()>& Run, const char* Name)
{
    for (int Round = 0; Round < 2; ++Round) { // a second run starts at 0 again
        TProgressLog Log;
        Log.Attach(T);
        Run();
        ASSERT_FALSE(Log.Values.empty()) << Name;
        EXPECT_EQ(Log.Values.front(), 0) << Name;
        EXPECT_EQ(Log.Values.back(), 100) << Name;
        EXPECT_EQ(T.GetLastPercent(), 100) << Name;
        for (size_t I = 0; I < Log.Values.size(); ++I) {
            EXPECT_GE(Log.Values[I], 0) << Name;
            EXPECT_LE(Log.Values[I], 100) << Name;
            if (I > 0) {
                EXPECT_GE(Log.Values[I], Log.Values[I - 1]) << Name;
            }
        }
        EXPECT_GT(Log.Values.size(), 2u) << Name; // rows were reported too
    }
}

TEST(Progress, EveryTransformReportsZeroRowsAndHundred)
{
    TDibGraphic BW, TC, D;
    MakePattern(BW, 40, 30, ifBlackWhite);
    MakePattern(TC, 40, 30, ifTrueColor);
    TRotateTransform R;
    for (double A : {90.0, 180.0, 270.0, 33.0})
        ExpectProgress(R, [&] { R.SetAngle(A); R.ApplyOnDest(&TC, &D); }, "rotate");
    TNegativeTransform N;
    ExpectProgress(N, [&] { N.ApplyOnDest(&TC, &D); }, "negative");
    TAntiAliasTransform AA;
    AA.SetNewWidth(20);
    AA.SetNewHeight(15);
    ExpectProgress(AA, [&] { AA.ApplyOnDest(&BW, &D); }, "anti-alias");
    TResizeTransform RS;
    RS.SetNewWidth(50);
    RS.SetNewHeight(20);
    RS.SetResample(true);
    ExpectProgress(RS, [&] { RS.ApplyOnDest(&TC, &D); }, "resample");
    TCropTransform C;
    C.SetCropRect(2, 2, 2, 2);
    ExpectProgress(C, [&] { C.ApplyOnDest(&TC, &D); }, "crop");
    // The stretch reports 0, 50, 100 and nothing per row.
    RS.SetResample(false);
    TProgressLog Log;
    Log.Attach(RS);
    RS.ApplyOnDest(&TC, &D);
    EXPECT_EQ(Log.Values, (std::vector<int>{0, 50, 100}));
    // A quarter-turn copy of a whole angle still reports 0 and 100.
    R.SetAngle(360);
    Log.Values.clear();
    Log.Attach(R);
    R.ApplyOnDest(&TC, &D);
    EXPECT_EQ(Log.Values, (std::vector<int>{0, 100}));
}

} // namespace
