#include "commandbars/painters/cbPainterOffice11.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/painters/cbPainterXP.h"
#include "commandbars/painters/cbPainterShared.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Graphics.h"
#include "platform/win/MemoryDC.h"

namespace {

using cbPainterShared::Inflated;
using cbPainterShared::Fill;
using cbPainterShared::Frame;
using cbPainterShared::BarOf;
using cbPainterShared::ManagerOf;
using cbPainterShared::InMenu;
using cbPainterShared::IsVerticalDock;

int32_t gDockCacheFills = 0;

const TcbOffice11Colors& C()
{
    return Office11Colors();
}

COLORREF RGBOf(TColor Color)
{
    return ColorToRGB(Color);
}

void Pixel(HDC DC, int32_t X, int32_t Y, TColor Color)
{
    SetPixelV(DC, X, Y, RGBOf(Color));
}

// A shared brush of the colour set, or one made for the call while the set has no user.
class TRoleBrush {
public:
    TRoleBrush(TcbOffice11Brush Role, TColor Color) : FBrush(Office11Brush(Role))
    {
        if (!FBrush)
            FBrush = FOwn = CreateSolidBrush(RGBOf(Color));
    }
    ~TRoleBrush()
    {
        if (FOwn)
            DeleteObject(FOwn);
    }
    TRoleBrush(const TRoleBrush&) = delete;
    TRoleBrush& operator=(const TRoleBrush&) = delete;
    HBRUSH Get() const { return FBrush; }

private:
    HBRUSH FBrush = nullptr;
    HBRUSH FOwn = nullptr;
};

// The shared brush of a role for answers the caller keeps: the set's, else the system brush
// closest to the role's fall-back.
HBRUSH SharedBrush(TcbOffice11Brush Role, int SysFallback)
{
    HBRUSH B = Office11Brush(Role);
    return B ? B : GetSysColorBrush(SysFallback);
}

bool InQuickMenu(const IcbControl* Control)
{
    const IcbBar* Bar = BarOf(Control);
    return Bar && Bar->GetKind() == bwkQuickCustomization;
}

bool IsVerticalBar(const IcbBar* Bar)
{
    return Bar && IsVerticalDock(Bar->GetDockingStyle());
}

// A docked toolbar with the rounded frame: single border and not the main menu.
bool HasBorder(const IcbBar* Bar)
{
    return Bar->GetKind() == bwkToolbar && !Bar->IsBorderless() && !Bar->IsMainMenu();
}

bool HasBackgroundBitmap(const IcbBar* Bar)
{
    TBitmap* Picture = Bar->GetBackgroundBitmap();
    if (!Picture && Bar->GetBarManager())
        Picture = Bar->GetBarManager()->GetBackgrounds()->GetBar();
    return Picture && !Picture->GetEmpty();
}

TRect WindowSize(const IcbBar* Bar)
{
    const TRect W = Bar->GetWindowRect();
    return Rect(0, 0, W.right - W.left, W.bottom - W.top);
}

int32_t MarkIndex(const IcbBar* Bar)
{
    const TcbButtonState S = Bar->GetMarkState();
    return S == bstHot ? omsHot : S == bstPressed ? omsPressed : omsNormal;
}

TColor MarkStart(int32_t State)
{
    static const TcbOffice11Cell kStarts[3] = {occMarkGradientStartNormal, occMarkGradientStartHot,
                                               occMarkGradientStartPressed};
    return C()[kStarts[State]];
}

TColor MarkEnd(int32_t State)
{
    static const TcbOffice11Cell kEnds[3] = {occMarkGradientEndNormal, occMarkGradientEndHot,
                                             occMarkGradientEndPressed};
    return C()[kEnds[State]];
}

TColor Blend(TColor A, TColor B)
{
    return BlendColors(A, B, 50);
}

// The colour FillTwoPartGradientRect gives the pixel at Position of an extent: the same bands
// and the same middle colour.
TColor TwoPartColorAt(TColor Color1, TColor Color2, int32_t Position, int32_t Extent)
{
    const COLORREF C1 = RGBOf(Color1), C2 = RGBOf(Color2);
    if (C1 == C2 || Extent <= 0)
        return static_cast<TColor>(C1);
    Position = std::clamp(Position, 0, Extent - 1);
    const int32_t N = std::min(Extent, 256);
    int32_t Band = 0;
    while (Band < N - 1 && MulDiv(Band + 1, Extent, N) <= Position)
        ++Band;
    const int32_t Strength = C().MiddleStrength;
    auto Middle = [&](int Shift) {
        const int A = (C1 >> Shift) & 0xFF, B = (C2 >> Shift) & 0xFF;
        return std::clamp(A - MulDiv(A - B, Strength, 200), 0, 255);
    };
    const TColor Mid = static_cast<TColor>(RGB(Middle(0), Middle(8), Middle(16)));
    const int32_t Half = N / 2;
    if (Band < Half)
        return GetGradientColorAt(static_cast<TColor>(C1), Mid, Band, Half - 1);
    return GetGradientColorAt(Mid, static_cast<TColor>(C2), Band - Half, N - Half - 1);
}

// Saves the DC's clip region and limits drawing to R (logical coordinates) for one scope.
class TClipTo {
public:
    TClipTo(HDC DC, const TRect& R) : FDC(DC)
    {
        SaveClipRgn(DC, FRgn, FHad);
        IntersectClipRect(DC, R.left, R.top, R.right, R.bottom);
    }
    ~TClipTo() { RestoreClipRgn(FDC, FRgn, FHad); }
    TClipTo(const TClipTo&) = delete;
    TClipTo& operator=(const TClipTo&) = delete;

private:
    HDC FDC;
    HRGN FRgn = nullptr;
    bool FHad = false;
};

// The mark's arrow: a 5 x 1 bar above a small triangle pointing down (across a vertical bar:
// turned, pointing right).
void MarkArrow(HDC DC, int32_t X, int32_t Y, bool Vertical, TColor Color)
{
    if (Vertical) {
        FillRectByColor(DC, Rect(X, Y, X + 1, Y + 5), Color);
        DrawSolidTriangle(DC, {{X + 3, Y}, {X + 3, Y + 4}, {X + 5, Y + 2}}, Color);
    } else {
        FillRectByColor(DC, Rect(X, Y, X + 5, Y + 1), Color);
        DrawSolidTriangle(DC, {{X, Y + 3}, {X + 4, Y + 3}, {X + 2, Y + 5}}, Color);
    }
}

// Two chevrons 4 pixels apart, pointing along the bar.
void MarkChevrons(HDC DC, int32_t X, int32_t Y, bool Vertical, TColor Color)
{
    for (int32_t I = 0; I < 2; ++I) {
        if (Vertical) {
            const int32_t Y0 = Y + 4 * I;
            DrawSolidTriangle(DC, {{X, Y0}, {X + 1, Y0 + 1}, {X + 2, Y0}}, Color);
        } else {
            const int32_t X0 = X + 4 * I;
            DrawSolidTriangle(DC, {{X0, Y}, {X0 + 1, Y + 1}, {X0, Y + 2}}, Color);
        }
    }
}

// The edge an open drop-down's menu covers: below a bar docked at the top (or floating), above
// one docked at the bottom, beside one docked at a side.
TcbSide MenuSide(const IcbBar* Bar)
{
    switch (Bar ? Bar->GetDockingStyle() : dsNone) {
    case dsBottom:
        return sdTop;
    case dsLeft:
        return sdRight;
    case dsRight:
        return sdLeft;
    default:
        return sdBottom;
    }
}

// A one-pixel frame without the edge on Side.
void FrameWithout(HDC DC, const TRect& R, HBRUSH Brush, TcbSide Side)
{
    if (Side != sdTop)
        Fill(DC, Rect(R.left, R.top, R.right, R.top + 1), Brush);
    if (Side != sdBottom)
        Fill(DC, Rect(R.left, R.bottom - 1, R.right, R.bottom), Brush);
    if (Side != sdLeft)
        Fill(DC, Rect(R.left, R.top, R.left + 1, R.bottom), Brush);
    if (Side != sdRight)
        Fill(DC, Rect(R.right - 1, R.top, R.right, R.bottom), Brush);
}

// The control of Bar drawn as open (its drop-down menu shown) whose rectangle holds R, if any.
const IcbControl* OpenControlAt(const IcbBar* Bar, const TRect& R)
{
    if (!Bar)
        return nullptr;
    for (int32_t I = 0; I < Bar->GetItemControlCount(); ++I) {
        const IcbControl* Control = Bar->GetItemControl(I);
        if (!Control || !Control->IsDroppedDown())
            continue;
        const TRect Item = Control->GetItemRect();
        TRect Both{};
        if (IntersectRect(&Both, &Item, &R) && EqualRect(&Both, &R))
            return Control;
    }
    return nullptr;
}

bool DrawnAsOpen(const IcbControl* Control, TcbPaintFlags State)
{
    if (InQuickMenu(Control))
        return false;
    const TcbItemControlKind Kind = Control->GetKind();
    return State.Contains(pfOpen) ||
           ((Kind == ickSubItem || Kind == ickButton) && (Control->IsDroppedDown() || State.Contains(pfDroppedDown)));
}

} // namespace

