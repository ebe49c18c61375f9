// The GDI half: assignment, bitmap handles, drawing, clipboard, start and end, threads, leaks.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include <windows.h>

#include "imagelib/ImageLib.h"
#include "imagelib/ImgDib.h"
#include "imagelib/ImgHooks.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Icon.h"
#include "platform/win/Metafile.h"
#include "tests/imagelib/support/Pictures.h"
#include "tests/support/ResourceProbe.h"

namespace {

using ImageTest::ErrorOf;

// A picture of Format with a different value in every pixel.
void Pattern(TDibGraphic& G, int32_t W, int32_t H, ImageFormat Format)
{
    G.NewImage(W, H, Format, nullptr, 150, 75);
    for (int32_t Y = 0; Y < H; ++Y)
        for (int32_t X = 0; X < W; ++X) {
            if (Format == ifTrueColor)
                G.SetPixelColor(X, Y, PackRgb(X * 40, Y * 60, (X + Y) * 20));
            else
                G.SetPixelIndex(X, Y, static_cast<uint8_t>((X * 3 + Y * 7) % (1 << BitsPerPixel(Format))));
        }
}

bool SamePixels(const TDibGraphic& A, const TDibGraphic& B)
{
    if (A.GetWidth() != B.GetWidth() || A.GetHeight() != B.GetHeight())
        return false;
    for (int32_t Y = 0; Y < A.GetHeight(); ++Y)
        for (int32_t X = 0; X < A.GetWidth(); ++X)
            if (A.GetPixelColor(X, Y) != B.GetPixelColor(X, Y))
                return false;
    return true;
}

// A DIB section of the given layout; Rows are written top row first.
HBITMAP MakeSection(int32_t W, int32_t H, int Bits, bool TopDown, const RGBQUAD* Colors, int ColorCount, void** Out)
{
    std::vector<uint8_t> Buffer(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* Info = reinterpret_cast<BITMAPINFO*>(Buffer.data());
    Info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info->bmiHeader.biWidth = W;
    Info->bmiHeader.biHeight = TopDown ? -H : H;
    Info->bmiHeader.biPlanes = 1;
    Info->bmiHeader.biBitCount = static_cast<WORD>(Bits);
    Info->bmiHeader.biCompression = BI_RGB;
    Info->bmiHeader.biClrUsed = 0;
    if (Colors)
        std::memcpy(Info->bmiColors, Colors, ColorCount * sizeof(RGBQUAD));
    return CreateDIBSection(nullptr, Info, DIB_RGB_COLORS, Out, nullptr, 0);
}

TEST(Assign, NilEmptyAndEverySourceFormat)
{
    TDibGraphic G;
    G.NewImage(3, 3, ifTrueColor);
    G.Assign(nullptr);
    EXPECT_TRUE(G.GetEmpty());
    TDibGraphic Empty;
    G.NewImage(3, 3, ifTrueColor);
    G.Assign(&Empty);
    EXPECT_TRUE(G.GetEmpty());
    for (int F = 0; F < 6; ++F) {
        TDibGraphic Source, Copy;
        Pattern(Source, 13, 5, ImageFormat(F));
        Source.SetFrameInterval(345);
        Copy.Assign(&Source);
        ASSERT_EQ(Copy.GetImageFormat(), F);
        EXPECT_EQ(std::memcmp(&Copy.GetBitmapInfo(), &Source.GetBitmapInfo(), sizeof(TDibInfo)), 0) << F;
        EXPECT_EQ(std::memcmp(Copy.LogPalette(), Source.LogPalette(), sizeof(TDibLogPalette)), 0) << F;
        EXPECT_EQ(std::memcmp(Copy.ScanLine(Copy.GetHeight() - 1), Source.ScanLine(Source.GetHeight() - 1),
                              Source.BytesPerLine() * Source.GetHeight()),
                  0)
            << F;
        EXPECT_EQ(Copy.GetFrameInterval(), 345);
        EXPECT_EQ(Copy.GetXDpi(), 150);
        EXPECT_EQ(Copy.GetYDpi(), 75);
    }
}

TEST(Assign, ZeroDpiStaysZeroAndScreenDpiForZero)
{
    TDibGraphic Source, Copy;
    Source.NewImage(2, 2, ifTrueColor, nullptr, 0, 0);
    HDC DC = GetDC(nullptr);
    EXPECT_EQ(Source.GetXDpi(), GetDeviceCaps(DC, LOGPIXELSX));
    EXPECT_EQ(Source.GetYDpi(), GetDeviceCaps(DC, LOGPIXELSY));
    ReleaseDC(nullptr, DC);
    Source.SetXDpi(0);
    Copy.Assign(&Source);
    EXPECT_EQ(Copy.GetXDpi(), 0);
    EXPECT_EQ(Copy.GetBitmapInfo().Header.XPelsPerMeter, 0);
}

TEST(Assign, FromPlatformBitmaps)
{
    TBitmap Bitmap;
    Bitmap.SetPixelFormat(pf24bit);
    Bitmap.SetSize(4, 3);
    Bitmap.GetCanvas()->GetBrush()->SetColor(TColor(0x00336699)); // BGR: red 0x99
    Bitmap.GetCanvas()->FillRect(Rect(0, 0, 4, 3));
    Bitmap.GetCanvas()->SetPixel(1, 2, TColor(0x000000FF));
    TDibGraphic G;
    G.Assign(&Bitmap);
    ASSERT_EQ(G.GetWidth(), 4);
    EXPECT_EQ(G.GetImageFormat(), ifTrueColor);
    EXPECT_EQ(G.GetPixelColor(0, 0), 0x996633u);
    EXPECT_EQ(G.GetPixelColor(1, 2), 0xFF0000u);

    TBitmap Ddb;
    Ddb.SetPixelFormat(pfDevice);
    Ddb.SetSize(5, 2);
    Ddb.GetCanvas()->GetBrush()->SetColor(TColor(0x00FF0000)); // blue
    Ddb.GetCanvas()->FillRect(Rect(0, 0, 5, 2));
    G.Assign(&Ddb);
    ASSERT_EQ(G.GetWidth(), 5);
    EXPECT_EQ(G.GetImageFormat(), ifTrueColor);
    EXPECT_EQ(G.GetPixelColor(4, 1), 0x0000FFu);
}

TEST(Assign, FromMetafileDrawnOnBlack)
{
    TMetafile Meta;
    Meta.SetWidth(8);
    Meta.SetHeight(6);
    {
        TMetafileCanvas Canvas(&Meta, nullptr);
        Canvas.GetBrush()->SetColor(TColor(0x0000FF00));
        Canvas.GetPen()->SetColor(TColor(0x0000FF00));
        Canvas.Rectangle(2, 2, 5, 5);
    }
    ASSERT_FALSE(Meta.GetEmpty());
    TDibGraphic G;
    G.Assign(&Meta);
    ASSERT_EQ(G.GetWidth(), Meta.GetWidth());
    ASSERT_EQ(G.GetHeight(), Meta.GetHeight());
    EXPECT_EQ(G.GetPixelColor(0, 0), 0x000000u);
    EXPECT_EQ(G.GetPixelColor(3, 3), 0x00FF00u);
    TMetafile EmptyMeta;
    G.Assign(&EmptyMeta);
    EXPECT_TRUE(G.GetEmpty());
}

TEST(AssignTo, BitmapMetafileIcon)
{
    TDibGraphic G;
    Pattern(G, 6, 4, ifColor16);
    TBitmap Bitmap;
    G.AssignTo(&Bitmap);
    EXPECT_EQ(Bitmap.GetPixelFormat(), pf24bit);
    ASSERT_EQ(Bitmap.GetWidth(), 6);
    for (int Y = 0; Y < 4; ++Y)
        for (int X = 0; X < 6; ++X) {
            const uint32_t C = G.GetPixelColor(X, Y);
            const TColor Expected = TColor(((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF));
            ASSERT_EQ(Bitmap.GetCanvas()->GetPixel(X, Y), Expected) << X << "," << Y;
        }
    TMetafile Meta;
    EXPECT_EQ(ErrorOf([&] { G.AssignTo(&Meta); }), "Cannot assign a TDibGraphic to a TMetafile");
    // Without the icon writer (the icon format's start installs it) an icon cannot be made.
    const TIconStreamWriter Writer = GetIconStreamWriter();
    SetIconStreamWriter(nullptr);
    TIcon Icon;
    EXPECT_EQ(ErrorOf([&] { G.AssignTo(&Icon); }), "Cannot assign a TDibGraphic to a TIcon");
    SetIconStreamWriter(Writer);
    if (Writer) {
        TIcon Made;
        G.AssignTo(&Made);
        EXPECT_FALSE(Made.GetEmpty());
    }
    TDibGraphic Other;
    G.AssignTo(&Other);
    EXPECT_TRUE(SamePixels(G, Other));
}

TEST(BitmapHandle, ThirtyTwoAndSixteenBits)
{
    void* Bits = nullptr;
    HBITMAP B32 = MakeSection(3, 2, 32, false, nullptr, 0, &Bits);
    ASSERT_NE(B32, nullptr);
    auto* P32 = static_cast<uint32_t*>(Bits);
    for (int I = 0; I < 6; ++I)
        P32[I] = 0x00102030u * (I + 1);
    TDibGraphic G;
    G.LoadFromBitmapHandle(B32);
    EXPECT_EQ(G.GetImageFormat(), ifTrueColor);
    // Memory row 0 is the bottom row.
    EXPECT_EQ(G.GetPixelColor(0, 1), 0x102030u);
    EXPECT_EQ(G.GetPixelColor(2, 0), 0x102030u * 6);
    DeleteObject(B32);

    HBITMAP B16 = MakeSection(2, 2, 16, false, nullptr, 0, &Bits);
    auto* P16 = static_cast<uint16_t*>(Bits);
    P16[0] = 0x7C00; // red, bottom-left
    P16[1] = 0x03E0; // green
    P16[2] = 0x001F; // blue, top-left (second row of 4 bytes)
    P16[3] = 0x7FFF;
    G.LoadFromBitmapHandle(B16);
    EXPECT_EQ(G.GetImageFormat(), ifTrueColor);
    EXPECT_EQ(G.GetPixelColor(0, 1) & 0xF8F8F8, 0xF80000u);
    EXPECT_EQ(G.GetPixelColor(1, 1) & 0xF8F8F8, 0x00F800u);
    EXPECT_EQ(G.GetPixelColor(0, 0) & 0xF8F8F8, 0x0000F8u);
    EXPECT_EQ(G.GetPixelColor(1, 0) & 0xF8F8F8, 0xF8F8F8u);
    DeleteObject(B16);
}

TEST(BitmapHandle, EightBitsKeepTheirTableAndTopDown)
{
    RGBQUAD Colors[256] = {};
    for (int I = 0; I < 256; ++I)
        Colors[I] = RGBQUAD{static_cast<BYTE>(255 - I), static_cast<BYTE>(I / 2), static_cast<BYTE>(I), 0};
    void* Bits = nullptr;
    HBITMAP B8 = MakeSection(4, 3, 8, false, Colors, 256, &Bits);
    ASSERT_NE(B8, nullptr);
    auto* P = static_cast<uint8_t*>(Bits);
    for (int I = 0; I < 12; ++I)
        P[I] = static_cast<uint8_t>(I * 20);
    TDibGraphic G;
    G.LoadFromBitmapHandle(B8);
    EXPECT_EQ(G.GetImageFormat(), ifColor256);
    EXPECT_EQ(G.LogPalette()->NumEntries, 256);
    EXPECT_EQ(G.GetPixelIndex(1, 2), 20);
    EXPECT_EQ(G.GetPixelColor(1, 2), PackRgb(20, 10, 235));
    DeleteObject(B8);

    HBITMAP Top = MakeSection(2, 3, 24, true, nullptr, 0, &Bits);
    auto* T = static_cast<uint8_t*>(Bits); // 8 bytes per row, first row is the top
    std::memset(T, 0, 24);
    T[0] = 0xFF;      // top-left blue
    T[16 + 5] = 0xFF; // bottom-right red
    G.LoadFromBitmapHandle(Top);
    ASSERT_EQ(G.GetHeight(), 3);
    EXPECT_EQ(G.GetPixelColor(0, 0), 0x0000FFu);
    EXPECT_EQ(G.GetPixelColor(1, 2), 0xFF0000u);
    DeleteObject(Top);
}

TEST(BitmapHandle, ScreenDdbAndBadHandle)
{
    HDC Screen = GetDC(nullptr);
    HBITMAP Ddb = CreateCompatibleBitmap(Screen, 7, 3);
    HDC Mem = CreateCompatibleDC(Screen);
    HGDIOBJ Old = SelectObject(Mem, Ddb);
    RECT R{0, 0, 7, 3};
    HBRUSH Brush = CreateSolidBrush(RGB(10, 200, 30));
    FillRect(Mem, &R, Brush);
    DeleteObject(Brush);
    SelectObject(Mem, Old);
    DeleteDC(Mem);
    ReleaseDC(nullptr, Screen);
    TDibGraphic G;
    G.LoadFromBitmapHandle(Ddb);
    DeleteObject(Ddb);
    EXPECT_EQ(G.GetWidth(), 7);
    EXPECT_EQ(G.GetPixelColor(6, 2), PackRgb(10, 200, 30));
    EXPECT_EQ(ErrorOf([&] { G.LoadFromBitmapHandle(nullptr); }), "Invalid bitmap");
}

TEST(Draw, IntoBitmapCanvasAndAfterDraw)
{
    TDibGraphic G;
    Pattern(G, 5, 4, ifTrueColor);
    int Calls = 0;
    G.OnAfterDraw = [&](TDibGraphic* Sender) {
        EXPECT_EQ(Sender, &G);
        ++Calls;
    };
    TBitmap Target;
    Target.SetPixelFormat(pf24bit);
    Target.SetSize(5, 4);
    G.Draw(Target.GetCanvas(), Rect(0, 0, 5, 4));
    EXPECT_EQ(Calls, 1);
    TDibGraphic Back;
    Back.Assign(&Target);
    EXPECT_TRUE(SamePixels(G, Back));
    TDibGraphic Empty;
    Empty.OnAfterDraw = [&](TDibGraphic*) { ++Calls; };
    Empty.Draw(Target.GetCanvas(), Rect(0, 0, 5, 4));
    EXPECT_EQ(Calls, 1);
}

TEST(Clipboard, RoundTripAndUnknownFormat)
{
    TDibGraphic G;
    Pattern(G, 9, 7, ifTrueColor);
    UINT Format = 0;
    HANDLE Data = nullptr;
    HPALETTE Palette = nullptr;
    G.SaveToClipboardFormat(Format, Data, Palette);
    EXPECT_EQ(Format, static_cast<UINT>(CF_BITMAP));
    ASSERT_NE(Data, nullptr);
    Clipboard()->Open();
    Clipboard()->Clear();
    Clipboard()->SetAsHandle(CF_BITMAP, Data);
    Clipboard()->Close();
    TDibGraphic Back;
    Back.Assign(Clipboard());
    EXPECT_TRUE(SamePixels(G, Back));
    EXPECT_EQ(ErrorOf([&] { Back.LoadFromClipboardFormat(CF_DIB, reinterpret_cast<HANDLE>(1), nullptr); }),
              "Unknown clipboard format, 8");
    EXPECT_EQ(ErrorOf([&] { Back.LoadFromClipboardFormat(CF_BITMAP, nullptr, nullptr); }),
              "Unknown clipboard format, 2");
    TDibGraphic Empty;
    EXPECT_EQ(ErrorOf([&] { Empty.SaveToClipboardFormat(Format, Data, Palette); }), "CopyBitmap: CreateBitmap failed");
}

TEST(StartAndEnd, CountedAndRepeatable)
{
    const TDibLogPalette Before = *DefaultPalette(ifColor256);
    ImageLibInit();
    ImageLibDone();
    ASSERT_NE(DefaultPalette(ifColor256), nullptr);
    TDibGraphic G;
    G.NewImage(2, 2, ifColor16);
    EXPECT_EQ(G.GetPixelColor(0, 0), 0u);
    // Down to zero and up again, as a second program start would.
    const int32_t Count = ImageLibInitCount();
    for (int32_t I = 0; I < Count; ++I)
        ImageLibDone();
    EXPECT_EQ(DefaultPalette(ifColor256), nullptr);
    EXPECT_EQ(TPicture::FindClipboardFormat(CF_BITMAP).ClassName, "TBitmap");
    for (int32_t I = 0; I < Count; ++I)
        ImageLibInit();
    ASSERT_NE(DefaultPalette(ifColor256), nullptr);
    EXPECT_EQ(std::memcmp(DefaultPalette(ifColor256), &Before, sizeof(Before)), 0);
    EXPECT_EQ(TPicture::FindClipboardFormat(CF_BITMAP).ClassName, "TDibGraphic");
}

BOOL CALLBACK CountWindow(HWND, LPARAM Counter)
{
    ++*reinterpret_cast<int*>(Counter);
    return TRUE;
}

TEST(Threads, EightWorkersEverySixFormats)
{
    std::atomic<int> Failures{0};
    std::atomic<int> Windows{0};
    std::vector<std::thread> Workers;
    for (int T = 0; T < 8; ++T)
        Workers.emplace_back([&, T] {
            try {
                for (int Round = 0; Round < 200; ++Round) {
                    for (int F = 0; F < 6; ++F) {
                        TDibGraphic A, B;
                        A.NewImage(17 + T, 9 + Round % 5, ImageFormat(F));
                        A.Fill(PackRgb(Round, T * 30, F * 40));
                        A.SetPixelColor(T, 0, 0xFFFFFF);
                        B.Assign(&A);
                        if (!SamePixels(A, B) || B.GetPixelColor(T, 0) != A.GetPixelColor(T, 0))
                            ++Failures;
                    }
                }
            } catch (...) {
                ++Failures;
            }
            int Count = 0;
            EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&Count));
            Windows += Count;
        });
    for (auto& W : Workers)
        W.join();
    EXPECT_EQ(Failures, 0);
    EXPECT_EQ(Windows, 0);
}

TEST(Resources, NoGdiOrMemoryGrowth)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    std::printf("resource probe: %s\n", Probe.Report().c_str());
    TBitmap Target;
    Target.SetPixelFormat(pf24bit);
    Target.SetSize(64, 48);
    auto Cycle = [&](int I) {
        TDibGraphic A, B;
        A.NewImage(64, 48, ImageFormat(I % 6));
        A.Fill(PackRgb(I, 2 * I, 3 * I));
        A.PaletteHandle();
        B.Assign(&A);
        B.Draw(Target.GetCanvas(), Rect(0, 0, 64, 48));
    };
    for (int I = 0; I < 50; ++I)
        Cycle(I);
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    for (int I = 0; I < 1000; ++I)
        Cycle(I);
    EXPECT_EQ(Probe.GdiObjects(), Gdi) << Probe.Report();
    EXPECT_LT(TestSupport::TResourceProbe::BytesInUse() - Bytes, 1 << 20);
}

