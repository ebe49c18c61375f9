#include "commandbars/painters/cbPainterFlat.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/painters/cbPainterStandard.h"
#include "commandbars/painters/cbPainterShared.h"
#include "commandbars/foundation/uiGraphics.h"
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

HBRUSH SysBrush(int Index)
{
    return GetSysColorBrush(Index);
}

void FillColor(HDC DC, const TRect& R, COLORREF Color)
{
    HBRUSH B = CreateSolidBrush(Color);
    FillRect(DC, &R, B);
    DeleteObject(B);
}

// The manager's frame brush (the shadow colour darkened), or the shadow without a manager.
HBRUSH FrameBrushOf(const IcbBar* Bar)
{
    TcbBarManager* Manager = ManagerOf(Bar);
    return Manager && Manager->GetFlatFrameBrush() ? Manager->GetFlatFrameBrush() : SysBrush(COLOR_BTNSHADOW);
}

// Whether DC draws on Bar's whole window (its non-client painting) rather than on its client area.
bool IsWindowDC(const IcbBar* Bar, HDC DC)
{
    POINT Origin{};
    if (!Bar->GetHandle() || WindowFromDC(DC) != Bar->GetHandle() || !GetDCOrgEx(DC, &Origin))
        return false;
    const TRect Window = Bar->GetWindowRect();
    return Origin.x == Window.left && Origin.y == Window.top;
}

// A one-pixel line in one colour from (X0, Y0) up to, not including, (X1, Y1).
void Line(HDC DC, COLORREF Color, int32_t X0, int32_t Y0, int32_t X1, int32_t Y1)
{
    HPEN Pen = CreatePen(PS_SOLID, 1, Color);
    HGDIOBJ Old = SelectObject(DC, Pen);
    MoveToEx(DC, X0, Y0, nullptr);
    LineTo(DC, X1, Y1);
    SelectObject(DC, Old);
    DeleteObject(Pen);
}

int32_t FontTextHeight(HFONT Font)
{
    HDC DC = CreateMemoryDC();
    HGDIOBJ Old = Font ? SelectObject(DC, Font) : nullptr;
    SIZE S{};
    GetTextExtentPoint32A(DC, "0", 1, &S);
    if (Old)
        SelectObject(DC, Old);
    DeleteMemoryDC(DC);
    return S.cy;
}

// The tick's top row in each of its 9 columns; each copy lies one pixel below the last.
constexpr int32_t kTickTop[9] = {2, 3, 4, 5, 4, 3, 2, 1, 0};

} // namespace

COLORREF FlatCheckMarkColor(COLORREF ButtonFace, bool Enabled)
{
    if (!Enabled)
        return GetSysColor(COLOR_BTNSHADOW);
    // White stands out on a black face, black on any other.
    static constexpr COLORREF kInk[2] = {0x000000, 0xFFFFFF};
    return kInk[ButtonFace == 0 ? 1 : 0];
}

// ---------------------------------------------------------------------------------------------
// The operations the Flat style adds

void TcbBarItemControlFlatPainter::DrawSelectedFrame(HDC DC, const TRect& R) const
{
    DrawHighlightFrame(DC, R);
}

HBRUSH TcbBarItemControlFlatPainter::GetFrameBrush() const
{
    return SysBrush(COLOR_BTNSHADOW);
}

void TcbBarItemControlFlatPainter::FillWithBarBrush(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& R) const
{
    DrawClippedFrame(Bar, DC, Brush, R);
    FillBkRect(Bar, DC, Inflated(R, -1), nullptr, true);
}

void TcbBarItemControlFlatPainter::DrawClippedFrame(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& R) const
{
    HRGN Saved = nullptr;
    bool HadRgn = false;
    SaveClipRgn(DC, Saved, HadRgn);
    // A window opened from an item of another bar window leaves the edge it shares with that
    // item open: the piece takes the window's background and no frame.
    if (Bar) {
        TRect Edge = Bar->GetParentItemEdgeRect();
        const TRect Window = Bar->GetWindowRect();
        TRect Own = Rect(0, 0, Window.right - Window.left, Window.bottom - Window.top);
        // The edge is given in window coordinates; a DC of the client area, or a picture of it,
        // has its origin at the client's corner.
        if (!IsWindowDC(Bar, DC)) {
            const TPoint Client = Bar->GetClientOffset();
            OffsetRect(&Edge, -Client.x, -Client.y);
            OffsetRect(&Own, -Client.x, -Client.y);
        }
        TRect Piece{};
        if (!IsRectEmpty(&Edge) && IntersectRect(&Piece, &Edge, &Own)) {
            FillBkRect(Bar, DC, Piece, nullptr, true);
            ExcludeClipRect(DC, Piece.left, Piece.top, Piece.right, Piece.bottom);
        }
    }
    DrawFrameRectFlat(DC, R, Brush);
    RestoreClipRgn(DC, Saved, HadRgn);
}

void TcbBarItemControlFlatPainter::DrawFrameRectFlat(HDC DC, const TRect& R, HBRUSH Brush) const
{
    Frame(DC, R, Brush);
}

void TcbBarItemControlFlatPainter::FillBkRect(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush,
                                              bool Opaque) const
{
    if (!Brush)
        Brush = Bar ? Bar->GetBkBrush() : SysBrush(COLOR_BTNFACE);
    if (Opaque || !Bar)
        Fill(DC, R, Brush);
    else
        Bar->FillBackground(DC, R, Brush, clNone);
}

HBRUSH TcbBarItemControlFlatPainter::GetFlatBorderBrush() const
{
    return SysBrush(COLOR_BTNSHADOW);
}

// ---------------------------------------------------------------------------------------------
// Glyphs and check marks

void TcbBarItemControlFlatPainter::DrawGlyphBorder(const IcbControl* Control, HDC DC, HBRUSH Brush, const TRect& R,
                                                   TcbPaintFlags State, bool FillBox) const
{
    const bool Selected = State.Contains(pfSelected), Down = State.Contains(pfDown);
    const bool Pressed = State.Contains(pfPressed);
    // A plain menu row's selection is the row's frame, drawn by DrawMenuItem.
    const bool PlainMenuRow = InMenu(Control) && !Down;
    if ((Selected || Down) && !PlainMenuRow) {
        if (Pressed || Down)
            DrawClippedFrame(BarOf(Control), DC, GetFrameBrush(), R);
        else
            DrawSelectedFrame(DC, R);
    } else if (FillBox) {
        DrawFramedBackground(Control, DC, R, Brush, Selected || Down || Pressed || !State.Contains(pfEnabled));
    }
}

void TcbBarItemControlFlatPainter::DrawCheckMark(const IcbControl* Control, HDC DC, int32_t X, int32_t Y,
                                                 int32_t Scale) const
{
    const bool Enabled = !Control || Control->IsEnabled();
    const COLORREF Ink = FlatCheckMarkColor(GetSysColor(COLOR_BTNFACE), Enabled);
    HBRUSH B = CreateSolidBrush(Ink);
    // 2 x Scale copies of the tick, one pixel apart; each column of the tick Scale pixels wide.
    for (int32_t C = 0; C < 9 * Scale; ++C) {
        const int32_t Top = Y + kTickTop[C / Scale] * Scale;
        const TRect Column = Rect(X + C, Top, X + C + 1, Top + 2 * Scale);
        FillRect(DC, &Column, B);
    }
    DeleteObject(B);
}

