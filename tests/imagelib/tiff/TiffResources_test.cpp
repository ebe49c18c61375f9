// Many loads of good, truncated and random files leak neither GDI objects nor memory, and
// several threads read and write TIFF files at once with the right pixels and tags.
#include "tests/imagelib/tiff/TiffTestUtil.h"

#include <atomic>
#include <random>
#include <thread>

#include "tests/support/ResourceProbe.h"

using namespace TiffTest;

TEST(TiffResources, ThousandLoadsLeakNothing)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();

    TTiffGraphic A;
    MakePattern(A, 64, 48, ifTrueColor);
    A.SetCompression(5);
    A.CustomTag(0).Text = "note";
    const TBytes Good = SaveBytes(A);
    const TBytes Cut(Good.begin(), Good.begin() + std::ptrdiff_t(Good.size() / 2));
    std::mt19937 Rng(11);
    TBytes RandomBytes(3000);
    for (auto& B : RandomBytes)
        B = uint8_t(Rng());
    RandomBytes[0] = 'I', RandomBytes[1] = 'I', RandomBytes[2] = 42, RandomBytes[3] = 0;
    const TBytes Random = RandomBytes;

    int Failures = 0;
    auto Cycle = [&] {
        {
            TTiffGraphic G;
            LoadBytes(G, Good);
            Failures += G.GetWidth() != 64 || G.GetAnnotations() != "note";
        }
        for (const TBytes* Bad : {&Cut, &Random}) {
            try {
                TTiffGraphic G;
                LoadBytes(G, *Bad);
                ++Failures;
            } catch (const EDidodazaError&) {
            }
        }
    };
    for (int I = 0; I < 50; ++I)
        Cycle();
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    for (int I = 0; I < 1000; ++I)
        Cycle();
    EXPECT_EQ(Failures, 0);
    EXPECT_EQ(Probe.GdiObjects(), Gdi);
    EXPECT_LT(TestSupport::TResourceProbe::BytesInUse() - Bytes, 1 << 20);
}

TEST(TiffThreads, EightThreadsReadAndWrite)
{
    std::atomic<int> Failures{0};
    std::vector<std::thread> Threads;
    for (int T = 0; T < 8; ++T)
        Threads.emplace_back([T, &Failures] {
            try {
                for (int I = 0; I < 50; ++I) {
                    TTiffGraphic A;
                    const ImageFormat F = ImageFormat(T % kImageFormatCount);
                    MakePattern(A, 17 + T, 9 + I % 5, F);
                    A.SetCompression(T % 2 ? 5 : 1);
                    A.CustomTag(0).Text = "thread " + std::to_string(T) + " round " + std::to_string(I);
                    A.Artist = "artist " + std::to_string(T);
                    TTiffGraphic B;
                    LoadBytes(B, SaveBytes(A));
                    if (Pixels(B) != Pixels(A) || B.GetAnnotations() != A.GetAnnotations() || B.Artist != A.Artist)
                        ++Failures;
                }
            } catch (...) {
                Failures += 1000;
            }
        });
    for (auto& T : Threads)
        T.join();
    EXPECT_EQ(Failures.load(), 0);
}
