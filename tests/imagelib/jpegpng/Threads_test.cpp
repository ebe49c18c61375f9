// Many threads decoding at once: every codec object is per call, so results must not mix.
// Portable (std::thread).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "imagelib/JpegGraphic.h"
#include "imagelib/PngGraphic.h"
#include "tests/imagelib/jpegpng/JpegPngTestUtil.h"

using namespace JpegPngTest;

TEST(JpegPngThreads, EightThreadsDecodeFiftyTimesEach)
{
    // Different pictures per thread, so a mix-up between threads shows as wrong pixels.
    struct TCase {
        TBytes Jpeg, Png;
        std::vector<uint32_t> JpegPixels, PngPixels;
    };
    std::vector<TCase> Cases(8);
    for (int T = 0; T < 8; ++T) {
        TJpegGraphic J;
        MakeSmooth(J, 60 + T * 7, 40 + T * 3, T % 2 ? ifGray256 : ifTrueColor);
        J.SetProgressive(T % 3 == 0);
        Cases[size_t(T)].Jpeg = SaveBytes(J);
        TJpegGraphic JBack;
        LoadBytes(JBack, Cases[size_t(T)].Jpeg);
        Cases[size_t(T)].JpegPixels = Pixels(JBack);
        TPngGraphic P;
        MakeSmooth(P, 50 + T * 5, 30 + T * 4, ImageFormat(T % 6));
        P.SetInterlaced(T % 2 == 0);
        Cases[size_t(T)].Png = SaveBytes(P);
        Cases[size_t(T)].PngPixels = Pixels(P);
    }
    std::atomic<int> Failures{0}, Done{0};
    std::vector<std::string> Errors(8);
    std::vector<std::thread> Threads;
    for (int T = 0; T < 8; ++T)
        Threads.emplace_back([&, T] {
            const TCase& C = Cases[size_t(T)];
            try {
                for (int I = 0; I < 50; ++I) {
                    TJpegGraphic J;
                    LoadBytes(J, C.Jpeg);
                    TPngGraphic P;
                    LoadBytes(P, C.Png);
                    if (Pixels(J) != C.JpegPixels || Pixels(P) != C.PngPixels)
                        ++Failures;
                    ++Done;
                }
            } catch (const std::exception& E) {
                Errors[size_t(T)] = E.what();
                ++Failures;
            }
        });
    for (auto& Th : Threads)
        Th.join();
    EXPECT_EQ(Failures.load(), 0);
    EXPECT_EQ(Done.load(), 400);
    for (const auto& E : Errors)
        EXPECT_EQ(E, "");
}

TEST(JpegPngThreads, HostileFilesOnManyThreadsFailCleanly)
{
    TJpegGraphic J;
    MakeSmooth(J, 64, 64, ifTrueColor);
    const TBytes Jpeg = SaveBytes(J);
    TPngGraphic P;
    MakeSmooth(P, 64, 64, ifTrueColor);
    const TBytes Png = SaveBytes(P);
    const TBytes JpegCut(Jpeg.begin(), Jpeg.begin() + 60);
    const TBytes PngCut(Png.begin(), Png.begin() + Png.size() / 2);
    std::atomic<int> Raised{0};
    std::vector<std::thread> Threads;
    for (int T = 0; T < 8; ++T)
        Threads.emplace_back([&] {
            for (int I = 0; I < 50; ++I) {
                try {
                    TJpegGraphic G;
                    LoadBytes(G, JpegCut);
                } catch (const EJpegError&) {
                    ++Raised;
                }
                try {
                    TPngGraphic G;
                    LoadBytes(G, PngCut);
                } catch (const EPNGError&) {
                    ++Raised;
                }
            }
        });
    for (auto& Th : Threads)
        Th.join();
    EXPECT_EQ(Raised.load(), 800);
}