void TcbBarItemControlFlatPainter::DrawGlyphImage(const IcbControl* Control, HDC DC, const TRect& ItemRect,
                                                  const TRect& GlyphRect, HBRUSH Brush, TcbPaintFlags State) const
{
    // The box takes its state's brush; at rest it shows the bar's background (picture included).
    const bool Plain = !State.Contains(pfSelected) && !State.Contains(pfDown) && !State.Contains(pfPressed);
    DrawItemBackground(Control, DC, ItemRect, Brush, !Plain);
    const IcbBar* Bar = BarOf(Control);
    TcbBarManager* Manager = ManagerOf(Bar);
    const bool Enabled = State.Contains(pfEnabled) && Control->IsGlyphEnabled();
    TImageList* Images = Control->GetImages();
    if (Manager && Manager->GetLargeIcons() && !InMenu(Control) && Control->GetLargeImages())
        Images = Control->GetLargeImages();
    if (!Enabled && Control->GetDisabledImages())
        Images = Control->GetDisabledImages();
    else if (Enabled && State.Contains(pfSelected) && Control->GetHotImages())
        Images = Control->GetHotImages();
    TcbGlyphDrawFlags Flags{gdCopyBackground};
    if (Enabled || (!State.Contains(pfEnabled) && Control->GetDisabledImages()))
        Flags.Include(gdEnabled);
    if (State.Contains(pfSelected))
        Flags.Include(gdSelected);
    if (State.Contains(pfPressed))
        Flags.Include(gdPressed);
    if (State.Contains(pfDown) || State.Contains(pfChecked))
        Flags.Include(gdChecked);
    DrawItemGlyph(DC, cbResolveBrush(Brush), ItemRect, GlyphRect, Images, Control->GetImageIndex(), Control->GetGlyph(),
                  GetDisabledImageColor(Manager), Manager ? Manager->GetImageListBkColor() : clNone, Flags);
}

void TcbBarItemControlFlatPainter::GetCaptionColors(const IcbControl* Control, TcbPaintFlags State, TColor& Color1,
                                                    TColor& Color2) const
{
    // Captions stand on the light tints: the button text, the highlight text only on a bar's
    // pressed tint (the colours of GetTextColors); a menu row keeps its light tint pressed too.
    if (!State.Contains(pfEnabled)) {
        TcbBarItemControlPainter::GetCaptionColors(Control, State, Color1, Color2);
        return;
    }
    const bool OnPressedTint = State.Contains(pfSelected) && State.Contains(pfPressed) && !InMenu(Control);
    Color1 = OnPressedTint ? clHighlightText : clBtnText;
    Color2 = Color1;
}

TColor TcbBarItemControlFlatPainter::GetFloatingCaptionColor(bool) const
{
    return static_cast<TColor>(GetSysColor(COLOR_INACTIVECAPTION));
}

TColor TcbBarItemControlFlatPainter::GetMarkArrowColor(const IcbBar*, bool Selected) const
{
    // On a hot or pressed button the arrow stands on the light tint, else on the caption.
    return Selected ? clBtnText : clCaptionText;
}

void TcbBarItemControlFlatPainter::DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush,
                                                         const TRect& MarkRect) const
{
    const TcbButtonState State = Bar->GetMarkState();
    if (State == bstPressed) {
        FillWithBarBrush(Bar, DC, FrameBrushOf(Bar), MarkRect);
        return;
    }
    if (State == bstHot)
        DrawSelectedFrame(DC, MarkRect);
    else
        Frame(DC, MarkRect, Brush);
    const TRect Inside = Inflated(MarkRect, -1);
    if (State == bstHot)
        Fill(DC, Inside, Bar->GetSelectedItemBrush());
    else
        Bar->FillBackground(DC, Inside, Brush, clNone);
}

void TcbBarItemControlFlatPainter::DrawBarMarkSymbols(const IcbBar* Bar, HDC DC, const TRect& MarkRect) const
{
    // The Flat and Enhanced marks look alike.
    EnhancedPainter()->DrawBarMarkSymbols(Bar, DC, MarkRect);
}

void TcbBarItemControlFlatPainter::AdjustCaptionTextRect(const IcbBar*, const TRect& MarkRect, TRect& R) const
{
    R.left += 2;
    R.right = MarkRect.left;
}

void TcbBarItemControlFlatPainter::AdjustEditValueRect(const IcbControl*, TRect& R) const
{
    R.top += 2;
}

void TcbBarItemControlFlatPainter::DrawMenuItem(const IcbControl* Control, HDC DC, const TRect& R,
                                                TcbPaintFlags State) const
{
    const IcbBar* Bar = BarOf(Control);
    HBRUSH ColumnBrush = GetBarBrush(ManagerOf(Bar));
    const bool Selected = State.Contains(pfSelected);
    const int32_t Height = R.bottom - R.top;
    if (Selected) {
        DrawSelectedFrame(DC, R);
    } else {
        // The frame's pixels take the colours of what they surround: the glyph column's square
        // (as wide as the row is high) and the rest of the row.
        const int32_t Split = std::min(R.right, R.left + Height);
        const TRect Strips[6] = {
            Rect(R.left, R.top, Split, R.top + 1),         Rect(R.left, R.bottom - 1, Split, R.bottom),
            Rect(R.left, R.top, R.left + 1, R.bottom),     Rect(Split, R.top, R.right, R.top + 1),
            Rect(Split, R.bottom - 1, R.right, R.bottom), Rect(R.right - 1, R.top, R.right, R.bottom),
        };
        for (int32_t I = 0; I < 6; ++I)
            DrawItemBackground(Control, DC, Strips[I], I < 3 ? ColumnBrush : Bar->GetCachedBarBrush(), true);
    }
    const TRect Inner = Inflated(R, -1);
    const int32_t Column = Inner.bottom - Inner.top;
    const TRect Square = Rect(Inner.left, Inner.top, Inner.left + Column, Inner.bottom);
    if (Control->HasGlyph() || State.Contains(pfChecked))
        DrawGlyph(Control, DC, Square, State, dkMenu);
    else
        Fill(DC, Square, GetCheckMarkColor(Control, State));
    const TRect Gap = Rect(Square.right, Inner.top, Square.right + 2, Inner.bottom);
    Fill(DC, Gap, Selected ? Bar->GetSelectedItemBrush() : ColumnBrush);
    const TRect Rest = Rect(Gap.right, Inner.top, Inner.right, Inner.bottom);
    Fill(DC, Rest, Selected ? Bar->GetSelectedItemBrush() : Bar->GetCachedBarBrush());
    const TRect Text = Rect(Gap.right + 8, Inner.top, Inner.right - Column, Inner.bottom);
    const bool Enabled = State.Contains(pfEnabled);
    DrawCaption(Control, DC, Text, true, false, Enabled, State, Control->GetCaption(), DT_LEFT | DT_VCENTER);
    const std::string ShortCut = Control->GetShortCutText();
    if (!ShortCut.empty())
        DrawCaption(Control, DC, Text, true, false, Enabled, State, ShortCut, DT_RIGHT | DT_VCENTER | DT_NOPREFIX);
}

