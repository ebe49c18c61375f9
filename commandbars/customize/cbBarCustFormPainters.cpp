#include "commandbars/customize/cbBarCustFormPainters.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include <windows.h>
#include <vssym32.h>

#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/foundation/cbTheme.h"
#include "platform/win/Bitmap.h"
#include "platform/win/ImageList.h"

namespace {

// The glyph column of the Standard and XP rows, and the width of a drop-down button's arrow part.
constexpr int32_t kColumnWidth = 23;
constexpr int32_t kArrowPartWidth = 13;
// DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX
constexpr UINT kCaptionFlags = DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | DT_NOPREFIX;

TRect Inflated(TRect R, int32_t D)
{
    InflateRect(&R, D, D);
    return R;
}

void FillWith(TCanvas* Canvas, const TRect& R, TColor Color)
{
    Canvas->GetBrush()->SetColor(Color);
    Canvas->FillRect(R);
}

void FrameWith(TCanvas* Canvas, const TRect& R, TColor Color)
{
    Canvas->GetBrush()->SetColor(Color);
    Canvas->FrameRect(R);
}

// A vertical one-pixel line from Top down to, not including, Bottom.
void VLine(TCanvas* Canvas, int32_t X, int32_t Top, int32_t Bottom, TColor Color)
{
    FillWith(Canvas, Rect(X, Top, X + 1, Bottom), Color);
}

void FrameWithBrush(TCanvas* Canvas, const TRect& R, HBRUSH Brush)
{
    FrameRect(Canvas->GetHandle(), &R, Brush);
}

bool IsEdit(TcbBarItem* Item)
{
    return dynamic_cast<TcbBarEdit*>(Item) != nullptr;
}

bool IsCombo(TcbBarItem* Item)
{
    return dynamic_cast<TCustomcbBarCombo*>(Item) != nullptr;
}

bool IsDropDownButton(TcbBarItem* Item)
{
    auto* Button = dynamic_cast<TcbBarButton*>(Item);
    return Button && Button->GetButtonStyle() == bsDropDown;
}

// Sub-items open a menu; container items only when their first link does not begin a group
// (their caption is then bracketed instead).
bool HasSubMenuArrow(TcbBarItem* Item)
{
    if (auto* Container = dynamic_cast<TCustomcbBarContainerItem*>(Item))
        return !Container->FirstLinkBeginsGroup();
    return dynamic_cast<TCustomcbBarSubItem*>(Item) != nullptr;
}

std::string RowCaption(TcbBarItem* Item, const std::string& Caption)
{
    auto* Container = dynamic_cast<TCustomcbBarContainerItem*>(Item);
    return Container && Container->FirstLinkBeginsGroup() ? "(" + Caption + ")" : Caption;
}

TBitmap* GlyphOf(TcbBarItem* Item)
{
    TBitmap* Glyph = Item ? Item->GetGlyph() : nullptr;
    return Glyph && !Glyph->GetEmpty() ? Glyph : nullptr;
}

bool HasGlyph(TcbBarItem* Item)
{
    return Item && (GlyphOf(Item) || Item->IsImageIndexValid());
}

// The glyph's rectangle centred in Area (halves truncated): the bitmap's size, else the image
// list's.
TRect GlyphRectIn(TcbBarItem* Item, const TRect& Area)
{
    int32_t W = 0, H = 0;
    if (TBitmap* Glyph = GlyphOf(Item)) {
        W = Glyph->GetWidth();
        H = Glyph->GetHeight();
    } else if (TImageList* Images = Item->GetImages()) {
        W = Images->GetWidth();
        H = Images->GetHeight();
    }
    const int32_t L = Area.left + (Area.right - Area.left - W) / 2;
    const int32_t T = Area.top + (Area.bottom - Area.top - H) / 2;
    return Rect(L, T, L + W, T + H);
}

// Draws the item's glyph through a box. The box never reaches past Limit, so an oversized
// glyph is cut at its column instead of painting over the caption or the neighbouring rows.
void DrawGlyphIn(TCanvas* Canvas, TcbBarItem* Item, const TRect& GlyphRect, TRect Box, const TRect& Limit,
                 TColor BkColor, TcbGlyphDrawFlags Flags)
{
    if (!IntersectRect(&Box, &Box, &Limit))
        return;
    TcbBarManager* Manager = Item->GetBarManager();
    const TColor ImageListBkColor = Manager ? Manager->GetImageListBkColor() : clNone;
    HBRUSH Brush = CreateSolidBrush(ColorToRGB(BkColor));
    DrawItemGlyph(Canvas->GetHandle(), Brush, Box, GlyphRect, Item->GetImages(), Item->GetImageIndex(),
                  GlyphOf(Item), clNone, ImageListBkColor, Flags);
    DeleteObject(Brush);
}

void DrawCaptionText(TCanvas* Canvas, TRect R, const std::string& Caption)
{
    if (R.right > R.left)
        Canvas->TextRect(R, Caption, kCaptionFlags);
}

// A themed part; nothing when the theme class cannot be had.
void DrawThemePart(TCanvas* Canvas, TcbThemeClass Class, int Part, int State, const TRect& R)
{
    if (HTHEME Theme = OpenThemeClass(Class))
        UxTheme::DrawThemeBackground(Theme, Canvas->GetHandle(), Part, State, &R, nullptr);
}

TColor FlatSelectedColorOf(TcbBarItem* Item)
{
    TcbBarManager* Manager = Item ? Item->GetBarManager() : nullptr;
    return Manager ? Manager->GetFlatSelectedColor() : clHighlight;
}

// A brush of the Office11 set, or a temporary one in its colour while the set has no user.
class TOffice11Brush {
public:
    TOffice11Brush(TcbOffice11Brush Role, TColor Color) : FBrush(Office11Brush(Role))
    {
        if (!FBrush)
            FBrush = FOwn = CreateSolidBrush(ColorToRGB(Color));
    }
    TOffice11Brush(const TOffice11Brush&) = delete;
    TOffice11Brush& operator=(const TOffice11Brush&) = delete;
    ~TOffice11Brush()
    {
        if (FOwn)
            DeleteObject(FOwn);
    }
    HBRUSH Get() const { return FBrush; }

private:
    HBRUSH FBrush = nullptr;
    HBRUSH FOwn = nullptr;
};

void FillBand(TCanvas* Canvas, const TRect& R)
{
    const TcbOffice11Colors& C = Office11Colors();
    FillTwoPartGradientRect(Canvas->GetHandle(), R, C.MenuBandGradientStart, C.MenuBandGradientEnd, true);
}

// The Standard and XP rows share everything but the selected column, the glyph's background and
// the drop-down part; Themed picks XP's.
void DrawColumnRow(const TcbBarCustomizingFormPainter* P, TCanvas* Canvas, const TRect& R, TcbBarItem* Item,
                   const std::string& Caption, bool Selected, bool Themed)
{
    const bool Glyph = HasGlyph(Item);
    const bool DropDown = IsDropDownButton(Item);
    const int32_t CaptionEnd = DropDown ? R.right - kArrowPartWidth : R.right;

    // The glyph column and its closing line.
    const TRect Column = Rect(R.left, R.top, R.left + kColumnWidth, R.bottom);
    const TColor ColumnColor = P->GetCommandBkColor(Selected && !Glyph, Item);
    FillWith(Canvas, Column, ColumnColor);
    VLine(Canvas, R.left + kColumnWidth, R.top, R.bottom, ColumnColor);
    if (Selected && Glyph) {
        if (!Themed) {
            TRect E = Column;
            DrawEdge(Canvas->GetHandle(), &E, BDR_RAISEDINNER, BF_RECT);
        } else if (dynamic_cast<TcbBarButton*>(Item)) {
            DrawThemePart(Canvas, tcToolBar, TP_BUTTON, TS_HOT, Column);
        }
    }
    if (Glyph) {
        const TRect G = GlyphRectIn(Item, Column);
        TcbGlyphDrawFlags Flags{gdEnabled};
        if (Selected)
            Flags.Include(gdSelected);
        if (Themed)
            Flags.Include(gdCopyBackground);
        DrawGlyphIn(Canvas, Item, G, G, Column, ColumnColor, Flags);
    }

    // The caption.
    Canvas->GetFont()->SetColor(P->GetCommandTextColor(Selected));
    FillWith(Canvas, Rect(R.left + kColumnWidth + 1, R.top, CaptionEnd, R.bottom), P->GetCommandBkColor(Selected, Item));
    DrawCaptionText(Canvas, Rect(R.left + kColumnWidth + 3, R.top, CaptionEnd, R.bottom), RowCaption(Item, Caption));

    if (DropDown) {
        TRect Part = Rect(CaptionEnd, R.top, R.right, R.bottom);
        if (Themed) {
            FillWith(Canvas, Part, P->GetCommandBkColor(false, Item));
            DrawThemePart(Canvas, tcToolBar, TP_BUTTON, TS_HOT, Part);
        } else {
            if (Selected) {
                DrawEdge(Canvas->GetHandle(), &Part, BDR_RAISEDINNER, BF_RECT);
                Part = Inflated(Part, -1);
            } else {
                TRect Line = Rect(Part.left - 1, Part.top, Part.right, Part.bottom);
                DrawEdge(Canvas->GetHandle(), &Line, EDGE_ETCHED, BF_LEFT);
                ++Part.left;
            }
            FillWith(Canvas, Part, P->GetCommandBkColor(false, Item));
        }
        Canvas->GetFont()->SetColor(P->GetCommandTextColor(false));
        P->DrawCommandArrow(Canvas, R.right - 9, R.top + 7);
    } else if (HasSubMenuArrow(Item)) {
        P->DrawCommandArrow(Canvas, R.right - 9, R.top + 7);
    }
}

// The caption box of the Standard and XP edit rows; answers where the edit box begins.
int32_t DrawStandardEditCaption(const TcbBarCustomizingFormPainter* P, TCanvas* Canvas, const TRect& R,
                                TcbBarItem* Item, const std::string& Caption, bool Selected)
{
    const int32_t TextWidth = Canvas->TextWidth(Caption);
    const TRect Box = Rect(R.left, R.top, R.left + TextWidth + 3, R.bottom);
    FillWith(Canvas, Box, P->GetCommandBkColor(Selected, Item));
    Canvas->GetFont()->SetColor(P->GetCommandTextColor(Selected));
    DrawCaptionText(Canvas, Rect(R.left + 2, R.top, Box.right, R.bottom), Caption);
    FillWith(Canvas, Rect(Box.right, R.top, Box.right + 4, R.bottom), P->GetCommandBkColor(false, Item));
    return Box.right + 4;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The base: the Standard look without a focus rectangle

void TcbBarCustomizingFormPainter::DrawCommandArrow(TCanvas* Canvas, int X, int Y) const
{
    const TColor Color = Canvas->GetFont()->GetColor();
    Canvas->GetPen()->SetColor(Color);
    Canvas->GetBrush()->SetColor(Color);
    const TPoint P[3] = {{X, Y}, {X, Y + 6}, {X + 3, Y + 3}};
    Canvas->Polygon(P);
}

TColor TcbBarCustomizingFormPainter::GetCommandBkColor(bool Selected, TcbBarItem*) const
{
    return Selected ? clHighlight : clBtnFace;
}

void TcbBarCustomizingFormPainter::DrawCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item,
                                               const std::string& Caption, bool Selected) const
{
    if (Item)
        DrawColumnRow(this, Canvas, R, Item, Caption, Selected, false);
}

void TcbBarCustomizingFormPainter::DrawEditCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item,
                                                   const std::string& Caption, bool Selected) const
{
    if (!Item)
        return;
    const TColor Bk = GetCommandBkColor(false, Item);
    TRect E = Rect(DrawStandardEditCaption(this, Canvas, R, Item, Caption, Selected), R.top, R.right, R.bottom);
    if (Selected) {
        DrawEdge(Canvas->GetHandle(), &E, BDR_SUNKENOUTER, BF_RECT);
    } else {
        FrameWith(Canvas, E, Bk);
    }
    E = Inflated(E, -1);
    FrameWith(Canvas, E, Bk);
    E = Inflated(E, -1);

    // The button stands one pixel in from the edit box's inside, which is window-coloured
    // around it too.
    FillWith(Canvas, E, clWindow);
    const bool Combo = IsCombo(Item);
    const TRect Button = Rect(E.right - 12, E.top + 1, E.right - 1, E.bottom - 1);
    if (!Combo)
        return;
    TRect B = Button;
    TColor LineColor = Bk;
    if (Selected) {
        DrawEdge(Canvas->GetHandle(), &B, BDR_RAISEDINNER, BF_RECT);
    } else {
        FrameWith(Canvas, B, clBtnHighlight);
        LineColor = clBtnHighlight;
    }
    VLine(Canvas, B.left - 1, B.top, B.bottom, LineColor);
    B = Inflated(B, -1);
    FillWith(Canvas, B, Bk);
    InflateRect(&B, 2, 0);
    DrawArrowInRect(Canvas->GetHandle(), B, true, true, false, false);
}

