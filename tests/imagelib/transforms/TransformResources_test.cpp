// Transforms leak nothing and run side by side on several threads.
#include <gtest/gtest.h>

#include <cstdio>
#include <thread>
#include <vector>

#include "imagelib/ImgTransf.h"
#include "tests/support/ResourceProbe.h"
#include "tests/imagelib/transforms/TransformTestUtil.h"

using namespace TransformTest;

namespace {

// One round of the transforms the viewers use, on a picture of the given format.
void Round(int I, TDibGraphic& Out)
{
    TDibGraphic S;
    MakePattern(S, 37 + I % 5, 23 + I % 3, AllFormats[I % 6]);
    TResizeTransform Resize;
    Resize.SetNewWidth(30 + I % 7);
    Resize.SetNewHeight(20);
    Resize.SetResample(I % 2 == 0);
    Resize.SetFilter(uint8_t(I % kResampleFilterCount));
    TDibGraphic A;
    Resize.ApplyOnDest(&S, &A);
    TRotateTransform Rotate;
    Rotate.SetAngle(I % 3 == 0 ? 90.0 : 17.0 + I % 40);
    Rotate.ApplyOnDest(&A, &Out);
    TNegativeTransform().Apply(&Out);
    TCropTransform Crop;
    Crop.SetCropRect(1, 2, 3, 4);
    Crop.Apply(&Out);
}

TEST(TransformResources, NoGdiOrMemoryGrowth)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    std::printf("resource probe: %s\n", Probe.Report().c_str());
    TDibGraphic Out;
    for (int I = 0; I < 50; ++I)
        Round(I, Out);
    Out.FreeImage();
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    for (int I = 0; I < 1000; ++I)
        Round(I, Out);
    Out.FreeImage();
    EXPECT_EQ(Probe.GdiObjects(), Gdi) << Probe.Report();
    EXPECT_LT(TestSupport::TResourceProbe::BytesInUse() - Bytes, 1 << 20);
}

TEST(TransformResources, FailuresLeakNothing)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck());
    TDibGraphic S;
    MakePattern(S, 20, 20, ifTrueColor);
    auto Fail = [&] {
        TResizeTransform R;
        R.SetResample(true);
        R.SetNewWidth(1);
        try {
            R.Apply(&S);
        } catch (const EDidodazaError&) {
        }
        TCropTransform C;
        C.SetCropRect(30, 0, 0, 0);
        try {
            C.Apply(&S);
        } catch (const EDidodazaError&) {
        }
    };
    for (int I = 0; I < 20; ++I)
        Fail();
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    for (int I = 0; I < 500; ++I)
        Fail();
    EXPECT_EQ(Probe.GdiObjects(), Gdi);
    EXPECT_LT(TestSupport::TResourceProbe::BytesInUse() - Bytes, 1 << 20);
}

// Each thread owns its transforms and pictures; the results equal those made on one thread.
TEST(TransformThreads, ParallelResultsEqualSerialOnes)
{
    constexpr int Threads = 4, PerThread = 24;
    std::vector<std::vector<std::unique_ptr<TDibGraphic>>> Serial(Threads), Parallel(Threads);
    for (int T = 0; T < Threads; ++T)
        for (int I = 0; I < PerThread; ++I) {
            Serial[T].push_back(std::make_unique<TDibGraphic>());
            Round(T * PerThread + I, *Serial[T].back());
        }
    std::vector<std::thread> Workers;
    std::vector<std::string> Errors(Threads);
    for (int T = 0; T < Threads; ++T)
        Workers.emplace_back([&, T] {
            try {
                for (int I = 0; I < PerThread; ++I) {
                    Parallel[T].push_back(std::make_unique<TDibGraphic>());
                    Round(T * PerThread + I, *Parallel[T].back());
                }
            } catch (const std::exception& E) {
                Errors[T] = E.what();
            }
        });
    for (std::thread& W : Workers)
        W.join();
    for (int T = 0; T < Threads; ++T) {
        EXPECT_EQ(Errors[T], "");
        ASSERT_EQ(Parallel[T].size(), size_t(PerThread));
        for (int I = 0; I < PerThread; ++I)
            EXPECT_TRUE(SameBytes(*Parallel[T][I], *Serial[T][I])) << T << "/" << I;
    }
}

} // namespace
