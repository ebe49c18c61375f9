// The resampler (six filters), its contributor lists, and the GDI stretch path.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "imagelib/ImgTransf.h"
#include "tests/imagelib/transforms/TransformTestUtil.h"

using namespace TransformTest;

namespace {

const char* FilterNames[] = {"Triangle", "Hermite", "Bell", "BSpline", "Lanczos3", "Mitchell"};

void Resample(TDibGraphic& Source, TDibGraphic& Dest, int32_t W, int32_t H, int Filter)
{
    TResizeTransform T;
    T.SetResample(true);
    T.SetFilter(static_cast<uint8_t>(Filter));
    T.SetNewWidth(W);
    T.SetNewHeight(H);
    T.ApplyOnDest(&Source, &Dest);
}

int ChannelDistance(uint32_t A, uint32_t B)
{
    int D = 0;
    for (int Shift : {0, 8, 16})
        D = std::max(D, std::abs(int((A >> Shift) & 0xFF) - int((B >> Shift) & 0xFF)));
    return D;
}

TEST(Filters, TableValues)
{
    // Spot values straight from the filter definitions.
    EXPECT_FLOAT_EQ(ResampleFilterInfo(rfTriangle).Function(0.25f), 0.75f);
    EXPECT_FLOAT_EQ(ResampleFilterInfo(rfHermite).Function(0.5f), 0.5f);
    EXPECT_FLOAT_EQ(ResampleFilterInfo(rfBell).Function(1.0f), 0.125f);
    EXPECT_FLOAT_EQ(ResampleFilterInfo(rfBSpline).Function(0.0f), 2.0f / 3.0f);
    EXPECT_FLOAT_EQ(ResampleFilterInfo(rfBSpline).Function(1.5f), 0.125f / 6.0f);
    EXPECT_FLOAT_EQ(ResampleFilterInfo(rfLanczos3).Function(0.0f), 1.0f);
    EXPECT_NEAR(ResampleFilterInfo(rfLanczos3).Function(0.5f), Sinc(0.5f) * Sinc(0.5f / 3.0f), 1e-6);
    EXPECT_NEAR(ResampleFilterInfo(rfLanczos3).Function(1.0f), 0.0f, 1e-6);
    EXPECT_FLOAT_EQ(ResampleFilterInfo(rfMitchell).Function(0.0f), 16.0f / 18.0f);
    EXPECT_NEAR(ResampleFilterInfo(rfMitchell).Function(1.0f), 1.0f / 18.0f, 1e-6);
    const float Support[] = {1.0f, 1.0f, 1.5f, 2.0f, 3.0f, 2.0f};
    for (int F = 0; F < kResampleFilterCount; ++F) {
        EXPECT_EQ(ResampleFilterInfo(F).Support, Support[F]);
        EXPECT_EQ(ResampleFilterInfo(F).Function(Support[F] + 0.01f), 0.0f) << FilterNames[F];
        EXPECT_EQ(ResampleFilterInfo(F).Function(-Support[F] - 0.01f), 0.0f) << FilterNames[F];
    }
    EXPECT_EQ(ErrorOf([] { ResampleFilterInfo(6); }), "Invalid resampling filter");
}

TEST(Resample, UniformPictureStaysUniform)
{
    for (int F = 0; F < kResampleFilterCount; ++F) {
        TDibGraphic S, D;
        S.NewImage(4, 4, ifTrueColor, nullptr, 96, 96);
        S.Fill(PackRgb(100, 150, 200));
        Resample(S, D, 9, 7, F);
        ASSERT_EQ(D.GetWidth(), 9);
        ASSERT_EQ(D.GetHeight(), 7);
        ASSERT_EQ(D.GetImageFormat(), ifTrueColor);
        const int Tolerance = F == rfLanczos3 ? 2 : 1;
        for (int32_t Y = 0; Y < 7; ++Y)
            for (int32_t X = 0; X < 9; ++X)
                ASSERT_LE(ChannelDistance(D.GetPixelColor(X, Y), PackRgb(100, 150, 200)), Tolerance)
                    << FilterNames[F] << " " << X << "," << Y;
        // Reduced too: the reduction's weights sum to 1 only roughly (a stretched filter
        // sampled at whole pixels), so two levels are allowed.
        S.NewImage(40, 30, ifTrueColor, nullptr, 96, 96);
        S.Fill(PackRgb(100, 150, 200));
        Resample(S, D, 7, 5, F);
        int Worst = 0;
        for (int32_t Y = 0; Y < 5; ++Y)
            for (int32_t X = 0; X < 7; ++X)
                Worst = std::max(Worst, ChannelDistance(D.GetPixelColor(X, Y), PackRgb(100, 150, 200)));
        std::printf("%s reduced: worst %d\n", FilterNames[F], Worst);
        EXPECT_LE(Worst, 2) << FilterNames[F];
    }
}

TEST(Resample, TriangleKeepsCornersAndAveragesTheCentre)
{
    TDibGraphic S, D;
    S.NewImage(2, 2, ifTrueColor, nullptr, 96, 96);
    const uint32_t C[4] = {PackRgb(10, 200, 30), PackRgb(250, 0, 90), PackRgb(0, 100, 255), PackRgb(60, 61, 62)};
    S.SetPixelColor(0, 0, C[0]);
    S.SetPixelColor(1, 0, C[1]);
    S.SetPixelColor(0, 1, C[2]);
    S.SetPixelColor(1, 1, C[3]);
    Resample(S, D, 3, 3, rfTriangle);
    EXPECT_EQ(D.GetPixelColor(0, 0), C[0]);
    EXPECT_EQ(D.GetPixelColor(2, 0), C[1]);
    EXPECT_EQ(D.GetPixelColor(0, 2), C[2]);
    EXPECT_EQ(D.GetPixelColor(2, 2), C[3]);
    uint32_t Mean = 0;
    for (int Shift : {0, 8, 16}) {
        int Sum = 0;
        for (uint32_t V : C)
            Sum += (V >> Shift) & 0xFF;
        Mean |= uint32_t((Sum + 2) / 4) << Shift;
    }
    EXPECT_LE(ChannelDistance(D.GetPixelColor(1, 1), Mean), 1);
}

// A direct, double-precision evaluation of the separable filter: the same definition computed
// without contributor lists or a work picture (the work picture's rounding allows 1).
TEST(Resample, MatchesADirectEvaluation)
{
    TDibGraphic S, D;
    MakePattern(S, 7, 5, ifTrueColor);
    for (int F : {rfTriangle, rfMitchell, rfBell}) {
        Resample(S, D, 11, 9, F);
        const TResampleFilterInfo& Info = ResampleFilterInfo(F);
        auto Weights = [&](int32_t N, int32_t Dn, int32_t I) {
            std::vector<double> W(static_cast<size_t>(N), 0.0);
            const double Scale = double(Dn - 1) / double(N - 1); // enlarging
            const double Centre = I / Scale;
            for (int J = int(std::floor(Centre - Info.Support)); J <= int(std::ceil(Centre + Info.Support)); ++J) {
                int K = J < 0 ? -J : J >= N ? 2 * N - J - 1 : J;
                K = std::clamp(K, 0, N - 1);
                W[static_cast<size_t>(K)] += Info.Function(float(Centre - J));
            }
            return W;
        };
        for (int32_t Y = 0; Y < 9; ++Y)
            for (int32_t X = 0; X < 11; ++X) {
                const std::vector<double> WX = Weights(7, 11, X), WY = Weights(5, 9, Y);
                for (int Shift : {0, 8, 16}) {
                    double V = 0;
                    for (int32_t SY = 0; SY < 5; ++SY)
                        for (int32_t SX = 0; SX < 7; ++SX)
                            V += WX[size_t(SX)] * WY[size_t(SY)] * ((S.GetPixelColor(SX, SY) >> Shift) & 0xFF);
                    V = std::clamp(V, 0.0, 255.0);
                    const int Got = int((D.GetPixelColor(X, Y) >> Shift) & 0xFF);
                    ASSERT_LE(std::abs(Got - V), 1.51) << FilterNames[F] << " " << X << "," << Y;
                }
            }
    }
}

TEST(Resample, TinySourcesStayInsideThePicture)
{
    for (int F : {rfLanczos3, rfBSpline, rfMitchell}) {
        for (auto [W, H] : {std::pair{1, 1}, std::pair{2, 2}, std::pair{3, 1}}) {
            TDibGraphic S, D;
            MakePattern(S, W, H, ifTrueColor);
            Resample(S, D, 9, 9, F);
            EXPECT_EQ(D.GetWidth(), 9);
            EXPECT_EQ(D.GetHeight(), 9);
            for (int32_t N : {W, H}) {
                const TContributorList L = BuildContributors(N, 9, ResampleFilterInfo(F));
                ASSERT_EQ(L.size(), 9u);
                for (const auto& Entry : L) {
                    EXPECT_FALSE(Entry.empty());
                    for (const TContributor& C : Entry) {
                        EXPECT_GE(C.Pixel, 0);
                        EXPECT_LT(C.Pixel, N);
                        EXPECT_NE(C.Weight, 0.0f);
                    }
                }
            }
        }
        // A 1 x 1 source is uniform whatever the filter does with its weights' sum.
        TDibGraphic One, D;
        One.NewImage(1, 1, ifTrueColor, nullptr, 96, 96);
        One.Fill(PackRgb(40, 40, 40));
        Resample(One, D, 9, 9, F);
        const uint32_t First = D.GetPixelColor(0, 0);
        for (int32_t Y = 0; Y < 9; ++Y)
            for (int32_t X = 0; X < 9; ++X)
                EXPECT_LE(ChannelDistance(D.GetPixelColor(X, Y), First), 12) << FilterNames[F];
    }
}

TEST(Contributors, IndexesInRangeForEverySizeAndFilter)
{
    for (int F = 0; F < kResampleFilterCount; ++F)
        for (int32_t N = 1; N <= 12; ++N)
            for (int32_t Dn : {2, 3, 5, 9, 17, 40}) {
                const TContributorList L = BuildContributors(N, Dn, ResampleFilterInfo(F));
                ASSERT_EQ(L.size(), size_t(Dn));
                for (const auto& Entry : L)
                    for (const TContributor& C : Entry) {
                        ASSERT_GE(C.Pixel, 0) << FilterNames[F] << " " << N << "->" << Dn;
                        ASSERT_LT(C.Pixel, N) << FilterNames[F] << " " << N << "->" << Dn;
                    }
            }
    // A strong reduction holds many contributors per entry.
    const TContributorList L = BuildContributors(1000, 3, ResampleFilterInfo(rfLanczos3));
    EXPECT_GT(L[1].size(), 1000u);
    EXPECT_EQ(ErrorOf([] { BuildContributors(0, 5, ResampleFilterInfo(0)); }), "Source graphic too small");
    EXPECT_EQ(ErrorOf([] { BuildContributors(5, 1, ResampleFilterInfo(0)); }), "Destination graphic too small");
}

TEST(Resample, TooSmallDestinationsAndHostileSizes)
{
    TDibGraphic S, Before;
    MakePattern(S, 8, 8, ifTrueColor);
    Before.Assign(&S);
    TResizeTransform T;
    T.SetResample(true);
    T.SetNewWidth(1);
    T.SetNewHeight(5);
    EXPECT_EQ(ErrorOf([&] { T.Apply(&S); }), "Destination graphic too small");
    T.SetNewWidth(5);
    T.SetNewHeight(1);
    EXPECT_EQ(ErrorOf([&] { T.Apply(&S); }), "Destination graphic too small");
    for (auto [W, H] : {std::pair{0, 5}, std::pair{-4, 5}, std::pair{100000, 100000}, std::pair{INT32_MAX, 2}}) {
        T.SetNewWidth(W);
        T.SetNewHeight(H);
        EXPECT_EQ(ErrorOf([&] { T.Apply(&S); }), "Invalid image dimensions") << W << "x" << H;
        T.SetResample(false);
        EXPECT_EQ(ErrorOf([&] { T.Apply(&S); }), "Invalid image dimensions") << W << "x" << H;
        T.SetResample(true);
    }
    T.SetNewWidth(5);
    T.SetNewHeight(5);
    T.SetFilter(9);
    EXPECT_EQ(ErrorOf([&] { T.Apply(&S); }), "Invalid resampling filter");
    T.SetFilter(0);
    T.SetChangeFormat(true);
    T.SetTargetFormat(static_cast<ImageFormat>(7));
    EXPECT_EQ(ErrorOf([&] { T.Apply(&S); }), "Internal error: Invalid image format");
    EXPECT_TRUE(SameBytes(S, Before));
    // The work picture (Dest width x Source height) obeys the cap as well.
    TDibGraphic Tall, D;
    Tall.NewImage(2, 200000, ifGray256, nullptr, 96, 96);
    T.SetChangeFormat(true);
    T.SetTargetFormat(ifBlackWhite);
    T.SetNewWidth(100000);
    T.SetNewHeight(2);
    EXPECT_EQ(ErrorOf([&] { T.ApplyOnDest(&Tall, &D); }), "Invalid image dimensions");
    TDibGraphic Empty;
    EXPECT_EQ(ErrorOf([&] { T.ApplyOnDest(&Empty, &D); }), "Source graphic too small");
}

TEST(Resample, ChangeFormatToSixteenColours)
{
    TDibGraphic S, D;
    MakePattern(S, 12, 9, ifTrueColor);
    TResizeTransform T;
    T.SetResample(true);
    T.SetNewWidth(20);
    T.SetNewHeight(15);
    T.SetChangeFormat(true);
    T.SetTargetFormat(ifColor16);
    for (int F = 0; F < kResampleFilterCount; ++F) {
        T.SetFilter(uint8_t(F));
        T.ApplyOnDest(&S, &D);
        ASSERT_EQ(D.GetImageFormat(), ifColor16);
        const TDibLogPalette* Vga = DefaultPalette(ifColor16);
        ASSERT_EQ(D.LogPalette()->NumEntries, 16);
        EXPECT_EQ(std::memcmp(D.LogPalette()->Entries, Vga->Entries, 16 * 4), 0);
        for (int32_t Y = 0; Y < 15; ++Y)
            for (int32_t X = 0; X < 20; ++X) {
                const uint32_t C = D.GetPixelColor(X, Y);
                bool Found = false;
                for (int I = 0; I < 16; ++I)
                    Found |= C == PackRgb(Vga->Entries[I].Red, Vga->Entries[I].Green, Vga->Entries[I].Blue);
                ASSERT_TRUE(Found) << X << "," << Y;
            }
    }
}

TEST(Resample, PaletteSourcesAreReadThroughTheirColours)
{
    TDibGraphic S, D;
    S.NewImage(6, 6, ifColor16, nullptr, 96, 96);
    S.Fill(0x00AA00); // entry 2
    Resample(S, D, 12, 12, rfHermite);
    EXPECT_EQ(D.GetImageFormat(), ifColor16); // format kept, palette kept
    for (int32_t Y = 0; Y < 12; ++Y)
        for (int32_t X = 0; X < 12; ++X)
            ASSERT_EQ(D.GetPixelIndex(X, Y), 2);
}

// ------------------------------------------------------------------------------ stretch

TEST(Stretch, SizeFormatAndColoursAwayFromTheBoundary)
{
    for (int32_t Side : {16, 64}) { // 256 pixels: COLORONCOLOR; 4096: HALFTONE
        TDibGraphic S, D;
        S.NewImage(Side, Side, ifTrueColor, nullptr, 96, 96);
        const uint32_t Left = PackRgb(200, 30, 40), Right = PackRgb(20, 60, 220);
        for (int32_t Y = 0; Y < Side; ++Y)
            for (int32_t X = 0; X < Side; ++X)
                S.SetPixelColor(X, Y, X < Side / 2 ? Left : Right);
        TResizeTransform T;
        T.SetNewWidth(40);
        T.SetNewHeight(24);
        T.ApplyOnDest(&S, &D);
        ASSERT_EQ(D.GetWidth(), 40);
        ASSERT_EQ(D.GetHeight(), 24);
        ASSERT_EQ(D.GetImageFormat(), ifTrueColor);
        for (int32_t Y = 0; Y < 24; ++Y)
            for (int32_t X = 0; X < 40; ++X) {
                if (X >= 17 && X <= 22)
                    continue; // the boundary
                EXPECT_LE(ChannelDistance(D.GetPixelColor(X, Y), X < 20 ? Left : Right), 8)
                    << Side << ": " << X << "," << Y;
            }
    }
}

TEST(Stretch, ChangeFormatAndPaletteSources)
{
    TDibGraphic S, D;
    MakePattern(S, 10, 8, ifColor256);
    TResizeTransform T;
    T.SetNewWidth(20);
    T.SetNewHeight(16);
    T.ApplyOnDest(&S, &D);
    ASSERT_EQ(D.GetImageFormat(), ifColor256);
    // COLORONCOLOR doubling: each source pixel becomes a 2 x 2 block (compared by colour: the
    // default palette holds black more than once).
    for (int32_t Y = 0; Y < 16; ++Y)
        for (int32_t X = 0; X < 20; ++X)
            ASSERT_EQ(D.GetPixelColor(X, Y), S.GetPixelColor(X / 2, Y / 2)) << X << "," << Y;
    T.SetChangeFormat(true);
    T.SetTargetFormat(ifTrueColor);
    T.ApplyOnDest(&S, &D);
    ASSERT_EQ(D.GetImageFormat(), ifTrueColor);
    for (int32_t Y = 0; Y < 16; ++Y)
        for (int32_t X = 0; X < 20; ++X)
            ASSERT_EQ(D.GetPixelColor(X, Y), S.GetPixelColor(X / 2, Y / 2)) << X << "," << Y;
    T.SetTargetFormat(ifGray256);
    T.ApplyOnDest(&S, &D);
    EXPECT_EQ(D.GetImageFormat(), ifGray256);
    EXPECT_EQ(D.GetWidth(), 20);
}

TEST(Resize, ApplyInPlaceAndOnItself)
{
    TDibGraphic S, Expected;
    MakePattern(S, 10, 10, ifTrueColor, 300, 150);
    TResizeTransform T;
    T.SetResample(true);
    T.SetFilter(rfBSpline);
    T.SetNewWidth(6);
    T.SetNewHeight(4);
    T.ApplyOnDest(&S, &Expected);
    EXPECT_EQ(Expected.GetXDpi(), 300);
    EXPECT_EQ(Expected.GetYDpi(), 150);
    TDibGraphic A, B;
    A.Assign(&S);
    B.Assign(&S);
    T.Apply(&A);
    T.ApplyOnDest(&B, &B);
    EXPECT_TRUE(SameBytes(A, Expected));
    EXPECT_TRUE(SameBytes(B, Expected));
}

} // namespace