void TcbBarItemControlFlatPainter::DrawLoweredBorder(HDC DC, TRect& R) const
{
    Frame(DC, R, SysBrush(COLOR_BTNSHADOW));
    InflateRect(&R, -1, -1);
}

void TcbBarItemControlFlatPainter::DrawStateEdge(const IcbControl*, HDC DC, TRect& R, int32_t Width) const
{
    for (int32_t I = 0; I < Width; ++I) {
        Frame(DC, R, GetFrameBrush());
        InflateRect(&R, -1, -1);
    }
}

void TcbBarItemControlFlatPainter::DrawBoxFrame(const IcbControl* Control, HDC DC, TRect& R, HBRUSH Brush,
                                                bool Pressed, bool Selected) const
{
    const IcbBar* Bar = BarOf(Control);
    if (Selected && Bar) {
        DrawSelectedFrame(DC, R);
        InflateRect(&R, -1, -1);
        Fill(DC, R, Pressed ? Bar->GetItemBrush() : Bar->GetSelectedItemBrush());
        return;
    }
    HBRUSH Own = Bar ? Bar->GetCachedBarBrush() : Brush;
    Frame(DC, R, Own);
    InflateRect(&R, -1, -1);
    Fill(DC, R, Own);
}

void TcbBarItemControlFlatPainter::GetTextColors(const IcbControl* Control, TcbPaintFlags State, TColor& TextColor,
                                                 HBRUSH& Brush) const
{
    TextColor = clBtnText;
    const IcbBar* Bar = BarOf(Control);
    if (!Bar) {
        Brush = SysBrush(COLOR_BTNFACE);
        return;
    }
    if (State.Contains(pfSelected) && State.Contains(pfPressed)) {
        Brush = Bar->GetItemBrush();
        TextColor = clHighlightText;
    } else if (State.Contains(pfSelected)) {
        Brush = Bar->GetSelectedItemBrush();
    } else {
        Brush = Bar->GetCachedBarBrush();
    }
}

HBRUSH TcbBarItemControlFlatPainter::GetCheckMarkColor(const IcbControl* Control, TcbPaintFlags State) const
{
    const IcbBar* Bar = BarOf(Control);
    if (!Bar)
        return SysBrush(COLOR_BTNFACE);
    const bool Pressed = State.Contains(pfPressed), Down = State.Contains(pfDown);
    if (State.Contains(pfSelected)) {
        if (Pressed && Down)
            return Bar->GetBkBrush();
        return Pressed ? Bar->GetItemBrush() : Bar->GetSelectedItemBrush();
    }
    if (Down)
        return Bar->GetCheckedItemBrush();
    if (InMenu(Control) && !Pressed)
        return GetBarBrush(ManagerOf(Bar));
    return Bar->GetCachedBarBrush();
}

// ---------------------------------------------------------------------------------------------
// Constants and metrics

bool TcbBarItemControlFlatPainter::ShowDroppedDownState() const { return true; }
int32_t TcbBarItemControlFlatPainter::GetDropDownButtonIndent() const { return 1; }

int32_t TcbBarItemControlFlatPainter::GetCaptionOffsetInMenu(const IcbControl* Control) const
{
    if (!InMenu(Control))
        return 0;
    return Control->GetBarWindow()->GetSubMenuMetrics().GlyphColumnWidth + 3;
}

int32_t TcbBarItemControlFlatPainter::GetDockedBarBorderSize() const { return 1; }

int32_t TcbBarItemControlFlatPainter::GetGripAreaSize() const
{
    return GetDockedBarBorderSize() + GetGripWidth(nullptr) + 2;
}

// One less than the base's odd width, so the arrow part of a button is even.
int32_t TcbBarItemControlFlatPainter::GetButtonArrowWidth(const TcbBarManager* Manager) const
{
    return TcbBarItemControlPainter::GetButtonArrowWidth(Manager) - 1;
}

int32_t TcbBarItemControlFlatPainter::GetLargeButtonArrowWidth(const TcbBarManager* Manager) const
{
    return TcbBarItemControlPainter::GetLargeButtonArrowWidth(Manager) - 1;
}

int32_t TcbBarItemControlFlatPainter::GetSubMenuGlyphColumnIndent() const { return 8; }
bool TcbBarItemControlFlatPainter::IsBarBackgroundShared() const { return true; }

void TcbBarItemControlFlatPainter::DrawParentBarBackground(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    // A bar lighter than its dock shows its toolbar brush; a background picture of the dock
    // site or the manager shows through as the base draws it.
    TcbBarManager* Manager = ManagerOf(Bar);
    TBitmap* Picture = Bar->GetBackgroundBitmap();
    if (!Picture && Manager)
        Picture = Manager->GetBackgrounds()->GetBar();
    const bool HasPicture = (Picture && !Picture->GetEmpty()) || Bar->GetBackgroundCache();
    if (HasPicture) {
        TcbBarItemControlPainter::DrawParentBarBackground(Bar, DC, R);
        return;
    }
    Fill(DC, R, GetToolbarBrush(Bar));
}

bool TcbBarItemControlFlatPainter::IsFloatingBarFlat(const IcbBar* Bar) const
{
    return Bar && Bar->GetDockingStyle() == dsNone;
}

HBRUSH TcbBarItemControlFlatPainter::GetBarBrush(const TcbBarManager* Manager) const
{
    return Manager && Manager->GetFlatBarBrush() ? Manager->GetFlatBarBrush()
                                                 : TcbBarItemControlPainter::GetBarBrush(Manager);
}

HBRUSH TcbBarItemControlFlatPainter::GetToolbarBrush(const IcbBar* Bar) const
{
    // The main menu bar and a status bar keep the dock's colour.
    if (Bar && (Bar->IsMainMenu() || Bar->IsStatusBar()))
        return SysBrush(COLOR_BTNFACE);
    return GetBarBrush(ManagerOf(Bar));
}

HBRUSH TcbBarItemControlFlatPainter::GetCheckedItemBrush(const TcbBarManager* Manager) const
{
    return Manager && Manager->GetFlatCheckedItemBrush() ? Manager->GetFlatCheckedItemBrush()
                                                         : TcbBarItemControlPainter::GetCheckedItemBrush(Manager);
}

HBRUSH TcbBarItemControlFlatPainter::GetItemBrush(const TcbBarManager* Manager) const
{
    return Manager && Manager->GetFlatItemBrush() ? Manager->GetFlatItemBrush()
                                                  : TcbBarItemControlPainter::GetItemBrush(Manager);
}

HBRUSH TcbBarItemControlFlatPainter::GetSelectedItemBrush(const TcbBarManager* Manager) const
{
    return Manager && Manager->GetFlatSelectedItemBrush() ? Manager->GetFlatSelectedItemBrush()
                                                          : TcbBarItemControlPainter::GetSelectedItemBrush(Manager);
}

