#include "commandbars/painters/cbPainter.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/painters/cbPainterShared.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Graphics.h"
#include "platform/win/ImageList.h"
#include "platform/win/MemoryDC.h"

HBRUSH cbResolveBrush(HBRUSH Value)
{
    const auto Index = reinterpret_cast<uintptr_t>(Value);
    if (Index >= 1 && Index <= COLOR_MENUBAR + 1)
        return GetSysColorBrush(static_cast<int>(Index - 1));
    return Value;
}

namespace {

using cbPainterShared::Inflated;
using cbPainterShared::InMenu;
using cbPainterShared::IsVerticalDock;

HBRUSH SysBrush(int Index)
{
    return GetSysColorBrush(Index);
}

void FillSys(HDC DC, const TRect& R, int Index)
{
    FillRect(DC, &R, SysBrush(Index));
}

// The point size of a window's font (0 without one).
int32_t FontPointSize(HFONT Font)
{
    if (!Font)
        return 0;
    LOGFONTA LF{};
    if (!GetObjectA(Font, sizeof(LF), &LF))
        return 0;
    HDC Screen = GetDC(nullptr);
    const int32_t Dpi = GetDeviceCaps(Screen, LOGPIXELSY);
    ReleaseDC(nullptr, Screen);
    const int32_t Height = LF.lfHeight < 0 ? -LF.lfHeight : LF.lfHeight;
    return MulDiv(Height, 72, Dpi);
}

// The height of "0" in Font.
int32_t TextHeightOf(HDC DC, HFONT Font)
{
    HGDIOBJ Old = Font ? SelectObject(DC, Font) : nullptr;
    SIZE S{};
    GetTextExtentPoint32A(DC, "0", 1, &S);
    if (Old)
        SelectObject(DC, Old);
    return S.cy;
}

int32_t TextWidthOf(HDC DC, HFONT Font, const std::string& Text)
{
    HGDIOBJ Old = Font ? SelectObject(DC, Font) : nullptr;
    SIZE S{};
    GetTextExtentPoint32A(DC, Text.c_str(), static_cast<int>(Text.size()), &S);
    if (Old)
        SelectObject(DC, Old);
    return S.cx;
}

// Measuring needs a DC even where no window exists yet.
class TScreenDC {
public:
    TScreenDC() : FDC(CreateMemoryDC()) {}
    ~TScreenDC() { DeleteMemoryDC(FDC); }
    TScreenDC(const TScreenDC&) = delete;
    TScreenDC& operator=(const TScreenDC&) = delete;
    HDC Get() const { return FDC; }

private:
    HDC FDC;
};

// A pen and a brush of one colour selected for a polygon, released on scope exit.
class TSolidTools {
public:
    TSolidTools(HDC DC, COLORREF Color)
        : FDC(DC), FPen(CreatePen(PS_SOLID, 1, Color)), FBrush(CreateSolidBrush(Color)),
          FOldPen(SelectObject(DC, FPen)), FOldBrush(SelectObject(DC, FBrush))
    {
    }
    ~TSolidTools()
    {
        SelectObject(FDC, FOldPen);
        SelectObject(FDC, FOldBrush);
        DeleteObject(FPen);
        DeleteObject(FBrush);
    }
    TSolidTools(const TSolidTools&) = delete;
    TSolidTools& operator=(const TSolidTools&) = delete;

private:
    HDC FDC;
    HPEN FPen;
    HBRUSH FBrush;
    HGDIOBJ FOldPen;
    HGDIOBJ FOldBrush;
};

TcbBarManager* ManagerOf(const IcbControl* Control)
{
    return Control && Control->GetBarWindow() ? Control->GetBarWindow()->GetBarManager() : nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Glyph and check mark

void TcbBarItemControlPainter::DrawGlyphBorder(const IcbControl* Control, HDC DC, HBRUSH Brush, const TRect& R,
                                               TcbPaintFlags State, bool FillBox) const
{
    if (FillBox)
        DrawFramedBackground(Control, DC, R, Brush, !State.Contains(pfSelected) && !State.Contains(pfDown));
}

void TcbBarItemControlPainter::DrawCheckMark(const IcbControl*, HDC, int32_t, int32_t, int32_t) const {}

void TcbBarItemControlPainter::DrawCheckMarkBox(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                                                TcbPaintFlags State) const
{
    // The selected fill belongs to menu rows; a hot toolbar button keeps its bar colour.
    const bool Selected = UseSelectedGlyphBackground() && State.Contains(pfSelected) && InMenu(Control);
    if (!IsItemBackgroundTransparent())
        DrawItemBackground(Control, DC, R, Selected && Control->GetBarWindow()
                                               ? Control->GetBarWindow()->GetSelectedItemBrush()
                                               : Brush,
                           true);
    const IcbBar* Bar = Control ? Control->GetBarWindow() : nullptr;
    const int32_t Scale = Bar && FontPointSize(Bar->GetFontHandle()) >= 16 ? 2 : 1;
    const int32_t X = R.left + (R.right - R.left - 9 * Scale) / 2;
    const int32_t Y = R.top + (R.bottom - R.top - 7 * Scale) / 2;
    DrawCheckMark(Control, DC, X, Y, Scale);
}

void TcbBarItemControlPainter::DrawGlyphImage(const IcbControl* Control, HDC DC, const TRect& ItemRect,
                                              const TRect& GlyphRect, HBRUSH Brush, TcbPaintFlags State) const
{
    TcbBarManager* Manager = ManagerOf(Control);
    const bool Enabled = State.Contains(pfEnabled) && Control->IsGlyphEnabled();
    TImageList* Images = Control->GetImages();
    if (Manager && Manager->GetLargeIcons() && !InMenu(Control) && Control->GetLargeImages())
        Images = Control->GetLargeImages();
    if (!Enabled && Control->GetDisabledImages())
        Images = Control->GetDisabledImages();
    else if (Enabled && State.Contains(pfSelected) && Control->GetHotImages())
        Images = Control->GetHotImages();
    TcbGlyphDrawFlags Flags;
    if (Enabled || (!State.Contains(pfEnabled) && Control->GetDisabledImages()))
        Flags.Include(gdEnabled);
    if (State.Contains(pfSelected))
        Flags.Include(gdSelected);
    if (State.Contains(pfPressed))
        Flags.Include(gdPressed);
    if (State.Contains(pfDown) || State.Contains(pfChecked))
        Flags.Include(gdChecked);
    // As for the check-mark box: the forced selected fill is a menu row's; on a toolbar the hot
    // look is the style's border, and the glyph keeps the bar's colour behind it.
    HBRUSH Fill = UseSelectedGlyphBackground() && State.Contains(pfSelected) && InMenu(Control)
                      ? Control->GetBarWindow()->GetSelectedItemBrush()
                      : Brush;
    if (IsItemBackgroundTransparent())
        Flags.Include(gdCopyBackground);
    DrawItemGlyph(DC, cbResolveBrush(Fill), ItemRect, GlyphRect, Images, Control->GetImageIndex(), Control->GetGlyph(),
                  GetDisabledImageColor(Manager), Manager ? Manager->GetImageListBkColor() : clNone, Flags);
}

void TcbBarItemControlPainter::DrawCenteredArrow(HDC DC, const TRect& R, bool Vertical, bool Enabled,
                                                 bool Selected) const
{
    DrawArrowInRect(DC, R, Vertical, Enabled, Selected, false);
}

void TcbBarItemControlPainter::DrawSizedArrow(HDC DC, const TRect& R, bool Vertical, bool Enabled, bool Selected,
                                              int32_t Size) const
{
    DrawArrow(DC, R, Vertical, false, Enabled, Selected, Size);
}

void TcbBarItemControlPainter::GetEditColors(const IcbControl*, TcbPaintFlags State, TColor& TextColor,
                                             TColor& BkColor) const
{
    TextColor = State.Contains(pfEnabled) ? clWindowText : clGrayText;
    BkColor = clWindow;
}

TColor TcbBarItemControlPainter::GetDisabledImageColor(const TcbBarManager* Manager) const
{
    if (Manager && Manager->GetMakeDisabledImagesFaded())
        return BlendColors(clBtnShadow, clWhite, 70);
    return clNone;
}

void TcbBarItemControlPainter::GetCaptionColors(const IcbControl*, TcbPaintFlags State, TColor& Color1,
                                                TColor& Color2) const
{
    if (!State.Contains(pfEnabled)) {
        Color1 = clBtnShadow;
        Color2 = clBtnHighlight;
        return;
    }
    Color1 = State.Contains(pfSelected) && !State.Contains(pfDown) ? clHighlightText : clBtnText;
    Color2 = Color1;
}

bool TcbBarItemControlPainter::UseSelectedGlyphBackground() const { return false; }

// ---------------------------------------------------------------------------------------------
// Floating bar non-client area, marks and grips

bool TcbBarItemControlPainter::FillSubMenuItemAlways() const { return false; }
bool TcbBarItemControlPainter::IsThemedControlClass(const IcbControl*) const { return false; }
bool TcbBarItemControlPainter::IsSmallMarkRect(const TRect& R) const { return R.bottom - R.top <= 16; }

TColor TcbBarItemControlPainter::GetFloatingCaptionColor(bool Active) const
{
    return static_cast<TColor>(GetSysColor(Active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
}

TColor TcbBarItemControlPainter::GetFloatingCaptionTextColor(const IcbBar*) const { return clCaptionText; }
TColor TcbBarItemControlPainter::GetMarkArrowColor(const IcbBar*, bool) const { return clCaptionText; }

void TcbBarItemControlPainter::DrawSizeGripGlyph(const IcbBar*, HDC DC, const TRect& R) const
{
    TRect G = R;
    DrawFrameControl(DC, &G, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
}

void TcbBarItemControlPainter::DrawMarkArrow(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    // A down-pointing triangle under two small chevrons, centred in the mark.
    TSolidTools Tools(DC, ColorToRGB(GetMarkArrowColor(Bar, Bar->GetMarkState() != bstNormal)));
    const int32_t X = (R.left + R.right) / 2 - 2;
    const int32_t Y = (R.top + R.bottom) / 2;
    POINT Triangle[3] = {{X, Y}, {X + 4, Y}, {X + 2, Y + 2}};
    Polygon(DC, Triangle, 3);
}

void TcbBarItemControlPainter::DrawBarMarkChevron(const IcbBar*, HDC, int32_t, const TRect&) const {}

void TcbBarItemControlPainter::DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush,
                                                     const TRect& MarkRect) const
{
    Bar->FillBackground(DC, MarkRect, Brush, clNone);
}

void TcbBarItemControlPainter::DrawBarMarkSymbols(const IcbBar* Bar, HDC DC, const TRect& MarkRect) const
{
    if (!Bar->HasItemsPushedOff())
        return;
    if (IsVerticalDock(Bar->GetDockingStyle())) {
        DrawBarMarkChevron(Bar, DC, MarkRect.bottom - 9, MarkRect);
        DrawBarMarkChevron(Bar, DC, MarkRect.bottom - 5, MarkRect);
    } else {
        DrawBarMarkChevron(Bar, DC, MarkRect.left + 2, MarkRect);
        DrawBarMarkChevron(Bar, DC, MarkRect.left + 6, MarkRect);
    }
}

void TcbBarItemControlPainter::AdjustCaptionTextRect(const IcbBar*, const TRect& MarkRect, TRect& R) const
{
    R.left = MarkRect.right + 3;
}

void TcbBarItemControlPainter::DrawComboArrow(HDC DC, const TRect& R, TColor Color) const
{
    TSolidTools Tools(DC, ColorToRGB(Color));
    const int32_t X = (R.left + R.right) / 2 - 2;
    const int32_t Y = (R.top + R.bottom) / 2 - 1;
    POINT P[3] = {{X, Y}, {X + 4, Y}, {X + 2, Y + 2}};
    Polygon(DC, P, 3);
}

void TcbBarItemControlPainter::DrawSubMenuScrollArrow(const IcbBar*, HDC DC, const TRect& R, bool Up) const
{
    {
        TSolidTools Tools(DC, GetSysColor(COLOR_BTNTEXT));
        const int32_t X = (R.left + R.right) / 2;
        const int32_t Y = (R.top + R.bottom) / 2;
        POINT P[3];
        if (Up) {
            P[0] = {X - 3, Y + 1};
            P[1] = {X + 3, Y + 1};
            P[2] = {X, Y - 2};
        } else {
            P[0] = {X - 3, Y - 1};
            P[1] = {X + 3, Y - 1};
            P[2] = {X, Y + 2};
        }
        Polygon(DC, P, 3);
    }
    ExcludeClipRect(DC, R.left, R.top, R.right, R.bottom);
}

void TcbBarItemControlPainter::DrawSubMenuExpandButton(const IcbBar*, HDC DC, const TRect& R,
                                                       TcbButtonState State) const
{
    // Two small downward chevrons, drawn as lines.
    HPEN Pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
    HGDIOBJ Old = SelectObject(DC, Pen);
    const int32_t X = (R.left + R.right) / 2 - 2 + (State == bstPressed ? 1 : 0);
    const int32_t Y = (R.top + R.bottom) / 2 - 3 + (State == bstPressed ? 1 : 0);
    for (int32_t Step = 0; Step < 2; ++Step)
        for (int32_t I = 0; I < 3; ++I) {
            const int32_t Y0 = Y + Step * 4 + I;
            MoveToEx(DC, X + I, Y0, nullptr);
            LineTo(DC, X + 5 - I, Y0);
        }
    SelectObject(DC, Old);
    DeleteObject(Pen);
}

void TcbBarItemControlPainter::AdjustEditValueRect(const IcbControl*, TRect&) const {}

void TcbBarItemControlPainter::DrawTextItemCaption(HDC DC, const TRect& R, const std::string& Caption) const
{
    const COLORREF OldText = SetTextColor(DC, GetSysColor(COLOR_BTNTEXT));
    const COLORREF OldBk = SetBkColor(DC, GetSysColor(COLOR_BTNFACE));
    SetBkMode(DC, OPAQUE);
    ExtTextOutA(DC, R.left, R.top, ETO_OPAQUE | ETO_CLIPPED, &R, Caption.c_str(), static_cast<UINT>(Caption.size()),
                nullptr);
    SetBkMode(DC, TRANSPARENT);
    SetBkColor(DC, OldBk);
    SetTextColor(DC, OldText);
}

// ---------------------------------------------------------------------------------------------
// Backgrounds

void TcbBarItemControlPainter::DrawItemBackground(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                                                  bool Opaque) const
{
    if (Opaque || !Control || !Control->GetBarWindow())
        FillRect(DC, &R, Brush);
    else
        Control->GetBarWindow()->FillBackground(DC, R, Brush, clNone);
}

void TcbBarItemControlPainter::DrawFramedBackground(const IcbControl* Control, HDC DC, const TRect& R,
                                                    HBRUSH Brush, bool Opaque) const
{
    if (Opaque) {
        FrameRect(DC, &R, cbResolveBrush(Brush));
        return;
    }
    HRGN Saved = nullptr;
    bool HadRgn = false;
    SaveClipRgn(DC, Saved, HadRgn);
    const TRect Inner = Inflated(R, -1);
    ExcludeClipRect(DC, Inner.left, Inner.top, Inner.right, Inner.bottom);
    DrawItemBackground(Control, DC, R, Brush, false);
    RestoreClipRgn(DC, Saved, HadRgn);
}

void TcbBarItemControlPainter::DrawEtchedLine(HDC DC, const TRect& R) const
{
    FillSys(DC, R, COLOR_BTNSHADOW);
}

void TcbBarItemControlPainter::DrawGlyph(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State,
                                         TcbDrawKind Kind) const
{
    TcbBarManager* Manager = ManagerOf(Control);
    int32_t W = 16, H = 16;
    TBitmap* Glyph = Control->GetGlyph();
    if (Glyph && !Glyph->GetEmpty()) {
        W = Glyph->GetWidth();
        H = Glyph->GetHeight();
    } else if (TImageList* Images = Control->GetImages()) {
        W = Images->GetWidth();
        H = Images->GetHeight();
    }
    if (Manager && Manager->GetLargeIcons() && Kind != dkMenu) {
        W *= 2;
        H *= 2;
    }
    TRect Area = R;
    if (Manager && Kind == dkHorizontal)
        Area.right = Area.left + Manager->GetButtonWidth();
    else if (Manager && Kind == dkVertical)
        Area.bottom = Area.top + Manager->GetButtonHeight();
    int32_t X = Area.left + (Area.right - Area.left - W) / 2;
    int32_t Y = Area.top + (Area.bottom - Area.top - H) / 2;
    // The two offsets add up: a button both down and hot moves by both (a style that wants the
    // hot move only on a button that is not down answers 0 for it while down).
    if (State.Contains(pfDown)) {
        X += GetDownGlyphOffset();
        Y += GetDownGlyphOffset();
    }
    if (State.Contains(pfSelected)) {
        X += GetSelectedGlyphOffset(Control);
        Y += GetSelectedGlyphOffset(Control);
    }
    DrawGlyphCore(Control, DC, Area, Bounds(X, Y, W, H), State);
}

void TcbBarItemControlPainter::DrawGlyphCore(const IcbControl* Control, HDC DC, const TRect& ItemRect,
                                             const TRect& GlyphRect, TcbPaintFlags State) const
{
    HBRUSH Brush = GetCheckMarkColor(Control, State);
    const bool CheckBox = State.Contains(pfChecked) && !Control->HasGlyph();
    TcbBarManager* Manager = ManagerOf(Control);
    const int32_t Glyph = CheckBox ? (Manager ? Manager->GetGlyphSize() : 16) : GlyphRect.right - GlyphRect.left;
    const int32_t GlyphH = CheckBox ? Glyph : GlyphRect.bottom - GlyphRect.top;
    const bool Framed = ItemRect.right - ItemRect.left >= Glyph + 2 && ItemRect.bottom - ItemRect.top >= GlyphH + 2;
    auto Content = [&] {
        if (CheckBox)
            DrawCheckMarkBox(Control, DC, Inflated(ItemRect, Framed ? -1 : 0), Brush, State);
        else
            DrawGlyphImage(Control, DC, Inflated(ItemRect, Framed ? -1 : 0), GlyphRect, Brush, State);
    };
    if (IsItemBackgroundTransparent()) {
        DrawGlyphBorder(Control, DC, Brush, ItemRect, State, Framed);
        Content();
    } else {
        Content();
        DrawGlyphBorder(Control, DC, Brush, ItemRect, State, Framed);
    }
}

void TcbBarItemControlPainter::DrawMenuItem(const IcbControl*, HDC, const TRect&, TcbPaintFlags) const {}

void TcbBarItemControlPainter::DrawCaption(const IcbControl* Control, HDC DC, const TRect& R, bool Clip,
                                           bool Rotated, bool Enabled, TcbPaintFlags State,
                                           const std::string& Caption, UINT Format) const
{
    if (Enabled)
        State.Include(pfEnabled);
    else
        State.Exclude(pfEnabled);
    TColor Color1 = clBtnText, Color2 = clBtnText;
    GetCaptionColors(Control, State, Color1, Color2);
    // The mode the DC had comes back afterwards: text drawn after this on the same DC keeps it.
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = GetTextColor(DC);
    if (!Rotated) {
        UINT Flags = DT_SINGLELINE | Format;
        if (!Clip)
            Flags |= DT_NOCLIP;
        auto Draw = [&](TRect Where, TColor Color) {
            SetTextColor(DC, ColorToRGB(Color));
            DrawTextA(DC, Caption.c_str(), static_cast<int>(Caption.size()), &Where, Flags);
        };
        if (Color1 != Color2) {
            TRect Shifted = R;
            OffsetRect(&Shifted, 1, 1);
            Draw(Shifted, Color2);
        }
        Draw(R, Color1);
    } else {
        // The DC's font is already the rotated one; the text runs downward from the right edge.
        HRGN Saved = nullptr;
        bool HadRgn = false;
        if (Clip) {
            SaveClipRgn(DC, Saved, HadRgn);
            AddClipRect(DC, R);
        }
        // Marks removed ("&&" kept as one "&"); the accelerator is the last marked character.
        std::string Text;
        int32_t Accel = -1;
        for (size_t I = 0; I < Caption.size(); ++I) {
            if (Caption[I] == '&' && I + 1 < Caption.size()) {
                ++I;
                if (Caption[I] != '&')
                    Accel = static_cast<int32_t>(Text.size());
            }
            Text += Caption[I];
        }
        SIZE Extent{};
        GetTextExtentPoint32A(DC, Text.c_str(), static_cast<int>(Text.size()), &Extent);
        TEXTMETRICA TM{};
        GetTextMetricsA(DC, &TM);
        const int32_t X = R.right - ((R.right - R.left) - TM.tmHeight) / 2;
        const int32_t Y = R.top + ((R.bottom - R.top) - Extent.cx) / 2;
        auto Draw = [&](int32_t DX, int32_t DY, TColor Color) {
            SetTextColor(DC, ColorToRGB(Color));
            ExtTextOutA(DC, X + DX, Y + DY, 0, nullptr, Text.c_str(), static_cast<UINT>(Text.size()), nullptr);
            if (Accel >= 0) {
                SIZE Before{}, Char{};
                GetTextExtentPoint32A(DC, Text.c_str(), Accel, &Before);
                GetTextExtentPoint32A(DC, Text.c_str() + Accel, 1, &Char);
                const TRect Line = Rect(X + DX - TM.tmHeight + TM.tmDescent - 1, Y + DY + Before.cx,
                                        X + DX - TM.tmHeight + TM.tmDescent, Y + DY + Before.cx + Char.cx);
                HBRUSH B = CreateSolidBrush(ColorToRGB(Color));
                FillRect(DC, &Line, B);
                DeleteObject(B);
            }
        };
        if (Color1 != Color2)
            Draw(1, 1, Color2);
        Draw(0, 0, Color1);
        if (Clip)
            RestoreClipRgn(DC, Saved, HadRgn);
    }
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
}

void TcbBarItemControlPainter::DrawLoweredBorder(HDC, TRect&) const {}

void TcbBarItemControlPainter::DrawStateEdge(const IcbControl*, HDC DC, TRect& R, int32_t Width) const
{
    for (int32_t I = 0; I < Width; ++I) {
        DrawEdge(DC, &R, BDR_SUNKENOUTER, BF_RECT);
        InflateRect(&R, -1, -1);
    }
}

void TcbBarItemControlPainter::DrawBoxFrame(const IcbControl*, HDC DC, TRect& R, HBRUSH Brush, bool Pressed,
                                            bool) const
{
    if (Pressed)
        DrawEdge(DC, &R, BDR_SUNKENOUTER, BF_RECT);
    else
        FrameRect(DC, &R, cbResolveBrush(Brush));
    InflateRect(&R, -1, -1);
    FillRect(DC, &R, Brush);
}

void TcbBarItemControlPainter::GetTextColors(const IcbControl* Control, TcbPaintFlags, TColor& TextColor,
                                             HBRUSH& Brush) const
{
    TextColor = clBtnText;
    Brush = Control && Control->GetBarWindow() ? Control->GetBarWindow()->GetCachedBarBrush() : SysBrush(COLOR_BTNFACE);
}

HBRUSH TcbBarItemControlPainter::GetCheckMarkColor(const IcbControl* Control, TcbPaintFlags) const
{
    return Control && Control->GetBarWindow() ? Control->GetBarWindow()->GetCachedBarBrush() : SysBrush(COLOR_BTNFACE);
}

int32_t TcbBarItemControlPainter::GetDownGlyphOffset() const { return 0; }
int32_t TcbBarItemControlPainter::GetSelectedGlyphOffset(const IcbControl*) const { return 0; }
bool TcbBarItemControlPainter::ShowDroppedDownState() const { return false; }
int32_t TcbBarItemControlPainter::GetDropDownButtonIndent() const { return 0; }

int32_t TcbBarItemControlPainter::GetCaptionOffsetInMenu(const IcbControl* Control) const
{
    if (!InMenu(Control))
        return 0;
    return Control->GetBarWindow()->GetSubMenuMetrics().GlyphColumnWidth + 1;
}

int32_t TcbBarItemControlPainter::GetDockedBarBorderSize() const { return 0; }
int32_t TcbBarItemControlPainter::GetFloatingBorderWidth() const { return GetSystemMetrics(SM_CXFRAME); }
int32_t TcbBarItemControlPainter::GetFloatingBorderHeight() const { return GetSystemMetrics(SM_CYFRAME); }
int32_t TcbBarItemControlPainter::GetGriplessBarIndent() const { return 0; }
int32_t TcbBarItemControlPainter::GetGripAreaSize() const { return 0; }
int32_t TcbBarItemControlPainter::GetGripWidth(const IcbBar*) const { return 3; }

int32_t TcbBarItemControlPainter::GetButtonArrowWidth(const TcbBarManager* Manager) const
{
    const int32_t Width = ((Manager->GetLargeIcons() ? 1 : 0) + 1) * Manager->GetButtonArrowWidth();
    return Width % 2 == 0 ? Width + 1 : Width;
}

int32_t TcbBarItemControlPainter::GetLargeButtonArrowWidth(const TcbBarManager* Manager) const
{
    return Manager->GetLargeButtonArrowWidth();
}

int32_t TcbBarItemControlPainter::GetSubMenuGlyphColumnIndent() const { return 0; }

void TcbBarItemControlPainter::DrawDockControlBackground(const IcbDockSite* Site, HDC DC, const TRect& R,
                                                         const TRect& OriginRect, HBRUSH Brush) const
{
    const TcbBarManager* Manager = Site ? Site->GetBarManager() : nullptr;
    TBitmap* Picture = Manager ? Manager->GetBackgrounds()->GetBar() : nullptr;
    FillRectWithBitmap(DC, R, OriginRect, Picture && !Picture->GetEmpty() ? Picture : nullptr, clNone,
                       cbResolveBrush(Brush));
}

bool TcbBarItemControlPainter::IsItemBackgroundTransparent() const { return false; }
bool TcbBarItemControlPainter::IsBarBackgroundShared() const { return false; }

HBRUSH TcbBarItemControlPainter::GetBarBkBrush(const TcbBarManager* Manager) const
{
    return GetBarBrush(Manager);
}

void TcbBarItemControlPainter::DrawParentBarBackground(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    const IcbBar* Parent = Bar->GetParentBarWindow();
    if (!Parent) {
        Bar->FillBackground(DC, R, Bar->GetBkBrush(), clNone);
        return;
    }
    // The parent paints the same piece in its own coordinates.
    RECT Own = Bar->GetWindowRect();
    RECT Theirs = Parent->GetWindowRect();
    const int32_t DX = Own.left - Theirs.left, DY = Own.top - Theirs.top;
    POINT OldOrg{};
    OffsetViewportOrgEx(DC, -DX, -DY, &OldOrg);
    TRect InParent = R;
    OffsetRect(&InParent, DX, DY);
    Parent->FillBackground(DC, InParent, Parent->GetBkBrush(), clNone);
    SetViewportOrgEx(DC, OldOrg.x, OldOrg.y, nullptr);
}

void TcbBarItemControlPainter::DrawBarBackground(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush,
                                                 TColor Color) const
{
    TBitmap* Picture = Bar->GetBackgroundBitmap();
    if (!Picture)
        Picture = Bar->GetBarManager() ? Bar->GetBarManager()->GetBackgrounds()->GetBar() : nullptr;
    const TRect Origin = Bar->GetClientRect();
    if (Color != clNone) {
        HBRUSH B = CreateSolidBrush(ColorToRGB(Color));
        FillRect(DC, &R, B);
        DeleteObject(B);
        return;
    }
    FillRectWithBitmap(DC, R, Origin, Picture && !Picture->GetEmpty() ? Picture : nullptr, clNone,
                       cbResolveBrush(Brush));
}

void TcbBarItemControlPainter::DrawParentItemEdge(const IcbBar* Menu, HDC DC, HBRUSH Brush) const
{
    const TRect R = Menu->GetParentItemEdgeRect();
    if (!IsRectEmpty(&R))
        FillRect(DC, &R, Brush);
}

bool TcbBarItemControlPainter::IsFloatingBarFlat(const IcbBar*) const { return false; }
HBRUSH TcbBarItemControlPainter::GetBarBrush(const TcbBarManager*) const { return SysBrush(COLOR_BTNFACE); }
HBRUSH TcbBarItemControlPainter::GetToolbarBrush(const IcbBar* Bar) const
{
    return GetBarBrush(Bar ? Bar->GetBarManager() : nullptr);
}
HBRUSH TcbBarItemControlPainter::GetCheckedItemBrush(const TcbBarManager*) const { return cbCheckerBrush(); }
HBRUSH TcbBarItemControlPainter::GetItemBrush(const TcbBarManager*) const { return SysBrush(COLOR_BTNFACE); }
HBRUSH TcbBarItemControlPainter::GetSelectedItemBrush(const TcbBarManager*) const
{
    return SysBrush(COLOR_HIGHLIGHT);
}
int32_t TcbBarItemControlPainter::GetComboButtonWidth(int32_t Size) const { return 2 * Size - 1; }
int32_t TcbBarItemControlPainter::GetEditExtraHeight() const { return 6; }
int32_t TcbBarItemControlPainter::GetEditHeight(int32_t TextHeight) const
{
    return TextHeight + GetEditExtraHeight();
}
bool TcbBarItemControlPainter::IsCloseButtonHotTracked() const { return false; }
bool TcbBarItemControlPainter::IsBarMarkShown() const { return false; }
int32_t TcbBarItemControlPainter::GetSeparatorOffset() const { return (GetSeparatorSize() - 2) / 2; }
int32_t TcbBarItemControlPainter::GetSeparatorSize() const { return 6; }

TRect TcbBarItemControlPainter::GetBarNCBorders(const IcbBar* Bar) const
{
    const int32_t W = GetBarNCBorderWidth(Bar);
    return Rect(W, W, W, W);
}

int32_t TcbBarItemControlPainter::GetBarNCBorderWidth(const IcbBar*) const { return 1; }
TRect TcbBarItemControlPainter::GetBarBorderOffsets(const IcbBar*, TcbBarDockingStyle) const { return Rect(2, 2, 2, 2); }
int32_t TcbBarItemControlPainter::GetFloatingCaptionHeight() const { return GetSmallCaptionHeight() + 1; }

void TcbBarItemControlPainter::DrawFloatingCaptionBackground(const IcbBar*, HDC DC, const TRect& R,
                                                             bool Active) const
{
    HBRUSH B = CreateSolidBrush(ColorToRGB(GetFloatingCaptionColor(Active)));
    FillRect(DC, &R, B);
    DeleteObject(B);
}

int32_t TcbBarItemControlPainter::GetSmallCaptionHeight() const
{
    NONCLIENTMETRICSA Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0))
        return GetSystemMetrics(SM_CYSMCAPTION);
    return Metrics.iSmCaptionHeight;
}

bool TcbBarItemControlPainter::UseThemedFloatingCaption() const { return false; }

TSize TcbBarItemControlPainter::GetCloseButtonSize() const
{
    const int32_t S = GetSmallCaptionHeight();
    return TSize{S, S};
}

void TcbBarItemControlPainter::DrawBarSeparator(const IcbBar*, HDC DC, const TRect& R, bool Horizontal) const
{
    // An etched pair of lines across the separator's middle.
    TRect Line = R;
    if (Horizontal) {
        Line.left = R.left + GetSeparatorOffset();
        Line.right = Line.left + 2;
        DrawEdge(DC, &Line, EDGE_ETCHED, BF_LEFT);
    } else {
        Line.top = R.top + GetSeparatorOffset();
        Line.bottom = Line.top + 2;
        DrawEdge(DC, &Line, EDGE_ETCHED, BF_TOP);
    }
}

void TcbBarItemControlPainter::DrawFlatCloseButton(const IcbBar* Bar, HDC DC, const TRect& R,
                                                   TcbButtonState State) const
{
    TRect Box = R;
    if (State != bstNormal) {
        DrawHighlightFrame(DC, Box);
        InflateRect(&Box, -1, -1);
    }
    HBRUSH B = CreateSolidBrush(ColorToRGB(GetFloatingCaptionColor(Bar->IsOwnerFormActive())));
    FillRect(DC, &Box, B);
    DeleteObject(B);
    // The cross, two diagonal strokes in the caption text colour.
    HPEN Pen = CreatePen(PS_SOLID, 1, ColorToRGB(GetFloatingCaptionTextColor(Bar)));
    HGDIOBJ Old = SelectObject(DC, Pen);
    const int32_t S = std::min(Box.right - Box.left, Box.bottom - Box.top) / 2 - 1;
    const int32_t X = (Box.left + Box.right) / 2 - S / 2, Y = (Box.top + Box.bottom) / 2 - S / 2;
    MoveToEx(DC, X, Y, nullptr);
    LineTo(DC, X + S, Y + S);
    MoveToEx(DC, X + S - 1, Y, nullptr);
    LineTo(DC, X - 1, Y + S);
    SelectObject(DC, Old);
    DeleteObject(Pen);
}

void TcbBarItemControlPainter::DrawCloseButton(const IcbBar*, HDC, const TRect&) const {}
void TcbBarItemControlPainter::DrawDockedBarBorder(const IcbBar*, HDC, HBRUSH, TRect) const {}
void TcbBarItemControlPainter::DrawFloatingBarBorder(const IcbBar*, HDC, HBRUSH, TRect) const {}

void TcbBarItemControlPainter::DrawFloatingCaption(const IcbBar* Bar, HDC DC, const TRect& R,
                                                   const TRect& MarkRect) const
{
    const bool Active = Bar->IsOwnerFormActive();
    DrawFloatingCaptionBackground(Bar, DC, R, Active);
    NONCLIENTMETRICSA Metrics{};
    Metrics.cbSize = sizeof(Metrics);
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(Metrics), &Metrics, 0);
    HFONT Font = CreateFontIndirectA(&Metrics.lfSmCaptionFont);
    HGDIOBJ OldFont = SelectObject(DC, Font);
    TRect Text = R;
    if (Bar->IsMarkVisible())
        AdjustCaptionTextRect(Bar, MarkRect, Text);
    const TSize Close = GetCloseButtonSize();
    if (Bar->CanClose())
        Text.right -= Close.cx;
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = SetTextColor(DC, ColorToRGB(GetFloatingCaptionTextColor(Bar)));
    const std::string Caption = Bar->GetCaption();
    DrawTextA(DC, Caption.c_str(), static_cast<int>(Caption.size()), &Text,
              DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
    SelectObject(DC, OldFont);
    DeleteObject(Font);
    if (Bar->CanClose()) {
        // Where the bar redraws it on a state change and hit-tests it: the strip's right part,
        // a caption height wide, shrunk to the button and centred.
        const int32_t Height = GetSmallCaptionHeight();
        TRect Button = Rect(R.right - Height, R.top, R.right, R.bottom);
        if (Button.right - Button.left > Close.cx) {
            Button.left += (Button.right - Button.left - Close.cx) / 2;
            Button.right = Button.left + Close.cx;
        }
        if (Button.bottom - Button.top > Close.cy) {
            Button.top += (Button.bottom - Button.top - Close.cy) / 2;
            Button.bottom = Button.top + Close.cy;
        }
        DrawCloseButton(Bar, DC, Button);
    }
    if (Bar->IsMarkVisible())
        DrawMark(Bar, DC, MarkRect);
}

void TcbBarItemControlPainter::DrawMark(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    DrawMarkArrow(Bar, DC, R);
}

void TcbBarItemControlPainter::DrawBarMark(const IcbBar* Bar, HDC DC, HBRUSH Brush, const TRect& MarkRect) const
{
    DrawBarMarkBackground(Bar, DC, Brush, MarkRect);
    DrawBarMarkSymbols(Bar, DC, MarkRect);
}

void TcbBarItemControlPainter::DrawMDIButton(const IcbBar*, HDC, const TRect&, TcbMDIButton, bool, bool) const {}

void TcbBarItemControlPainter::DrawBarSizeGrip(const IcbBar* Bar, HDC DC, const TRect& ClientRect) const
{
    const TSize S = GetSizeGripSize();
    const TRect R = Rect(ClientRect.right - S.cx, ClientRect.bottom - S.cy, ClientRect.right, ClientRect.bottom);
    DrawSizeGripGlyph(Bar, DC, R);
}

void TcbBarItemControlPainter::DrawSizeGripBackground(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    Bar->FillBackground(DC, R, Bar->GetBkBrush(), clNone);
}

int32_t TcbBarItemControlPainter::GetFloatingSideIndent() const { return 0; }

TRect TcbBarItemControlPainter::GetMarkRect(const IcbBar* Bar) const
{
    TRect R{};
    CalcMarkRect(Bar, R);
    return R;
}

void TcbBarItemControlPainter::CalcMarkRect(const IcbBar*, TRect& R) const
{
    R = TRect{};
}

void TcbBarItemControlPainter::RedrawMark(const IcbBar* Bar) const
{
    HWND Wnd = Bar->GetHandle();
    if (!Wnd)
        return;
    HDC DC = GetWindowDC(Wnd);
    TRect R = GetMarkRect(Bar);
    const TPoint Offset = Bar->GetClientOffset();
    OffsetRect(&R, Offset.x, Offset.y);
    DrawBarMark(Bar, DC, Bar->GetCachedBarBrush(), R);
    ReleaseDC(Wnd, DC);
}

int32_t TcbBarItemControlPainter::GetFloatingTopIndent() const { return 0; }
int32_t TcbBarItemControlPainter::GetFloatingBottomIndent() const { return 0; }
bool TcbBarItemControlPainter::UseSystemFloatingHitTest() const { return false; }
bool TcbBarItemControlPainter::UseSystemFloatingFrame() const { return false; }

void TcbBarItemControlPainter::DrawToolbarBackground(const IcbBar* Bar, HDC DC, const TRect& R, HBRUSH Brush) const
{
    DrawBarBackground(Bar, DC, R, Brush, clNone);
}

TSize TcbBarItemControlPainter::GetSizeGripSize() const
{
    return TSize{GetSystemMetrics(SM_CXHSCROLL), GetSystemMetrics(SM_CYHSCROLL)};
}

int32_t TcbBarItemControlPainter::GetBarTopIndent(const IcbBar*) const { return 2; }
HBRUSH TcbBarItemControlPainter::GetQuickControlBrush(const IcbBar* Bar) const { return GetToolbarBrush(Bar); }

int32_t TcbBarItemControlPainter::DrawQuickCustCheckArea(const IcbControl* Control, HDC DC, const TRect& R,
                                                         bool Checked, bool Selected) const
{
    TcbPaintFlags State{pfEnabled};
    if (Selected)
        State.Include(pfSelected);
    if (Checked) {
        State.Include(pfDown);
        State.Include(pfChecked);
    }
    DrawGlyph(Control, DC, R, State, dkMenu);
    return R.right + 1;
}

void TcbBarItemControlPainter::DrawQuickCustItemBackground(const IcbControl*, HDC, bool, const TRect&,
                                                           const TRect&) const
{
}

bool TcbBarItemControlPainter::IsQuickPopupLeftAligned() const { return false; }
int32_t TcbBarItemControlPainter::GetButtonHeightIndent() const { return 6; }
int32_t TcbBarItemControlPainter::GetButtonWidthIndent() const { return 7; }
void TcbBarItemControlPainter::AdjustGlyphColumnWidth(int32_t&) const {}
void TcbBarItemControlPainter::AdjustMenuButtonWidth(int32_t&) const {}
void TcbBarItemControlPainter::DrawDropDownPart(const IcbControl*, HDC, const TRect&, HBRUSH, TcbPaintFlags,
                                                int32_t) const
{
}
bool TcbBarItemControlPainter::IsSubMenuAttached() const { return false; }
void TcbBarItemControlPainter::ShiftRectWhenDown(const IcbControl*, TRect&) const {}
void TcbBarItemControlPainter::ShiftPressedRect(TRect&) const {}
int32_t TcbBarItemControlPainter::GetComboButtonIndent() const { return 1; }
void TcbBarItemControlPainter::DrawComboButton(const IcbControl*, HDC, const TRect&, TcbPaintFlags) const {}

void TcbBarItemControlPainter::GetComboColors(const IcbControl* Control, TcbPaintFlags State, TColor& TextColor,
                                              HBRUSH& Brush) const
{
    GetTextColors(Control, State, TextColor, Brush);
}

int32_t TcbBarItemControlPainter::GetDropDownListBorder() const { return 0; }
void TcbBarItemControlPainter::DrawDropDownListBorder(HDC, const TRect&) const {}

// ---------------------------------------------------------------------------------------------
// Sub-items and menus

int32_t TcbBarItemControlPainter::GetSubItemArrowWidth(const IcbControl* Control) const
{
    const IcbBar* Bar = Control->GetBarWindow();
    // Main menu titles carry no arrow in any style.
    if (Bar->IsMainMenu())
        return 2 * Bar->GetSpacingUnit();
    return Bar->GetRowHeight() / 2 + 2;
}

int32_t TcbBarItemControlPainter::GetSubItemHeight(const IcbControl* Control) const
{
    const IcbBar* Bar = Control->GetBarWindow();
    if (Bar->GetKind() == bwkMenu) {
        const TcbSubMenuMetrics M = Bar->GetSubMenuMetrics();
        return std::max(M.TextHeight + 4, M.ColumnMinimum - 2);
    }
    int32_t Height = Bar->GetRowHeight();
    TcbBarManager* Manager = Bar->GetBarManager();
    if (Control->HasGlyph() && Manager)
        Height = std::max(Height, Manager->GetButtonHeight());
    return Height;
}

int32_t TcbBarItemControlPainter::GetSubItemWidth(const IcbControl* Control) const
{
    const IcbBar* Bar = Control->GetBarWindow();
    TScreenDC Screen;
    const int32_t Caption = TextWidthOf(Screen.Get(), Bar->GetFontHandle(), StripAmpersands(Control->GetCaption()));
    if (Bar->GetKind() == bwkMenu)
        return Caption + 2 * Bar->GetSubMenuMetrics().GlyphColumnWidth + 6;
    TcbBarManager* Manager = Bar->GetBarManager();
    const TcbBarPaintStyle Style = Control->GetRealPaintStyle();
    const bool ShowsGlyph = Control->HasGlyph() && Style != psCaption;
    const bool ShowsCaption = Style != psStandard || !Control->HasGlyph();
    int32_t Width = ShowsGlyph && Manager ? Manager->GetButtonWidth() : 2 * Bar->GetSpacingUnit();
    if (ShowsCaption)
        Width += Caption;
    return Width + GetSubItemArrowWidth(Control);
}

void TcbBarItemControlPainter::DrawSubItem(const IcbControl* Control, HDC DC, const TRect& R, TcbPaintFlags State,
                                           TcbDrawKind Kind) const
{
    if (Kind == dkMenu) {
        DrawMenuItem(Control, DC, R, State);
        const TRect Arrow = Rect(R.right - R.bottom + R.top, R.top, R.right, R.bottom);
        DrawCenteredArrow(DC, Arrow, false, State.Contains(pfEnabled), State.Contains(pfSelected));
        return;
    }
    TColor TextColor = clBtnText;
    HBRUSH Brush = nullptr;
    GetTextColors(Control, State, TextColor, Brush);
    DrawItemBackground(Control, DC, R, Brush, false);
    TRect Text = R;
    if (Control->HasGlyph() && Control->GetRealPaintStyle() != psCaption) {
        DrawGlyph(Control, DC, R, State, Kind);
        TcbBarManager* Manager = ManagerOf(Control);
        if (Manager) {
            if (Kind == dkVertical)
                Text.top += Manager->GetButtonHeight();
            else
                Text.left += Manager->GetButtonWidth();
        }
    }
    if (Control->GetBarWindow()->IsMainMenu() || Control->GetRealPaintStyle() != psStandard || !Control->HasGlyph())
        DrawCaption(Control, DC, Text, true, Kind == dkVertical, State.Contains(pfEnabled), State,
                    Control->GetCaption(), DT_CENTER | DT_VCENTER);
}

int32_t TcbBarItemControlPainter::GetSubMenuInnerBorder() const { return 2; }
int32_t TcbBarItemControlPainter::GetSubMenuBeginGroupSize() const { return 10; }
int32_t TcbBarItemControlPainter::GetSubMenuBorderWidth() const { return 3; }

void TcbBarItemControlPainter::CalcSubMenuMetrics(const IcbBar* Menu, HDC DC, TcbSubMenuMetrics& Metrics) const
{
    TScreenDC Screen;
    Metrics.TextHeight = TextHeightOf(DC ? DC : Screen.Get(), Menu->GetFontHandle());
    Metrics.ArrowSize = Metrics.TextHeight / 4 * 3 + 1;
    Metrics.DigitSize = TextWidthOf(DC ? DC : Screen.Get(), Menu->GetFontHandle(), "0") + 1;
    Metrics.ColumnMinimum = 19;
    // Menus never double their glyphs.
    int32_t Column = 16;
    AdjustGlyphColumnWidth(Column);
    Metrics.GlyphColumnWidth = Column;
}

void TcbBarItemControlPainter::CalcSubMenuItemsRect(const IcbBar* Menu, TcbSubMenuItemsArea& Area) const
{
    const TRect Client = Menu->GetClientRect();
    Area.ItemsRect = Rect(Menu->GetSubMenuMetrics().GlyphColumnWidth + 2, 2, Client.right - 2, Client.bottom - 2);
    if (Menu->IsDetachable())
        Area.ItemsRect.top += GetDetachBandHeight(Menu);
    Area.ItemsRect.bottom -= Menu->GetBottomReserve();
    Area.FirstVisibleIndex = Menu->GetFirstVisibleIndex();
    Area.ScrollLimit = Menu->CanScrollUp() || Menu->CanScrollDown() ? Menu->GetItemControlCount() - 1 : 0x7FFFFFFF;
}

TSize TcbBarItemControlPainter::CalcSubMenuSize(const IcbBar* Menu) const
{
    int32_t Widest = 0, Rows = 0;
    const int32_t Count = cbPainterShared::MeasureSubMenuRows(*this, Menu, Widest, Rows);
    TSize Size{Count == 0 ? 100 : Widest + Menu->GetSubMenuMetrics().GlyphColumnWidth + 6, Rows + 4};
    if (Menu->IsDetachable())
        Size.cy += GetDetachBandHeight(Menu);
    return Size;
}

int32_t TcbBarItemControlPainter::GetDetachBandHeight(const IcbBar* Menu) const
{
    return Menu->GetDetachCaptionHeight() + 3;
}

void TcbBarItemControlPainter::DrawSubMenuContent(const IcbBar* Menu, HDC DC) const
{
    const TRect Client = Menu->GetClientRect();
    TcbSubMenuItemsArea Area;
    CalcSubMenuItemsRect(Menu, Area);
    const int32_t Row = Menu->GetSubMenuMetrics().TextHeight + 4;
    if (Menu->CanScrollUp())
        DrawSubMenuScrollArrow(Menu, DC, Rect(Client.left, Area.ItemsRect.top, Client.right, Area.ItemsRect.top + Row),
                               true);
    if (Menu->CanScrollDown())
        DrawSubMenuScrollArrow(Menu, DC,
                               Rect(Client.left, Area.ItemsRect.bottom - Row, Client.right, Area.ItemsRect.bottom),
                               false);
    if (Menu->HasExpandButton()) {
        const TRect Expand = Rect(Client.left, Client.bottom - Menu->GetBottomReserve(), Client.right, Client.bottom);
        DrawSubMenuExpandButton(Menu, DC, Expand, Menu->GetExpandMarkState());
        ExcludeClipRect(DC, Expand.left, Expand.top, Expand.right, Expand.bottom);
    }
    DrawSubMenuBackground(Menu, DC, Client);
    IntersectClipRect(DC, Area.ItemsRect.left, Area.ItemsRect.top, Area.ItemsRect.right, Area.ItemsRect.bottom);
}

void TcbBarItemControlPainter::DrawSubMenuBackground(const IcbBar* Menu, HDC DC, const TRect& R) const
{
    TBitmap* Picture = Menu->GetBarManager() ? Menu->GetBarManager()->GetBackgrounds()->GetSubMenu() : nullptr;
    FillRectWithBitmap(DC, R, Menu->GetClientRect(), Picture && !Picture->GetEmpty() ? Picture : nullptr, clNone,
                       cbResolveBrush(Menu->GetBkBrush()));
}

void TcbBarItemControlPainter::DrawSubMenuBorder(const IcbBar* Menu, HDC DC, const TRect& WindowRect) const
{
    TRect R = WindowRect;
    DrawEdge(DC, &R, EDGE_RAISED, BF_RECT);
    InflateRect(&R, -2, -2);
    FrameRect(DC, &R, cbResolveBrush(GetSubMenuBrush()));
    if (Menu->IsDetachable()) {
        TRect Band = Rect(R.left + 1, R.top + 1, R.right - 1, R.top + 1 + GetDetachBandHeight(Menu));
        AdjustDetachBandRect(Band);
        DrawDetachBand(Menu, DC, Band);
    }
}

void TcbBarItemControlPainter::DrawSubMenuSideBand(const IcbBar* Menu, HDC DC, HBRUSH Brush,
                                                   const TRect& ClientRect) const
{
    TRect R = ClientRect;
    if (Menu->IsDetachable())
        R.top -= 2;
    DrawEdge(DC, &R, BDR_RAISEDINNER, BF_RECT);
    InflateRect(&R, -1, -1);
    FrameRect(DC, &R, cbResolveBrush(Brush));
}

void TcbBarItemControlPainter::DrawDetachBand(const IcbBar* Menu, HDC DC, const TRect& R) const
{
    FillRect(DC, &R, Menu->IsDetachBandHot() ? SysBrush(COLOR_HIGHLIGHT) : SysBrush(COLOR_ACTIVECAPTION));
}

void TcbBarItemControlPainter::DrawSubMenuBeginGroup(const IcbBar* Menu, const IcbControl* Control, HDC DC) const
{
    const TRect Item = Control->GetItemRect();
    const int32_t Caption = GetCaptionOffsetInMenu(Control);
    const TRect Band = Rect(Item.left, Item.top - GetSubMenuBeginGroupSize(), Item.right, Item.top);
    TRect Column = Rect(Band.left, Band.top, Band.left + Caption, Band.bottom);
    FillRect(DC, &Column, cbResolveBrush(Menu->GetBarBrush()));
    TRect Rest = Rect(Column.right, Band.top, Band.right, Band.bottom);
    FillRect(DC, &Rest, GetSubMenuBrush());
    TRect Line = Rect(Band.left + Caption + GetSubMenuGlyphColumnIndent(), (Band.top + Band.bottom) / 2 - 1,
                      Band.right, (Band.top + Band.bottom) / 2 + 1);
    DrawEdge(DC, &Line, EDGE_ETCHED, BF_TOP);
}

void TcbBarItemControlPainter::DrawSubMenuItemRowExtra(const IcbBar*, const IcbControl*, HDC, const TRect&) const {}
bool TcbBarItemControlPainter::UseStandardSubMenuLayout() const { return false; }
int32_t TcbBarItemControlPainter::CalcExpandMarkSize(int32_t Height) const { return (Height - 6) / 2; }
int32_t TcbBarItemControlPainter::GetExpandButtonIndent() const { return 1; }
void TcbBarItemControlPainter::AdjustDetachBandRect(TRect& R) const { InflateRect(&R, -3, -3); }
void TcbBarItemControlPainter::PrepareSubMenuItemRow(const IcbControl*, HBRUSH&) const {}

HBRUSH TcbBarItemControlPainter::GetSubMenuBrush() const
{
    return reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1));
}

