// Loads, failed loads and icon and metafile cycles leave no GDI objects or memory behind.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/support/ResourceProbe.h"
#include "FormatsTestUtil.h"
#include "imagelib/BitmapGraphic.h"
#include "imagelib/EpsGraphic.h"
#include "imagelib/IconGraphic.h"
#include "imagelib/PcxGraphic.h"
#include "imagelib/PpmGraphic.h"
#include "imagelib/TgaGraphic.h"

using namespace FormatsTest;

namespace {

struct TSample {
    std::function<std::unique_ptr<TDibGraphic>()> Make;
    Bytes Good, Cut;
};

template <class T>
TSample SampleOf(ImageFormat Format, bool Binary = false)
{
    T G;
    MakePattern(G, 24, 16, Format);
    if constexpr (std::is_same_v<T, TPpmGraphic>)
        G.SetBinary(Binary);
    TMemoryStream S;
    G.SaveToStream(&S);
    TSample R{[] { return std::unique_ptr<TDibGraphic>(new T()); }, BytesOf(S), {}};
    R.Cut.assign(R.Good.begin(), R.Good.begin() + R.Good.size() * 2 / 3);
    return R;
}

void LoadAll(const std::vector<TSample>& Samples, int32_t& Failures)
{
    for (const TSample& S : Samples) {
        auto G = S.Make();
        auto Good = StreamOf(S.Good);
        G->LoadFromStream(Good.get());
        auto Cut = StreamOf(S.Cut);
        try {
            G->LoadFromStream(Cut.get());
        } catch (const Exception&) {
            ++Failures;
        }
    }
}

void IconAndMetafileCycle(TDibGraphic& Source)
{
    TIconGraphic Icon;
    Icon.Assign(&Source);
    TMemoryStream S;
    Icon.SaveToStream(&S);
    S.SetPosition(0);
    TIconGraphic IconBack;
    IconBack.LoadFromStream(&S);
    TMetaFileGraphic Meta;
    Meta.Assign(&Source);
    TMemoryStream M;
    Meta.SaveToStream(&M);
    M.SetPosition(0);
    TMetaFileGraphic MetaBack;
    MetaBack.LoadFromStream(&M);
}

} // namespace

TEST(FormatResources, LoadsAndFailedLoadsLeakNothing)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    const std::vector<TSample> Samples = {
        SampleOf<TPcxGraphic>(ifColor256), SampleOf<TPcxGraphic>(ifTrueColor), SampleOf<TDcxGraphic>(ifColor16),
        SampleOf<TBitmapGraphic>(ifColor256), SampleOf<TBitmapGraphic>(ifTrueColor),
        SampleOf<TTgaGraphic>(ifTrueColor), SampleOf<TTgaGraphic>(ifColor256), SampleOf<TPpmGraphic>(ifTrueColor, true),
        SampleOf<TPpmGraphic>(ifGray256, false)};
    int32_t Failures = 0;
    for (int I = 0; I < 50; ++I)
        LoadAll(Samples, Failures);
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    Failures = 0;
    for (int I = 0; I < 1000; ++I)
        LoadAll(Samples, Failures);
    // Every truncated file failed (the ASCII one is cut inside its data).
    EXPECT_EQ(Failures, 1000 * static_cast<int32_t>(Samples.size()));
    EXPECT_EQ(Probe.GdiObjects(), Gdi) << Probe.Report();
    EXPECT_LT(TestSupport::TResourceProbe::BytesInUse() - Bytes, 1 << 20);
}

TEST(FormatResources, IconAndMetafileCyclesLeakNothing)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    std::printf("resource probe: %s\n", Probe.Report().c_str());
    TDibGraphic Source;
    MakePattern(Source, 20, 20, ifTrueColor);
    for (int I = 0; I < 50; ++I)
        IconAndMetafileCycle(Source);
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    for (int I = 0; I < 1000; ++I)
        IconAndMetafileCycle(Source);
    EXPECT_EQ(Probe.GdiObjects(), Gdi) << Probe.Report();
    EXPECT_LT(TestSupport::TResourceProbe::BytesInUse() - Bytes, 1 << 20);
}