int32_t TcbBarItemControlFlatPainter::GetEditExtraHeight() const { return 7; }
bool TcbBarItemControlFlatPainter::IsCloseButtonHotTracked() const { return true; }
bool TcbBarItemControlFlatPainter::IsBarMarkShown() const { return true; }
int32_t TcbBarItemControlFlatPainter::GetSeparatorOffset() const { return (GetSeparatorSize() - 1) / 2; }
int32_t TcbBarItemControlFlatPainter::GetSeparatorSize() const { return 5; }

// ---------------------------------------------------------------------------------------------
// Bars

void TcbBarItemControlFlatPainter::DrawBarSeparator(const IcbBar* Bar, HDC DC, const TRect& R,
                                                    bool Horizontal) const
{
    // On a horizontal bar the separator is a vertical line: background strips left and right,
    // the shadow line at the left of what lies between; on a vertical bar the same turned. The
    // strips take the bar's own background, the toolbar brush.
    const int32_t Offset = GetSeparatorOffset();
    HBRUSH Brush = cbResolveBrush(GetToolbarBrush(Bar));
    TRect Middle = R;
    if (Horizontal) {
        Bar->FillBackground(DC, Rect(R.left, R.top, R.left + Offset, R.bottom), Brush, clNone);
        Bar->FillBackground(DC, Rect(R.right - Offset, R.top, R.right, R.bottom), Brush, clNone);
        Middle.left += Offset;
        Middle.right -= Offset;
        Fill(DC, Rect(Middle.left, Middle.top, Middle.left + 1, Middle.bottom), SysBrush(COLOR_BTNSHADOW));
        if (Middle.right > Middle.left + 1)
            Bar->FillBackground(DC, Rect(Middle.left + 1, Middle.top, Middle.right, Middle.bottom), Brush, clNone);
    } else {
        Bar->FillBackground(DC, Rect(R.left, R.top, R.right, R.top + Offset), Brush, clNone);
        Bar->FillBackground(DC, Rect(R.left, R.bottom - Offset, R.right, R.bottom), Brush, clNone);
        Middle.top += Offset;
        Middle.bottom -= Offset;
        Fill(DC, Rect(Middle.left, Middle.top, Middle.right, Middle.top + 1), SysBrush(COLOR_BTNSHADOW));
        if (Middle.bottom > Middle.top + 1)
            Bar->FillBackground(DC, Rect(Middle.left, Middle.top + 1, Middle.right, Middle.bottom), Brush, clNone);
    }
}

void TcbBarItemControlFlatPainter::DrawFlatCloseButton(const IcbBar* Bar, HDC DC, const TRect& R,
                                                       TcbButtonState State) const
{
    // At rest the button is the caption; hot and pressed it is a framed tint.
    if (State == bstNormal) {
        FillColor(DC, R, ColorToRGB(GetFloatingCaptionColor(Bar->IsOwnerFormActive())));
        return;
    }
    DrawSelectedFrame(DC, R);
    Fill(DC, Inflated(R, -1), State == bstPressed ? Bar->GetItemBrush() : Bar->GetSelectedItemBrush());
}

void TcbBarItemControlFlatPainter::DrawCloseButton(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    const TcbButtonState State = Bar->GetCloseButtonState();
    DrawFlatCloseButton(Bar, DC, R, State);
    // The cross: a square of even width inside, its two diagonals drawn twice side by side.
    TRect C = R;
    InflateRect(&C, -3, -4);
    if ((C.right - C.left) % 2 != 0)
        --C.right;
    const int32_t W = C.right - C.left;
    if (W < 2)
        return;
    C.bottom = C.top + W - 1;
    const COLORREF Ink = ColorToRGB(GetMarkArrowColor(Bar, State != bstNormal));
    for (int32_t X = 0; X < 2; ++X) {
        Line(DC, Ink, C.left + X, C.top, C.right - 1 + X, C.bottom);
        Line(DC, Ink, C.left + X, C.bottom - 1, C.right - 1 + X, C.top - 1);
    }
}

void TcbBarItemControlFlatPainter::DrawDockedBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const
{
    // A ring in the dock's colour with rounded corners around a bar lighter than its dock.
    Frame(DC, R, SysBrush(COLOR_BTNFACE));
    InflateRect(&R, -1, -1);
    const COLORREF Face = GetSysColor(COLOR_BTNFACE);
    SetPixelV(DC, R.left, R.top, Face);
    SetPixelV(DC, R.right - 1, R.top, Face);
    SetPixelV(DC, R.left, R.bottom - 1, Face);
    SetPixelV(DC, R.right - 1, R.bottom - 1, Face);
    InflateRect(&R, -1, -1);
    if (!Bar->CanMove())
        return;
    TcbBarManager* Manager = ManagerOf(Bar);
    const int32_t Border = Manager ? Manager->GetDockedBarBorderSize() : GetDockedBarBorderSize();
    const int32_t Grip = GetGripWidth(Bar);
    const bool Vertical = IsVerticalDock(Bar->GetDockingStyle());
    const TRect G = Vertical ? Rect(R.left + 3, R.top + Border, R.right - 3, R.top + Border + Grip)
                             : Rect(R.left + Border, R.top + 3, R.left + Border + Grip, R.bottom - 3);
    // Stripes across the grip's length, counted from its first row (column): shadow first.
    HBRUSH Shadow = SysBrush(COLOR_BTNSHADOW);
    if (Vertical) {
        for (int32_t X = G.left; X < G.right; ++X)
            Fill(DC, Rect(X, G.top, X + 1, G.bottom), (X - G.left) % 2 == 0 ? Shadow : Brush);
    } else {
        for (int32_t Y = G.top; Y < G.bottom; ++Y)
            Fill(DC, Rect(G.left, Y, G.right, Y + 1), (Y - G.top) % 2 == 0 ? Shadow : Brush);
    }
}

void TcbBarItemControlFlatPainter::DrawFloatingBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const
{
    DrawFrameRectFlat(DC, R, FrameBrushOf(Bar));
    InflateRect(&R, -1, -1);
    Frame(DC, R, SysBrush(COLOR_BTNHIGHLIGHT));
    InflateRect(&R, -1, -1);
    // Frames in the bar's brush inward until the client area; the caption above it is drawn
    // over them afterwards.
    const TPoint Offset = Bar->GetClientOffset();
    TRect Client = Bar->GetClientRect();
    OffsetRect(&Client, Offset.x, Offset.y);
    while (R.left < Client.left && R.right > Client.right && R.bottom > Client.bottom && R.left < R.right &&
           R.top < R.bottom) {
        Frame(DC, R, Brush);
        InflateRect(&R, -1, -1);
    }
}