// ---------------------------------------------------------------------------------------------
// Edits and combos

void TcbBarItemControlPainter::DrawEditValue(const IcbControl* Control, HDC DC, const TRect& R,
                                             TcbPaintFlags State) const
{
    TColor Text = clWindowText, Bk = clWindow;
    GetEditColors(Control, State, Text, Bk);
    HBRUSH B = CreateSolidBrush(ColorToRGB(Bk));
    FillRect(DC, &R, B);
    DeleteObject(B);
    TRect Where = R;
    InflateRect(&Where, -2, 0);
    AdjustEditValueRect(Control, Where);
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = SetTextColor(DC, ColorToRGB(Text));
    const std::string Value = Control->GetText();
    DrawTextA(DC, Value.c_str(), static_cast<int>(Value.size()), &Where,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
}

void TcbBarItemControlPainter::DrawComboListItem(HDC DC, const TRect& R, const std::string& Text, bool Selected) const
{
    FillSys(DC, R, Selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = SetTextColor(DC, GetSysColor(Selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    TextOutA(DC, R.left + 2, R.top, Text.c_str(), static_cast<int>(Text.size()));
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
}

int32_t TcbBarItemControlPainter::CalcEditCaptionWidth(const IcbControl*, int32_t CaptionTextWidth) const
{
    return CaptionTextWidth + 6;
}

void TcbBarItemControlPainter::DrawEditBorder(const IcbControl*, HDC DC, bool Selected, TcbDrawKind, TRect& R) const
{
    DrawEdge(DC, &R, Selected ? EDGE_SUNKEN : BDR_SUNKENOUTER, BF_RECT);
    InflateRect(&R, Selected ? -2 : -1, Selected ? -2 : -1);
}

void TcbBarItemControlPainter::DrawEditCaption(const IcbControl* Control, HDC DC, const TRect& R,
                                               TcbPaintFlags State) const
{
    DrawCaption(Control, DC, R, true, false, State.Contains(pfEnabled), State - TcbPaintFlags{pfSelected},
                Control->GetCaption(), DT_LEFT | DT_VCENTER);
}

void TcbBarItemControlPainter::DrawEditText(const IcbControl* Control, HDC DC, const TRect& R,
                                            TcbPaintFlags State) const
{
    HRGN Saved = nullptr;
    bool HadRgn = false;
    SaveClipRgn(DC, Saved, HadRgn);
    AddClipRect(DC, R);
    DrawEditValue(Control, DC, R, State);
    RestoreClipRgn(DC, Saved, HadRgn);
}

DWORD TcbBarItemControlPainter::GetInPlaceEditStyle() const { return ES_AUTOHSCROLL; }
void TcbBarItemControlPainter::SetupInPlaceEdit(HWND) const {}
void TcbBarItemControlPainter::InitInPlaceEditSelection(HWND Edit, bool) const
{
    SendMessageA(Edit, EM_SETSEL, 0, -1);
}

// ---------------------------------------------------------------------------------------------
// Operations the framework's own items never call

void TcbBarItemControlPainter::DrawBoxRow(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                                          int32_t PressedBox) const
{
    // Three equal boxes side by side, etched apart.
    const int32_t W = (R.right - R.left) / 3;
    for (int32_t I = 0; I < 3; ++I) {
        TRect Box = Rect(R.left + I * W, R.top, R.left + (I + 1) * W - 1, R.bottom);
        DrawFramedBackground(Control, DC, Box, Brush, true);
        if (I == PressedBox)
            ShiftPressedRect(Box);
        DrawBoxFrame(Control, DC, Box, Brush, I == PressedBox, false);
        if (I < 2)
            DrawEtchedLine(DC, Rect(R.left + (I + 1) * W - 1, R.top, R.left + (I + 1) * W, R.bottom));
    }
}

TRect TcbBarItemControlPainter::GetWindowCaptionRect(const TRect& WindowRect) const
{
    TRect R = WindowRect;
    InflateRect(&R, -GetFloatingBorderWidth(), -GetFloatingBorderHeight());
    R.bottom = R.top + GetWindowCaptionHeight();
    return R;
}

void TcbBarItemControlPainter::DrawWindowFrame(HWND, HDC DC, bool Active) const
{
    (void)Active;
    RECT R{};
    GetClipBox(DC, &R);
    DrawEdge(DC, &R, EDGE_RAISED, BF_RECT);
}

int32_t TcbBarItemControlPainter::GetWindowCaptionHeight() const { return GetSystemMetrics(SM_CYCAPTION); }
bool TcbBarItemControlPainter::UseFlatWindowFrame() const { return false; }

void TcbBarItemControlPainter::DrawFramedItem(const IcbControl*, HDC DC, const TRect& R, const std::string& Caption,
                                              bool Pushed) const
{
    TRect Box = R;
    DrawFrameControl(DC, &Box, DFC_BUTTON, DFCS_BUTTONPUSH | (Pushed ? DFCS_PUSHED : 0));
    InflateRect(&Box, -2, -2);
    DrawTextItemCaption(DC, Box, Caption);
}

TColor TcbBarItemControlPainter::GetDefaultBkColor() const { return clBtnFace; }

void TcbBarItemControlPainter::DrawLinedItem(const IcbControl*, HDC DC, const TRect& R,
                                             const std::string& Caption) const
{
    TRect Line = Rect(R.left, R.bottom - 2, R.right, R.bottom);
    DrawEdge(DC, &Line, EDGE_ETCHED, BF_TOP);
    DrawTextItemCaption(DC, Rect(R.left, R.top, R.right, R.bottom - 2), Caption);
}

void TcbBarItemControlPainter::DrawDoubleBackground(HDC DC, const TRect& R, HBRUSH Brush1, HBRUSH Brush2,
                                                    int32_t Split) const
{
    const TRect A = Rect(R.left, R.top, std::min(R.right, R.left + Split), R.bottom);
    const TRect B = Rect(A.right, R.top, R.right, R.bottom);
    FillRect(DC, &A, Brush1);
    FillRect(DC, &B, Brush2);
}

TColor TcbBarItemControlPainter::GetProgressBarColor() const { return clHighlight; }
int32_t TcbBarItemControlPainter::GetProgressChunkSize() const { return 12; }

void TcbBarItemControlPainter::DrawProgressBar(HDC DC, const TRect& R, int32_t Position, int32_t Min,
                                               int32_t Max) const
{
    TRect Box = R;
    DrawEdge(DC, &Box, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    FillSys(DC, Box, COLOR_BTNFACE);
    // In 64 bits: a bar over the whole int range would overflow its span otherwise.
    const int64_t Range = static_cast<int64_t>(Max) - Min;
    if (Range <= 0)
        return;
    const int64_t Done = (static_cast<int64_t>(std::clamp(Position, Min, Max)) - Min) * (Box.right - Box.left) / Range;
    TRect Bar = Rect(Box.left, Box.top, Box.left + static_cast<int32_t>(Done), Box.bottom);
    HBRUSH B = CreateSolidBrush(ColorToRGB(GetProgressBarColor()));
    FillRect(DC, &Bar, B);
    DeleteObject(B);
}

int32_t TcbBarItemControlPainter::GetNoGlyphCaptionIndent(const IcbControl*) const { return 0; }
int32_t TcbBarItemControlPainter::GetFlatContentIndent() const { return 0; }
HBRUSH TcbBarItemControlPainter::GetShadowBrush() const { return SysBrush(COLOR_BTNSHADOW); }

void TcbBarItemControlPainter::DrawCaptionedSeparator(const IcbControl* Control, HDC DC, const TRect& R,
                                                      const std::string& Caption) const
{
    FillRect(DC, &R, GetShadowBrush());
    TRect Text = R;
    Text.right -= R.bottom - R.top;
    DrawCaption(Control, DC, Text, true, false, true, TcbPaintFlags{pfEnabled}, Caption, DT_LEFT | DT_VCENTER);
    DrawSizedArrow(DC, Rect(Text.right, R.top, R.right, R.bottom), true, true, false, 3);
}

TcbPainterClass BasePainter()
{
    static const TcbBarItemControlPainter Instance;
    return &Instance;
}

// ---------------------------------------------------------------------------------------------
// The style-to-painter table

namespace {

constexpr int kStyleCount = bmsUseLookAndFeel + 1;
TcbPainterClass gStylePainters[kStyleCount] = {};
TcbPainterClass gThemedXPPainter = nullptr;

} // namespace

void RegisterStylePainter(TcbBarManagerStyle Style, TcbPainterClass Painter)
{
    if (Style >= 0 && Style < kStyleCount)
        gStylePainters[Style] = Painter;
}

TcbPainterClass StylePainter(TcbBarManagerStyle Style)
{
    if (Style >= 0 && Style < kStyleCount && gStylePainters[Style])
        return gStylePainters[Style];
    return gStylePainters[bmsEnhanced] ? gStylePainters[bmsEnhanced] : BasePainter();
}

void RegisterThemedXPPainter(TcbPainterClass Painter)
{
    gThemedXPPainter = Painter;
}

TcbPainterClass ThemedXPPainter()
{
    return gThemedXPPainter ? gThemedXPPainter : StylePainter(bmsXP);
}

void ResetStylePainters()
{
    for (auto& P : gStylePainters)
        P = nullptr;
    gThemedXPPainter = nullptr;
}