int32_t Office11DockCacheFills()
{
    return gDockCacheFills;
}

bool TcbBarItemControlOffice11Painter::UsesXP(const IcbBar* Bar) const
{
    const TcbBarManager* Manager = ManagerOf(Bar);
    return Manager ? Manager->GetThemesInUse() : AreThemesInUse();
}

// ---------------------------------------------------------------------------------------------
// The operations the Office11 style adds

void TcbBarItemControlOffice11Painter::FillTwoColorRect(const IcbBar*, HDC DC, bool Horizontal, const TRect& R) const
{
    TRoleBrush Dot(obGripDot, C()[occGripDot]);
    TRoleBrush Light(obGripDotHighlight, C()[occGripDotHighlight]);
    DrawDottedGrip(DC, R, Horizontal, Dot.Get(), Light.Get());
}

int32_t TcbBarItemControlOffice11Painter::GetOffice11BorderExtra() const { return 2; }

// ---------------------------------------------------------------------------------------------
// The Flat style's added operations

void TcbBarItemControlOffice11Painter::DrawSelectedFrame(HDC DC, const TRect& R) const
{
    DrawOffice11SelectedFrame(DC, R);
}

HBRUSH TcbBarItemControlOffice11Painter::GetFrameBrush() const
{
    return SharedBrush(obItemFrame, COLOR_BTNSHADOW);
}

void TcbBarItemControlOffice11Painter::DrawFrameRectFlat(HDC DC, const TRect& R, HBRUSH) const
{
    TRoleBrush Frame(obItemFrame, C()[occItemFrame]);
    FrameRect(DC, &R, Frame.Get());
}

void TcbBarItemControlOffice11Painter::FillBkRect(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush,
                                                  bool Opaque) const
{
    // A piece of an item drawn as open takes the end of the open gradient it lies nearer to.
    if (const IcbControl* Open = OpenControlAt(Bar, R)) {
        const TRect Item = Open->GetItemRect();
        const int32_t W = R.right - R.left, H = R.bottom - R.top;
        bool First;
        if (H > W)
            First = R.left <= (Item.left + Item.right) / 2;
        else
            First = R.top <= (Item.top + Item.bottom) / 2;
        FillRectByColor(DC, R, First ? C().OpenDropDownGradientStart : C().OpenDropDownGradientEnd);
        return;
    }
    TcbBarItemControlFlatPainter::FillBkRect(Bar, DC, R, Brush, Opaque);
}

HBRUSH TcbBarItemControlOffice11Painter::GetFlatBorderBrush() const
{
    return SharedBrush(obSeparator, COLOR_BTNSHADOW);
}

// ---------------------------------------------------------------------------------------------
// Glyphs, arrows and colours

void TcbBarItemControlOffice11Painter::DrawGlyphBorder(const IcbControl* Control, HDC DC, HBRUSH Brush,
                                                       const TRect& R, TcbPaintFlags State, bool FillBox) const
{
    const IcbBar* Bar = BarOf(Control);
    const bool Selected = State.Contains(pfSelected), Pressed = State.Contains(pfPressed);
    const bool Down = State.Contains(pfDown);
    const bool Menu = InMenu(Control);
    const bool Open = Down && DrawnAsOpen(Control, State);
    // Gradients run across the bar.
    const bool AcrossIsX = IsVerticalBar(Bar);
    if (Menu && Selected && Control->HasGlyph() && !Down) {
        Fill(DC, R, Brush);
        return;
    }
    if (Open) {
        FillGradientRect(DC, R, C().OpenDropDownGradientStart, C().OpenDropDownGradientEnd, AcrossIsX);
    } else if (!Menu && (Selected || Pressed || Down)) {
        if (InQuickMenu(Control)) {
            FillRectByColor(DC, R, Pressed || Down ? C()[occCheckedItemColor] : C()[occHotItemGradientStart]);
        } else if (Pressed || Down) {
            if (Selected)
                FillGradientRect(DC, R, C()[occPressedItemGradientEnd], C()[occPressedItemGradientStart], AcrossIsX);
            else
                FillGradientRect(DC, R, C()[occPressedItemGradientStart], C()[occPressedItemGradientEnd], AcrossIsX);
        } else {
            FillGradientRect(DC, R, C()[occHotItemGradientStart], C()[occHotItemGradientEnd], AcrossIsX);
        }
    } else {
        DrawItemBackground(Control, DC, R, Brush, Selected || Pressed || Down);
    }
    if (Down || (Selected && !Menu)) {
        if (Open) {
            TRoleBrush Frame(obItemFrame, C()[occItemFrame]);
            FrameWithout(DC, R, Frame.Get(), MenuSide(Bar));
        } else if (Selected || (Down && Control->GetKind() == ickButton)) {
            DrawSelectedFrame(DC, R);
        } else {
            DrawFrameRectFlat(DC, R, nullptr);
        }
    } else if (FillBox) {
        DrawFramedBackground(Control, DC, R, Brush, Selected || Pressed || Down);
    }
}

void TcbBarItemControlOffice11Painter::DrawGlyphImage(const IcbControl* Control, HDC DC, const TRect& ItemRect,
                                                      const TRect& GlyphRect, HBRUSH Brush,
                                                      TcbPaintFlags State) const
{
    // Items are transparent: the glyph goes over what the border drew, without a fill.
    TcbBarItemControlPainter::DrawGlyphImage(Control, DC, ItemRect, GlyphRect, Brush, State);
}

void TcbBarItemControlOffice11Painter::DrawCenteredArrow(HDC DC, const TRect& R, bool Vertical, bool Enabled,
                                                         bool) const
{
    DrawCenteredArrowPolygon(DC, R, Vertical, Enabled ? C()[occText] : C()[occDisabledText]);
}

void TcbBarItemControlOffice11Painter::DrawSizedArrow(HDC DC, const TRect& R, bool Vertical, bool Enabled, bool,
                                                      int32_t Size) const
{
    DrawArrowPolygon(DC, R, Vertical, Size, Enabled ? C()[occText] : C()[occDisabledText]);
}

void TcbBarItemControlOffice11Painter::GetEditColors(const IcbControl*, TcbPaintFlags State, TColor& TextColor,
                                                     TColor& BkColor) const
{
    if (State.Contains(pfEnabled)) {
        TextColor = C()[occText];
        BkColor = clWindow;
    } else {
        TextColor = C()[occDisabledText];
        BkColor = clBtnFace;
    }
}

TColor TcbBarItemControlOffice11Painter::GetDisabledImageColor(const TcbBarManager*) const
{
    return C()[occMarkGradientStartNormal];
}

void TcbBarItemControlOffice11Painter::GetCaptionColors(const IcbControl*, TcbPaintFlags State, TColor& Color1,
                                                        TColor& Color2) const
{
    // The set's selected caption colour is the floating caption's light text; on the light
    // selected-item colour it would all but vanish, so a selected caption keeps the text colour.
    Color1 = State.Contains(pfEnabled) ? C()[occText] : C()[occDisabledText];
    Color2 = Color1;
}

bool TcbBarItemControlOffice11Painter::FillSubMenuItemAlways() const { return true; }

TColor TcbBarItemControlOffice11Painter::GetFloatingCaptionColor(bool) const
{
    // The floating caption strip, its close button and its mark all stand on this colour (the
    // floating border's). The set's other caption colour, a copy of the toolbar gradient's light
    // start, is not used for the strip: the caption text, the mark's arrow and the close
    // button's cross are white or the highlight colour, and would vanish on it.
    return C().FloatingCaptionQuery;
}

