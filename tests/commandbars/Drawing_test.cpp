// The shared drawing routines at a few telling points of a 32-bit DIB, in both prefixes (the
// expected colours come from GetSysColor), and their GDI balance over many calls.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include <windows.h>

#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/win/ImageList.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/support/ResourceProbe.h"

using CommandBarsTest::Sys;
using CommandBarsTest::TDib;

namespace {

const COLORREF kBackground = RGB(1, 2, 3);

// Whether (X, Y) lies in the triangle A, B, C (edges included).
bool InTriangle(POINT A, POINT B, POINT C, int X, int Y)
{
    auto Side = [](POINT P, POINT Q, int X, int Y) { return (Q.x - P.x) * (Y - P.y) - (Q.y - P.y) * (X - P.x); };
    const int S1 = Side(A, B, X, Y), S2 = Side(B, C, X, Y), S3 = Side(C, A, X, Y);
    return (S1 >= 0 && S2 >= 0 && S3 >= 0) || (S1 <= 0 && S2 <= 0 && S3 <= 0);
}

// A 16 x 16 glyph on fuchsia with a 2 x 2 block of Colour at (5, 5).
void MakeGlyph(TBitmap& Glyph, COLORREF Colour)
{
    Glyph.SetPixelFormat(pf24bit);
    Glyph.SetSize(16, 16);
    TCanvas* C = Glyph.GetCanvas();
    C->GetBrush()->SetColor(clFuchsia);
    C->FillRect(Rect(0, 0, 16, 16));
    C->GetBrush()->SetColor(static_cast<TColor>(Colour));
    C->FillRect(Rect(5, 5, 7, 7));
}

// The glyph drawn alone into a 16 x 16 box on COLOR_BTNFACE.
void DrawGlyph(TDib& D, TBitmap& Glyph, TcbGlyphDrawFlags Flags, TColor Disabled = clNone)
{
    const TRect Box = Rect(0, 0, 16, 16);
    DrawItemGlyph(D.DC(), GetSysColorBrush(COLOR_BTNFACE), Box, Box, nullptr, -1, &Glyph, Disabled, clNone, Flags);
}

} // namespace

TEST(DrawingRoutines, ArrowsAreTrianglesOfTheirSizeAndNothingElse)
{
    const struct {
        int Width;
        POINT A, B, C; // apex and base corners of the down arrow in a rect 16 high
    } kCases[] = {{16, {5, 6}, {9, 6}, {7, 8}}, {17, {4, 5}, {12, 5}, {8, 9}}, {12, {3, 6}, {7, 6}, {5, 8}}};
    for (const auto& E : kCases) {
        SCOPED_TRACE(E.Width);
        TDib D(E.Width, 16, kBackground);
        DrawArrowInRect(D.DC(), Rect(0, 0, E.Width, 16), true, true, false, false);
        for (POINT P : {E.A, E.B, E.C})
            EXPECT_EQ(Sys(COLOR_BTNTEXT), D.Pixel(P.x, P.y)) << P.x << "," << P.y;
        for (int Y = 0; Y < 16; ++Y)
            for (int X = 0; X < E.Width; ++X) {
                if (!InTriangle(E.A, E.B, E.C, X, Y)) {
                    ASSERT_EQ(kBackground, D.Pixel(X, Y)) << X << "," << Y;
                }
            }
    }
    {
        // Pointing right, size 3 from a height of 12: selected takes the highlight text colour.
        TDib D(16, 12, kBackground);
        DrawArrowInRect(D.DC(), Rect(0, 0, 16, 12), false, true, true, false);
        EXPECT_EQ(Sys(COLOR_HIGHLIGHTTEXT), D.Pixel(6, 3));
        EXPECT_EQ(Sys(COLOR_HIGHLIGHTTEXT), D.Pixel(6, 7));
        EXPECT_EQ(Sys(COLOR_HIGHLIGHTTEXT), D.Pixel(8, 5));
        EXPECT_EQ(kBackground, D.Pixel(9, 5));
    }
    // Disabled: the shadow colour, with a highlight edge unless flat.
    for (bool Flat : {false, true}) {
        SCOPED_TRACE(Flat ? "flat" : "not flat");
        TDib D(16, 16, kBackground);
        DrawArrowInRect(D.DC(), Rect(0, 0, 16, 16), true, false, false, Flat);
        EXPECT_EQ(Sys(COLOR_BTNSHADOW), D.Pixel(7, 8));
        EXPECT_EQ(Flat ? kBackground : Sys(COLOR_BTNHIGHLIGHT), D.Pixel(8, 8));
        EXPECT_EQ(Flat ? kBackground : Sys(COLOR_BTNHIGHLIGHT), D.Pixel(9, 7));
        if (Flat) {
            EXPECT_EQ(0u, D.Count(Sys(COLOR_BTNHIGHLIGHT)));
        }
    }
}

