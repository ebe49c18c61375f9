// Loading good and hostile files over and over leaks neither GDI objects nor memory: the codec
// objects are released on every path, failures included.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGraphic.h"
#include "tests/imagelib/jpegpng/JpegPngTestUtil.h"
#include "tests/support/ResourceProbe.h"

using namespace JpegPngTest;

TEST(JpegPngResources, ThousandLoadsOfGoodAndHostileFilesLeakNothing)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();

    TJpegGraphic J;
    MakeSmooth(J, 96, 64, ifTrueColor);
    const TBytes GoodJpeg = SaveBytes(J);
    std::mt19937 Rng(3);
    TBytes RandomJpeg(3000);
    for (auto& B : RandomJpeg)
        B = uint8_t(Rng());
    RandomJpeg[0] = 0xFF; // looks like a JPEG start, then junk
    RandomJpeg[1] = 0xD8;
    TPngGraphic P;
    MakeSmooth(P, 96, 64, ifTrueColor);
    const TBytes GoodPng = SaveBytes(P);
    const TBytes CutPng(GoodPng.begin(), GoodPng.begin() + GoodPng.size() / 2);
    TBytes BadCrcPng = GoodPng;
    const int64_t Idat = FindChunk(BadCrcPng, "IDAT");
    ASSERT_GT(Idat, 0);
    BadCrcPng[size_t(Idat) + 8 + BigEndian32(&BadCrcPng[size_t(Idat)])] ^= 0x55;

    int Failures = 0;
    auto Cycle = [&] {
        {
            TJpegGraphic G;
            LoadBytes(G, GoodJpeg);
            Failures += G.GetWidth() != 96;
        }
        try {
            TJpegGraphic G;
            LoadBytes(G, RandomJpeg);
            ++Failures;
        } catch (const EJpegError&) {
        }
        try {
            TPngGraphic G;
            LoadBytes(G, CutPng);
            ++Failures;
        } catch (const EPNGError&) {
        }
        try {
            TPngGraphic G;
            LoadBytes(G, BadCrcPng);
            ++Failures;
        } catch (const EPNGError&) {
        }
    };
    for (int I = 0; I < 50; ++I)
        Cycle();
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    for (int I = 0; I < 1000; ++I)
        Cycle();
    EXPECT_EQ(Failures, 0);
    EXPECT_EQ(Probe.GdiObjects(), Gdi) << Probe.Report();
    const int64_t Grown = TestSupport::TResourceProbe::BytesInUse() - Bytes;
    std::printf("bytes in use grew by %lld\n", static_cast<long long>(Grown));
    EXPECT_LT(Grown, 1 << 20);
}