TColor TcbBarItemControlOffice11Painter::GetFloatingCaptionTextColor(const IcbBar*) const
{
    return C().FloatingCaptionText;
}

TColor TcbBarItemControlOffice11Painter::GetMarkArrowColor(const IcbBar* Bar, bool) const
{
    const TcbButtonState State = Bar ? Bar->GetMarkState() : bstNormal;
    if (State == bstHot)
        return C().MarkArrowHot;
    if (State == bstPressed)
        return C().MarkArrowPressed;
    return C().FloatingCaptionText;
}

void TcbBarItemControlOffice11Painter::DrawComboArrow(HDC DC, const TRect& R, TColor Color) const
{
    const int32_t X = (R.left + R.right) / 2 - 2;
    const int32_t Y = (R.top + R.bottom) / 2 - 1;
    DrawSolidTriangle(DC, {{X, Y}, {X + 4, Y}, {X + 2, Y + 2}}, Color);
}

void TcbBarItemControlOffice11Painter::GetTextColors(const IcbControl* Control, TcbPaintFlags State,
                                                     TColor& TextColor, HBRUSH& Brush) const
{
    const IcbBar* Bar = BarOf(Control);
    if (!State.Contains(pfEnabled) || !Bar) {
        TextColor = State.Contains(pfEnabled) ? C()[occText] : C()[occDisabledText];
        Brush = GetSysColorBrush(COLOR_BTNFACE);
        return;
    }
    TextColor = C()[occText];
    if (State.Contains(pfSelected))
        Brush = State.Contains(pfPressed) ? Bar->GetItemBrush() : Bar->GetSelectedItemBrush();
    else
        Brush = Bar->GetBkBrush();
}

HBRUSH TcbBarItemControlOffice11Painter::GetCheckMarkColor(const IcbControl* Control, TcbPaintFlags State) const
{
    const IcbBar* Bar = BarOf(Control);
    if (!Bar)
        return GetSysColorBrush(COLOR_BTNFACE);
    const bool Selected = State.Contains(pfSelected), Pressed = State.Contains(pfPressed);
    const bool Down = State.Contains(pfDown);
    // A hot checked item being pressed again shows the bar's background, as the Flat style does.
    if (Selected && Pressed && Down)
        return Bar->GetBkBrush();
    if (Selected && (Pressed || Down))
        return Bar->GetItemBrush();
    if (Selected)
        return Bar->GetSelectedItemBrush();
    if (Down)
        return Bar->GetCheckedItemBrush();
    if (InMenu(Control) && !Pressed)
        return Bar->GetBarBrush();
    return Bar->GetBkBrush();
}

void TcbBarItemControlOffice11Painter::DrawBoxFrame(const IcbControl* Control, HDC DC, TRect& R, HBRUSH Brush,
                                                    bool Pressed, bool Selected) const
{
    const IcbBar* Bar = BarOf(Control);
    if (Pressed && Bar) {
        DrawSelectedFrame(DC, R);
        InflateRect(&R, -1, -1);
        Fill(DC, R, Selected ? Bar->GetItemBrush() : Bar->GetSelectedItemBrush());
    } else if (!Control || Control->IsEnabled()) {
        Frame(DC, R, Bar ? Bar->GetBkBrush() : Brush);
        InflateRect(&R, -1, -1);
        FillRectByColor(DC, R, C()[occCheckedItemColor]);
    } else {
        FrameRectByColor(DC, R, C()[occDisabledText]);
        InflateRect(&R, -1, -1);
        Fill(DC, R, GetSysColorBrush(COLOR_BTNFACE));
    }
}

// ---------------------------------------------------------------------------------------------
// Metrics and brushes

int32_t TcbBarItemControlOffice11Painter::GetDockedBarBorderSize() const
{
    return TcbBarItemControlFlatPainter::GetDockedBarBorderSize() + GetOffice11BorderExtra();
}

int32_t TcbBarItemControlOffice11Painter::GetFloatingBorderWidth() const { return 3; }
int32_t TcbBarItemControlOffice11Painter::GetFloatingBorderHeight() const { return 3; }
int32_t TcbBarItemControlOffice11Painter::GetGriplessBarIndent() const { return 2; }
bool TcbBarItemControlOffice11Painter::IsItemBackgroundTransparent() const { return true; }

HBRUSH TcbBarItemControlOffice11Painter::GetBarBkBrush(const TcbBarManager*) const
{
    return SharedBrush(obCheckedItemColor, COLOR_BTNFACE);
}

bool TcbBarItemControlOffice11Painter::IsFloatingBarFlat(const IcbBar* Bar) const
{
    // A floating toolbar keeps its drop shadow; a quick-customization bar and menus follow Flat.
    if (Bar && Bar->GetKind() == bwkToolbar)
        return false;
    return TcbBarItemControlFlatPainter::IsFloatingBarFlat(Bar);
}

HBRUSH TcbBarItemControlOffice11Painter::GetBarBrush(const TcbBarManager*) const
{
    return SharedBrush(obMenuBackground, COLOR_WINDOW);
}

HBRUSH TcbBarItemControlOffice11Painter::GetCheckedItemBrush(const TcbBarManager*) const
{
    return SharedBrush(obCheckedItemBrushColor, COLOR_BTNFACE);
}

HBRUSH TcbBarItemControlOffice11Painter::GetItemBrush(const TcbBarManager*) const
{
    return SharedBrush(obItemBrushColor, COLOR_BTNFACE);
}

HBRUSH TcbBarItemControlOffice11Painter::GetSelectedItemBrush(const TcbBarManager*) const
{
    return SharedBrush(obSelectedItem, COLOR_HIGHLIGHT);
}

int32_t TcbBarItemControlOffice11Painter::GetComboButtonWidth(int32_t) const { return 13; }

TRect TcbBarItemControlOffice11Painter::GetBarNCBorders(const IcbBar* Bar) const
{
    return GetBarBorderOffsets(Bar, Bar ? Bar->GetDockingStyle() : dsNone);
}

TRect TcbBarItemControlOffice11Painter::GetBarBorderOffsets(const IcbBar* Bar, TcbBarDockingStyle DockingStyle) const
{
    if (!Bar || !Bar->IsMainMenu())
        return TcbBarItemControlFlatPainter::GetBarBorderOffsets(Bar, DockingStyle);
    // The main menu keeps a strip of the dock on its two long sides only.
    if (IsVerticalDock(DockingStyle))
        return Rect(2, 0, 2, 0);
    return Rect(0, 2, 0, 2);
}

TRect TcbBarItemControlOffice11Painter::GetMarkRect(const IcbBar* Bar) const
{
    TRect R = TcbBarItemControlFlatPainter::GetMarkRect(Bar);
    if (!Bar || !HasBorder(Bar))
        return R;
    switch (Bar->GetDockingStyle()) {
    case dsTop:
    case dsBottom:
        R.top -= 1;
        R.right += 2;
        R.bottom += 1;
        break;
    case dsLeft:
    case dsRight:
        R.left -= 1;
        R.right += 1;
        R.bottom += 2;
        break;
    case dsNone:
        break;
    }
    return R;
}

void TcbBarItemControlOffice11Painter::RedrawMark(const IcbBar* Bar) const
{
    // The mark reaches into the frame: the whole non-client area is painted again.
    if (Bar->GetDockingStyle() != dsNone && Bar->GetHandle())
        SendMessageA(Bar->GetHandle(), WM_NCPAINT, 0, 0);
}

HBRUSH TcbBarItemControlOffice11Painter::GetQuickControlBrush(const IcbBar*) const
{
    return SharedBrush(obMenuBackground, COLOR_WINDOW);
}

HBRUSH TcbBarItemControlOffice11Painter::GetSubMenuBrush() const
{
    return SharedBrush(obMenuBackground, COLOR_WINDOW);
}

TColor TcbBarItemControlOffice11Painter::GetDefaultBkColor() const { return C().DefaultBackground; }

HBRUSH TcbBarItemControlOffice11Painter::GetShadowBrush() const
{
    return SharedBrush(obShadow, COLOR_BTNSHADOW);
}