void TcbBarCustomizingFormPainter::DrawCommandFocusRect(TCanvas*, const TRect&, TcbBarItem*) const
{
}

TColor TcbBarCustomizingFormPainter::GetCommandTextColor(bool Selected) const
{
    return Selected ? clHighlightText : clBtnText;
}

// ---------------------------------------------------------------------------------------------
// Standard

void TcbBarCustomizingFormStandardPainter::DrawCommandFocusRect(TCanvas* Canvas, const TRect& R, TcbBarItem*) const
{
    Canvas->DrawFocusRect(Inflated(R, -2));
}

// ---------------------------------------------------------------------------------------------
// Flat

TColor TcbBarCustomizingFormFlatPainter::GetCommandBkColor(bool Selected, TcbBarItem* Item) const
{
    return Selected ? FlatSelectedColorOf(Item) : clWindow;
}

TColor TcbBarCustomizingFormFlatPainter::GetCommandTextColor(bool) const
{
    return clBtnText;
}

void TcbBarCustomizingFormFlatPainter::FillGlyphSquare(TCanvas* Canvas, const TRect& Square) const
{
    FillWith(Canvas, Square, clBtnFace);
}

void TcbBarCustomizingFormFlatPainter::DrawSelectionFrame(TCanvas* Canvas, const TRect& R) const
{
    DrawHighlightFrame(Canvas->GetHandle(), R);
}