TEST(DrawingRoutines, AGlyphOutOfItsNormalStateIsEmbossed)
{
    TBitmap Glyph;
    MakeGlyph(Glyph, RGB(0, 0, 0));
    TDib D(16, 16);
    DrawGlyph(D, Glyph, {});
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), D.Pixel(5, 5));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), D.Pixel(6, 6));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), D.Pixel(7, 7));
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(0, 0));
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(8, 8));
    DrawGlyph(D, Glyph, gdNoHighlight);
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(7, 7));
    // With a disabled colour the shape is tinted toward it: black takes it exactly.
    DrawGlyph(D, Glyph, {}, RGB(120, 90, 60));
    EXPECT_EQ(RGB(120, 90, 60), D.Pixel(5, 5));
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(7, 7));
}

TEST(DrawingRoutines, GlyphsFadeGreyAndCastShadowsByTheirFlags)
{
    TScopeExit Restore([] {
        SetGlyphFading(false);
        SetScreenColorDepthOverride(0);
    });
    TBitmap Glyph;
    MakeGlyph(Glyph, RGB(100, 50, 0));
    TDib D(16, 16);
    DrawGlyph(D, Glyph, gdEnabled);
    EXPECT_EQ(RGB(100, 50, 0), D.Pixel(5, 5));
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(0, 0));
    DrawGlyph(D, Glyph, {gdEnabled, gdGray});
    EXPECT_EQ(RGB(50, 50, 50), D.Pixel(6, 6));

    SetGlyphFading(true);
    SetScreenColorDepthOverride(24);
    DrawGlyph(D, Glyph, gdEnabled);
    EXPECT_EQ(RGB(146, 111, 76), D.Pixel(5, 5));
    // A glyph in any of the three states, or a screen of 8 bits, is not lightened.
    for (TcbGlyphDrawFlag State : {gdSelected, gdPressed, gdChecked}) {
        DrawGlyph(D, Glyph, {gdEnabled, State});
        EXPECT_EQ(RGB(100, 50, 0), D.Pixel(5, 5)) << State;
    }
    SetScreenColorDepthOverride(8);
    DrawGlyph(D, Glyph, gdEnabled);
    EXPECT_EQ(RGB(100, 50, 0), D.Pixel(5, 5));

    // A selected glyph with the shadow rises one pixel up-left over its shadow one down-right.
    DrawGlyph(D, Glyph, {gdEnabled, gdShadow, gdSelected});
    EXPECT_EQ(RGB(100, 50, 0), D.Pixel(4, 4));
    EXPECT_EQ(RGB(100, 50, 0), D.Pixel(5, 5));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), D.Pixel(6, 6));
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), D.Pixel(7, 7));
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(8, 8));
    // Pressed, it casts none and stays in place.
    DrawGlyph(D, Glyph, {gdEnabled, gdShadow, gdSelected, gdPressed});
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(4, 4));
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(7, 7));
}

