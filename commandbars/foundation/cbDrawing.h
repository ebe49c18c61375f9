#pragma once
// The drawing routines the painters share: highlight frames, arrows, tiled and gradient fills,
// item glyphs in their states, size grips, the small caption button and the frame of sizable
// drop-down windows, themed where the routine says so. Every GDI object and memory DC a call
// makes is released before it returns.

#include <cstdint>

#include <windows.h>

#include "platform/rtl/Flags.h"
#include "platform/win/Graphics.h"

class TBitmap;
class TImageList;

// FrameRect with the COLOR_HIGHLIGHT brush.
void DrawHighlightFrame(HDC DC, const TRect& R);

// A solid arrow centred in R, pointing down (Vertical) or right, its size from R (at least 3):
// COLOR_HIGHLIGHTTEXT when enabled and selected, COLOR_BTNTEXT when enabled, else COLOR_BTNSHADOW
// with a COLOR_BTNHIGHLIGHT edge unless Flat.
void DrawArrowInRect(HDC DC, const TRect& R, bool Vertical, bool Enabled, bool Selected, bool Flat);
void DrawArrow(HDC DC, const TRect& R, bool Vertical, bool Flat, bool Enabled, bool Selected, int32_t Size);

// Tiles Bitmap over R, the tiles aligned to OriginRect's corner; without a bitmap fills R with
// Brush, or with Color when Brush is nullptr. An empty OriginRect draws nothing.
void FillRectWithBitmap(HDC DC, const TRect& R, const TRect& OriginRect, TBitmap* Bitmap, TColor Color, HBRUSH Brush);

// 256 bands from top to bottom, band i in From + MulDiv(i, To - From, 255) per channel.
void FillGradientRect(TCanvas* Canvas, const TRect& R, TColor FromColor, TColor ToColor);

// How DrawItemGlyph draws: copy the background from the DC instead of filling it with the
// brush; the glyph in its normal (enabled) state; grey; with a shadow; the three states
// (selected, pressed, checked) that switch the lightening off (pressed and checked also the
// shadow, which only a selected glyph casts); no highlight under an embossed glyph.
enum TcbGlyphDrawFlag { gdCopyBackground, gdEnabled, gdGray, gdShadow, gdSelected, gdPressed, gdChecked, gdNoHighlight };
using TcbGlyphDrawFlags = TFlags<TcbGlyphDrawFlag>;

// Draws an image-list entry (or Glyph when it is not empty, in its transparent colour) at
// GlyphRect's corner into the box ItemRect through memory bitmaps. A glyph not in its normal
// state is embossed (COLOR_BTNHIGHLIGHT one pixel down-right under COLOR_BTNSHADOW), or tinted
// toward DisabledImageColor when that is not clNone. ImageListBkColor other than clNone draws the
// entry over that colour.
void DrawItemGlyph(HDC DC, HBRUSH BkBrush, const TRect& ItemRect, const TRect& GlyphRect, TImageList* Images,
                   int32_t ImageIndex, TBitmap* Glyph, TColor DisabledImageColor, TColor ImageListBkColor,
                   TcbGlyphDrawFlags Flags);
// The lightening of glyphs at rest (each byte c + (255 - c) x 3 / 10), on screens above 8 bits.
// Off at start.
void SetGlyphFading(bool Value);
bool IsGlyphFadingOn();

// The corner a size grip sits in.
enum TcbCorner { crTopLeft, crTopRight, crBottomLeft, crBottomRight };

void DrawSizeGrip(HDC DC, const TRect& R, TcbCorner Corner);
// The grip's corner for a window at A beside B: at the right when A starts left of B's right
// edge, at the bottom when A ends above B's bottom.
TcbCorner GetSizeGripCorner(const TRect& A, const TRect& B);
int32_t GetSizeGripAreaSize();
// The standard grip over what R shows already.
void DrawTransparentSizeGrip(HDC DC, const TRect& R);

// The close button of a floating caption, at the end of R away from the grip's corner Side (left
// for a grip at the right, else right); raised when Highlight (sunken and pushed when Pressed
// too) unless Flat.
void DrawFloatingCaptionButton(HDC DC, const TRect& R, bool Highlight, bool Pressed, bool Flat, TcbCorner Side);
// The non-client frame of a sizable drop-down window, in its window DC: the frame, and with the
// band the grip in corner Side and the close button (raised when StateA or StateB, pushed when
// both). ButtonRect and GripRect come back in screen coordinates (empty without the band).
void DrawFloatingFrame(HWND Wnd, bool WithBand, bool Flat, bool StateA, bool StateB, TRect& ButtonRect,
                       TRect& GripRect, TcbCorner Side);

// Themed routines (the theme classes of cbTheme.h; fallbacks without themes).
// The edit text part's state: ETS_DISABLED, else ETS_READONLY when read-only, else ETS_NORMAL.
int32_t GetEditThemeState(bool Enabled, bool ReadOnly);
TColor GetEditThemeFillColor(bool Enabled, bool ReadOnly);
TColor GetEditThemeTextColor(bool Enabled, bool ReadOnly);
TColor GetToolbarThemeFillColor();
TSize GetThemedSmallCloseButtonSize();
void DrawThemedSmallCloseButton(HDC DC, const TRect& R, bool Hot, TcbCorner Side, bool Pushed);
TSize GetThemedSizeGripSize();
void DrawThemedSizeGrip(HDC DC, const TRect& R, TcbCorner Corner);