// The probe must see a leak when there is one.
TEST(Resources, ProbeSeesALeak)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck());
    const int64_t Gdi = Probe.GdiObjects();
    const int64_t Bytes = TestSupport::TResourceProbe::BytesInUse();
    std::vector<std::unique_ptr<TDibGraphic>> Kept;
    for (int I = 0; I < 5; ++I) {
        Kept.push_back(std::make_unique<TDibGraphic>());
        Kept.back()->NewImage(1024, 512, ifTrueColor);
    }
    EXPECT_GT(Probe.GdiObjects(), Gdi);
    EXPECT_GT(TestSupport::TResourceProbe::BytesInUse() - Bytes, 5 * 1024 * 512 * 3 - 4096);
}

} // namespace

// A picture made again at the same size and layout keeps its DIB section: the section's colour
// table, the canvas and the palette handle must be those of the new picture.
TEST(NewImageAgain, KeptSectionTakesTheNewColourTableAndCanvas)
{
    TDibLogPalette A{}, B{};
    A.Version = B.Version = 0x300;
    A.NumEntries = 256;
    B.NumEntries = 64;
    for (int I = 0; I < 256; ++I) {
        A.Entries[I] = TPaletteEntry{uint8_t(I), uint8_t(I), uint8_t(I), 0};
        B.Entries[I] = TPaletteEntry{uint8_t(255 - I), uint8_t(I * 4), uint8_t(I), 0};
    }
    TDibGraphic G;
    G.NewImage(16, 8, ifColor256, &A);
    const HBITMAP Section = G.GetHandle();
    G.PaletteHandle();
    G.GetCanvas()->GetBrush()->SetColor(TColor(0x00FFFFFF));
    const int32_t Objects = ImgLibGdiObjectCount();

    G.NewImage(16, 8, ifColor256, &B);
    EXPECT_EQ(G.GetHandle(), Section);
    EXPECT_EQ(ImgLibGdiObjectCount(), Objects - 1); // the old palette handle is gone
    RGBQUAD Table[256];
    ASSERT_EQ(GetDIBColorTable(G.GetCanvas()->GetHandle(), 0, 256, Table), 256u);
    for (int I = 0; I < 256; ++I) {
        const TPaletteEntry E = I < 64 ? B.Entries[I] : TPaletteEntry{0, 0, 0, 0};
        ASSERT_TRUE(Table[I].rgbRed == E.Red && Table[I].rgbGreen == E.Green && Table[I].rgbBlue == E.Blue) << I;
    }
    // GDI drawing on the canvas maps colours through the new table.
    const TPaletteEntry E = B.Entries[21];
    G.GetCanvas()->GetBrush()->SetColor(TColor(E.Red | (E.Green << 8) | (E.Blue << 16)));
    G.GetCanvas()->FillRect(Rect(0, 0, 16, 8));
    G.FlushCanvas();
    EXPECT_EQ(G.GetPixelIndex(0, 0), 21);
    EXPECT_EQ(G.GetPixelIndex(15, 7), 21);
    // The palette handle is made from the new palette.
    PALETTEENTRY Entries[64];
    ASSERT_NE(G.PaletteHandle(), nullptr);
    ASSERT_EQ(GetPaletteEntries(G.PaletteHandle(), 0, 64, Entries), 64u);
    EXPECT_EQ(Entries[21].peGreen, E.Green);
    EXPECT_EQ(Entries[21].peRed, E.Red);
    // Drawing the picture gives the new colours.
    TBitmap Target;
    Target.SetPixelFormat(pf24bit);
    Target.SetSize(16, 8);
    G.Draw(Target.GetCanvas(), Rect(0, 0, 16, 8));
    const COLORREF Drawn = GetPixel(Target.GetCanvas()->GetHandle(), 3, 3);
    EXPECT_EQ(Drawn, RGB(E.Red, E.Green, E.Blue));
}

TEST(NewImageAgain, ReloadsKeepTheGdiCountSteady)
{
    TDibGraphic G;
    G.NewImage(300, 200, ifTrueColor);
    const int32_t Objects = ImgLibGdiObjectCount();
    for (int I = 0; I < 200; ++I) {
        G.NewImage(300, 200, ImageFormat(I % 2 ? ifTrueColor : ifColor256));
        G.PaletteHandle();
        G.NewImage(300, 200, ImageFormat(I % 2 ? ifTrueColor : ifColor256));
        G.Fill(PackRgb(uint8_t(I), 0, 0));
        G.GetCanvas()->FillRect(Rect(0, 0, 3, 3));
    }
    G.NewImage(300, 200, ifTrueColor);
    EXPECT_EQ(ImgLibGdiObjectCount(), Objects);
    G.FreeImage();
    EXPECT_EQ(ImgLibGdiObjectCount(), Objects - 2); // its DC and section
}