TEST(DrawingRoutines, ImageListEntriesAndCopiedBackgrounds)
{
    TBitmap Glyph;
    MakeGlyph(Glyph, RGB(0, 128, 0));
    TImageList Images(nullptr);
    Images.SetSize(16, 16);
    ASSERT_EQ(0, Images.AddMasked(&Glyph, clFuchsia));
    TDib D(24, 24, RGB(9, 9, 90));
    // Copied background: the DIB's own colour shows around the image, placed at (4, 4).
    DrawItemGlyph(D.DC(), nullptr, Rect(2, 2, 22, 22), Rect(4, 4, 20, 20), &Images, 0, nullptr, clNone, clNone,
                  {gdEnabled, gdCopyBackground});
    EXPECT_EQ(RGB(0, 128, 0), D.Pixel(9, 9));
    EXPECT_EQ(RGB(9, 9, 90), D.Pixel(4, 4));
    EXPECT_EQ(RGB(9, 9, 90), D.Pixel(1, 1));
    // With an image-list background colour the entry is drawn over it and that colour is its mask:
    // the box shows around the shape, never the colour.
    DrawItemGlyph(D.DC(), nullptr, Rect(2, 2, 22, 22), Rect(4, 4, 20, 20), &Images, 0, nullptr, clNone,
                  static_cast<TColor>(RGB(200, 0, 0)), gdEnabled);
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(4, 4));
    EXPECT_EQ(RGB(0, 128, 0), D.Pixel(9, 9));
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(21, 21));
    // A list without masks keeps the fuchsia of its strips; the manager's default background colour
    // (fuchsia) makes it transparent, and a disabled drawing tints the shape only.
    TImageList Plain(nullptr);
    Plain.SetMasked(false);
    Plain.SetSize(16, 16);
    ASSERT_EQ(0, Plain.Add(&Glyph, nullptr));
    DrawItemGlyph(D.DC(), nullptr, Rect(2, 2, 22, 22), Rect(4, 4, 20, 20), &Plain, 0, nullptr, clNone, clFuchsia,
                  gdEnabled);
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(4, 4));
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(19, 19));
    EXPECT_EQ(RGB(0, 128, 0), D.Pixel(10, 10));
    DrawItemGlyph(D.DC(), nullptr, Rect(2, 2, 22, 22), Rect(4, 4, 20, 20), &Plain, 0, nullptr, clGray, clFuchsia, {});
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(4, 4));
    EXPECT_NE(RGB(0, 128, 0), D.Pixel(10, 10));
    EXPECT_NE(Sys(COLOR_BTNFACE), D.Pixel(10, 10));
    // A bad index draws the box only.
    DrawItemGlyph(D.DC(), nullptr, Rect(2, 2, 22, 22), Rect(4, 4, 20, 20), &Images, 7, nullptr, clNone, clNone, gdEnabled);
    EXPECT_EQ(Sys(COLOR_BTNFACE), D.Pixel(9, 9));
}

TEST(DrawingRoutines, SizeGripsFaceTheirCorner)
{
    const int W = GetSystemMetrics(SM_CXVSCROLL), H = GetSystemMetrics(SM_CYVSCROLL);
    TDib BottomRight(W + 10, H + 10, kBackground), TopLeft(W + 10, H + 10, kBackground);
    DrawSizeGrip(BottomRight.DC(), Rect(0, 0, W + 10, H + 10), crBottomRight);
    DrawSizeGrip(TopLeft.DC(), Rect(0, 0, W + 10, H + 10), crTopLeft);
    // The outer two-pixel strips are button face; the rest of the corner is the grip mirrored.
    EXPECT_EQ(Sys(COLOR_BTNFACE), BottomRight.Pixel(W + 9, 10));
    EXPECT_EQ(Sys(COLOR_BTNFACE), BottomRight.Pixel(10, H + 8));
    EXPECT_EQ(Sys(COLOR_BTNFACE), TopLeft.Pixel(0, H - 1));
    EXPECT_EQ(kBackground, BottomRight.Pixel(9, 9));
    EXPECT_EQ(kBackground, TopLeft.Pixel(W, H));
    int Drawn = 0;
    for (int Y = 0; Y < H - 2; ++Y)
        for (int X = 0; X < W - 2; ++X) {
            const COLORREF P = BottomRight.Pixel(10 + X, 10 + Y);
            ASSERT_EQ(P, TopLeft.Pixel(W - 1 - X, H - 1 - Y)) << X << "," << Y;
            Drawn += P != Sys(COLOR_BTNFACE);
        }
    EXPECT_GT(Drawn, 0) << "no grip lines";

    const struct {
        TRect A, B;
        TcbCorner Corner;
    } kCorners[] = {{{50, 0, 60, 10}, {0, 0, 40, 40}, crBottomLeft},
                    {{50, 0, 60, 10}, {0, 0, 40, 4}, crTopLeft},
                    {{10, 0, 20, 10}, {0, 0, 40, 40}, crBottomRight},
                    {{10, 0, 20, 50}, {0, 0, 40, 40}, crTopRight}};
    for (const auto& E : kCorners)
        EXPECT_EQ(E.Corner, GetSizeGripCorner(E.A, E.B));
}