void TcbBarItemControlOffice11Painter::CalcSubMenuMetrics(const IcbBar* Menu, HDC DC, TcbSubMenuMetrics& Metrics) const
{
    TcbBarItemControlFlatPainter::CalcSubMenuMetrics(Menu, DC, Metrics);
    // The expand button shows the recoloured bitmap with a pixel above and below.
    TBitmap* Picture = Office11SubMenuExpandBitmap();
    if (Picture && !Picture->GetEmpty())
        Metrics.ExpandButtonHeight = Picture->GetHeight() + 2;
}

int32_t TcbBarItemControlOffice11Painter::GetDetachBandHeight(const IcbBar* Menu) const
{
    return Menu->GetDetachCaptionHeight() + 5;
}

void TcbBarItemControlOffice11Painter::AdjustDetachBandRect(TRect& R) const { InflateRect(&R, -2, -4); }

int32_t TcbBarItemControlOffice11Painter::CalcEditCaptionWidth(const IcbControl* Control,
                                                               int32_t CaptionTextWidth) const
{
    if (InMenu(Control))
        return CaptionTextWidth + BarOf(Control)->GetLeftBandWidth() + 1;
    return CaptionTextWidth;
}

int32_t TcbBarItemControlOffice11Painter::GetNoGlyphCaptionIndent(const IcbControl* Control) const
{
    if (!Control || Control->HasGlyph() || !InMenu(Control))
        return 0;
    return BarOf(Control)->GetLeftBandWidth();
}

// ---------------------------------------------------------------------------------------------
// Hand-overs to the XP painter while themes are in use

void TcbBarItemControlOffice11Painter::DrawBarSizeGrip(const IcbBar* Bar, HDC DC, const TRect& ClientRect) const
{
    if (UsesXP(Bar))
        XPPainter()->DrawBarSizeGrip(Bar, DC, ClientRect);
    else
        TcbBarItemControlFlatPainter::DrawBarSizeGrip(Bar, DC, ClientRect);
}

void TcbBarItemControlOffice11Painter::DrawSizeGripBackground(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    if (UsesXP(Bar))
        XPPainter()->DrawSizeGripBackground(Bar, DC, R);
    else
        TcbBarItemControlFlatPainter::DrawSizeGripBackground(Bar, DC, R);
}

void TcbBarItemControlOffice11Painter::DrawToolbarBackground(const IcbBar* Bar, HDC DC, const TRect& R,
                                                             HBRUSH Brush) const
{
    if (UsesXP(Bar))
        XPPainter()->DrawToolbarBackground(Bar, DC, R, Brush);
    else
        TcbBarItemControlFlatPainter::DrawToolbarBackground(Bar, DC, R, Brush);
}

TSize TcbBarItemControlOffice11Painter::GetSizeGripSize() const
{
    if (UsesXP(nullptr))
        return XPPainter()->GetSizeGripSize();
    return TcbBarItemControlFlatPainter::GetSizeGripSize();
}

void TcbBarItemControlOffice11Painter::DrawFramedItem(const IcbControl* Control, HDC DC, const TRect& R,
                                                      const std::string& Caption, bool Pushed) const
{
    if (UsesXP(BarOf(Control)))
        XPPainter()->DrawFramedItem(Control, DC, R, Caption, Pushed);
    else
        TcbBarItemControlFlatPainter::DrawFramedItem(Control, DC, R, Caption, Pushed);
}

// ---------------------------------------------------------------------------------------------
// Backgrounds

void TcbBarItemControlOffice11Painter::DrawDockControlBackground(const IcbDockSite* Site, HDC DC, const TRect& R,
                                                                 const TRect&, HBRUSH) const
{
    const TRect Client = Site->GetClientRect();
    const int32_t W = Client.right - Client.left, H = Client.bottom - Client.top;
    if (W <= 0 || H <= 0)
        return;
    // The side sites continue the top site's ends.
    TColor Start = C()[occDockGradientStart], End = C()[occDockGradientEnd];
    if (Site->GetDockingStyle() == dsLeft)
        End = Start;
    else if (Site->GetDockingStyle() == dsRight)
        Start = End;
    TBitmap* Cache = Site->GetBackgroundCache();
    if (!Cache) {
        TClipTo Clip(DC, R);
        FillGradientRect(DC, Client, Start, End, true);
        return;
    }
    if (Cache->GetEmpty() || Cache->GetWidth() != W || Cache->GetHeight() != H) {
        Cache->SetSize(W, H);
        FillGradientRect(Cache->GetCanvas()->GetHandle(), Rect(0, 0, W, H), Start, End, true);
        ++gDockCacheFills;
    }
    BitBlt(DC, R.left, R.top, R.right - R.left, R.bottom - R.top, Cache->GetCanvas()->GetHandle(),
           R.left - Client.left, R.top - Client.top, SRCCOPY);
}

void TcbBarItemControlOffice11Painter::FillBarGradient(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    // The whole window, shortened by a pixel at both ends along the bar, in the DC's client
    // coordinates: the frame and the client area show one gradient.
    const TPoint Offset = Bar->GetClientOffset();
    TRect G = WindowSize(Bar);
    OffsetRect(&G, -Offset.x, -Offset.y);
    const bool Vertical = IsVerticalBar(Bar);
    if (Vertical) {
        G.top += 1;
        G.bottom -= 1;
    } else {
        G.left += 1;
        G.right -= 1;
    }
    TClipTo Clip(DC, R);
    FillTwoPartGradientRect(DC, G, C()[occToolbarGradientStart], C()[occToolbarGradientEnd], Vertical);
}

TColor TcbBarItemControlOffice11Painter::BarColorAt(const IcbBar* Bar, int32_t Across) const
{
    const TRect W = WindowSize(Bar);
    const int32_t Extent = IsVerticalBar(Bar) ? W.right : W.bottom;
    return TwoPartColorAt(C()[occToolbarGradientStart], C()[occToolbarGradientEnd], Across, Extent);
}

TColor TcbBarItemControlOffice11Painter::DockColorAt(const IcbBar* Bar, int32_t X, int32_t Y) const
{
    // The dock's piece under the pixel, painted into a one-pixel bitmap and read back.
    const TPoint Offset = Bar->GetClientOffset();
    const int32_t CX = X - Offset.x, CY = Y - Offset.y;
    BITMAPINFO Info{};
    Info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    Info.bmiHeader.biWidth = 1;
    Info.bmiHeader.biHeight = 1;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    void* Bits = nullptr;
    HDC Memory = CreateMemoryDC();
    HBITMAP Dib = CreateDIBSection(Memory, &Info, DIB_RGB_COLORS, &Bits, nullptr, 0);
    TColor Result = C()[occDockGradientStart];
    if (Dib && Bits) {
        HGDIOBJ Old = SelectObject(Memory, Dib);
        SetViewportOrgEx(Memory, -CX, -CY, nullptr);
        DrawSiteUnder(Bar, Memory, Rect(CX, CY, CX + 1, CY + 1));
        GdiFlush();
        const uint32_t P = *static_cast<uint32_t*>(Bits);
        Result = static_cast<TColor>(RGB((P >> 16) & 0xFF, (P >> 8) & 0xFF, P & 0xFF));
        SelectObject(Memory, Old);
        DeleteObject(Dib);
    }
    DeleteMemoryDC(Memory);
    return Result;
}

void TcbBarItemControlOffice11Painter::DrawParentBarBackground(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    // A bordered toolbar shows its own gradient; the main menu and borderless bars let the dock
    // site show through, as does a bar with a background picture.
    if (Bar->GetKind() == bwkToolbar && (!HasBorder(Bar) || HasBackgroundBitmap(Bar))) {
        DrawSiteUnder(Bar, DC, R);
        return;
    }
    FillBarGradient(Bar, DC, R);
}