void TcbBarItemControlFlatPainter::DrawMark(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    if (Bar->CanClose())
        FillColor(DC, Rect(R.right, R.top, R.right + 1, R.bottom),
                  ColorToRGB(GetFloatingCaptionColor(Bar->IsOwnerFormActive())));
    const TcbButtonState State = Bar->GetMarkState();
    if (State == bstPressed)
        FillWithBarBrush(Bar, DC, FrameBrushOf(Bar), R);
    else
        DrawFlatCloseButton(Bar, DC, R, State);
    TcbBarItemControlPainter::DrawMark(Bar, DC, R);
}

void TcbBarItemControlFlatPainter::DrawMDIButton(const IcbBar* Bar, HDC DC, const TRect& R, TcbMDIButton Button,
                                                 bool Pressed, bool Enabled) const
{
    if (Pressed) {
        DrawSelectedFrame(DC, R);
        Fill(DC, Inflated(R, -1), Bar->GetItemBrush());
    } else {
        Bar->FillBackground(DC, R, Bar->GetCachedBarBrush(), clNone);
    }
    static constexpr UINT kKinds[3] = {DFCS_CAPTIONMIN, DFCS_CAPTIONRESTORE, DFCS_CAPTIONCLOSE};
    TRect Glyph = Inflated(R, -1);
    DrawFrameControl(DC, &Glyph, DFC_CAPTION, kKinds[Button] | DFCS_FLAT | DFCS_TRANSPARENT | (Enabled ? 0 : DFCS_INACTIVE));
}