HBRUSH TcbBarCustomizingFormFlatPainter::GetDropDownPartFrameBrush() const
{
    return GetSysColorBrush(COLOR_BTNSHADOW);
}

void TcbBarCustomizingFormFlatPainter::DrawGlyph(TCanvas* Canvas, TcbBarItem* Item, const TRect& Square,
                                                 bool Selected) const
{
    // Lightened at rest, lifted over its shadow when selected, as on a Flat bar.
    const TRect G = GlyphRectIn(Item, Square);
    TcbGlyphDrawFlags Flags{gdEnabled, gdShadow};
    if (Selected)
        Flags.Include(gdSelected);
    DrawGlyphIn(Canvas, Item, G, Inflated(G, 1), Square, Selected ? GetCommandBkColor(true, Item) : clBtnFace, Flags);
}

void TcbBarCustomizingFormFlatPainter::DrawCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item,
                                                   const std::string& Caption, bool Selected) const
{
    if (!Item)
        return;
    const int32_t H = R.bottom - R.top;
    const bool DropDown = IsDropDownButton(Item);
    const int32_t CaptionEnd = DropDown ? R.right - kArrowPartWidth : R.right;
    const TRect Square = Rect(R.left, R.top, R.left + H, R.bottom);
    if (Selected) {
        FillWith(Canvas, R, GetCommandBkColor(true, Item));
    } else {
        FillWith(Canvas, Rect(Square.right, R.top, R.right, R.bottom), GetCommandBkColor(false, Item));
        FillGlyphSquare(Canvas, Square);
    }
    if (HasGlyph(Item))
        DrawGlyph(Canvas, Item, Square, Selected);

    Canvas->GetFont()->SetColor(GetCommandTextColor(Selected));
    Canvas->GetBrush()->SetColor(GetCommandBkColor(Selected, Item));
    DrawCaptionText(Canvas, Rect(R.left + H + 10, R.top, CaptionEnd, R.bottom), RowCaption(Item, Caption));

    if (DropDown) {
        TRect Part = Rect(CaptionEnd, R.top, R.right, R.bottom);
        if (Selected)
            DrawSelectionFrame(Canvas, Part);
        else
            FrameWithBrush(Canvas, Part, GetDropDownPartFrameBrush());
        Part = Inflated(Part, -1);
        FillWith(Canvas, Part, GetCommandBkColor(Selected, Item));
        Canvas->GetFont()->SetColor(GetCommandTextColor(false));
        DrawCommandArrow(Canvas, R.right - 9, R.top + 7);
    } else if (HasSubMenuArrow(Item)) {
        DrawCommandArrow(Canvas, R.right - 9, R.top + 7);
    }
    if (Selected)
        DrawSelectionFrame(Canvas, R);
}