TEST(DrawingRoutines, ManyCallsLeaveNoGdiObjectBehind)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    TBitmap Glyph, Tile;
    MakeGlyph(Glyph, RGB(0, 0, 0));
    MakeGlyph(Tile, RGB(200, 0, 0));
    TImageList Images(nullptr);
    Images.SetSize(16, 16);
    Images.AddMasked(&Glyph, clFuchsia);
    TDib D(120, 60);
    TBitmap Canvas;
    Canvas.SetSize(40, 40);
    HBRUSH Face = GetSysColorBrush(COLOR_BTNFACE);
    HWND Popup = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, 0, 120, 90,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    TRect Button{}, Grip{};
    AcquireOffice11Colors();
    const std::function<void()> kCalls[] = {
        [&] { DrawHighlightFrame(D.DC(), Rect(0, 0, 20, 20)); },
        [&] { DrawArrowInRect(D.DC(), Rect(0, 0, 16, 16), true, false, false, false); },
        [&] { FillRectWithBitmap(D.DC(), Rect(5, 5, 50, 50), Rect(0, 0, 45, 45), &Tile, clNone, nullptr); },
        [&] { FillRectWithBitmap(D.DC(), Rect(5, 5, 50, 50), Rect(0, 0, 45, 45), nullptr, clRed, nullptr); },
        [&] { FillGradientRect(Canvas.GetCanvas(), Rect(0, 0, 40, 40), clRed, clBlue); },
        [&] { DrawItemGlyph(D.DC(), Face, Rect(0, 0, 20, 20), Rect(2, 2, 18, 18), nullptr, -1, &Glyph, clNone, clNone, {}); },
        [&] { DrawItemGlyph(D.DC(), Face, Rect(0, 0, 20, 20), Rect(2, 2, 18, 18), &Images, 0, nullptr, clGray, clNone, {}); },
        [&] { DrawItemGlyph(D.DC(), Face, Rect(0, 0, 20, 20), Rect(2, 2, 18, 18), &Images, 0, nullptr, clNone, clNone,
                            {gdEnabled, gdShadow, gdSelected, gdCopyBackground}); },
        [&] { DrawSizeGrip(D.DC(), Rect(0, 0, 40, 40), crTopRight); },
        [&] { DrawTransparentSizeGrip(D.DC(), Rect(0, 0, 30, 30)); },
        [&] { DrawFloatingCaptionButton(D.DC(), Rect(0, 0, 60, 20), true, true, false, crTopRight); },
        [&] { DrawFloatingFrame(Popup, true, false, true, false, Button, Grip, crBottomRight); },
        [&] { DrawThemedSmallCloseButton(D.DC(), Rect(0, 0, 30, 20), true, crTopLeft, false); },
        [&] { DrawThemedSizeGrip(D.DC(), Rect(0, 0, 30, 30), crBottomLeft); },
        [&] {
            GetEditThemeFillColor(true, false);
            GetToolbarThemeFillColor();
            GetThemedSizeGripSize();
        },
        [&] { FillTwoPartGradientRect(D.DC(), Rect(0, 0, 100, 20), clRed, clBlue, false); },
        [&] { DrawDottedGrip(D.DC(), Rect(0, 0, 6, 40), true, Office11Brush(obGripDot), Office11Brush(obGripDotHighlight)); },
        [&] { DrawCenteredArrowPolygon(D.DC(), Rect(0, 0, 20, 20), false, clBlack); },
        [&] { DrawOffice11SelectedFrame(D.DC(), Rect(0, 0, 20, 20)); },
    };
    for (const auto& Call : kCalls)
        Call(); // first calls may make what lives on (a bitmap's canvas, theme handles)
    const int64_t Before = Probe.GdiObjects();
    for (int I = 0; I < 1000; ++I)
        for (const auto& Call : kCalls)
            Call();
    EXPECT_EQ(Before, Probe.GdiObjects());
    ReleaseOffice11Colors();
    DestroyWindow(Popup);
}
