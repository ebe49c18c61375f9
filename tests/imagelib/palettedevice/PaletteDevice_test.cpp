// The picture model on a palette (8-bit) screen: Draw selects the shared halftone palette into a
// palette device and puts the old one back, and a clipboard bitmap is read through a device
// bitmap. Run by run_on_8bit_display.py on a private 8-bit X screen; on any other screen the
// tests skip (they would only repeat the true-colour paths the picture tests cover).
#include <gtest/gtest.h>

#include <windows.h>

#include "imagelib/ImgDib.h"
#include "platform/win/Graphics.h"

namespace {

bool ScreenIsPaletteDevice()
{
    HDC Screen = GetDC(nullptr);
    const bool Yes = (GetDeviceCaps(Screen, RASTERCAPS) & RC_PALETTE) != 0;
    ReleaseDC(nullptr, Screen);
    return Yes;
}

// Colours every halftone palette holds exactly.
const uint32_t Pure[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFFFF00};

uint32_t RgbOf(COLORREF C) { return PackRgb(GetRValue(C), GetGValue(C), GetBValue(C)); }

// A device bitmap of the screen's kind, selected into a memory DC.
class TDeviceBitmap {
public:
    TDeviceBitmap(int W, int H)
    {
        HDC Screen = GetDC(nullptr);
        FDC = CreateCompatibleDC(Screen);
        FBitmap = CreateCompatibleBitmap(Screen, W, H);
        ReleaseDC(nullptr, Screen);
        FOld = SelectObject(FDC, FBitmap);
    }
    ~TDeviceBitmap()
    {
        SelectObject(FDC, FOld);
        DeleteObject(FBitmap);
        DeleteDC(FDC);
    }
    HDC DC() const { return FDC; }
    HBITMAP Bitmap() const { return FBitmap; }

private:
    HDC FDC;
    HBITMAP FBitmap;
    HGDIOBJ FOld;
};

} // namespace

TEST(PaletteDevice, ScreenIsEightBitWithAPalette)
{
    if (!ScreenIsPaletteDevice())
        GTEST_SKIP() << "the screen is not a palette device";
    HDC Screen = GetDC(nullptr);
    EXPECT_EQ(GetDeviceCaps(Screen, BITSPIXEL), 8);
    EXPECT_EQ(GetDeviceCaps(Screen, SIZEPALETTE), 256);
    ReleaseDC(nullptr, Screen);
    TDeviceBitmap Target(8, 8);
    EXPECT_NE(GetDeviceCaps(Target.DC(), RASTERCAPS) & RC_PALETTE, 0);
}

TEST(PaletteDevice, DrawUsesTheHalftonePaletteAndRestoresTheDevicesOwn)
{
    if (!ScreenIsPaletteDevice())
        GTEST_SKIP() << "the screen is not a palette device";
    const int W = 6 * 4, H = 5;
    TDibGraphic Picture;
    Picture.NewImage(W, H, ifTrueColor);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            Picture.SetPixelColor(X, Y, Pure[X / 4]);
    int AfterDraw = 0;
    Picture.OnAfterDraw = [&](TDibGraphic*) { ++AfterDraw; };
    TDeviceBitmap Target(W, H);
    const HGDIOBJ PaletteBefore = GetCurrentObject(Target.DC(), OBJ_PAL);
    TCanvas Canvas;
    Canvas.SetHandle(Target.DC());
    Picture.Draw(&Canvas, {0, 0, W, H});
    Canvas.SetHandle(nullptr);
    EXPECT_EQ(AfterDraw, 1);
    EXPECT_EQ(GetCurrentObject(Target.DC(), OBJ_PAL), PaletteBefore);
    for (int X = 0; X < W; ++X)
        for (int Y : {0, H - 1})
            EXPECT_EQ(RgbOf(GetPixel(Target.DC(), X, Y)), Pure[X / 4]) << X << "," << Y;
    // An empty picture draws nothing and touches no palette.
    TDibGraphic Empty;
    Empty.OnAfterDraw = [&](TDibGraphic*) { ++AfterDraw; };
    Canvas.SetHandle(Target.DC());
    Empty.Draw(&Canvas, {0, 0, W, H});
    Canvas.SetHandle(nullptr);
    EXPECT_EQ(AfterDraw, 1);
    EXPECT_EQ(RgbOf(GetPixel(Target.DC(), 0, 0)), Pure[0]);
}

TEST(PaletteDevice, ClipboardBitmapIsReadThroughADeviceBitmap)
{
    if (!ScreenIsPaletteDevice())
        GTEST_SKIP() << "the screen is not a palette device";
    const int W = 6 * 3, H = 4;
    TDeviceBitmap Source(W, H);
    for (int I = 0; I < 6; ++I) {
        const uint32_t C = Pure[I];
        HBRUSH B = CreateSolidBrush(RGB((C >> 16) & 255, (C >> 8) & 255, C & 255));
        RECT R{I * 3, 0, I * 3 + 3, H};
        FillRect(Source.DC(), &R, B);
        DeleteObject(B);
    }
    GdiFlush();
    // The bitmap must not be selected anywhere while it is read.
    HBITMAP Copy = static_cast<HBITMAP>(CopyImage(Source.Bitmap(), IMAGE_BITMAP, 0, 0, 0));
    ASSERT_NE(Copy, nullptr);
    TDibGraphic Picture;
    Picture.LoadFromClipboardFormat(CF_BITMAP, Copy, nullptr);
    DeleteObject(Copy);
    ASSERT_EQ(Picture.GetWidth(), W);
    ASSERT_EQ(Picture.GetHeight(), H);
    EXPECT_EQ(Picture.GetImageFormat(), ifTrueColor);
    for (int X = 0; X < W; ++X)
        for (int Y = 0; Y < H; ++Y)
            EXPECT_EQ(Picture.GetPixelColor(X, Y), Pure[X / 3]) << X << "," << Y;
    EXPECT_THROW(Picture.LoadFromClipboardFormat(CF_DIB, Copy, nullptr), Exception);
}