void TcbBarCustomizingFormFlatPainter::DrawEditCaptionBox(TCanvas* Canvas, const TRect& R, const std::string& Caption,
                                                          bool Selected, TcbBarItem* Item, int& EditLeft) const
{
    const int32_t TextWidth = Canvas->TextWidth(Caption);
    const TRect Box = Rect(R.left, R.top, R.left + TextWidth + 11, R.bottom);
    FillWith(Canvas, Box, GetCommandBkColor(Selected, Item));
    if (Selected)
        DrawSelectionFrame(Canvas, Rect(Box.left, Box.top, Box.right + 1, Box.bottom));
    Canvas->GetFont()->SetColor(GetCommandTextColor(Selected));
    Canvas->GetBrush()->SetColor(GetCommandBkColor(Selected, Item));
    DrawCaptionText(Canvas, Rect(R.left + 5, R.top, Box.right, R.bottom), Caption);
    EditLeft = Box.right;
}

void TcbBarCustomizingFormFlatPainter::FrameEditBox(TCanvas* Canvas, const TRect& R, bool Selected) const
{
    if (Selected)
        DrawSelectionFrame(Canvas, R);
    else
        FrameWithBrush(Canvas, R, GetSysColorBrush(COLOR_BTNSHADOW));
}

void TcbBarCustomizingFormFlatPainter::DrawComboButton(TCanvas* Canvas, TRect Button, bool Selected,
                                                       TcbBarItem* Item) const
{
    if (Selected) {
        DrawSelectionFrame(Canvas, Inflated(Button, 1));
    } else {
        FrameWith(Canvas, Button, clBtnHighlight);
        VLine(Canvas, Button.left - 1, Button.top, Button.bottom, clBtnHighlight);
    }
    Button = Inflated(Button, -1);
    FillWith(Canvas, Button, Selected ? FlatSelectedColorOf(Item) : GetCommandBkColor(false, Item));
    if (Selected)
        Button = Inflated(Button, -1);
    InflateRect(&Button, 2, 0);
    DrawArrowInRect(Canvas->GetHandle(), Button, true, true, false, true);
}