void TcbBarItemControlOffice11Painter::DrawSiteUnder(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    // A docked toolbar window has no parent bar window: the base drawing would fill the piece
    // with the bar's brush. The site it stands on paints the piece itself, in its own
    // coordinates, so the frame's dock pieces and the plain bars show the site's gradient.
    IcbDockSiteView* Site = Bar->GetParentDockSite();
    if (!Site) {
        TcbBarItemControlPainter::DrawParentBarBackground(Bar, DC, R);
        return;
    }
    RECT Place{};
    GetWindowRect(Bar->GetHandle(), &Place);
    MapWindowPoints(nullptr, Site->GetSiteHandle(), reinterpret_cast<POINT*>(&Place), 2);
    const TPoint Offset = Bar->GetClientOffset();
    const int32_t DX = Place.left + Offset.x, DY = Place.top + Offset.y;
    POINT Old{};
    OffsetViewportOrgEx(DC, -DX, -DY, &Old);
    TRect InSite = R;
    OffsetRect(&InSite, DX, DY);
    Site->FillBackground(DC, InSite);
    SetViewportOrgEx(DC, Old.x, Old.y, nullptr);
}

void TcbBarItemControlOffice11Painter::DrawBarBackground(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush,
                                                         TColor Color) const
{
    if (Bar->GetKind() == bwkQuickCustomization || HasBackgroundBitmap(Bar) || Color != clNone) {
        TcbBarItemControlFlatPainter::DrawBarBackground(Bar, DC, R, Brush, Color);
        return;
    }
    TClipTo Clip(DC, R);
    FillGradientRect(DC, Bar->GetClientRect(), C()[occToolbarGradientStart], C()[occToolbarGradientEnd], false);
}

void TcbBarItemControlOffice11Painter::DrawParentItemEdge(const IcbBar* Menu, HDC DC, HBRUSH) const
{
    const TRect R = Menu->GetParentItemEdgeRect();
    if (!IsRectEmpty(&R))
        FillRect(DC, &R, GetSubMenuBrush());
}

// ---------------------------------------------------------------------------------------------
// Docked bars: frame, grip, mark and separators

void TcbBarItemControlOffice11Painter::DrawDockedBarBorder(const IcbBar* Bar, HDC DC, HBRUSH, TRect R) const
{
    const bool Vertical = IsVerticalBar(Bar);
    const TPoint Offset = Bar->GetClientOffset();
    const int32_t L = R.left, T = R.top;
    // Along the bar (U) and across it (V), from the leading end and the top (left) side.
    const int32_t U = Vertical ? R.bottom - R.top : R.right - R.left;
    const int32_t V = Vertical ? R.right - R.left : R.bottom - R.top;
    // The pieces use the bar's own operations, which take client coordinates: the viewport
    // moves so that window points keep their place.
    POINT OldOrigin{};
    OffsetViewportOrgEx(DC, Offset.x, Offset.y, &OldOrigin);
    auto ToClient = [&](TRect W) {
        OffsetRect(&W, -Offset.x, -Offset.y);
        return W;
    };
    // Inclusive ranges in (along, across) to a window rectangle.
    auto Piece = [&](int32_t U0, int32_t V0, int32_t U1, int32_t V1) {
        return Vertical ? Rect(L + V0, T + U0, L + V1 + 1, T + U1 + 1) : Rect(L + U0, T + V0, L + U1 + 1, T + V1 + 1);
    };
    auto WX = [&](int32_t Along, int32_t Across) { return Vertical ? L + Across : L + Along; };
    auto WY = [&](int32_t Along, int32_t Across) { return Vertical ? T + Along : T + Across; };
    auto Empty = [](const TRect& W) { return W.right <= W.left || W.bottom <= W.top; };
    auto Dock = [&](const TRect& W) {
        if (!Empty(W))
            DrawSiteUnder(Bar, DC, ToClient(W));
    };
    auto Own = [&](const TRect& W) {
        if (!Empty(W))
            DrawParentBarBackground(Bar, DC, ToClient(W));
    };
    auto Solid = [&](const TRect& W, TColor Color) {
        if (!Empty(W))
            FillRectByColor(DC, ToClient(W), Color);
    };
    auto Dot = [&](int32_t Along, int32_t Across, TColor Color) {
        Pixel(DC, WX(Along, Across) - Offset.x, WY(Along, Across) - Offset.y, Color);
    };
    auto DockDot = [&](int32_t Along, int32_t Across) { Dock(Piece(Along, Across, Along, Across)); };
    auto DockAt = [&](int32_t Along, int32_t Across) { return DockColorAt(Bar, WX(Along, Across), WY(Along, Across)); };

    if (Bar->IsMainMenu()) {
        // Two strips of the dock along the long sides.
        Dock(Piece(0, 0, U - 1, 1));
        Dock(Piece(0, V - 2, U - 1, V - 1));
    } else if (HasBorder(Bar) && U > 16 && V > 6) {
        const bool Mark = Bar->IsMarkVisible();
        const TColor CornerBase = C()[occMarkCornerBase];
        const int32_t End = Mark ? U - 14 : U - 1; // the last along position of the bar's own pieces
        // The bar's own gradient under every piece it owns (the client area is the window's to
        // paint), then the rest over it.
        {
            HRGN Saved = nullptr;
            bool Had = false;
            SaveClipRgn(DC, Saved, Had);
            const TRect Client = Bar->GetClientRect();
            ExcludeClipRect(DC, Client.left, Client.top, Client.right, Client.bottom);
            Own(Piece(2, 1, End, V - 2));
            RestoreClipRgn(DC, Saved, Had);
        }
        Dock(Piece(0, 0, 1, V - 1));
        Dock(Piece(2, 0, U - 1, 0));
        Solid(Piece(4, V - 1, Mark ? U - 14 : U - 3, V - 1), C()[occToolbarBorder]);
        // The leading corners: a vertical bar's are listed for it, the others turn the
        // horizontal bar's.
        const TColor BarTop = BarColorAt(Bar, Vertical ? L + 1 : T + 2);
        Dot(2, 2, Blend(DockAt(2, 2), BarTop));
        Dot(3, 1, Blend(DockAt(3, 1), BarTop));
        if (Vertical) {
            Own(Piece(2, 3, 2, V - 3));
            Dot(3, V - 2, CornerBase);
            Dot(2, V - 2, Blend(DockAt(2, V - 2), CornerBase));
            Dot(3, V - 1, Blend(DockAt(3, V - 1), CornerBase));
        } else {
            DockDot(2, V - 2);
            DockDot(3, V - 1);
            Dot(3, V - 3, CornerBase);
            Dot(2, V - 3, Blend(DockAt(2, V - 3), CornerBase));
            Dot(3, V - 2, Blend(DockAt(3, V - 2), CornerBase));
        }
        const TColor BarCorner = BarColorAt(Bar, Vertical ? L + 2 : T + 2);
        if (!Mark) {
            // The trailing end.
            Dot(U - 2, 1, Blend(DockAt(U - 2, 1), BarCorner));
            Dot(U - 1, 2, Blend(DockAt(U - 1, 2), BarCorner));
            Dot(U - 2, V - 2, CornerBase);
            Dot(U - 2, V - 1, Blend(CornerBase, DockAt(U - 2, V - 1)));
            Dot(U - 1, V - 2, Blend(CornerBase, DockAt(U - 1, V - 2)));
        } else {
            // The mark's end: its gradient across the bar in four strips, and its corners.
            const int32_t S = MarkIndex(Bar);
            const TColor Corner = C().MarkCorner[S];
            const TRect Area = ToClient(Piece(U - 12, 1, U - 1, V - 1));
            const TRect Strips[4] = {Piece(U - 11, 1, U - 3, 1), Piece(U - 2, 3, U - 1, V - 3),
                                     Piece(U - 12, V - 1, U - 3, V - 1), Piece(U - 11, V - 2, U - 2, V - 2)};
            for (const TRect& Strip : Strips) {
                TClipTo Clip(DC, ToClient(Strip));
                FillTwoPartGradientRect(DC, Area, MarkStart(S), MarkEnd(S), Vertical);
            }
            Dot(U - 12, 1, Corner);
            Dot(U - 2, 2, Corner);
            Dot(U - 13, 1, Blend(Corner, BarCorner));
            Dot(U - 2, 1, Blend(Corner, DockAt(U - 2, 1)));
            Dot(U - 1, 2, Blend(Corner, DockAt(U - 1, 2)));
            Dot(U - 1, V - 2, Blend(MarkEnd(S), DockAt(U - 1, V - 2)));
            Dot(U - 2, V - 1, Blend(MarkEnd(S), DockAt(U - 2, V - 1)));
            Dot(U - 13, V - 2, CornerBase);
            Dot(U - 13, V - 1, Blend(MarkEnd(S), CornerBase));
            Dot(U - 12, V - 2, Blend(MarkEnd(S), CornerBase));
        }
        // The outer corners, last.
        DockDot(2, 1);
        DockDot(U - 1, 1);
        DockDot(2, V - 1);
        DockDot(U - 1, V - 1);
    }
    SetViewportOrgEx(DC, OldOrigin.x, OldOrigin.y, nullptr);

    // The grip of a bar that can move, in its border's grip area.
    if (!Bar->CanMove() || Bar->IsBorderless())
        return;
    const TcbBarManager* Manager = ManagerOf(Bar);
    const int32_t Border = Manager ? Manager->GetDockedBarBorderSize() : GetDockedBarBorderSize();
    const int32_t Grip = GetGripWidth(Bar);
    const TRect G0 = Inflated(R, -2);
    const TRect G = Vertical ? Rect(G0.left + 3, G0.top + Border, G0.right - 3, G0.top + Border + Grip)
                             : Rect(G0.left + Border, G0.top + 3, G0.left + Border + Grip, G0.bottom - 3);
    FillTwoColorRect(Bar, DC, !Vertical, G);
}

