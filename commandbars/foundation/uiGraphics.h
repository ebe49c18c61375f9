#pragma once
// The small graphics layer of the look-and-feel painters: colour blends over the system colours,
// the text-flag conversion and TuiCanvas, a canvas wrapper with the drawing operations they use.

#include <cstdint>
#include <span>
#include <string>

#include <windows.h>

#include "platform/rtl/SysUtils.h"
#include "platform/win/Graphics.h"

class TBitmap;
class TGraphic;

// Per channel the sum of MulDiv(channel, percent, 100) over the three colours, clamped to
// 0..255; a pure black or pure white Face gives Highlight instead (a tint of black or white
// says nothing). System colours are resolved first; the result is a plain RGB colour.
TColor BlendColorsOf(TColor Face, TColor Highlight, TColor Window, int32_t FacePercent, int32_t HighlightPercent,
                     int32_t WindowPercent);
// BlendColorsOf over clBtnFace, clHighlight and clWindow.
TColor BlendSystemColors(int8_t FacePercent, int8_t HighlightPercent, int8_t WindowPercent);
// The closest colour the screen shows (GetNearestColor on the screen DC).
TColor NearestScreenColor(TColor Color);
// The Flat style's tints: pressed (14, 44, 40) and hot (-2, 30, 72), as the screen shows them.
TColor GetPressedTintColor();
TColor GetHotTintColor();

// Text flags of the look-and-feel layer, one bit each.
constexpr uint32_t uiAlignLeft = 1u << 0;
constexpr uint32_t uiAlignRight = 1u << 1;
constexpr uint32_t uiAlignHorzCenter = 1u << 2;
constexpr uint32_t uiAlignTop = 1u << 3;
constexpr uint32_t uiAlignBottom = 1u << 4;
constexpr uint32_t uiAlignVertCenter = 1u << 5;
constexpr uint32_t uiSingleLine = 1u << 6;
constexpr uint32_t uiDontClip = 1u << 7;
constexpr uint32_t uiExpandTabs = 1u << 8;
constexpr uint32_t uiShowPrefix = 1u << 9;
constexpr uint32_t uiWordBreak = 1u << 10;
constexpr uint32_t uiShowEndEllipsis = 1u << 11;
constexpr uint32_t uiCalcRect = 1u << 12;
constexpr uint32_t uiShowPathEllipsis = 1u << 13;

// The DrawText flags for a set of the bits above (DT_NOPREFIX unless uiShowPrefix).
UINT ConvertTextFlags(uint32_t Flags);

// Sides of TuiCanvas::FrameRect.
constexpr uint32_t uiBorderLeft = 1;
constexpr uint32_t uiBorderTop = 2;
constexpr uint32_t uiBorderRight = 4;
constexpr uint32_t uiBorderBottom = 8;
constexpr uint32_t uiBorderAll = 15;

// Wraps a canvas the caller owns. Every operation draws at once on the canvas's DC.
class TuiCanvas : public TObject {
public:
    explicit TuiCanvas(TCanvas* Canvas) : FCanvas(Canvas) {}
    std::string ClassName() const override { return "TuiCanvas"; }

    TCanvas* GetCanvas() const { return FCanvas; }
    TBrush* GetBrush() { return FCanvas->GetBrush(); }
    TFont* GetFont() { return FCanvas->GetFont(); }
    TPen* GetPen() { return FCanvas->GetPen(); }
    HDC GetHandle() { return FCanvas->GetHandle(); }

    // Changes the brush only when the colour differs.
    void SetBrushColor(TColor Value);
    void FillRect(const TRect& R);
    // Each side of Borders is a strip Width pixels wide in Color (the brush's colour for
    // clDefault).
    void FrameRect(const TRect& R, TColor Color = clDefault, uint32_t Borders = uiBorderAll, int32_t Width = 1);
    // A one-pixel 3-D border: left and top in the first colour, right and bottom in the second
    // (sunken outer: shadow, highlight; sunken inner: dark shadow, light; raised outer: light,
    // dark shadow; raised inner: highlight, shadow).
    void DrawEdge(const TRect& R, bool Sunken, bool Outer);
    // Text in R with the flags above; a disabled text is drawn embossed (highlight one pixel
    // down-right, then the shadow colour). With uiCalcRect it only measures into R.
    void DrawText(const std::string& Text, TRect& R, uint32_t Flags, bool Enabled = true);
    TSize TextExtent(const std::string& Text);
    int32_t TextWidth(const std::string& Text) { return TextExtent(Text).cx; }

    void SetPixel(int32_t X, int32_t Y, TColor Color);
    void MoveTo(int32_t X, int32_t Y);
    void LineTo(int32_t X, int32_t Y);
    void Polygon(std::span<const TPoint> Points);
    void Draw(int32_t X, int32_t Y, TGraphic* Graphic);
    // The bitmap at (X, Y) with its pixels of TransparentColor left out (clDefault: its bottom-left
    // pixel), through an image list of its size; clNone draws it opaque.
    void DrawGlyph(int32_t X, int32_t Y, TBitmap* Glyph, TColor TransparentColor = clDefault);
    void ExcludeClipRect(const TRect& R);

private:
    TCanvas* FCanvas;
};
