// One picture of everything the drawing routines draw, for a person to look at: arrows, glyph
// states, gradients, size grips, caption buttons, a floating frame, the Office11 grip and
// arrows, and the framework's cursors and bitmaps. Saved as screenshots/cb1-routines.png.
#include <gtest/gtest.h>

#include <windows.h>

#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/lookandfeel/uiLookAndFeel.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/win/ImageList.h"
#include "platform/win/Screen.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/commandbars/support/TestHelpers.h"
#include "tests/support/Screenshot.h"

using CommandBarsTest::MakeSheetGlyph;
using CommandBarsTest::SheetLabel;
using CommandBarsTest::Sys;
using CommandBarsTest::TDib;

namespace {

// A small picture: the sheets' glyph with a white square at its top left.
void MakePicture(TBitmap& B)
{
    MakeSheetGlyph(B);
    TCanvas* C = B.GetCanvas();
    C->GetBrush()->SetColor(clWhite);
    C->FillRect(Rect(3, 3, 6, 6));
}

} // namespace

TEST(RoutinesSheet, EverythingDrawnOnOnePicture)
{
    TScopeExit Restore([] { SetGlyphFading(false); });
    const int W = 640, H = 420;
    TDib D(W, H, Sys(COLOR_BTNFACE));
    HDC DC = D.DC();
    AcquireOffice11Colors();
    TScopeExit Release([] { ReleaseOffice11Colors(); });

    // Row 1: arrows down and right, enabled, selected, disabled, disabled flat.
    SheetLabel(DC, 4, 2, "Arrows");
    int X = 4;
    for (bool Down : {true, false})
        for (int State = 0; State < 4; ++State) {
            const TRect R = Rect(X, 18, X + 24, 42);
            if (State == 1)
                FillRect(DC, &R, GetSysColorBrush(COLOR_HIGHLIGHT));
            DrawArrowInRect(DC, R, Down, State < 2, State == 1, State == 3);
            X += 28;
        }
    DrawHighlightFrame(DC, Rect(X, 18, X + 24, 42));
    DrawOffice11SelectedFrame(DC, Rect(X + 28, 18, X + 52, 42));
    DrawCenteredArrowPolygon(DC, Rect(X + 56, 18, X + 80, 42), true, Office11Colors()[occText]);
    DrawDottedGrip(DC, Rect(X + 84, 18, X + 90, 42), true, Office11Brush(obGripDot), Office11Brush(obGripDotHighlight));
    DrawDottedGrip(DC, Rect(X + 96, 26, X + 130, 32), false, Office11Brush(obGripDot), Office11Brush(obGripDotHighlight));

    // Row 2: a glyph normal, embossed, tinted, grey, faded, raised over its shadow, pressed, and
    // an image-list entry.
    SheetLabel(DC, 4, 48, "Glyphs");
    TBitmap Picture;
    MakePicture(Picture);
    TImageList Images(nullptr);
    Images.SetSize(16, 16);
    Images.AddMasked(&Picture, clFuchsia);
    const struct {
        TcbGlyphDrawFlags Flags;
        TColor Disabled;
        bool Fade;
    } kGlyphs[] = {{gdEnabled, clNone, false},
                   {{}, clNone, false},
                   {{}, BlendColors(clBtnShadow, clWhite, 70), false},
                   {{gdEnabled, gdGray}, clNone, false},
                   {gdEnabled, clNone, true},
                   {{gdEnabled, gdShadow, gdSelected}, clNone, false},
                   {{gdEnabled, gdShadow, gdSelected, gdPressed}, clNone, false}};
    X = 4;
    for (const auto& G : kGlyphs) {
        SetGlyphFading(G.Fade);
        DrawItemGlyph(DC, GetSysColorBrush(COLOR_BTNFACE), Rect(X, 64, X + 22, 86), Rect(X + 3, 67, X + 19, 83), nullptr,
                      -1, &Picture, G.Disabled, clNone, G.Flags);
        X += 28;
    }
    SetGlyphFading(false);
    DrawItemGlyph(DC, GetSysColorBrush(COLOR_WINDOW), Rect(X, 64, X + 22, 86), Rect(X + 3, 67, X + 19, 83), &Images, 0,
                  nullptr, clNone, clNone, gdEnabled);

    // Row 3: gradients (horizontal, vertical, two-part in both directions, the canvas fill).
    SheetLabel(DC, 4, 94, "Gradients");
    const TcbOffice11Colors& C = Office11Colors();
    FillGradientRect(DC, Rect(4, 110, 124, 140), clNavy, clAqua, true);
    FillGradientRect(DC, Rect(130, 110, 250, 140), clMaroon, clYellow, false);
    FillTwoPartGradientRect(DC, Rect(256, 110, 376, 140), C[occToolbarGradientStart], C[occToolbarGradientEnd], false);
    FillTwoPartGradientRect(DC, Rect(382, 110, 502, 140), clGreen, clWhite, true);
    TBitmap Band;
    Band.SetSize(120, 30);
    FillGradientRect(Band.GetCanvas(), Rect(0, 0, 120, 30), clPurple, clSilver);
    BitBlt(DC, 508, 110, 120, 30, Band.GetCanvas()->GetHandle(), 0, 0, SRCCOPY);

    // Row 4: size grips in the four corners, one over a pattern, the themed ones; caption buttons.
    SheetLabel(DC, 4, 148, "Size grips and caption buttons");
    for (int Corner = crTopLeft; Corner <= crBottomRight; ++Corner) {
        const TRect R = Rect(4 + Corner * 44, 164, 44 + Corner * 44, 204);
        FrameRect(DC, &R, GetSysColorBrush(COLOR_BTNSHADOW));
        DrawSizeGrip(DC, R, static_cast<TcbCorner>(Corner));
    }
    FillRectWithBitmap(DC, Rect(184, 164, 224, 204), Rect(0, 0, 40, 40), &Picture, clNone, nullptr);
    DrawTransparentSizeGrip(DC, Rect(184, 164, 224, 204));
    DrawThemedSizeGrip(DC, Rect(228, 164, 268, 204), crBottomRight);
    DrawThemedSizeGrip(DC, Rect(228, 164, 268, 204), crTopLeft);
    X = 280;
    for (int State = 0; State < 4; ++State) {
        DrawFloatingCaptionButton(DC, Rect(X, 170, X + 30, 200), State > 0, State == 2, State == 3, crTopLeft);
        X += 34;
    }
    DrawThemedSmallCloseButton(DC, Rect(X, 170, X + 30, 200), false, crTopLeft, false);
    DrawThemedSmallCloseButton(DC, Rect(X + 34, 170, X + 64, 200), true, crTopLeft, false);
    DrawThemedSmallCloseButton(DC, Rect(X + 68, 170, X + 98, 200), true, crTopLeft, true);

    // Row 5: the frame of a sizable drop-down window, grip bottom-right, close button pressed.
    SheetLabel(DC, 4, 212, "Floating frame");
    HWND Popup = CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "", WS_POPUP | WS_VISIBLE, 20, 20, 160, 90, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, Popup);
    UpdateWindow(Popup);
    TRect Button{}, Grip{};
    DrawFloatingFrame(Popup, true, true, true, true, Button, Grip, crBottomRight);
    HDC WindowDC = GetWindowDC(Popup);
    BitBlt(DC, 4, 228, 160, 90, WindowDC, 0, 0, SRCCOPY);
    ReleaseDC(Popup, WindowDC);
    DestroyWindow(Popup);
    EXPECT_FALSE(IsRectEmpty(&Grip));
    EXPECT_FALSE(IsRectEmpty(&Button));

    // Row 6: the framework's cursors and bitmaps.
    SheetLabel(DC, 200, 212, "Cursors 1041-1044, 2100-2113 and bitmaps");
    const int32_t kCursors[] = {crcbBarDrag,    crcbBarDragCopy, crcbBarDragNoDrop, crcbBarEditSizing, crUIDragCopy,
                                crUIFullScroll, crUIHorScroll,   crUIVerScroll,     crUIUpScroll,      crUIRightScroll,
                                crUIDownScroll, crUILeftScroll,  crUIRemove,        crUIVertSize,      crUIHorzSize,
                                crUIMultiDrag,  crUINoDrop,      crUIDrag};
    int I = 0;
    for (int32_t Id : kCursors) {
        HCURSOR Cursor = Screen->GetCursors(Id);
        EXPECT_NE(Screen->GetCursors(crDefault), Cursor) << Id;
        DrawIconEx(DC, 200 + (I % 9) * 40, 232 + (I / 9) * 40, Cursor, 32, 32, 0, nullptr, DI_NORMAL);
        ++I;
    }
    X = 200;
    for (const char* Name : {"CBBARCLOSE", "CBBARRESTORE", "CBBARMAXIMIZE", "CBBARMINIMIZE"}) {
        TBitmap B;
        B.LoadFromResourceName(GetModuleHandleA(nullptr), Name);
        BitBlt(DC, X, 320, 16, 16, B.GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
        X += 24;
    }
    if (TBitmap* Expand = Office11SubMenuExpandBitmap())
        BitBlt(DC, X, 320, Expand->GetWidth(), Expand->GetHeight(), Expand->GetCanvas()->GetHandle(), 0, 0, SRCCOPY);

    // A few points that must be there, then the picture twice the size.
    const TestSupport::TShot Shot = D.Shot();
    TestSupport::ExpectPixel(Shot, 4, 125, RGB(0, 0, 128), "the horizontal gradient's first column");
    TestSupport::ExpectPixel(Shot, 123, 125, RGB(0, 255, 255), "its last column");
    TestSupport::ExpectPixel(Shot, 4 + 8 * 28, 18, Sys(COLOR_HIGHLIGHT), "the highlight frame");
    TestSupport::TShot Large;
    Large.W = W * 2;
    Large.H = H * 2;
    Large.Pixels.resize(static_cast<size_t>(Large.W * Large.H));
    for (int Y = 0; Y < Large.H; ++Y)
        for (int X2 = 0; X2 < Large.W; ++X2)
            Large.Pixels[static_cast<size_t>(Y * Large.W + X2)] = Shot.At(X2 / 2, Y / 2);
    EXPECT_FALSE(TestSupport::SaveShot(Large, "cb1-routines").empty());
}