void TcbBarItemControlOffice11Painter::DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush,
                                                             const TRect& MarkRect) const
{
    const int32_t S = MarkIndex(Bar);
    const bool Vertical = IsVerticalBar(Bar);
    if (!HasBorder(Bar)) {
        FillTwoPartGradientRect(DC, MarkRect, MarkStart(S), MarkEnd(S), Vertical);
        return;
    }
    // Into the frame at the trailing end, where the frame's part of the mark continues it.
    TRect Area = MarkRect;
    if (Vertical)
        Area.bottom += 2;
    else
        Area.right += 2;
    Bar->FillBackground(DC, Area, Brush, clNone);
    FillTwoPartGradientRect(DC, Area, MarkStart(S), MarkEnd(S), Vertical);
    const TPoint Offset = Bar->GetClientOffset();
    const TColor Under = BarColorAt(Bar, Vertical ? Area.left + Offset.x : Area.top + Offset.y);
    Pixel(DC, Area.left, Area.top, Blend(C().MarkCorner[S], Under));
}

void TcbBarItemControlOffice11Painter::DrawBarMarkSymbols(const IcbBar* Bar, HDC DC, const TRect& MarkRect) const
{
    const bool Vertical = IsVerticalBar(Bar);
    const bool Plain = Bar->IsMainMenu() || Bar->IsBorderless();
    TPoint Arrow = Vertical ? TPoint{MarkRect.right - 8, MarkRect.bottom - 6}
                            : TPoint{MarkRect.right - 6, MarkRect.bottom - 8};
    TPoint Chevrons = Vertical ? TPoint{MarkRect.left + 3, MarkRect.bottom - 7}
                               : TPoint{MarkRect.right - 7, MarkRect.top + 3};
    if (Plain) {
        Arrow.x -= Vertical ? 1 : 2;
        Arrow.y -= Vertical ? 2 : 1;
        Chevrons.x -= 2;
        Chevrons.y -= 1;
    }
    const bool Hidden = Bar->HasItemsPushedOff();
    const TColor Inks[2] = {C().MarkGlyphHighlight, C().MarkGlyph};
    for (int32_t Pass = 0; Pass < 2; ++Pass) {
        const int32_t D = Pass == 0 ? 1 : 0;
        MarkArrow(DC, Arrow.x + D, Arrow.y + D, Vertical, Inks[Pass]);
        if (Hidden)
            MarkChevrons(DC, Chevrons.x + D, Chevrons.y + D, Vertical, Inks[Pass]);
    }
}

void TcbBarItemControlOffice11Painter::DrawBarSeparator(const IcbBar* Bar, HDC DC, const TRect& R,
                                                        bool Horizontal) const
{
    // No brush: the window paints what it shows there (the bar's gradient).
    Bar->FillBackground(DC, R, nullptr, clNone);
    const int32_t Offset = GetSeparatorOffset();
    const TColor Line = C()[occSeparator], Light = C()[occSeparatorHighlight];
    if (Horizontal) {
        // Between controls in a row: the lines run down.
        const int32_t X = R.left + Offset;
        FillRectByColor(DC, Rect(X, R.top + 3, X + 1, R.bottom - 3), Line);
        FillRectByColor(DC, Rect(X + 1, R.top + 4, X + 2, R.bottom - 2), Light);
    } else {
        const int32_t Y = R.top + Offset;
        FillRectByColor(DC, Rect(R.left + 3, Y, R.right - 3, Y + 1), Line);
        FillRectByColor(DC, Rect(R.left + 4, Y + 1, R.right - 2, Y + 2), Light);
    }
}

void TcbBarItemControlOffice11Painter::DrawFlatCloseButton(const IcbBar* Bar, HDC DC, const TRect& R,
                                                           TcbButtonState State) const
{
    if (State == bstNormal) {
        FillRectByColor(DC, R, GetFloatingCaptionColor(Bar->IsOwnerFormActive()));
        return;
    }
    DrawSelectedFrame(DC, R);
    FillRectByColor(DC, Inflated(R, -1),
                    State == bstHot ? C()[occHotItemGradientStart] : C()[occHotItemGradientEnd]);
}

void TcbBarItemControlOffice11Painter::DrawFloatingBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const
{
    if (Bar->GetKind() == bwkQuickCustomization) {
        FrameRectByColor(DC, R, C()[occItemFrame]);
        for (int32_t I = 1; I < GetFloatingBorderWidth(); ++I) {
            InflateRect(&R, -1, -1);
            Frame(DC, R, Brush);
        }
        return;
    }
    const TColor Outer = C()[occFloatingBorderOuter];
    FrameRectByColor(DC, R, Outer);
    InflateRect(&R, -1, -1);
    FrameRectByColor(DC, R, Outer);
    InflateRect(&R, -1, -1);
    FrameRectByColor(DC, R, C()[occFloatingBorderInner]);
    // Rounded inner corners.
    Pixel(DC, R.left, R.top, Outer);
    Pixel(DC, R.right - 1, R.top, Outer);
    Pixel(DC, R.left, R.bottom - 1, Outer);
    Pixel(DC, R.right - 1, R.bottom - 1, Outer);
}

// ---------------------------------------------------------------------------------------------
// Quick customization, drop-down parts, edits and combos

int32_t TcbBarItemControlOffice11Painter::DrawQuickCustCheckArea(const IcbControl* Control, HDC DC, const TRect& R,
                                                                 bool Checked, bool Selected) const
{
    TRect Square = R;
    Square.right = Square.left + (R.bottom - R.top);
    if (Checked)
        TcbBarItemControlPainter::DrawQuickCustCheckArea(Control, DC, Square, Checked, Selected);
    else
        DrawFramedBackground(Control, DC, Square, GetBarBrush(ManagerOf(BarOf(Control))), false);
    return Square.right + 1;
}

void TcbBarItemControlOffice11Painter::DrawQuickCustItemBackground(const IcbControl* Control, HDC DC, bool Selected,
                                                                   const TRect& R1, const TRect& R2) const
{
    if (!Selected || !BarOf(Control))
        return;
    DrawSelectedFrame(DC, R2);
    Fill(DC, Rect(R1.right, R1.top, R1.right + 2, R1.bottom), BarOf(Control)->GetSelectedItemBrush());
}

void TcbBarItemControlOffice11Painter::DrawDropDownPart(const IcbControl* Control, HDC DC, const TRect& R,
                                                        HBRUSH Brush, TcbPaintFlags Flags, int32_t ArrowKind) const
{
    const bool Selected = Flags.Contains(pfSelected);
    TRect Part = R;
    if (ArrowKind != 1)
        --Part.left; // over the button's edge
    const bool Open = Flags.Contains(pfOpen) || Flags.Contains(pfDroppedDown) || Control->IsDroppedDown();
    if (!(Flags.Contains(pfPressed) && Open)) {
        if (ArrowKind == 1 || Selected) {
            if (Selected)
                DrawSelectedFrame(DC, Part);
            else
                Frame(DC, Part, GetFlatBorderBrush());
        } else {
            DrawFramedBackground(Control, DC, Part, Brush, false);
        }
        const bool Look = Flags.Contains(pfPressed) || Flags.Contains(pfDown) || Selected || Control->IsSelected();
        DrawItemBackground(Control, DC, Inflated(Part, -1), Brush, Look);
    }
    const bool Enabled = Flags.Contains(pfEnabled) && Control->IsEnabled();
    const TRect Inside = Inflated(Part, -1);
    if (ArrowKind == 1)
        DrawSizedArrow(DC, Inside, true, Enabled, false, std::max<int32_t>(2, (Inside.right - Inside.left) / 3));
    else
        DrawCenteredArrow(DC, Inside, true, Enabled, false);
}

