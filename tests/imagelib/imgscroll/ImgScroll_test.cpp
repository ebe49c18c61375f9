// The scroll box on a window: zoom modes and thresholds, scroll bars and centring, loading from
// files and streams (registered classes, the platform's picture path, failures), read-ahead
// hand-over, frames and the recovery from a display picture that cannot be made.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "imagelib/ImgHooks.h"
#include "imagelib/ImgScroll.h"
#include "platform/rtl/Paths.h"
#include "platform/win/Files.h"
#include "tests/imagelib/imgscroll/ImgScrollTestUtil.h"
#include "tests/support/TestSupport.h"

using namespace ImgScrollTest;
using TestSupport::TTempFolder;

namespace {

bool HasStyle(HWND W, LONG S) { return (GetWindowLongA(W, GWL_STYLE) & S) != 0; }

int32_t RangeOf(HWND W, int Bar)
{
    SCROLLINFO SI{};
    SI.cbSize = sizeof(SI);
    SI.fMask = SIF_RANGE;
    GetScrollInfo(W, Bar, &SI);
    return SI.nMax - SI.nMin + 1;
}

// The test format, known to the library's list only (not to the platform's), from its first use.
struct TTwoImageFormat {
    TTwoImageFormat()
    {
        static std::once_flag Once;
        std::call_once(Once, [] { AddDibGraphicClass("QS2", DibGraphicClassOf<TTwoImageGraphic>()); });
    }
};

// Temporary "En" files whose name ends with Tail.
std::vector<std::string> TempFilesEndingWith(const std::string& Tail)
{
    std::vector<std::string> Found;
    TFindData F;
    if (FindFirst(GetTempPath() + "En*" + Tail, faAnyFile, F) == 0) {
        do
            Found.push_back(F.Name);
        while (FindNext(F) == 0);
        FindClose(F);
    }
    return Found;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Zoom

TEST(ImageScrollBoxZoom, ModesOfASmallPictureInA400By300Client)
{
    TTempFolder T;
    TBoxOnForm F;
    TImageScrollBox* B = F.Box;
    ASSERT_EQ(B->GetClientWidth(), 400);
    ASSERT_EQ(B->GetClientHeight(), 300);
    B->LoadFromFile(WritePng(T.File("s.png"), 50, 50), 1);
    EXPECT_FLOAT_EQ(B->GetZoomPercent(), 100.0f);

    B->SetZoomMode(zmFitToPage);
    EXPECT_FLOAT_EQ(B->GetZoomPercent(), 100.0f); // pictures are only reduced
    B->SetZoomMode(zmFullPage);
    EXPECT_FLOAT_EQ(B->GetZoomPercent(), 600.0f);
    EXPECT_EQ(B->GetDisplayGraphic()->GetWidth(), 300);
    EXPECT_EQ(B->GetImage()->GetHeight(), 300);
    B->SetZoomMode(zmFitWidth);
    EXPECT_FLOAT_EQ(B->GetZoomPercent(), 800.0f);
    B->SetZoomMode(zmFitHeight);
    EXPECT_FLOAT_EQ(B->GetZoomPercent(), 600.0f);
    EXPECT_FALSE(B->GetHorzScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(B->GetVertScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(HasStyle(B->GetHandle(), WS_HSCROLL));
    EXPECT_FALSE(HasStyle(B->GetHandle(), WS_VSCROLL));

    // The lower limit is compared in extended precision.
    std::vector<float> Zooms;
    B->OnZoomChange = [&](TImageScrollBox* Sender, float Z) {
        EXPECT_EQ(Sender, B);
        Zooms.push_back(Z);
    };
    B->SetZoomPercent(0.05f);
    EXPECT_EQ(B->GetZoomMode(), zmFitHeight);
    EXPECT_FLOAT_EQ(B->GetZoomPercent(), 600.0f);
    EXPECT_TRUE(Zooms.empty());
    B->SetZoomPercent(0.11f);
    EXPECT_EQ(B->GetZoomMode(), zmPercent);
    ASSERT_FALSE(Zooms.empty());
    EXPECT_EQ(Zooms.back(), 0.11f);
    EXPECT_EQ(B->GetDisplayGraphic()->GetWidth(), 1); // 50 x 0.0011 truncates to 0: at least 1
    Zooms.clear();
    B->SetZoomPercent(0.1f);
    EXPECT_EQ(B->GetZoomPercent(), 0.1f);
    ASSERT_FALSE(Zooms.empty());
    EXPECT_EQ(Zooms.back(), 0.1f);
    // The same value again in percent mode changes nothing.
    Zooms.clear();
    B->SetZoomPercent(0.1f);
    EXPECT_TRUE(Zooms.empty());
}

TEST(ImageScrollBoxZoom, OnePixelPictureAtTenPercentStaysOnePixel)
{
    TTempFolder T;
    TBoxOnForm F;
    F.Box->LoadFromFile(WritePng(T.File("one.png"), 1, 1), 1);
    F.Box->SetZoomPercent(10.0f);
    EXPECT_EQ(F.Box->GetDisplayGraphic()->GetWidth(), 1);
    EXPECT_EQ(F.Box->GetDisplayGraphic()->GetHeight(), 1);
    EXPECT_EQ(F.Box->GetImage()->GetWidth(), 1);
    EXPECT_EQ(F.Box->GetImage()->GetHeight(), 1);
    EXPECT_TRUE(F.Box->GetImage()->GetVisible());
}

TEST(ImageScrollBoxZoom, EmptyPictureIgnoresZoomPercent)
{
    TBoxOnForm F;
    F.Box->SetZoomPercent(50.0f);
    EXPECT_EQ(F.Box->GetZoomMode(), zmOriginalSize);
    EXPECT_FLOAT_EQ(F.Box->GetZoomPercent(), 100.0f);
}

TEST(ImageScrollBoxZoom, DisplayPictureIsTheScaledPicture)
{
    TTempFolder T;
    TBoxOnForm F;
    F.Box->LoadFromFile(WritePng(T.File("p.png"), 40, 30), 1);
    F.Box->SetZoomPercent(200.0f);
    TDibGraphic* D = F.Box->GetDisplayGraphic();
    ASSERT_EQ(D->GetWidth(), 80);
    ASSERT_EQ(D->GetHeight(), 60);
    EXPECT_EQ(D->GetImageFormat(), ifTrueColor);
    // The stretch may smooth between source pixels; every source pixel itself is kept.
    int Wrong = 0;
    for (int32_t Y = 0; Y < 30; ++Y)
        for (int32_t X = 0; X < 40; ++X)
            Wrong += D->GetPixelColor(2 * X, 2 * Y) != PatternColor(X, Y);
    EXPECT_EQ(Wrong, 0);
}

TEST(ImageScrollBoxZoom, AntiAliasingOnlyWhenReduced)
{
    TTempFolder T;
    TBoxOnForm F;
    // A 1-bit checkerboard: reduced with anti-aliasing it turns grey, at 100 % it stays black
    // and white.
    TDibGraphic Bw;
    Bw.NewImage(64, 64, ifBlackWhite);
    for (int32_t Y = 0; Y < 64; ++Y)
        for (int32_t X = 0; X < 64; ++X)
            Bw.SetPixelIndex(X, Y, uint8_t((X + Y) & 1));
    F.Box->GetGraphic()->Assign(&Bw);
    F.Box->SetAntiAliased(true);
    F.Box->Redraw(true);
    auto Greys = [&] {
        int N = 0;
        TDibGraphic* D = F.Box->GetDisplayGraphic();
        for (int32_t Y = 0; Y < D->GetHeight(); ++Y)
            for (int32_t X = 0; X < D->GetWidth(); ++X) {
                const uint32_t C = D->GetPixelColor(X, Y);
                N += C != 0 && C != 0xFFFFFF;
            }
        return N;
    };
    EXPECT_EQ(F.Box->GetDisplayGraphic()->GetWidth(), 64);
    EXPECT_EQ(Greys(), 0);
    F.Box->SetZoomPercent(50.0f);
    EXPECT_EQ(F.Box->GetDisplayGraphic()->GetWidth(), 32);
    EXPECT_GT(Greys(), 32 * 32 / 2);
}

// ---------------------------------------------------------------------------------------------
// Scroll bars, clearing, centring, scroll messages

TEST(ImageScrollBoxLayout, LargePictureShowsBothBarsWithItsRanges)
{
    TTempFolder T;
    TBoxOnForm F;
    TImageScrollBox* B = F.Box;
    B->LoadFromFile(WritePng(T.File("big.png"), 1000, 800), 1);
    const HWND W = B->GetHandle();
    EXPECT_TRUE(B->GetHorzScrollBar()->IsScrollBarVisible());
    EXPECT_TRUE(B->GetVertScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(B->GetHorzScrollBar()->GetRange(), 1000);
    EXPECT_EQ(B->GetVertScrollBar()->GetRange(), 800);
    EXPECT_EQ(RangeOf(W, SB_HORZ), 1000);
    EXPECT_EQ(RangeOf(W, SB_VERT), 800);
    EXPECT_EQ(B->GetHorzScrollBar()->GetPosition(), 0);
    EXPECT_EQ(B->GetVertScrollBar()->GetPosition(), 0);
    EXPECT_EQ(B->GetImage()->GetBoundsRect().right, 1000);
    EXPECT_EQ(B->GetVisibleRect().bottom, 800);

    // A scroll is reported once at its start and once at its end, and moves the picture.
    int Begins = 0, Ends = 0;
    B->OnBeginScroll = [&](TObject*) { ++Begins; };
    B->OnEndScroll = [&](TObject*) { ++Ends; };
    SendMessageA(W, WM_HSCROLL, SB_LINEDOWN, 0);
    SendMessageA(W, WM_HSCROLL, SB_LINEDOWN, 0);
    SendMessageA(W, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 40), 0);
    EXPECT_EQ(Begins, 1);
    EXPECT_EQ(Ends, 0);
    EXPECT_TRUE(B->GetScrolling());
    EXPECT_EQ(B->GetImage()->GetTop(), -40); // both bars track
    EXPECT_LT(B->GetImage()->GetLeft(), 0);
    SendMessageA(W, WM_HSCROLL, SB_ENDSCROLL, 0);
    EXPECT_EQ(Ends, 1);
    SendMessageA(W, WM_VSCROLL, SB_ENDSCROLL, 0);
    EXPECT_EQ(Ends, 1);
    EXPECT_FALSE(B->GetScrolling());

    // A redraw puts the picture back at the origin.
    B->Redraw(true);
    EXPECT_EQ(B->GetImage()->GetLeft(), 0);
    EXPECT_EQ(B->GetImage()->GetTop(), 0);
    EXPECT_EQ(B->GetHorzScrollBar()->GetPosition(), 0);

    // Clear: the event, the names, the bars and the picture go.
    B->SetAnnotations("note");
    int NewGraphics = 0;
    B->OnNewGraphic = [&](TDibGraphic* G) {
        ++NewGraphics;
        EXPECT_TRUE(G->GetEmpty());
    };
    B->Clear();
    EXPECT_EQ(NewGraphics, 1);
    EXPECT_EQ(B->GetFileName(), "");
    EXPECT_EQ(B->GetAnnotations(), "");
    EXPECT_TRUE(B->GetGraphic()->GetEmpty());
    EXPECT_FALSE(B->GetHorzScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(B->GetVertScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(HasStyle(W, WS_HSCROLL));
    EXPECT_FALSE(B->GetImage()->GetVisible());
    EXPECT_TRUE(B->GetDisplayGraphic()->GetEmpty());
}

TEST(ImageScrollBoxLayout, CentredSmallPictureAndNoRedrawWithoutParent)
{
    TTempFolder T;
    TBoxOnForm F;
    const std::string Name = WritePng(T.File("c.png"), 51, 31);
    F.Box->LoadFromFile(Name, 1);
    EXPECT_EQ(F.Box->GetImage()->GetLeft(), 0);
    F.Box->SetCentered(true);
    EXPECT_EQ(F.Box->GetImage()->GetLeft(), (400 - 51) / 2);
    EXPECT_EQ(F.Box->GetImage()->GetTop(), (300 - 31) / 2);
    EXPECT_EQ(F.Box->GetVisibleRect().left, (400 - 51) / 2);

    // Without a parent the control loads but never lays out.
    TComponentPtr<TImageScrollBox> Alone(new TImageScrollBox(nullptr));
    int Redraws = 0;
    Alone->OnRedraw = [&](TDibGraphic*) { ++Redraws; };
    Alone->LoadFromFile(Name, 1);
    EXPECT_EQ(Alone->GetGraphic()->GetWidth(), 51);
    EXPECT_EQ(Redraws, 0);
    EXPECT_TRUE(Alone->GetDisplayGraphic()->GetEmpty());
    EXPECT_FALSE(Alone->HandleAllocated());
}

// ---------------------------------------------------------------------------------------------
// Loading

TEST(ImageScrollBoxLoad, FailuresRaiseEmptyTheControlAndKeepTheName)
{
    TTempFolder T;
    TBoxOnForm F;
    TImageScrollBox* B = F.Box;
    const std::string Good = WritePng(T.File("good.png"), 60, 40);
    WriteBytes(T.File("bad.jpg"), std::vector<uint8_t>(500, 0x41));
    int NewGraphics = 0;
    B->OnNewGraphic = [&](TDibGraphic*) { ++NewGraphics; };
    B->LoadFromFile(Good, 1);
    EXPECT_EQ(B->GetFileName(), Good);
    EXPECT_EQ(NewGraphics, 1);
    ASSERT_TRUE(B->GetImage()->GetVisible());

    for (const std::string& Name : {T.File("missing.png"), T.File("bad.jpg")}) {
        B->LoadFromFile(Good, 1);
        NewGraphics = 0;
        EXPECT_ANY_THROW(B->LoadFromFile(Name, 1)) << Name;
        EXPECT_TRUE(B->GetGraphic()->GetEmpty()) << Name;
        EXPECT_EQ(B->GetFileName(), Good) << Name;
        EXPECT_EQ(NewGraphics, 0) << Name;
        // Nothing of the old picture stays on screen.
        EXPECT_FALSE(B->GetImage()->GetVisible()) << Name;
        EXPECT_TRUE(B->GetDisplayGraphic()->GetEmpty()) << Name;
        EXPECT_FALSE(B->GetHorzScrollBar()->IsScrollBarVisible()) << Name;
    }
    // Setting FileName loads image 1; empty clears.
    B->SetFileName(Good);
    EXPECT_EQ(B->GetGraphic()->GetWidth(), 60);
    B->SetFileName("");
    EXPECT_TRUE(B->GetGraphic()->GetEmpty());
}

TEST(ImageScrollBoxLoad, IconGoesThroughThePlatformPictureAlsoFromAStream)
{
    TTempFolder T;
    TImageScrollBox Box(nullptr);
    const std::string Ico = T.File("icon.ico");
    WriteBytes(Ico, IconBytes());
    ASSERT_FALSE(FindDibGraphicClass(Ico));
    TPicture Reference;
    Reference.LoadFromFile(Ico);
    ASSERT_GT(Reference.GetWidth(), 0);

    std::vector<int> Percents;
    Box.OnReadWriteProgress = [&](TObject*, uint8_t P) { Percents.push_back(P); };
    Box.LoadFromFile(Ico, 1);
    EXPECT_EQ(Box.GetGraphic()->GetWidth(), Reference.GetWidth());
    EXPECT_EQ(Box.GetGraphic()->GetHeight(), Reference.GetHeight());
    EXPECT_EQ(Percents, (std::vector<int>{0, 25, 90, 100}));
    EXPECT_EQ(Box.GetFileName(), Ico);

    // The same bytes under a name that is no file, with folders in it: a temporary "En" file
    // named after the file-name part carries them, and is gone afterwards.
    const std::string Tail = ".qm-scroll-" + IntToStr(GetCurrentProcessId()) + ".ico";
    const std::string Ghost = "Z:\\no\\such\\folder\\" + Tail.substr(1);
    ASSERT_TRUE(TempFilesEndingWith(Tail).empty());
    std::vector<std::string> SeenDuringLoad;
    Percents.clear();
    Box.OnReadWriteProgress = [&](TObject*, uint8_t P) {
        Percents.push_back(P);
        if (P == 25)
            SeenDuringLoad = TempFilesEndingWith(Tail);
    };
    TMemoryStream Bytes;
    const std::vector<uint8_t> Raw = IconBytes();
    Bytes.WriteBuffer(Raw.data(), int32_t(Raw.size()));
    Bytes.SetPosition(0);
    std::unique_ptr<TDibGraphic> G = Box.ReadGraphicFromStream(&Bytes, Ghost, true, 1);
    ASSERT_TRUE(G);
    EXPECT_EQ(G->GetWidth(), Reference.GetWidth());
    ASSERT_EQ(SeenDuringLoad.size(), 1u);
    EXPECT_EQ(SeenDuringLoad[0].substr(0, 2), "En");
    EXPECT_TRUE(TempFilesEndingWith(Tail).empty());
    EXPECT_EQ(Percents, (std::vector<int>{0, 25, 90, 100}));

    // Bytes that are no icon: the platform's error, and still no temporary file left.
    TMemoryStream Junk;
    Junk.WriteBuffer("not an icon at all", 18);
    Junk.SetPosition(0);
    EXPECT_ANY_THROW(Box.ReadGraphicFromStream(&Junk, Ghost, false, 1));
    EXPECT_TRUE(TempFilesEndingWith(Tail).empty());
}

TEST(ImageScrollBoxLoad, ConcurrentStreamLoadsEachGetTheirOwnTemporaryFile)
{
    const std::string Tail = ".qm-race-" + IntToStr(GetCurrentProcessId()) + ".ico";
    const std::vector<uint8_t> Raw = IconBytes();
    std::atomic<int> Failures{0}, Loads{0};
    std::vector<std::thread> Threads;
    for (int I = 0; I < 4; ++I)
        Threads.emplace_back([&] {
            TImageScrollBox Box(nullptr);
            for (int N = 0; N < 25; ++N) {
                try {
                    TMemoryStream S;
                    S.WriteBuffer(Raw.data(), int32_t(Raw.size()));
                    S.SetPosition(0);
                    std::unique_ptr<TDibGraphic> G = Box.ReadGraphicFromStream(&S, Tail.substr(1), false, 1);
                    Failures += G->GetWidth() <= 0;
                    ++Loads;
                } catch (...) {
                    ++Failures;
                }
            }
        });
    for (auto& Th : Threads)
        Th.join();
    EXPECT_EQ(Failures.load(), 0);
    EXPECT_EQ(Loads.load(), 100);
    EXPECT_TRUE(TempFilesEndingWith(Tail).empty());
}

TEST(ImageScrollBoxLoad, ImageCountsFramesAndAnnotations)
{
    TTempFolder T;
    TTwoImageFormat Format;
    TBoxOnForm F;
    TImageScrollBox* B = F.Box;
    const std::string Jpeg = WriteJpeg(T.File("one.jpg"), 30, 20);
    const std::string Two = T.File("two.qs2");
    WriteBytes(Two, {1, 2, 3});
    EXPECT_EQ(B->GetFileImageCount(Jpeg), 1);
    EXPECT_EQ(B->GetFileImageCount(Two), 2);
    EXPECT_ANY_THROW(B->GetFileImageCount(T.File("none.jpg")));

    B->LoadFromFile(Two, 2);
    EXPECT_EQ(B->GetGraphic()->GetWidth(), 20);
    EXPECT_EQ(B->GetGraphic()->GetFrameCount(), 0);
    B->LoadFromFile(Two, 0);
    ASSERT_EQ(B->GetGraphic()->GetFrameCount(), 2);
    EXPECT_EQ(B->GetGraphic()->GetCurrentFrame(), 1);

    SetAnnotationTextReader([](TDibGraphic*) { return std::string("(0)"); });
    B->LoadFromFile(Jpeg, 1);
    EXPECT_EQ(B->GetAnnotations(), "(0)");
    B->SetAnnotations("x");
    B->DoNewGraphic(B->GetGraphic());
    EXPECT_EQ(B->GetAnnotations(), "(0)");
    SetAnnotationTextReader(nullptr);
}

TEST(ImageScrollBoxFrames, AnimationSizesTheImageAndStepsThroughTheFrames)
{
    TTempFolder T;
    TTwoImageFormat Format;
    TBoxOnForm F;
    TImageScrollBox* B = F.Box;
    const std::string Two = T.File("anim.qs2");
    WriteBytes(Two, {1});
    B->LoadFromFile(Two, 0);
    B->GetGraphic()->SetFrameInterval(40);
    EXPECT_EQ(B->GetImage()->GetWidth(), 10);
    B->SetAnimate(true);
    EXPECT_TRUE(B->GetAnimate());
    EXPECT_EQ(B->GetImage()->GetWidth(), 20);
    EXPECT_EQ(B->GetImage()->GetHeight(), 20);
    EXPECT_TRUE(B->GetFrameTimer()->GetEnabled());
    EXPECT_EQ(B->GetFrameTimer()->GetInterval(), 40u);

    B->FrameTimerTick();
    EXPECT_EQ(B->GetGraphic()->GetCurrentFrame(), 2);
    EXPECT_EQ(B->GetGraphic()->GetPixelColor(0, 0), PackRgb(2, 0, 0));
    EXPECT_TRUE(B->GetFrameTimer()->GetEnabled());
    B->FrameTimerTick();
    EXPECT_EQ(B->GetGraphic()->GetCurrentFrame(), 1);
    // The timer itself steps too.
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return B->GetGraphic()->GetCurrentFrame() == 2; }, 20000, "a timer tick"));

    B->SetAnimate(false);
    EXPECT_FALSE(B->GetAnimate());
    EXPECT_FALSE(B->GetFrameTimer()->GetEnabled());
    B->SetFrame(1);
    EXPECT_EQ(B->GetDisplayGraphic()->GetWidth(), 10);

    // A single picture never animates.
    B->LoadFromFile(WritePng(T.File("still.png"), 5, 5), 1);
    B->SetAnimate(true);
    EXPECT_FALSE(B->GetAnimate());
    EXPECT_FALSE(B->GetFrameTimer()->GetEnabled());
}

// ---------------------------------------------------------------------------------------------
// Read-ahead

TEST(ImageScrollBoxReadAhead, PreloadedPictureIsTakenOnlyForTheCurrentName)
{
    TTempFolder T;
    TBoxOnForm F;
    TImageScrollBox* B = F.Box;
    const std::string A = WritePng(T.File("ahead.png"), 70, 50);
    const std::string Other = WriteJpeg(T.File("other.jpg"), 33, 22);

    // Taken in other letter case, without the file: it was deleted after the preload.
    B->SetReadAheadFileName(A);
    WaitForReadAheadThreads();
    ASSERT_TRUE(DeleteFile(A));
    B->LoadFromFile(UpperCase(A), 1);
    EXPECT_EQ(B->GetGraphic()->GetWidth(), 70);
    EXPECT_EQ(B->GetGraphic()->GetHeight(), 50);
    EXPECT_EQ(B->GetFileName(), UpperCase(A));
    EXPECT_EQ(B->GetReadAheadFileName(), "");
    EXPECT_TRUE(B->GetImage()->GetVisible());

    // A name replaced by another is never taken; the other one is.
    WritePng(A, 70, 50);
    B->SetReadAheadFileName(A);
    B->SetReadAheadFileName(Other);
    WaitForReadAheadThreads();
    ASSERT_TRUE(DeleteFile(A));
    EXPECT_ANY_THROW(B->LoadFromFile(A, 1));
    ASSERT_TRUE(DeleteFile(Other));
    B->LoadFromFile(Other, 1);
    EXPECT_EQ(B->GetGraphic()->GetWidth(), 33);

    // A failed preload leaves nothing: the later load reads the file (now a good one) itself.
    const std::string Bad = T.File("later.png");
    WriteBytes(Bad, std::vector<uint8_t>(64, 7));
    B->SetReadAheadFileName(Bad);
    WaitForReadAheadThreads();
    WritePng(Bad, 12, 13);
    B->LoadFromFile(Bad, 1);
    EXPECT_EQ(B->GetGraphic()->GetWidth(), 12);

    // Image 2 is never served from a preload of image 1.
    TTwoImageFormat Format;
    const std::string Two = T.File("two.qs2");
    WriteBytes(Two, {1});
    B->SetReadAheadFileName(Two);
    WaitForReadAheadThreads();
    B->LoadFromFile(Two, 2);
    EXPECT_EQ(B->GetGraphic()->GetWidth(), 20);
}

// ---------------------------------------------------------------------------------------------
// Robustness

TEST(ImageScrollBoxRobustness, HugeZoomRaisesLeavesEmptyAndRecovers)
{
    TTempFolder T;
    TBoxOnForm F;
    TImageScrollBox* B = F.Box;
    B->LoadFromFile(WritePng(T.File("huge.png"), 2000, 2000), 1);
    ASSERT_TRUE(B->GetImage()->GetVisible());

    EXPECT_THROW(B->SetZoomPercent(100000.0f), EDidodazaError);
    EXPECT_FALSE(B->GetRedrawing());
    EXPECT_FALSE(B->GetImage()->GetVisible());
    EXPECT_TRUE(B->GetDisplayGraphic()->GetEmpty());
    EXPECT_FALSE(B->GetHorzScrollBar()->IsScrollBarVisible());
    EXPECT_FALSE(B->GetGraphic()->GetEmpty()); // the picture itself stays

    // A size change in that state: the failure reaches the application's handler, not the
    // window procedure's caller, and the control stays usable.
    {
        TestSupport::TExceptionCapture Capture;
        B->SetBounds(0, 0, 420, 310);
        EXPECT_GE(Capture.Count(), 1u);
        EXPECT_FALSE(B->GetRedrawing());
        EXPECT_TRUE(B->GetDisplayGraphic()->GetEmpty());
    }

    B->SetZoomMode(zmFitToPage);
    EXPECT_TRUE(B->GetImage()->GetVisible());
    EXPECT_FLOAT_EQ(B->GetZoomPercent(), 100.0f * 310 / 2000);
    EXPECT_GE(B->GetDisplayGraphic()->GetHeight(), 309); // 15.5 % in single precision
    EXPECT_LE(B->GetDisplayGraphic()->GetHeight(), 310);
}