void TcbBarCustomizingFormFlatPainter::DrawEditCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item,
                                                       const std::string& Caption, bool Selected) const
{
    if (!Item)
        return;
    int EditLeft = R.left;
    DrawEditCaptionBox(Canvas, R, Caption, Selected, Item, EditLeft);
    TRect E = Rect(EditLeft, R.top, R.right, R.bottom);
    FrameEditBox(Canvas, E, Selected);
    E = Inflated(E, -1);
    // The button stands one pixel in from the edit box's inside, which is window-coloured
    // around it too.
    FillWith(Canvas, E, clWindow);
    const bool Combo = IsCombo(Item);
    const TRect Button = Rect(E.right - 12, E.top + 1, E.right - 1, E.bottom - 1);
    if (Combo)
        DrawComboButton(Canvas, Button, Selected, Item);
}

void TcbBarCustomizingFormFlatPainter::DrawCommandFocusRect(TCanvas*, const TRect&, TcbBarItem*) const
{
    // The selected row's frame is its focus mark.
}

// ---------------------------------------------------------------------------------------------
// XP

void TcbBarCustomizingFormXPPainter::DrawCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item,
                                                 const std::string& Caption, bool Selected) const
{
    if (Item)
        DrawColumnRow(this, Canvas, R, Item, Caption, Selected, true);
}