void TcbBarItemControlOffice11Painter::DrawComboButton(const IcbControl* Control, HDC DC, const TRect& R,
                                                       TcbPaintFlags State) const
{
    const IcbBar* Bar = BarOf(Control);
    const int32_t Width = Bar ? Bar->GetComboButtonWidth() : GetComboButtonWidth(0);
    const TRect Button = Rect(R.right - Width, R.top, R.right, R.bottom);
    TColor Text = clBtnText;
    HBRUSH Brush = nullptr;
    GetComboColors(Control, State, Text, Brush);
    const bool Enabled = State.Contains(pfEnabled);
    const bool Dropped = State.Contains(pfDroppedDown);
    if (State.Contains(pfSelected) && Enabled) {
        DrawSelectedFrame(DC, Inflated(Button, 1));
        if (Dropped)
            FillGradientRect(DC, Button, C()[occPressedItemGradientStart], C()[occPressedItemGradientEnd], false);
        else
            FillGradientRect(DC, Button, C()[occHotItemGradientStart], C()[occHotItemGradientEnd], false);
    } else {
        HBRUSH Edge = Enabled ? GetSysColorBrush(COLOR_WINDOW) : Brush;
        Frame(DC, Button, Edge);
        Fill(DC, Rect(Button.left - 1, Button.top, Button.left, Button.bottom), Edge);
        const TRect Inside = Inflated(Button, -1);
        if (Enabled && InMenu(Control))
            FillRectByColor(DC, Inside, C()[occCheckedItemColor]);
        else
            DrawItemBackground(Control, DC, Inside, Brush, false);
    }
    int32_t W = (Button.right - Button.left) / 2;
    if (W % 2 == 0)
        --W;
    TRect Arrow = Rect(Button.left + (Button.right - Button.left - W) / 2, Button.top,
                       Button.left + (Button.right - Button.left - W) / 2 + W, Button.bottom);
    if (Dropped)
        OffsetRect(&Arrow, 1, 1);
    DrawComboArrow(DC, Arrow, Enabled ? C()[occText] : C()[occDisabledText]);
}

void TcbBarItemControlOffice11Painter::GetComboColors(const IcbControl* Control, TcbPaintFlags State,
                                                      TColor& TextColor, HBRUSH& Brush) const
{
    GetTextColors(Control, State, TextColor, Brush);
    const IcbBar* Bar = BarOf(Control);
    if (!Bar || !State.Contains(pfEnabled))
        return;
    if (State.Contains(pfSelected))
        Brush = Bar->GetSelectedItemBrush();
    else if (State.Contains(pfPressed))
        Brush = Bar->GetItemBrush();
}

void TcbBarItemControlOffice11Painter::DrawDropDownListBorder(HDC DC, const TRect& R) const
{
    FrameRectByColor(DC, R, C()[occItemFrame]);
    TRoleBrush Menu(obMenuBackground, C()[occMenuBackground]);
    const TRect Inside = Inflated(R, -1);
    FrameRect(DC, &Inside, Menu.Get());
}

void TcbBarItemControlOffice11Painter::DrawEditBorder(const IcbControl* Control, HDC DC, bool Selected,
                                                      TcbDrawKind Kind, TRect& R) const
{
    const IcbBar* Bar = BarOf(Control);
    if (Selected)
        DrawSelectedFrame(DC, R);
    else if (!Control->IsEnabled())
        FrameRectByColor(DC, R, C()[occDisabledText]);
    else if (Kind == dkMenu || !Bar)
        FrameRectByColor(DC, R, C()[occCheckedItemColor]);
    else
        DrawFramedBackground(Control, DC, R, Bar->GetBkBrush(), false);
    InflateRect(&R, -1, -1);
}

void TcbBarItemControlOffice11Painter::DrawEditCaption(const IcbControl* Control, HDC DC, const TRect& R,
                                                       TcbPaintFlags State) const
{
    const IcbBar* Bar = BarOf(Control);
    const std::string Caption = StripAmpersands(Control->GetCaption());
    SIZE Size{};
    HGDIOBJ OldFont = Bar && Bar->GetFontHandle() ? SelectObject(DC, Bar->GetFontHandle()) : nullptr;
    GetTextExtentPoint32A(DC, Caption.c_str(), static_cast<int>(Caption.size()), &Size);
    if (OldFont)
        SelectObject(DC, OldFont);
    TRect Area = R;
    Area.right = std::min<int32_t>(R.right, R.left + CalcEditCaptionWidth(Control, Size.cx));
    const bool MenuSelected = State.Contains(pfSelected) && InMenu(Control) && Bar;
    if (MenuSelected) {
        ++Area.right;
        DrawSelectedFrame(DC, Area);
        const TRect Inside = Inflated(Area, -1);
        DrawItemBackground(Control, DC, Inside, Bar->GetSelectedItemBrush(), true);
    } else if (Bar) {
        DrawItemBackground(Control, DC, Area, nullptr, false);
    }
    // The caption ends 5 pixels before the box (clear of a menu's glyph band at the left).
    TRect Text = Area;
    Text.right -= 5;
    DrawCaption(Control, DC, Text, true, false, State.Contains(pfEnabled),
                MenuSelected ? State : State - TcbPaintFlags{pfSelected}, Control->GetCaption(),
                DT_RIGHT | DT_VCENTER);
}

// ---------------------------------------------------------------------------------------------
// Menus

void TcbBarItemControlOffice11Painter::DrawMenuItem(const IcbControl* Control, HDC DC, const TRect& R,
                                                    TcbPaintFlags State) const
{
    const IcbBar* Bar = BarOf(Control);
    const bool Selected = State.Contains(pfSelected);
    const int32_t Height = R.bottom - R.top;
    if (Selected) {
        DrawSelectedFrame(DC, R);
    } else {
        // The ring takes what the menu shows under it: the band by the glyph, the menu's colour
        // after it.
        const int32_t Split = std::min(R.right, R.left + Height + 1);
        const TRect Strips[6] = {
            Rect(R.left, R.top, Split, R.top + 1),         Rect(R.left, R.bottom - 1, Split, R.bottom),
            Rect(R.left, R.top, R.left + 1, R.bottom),     Rect(Split, R.top, R.right, R.top + 1),
            Rect(Split, R.bottom - 1, R.right, R.bottom), Rect(R.right - 1, R.top, R.right, R.bottom),
        };
        // No brush: the menu window paints what it shows there.
        for (const TRect& Strip : Strips)
            DrawItemBackground(Control, DC, Strip, nullptr, false);
    }
    const TRect Inner = Inflated(R, -1);
    const int32_t Column = Inner.bottom - Inner.top;
    const TRect Square = Rect(Inner.left, Inner.top, Inner.left + Column, Inner.bottom);
    if (Control->HasGlyph() || State.Contains(pfChecked))
        DrawGlyph(Control, DC, Square, State, dkMenu);
    else
        DrawItemBackground(Control, DC, Square, Selected ? Bar->GetSelectedItemBrush() : nullptr, Selected);
    const TRect Rest = Rect(Square.right, Inner.top, Inner.right, Inner.bottom);
    DrawItemBackground(Control, DC, Rest, Selected ? Bar->GetSelectedItemBrush() : nullptr, Selected);
    const TRect Text = Rect(Square.right + 2 + 8, Inner.top, Inner.right - Column, Inner.bottom);
    const bool Enabled = State.Contains(pfEnabled);
    DrawCaption(Control, DC, Text, true, false, Enabled, State, Control->GetCaption(), DT_LEFT | DT_VCENTER);
    const std::string ShortCut = Control->GetShortCutText();
    if (!ShortCut.empty())
        DrawCaption(Control, DC, Text, true, false, Enabled, State, ShortCut, DT_RIGHT | DT_VCENTER | DT_NOPREFIX);
}

