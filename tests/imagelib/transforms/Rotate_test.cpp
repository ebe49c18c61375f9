#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

#include "imagelib/ImgTransf.h"
#include "tests/imagelib/transforms/TransformTestUtil.h"

using namespace TransformTest;

namespace {

// TDibGraphic is not copyable; results go through Assign.
struct TRot {
    TDibGraphic G;
    TRot(const TDibGraphic& Source, double Angle, uint32_t Background = 0xFFFFFF)
    {
        TRotateTransform T;
        T.SetAngle(Angle);
        T.SetBackgroundColor(Background);
        T.ApplyOnDest(const_cast<TDibGraphic*>(&Source), &G);
    }
};

TEST(Rotate, QuarterTurnClockwise)
{
    TDibGraphic S;
    MakePattern(S, 3, 2, ifTrueColor);
    TRot R(S, 90);
    ASSERT_EQ(R.G.GetWidth(), 2);
    ASSERT_EQ(R.G.GetHeight(), 3);
    EXPECT_EQ(R.G.GetPixelColor(1, 0), S.GetPixelColor(0, 0)); // top-right is the old top-left
    for (int32_t Y = 0; Y < 2; ++Y)
        for (int32_t X = 0; X < 3; ++X)
            EXPECT_EQ(R.G.GetPixelColor(2 - 1 - Y, X), S.GetPixelColor(X, Y));
}

TEST(Rotate, CounterClockwiseAndHalfTurn)
{
    TDibGraphic S;
    MakePattern(S, 3, 2, ifTrueColor);
    TRot A(S, -90), B(S, 270), H(S, 180);
    EXPECT_TRUE(SameBytes(A.G, B.G));
    ASSERT_EQ(A.G.GetWidth(), 2);
    for (int32_t Y = 0; Y < 2; ++Y)
        for (int32_t X = 0; X < 3; ++X) {
            EXPECT_EQ(A.G.GetPixelColor(Y, 3 - 1 - X), S.GetPixelColor(X, Y));
            EXPECT_EQ(H.G.GetPixelColor(3 - 1 - X, 2 - 1 - Y), S.GetPixelColor(X, Y));
        }
}

TEST(Rotate, EquivalentAngles)
{
    TDibGraphic S;
    MakePattern(S, 5, 3, ifColor256);
    TRot Ref(S, 90), A(S, 450), B(S, -270), C(S, 90.004), D(S, 810);
    EXPECT_TRUE(SameBytes(Ref.G, A.G));
    EXPECT_TRUE(SameBytes(Ref.G, B.G));
    EXPECT_TRUE(SameBytes(Ref.G, C.G));
    EXPECT_TRUE(SameBytes(Ref.G, D.G));
    for (double Angle : {0.0, 360.0, 0.004, 359.996, -360.0, 720.0, -0.004})
        EXPECT_TRUE(SameBytes(TRot(S, Angle).G, S)) << Angle;
    EXPECT_EQ(TRotateTransform::WholeAngle(45.5), -1);
    EXPECT_EQ(TRotateTransform::WholeAngle(-90), 270);
    EXPECT_EQ(TRotateTransform::WholeAngle(360e9 + 90), 90);
}

TEST(Rotate, FourQuarterTurnsGiveTheOriginalInEveryFormat)
{
    for (ImageFormat F : AllFormats) {
        TDibGraphic S;
        MakePattern(S, 13, 7, F, 300, 150); // odd sizes: partial bytes in 1- and 4-bit rows
        TDibGraphic Work;
        Work.Assign(&S);
        TRotateTransform T;
        T.SetAngle(90);
        for (int I = 0; I < 4; ++I) {
            T.Apply(&Work);
            EXPECT_EQ(Work.GetImageFormat(), F);
            EXPECT_EQ(Work.GetWidth(), I % 2 == 0 ? 7 : 13);
        }
        EXPECT_TRUE(SameBytes(Work, S)) << "format " << int(F);
        // And the other way round, with a half turn in between.
        T.SetAngle(-90);
        T.Apply(&Work);
        T.SetAngle(180);
        T.Apply(&Work);
        T.SetAngle(-90);
        T.Apply(&Work);
        EXPECT_TRUE(SameBytes(Work, S)) << "format " << int(F);
    }
}

TEST(Rotate, ResolutionIsNotExchanged)
{
    TDibGraphic S;
    MakePattern(S, 4, 3, ifGray256, 300, 150);
    TRot R(S, 90);
    EXPECT_EQ(R.G.GetXDpi(), 300);
    EXPECT_EQ(R.G.GetYDpi(), 150);
    TRot A(S, 30);
    EXPECT_EQ(A.G.GetXDpi(), 300);
    EXPECT_EQ(A.G.GetYDpi(), 150);
}

TEST(RotateAngle, SizeAndBackgroundCorners)
{
    TDibGraphic S;
    S.NewImage(10, 10, ifTrueColor, nullptr, 96, 96);
    S.Fill(0x000000);
    TRot R(S, 45, 0x12AB34);
    ASSERT_EQ(R.G.GetWidth(), 13);
    ASSERT_EQ(R.G.GetHeight(), 14);
    const int32_t W = 13, H = 14;
    EXPECT_EQ(R.G.GetPixelColor(0, 0), 0x12AB34u);
    EXPECT_EQ(R.G.GetPixelColor(W - 1, 0), 0x12AB34u);
    EXPECT_EQ(R.G.GetPixelColor(0, H - 1), 0x12AB34u);
    EXPECT_EQ(R.G.GetPixelColor(W - 1, H - 1), 0x12AB34u);
    EXPECT_EQ(R.G.GetPixelColor(W / 2, H / 2), 0u);
}

TEST(RotateAngle, BackgroundOnAPaletteTakesTheNearestEntry)
{
    TDibGraphic S;
    S.NewImage(10, 10, ifColor16, nullptr, 96, 96);
    S.Fill(0x0000AA); // entry 1
    const uint32_t Background = 0xF01010;
    // The nearest VGA entry, searched here independently.
    const TDibLogPalette* P = S.LogPalette();
    int Best = 0;
    long BestDistance = std::numeric_limits<long>::max();
    for (int I = 0; I < P->NumEntries; ++I) {
        const long DR = long(P->Entries[I].Red) - 0xF0, DG = long(P->Entries[I].Green) - 0x10,
                   DB = long(P->Entries[I].Blue) - 0x10;
        const long D = DR * DR + DG * DG + DB * DB;
        if (D < BestDistance) {
            BestDistance = D;
            Best = I;
        }
    }
    ASSERT_NE(Best, 1);
    TRot R(S, 45, Background);
    ASSERT_EQ(R.G.GetImageFormat(), ifColor16);
    const int32_t W = R.G.GetWidth(), H = R.G.GetHeight();
    for (auto [X, Y] : {std::pair{0, 0}, std::pair{W - 1, 0}, std::pair{0, H - 1}, std::pair{W - 1, H - 1}})
        EXPECT_EQ(R.G.GetPixelIndex(X, Y), Best);
    EXPECT_EQ(R.G.GetPixelIndex(W / 2, H / 2), 1);
}

TEST(RotateAngle, ThirtyDegreesKeepsTheCentrePixel)
{
    TDibGraphic S;
    S.NewImage(11, 11, ifBlackWhite, nullptr, 96, 96);
    S.Fill(0xFFFFFF);
    S.SetPixelIndex(5, 5, 0);
    TRot R(S, 30);
    ASSERT_EQ(R.G.GetWidth(), 15);
    ASSERT_EQ(R.G.GetHeight(), 15);
    EXPECT_EQ(R.G.GetPixelIndex(7, 7), 0);
    int Black = 0;
    for (int32_t Y = 0; Y < 15; ++Y)
        for (int32_t X = 0; X < 15; ++X)
            Black += R.G.GetPixelIndex(X, Y) == 0;
    EXPECT_GE(Black, 1);
    EXPECT_LE(Black, 2); // nearest-neighbour may repeat a pixel, never smear it
}

// Every output pixel is either the background or one of the source's pixels, in every format
// and at awkward angles; nothing comes from outside the picture.
TEST(RotateAngle, EveryPixelComesFromTheSourceOrTheBackground)
{
    TDibGraphic S;
    S.NewImage(9, 6, ifTrueColor, nullptr, 96, 96);
    std::set<uint32_t> Colours;
    for (int32_t Y = 0; Y < 6; ++Y)
        for (int32_t X = 0; X < 9; ++X) {
            S.SetPixelColor(X, Y, PackRgb(uint8_t(X + 1), uint8_t(Y + 1), 7));
            Colours.insert(PackRgb(uint8_t(X + 1), uint8_t(Y + 1), 7));
        }
    for (double Angle : {1.0, 30.0, 45.5, 89.9, 135.0, 181.0, 269.5, -33.3, 1000.7}) {
        TRot R(S, Angle, 0xFEFEFE);
        int FromSource = 0;
        for (int32_t Y = 0; Y < R.G.GetHeight(); ++Y)
            for (int32_t X = 0; X < R.G.GetWidth(); ++X) {
                const uint32_t C = R.G.GetPixelColor(X, Y);
                if (C != 0xFEFEFE) {
                    ASSERT_TRUE(Colours.count(C)) << Angle << " at " << X << "," << Y;
                    ++FromSource;
                }
            }
        EXPECT_GT(FromSource, 9 * 6 / 2) << Angle;
    }
    for (ImageFormat F : AllFormats) {
        TDibGraphic P;
        MakePattern(P, 7, 5, F);
        TRot R(P, 33);
        EXPECT_EQ(R.G.GetImageFormat(), F);
        EXPECT_GT(R.G.GetWidth(), 7);
    }
}

TEST(Rotate, BadAnglesAndHostileSizesLeaveThePictureAlone)
{
    TDibGraphic S, Before;
    MakePattern(S, 6, 4, ifColor16);
    Before.Assign(&S);
    TRotateTransform T;
    for (double Angle : {std::nan(""), std::numeric_limits<double>::infinity()}) {
        T.SetAngle(Angle);
        EXPECT_EQ(ErrorOf([&] { T.Apply(&S); }), "Invalid rotation angle");
        EXPECT_TRUE(SameBytes(S, Before));
    }
    // A long thin picture turned 45 degrees would need far more than the library's cap.
    TDibGraphic Thin, ThinBefore;
    Thin.NewImage(300000, 2, ifGray256, nullptr, 96, 96);
    Thin.SetPixelIndex(123, 1, 77);
    ThinBefore.Assign(&Thin);
    T.SetAngle(45);
    EXPECT_EQ(ErrorOf([&] { T.Apply(&Thin); }), "Invalid image dimensions");
    EXPECT_TRUE(SameBytes(Thin, ThinBefore));
    // An empty picture stays empty for a copy, and cannot be turned.
    TDibGraphic Empty;
    T.SetAngle(0);
    T.Apply(&Empty);
    EXPECT_TRUE(Empty.GetEmpty());
    T.SetAngle(90);
    EXPECT_NE(ErrorOf([&] { T.Apply(&Empty); }), kNoException);
    EXPECT_TRUE(Empty.GetEmpty());
}

TEST(Rotate, SourceAndDestMayBeOnePicture)
{
    TDibGraphic S;
    MakePattern(S, 5, 3, ifGray16);
    TRot Expected(S, 90);
    TRotateTransform T;
    T.ApplyOnDest(&S, &S);
    EXPECT_TRUE(SameBytes(S, Expected.G));
}

TEST(Rotate, KeepsTheFrameInterval)
{
    TDibGraphic S;
    MakePattern(S, 5, 3, ifTrueColor);
    S.SetFrameInterval(777);
    TRotateTransform T;
    T.Apply(&S);
    EXPECT_EQ(S.GetFrameInterval(), 777);
}

} // namespace