void TcbBarCustomizingFormXPPainter::DrawEditCommand(TCanvas* Canvas, const TRect& R, TcbBarItem* Item,
                                                     const std::string& Caption, bool Selected) const
{
    if (!Item)
        return;
    const TColor Bk = GetCommandBkColor(false, Item);
    TRect E = Rect(DrawStandardEditCaption(this, Canvas, R, Item, Caption, Selected), R.top, R.right, R.bottom);
    FrameWith(Canvas, E, Bk);
    E = Inflated(E, -1);
    // The button's place takes the same fill, so a missing theme leaves no hole.
    FillWith(Canvas, E, Bk);
    TRect Button{};
    const bool Combo = IsCombo(Item);
    if (Combo) {
        Button = Rect(E.right - 13, E.top, E.right, E.bottom);
        E.right -= 13;
    }
    // The themed edit's one-pixel border only: its inside is kept out of the clip region.
    HDC DC = Canvas->GetHandle();
    const int Saved = SaveDC(DC);
    const TRect Inside = Inflated(E, -1);
    ExcludeClipRect(DC, Inside.left, Inside.top, Inside.right, Inside.bottom);
    DrawThemePart(Canvas, tcEdit, EP_EDITTEXT, ETS_NORMAL, E);
    RestoreDC(DC, Saved);
    FillWith(Canvas, Inside, clWindow);
    if (Combo)
        DrawThemePart(Canvas, tcComboBox, CP_DROPDOWNBUTTON, CBXS_NORMAL, Button);
}

void TcbBarCustomizingFormXPPainter::DrawCommandFocusRect(TCanvas* Canvas, const TRect& R, TcbBarItem* Item) const
{
    TRect F = R;
    if (Item && !IsEdit(Item) && HasGlyph(Item))
        F.left += 24;
    Canvas->DrawFocusRect(F);
}

// ---------------------------------------------------------------------------------------------
// Office11

TColor TcbBarCustomizingFormOffice11Painter::GetCommandBkColor(bool Selected, TcbBarItem*) const
{
    return Selected ? Office11Colors()[occSelectedItem] : Office11Colors()[occMenuBackground];
}

TColor TcbBarCustomizingFormOffice11Painter::GetCommandTextColor(bool) const
{
    return Office11Colors()[occText];
}

void TcbBarCustomizingFormOffice11Painter::FillGlyphSquare(TCanvas* Canvas, const TRect& Square) const
{
    FillBand(Canvas, Square);
}

void TcbBarCustomizingFormOffice11Painter::DrawSelectionFrame(TCanvas* Canvas, const TRect& R) const
{
    DrawOffice11SelectedFrame(Canvas->GetHandle(), R);
}

HBRUSH TcbBarCustomizingFormOffice11Painter::GetDropDownPartFrameBrush() const
{
    HBRUSH Brush = Office11Brush(obSeparator);
    return Brush ? Brush : GetSysColorBrush(COLOR_BTNSHADOW);
}

void TcbBarCustomizingFormOffice11Painter::DrawGlyph(TCanvas* Canvas, TcbBarItem* Item, const TRect& Square,
                                                     bool Selected) const
{
    // Over what the row shows (the band's gradient or the selection).
    const TRect G = GlyphRectIn(Item, Square);
    TcbGlyphDrawFlags Flags{gdEnabled, gdCopyBackground};
    if (Selected)
        Flags.Include(gdSelected);
    DrawGlyphIn(Canvas, Item, G, Inflated(G, 1), Square, GetCommandBkColor(Selected, Item), Flags);
}