void TcbBarItemControlOffice11Painter::DrawSubItem(const IcbControl* Control, HDC DC, const TRect& R,
                                                   TcbPaintFlags State, TcbDrawKind Kind) const
{
    // A sub-item on a bar whose menu is open is drawn down and open: the open gradient across
    // the bar, framed but for the edge its menu covers. Every other one is drawn as in Flat.
    if (Kind == dkMenu || !State.Contains(pfOpen) || InQuickMenu(Control)) {
        TcbBarItemControlFlatPainter::DrawSubItem(Control, DC, R, State, Kind);
        return;
    }
    TcbPaintFlags Open = State;
    Open.Include(pfDown);
    DrawGlyphBorder(Control, DC, nullptr, R, Open, false);
    // The glyph box repeats the same gradient under the glyph; the frame of that box would
    // cross the item, so its ring is left out.
    HRGN Saved = nullptr;
    bool HadRgn = false;
    SaveClipRgn(DC, Saved, HadRgn);
    if (Control->HasGlyph() && Control->GetRealPaintStyle() != psCaption)
        if (const TcbBarManager* Manager = ManagerOf(BarOf(Control))) {
            TRect Box = R;
            if (Kind == dkVertical)
                Box.bottom = Box.top + Manager->GetButtonHeight();
            else
                Box.right = Box.left + Manager->GetButtonWidth();
            const TRect Inside = Inflated(Box, -1);
            ExcludeClipRect(DC, Box.left, Box.top, Box.right, Inside.top);
            ExcludeClipRect(DC, Box.left, Inside.bottom, Box.right, Box.bottom);
            ExcludeClipRect(DC, Box.left, Box.top, Inside.left, Box.bottom);
            ExcludeClipRect(DC, Inside.right, Box.top, Box.right, Box.bottom);
        }
    DrawSubItemContent(Control, DC, R, Open, Kind);
    RestoreClipRgn(DC, Saved, HadRgn);
}

void TcbBarItemControlOffice11Painter::DrawSubMenuBackground(const IcbBar* Menu, HDC DC, const TRect& R) const
{
    if (Menu->GetBackgroundBitmap() && !Menu->GetBackgroundBitmap()->GetEmpty()) {
        TcbBarItemControlFlatPainter::DrawSubMenuBackground(Menu, DC, R);
        return;
    }
    TClipTo Clip(DC, R);
    const TRect Client = Menu->GetClientRect();
    const int32_t Band = Menu->GetLeftBandWidth();
    const bool Marked = Menu->IsItemMarked();
    const TColor Start = Marked ? C().DarkMenuBandGradientStart : C().MenuBandGradientStart;
    const TColor End = Marked ? C().DarkMenuBandGradientEnd : C().MenuBandGradientEnd;
    FillTwoPartGradientRect(DC, Rect(Client.left, Client.top, Client.left + Band, Client.bottom), Start, End, true);
    int32_t X = Client.left + Band;
    if (const int32_t Check = Menu->GetQuickCheckColumnWidth()) {
        FillRectByColor(DC, Rect(X, Client.top, X + Check, Client.bottom), End);
        X += Check;
    }
    Fill(DC, Rect(X, Client.top, Client.right, Client.bottom), Menu->GetBkBrush());
}

void TcbBarItemControlOffice11Painter::DrawSubMenuBeginGroup(const IcbBar* Menu, const IcbControl* Control,
                                                             HDC DC) const
{
    TcbBarItemControlFlatPainter::DrawSubMenuBeginGroup(Menu, Control, DC);
    if (Menu->GetBackgroundBitmap() && !Menu->GetBackgroundBitmap()->GetEmpty())
        return;
    // The glyph band and the quick-check column run on through the group line's rows: the Flat
    // drawing filled them with the menu's colour, which would cut the band in two.
    const TRect Item = Control->GetItemRect();
    const TRect Client = Menu->GetClientRect();
    const int32_t Right = Client.left + Menu->GetLeftBandWidth() + Menu->GetQuickCheckColumnWidth();
    DrawSubMenuBackground(Menu, DC, Rect(Item.left, Item.top - GetSubMenuBeginGroupSize(), std::min<int32_t>(Right, Item.right), Item.top));
}

void TcbBarItemControlOffice11Painter::DrawSubMenuSideBand(const IcbBar* Menu, HDC DC, HBRUSH,
                                                           const TRect& ClientRect) const
{
    TRoleBrush Background(obMenuBackground, C()[occMenuBackground]);
    const bool Picture = Menu->GetBackgroundBitmap() && !Menu->GetBackgroundBitmap()->GetEmpty();
    if (Picture || Menu->GetBarSize() != 0) {
        FrameRect(DC, &ClientRect, Background.Get());
        return;
    }
    const TRect& C0 = ClientRect;
    Fill(DC, Rect(C0.left, C0.top, C0.right, C0.top + 1), Background.Get());
    Fill(DC, Rect(C0.right - 1, C0.top, C0.right, C0.bottom), Background.Get());
    Fill(DC, Rect(C0.left, C0.bottom - 1, C0.right, C0.bottom), Background.Get());
    FillRectByColor(DC, Rect(C0.left, C0.top + 1, C0.left + 1, C0.bottom - 1), C().MenuBandGradientStart);
}

void TcbBarItemControlOffice11Painter::DrawSubMenuBorder(const IcbBar* Menu, HDC DC, const TRect& WindowRect) const
{
    DrawFrameRectFlat(DC, WindowRect, nullptr);
    DrawParentItemEdge(Menu, DC, nullptr);
    if (!Menu->IsDetachable())
        return;
    TRoleBrush Background(obMenuBackground, C()[occMenuBackground]);
    const TRect Outer = Rect(WindowRect.left + 1, WindowRect.top + 1, WindowRect.right - 1,
                             WindowRect.top + 1 + GetDetachBandHeight(Menu));
    TRect Band = Outer;
    AdjustDetachBandRect(Band);
    // The strips around the band take the menu's colour.
    {
        HRGN Saved = nullptr;
        bool Had = false;
        SaveClipRgn(DC, Saved, Had);
        ExcludeClipRect(DC, Band.left, Band.top, Band.right, Band.bottom);
        FillRect(DC, &Outer, Background.Get());
        RestoreClipRgn(DC, Saved, Had);
    }
    DrawDetachBand(Menu, DC, Band);
}

void TcbBarItemControlOffice11Painter::DrawDetachBand(const IcbBar* Menu, HDC DC, const TRect& R) const
{
    const bool Hot = Menu->IsDetachBandHot();
    if (Hot) {
        DrawSelectedFrame(DC, R);
        TRoleBrush Selected(obSelectedItem, C()[occSelectedItem]);
        const TRect Inside = Inflated(R, -1);
        FillRect(DC, &Inside, Selected.Get());
    } else {
        TRoleBrush Band(obDetachBand, C()[occDetachBand]);
        FillRect(DC, &R, Band.Get());
    }
    const int32_t K = Hot ? 0 : 1;
    const int32_t Side = (R.right - R.left + 2 * K) / 4;
    const TRect Dots = Rect(R.left + Side, R.top + K + 1, R.right - Side, R.bottom - K - 1);
    FillTwoColorRect(Menu, DC, false, Dots);
}

void TcbBarItemControlOffice11Painter::DrawSubMenuExpandButton(const IcbBar*, HDC DC, const TRect& R,
                                                               TcbButtonState) const
{
    TBitmap* Picture = Office11SubMenuExpandBitmap();
    if (!Picture || Picture->GetEmpty())
        return;
    const TRect Box = Inflated(R, -1);
    const int32_t W = Picture->GetWidth(), H = Picture->GetHeight();
    const int32_t X = Box.left + (Box.right - Box.left - W) / 2;
    const int32_t Y = Box.top + (Box.bottom - Box.top - H) / 2;
    DrawItemGlyph(DC, nullptr, Box, Bounds(X, Y, W, H), nullptr, -1, Picture, clNone, clNone,
                  TcbGlyphDrawFlags{gdCopyBackground, gdEnabled});
}

// ---------------------------------------------------------------------------------------------

TcbPainterClass Office11Painter()
{
    static const TcbBarItemControlOffice11Painter Instance;
    return &Instance;
}

void cbOffice11PainterInit()
{
    RegisterStylePainter(bmsOffice11, Office11Painter());
}
