// TGif on worker threads, and what repeated loads leave behind.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "imagelib/Gif.h"
#include "tests/imagelib/gif/GifTestFiles.h"
#include "tests/support/ResourceProbe.h"

using namespace GifTest;

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM P)
{
    ++*reinterpret_cast<int*>(P);
    return TRUE;
}

int ThreadWindowCount()
{
    int Count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&Count));
    return Count;
}

} // namespace

TEST(GifThreads, WorkersLoadMeasureAndFreeWithoutWindows)
{
    const std::vector<uint8_t> Good = Bytes(MakeDocument(64, 48, 2, 64, true));
    std::atomic<int> Loaded{0}, Windows{0}, Wrong{0};
    std::vector<std::thread> Workers;
    for (int T = 0; T < 8; ++T)
        Workers.emplace_back([&] {
            for (int K = 0; K < 100; ++K) {
                TMemoryStream S;
                Fill(S, Good);
                auto Gif = std::make_unique<TGif>();
                Gif->LoadFromStream(&S);
                if (Gif->GetWidth() != 64 || Gif->GetHeight() != 48 || Gif->GetImageCount() != 2)
                    ++Wrong;
                if (K % 10 == 0 && Gif->GetBitmap(0)->GetWidth() != 64)
                    ++Wrong;
                ++Loaded;
            }
            Windows += ThreadWindowCount();
        });
    for (auto& W : Workers)
        W.join();
    EXPECT_EQ(Loaded.load(), 800);
    EXPECT_EQ(Wrong.load(), 0);
    EXPECT_EQ(Windows.load(), 0);
}

TEST(GifThreads, EachThreadSeesItsOwnLastError)
{
    std::vector<uint8_t> BadSignature = Bytes(MakeDocument(4, 4));
    BadSignature[1] = 'X';
    std::vector<uint8_t> NoTrailer = Bytes(MakeDocument(4, 4));
    NoTrailer.pop_back();
    std::atomic<int> Ready{0};
    int Codes[2] = {-1, -1};
    std::string Texts[2];
    auto Work = [&](int Slot, const std::vector<uint8_t>& Data) {
        TGif Gif;
        TMemoryStream S;
        Fill(S, Data);
        try {
            Gif.LoadFromStream(&S);
        } catch (const EInvalidGraphicOperation&) {
        }
        // Both have failed before either looks.
        ++Ready;
        while (Ready.load() < 2)
            Sleep(1);
        Codes[Slot] = TGif::LastErrorCode();
        Texts[Slot] = TGif::LastErrorText();
    };
    std::thread A(Work, 0, std::cref(BadSignature)), B(Work, 1, std::cref(NoTrailer));
    A.join();
    B.join();
    EXPECT_EQ(Codes[0], gifInvalidSignature);
    EXPECT_EQ(Texts[0], "Invalid GIF Signature Code");
    EXPECT_EQ(Codes[1], gifNoTerminator);
    EXPECT_EQ(Texts[1], "No GIF Terminator Found");
}

TEST(GifThreads, RepeatedLoadsLeaveNothingBehind)
{
    const std::vector<uint8_t> Good = Bytes(MakeDocument(120, 90, 1, 256));
    std::vector<uint8_t> Cut = Good;
    Cut.resize(Cut.size() * 2 / 3);
    auto Once = [&](const std::vector<uint8_t>& Data) {
        TMemoryStream S;
        Fill(S, Data);
        TGif Gif;
        try {
            Gif.LoadFromStream(&S);
        } catch (const EInvalidGraphicOperation&) {
        }
        if (Gif.GetImageCount() > 0)
            Gif.GetBitmap(0);
    };
    TestSupport::TResourceProbe Probe;
    const bool Counted = Probe.SelfCheck();
    for (int K = 0; K < 50; ++K) {
        Once(Good);
        Once(Cut);
    }
    const int64_t Gdi = Probe.GdiObjects();
    const int32_t Palettes = GifPaletteCount();
    const int64_t Bytes0 = TestSupport::TResourceProbe::BytesInUse();
    for (int K = 0; K < 1000; ++K) {
        Once(Good);
        Once(Cut);
    }
    const int64_t Grown = TestSupport::TResourceProbe::BytesInUse() - Bytes0;
    EXPECT_EQ(GifPaletteCount(), Palettes);
    if (Counted) {
        EXPECT_EQ(Probe.GdiObjects(), Gdi) << Probe.Report();
    }
    EXPECT_LT(Grown, 1 << 20);
}

// The bitmaps and palettes a TGif holds are platform objects the library's own counter never
// sees; the probe's process-wide count must see them come and go.
TEST(GifThreads, ProbeCountsTheObjectsAGifHolds)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    const std::vector<uint8_t> Data = Bytes(MakeDocument(40, 30, 3, 64, true));
    auto LoadAll = [&](TGif& Gif) {
        TMemoryStream S;
        Fill(S, Data);
        Gif.LoadFromStream(&S);
        for (int32_t I = 0; I < Gif.GetImageCount(); ++I)
            Gif.GetBitmap(I);
    };
    {
        TGif Warm;
        LoadAll(Warm);
    }
    const int64_t Before = Probe.GdiObjects();
    {
        std::vector<std::unique_ptr<TGif>> Held;
        for (int K = 0; K < 4; ++K) {
            Held.push_back(std::make_unique<TGif>());
            LoadAll(*Held.back());
        }
        // At least a bitmap per image of each of the four.
        EXPECT_GE(Probe.GdiObjects() - Before, 4 * 3) << Probe.Report();
    }
    EXPECT_EQ(Probe.GdiObjects(), Before) << Probe.Report();
}