void TcbBarCustomizingFormOffice11Painter::DrawEditCaptionBox(TCanvas* Canvas, const TRect& R,
                                                              const std::string& Caption, bool Selected,
                                                              TcbBarItem* Item, int& EditLeft) const
{
    const int32_t H = R.bottom - R.top;
    const TRect Square = Rect(R.left, R.top, R.left + H, R.bottom);
    if (Selected)
        FillWith(Canvas, Square, GetCommandBkColor(true, Item));
    else
        FillBand(Canvas, Square);
    const int32_t TextWidth = Canvas->TextWidth(Caption);
    const TRect Box = Rect(Square.right, R.top, Square.right + TextWidth + 16, R.bottom);
    FillWith(Canvas, Box, GetCommandBkColor(Selected, Item));
    if (Selected)
        DrawSelectionFrame(Canvas, Rect(Square.left, R.top, Box.right + 1, R.bottom));
    Canvas->GetFont()->SetColor(GetCommandTextColor(Selected));
    Canvas->GetBrush()->SetColor(GetCommandBkColor(Selected, Item));
    DrawCaptionText(Canvas, Rect(Box.left + 10, R.top, Box.right, R.bottom), Caption);
    EditLeft = Box.right;
}

void TcbBarCustomizingFormOffice11Painter::FrameEditBox(TCanvas* Canvas, const TRect& R, bool Selected) const
{
    if (Selected) {
        DrawSelectionFrame(Canvas, R);
    } else {
        TOffice11Brush Brush(obCheckedItemColor, Office11Colors()[occCheckedItemColor]);
        FrameWithBrush(Canvas, R, Brush.Get());
    }
}

void TcbBarCustomizingFormOffice11Painter::DrawComboButton(TCanvas* Canvas, TRect Button, bool Selected,
                                                           TcbBarItem*) const
{
    if (Selected) {
        DrawSelectionFrame(Canvas, Inflated(Button, 1));
    } else {
        FrameWith(Canvas, Button, clWindow);
        VLine(Canvas, Button.left - 1, Button.top, Button.bottom, clWindow);
    }
    Button = Inflated(Button, -1);
    FillWith(Canvas, Button, Selected ? Office11Colors()[occSelectedItem] : Office11Colors()[occCheckedItemColor]);
    if (Selected)
        Button = Inflated(Button, -1);
    InflateRect(&Button, 2, 0);
    DrawArrowInRect(Canvas->GetHandle(), Button, true, true, false, true);
}

// ---------------------------------------------------------------------------------------------
// The instances and the choice

const TcbBarCustomizingFormPainter* CustomizingFormStandardPainter()
{
    static const TcbBarCustomizingFormStandardPainter Instance;
    return &Instance;
}

const TcbBarCustomizingFormPainter* CustomizingFormFlatPainter()
{
    static const TcbBarCustomizingFormFlatPainter Instance;
    return &Instance;
}

const TcbBarCustomizingFormPainter* CustomizingFormXPPainter()
{
    static const TcbBarCustomizingFormXPPainter Instance;
    return &Instance;
}

const TcbBarCustomizingFormPainter* CustomizingFormOffice11Painter()
{
    static const TcbBarCustomizingFormOffice11Painter Instance;
    return &Instance;
}

const TcbBarCustomizingFormPainter* CustomizingFormPainterClass(TcbBarManager* Manager)
{
    if (!Manager)
        return CustomizingFormStandardPainter();
    switch (Manager->GetRealStyle()) {
    case bmsXP:
        return Manager->GetThemesInUse() ? CustomizingFormXPPainter() : CustomizingFormStandardPainter();
    case bmsOffice11:
        return CustomizingFormOffice11Painter();
    case bmsFlat:
        return CustomizingFormFlatPainter();
    default:
        return CustomizingFormStandardPainter();
    }
}
