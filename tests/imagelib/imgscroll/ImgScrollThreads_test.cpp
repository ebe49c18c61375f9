// The scroll box off the user-interface thread and over time: controls with no owner measuring
// on worker threads without windows, controls destroyed while their preload runs, repeated
// load/zoom/clear cycles, and the hand cursors registered at the library's start.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "imagelib/ImgScroll.h"
#include "platform/win/Screen.h"
#include "platform/win/Thread.h"
#include "tests/imagelib/imgscroll/ImgScrollTestUtil.h"
#include "tests/support/ResourceProbe.h"
#include "tests/support/TestSupport.h"

using namespace ImgScrollTest;
using TestSupport::TTempFolder;

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM P)
{
    ++*reinterpret_cast<int*>(P);
    return TRUE;
}

int WindowsOfThisThread()
{
    int Count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&Count));
    return Count;
}

// The bits of a cursor's mask and colour bitmaps and its hot spot, to tell cursors apart.
std::string CursorFacts(HCURSOR C)
{
    ICONINFO I{};
    if (!C || !GetIconInfo(C, &I))
        return "none";
    std::string Facts = IntToStr(I.xHotspot) + "," + IntToStr(I.yHotspot) + ":";
    for (HBITMAP B : {I.hbmMask, I.hbmColor}) {
        if (!B)
            continue;
        BITMAP BM{};
        GetObjectA(B, sizeof(BM), &BM);
        std::vector<char> Bits(size_t(BM.bmWidthBytes) * size_t(BM.bmHeight));
        GetBitmapBits(B, LONG(Bits.size()), Bits.data());
        Facts += IntToStr(BM.bmWidth) + "x" + IntToStr(BM.bmHeight) + ":" + std::string(Bits.begin(), Bits.end());
        DeleteObject(B);
    }
    return Facts;
}

} // namespace

TEST(ImageScrollBoxThreads, WorkerThreadsMeasureWithoutWindows)
{
    TTempFolder T;
    const std::string Jpeg = WriteJpeg(T.File("w.jpg"), 37, 29);
    const std::string Png = WritePng(T.File("w.png"), 23, 41);
    std::atomic<int> Wrong{0}, Done{0}, Windows{0};
    std::vector<std::thread> Threads;
    for (int I = 0; I < 8; ++I)
        Threads.emplace_back([&] {
            for (int N = 0; N < 50; ++N) {
                try {
                    auto* Box = new TImageScrollBox(nullptr);
                    Box->LoadFromFile(Jpeg, 1);
                    Wrong += Box->GetGraphic()->GetWidth() != 37 || Box->GetGraphic()->GetHeight() != 29;
                    Box->LoadFromFile(Png, 1);
                    Wrong += Box->GetGraphic()->GetWidth() != 23 || Box->GetGraphic()->GetHeight() != 41;
                    Wrong += Box->HandleAllocated();
                    delete Box;
                    ++Done;
                } catch (...) {
                    ++Wrong;
                }
            }
            Windows += WindowsOfThisThread();
        });
    for (auto& Th : Threads)
        Th.join();
    EXPECT_EQ(Wrong.load(), 0);
    EXPECT_EQ(Done.load(), 400);
    EXPECT_EQ(Windows.load(), 0);
}

TEST(ImageScrollBoxThreads, DestroyedWhilePreloadingNeitherCrashesNorLeaks)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    TTempFolder T;
    const std::string Big = WriteJpeg(T.File("big.jpg"), 1600, 1200);
    auto Round = [&](int Count) {
        for (int I = 0; I < Count; ++I) {
            auto* Box = new TImageScrollBox(nullptr);
            Box->SetReadAheadFileName(Big);
            delete Box; // returns at once; the thread frees what it loaded
            // Ten at a time run on, so the process never holds a hundred decodes at once.
            if (I % 10 == 9)
                WaitForReadAheadThreads();
        }
        WaitForReadAheadThreads();
    };
    Round(5);
    // System threads kept for later thread objects hold memory of their own: none is kept
    // at either measure.
    EndParkedThreads();
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    Round(100);
    EndParkedThreads();
    EXPECT_EQ(Probe.GdiObjects(), Gdi) << Probe.Report();
    const int64_t Grown = TestSupport::TResourceProbe::BytesInUse() - Bytes;
    std::printf("bytes in use grew by %lld after 100 orphaned preloads\n", static_cast<long long>(Grown));
    EXPECT_LT(Grown, 1 << 20);

    // A control that outlives its preload still takes it.
    TImageScrollBox Box(nullptr);
    Box.SetReadAheadFileName(Big);
    WaitForReadAheadThreads();
    Box.LoadFromFile(Big, 1);
    EXPECT_EQ(Box.GetGraphic()->GetWidth(), 1600);
}

TEST(ImageScrollBoxResources, LoadZoomClearCyclesKeepGdiAndMemoryFlat)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    TTempFolder T;
    const std::string Png = WritePng(T.File("c.png"), 120, 90);
    const std::string Jpeg = WriteJpeg(T.File("c.jpg"), 90, 120);
    TBoxOnForm F;
    TImageScrollBox* B = F.Box;
    B->SetMouseMode(mmRubberband);
    int Bad = 0;
    auto Cycle = [&](int I) {
        B->LoadFromFile(I % 2 ? Png : Jpeg, 1);
        B->SetZoomPercent(I % 3 ? 250.0f : 40.0f);
        Bad += B->GetDisplayGraphic()->GetEmpty();
        B->SetZoomMode(zmFitToPage);
        B->Clear();
        Bad += !B->GetGraphic()->GetEmpty();
    };
    for (int I = 0; I < 50; ++I)
        Cycle(I);
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    for (int I = 0; I < 500; ++I)
        Cycle(I);
    EXPECT_EQ(Bad, 0);
    EXPECT_EQ(Probe.GdiObjects(), Gdi) << Probe.Report();
    const int64_t Grown = TestSupport::TResourceProbe::BytesInUse() - Bytes;
    std::printf("bytes in use grew by %lld after 500 cycles\n", static_cast<long long>(Grown));
    EXPECT_LT(Grown, 1 << 20);
}

TEST(ImageScrollBoxResources, HandCursorsAreTheModulesResources)
{
    ASSERT_TRUE(Screen);
    const HMODULE M = GetModuleHandleA(nullptr);
    const HCURSOR Open = LoadCursorA(M, "HANDOPENEDCURSOR");
    const HCURSOR Closed = LoadCursorA(M, "HANDCLOSEDCURSOR");
    ASSERT_NE(Open, nullptr);
    ASSERT_NE(Closed, nullptr);
    const std::string OpenFacts = CursorFacts(Open), ClosedFacts = CursorFacts(Closed);
    ASSERT_NE(OpenFacts, ClosedFacts);
    EXPECT_EQ(CursorFacts(Screen->GetCursors(crHandOpened)), OpenFacts);
    EXPECT_EQ(CursorFacts(Screen->GetCursors(crHandClosed)), ClosedFacts);
    EXPECT_NE(CursorFacts(Screen->GetCursors(crHandOpened)), CursorFacts(Screen->GetCursors(crArrow)));
}
