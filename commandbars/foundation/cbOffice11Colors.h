#pragma once
// The Office11 colour set: the Windows XP Luna scheme in use (blue, olive green or silver) or,
// on any other theme or system, mixes of the system colours; the shared brushes and the
// recoloured menu-expand bitmap behind a user count; and the colour arithmetic and gradient
// fills the painters share. Colours are TColor values; system colours are resolved before any
// arithmetic, and the set holds plain RGB colours only.

#include <cstdint>
#include <functional>
#include <string>

#include <windows.h>

#include "platform/win/Graphics.h"

class TBitmap;

// The 32 cells the scheme table fills, in the table's order.
enum TcbOffice11Cell {
    occToolbarGradientStart, occToolbarGradientEnd, occDockGradientStart, occDockGradientEnd,
    occMarkGradientEndNormal, occMarkGradientStartNormal, occMarkGradientEndHot, occMarkGradientStartHot,
    occMarkGradientEndPressed, occMarkGradientStartPressed, occToolbarBorder, occMarkCornerBase, occGripDot,
    occGripDotHighlight, occSeparator, occSeparatorHighlight, occFloatingBorderOuter, occFloatingBorderInner,
    occItemFrame, occMenuBackground, occSelectedItem, occSelectedFrame, occHotItemGradientStart,
    occHotItemGradientEnd, occPressedItemGradientStart, occPressedItemGradientEnd, occCheckedItemColor,
    occCheckedItemBrushColor, occItemBrushColor, occDetachBand, occText, occDisabledText
};
constexpr int32_t kOffice11CellCount = occDisabledText + 1;

// The states of the toolbar's mark (the More Buttons chevron).
enum TcbOffice11MarkState { omsNormal, omsHot, omsPressed };

// The Luna colour schemes the set follows; none for any other look.
enum TcbOffice11Scheme : int32_t { osNone, osBlue, osOlive, osSilver };

struct TcbOffice11Colors {
    TcbOffice11Scheme Scheme = osNone;
    int32_t MiddleStrength = 75; // of the two-part gradient
    TColor Cells[kOffice11CellCount] = {};
    TColor MarkGlyph = 0, MarkGlyphHighlight = 0;
    TColor FloatingCaptionText = 0, MarkArrowHot = 0, MarkArrowPressed = 0;
    TColor MarkCorner[3] = {};  // by mark state, first set
    TColor MarkCorner2[3] = {}; // by mark state, second set
    TColor FloatingCaption = 0, FloatingCaptionQuery = 0, MenuBackground2 = 0;
    TColor OpenDropDownGradientStart = 0, OpenDropDownGradientEnd = 0;
    TColor MenuBandGradientStart = 0, MenuBandGradientEnd = 0;
    TColor DarkMenuBandGradientStart = 0, DarkMenuBandGradientEnd = 0;
    TColor SelectedItem2 = 0, ItemFrame2 = 0, DefaultBackground = 0, Shadow = 0, SelectedCaptionText = 0;

    TColor operator[](TcbOffice11Cell Cell) const { return Cells[Cell]; }
};

// The brushes made from the set while it has users.
enum TcbOffice11Brush {
    obGripDot, obGripDotHighlight, obSeparator, obSeparatorHighlight, obItemFrame, obMenuBackground,
    obSelectedFrame, obCheckedItemColor, obCheckedItemBrushColor, obItemBrushColor, obDetachBand, obSelectedItem,
    obShadow
};
constexpr int32_t kOffice11BrushCount = obShadow + 1;

// The theme file, colour and size names: UxTheme's GetCurrentThemeName unless a provider is set
// (nullptr restores it).
using TcbThemeNameProvider = std::function<bool(std::wstring& FileName, std::wstring& ColorName, std::wstring& SizeName)>;
void SetThemeNameProvider(TcbThemeNameProvider Provider);

// None unless themes are in use and the theme file is "luna.msstyles" (any case); then blue for
// "NormalColor", olive for "HomeStead", silver for "Metallic" (any case), none for other colours.
TcbOffice11Scheme DetectOffice11Scheme();
// Fills the set for the detected scheme.
void BuildOffice11Colors();
const TcbOffice11Colors& Office11Colors();

// The first acquire builds the set and makes the brushes and the bitmap; the last release frees
// them (a release without a user does nothing). Refresh rebuilds the set and, while users remain,
// the brushes and the bitmap.
void AcquireOffice11Colors();
void ReleaseOffice11Colors();
void RefreshOffice11Colors();
// nullptr while the set has no user.
HBRUSH Office11Brush(TcbOffice11Brush Brush);
// "CBBARSUBMENUEXPAND" recoloured; nullptr while the set has no user, empty when the program
// carries no such bitmap.
TBitmap* Office11SubMenuExpandBitmap();

void cbOffice11Init();
void cbOffice11Done();

// Colour arithmetic.
// BlendColorsOf over clBtnFace, clHighlight and clWindow (no nearest-colour step).
TColor GetBlendedSystemColor(int32_t FacePercent, int32_t HighlightPercent, int32_t WindowPercent);
// Per channel MulDiv(c1, P, 100) + MulDiv(c2, 100 - P, 100) in 0..255, as the screen shows it.
TColor BlendColors(TColor Color1, TColor Color2, int32_t Percent);
TColor NearestScreenColor11(TColor Color);
// Per channel c1 + MulDiv(Position, c2 - c1, Extent); Color1 for an extent of 0.
TColor GetGradientColorAt(TColor Color1, TColor Color2, int32_t Position, int32_t Extent);

// Fills with temporary brushes.
void FillRectByColor(HDC DC, const TRect& R, TColor Color);
void FrameRectByColor(HDC DC, const TRect& R, TColor Color);
// At most 256 bands along the width (Horizontal) or the height, from Color1 to Color2.
void FillGradientRect(HDC DC, const TRect& R, TColor Color1, TColor Color2, bool Horizontal);
// The first half of the bands from Color1 to the middle colour (c1 - MulDiv(c1 - c2, strength,
// 200) with the scheme's middle-point strength), the second half on to Color2.
void FillTwoPartGradientRect(HDC DC, const TRect& R, TColor Color1, TColor Color2, bool Horizontal);
// FrameRect with the selected-frame brush (its colour while the set has no user).
void DrawOffice11SelectedFrame(HDC DC, const TRect& R);
// Recolours a bitmap between the toolbar gradient's start (lightest red) and end (darkest);
// the colour of pixel (0, 0), taken as transparent, and black stay.
void ColorizeBitmap(TBitmap* Bitmap);

// The Office11 grip: 4 x 4 cells along R (down a column when InColumn, else along a row), the
// first moved by the run's length mod 4 (halved above 1); each cell a 2 x 2 highlight square at
// (+1, +1) under a 2 x 2 dot square at its corner.
void DrawDottedGrip(HDC DC, const TRect& R, bool InColumn, HBRUSH Dot, HBRUSH Highlight);
// A triangle filled and outlined in Color.
void DrawSolidTriangle(HDC DC, const POINT (&P)[3], TColor Color);
// A solid triangle of Size centred in R, pointing down (Down) or right.
void DrawArrowPolygon(HDC DC, const TRect& R, bool Down, int32_t Size, TColor Color);
// The arrow sized from R: extent = width - 8 (down) or height - 6 (right), size
// (extent - 1) div 2, plus 1 for an odd extent, at least 3.
int32_t ArrowSizeForRect(const TRect& R, bool Down);
void DrawCenteredArrowPolygon(HDC DC, const TRect& R, bool Down, TColor Color);