void TcbBarItemControlFlatPainter::CalcMarkRect(const IcbBar* Bar, TRect& R) const
{
    const TRect C = Bar->GetClientRect();
    const int32_t W = C.right - C.left, H = C.bottom - C.top;
    switch (Bar->GetDockingStyle()) {
    case dsTop:
    case dsBottom:
        R = Rect(W - 11, 0, W, H);
        break;
    case dsLeft:
    case dsRight:
        R = Rect(0, H - 11, W, H);
        break;
    case dsNone:
        R = Rect(C.right - H, C.top, C.right, C.bottom);
        if (Bar->CanClose())
            OffsetRect(&R, -(GetCloseButtonSize().cx + 1), 0);
        R.left = std::max(R.left, C.left);
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Quick customization, drop-down parts, edits and combos

HBRUSH TcbBarItemControlFlatPainter::GetQuickControlBrush(const IcbBar*) const
{
    return SysBrush(COLOR_WINDOW);
}

int32_t TcbBarItemControlFlatPainter::DrawQuickCustCheckArea(const IcbControl* Control, HDC DC, const TRect& R,
                                                             bool Checked, bool Selected) const
{
    const int32_t Height = R.bottom - R.top;
    const TRect Square = Rect(R.left, R.top, R.left + Height, R.bottom);
    if (Checked)
        TcbBarItemControlPainter::DrawQuickCustCheckArea(Control, DC, Square, Checked, Selected);
    else
        DrawFramedBackground(Control, DC, Square, GetBarBrush(ManagerOf(BarOf(Control))), false);
    TRect Inner = Inflated(R, -1);
    Inner.right = Inner.left + (Inner.bottom - Inner.top);
    return Inner.right + 1;
}

void TcbBarItemControlFlatPainter::DrawQuickCustItemBackground(const IcbControl* Control, HDC DC, bool Selected,
                                                               const TRect& R1, const TRect& R2) const
{
    if (!Selected || !BarOf(Control))
        return;
    DrawSelectedFrame(DC, R2);
    Fill(DC, Rect(R1.right, R1.top, R1.right + 2, R1.bottom), BarOf(Control)->GetSelectedItemBrush());
}

bool TcbBarItemControlFlatPainter::IsQuickPopupLeftAligned() const { return true; }
void TcbBarItemControlFlatPainter::AdjustGlyphColumnWidth(int32_t& Width) const { Width += 2; }
void TcbBarItemControlFlatPainter::AdjustMenuButtonWidth(int32_t& Width) const { Width += 9; }

void TcbBarItemControlFlatPainter::DrawDropDownPart(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                                                    TcbPaintFlags Flags, int32_t ArrowKind) const
{
    const bool Hot = Flags.Contains(pfSelected);
    TRect Part = R;
    if (ArrowKind == 1) {
        Frame(DC, Part, Brush);
    } else {
        ++Part.left;
        if (Hot)
            DrawSelectedFrame(DC, Part);
        else
            Frame(DC, Part, SysBrush(COLOR_BTNSHADOW));
    }
    const TRect Inside = Inflated(Part, -1);
    DrawItemBackground(Control, DC, Inside, Brush, Hot || Flags.Contains(pfPressed) || Flags.Contains(pfMarked));
    const bool Enabled = Flags.Contains(pfEnabled);
    if (ArrowKind == 1)
        DrawSizedArrow(DC, Inside, true, Enabled, false, std::max<int32_t>(2, (Inside.right - Inside.left) / 3));
    else
        DrawCenteredArrow(DC, Inside, true, Enabled, false);
}

bool TcbBarItemControlFlatPainter::IsSubMenuAttached() const { return true; }

void TcbBarItemControlFlatPainter::DrawComboButton(const IcbControl* Control, HDC DC, const TRect& R,
                                                   TcbPaintFlags State) const
{
    const IcbBar* Bar = BarOf(Control);
    const bool Enabled = State.Contains(pfEnabled);
    if (Enabled && (State.Contains(pfPressed) || State.Contains(pfDroppedDown))) {
        DrawSelectedFrame(DC, R);
        Fill(DC, Inflated(R, -1), Bar->GetItemBrush());
    } else if (Enabled && State.Contains(pfSelected)) {
        DrawSelectedFrame(DC, R);
        Fill(DC, Inflated(R, -1), Bar->GetSelectedItemBrush());
    } else {
        Bar->FillBackground(DC, R, Bar->GetCachedBarBrush(), clNone);
    }
    DrawSizedArrow(DC, R, true, Enabled, false, std::max<int32_t>(2, (R.right - R.left - 3) / 3));
}

void TcbBarItemControlFlatPainter::GetComboColors(const IcbControl* Control, TcbPaintFlags State, TColor& TextColor,
                                                  HBRUSH& Brush) const
{
    TcbBarItemControlPainter::GetComboColors(Control, State, TextColor, Brush);
    const IcbBar* Bar = BarOf(Control);
    // A combo in a menu row that is not hot stands on the bar's colour, not on the row's white.
    if (Bar && InMenu(Control) && !State.Contains(pfSelected))
        Brush = Bar->GetBarBrush();
    if (!State.Contains(pfEnabled))
        TextColor = clBtnShadow;
}

int32_t TcbBarItemControlFlatPainter::GetDropDownListBorder() const { return 2; }

void TcbBarItemControlFlatPainter::DrawDropDownListBorder(HDC DC, const TRect& R) const
{
    Frame(DC, R, SysBrush(COLOR_BTNSHADOW));
    Frame(DC, Inflated(R, -1), SysBrush(COLOR_WINDOW));
}

// ---------------------------------------------------------------------------------------------
// Sub-items and menus

int32_t TcbBarItemControlFlatPainter::GetSubItemArrowWidth(const IcbControl* Control) const
{
    if (BarOf(Control) && BarOf(Control)->IsMainMenu())
        return 8;
    return TcbBarItemControlPainter::GetSubItemArrowWidth(Control);
}

int32_t TcbBarItemControlFlatPainter::GetSubItemHeight(const IcbControl* Control) const
{
    const int32_t Height = TcbBarItemControlPainter::GetSubItemHeight(Control);
    return BarOf(Control) && BarOf(Control)->GetKind() == bwkToolbar ? Height : Height + 2;
}

int32_t TcbBarItemControlFlatPainter::GetSubItemWidth(const IcbControl* Control) const
{
    const int32_t Width = TcbBarItemControlPainter::GetSubItemWidth(Control);
    return InMenu(Control) ? Width + 9 : Width;
}

void TcbBarItemControlFlatPainter::DrawSubItem(const IcbControl* Control, HDC DC, const TRect& R,
                                               TcbPaintFlags State, TcbDrawKind Kind) const
{
    const IcbBar* Bar = BarOf(Control);
    const bool Enabled = State.Contains(pfEnabled);
    if (Kind == dkMenu) {
        DrawMenuItem(Control, DC, R, State);
        const int32_t Size = std::max<int32_t>(2, Bar->GetSubMenuMetrics().ArrowSize / 2 - 1);
        const int32_t Height = R.bottom - R.top;
        DrawSizedArrow(DC, Rect(R.right - Height, R.top, R.right, R.bottom), false, Enabled, false, Size);
        return;
    }
    TColor TextColor = clBtnText;
    HBRUSH Brush = nullptr;
    GetTextColors(Control, State, TextColor, Brush);
    DrawItemBackground(Control, DC, R, Brush, State.Contains(pfSelected));
    if (State.Contains(pfSelected))
        DrawSelectedFrame(DC, R);
    DrawSubItemContent(Control, DC, R, State, Kind);
}

void TcbBarItemControlFlatPainter::DrawSubItemContent(const IcbControl* Control, HDC DC, const TRect& R,
                                                      TcbPaintFlags State, TcbDrawKind Kind) const
{
    const IcbBar* Bar = BarOf(Control);
    const bool Enabled = State.Contains(pfEnabled);
    TcbBarManager* Manager = ManagerOf(Bar);
    const TcbBarPaintStyle Style = Control->GetRealPaintStyle();
    const bool ShowsCaption = Style != psStandard || !Control->HasGlyph();
    const bool Vertical = Kind == dkVertical;
    TRect Text = R;
    if (Control->HasGlyph() && Style != psCaption)
        DrawGlyph(Control, DC, R, State, Kind);
    const int32_t ArrowWidth = Bar->IsMainMenu() ? 0 : GetSubItemArrowWidth(Control);
    if ((Control->HasGlyph() || !ShowsCaption) && Manager) {
        if (Vertical)
            Text.top += Manager->GetButtonHeight();
        else
            Text.left += Manager->GetButtonWidth();
    } else if (Vertical) {
        Text.top += Bar->GetSpacingUnit();
    } else {
        Text.left += Bar->GetSpacingUnit();
    }
    if (Vertical)
        Text.bottom -= ArrowWidth;
    else
        Text.right -= ArrowWidth;
    if (ShowsCaption)
        DrawCaption(Control, DC, Text, true, Vertical, Enabled, State, Control->GetCaption(),
                    DT_LEFT | DT_VCENTER);
    // The main menu's titles carry no arrow; a sub-item on any other bar does.
    if (Bar->IsMainMenu())
        return;
    const int32_t Size = std::max<int32_t>(2, FontTextHeight(Bar->GetFontHandle()) / 4);
    const TRect Arrow = Vertical ? Rect(R.left, R.bottom - ArrowWidth, R.right, R.bottom)
                                 : Rect(R.right - ArrowWidth, R.top, R.right, R.bottom);
    DrawSizedArrow(DC, Arrow, !Vertical, Enabled, State.Contains(pfSelected) && State.Contains(pfPressed), Size);
}

int32_t TcbBarItemControlFlatPainter::GetSubMenuBeginGroupSize() const { return 5; }
int32_t TcbBarItemControlFlatPainter::GetSubMenuBorderWidth() const { return 2; }

void TcbBarItemControlFlatPainter::CalcSubMenuMetrics(const IcbBar* Menu, HDC DC, TcbSubMenuMetrics& Metrics) const
{
    TcbBarItemControlPainter::CalcSubMenuMetrics(Menu, DC, Metrics);
    const int32_t H = Metrics.TextHeight + 1;
    Metrics.TextHeight = H;
    Metrics.ArrowSize = H / 4 * 3 + 1;
    // The base counts "0" one wider, this style one narrower. When the expand mark that width
    // gives ((N - 4) div 2 here) is odd, the width becomes (mark - 1) x 2 + 6 = 2 x mark + 4:
    // the narrowest width that gives the same mark, so the mark keeps its size and an odd
    // width gives up its spare pixel.
    int32_t Digit = Metrics.DigitSize - 2;
    const int32_t Mark = CalcExpandMarkSize(Digit);
    if (Mark % 2 != 0)
        Digit = (Mark - 1) * 2 + 6;
    Metrics.DigitSize = Digit;
    Metrics.ColumnMinimum = 20;
}

void TcbBarItemControlFlatPainter::CalcSubMenuItemsRect(const IcbBar* Menu, TcbSubMenuItemsArea& Area) const
{
    const TRect Client = Menu->GetClientRect();
    Area.ItemsRect = Rect(Menu->GetBarSize() + 1, 1, Client.right - Client.left - 1,
                          Client.bottom - Client.top - 1 - Menu->GetBottomReserve());
    Area.FirstVisibleIndex = Menu->GetFirstVisibleIndex();
    Area.ScrollLimit = Menu->CanScrollUp() || Menu->CanScrollDown() ? Menu->GetItemControlCount() - 1 : 0x7FFFFFFF;
}

TSize TcbBarItemControlFlatPainter::CalcSubMenuSize(const IcbBar* Menu) const
{
    int32_t Widest = 0, Rows = 0;
    const int32_t Count = cbPainterShared::MeasureSubMenuRows(*this, Menu, Widest, Rows);
    TSize Size{Count == 0 ? 100 : Widest + Menu->GetBarSize() + 4, Rows + Menu->GetBottomReserve() + 3};
    if (Menu->IsDetachable())
        Size.cy += GetDetachBandHeight(Menu);
    return Size;
}

int32_t TcbBarItemControlFlatPainter::GetDetachBandHeight(const IcbBar* Menu) const
{
    return Menu->GetDetachCaptionHeight() + 1;
}

void TcbBarItemControlFlatPainter::DrawSubMenuContent(const IcbBar* Menu, HDC DC) const
{
    const TRect Client = Menu->GetClientRect();
    HBRUSH Background = Menu->GetBkBrush();
    TcbSubMenuItemsArea Area;
    CalcSubMenuItemsRect(Menu, Area);
    const TRect& Items = Area.ItemsRect;
    // The one-pixel ring around the rows that the side band leaves.
    Fill(DC, Rect(Client.left + 1, Client.top, Client.right, Items.top), Background);
    Fill(DC, Rect(Items.right, Items.top, Client.right, Client.bottom), Background);
    Fill(DC, Rect(Client.left + 1, Client.bottom - 1, Items.right, Client.bottom), Background);
    const TcbSubMenuMetrics M = Menu->GetSubMenuMetrics();
    // A command row's height, as GetSubItemHeight measures it in a menu.
    const int32_t Row = std::max(M.TextHeight + 4, M.ColumnMinimum - 2) + 2;
    int32_t Top = Items.top;
    int32_t Bottom = Items.bottom;
    if (Menu->CanScrollUp()) {
        const TRect Arrow = Rect(Items.left, Top, Items.right, Top + Row);
        Fill(DC, Arrow, Background);
        DrawSubMenuScrollArrow(Menu, DC, Arrow, true);
        Top += Row;
    }
    if (Menu->CanScrollDown()) {
        const TRect Arrow = Rect(Items.left, Bottom - Row, Items.right, Bottom);
        Fill(DC, Arrow, Background);
        DrawSubMenuScrollArrow(Menu, DC, Arrow, false);
        Bottom -= Row;
    }
    // Below the last row shown.
    int32_t Y = Top;
    for (int32_t I = std::max(0, Menu->GetFirstVisibleIndex()); I < Menu->GetItemControlCount() && Y < Bottom; ++I) {
        const IcbControl* Control = Menu->GetItemControl(I);
        if (I > Menu->GetFirstVisibleIndex() && Control->IsBeginGroup())
            Y += GetSubMenuBeginGroupSize();
        Y += Control->GetHeight();
    }
    if (Y < Bottom)
        Fill(DC, Rect(Items.left, Y, Items.right, Bottom), Background);
    if (Menu->HasExpandButton()) {
        const TRect Expand = Rect(Items.left, Items.bottom, Items.right, Items.bottom + Menu->GetBottomReserve());
        const TcbButtonState State = Menu->GetExpandMarkState();
        if (State == bstHot) {
            DrawSelectedFrame(DC, Expand);
            Fill(DC, Inflated(Expand, -1), Menu->GetSelectedItemBrush());
        } else {
            Fill(DC, Expand, Background);
        }
        DrawSubMenuExpandButton(Menu, DC, Expand, State);
        ExcludeClipRect(DC, Expand.left, Expand.top, Expand.right, Expand.bottom);
    }
    IntersectClipRect(DC, Items.left, Items.top, Items.right, Items.bottom);
}

void TcbBarItemControlFlatPainter::DrawSubMenuBorder(const IcbBar* Menu, HDC DC, const TRect& WindowRect) const
{
    TRect R = WindowRect;
    DrawFrameRectFlat(DC, R, FrameBrushOf(Menu));
    DrawParentItemEdge(Menu, DC, cbResolveBrush(Menu->GetBkBrush()));
    if (!Menu->IsDetachable())
        return;
    InflateRect(&R, -1, -1);
    const int32_t Caption = Menu->GetDetachCaptionHeight();
    HBRUSH Window = SysBrush(COLOR_WINDOW);
    Fill(DC, Rect(R.left, R.top, R.right, R.top + 1), Window);
    Fill(DC, Rect(R.left, R.top + 1, R.left + 1, R.top + 1 + Caption), Window);
    Fill(DC, Rect(R.right - 1, R.top + 1, R.right, R.top + 1 + Caption), Window);
    DrawDetachBand(Menu, DC, Rect(R.left + 1, R.top + 1, R.right - 1, R.top + 1 + Caption));
}

void TcbBarItemControlFlatPainter::DrawSubMenuSideBand(const IcbBar*, HDC DC, HBRUSH Brush,
                                                       const TRect& ClientRect) const
{
    Fill(DC, Rect(ClientRect.left, ClientRect.top + 1, ClientRect.left + 1, ClientRect.bottom - 1), Brush);
}

void TcbBarItemControlFlatPainter::DrawDetachBand(const IcbBar* Menu, HDC DC, const TRect& R) const
{
    const bool Hot = Menu->IsDetachBandHot();
    if (Hot) {
        DrawSelectedFrame(DC, R);
        Fill(DC, Inflated(R, -1), Menu->GetSelectedItemBrush());
    } else {
        Fill(DC, R, GetBarBrush(ManagerOf(Menu)));
    }
    // The drag handle: 33 pixels wide in the middle, every second row a line from the first.
    const int32_t Left = R.left + (R.right - R.left - 33) / 2;
    HBRUSH Ink = SysBrush(Hot ? COLOR_BTNTEXT : COLOR_BTNSHADOW);
    for (int32_t Y = R.top + 1; Y < R.bottom - 1; Y += 2)
        Fill(DC, Rect(std::max<int32_t>(Left, R.left), Y, std::min<int32_t>(Left + 33, R.right), Y + 1), Ink);
}

void TcbBarItemControlFlatPainter::DrawSubMenuBeginGroup(const IcbBar* Menu, const IcbControl* Control, HDC DC) const
{
    const TRect Item = Control->GetItemRect();
    const int32_t Caption = GetCaptionOffsetInMenu(Control);
    const TRect Band = Rect(Item.left, Item.top - GetSubMenuBeginGroupSize(), Item.right, Item.top);
    Fill(DC, Rect(Band.left, Band.top, Band.left + Caption, Band.bottom), GetBarBrush(ManagerOf(Menu)));
    // A rarely used row is filled with the window's own brush; the band above it follows.
    HBRUSH Rest = Control->IsRarelyUsed() ? Menu->GetCachedBarBrush() : GetSubMenuBrush();
    Fill(DC, Rect(Band.left + Caption, Band.top, Band.right, Band.bottom), Rest);
    const int32_t Middle = (Band.top + Band.bottom) / 2;
    Fill(DC, Rect(Band.left + Caption + GetSubMenuGlyphColumnIndent(), Middle, Band.right, Middle + 1),
         GetFlatBorderBrush());
}

int32_t TcbBarItemControlFlatPainter::CalcExpandMarkSize(int32_t Height) const { return (Height - 4) / 2; }
void TcbBarItemControlFlatPainter::AdjustDetachBandRect(TRect& R) const { InflateRect(&R, -2, -2); }

void TcbBarItemControlFlatPainter::PrepareSubMenuItemRow(const IcbControl*, HBRUSH& Brush) const
{
    Brush = GetSubMenuBrush();
}

HBRUSH TcbBarItemControlFlatPainter::GetSubMenuBrush() const
{
    return SysBrush(COLOR_WINDOW);
}

void TcbBarItemControlFlatPainter::DrawComboListItem(HDC DC, const TRect& R, const std::string& Text,
                                                     bool Selected) const
{
    if (Selected) {
        // The hot tint of the manager's selected-item brush, made from the same system colours.
        FillColor(DC, R, ColorToRGB(GetHotTintColor()));
        DrawSelectedFrame(DC, R);
    } else {
        Fill(DC, R, SysBrush(COLOR_WINDOW));
    }
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = SetTextColor(DC, GetSysColor(Selected ? COLOR_BTNTEXT : COLOR_WINDOWTEXT));
    TRect Where = R;
    Where.left += 2;
    DrawTextA(DC, Text.c_str(), static_cast<int>(Text.size()), &Where, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
}

int32_t TcbBarItemControlFlatPainter::CalcEditCaptionWidth(const IcbControl*, int32_t CaptionTextWidth) const
{
    return CaptionTextWidth + 11;
}

void TcbBarItemControlFlatPainter::DrawEditBorder(const IcbControl* Control, HDC DC, bool Selected, TcbDrawKind Kind,
                                                  TRect& R) const
{
    const IcbBar* Bar = BarOf(Control);
    if (Selected)
        DrawSelectedFrame(DC, R);
    else if (!Control->IsEnabled() || !Bar)
        Frame(DC, R, SysBrush(COLOR_BTNSHADOW));
    else if (Kind == dkMenu)
        // On the menu's white row the box gets the bar colour's frame; elsewhere the bar's own
        // colour around it is the frame.
        Frame(DC, R, Bar->GetBarBrush());
    else
        DrawFramedBackground(Control, DC, R, Bar->GetCachedBarBrush(), false);
    InflateRect(&R, -1, -1);
}

void TcbBarItemControlFlatPainter::DrawEditCaption(const IcbControl* Control, HDC DC, const TRect& R,
                                                   TcbPaintFlags State) const
{
    TColor TextColor = clBtnText;
    HBRUSH Brush = nullptr;
    GetTextColors(Control, State - TcbPaintFlags{pfPressed}, TextColor, Brush);
    DrawItemBackground(Control, DC, R, Brush, State.Contains(pfSelected));
    if (State.Contains(pfSelected))
        DrawSelectedFrame(DC, R);
    TRect Text = R;
    Text.left += 5;
    DrawCaption(Control, DC, Text, true, false, State.Contains(pfEnabled), State - TcbPaintFlags{pfSelected},
                Control->GetCaption(), DT_LEFT | DT_VCENTER);
}

void TcbBarItemControlFlatPainter::DrawEditText(const IcbControl* Control, HDC DC, const TRect& R,
                                                TcbPaintFlags State) const
{
    TColor Text = clWindowText, Back = clWindow;
    GetEditColors(Control, State, Text, Back);
    HRGN Saved = nullptr;
    bool HadRgn = false;
    SaveClipRgn(DC, Saved, HadRgn);
    AddClipRect(DC, R);
    FillColor(DC, R, ColorToRGB(Back));
    TRect Where = R;
    InflateRect(&Where, -2, 0);
    AdjustEditValueRect(Control, Where);
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = SetTextColor(DC, ColorToRGB(Text));
    const std::string Value = Control->GetText();
    DrawTextA(DC, Value.c_str(), static_cast<int>(Value.size()), &Where, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
    RestoreClipRgn(DC, Saved, HadRgn);
}

// ---------------------------------------------------------------------------------------------
// The in-place editor and the item kinds the framework's own items never use

DWORD TcbBarItemControlFlatPainter::GetInPlaceEditStyle() const
{
    return TcbBarItemControlPainter::GetInPlaceEditStyle() | ES_MULTILINE;
}

void TcbBarItemControlFlatPainter::SetupInPlaceEdit(HWND Edit) const
{
    // The editor covers the control's edit box: its client area is that box at the origin. The
    // text keeps two pixels off every side, as the box draws it when not editing.
    RECT R{};
    GetClientRect(Edit, &R);
    InflateRect(&R, -2, -2);
    SendMessageA(Edit, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&R));
}

void TcbBarItemControlFlatPainter::InitInPlaceEditSelection(HWND Edit, bool Changed) const
{
    // A value changed before editing began is announced to the edit's parent as the edit's own
    // change notification.
    if (Changed) {
        if (HWND Parent = GetParent(Edit))
            SendMessageA(Parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Edit), EN_CHANGE), reinterpret_cast<LPARAM>(Edit));
    }
    TcbBarItemControlPainter::InitInPlaceEditSelection(Edit, Changed);
}

void TcbBarItemControlFlatPainter::DrawWindowFrame(HWND Wnd, HDC DC, bool) const
{
    RECT R{};
    if (Wnd) {
        GetWindowRect(Wnd, &R);
        OffsetRect(&R, -R.left, -R.top);
    } else {
        GetClipBox(DC, &R);
    }
    FrameRect(DC, &R, SysBrush(COLOR_BTNSHADOW));
    for (int32_t I = 1; I < GetFloatingBorderWidth(); ++I) {
        InflateRect(&R, -1, -1);
        FrameRect(DC, &R, SysBrush(COLOR_BTNFACE));
    }
}

bool TcbBarItemControlFlatPainter::UseFlatWindowFrame() const { return true; }

void TcbBarItemControlFlatPainter::DrawFramedItem(const IcbControl* Control, HDC DC, const TRect& R,
                                                  const std::string& Caption, bool Pushed) const
{
    if (Pushed && BarOf(Control)) {
        DrawSelectedFrame(DC, R);
        Fill(DC, Inflated(R, -1), BarOf(Control)->GetItemBrush());
    } else {
        Frame(DC, R, GetFlatBorderBrush());
        Fill(DC, Inflated(R, -1), BarOf(Control) ? BarOf(Control)->GetCachedBarBrush() : SysBrush(COLOR_BTNFACE));
    }
    DrawCaption(Control, DC, Inflated(R, -2), true, false, true, TcbPaintFlags{pfEnabled}, Caption,
                DT_CENTER | DT_VCENTER);
}

void TcbBarItemControlFlatPainter::DrawLinedItem(const IcbControl* Control, HDC DC, const TRect& R,
                                                 const std::string& Caption) const
{
    Fill(DC, Rect(R.left, R.bottom - 1, R.right, R.bottom), GetFlatBorderBrush());
    DrawCaption(Control, DC, Rect(R.left, R.top, R.right, R.bottom - 1), true, false, true, TcbPaintFlags{pfEnabled},
                Caption, DT_LEFT | DT_VCENTER);
}

int32_t TcbBarItemControlFlatPainter::GetFlatContentIndent() const { return 9; }

void TcbBarItemControlFlatPainter::DrawCaptionedSeparator(const IcbControl* Control, HDC DC, const TRect& R,
                                                          const std::string& Caption) const
{
    Fill(DC, R, GetBarBrush(ManagerOf(BarOf(Control))));
    Fill(DC, Rect(R.left, R.bottom - 1, R.right, R.bottom), GetFlatBorderBrush());
    TRect Text = R;
    Text.left += GetFlatContentIndent();
    Text.bottom -= 1;
    DrawCaption(Control, DC, Text, true, false, true, TcbPaintFlags{pfEnabled}, Caption, DT_LEFT | DT_VCENTER);
}

// ---------------------------------------------------------------------------------------------

TcbPainterClass FlatPainter()
{
    static const TcbBarItemControlFlatPainter Instance;
    return &Instance;
}

void cbFlatPainterInit()
{
    RegisterStylePainter(bmsFlat, FlatPainter());
}
