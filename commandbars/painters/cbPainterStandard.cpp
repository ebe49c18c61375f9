#include "commandbars/painters/cbPainterStandard.h"

#include <algorithm>
#include <cstdint>

#include "commandbars/model/cbBarManager.h"
#include "platform/win/Graphics.h"

namespace {

bool InMenu(const IcbControl* Control)
{
    return Control && Control->GetBarWindow() && Control->GetBarWindow()->GetKind() == bwkMenu;
}

bool IsVerticalDock(TcbBarDockingStyle Style)
{
    return Style == dsLeft || Style == dsRight;
}

void SetPixelSys(HDC DC, int32_t X, int32_t Y, int Index)
{
    SetPixelV(DC, X, Y, GetSysColor(Index));
}

// A one-pixel polyline in one colour.
void Polyline(HDC DC, COLORREF Color, std::initializer_list<POINT> Points)
{
    HPEN Pen = CreatePen(PS_SOLID, 1, Color);
    HGDIOBJ Old = SelectObject(DC, Pen);
    bool First = true;
    for (const POINT& P : Points) {
        if (First)
            MoveToEx(DC, P.x, P.y, nullptr);
        else
            LineTo(DC, P.x, P.y);
        First = false;
    }
    SelectObject(DC, Old);
    DeleteObject(Pen);
}

// One grip bar: a raised inner edge around a button-face inside.
void DrawGripBar(HDC DC, TRect R)
{
    DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
    InflateRect(&R, -1, -1);
    FillRect(DC, &R, GetSysColorBrush(COLOR_BTNFACE));
}

// The tick's top row in each of its 9 columns; the tick is 4 rows thick, 7 high in all.
constexpr int32_t kTickTop[9] = {1, 2, 3, 2, 1, 1, 0, 0, 0};

void FillCell(HDC DC, int32_t X, int32_t Y, int32_t Scale, COLORREF Color)
{
    HBRUSH B = CreateSolidBrush(Color);
    const TRect R = Rect(X, Y, X + Scale, Y + Scale);
    FillRect(DC, &R, B);
    DeleteObject(B);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Standard

void TcbBarItemControlStandardPainter::DrawGlyphBorder(const IcbControl* Control, HDC DC, HBRUSH Brush,
                                                       const TRect& R, TcbPaintFlags State, bool FillBox) const
{
    // Down or pressed wins over hot: a checked item that is also hot stays sunken.
    static constexpr UINT kEdges[2] = {BDR_RAISEDINNER, BDR_SUNKENOUTER};
    const bool Sunk = State.Contains(pfDown) || State.Contains(pfPressed);
    if (Sunk || State.Contains(pfSelected)) {
        TRect Edge = R;
        DrawEdge(DC, &Edge, kEdges[Sunk ? 1 : 0], BF_RECT);
    } else if (FillBox) {
        DrawFramedBackground(Control, DC, R, Brush, State.Contains(pfMarked));
    }
}

void TcbBarItemControlStandardPainter::DrawCheckMark(const IcbControl* Control, HDC DC, int32_t X, int32_t Y,
                                                     int32_t Scale) const
{
    const bool Enabled = !Control || Control->IsEnabled();
    if (Enabled) {
        // Black and white trade places when the button face itself is black.
        static constexpr COLORREF kInk[2] = {0x000000, 0xFFFFFF};
        const bool FaceBlack = GetSysColor(COLOR_BTNFACE) == 0;
        const COLORREF Ink = kInk[FaceBlack ? 1 : 0], Light = kInk[FaceBlack ? 0 : 1];
        for (int32_t C = 0; C < 9; ++C) {
            const int32_t X0 = X + C * Scale, Y0 = Y + kTickTop[C] * Scale;
            FillCell(DC, X0, Y0, Scale, 0xC0C0C0);
            FillCell(DC, X0, Y0 + Scale, Scale, Ink);
            FillCell(DC, X0, Y0 + 2 * Scale, Scale, Ink);
            FillCell(DC, X0, Y0 + 3 * Scale, Scale, Light);
        }
    } else {
        // Embossed: the shadow strokes, and the highlight one step lower.
        for (int32_t C = 0; C < 9; ++C) {
            const int32_t X0 = X + C * Scale, Y0 = Y + kTickTop[C] * Scale;
            FillCell(DC, X0, Y0, Scale, GetSysColor(COLOR_BTNSHADOW));
            FillCell(DC, X0, Y0 + Scale, Scale, GetSysColor(COLOR_BTNSHADOW));
            FillCell(DC, X0, Y0 + 2 * Scale, Scale, GetSysColor(COLOR_BTNHIGHLIGHT));
            FillCell(DC, X0, Y0 + 3 * Scale, Scale, GetSysColor(COLOR_BTNHIGHLIGHT));
        }
    }
}

bool TcbBarItemControlStandardPainter::UseSelectedGlyphBackground() const { return true; }
bool TcbBarItemControlStandardPainter::IsSmallMarkRect(const TRect&) const { return false; }

void TcbBarItemControlStandardPainter::DrawBarMarkChevron(const IcbBar* Bar, HDC DC, int32_t Position,
                                                          const TRect&) const
{
    const COLORREF Shadow = GetSysColor(COLOR_BTNSHADOW), Light = GetSysColor(COLOR_BTNHIGHLIGHT);
    if (IsVerticalDock(Bar->GetDockingStyle())) {
        const int32_t X = Bar->GetClientRect().right - 8;
        Polyline(DC, Shadow, {{X, Position}, {X + 3, Position + 3}, {X + 8, Position - 2}});
        Polyline(DC, Light, {{X, Position + 1}, {X + 3, Position + 4}, {X + 8, Position - 1}});
    } else {
        Polyline(DC, Shadow, {{Position, 1}, {Position + 3, 4}, {Position - 1, 8}});
        Polyline(DC, Light, {{Position + 1, 1}, {Position + 4, 4}, {Position, 8}});
    }
}

void TcbBarItemControlStandardPainter::DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush,
                                                             const TRect& MarkRect) const
{
    Bar->FillBackground(DC, MarkRect, Brush, clNone);
}

void TcbBarItemControlStandardPainter::DrawEtchedLine(HDC DC, const TRect& R) const
{
    TRect Light = R;
    OffsetRect(&Light, 1, 1);
    FillRect(DC, &Light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    FillRect(DC, &R, GetSysColorBrush(COLOR_BTNSHADOW));
}

void TcbBarItemControlStandardPainter::DrawMenuItem(const IcbControl* Control, HDC DC, const TRect& R,
                                                    TcbPaintFlags State) const
{
    const IcbBar* Bar = Control->GetBarWindow();
    const int32_t Height = R.bottom - R.top;
    const TRect Square = Rect(R.left, R.top, R.left + Height, R.bottom);
    if (Control->HasGlyph() || State.Contains(pfChecked))
        DrawGlyph(Control, DC, Square, State, dkMenu);
    else
        FillRect(DC, &Square, Bar->GetCachedBarBrush());
    TRect Rest = Rect(Square.right, R.top, R.right, R.bottom);
    FillRect(DC, &Rest, State.Contains(pfSelected) ? Bar->GetSelectedItemBrush() : Bar->GetCachedBarBrush());
    TRect Text = Rect(R.left + GetCaptionOffsetInMenu(Control) + 2, R.top, R.right - Height, R.bottom);
    const bool Enabled = State.Contains(pfEnabled);
    DrawCaption(Control, DC, Text, true, false, Enabled, State, Control->GetCaption(), DT_LEFT | DT_VCENTER);
    const std::string ShortCut = Control->GetShortCutText();
    if (!ShortCut.empty())
        DrawCaption(Control, DC, Text, true, false, Enabled, State, ShortCut, DT_RIGHT | DT_VCENTER | DT_NOPREFIX);
}

void TcbBarItemControlStandardPainter::DrawLoweredBorder(HDC DC, TRect& R) const
{
    DrawEdge(DC, &R, BDR_SUNKENOUTER, BF_RECT);
    InflateRect(&R, -1, -1);
}

void TcbBarItemControlStandardPainter::DrawBoxFrame(const IcbControl*, HDC DC, TRect& R, HBRUSH Brush,
                                                    bool Pressed, bool Selected) const
{
    if (Pressed || Selected)
        DrawEdge(DC, &R, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    else
        FrameRect(DC, &R, cbResolveBrush(Brush));
    InflateRect(&R, -1, -1);
    FillRect(DC, &R, Brush);
}

HBRUSH TcbBarItemControlStandardPainter::GetCheckMarkColor(const IcbControl* Control, TcbPaintFlags State) const
{
    const IcbBar* Bar = Control->GetBarWindow();
    if (State.Contains(pfEnabled) && State.Contains(pfDown))
        return State.Contains(pfSelected) ? Bar->GetItemBrush() : Bar->GetCheckedItemBrush();
    if (State.Contains(pfSelected) && InMenu(Control))
        return Bar->GetSelectedItemBrush();
    return Bar->GetCachedBarBrush();
}

int32_t TcbBarItemControlStandardPainter::GetDownGlyphOffset() const { return 1; }
int32_t TcbBarItemControlStandardPainter::GetSelectedGlyphOffset(const IcbControl*) const { return 1; }
int32_t TcbBarItemControlStandardPainter::GetDropDownButtonIndent() const { return 1; }
int32_t TcbBarItemControlStandardPainter::GetDockedBarBorderSize() const { return 2; }

int32_t TcbBarItemControlStandardPainter::GetGripAreaSize() const
{
    return GetDockedBarBorderSize() + 2 * GetGripWidth(nullptr) + 1;
}

int32_t TcbBarItemControlStandardPainter::GetSubMenuGlyphColumnIndent() const { return 2; }

void TcbBarItemControlStandardPainter::DrawCloseButton(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    TRect Box = R;
    HBRUSH Caption = CreateSolidBrush(ColorToRGB(GetFloatingCaptionColor(Bar->IsOwnerFormActive())));
    FrameRect(DC, &Box, Caption);
    DeleteObject(Caption);
    InflateRect(&Box, -1, -1);
    DrawFrameControl(DC, &Box, DFC_CAPTION,
                     DFCS_CAPTIONCLOSE | (Bar->GetCloseButtonState() == bstPressed ? DFCS_PUSHED : 0));
}

void TcbBarItemControlStandardPainter::DrawDockedBarBorder(const IcbBar* Bar, HDC DC, HBRUSH, TRect R) const
{
    DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
    InflateRect(&R, -2, -2);
    if (!Bar->CanMove())
        return;
    const int32_t Border = Bar->GetBarManager() ? Bar->GetBarManager()->GetDockedBarBorderSize()
                                                : GetDockedBarBorderSize();
    const int32_t Grip = GetGripWidth(Bar);
    const bool Vertical = IsVerticalDock(Bar->GetDockingStyle());
    for (int32_t I = 0; I < 2; ++I) {
        TRect G = R;
        if (Vertical) {
            G.top = R.top + Border + I * Grip;
            G.bottom = G.top + Grip;
        } else {
            G.left = R.left + Border + I * Grip;
            G.right = G.left + Grip;
        }
        DrawGripBar(DC, G);
        if (Vertical)
            SetPixelSys(DC, G.right - 1, G.top, COLOR_BTNHIGHLIGHT);
        else
            SetPixelSys(DC, G.left, G.bottom - 1, COLOR_BTNHIGHLIGHT);
        ExcludeClipRect(DC, G.left, G.top, G.right, G.bottom);
    }
}

void TcbBarItemControlStandardPainter::DrawFloatingBarBorder(const IcbBar*, HDC DC, HBRUSH, TRect R) const
{
    DrawEdge(DC, &R, EDGE_RAISED, BF_RECT);
    InflateRect(&R, -2, -2);
    FrameRect(DC, &R, GetSysColorBrush(COLOR_BTNFACE));
    InflateRect(&R, -1, -1);
    FrameRect(DC, &R, GetSysColorBrush(COLOR_BTNFACE));
}

void TcbBarItemControlStandardPainter::DrawMDIButton(const IcbBar*, HDC DC, const TRect& R, TcbMDIButton Button,
                                                     bool Pressed, bool Enabled) const
{
    static constexpr UINT kKinds[3] = {DFCS_CAPTIONMIN, DFCS_CAPTIONRESTORE, DFCS_CAPTIONCLOSE};
    HRGN Saved = CreateRectRgn(0, 0, 0, 0);
    const bool HadRgn = GetClipRgn(DC, Saved) == 1;
    TRect Inner = R;
    InflateRect(&Inner, -1, -1);
    IntersectClipRect(DC, Inner.left, Inner.top, Inner.right, Inner.bottom);
    TRect Face = R;
    DrawFrameControl(DC, &Face, DFC_CAPTION,
                     kKinds[Button] | (Pressed ? DFCS_PUSHED : 0) | (Enabled ? 0 : DFCS_INACTIVE));
    SelectClipRgn(DC, HadRgn ? Saved : nullptr);
    DeleteObject(Saved);
    TRect Edge = R;
    DrawEdge(DC, &Edge, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
}

int32_t TcbBarItemControlStandardPainter::GetFloatingSideIndent() const { return 4; }

void TcbBarItemControlStandardPainter::CalcMarkRect(const IcbBar* Bar, TRect& R) const
{
    const TRect C = Bar->GetClientRect();
    switch (Bar->GetDockingStyle()) {
    case dsNone:
        R = Rect(C.left, C.top, C.left + 13, C.bottom);
        break;
    case dsTop:
    case dsBottom:
        R = Rect(C.right - 11, 0, C.right, 9);
        break;
    case dsLeft:
    case dsRight:
        R = Rect(C.left, C.top, C.right, C.top + 11);
        break;
    }
}

int32_t TcbBarItemControlStandardPainter::GetFloatingTopIndent() const { return 2; }
int32_t TcbBarItemControlStandardPainter::GetFloatingBottomIndent() const { return 1; }
bool TcbBarItemControlStandardPainter::UseSystemFloatingHitTest() const { return true; }
bool TcbBarItemControlStandardPainter::UseSystemFloatingFrame() const { return true; }

void TcbBarItemControlStandardPainter::DrawDropDownPart(const IcbControl* Control, HDC DC, const TRect& R,
                                                        HBRUSH Brush, TcbPaintFlags Flags, int32_t ArrowKind) const
{
    const bool Hot = Flags.Contains(pfSelected);
    const bool Open = Flags.Contains(pfDroppedDown);
    const bool Pressed = Flags.Contains(pfPressed) || Open;
    const bool Plain = !Hot && !Pressed && !Flags.Contains(pfMarked);
    TRect Part = R;
    HBRUSH Fill = UseSelectedGlyphBackground() && Hot && InMenu(Control) ? Control->GetBarWindow()->GetSelectedItemBrush()
                                                                          : Brush;
    DrawItemBackground(Control, DC, Part, Fill, !Plain);
    if (Hot || Open)
        DrawEdge(DC, &Part, Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    else
        DrawEdge(DC, &Part, EDGE_ETCHED, BF_LEFT | BF_RIGHT);
    TRect Arrow = R;
    if (Pressed)
        OffsetRect(&Arrow, 1, 1);
    const bool Enabled = Flags.Contains(pfEnabled);
    // A part narrower than 9 pixels takes the small arrow.
    const int32_t Size = R.right - R.left < 9 ? 2 : 3;
    if (ArrowKind == 1)
        DrawSizedArrow(DC, Arrow, true, Enabled, false, Size);
    else if (Size == 2)
        DrawSizedArrow(DC, Arrow, true, Enabled, false, Size);
    else
        DrawCenteredArrow(DC, Arrow, true, Enabled, false);
}

void TcbBarItemControlStandardPainter::ShiftRectWhenDown(const IcbControl* Control, TRect& R) const
{
    if (!Control->IsDown())
        return;
    OffsetRect(&R, 1, 1);
    if (Control->IsPressed())
        OffsetRect(&R, 1, 1);
}

void TcbBarItemControlStandardPainter::ShiftPressedRect(TRect& R) const
{
    OffsetRect(&R, 1, 1);
}

void TcbBarItemControlStandardPainter::DrawComboButton(const IcbControl* Control, HDC DC, const TRect& R,
                                                       TcbPaintFlags State) const
{
    TColor TextColor = clBtnText;
    HBRUSH Brush = nullptr;
    GetComboColors(Control, State, TextColor, Brush);
    TRect Box = R;
    const bool Open = State.Contains(pfDroppedDown);
    if (State.Contains(pfSelected) || Open) {
        DrawEdge(DC, &Box, Open || State.Contains(pfPressed) ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        InflateRect(&Box, -1, -1);
        FillRect(DC, &Box, GetSysColorBrush(COLOR_BTNFACE));
    } else {
        FrameRect(DC, &Box, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
        InflateRect(&Box, -1, -1);
        FillRect(DC, &Box, GetSysColorBrush(COLOR_BTNFACE));
    }
    TRect Arrow = R;
    if (State.Contains(pfPressed) || Open)
        OffsetRect(&Arrow, 1, 1);
    if (State.Contains(pfEnabled)) {
        DrawComboArrow(DC, Arrow, TextColor);
    } else {
        TRect Light = Arrow;
        OffsetRect(&Light, 1, 1);
        DrawComboArrow(DC, Light, clBtnHighlight);
        DrawComboArrow(DC, Arrow, clBtnShadow);
    }
}

int32_t TcbBarItemControlStandardPainter::GetDropDownListBorder() const { return 2; }

void TcbBarItemControlStandardPainter::DrawDropDownListBorder(HDC DC, const TRect& R) const
{
    TRect Box = R;
    DrawEdge(DC, &Box, EDGE_RAISED, BF_RECT);
}

void TcbBarItemControlStandardPainter::DrawSubMenuItemRowExtra(const IcbBar* Menu, const IcbControl* Control,
                                                               HDC DC, const TRect& R) const
{
    // A rarely used row shows its glyph column in the item brush, and the first row of such a
    // band opens with a highlight pixel at the column's corner; under the detach band of a
    // detachable menu the first row keeps its top line for the band's edge.
    if (!Control->IsRarelyUsed())
        return;
    const int32_t Column = Menu->GetSubMenuMetrics().GlyphColumnWidth;
    TRect Strip = Rect(R.left, R.top, R.left + Column, R.bottom);
    TcbSubMenuItemsArea Area;
    CalcSubMenuItemsRect(Menu, Area);
    if (Menu->IsDetachable() && R.top == Area.ItemsRect.top)
        ++Strip.top;
    FillRect(DC, &Strip, Menu->GetItemBrush());
    if (Control->IsFirstRarelyUsed())
        SetPixelSys(DC, Strip.left, Strip.top, COLOR_BTNHIGHLIGHT);
}

bool TcbBarItemControlStandardPainter::UseStandardSubMenuLayout() const { return true; }

int32_t TcbBarItemControlStandardPainter::GetExpandButtonIndent() const
{
    return TcbBarItemControlPainter::GetExpandButtonIndent() + 1;
}

void TcbBarItemControlStandardPainter::SetupInPlaceEdit(HWND Edit) const
{
    // The margins the edit's font gives, set as explicit left and right margins.
    SendMessageA(Edit, EM_SETMARGINS, EC_USEFONTINFO, 0);
    const LRESULT Margins = SendMessageA(Edit, EM_GETMARGINS, 0, 0);
    SendMessageA(Edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                 MAKELPARAM(LOWORD(Margins), HIWORD(Margins)));
}

// ---------------------------------------------------------------------------------------------
// Enhanced

void TcbBarItemControlEnhancedPainter::DrawBarMarkChevron(const IcbBar* Bar, HDC DC, int32_t Position,
                                                          const TRect& MarkRect) const
{
    const COLORREF Ink = GetSysColor(COLOR_BTNTEXT);
    const int32_t Start = IsSmallMarkRect(MarkRect) ? 3 : 4;
    for (int32_t S = 0; S < 2; ++S) {
        if (IsVerticalDock(Bar->GetDockingStyle())) {
            const int32_t X = Bar->GetClientRect().right - 8;
            Polyline(DC, Ink, {{X, Position + S}, {X + 2, Position + S + 2}, {X + 5, Position + S - 1}});
        } else {
            Polyline(DC, Ink, {{Position + S, Start}, {Position + S + 2, Start + 2}, {Position + S - 1, Start + 5}});
        }
    }
}

void TcbBarItemControlEnhancedPainter::DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush,
                                                             const TRect& MarkRect) const
{
    TRect R = MarkRect;
    switch (Bar->GetMarkState()) {
    case bstNormal:
        FrameRect(DC, &R, cbResolveBrush(Brush));
        break;
    case bstHot:
        DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
        break;
    case bstPressed:
        DrawEdge(DC, &R, BDR_SUNKENOUTER, BF_RECT);
        break;
    }
    InflateRect(&R, -1, -1);
    Bar->FillBackground(DC, R, Brush, clNone);
}

void TcbBarItemControlEnhancedPainter::DrawBarMarkSymbols(const IcbBar* Bar, HDC DC, const TRect& MarkRect) const
{
    {
        const COLORREF Ink = GetSysColor(COLOR_BTNTEXT);
        HPEN Pen = CreatePen(PS_SOLID, 1, Ink);
        HBRUSH Brush = CreateSolidBrush(Ink);
        HGDIOBJ OldPen = SelectObject(DC, Pen), OldBrush = SelectObject(DC, Brush);
        POINT P[3];
        if (IsVerticalDock(Bar->GetDockingStyle())) {
            const int32_t X = MarkRect.left + 5, Y = MarkRect.top + 3;
            P[0] = {X, Y};
            P[1] = {X, Y + 4};
            P[2] = {X - 2, Y + 2};
        } else {
            const int32_t X = MarkRect.left + 3, Y = MarkRect.bottom - 7 + (IsSmallMarkRect(MarkRect) ? 1 : 0);
            P[0] = {X, Y};
            P[1] = {X + 4, Y};
            P[2] = {X + 2, Y + 2};
        }
        Polygon(DC, P, 3);
        SelectObject(DC, OldPen);
        SelectObject(DC, OldBrush);
        DeleteObject(Pen);
        DeleteObject(Brush);
    }
    TcbBarItemControlPainter::DrawBarMarkSymbols(Bar, DC, MarkRect);
}

int32_t TcbBarItemControlEnhancedPainter::GetDockedBarBorderSize() const { return 1; }

int32_t TcbBarItemControlEnhancedPainter::GetGripAreaSize() const
{
    return GetDockedBarBorderSize() + GetGripWidth(nullptr) + 2;
}

int32_t TcbBarItemControlEnhancedPainter::GetSubMenuGlyphColumnIndent() const { return 12; }
bool TcbBarItemControlEnhancedPainter::IsBarMarkShown() const { return true; }

void TcbBarItemControlEnhancedPainter::DrawDockedBarBorder(const IcbBar* Bar, HDC DC, HBRUSH, TRect R) const
{
    DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
    InflateRect(&R, -2, -2);
    if (!Bar->CanMove())
        return;
    const int32_t Border = Bar->GetBarManager() ? Bar->GetBarManager()->GetDockedBarBorderSize()
                                                : GetDockedBarBorderSize();
    const int32_t Grip = GetGripWidth(Bar);
    TRect G = R;
    if (IsVerticalDock(Bar->GetDockingStyle())) {
        G = Rect(R.left + 1, R.top + Border, R.right - 1, R.top + Border + Grip);
    } else {
        G = Rect(R.left + Border, R.top + 1, R.left + Border + Grip, R.bottom - 1);
    }
    DrawGripBar(DC, G);
    ExcludeClipRect(DC, G.left, G.top, G.right, G.bottom);
}

void TcbBarItemControlEnhancedPainter::CalcMarkRect(const IcbBar* Bar, TRect& R) const
{
    const TRect C = Bar->GetClientRect();
    switch (Bar->GetDockingStyle()) {
    case dsNone:
        R = Rect(C.left, C.top, C.left + 13, C.bottom);
        break;
    case dsTop:
    case dsBottom:
        R = Rect(C.right - 11, C.top, C.right, C.bottom);
        break;
    case dsLeft:
    case dsRight:
        R = Rect(C.left, C.bottom - 11, C.right, C.bottom);
        break;
    }
}

// ---------------------------------------------------------------------------------------------

TcbPainterClass StandardPainter()
{
    static const TcbBarItemControlStandardPainter Instance;
    return &Instance;
}

TcbPainterClass EnhancedPainter()
{
    static const TcbBarItemControlEnhancedPainter Instance;
    return &Instance;
}

void cbStandardPaintersInit()
{
    RegisterStylePainter(bmsStandard, StandardPainter());
    RegisterStylePainter(bmsEnhanced, EnhancedPainter());
}
