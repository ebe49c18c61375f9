#include "commandbars/painters/cbPainterXP.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include <vssym32.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/painters/cbPainterFlat.h"
#include "commandbars/painters/cbPainterShared.h"
#include "commandbars/painters/cbPainterStandard.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Graphics.h"

namespace {

using cbPainterShared::InMenu;
using cbPainterShared::IsVerticalDock;

// Part and state tables.
constexpr int kGripperPart[2] = {RP_GRIPPER, RP_GRIPPERVERT};                 // by vertically docked
constexpr int kCaptionButtonState[3] = {CBS_NORMAL, CBS_HOT, CBS_PUSHED};     // by close-button state
constexpr int kMDIPart[3] = {WP_MDIMINBUTTON, WP_MDIRESTOREBUTTON, WP_MDICLOSEBUTTON};
constexpr int kMarkState[3] = {TS_NORMAL, TS_HOT, TS_PRESSED};                // by mark state
constexpr int kFloatingCaptionColor[2] = {COLOR_INACTIVECAPTION, COLOR_ACTIVECAPTION}; // by active flag

// The bounding square that content rectangles are measured in.
constexpr int32_t kProbeSize = 100;

// The Flat style's instance, whose operations this style borrows.
TcbPainterClass Flat()
{
    return FlatPainter();
}

int32_t ButtonStateIndex(TcbButtonState State)
{
    return std::clamp<int32_t>(State, bstNormal, bstPressed);
}

// Draws a part of a class; nothing when the class does not open.
void DrawPart(TcbThemeClass Class, HDC DC, int Part, int State, const TRect& R, const TRect* Clip = nullptr)
{
    if (HTHEME Theme = OpenThemeClass(Class))
        UxTheme::DrawThemeBackground(Theme, DC, Part, State, &R, Clip);
}

// A part's size on DC, or on the screen without one; zero when the class does not open or the
// query fails.
TSize PartSize(TcbThemeClass Class, int Part, int State, THEMESIZE Kind, HDC DC = nullptr)
{
    SIZE S{};
    HTHEME Theme = OpenThemeClass(Class);
    if (!Theme)
        return S;
    HDC Screen = DC ? nullptr : GetDC(nullptr);
    if (FAILED(UxTheme::GetThemePartSize(Theme, DC ? DC : Screen, Part, State, nullptr, Kind, &S)))
        S = SIZE{};
    if (Screen)
        ReleaseDC(nullptr, Screen);
    return SIZE{std::max<LONG>(S.cx, 0), std::max<LONG>(S.cy, 0)};
}

// The content rectangle of a part inside Bounds. A failed query counts as no margins: a
// cleared rectangle would count as margins as large as the part itself.
TRect ContentRect(HTHEME Theme, HDC DC, int Part, int State, const TRect& Bounds)
{
    TRect Content = Bounds;
    HDC Screen = DC ? nullptr : GetDC(nullptr);
    if (FAILED(UxTheme::GetThemeBackgroundContentRect(Theme, DC ? DC : Screen, Part, State, &Bounds, &Content)))
        Content = Bounds;
    if (Screen)
        ReleaseDC(nullptr, Screen);
    return Content;
}

// Fills an empty cache picture of Size with Brush and then the theme part; false without a
// cache (the caller draws directly).
bool FillCacheOnce(TBitmap* Cache, const TRect& Size, HBRUSH Brush, TcbThemeClass Class, int Part, int State)
{
    if (!Cache)
        return false;
    if (!Cache->GetEmpty())
        return true;
    const int32_t W = Size.right - Size.left, H = Size.bottom - Size.top;
    if (W <= 0 || H <= 0)
        return false;
    Cache->SetSize(W, H);
    HDC CacheDC = Cache->GetCanvas()->GetHandle();
    const TRect Whole = Rect(0, 0, W, H);
    FillRect(CacheDC, &Whole, Brush);
    DrawPart(Class, CacheDC, Part, State, Whole);
    return true;
}

void CopyFromCache(TBitmap* Cache, HDC DC, const TRect& R, const TRect& Client)
{
    HDC CacheDC = Cache->GetCanvas()->GetHandle();
    BitBlt(DC, R.left, R.top, R.right - R.left, R.bottom - R.top, CacheDC, R.left - Client.left, R.top - Client.top,
           SRCCOPY);
}

// Whether a dock row gets its highlight and shadow lines: not when all its bars are borderless
// or its first bordered bar is a status bar.
bool RowHasLines(const IcbDockSite* Site, int32_t Row)
{
    for (int32_t I = 0; I < Site->GetRowBarCount(Row); ++I) {
        const TcbBar* Bar = Site->GetRowBar(Row, I);
        if (!Bar || Bar->GetBorderStyle() == bbsNone)
            continue;
        return !Bar->IsStatusBar();
    }
    return false;
}

// The brush a window's rows lie on: a menu window's row brush while it paints a row (the menu
// colour, or the band of rarely used items), a bar window's background otherwise.
HBRUSH RowBrush(const IcbBar* Bar)
{
    return Bar->GetKind() == bwkMenu ? Bar->GetCachedBarBrush() : Bar->GetBkBrush();
}

// Saves the DC's clip region for one call and restores it when the call ends.
class TClipScope {
public:
    explicit TClipScope(HDC DC) : FDC(DC) { SaveClipRgn(DC, FRgn, FHadRgn); }
    ~TClipScope() { RestoreClipRgn(FDC, FRgn, FHadRgn); }
    TClipScope(const TClipScope&) = delete;
    TClipScope& operator=(const TClipScope&) = delete;

private:
    HDC FDC;
    HRGN FRgn = nullptr;
    bool FHadRgn = false;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Buttons and glyphs

void TcbBarItemControlXPPainter::DrawGlyphBorder(const IcbControl* Control, HDC DC, HBRUSH Brush, const TRect& R,
                                                 TcbPaintFlags State, bool) const
{
    const bool Menu = InMenu(Control);
    const bool Selected = State.Contains(pfSelected) || (Control && Control->IsSelected());
    const bool Pressed = State.Contains(pfPressed);
    const bool Down = State.Contains(pfDown) || State.Contains(pfChecked);
    // A hot menu row keeps its glyph on the row's fill, without a button around it.
    if (Menu && Selected && Control->HasGlyph() && !Down) {
        FillRect(DC, &R, Brush);
        return;
    }
    DrawItemBackground(Control, DC, R, Brush, false);
    // A main-menu title is a plain highlight block, as the system's own menu bar shows it.
    if (!Menu && IsThemedControlClass(Control) && (State.Contains(pfSelected) || Pressed || Down)) {
        FillRect(DC, &R, GetSysColorBrush(COLOR_HIGHLIGHT));
        return;
    }
    int ThemeState = TS_NORMAL;
    if (!State.Contains(pfEnabled))
        ThemeState = TS_DISABLED;
    else if (Pressed)
        ThemeState = TS_PRESSED;
    else if (Down)
        ThemeState = TS_CHECKED;
    else if (State.Contains(pfSelected))
        ThemeState = TS_HOT;
    // A split button's main part; its drop-down half is drawn apart (DrawDropDownPart).
    const bool Split = !Menu && Control && Control->GetButtonStyle() == bsDropDown;
    DrawPart(tcToolBar, DC, Split ? TP_SPLITBUTTON : TP_BUTTON, ThemeState, R);
}

void TcbBarItemControlXPPainter::DrawCheckMark(const IcbControl* Control, HDC DC, int32_t X, int32_t Y,
                                               int32_t Scale) const
{
    Flat()->DrawCheckMark(Control, DC, X, Y, Scale);
}

TColor TcbBarItemControlXPPainter::GetDisabledImageColor(const TcbBarManager*) const
{
    return BlendColors(GetToolbarThemeFillColor(), clBtnShadow, 70);
}

bool TcbBarItemControlXPPainter::IsThemedControlClass(const IcbControl* Control) const
{
    const IcbBar* Bar = Control ? Control->GetBarWindow() : nullptr;
    return Bar && Control->GetKind() == ickSubItem && Bar->GetKind() == bwkToolbar && Bar->IsMainMenu();
}

void TcbBarItemControlXPPainter::DrawSizeGripGlyph(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    Bar->FillBackground(DC, R, Bar->GetBkBrush(), clNone);
    DrawPart(tcStatus, DC, SP_GRIPPER, 0, R);
}

void TcbBarItemControlXPPainter::DrawBarMarkBackground(const IcbBar* Bar, HDC DC, HBRUSH Brush,
                                                       const TRect& MarkRect) const
{
    Bar->FillBackground(DC, MarkRect, Brush, clNone);
    TRect R = MarkRect;
    // Without a border the bar is thinner across, and so is its mark.
    if (Bar->IsBorderless()) {
        if (IsVerticalDock(Bar->GetDockingStyle()))
            InflateRect(&R, -1, 0);
        else
            InflateRect(&R, 0, -1);
    }
    DrawPart(tcToolBar, DC, TP_BUTTON, kMarkState[ButtonStateIndex(Bar->GetMarkState())], R);
}

void TcbBarItemControlXPPainter::DrawBarMarkSymbols(const IcbBar* Bar, HDC DC, const TRect& MarkRect) const
{
    Flat()->DrawBarMarkSymbols(Bar, DC, MarkRect);
}

void TcbBarItemControlXPPainter::AdjustCaptionTextRect(const IcbBar* Bar, const TRect& MarkRect, TRect& R) const
{
    Flat()->AdjustCaptionTextRect(Bar, MarkRect, R);
}

void TcbBarItemControlXPPainter::AdjustEditValueRect(const IcbControl* Control, TRect& R) const
{
    Flat()->AdjustEditValueRect(Control, R);
}

void TcbBarItemControlXPPainter::DrawMenuItem(const IcbControl* Control, HDC DC, const TRect& R,
                                              TcbPaintFlags State) const
{
    const IcbBar* Bar = Control->GetBarWindow();
    const bool Selected = State.Contains(pfSelected);
    const bool Checked = State.Contains(pfDown) || State.Contains(pfChecked);
    const int32_t Height = R.bottom - R.top;
    const TRect Square = Rect(R.left, R.top, R.left + Height, R.bottom);
    // A checked glyph keeps its checked look on a hot row.
    TcbPaintFlags GlyphState = State;
    if (Selected && Control->HasGlyph() && Checked)
        GlyphState.Exclude(pfSelected);
    DrawGlyph(Control, DC, Square, GlyphState, dkMenu);
    const TRect Rest = Rect(Square.right, R.top, R.right, R.bottom);
    DrawItemBackground(Control, DC, Rest, Selected ? Bar->GetSelectedItemBrush() : RowBrush(Bar), Selected);
    const TRect Text = Rect(Square.right + 2, R.top, R.right - Height, R.bottom);
    const bool Enabled = Control->IsEnabled();
    DrawCaption(Control, DC, Text, true, false, Enabled, State, Control->GetCaption(), DT_LEFT | DT_VCENTER);
    const std::string ShortCut = Control->GetShortCutText();
    if (!ShortCut.empty())
        DrawCaption(Control, DC, Text, true, false, Enabled, State, ShortCut, DT_RIGHT | DT_VCENTER | DT_NOPREFIX);
}

void TcbBarItemControlXPPainter::DrawLoweredBorder(HDC DC, TRect& R) const
{
    StandardPainter()->DrawLoweredBorder(DC, R);
}

HBRUSH TcbBarItemControlXPPainter::GetCheckMarkColor(const IcbControl* Control, TcbPaintFlags State) const
{
    const IcbBar* Bar = Control ? Control->GetBarWindow() : nullptr;
    if (!Bar)
        return GetSysColorBrush(COLOR_BTNFACE);
    const bool Checked = State.Contains(pfDown) || State.Contains(pfChecked);
    if (InMenu(Control) && State.Contains(pfSelected) && Checked && !State.Contains(pfPressed))
        return Bar->GetSelectedItemBrush();
    return RowBrush(Bar);
}

int32_t TcbBarItemControlXPPainter::GetDownGlyphOffset() const { return 1; }

int32_t TcbBarItemControlXPPainter::GetSelectedGlyphOffset(const IcbControl* Control) const
{
    return Control && Control->IsDown() ? 0 : 1;
}

// ---------------------------------------------------------------------------------------------
// Grips, arrows and docked bars

int32_t TcbBarItemControlXPPainter::GetDockedBarBorderSize() const { return 0; }

int32_t TcbBarItemControlXPPainter::GetGripAreaSize() const
{
    return GetDockedBarBorderSize() + GetGripWidth(nullptr) + 2;
}

int32_t TcbBarItemControlXPPainter::GetGripWidth(const IcbBar*) const
{
    return PartSize(tcRebar, RP_GRIPPER, 1, TS_TRUE).cx;
}

int32_t TcbBarItemControlXPPainter::GetButtonArrowWidth(const TcbBarManager* Manager) const
{
    return TcbBarItemControlPainter::GetButtonArrowWidth(Manager) + 3;
}

int32_t TcbBarItemControlXPPainter::GetLargeButtonArrowWidth(const TcbBarManager* Manager) const
{
    return TcbBarItemControlPainter::GetLargeButtonArrowWidth(Manager) + 3;
}

void TcbBarItemControlXPPainter::DrawDockControlBackground(const IcbDockSite* Site, HDC DC, const TRect& R,
                                                           const TRect&, HBRUSH Brush) const
{
    HBRUSH Fill = Brush ? cbResolveBrush(Brush) : GetSysColorBrush(COLOR_BTNFACE);
    const TRect Client = Site->GetClientRect();
    TBitmap* Cache = Site->GetBackgroundCache();
    const bool Fresh = Cache && Cache->GetEmpty();
    if (!FillCacheOnce(Cache, Client, Fill, tcRebar, 0, 1)) {
        // No cache to keep: the rebar background straight into the DC, without row lines.
        FillRect(DC, &R, Fill);
        DrawPart(tcRebar, DC, 0, 1, Client, &R);
        return;
    }
    if (Fresh) {
        HDC CacheDC = Cache->GetCanvas()->GetHandle();
        const TcbBarDockingStyle Style = Site->GetDockingStyle();
        const bool Vertical = IsVerticalDock(Style);
        const int32_t Rows = Site->GetRowCount();
        for (int32_t Row = 0; Row < Rows; ++Row) {
            if (!RowHasLines(Site, Row))
                continue;
            TRect Bounds = Site->GetRowRect(Row);
            OffsetRect(&Bounds, -Client.left, -Client.top);
            const bool Highlight = !(Row == 0 && (Style == dsTop || Style == dsLeft));
            const bool Shadow = !(Row == Rows - 1 && (Style == dsTop || Style == dsBottom || Style == dsRight));
            if (Highlight) {
                const TRect Line = Vertical ? Rect(Bounds.left, Bounds.top, Bounds.left + 1, Bounds.bottom)
                                            : Rect(Bounds.left, Bounds.top, Bounds.right, Bounds.top + 1);
                FillRect(CacheDC, &Line, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
            }
            if (Shadow) {
                const TRect Line = Vertical ? Rect(Bounds.right - 1, Bounds.top, Bounds.right, Bounds.bottom)
                                            : Rect(Bounds.left, Bounds.bottom - 1, Bounds.right, Bounds.bottom);
                FillRect(CacheDC, &Line, GetSysColorBrush(COLOR_BTNSHADOW));
            }
        }
    }
    CopyFromCache(Cache, DC, R, Client);
}

bool TcbBarItemControlXPPainter::IsItemBackgroundTransparent() const { return true; }

bool TcbBarItemControlXPPainter::IsFloatingBarFlat(const IcbBar* Bar) const
{
    return Bar && Bar->GetDockingStyle() == dsNone;
}

HBRUSH TcbBarItemControlXPPainter::GetBarBrush(const TcbBarManager* Manager) const
{
    if (Manager && Manager->GetThemedBarBrush())
        return Manager->GetThemedBarBrush();
    return TcbBarItemControlPainter::GetBarBrush(Manager);
}

int32_t TcbBarItemControlXPPainter::GetComboButtonWidth(int32_t) const
{
    return PartSize(tcComboBox, CP_DROPDOWNBUTTON, CBXS_NORMAL, TS_TRUE).cx;
}

int32_t TcbBarItemControlXPPainter::GetEditExtraHeight() const
{
    HTHEME Theme = OpenThemeClass(tcEdit);
    if (!Theme)
        return 0;
    const TRect Bounds = Rect(0, 0, kProbeSize, kProbeSize);
    const TRect Content = ContentRect(Theme, nullptr, EP_EDITTEXT, ETS_NORMAL, Bounds);
    return std::max<int32_t>(0, kProbeSize - (Content.right - Content.left) + 5);
}

bool TcbBarItemControlXPPainter::IsCloseButtonHotTracked() const { return true; }
bool TcbBarItemControlXPPainter::IsBarMarkShown() const { return true; }

int32_t TcbBarItemControlXPPainter::GetSeparatorOffset() const
{
    return std::max<int32_t>(0, (GetSeparatorSize() - 1) / 2);
}

int32_t TcbBarItemControlXPPainter::GetSeparatorSize() const
{
    return PartSize(tcToolBar, TP_SEPARATOR, TS_NORMAL, TS_MIN).cx;
}

int32_t TcbBarItemControlXPPainter::GetBarNCBorderWidth(const IcbBar*) const { return 0; }

void TcbBarItemControlXPPainter::DrawFloatingCaptionBackground(const IcbBar*, HDC DC, const TRect& R,
                                                               bool Active) const
{
    FillRect(DC, &R, GetSysColorBrush(kFloatingCaptionColor[Active ? 1 : 0]));
}

bool TcbBarItemControlXPPainter::UseThemedFloatingCaption() const { return true; }

TSize TcbBarItemControlXPPainter::GetCloseButtonSize() const
{
    return PartSize(tcWindow, WP_SMALLCLOSEBUTTON, CBS_NORMAL, TS_TRUE);
}

void TcbBarItemControlXPPainter::DrawBarSeparator(const IcbBar* Bar, HDC DC, const TRect& R, bool Horizontal) const
{
    Bar->FillBackground(DC, R, Bar->GetBkBrush(), clNone);
    // TP_SEPARATOR is the vertical stroke between the controls of a horizontal bar,
    // TP_SEPARATORVERT the horizontal one of a vertical bar.
    DrawPart(tcToolBar, DC, Horizontal ? TP_SEPARATOR : TP_SEPARATORVERT, TS_NORMAL, R);
}

void TcbBarItemControlXPPainter::DrawCloseButton(const IcbBar* Bar, HDC DC, const TRect& R) const
{
    DrawPart(tcWindow, DC, WP_SMALLCLOSEBUTTON, kCaptionButtonState[ButtonStateIndex(Bar->GetCloseButtonState())], R);
}

void TcbBarItemControlXPPainter::DrawDockedBarBorder(const IcbBar* Bar, HDC DC, HBRUSH, TRect R) const
{
    if (!Bar->CanMove())
        return;
    InflateRect(&R, -2, -2);
    const TcbBarManager* Manager = Bar->GetBarManager();
    const int32_t Border = Manager ? Manager->GetDockedBarBorderSize() : GetDockedBarBorderSize();
    const int32_t Grip = GetGripWidth(Bar);
    const bool Vertical = IsVerticalDock(Bar->GetDockingStyle());
    TRect G = R;
    if (Vertical) {
        G.top = R.top + Border;
        G.bottom = G.top + Grip;
    } else {
        G.left = R.left + Border;
        G.right = G.left + Grip;
    }
    if (Grip > 0)
        DrawPart(tcRebar, DC, kGripperPart[Vertical ? 1 : 0], 1, G);
}

void TcbBarItemControlXPPainter::DrawFloatingBarBorder(const IcbBar* Bar, HDC DC, HBRUSH Brush, TRect R) const
{
    Flat()->DrawFloatingBarBorder(Bar, DC, Brush, R);
}

void TcbBarItemControlXPPainter::DrawMDIButton(const IcbBar* Bar, HDC DC, const TRect& R, TcbMDIButton Button,
                                               bool Pressed, bool Enabled) const
{
    Bar->FillBackground(DC, R, Bar->GetBarBrush(), clNone);
    const bool Hot = Bar->IsMDIButtonHot(Button);
    // The restore and close buttons' states have the minimize button's values.
    int State = MINBS_NORMAL;
    if (!Enabled)
        State = MINBS_DISABLED;
    else if (Hot && Pressed)
        State = MINBS_PUSHED;
    else if (Hot)
        State = MINBS_HOT;
    DrawPart(tcWindow, DC, kMDIPart[std::clamp<int32_t>(Button, mbMinimize, mbClose)], State, R);
}

void TcbBarItemControlXPPainter::CalcMarkRect(const IcbBar* Bar, TRect& R) const
{
    Flat()->CalcMarkRect(Bar, R);
}

void TcbBarItemControlXPPainter::DrawToolbarBackground(const IcbBar* Bar, HDC DC, const TRect& R,
                                                       HBRUSH Brush) const
{
    HBRUSH Fill = Brush ? cbResolveBrush(Brush) : GetSysColorBrush(COLOR_BTNFACE);
    const TRect Client = Bar->GetClientRect();
    TBitmap* Cache = Bar->GetBackgroundCache();
    if (FillCacheOnce(Cache, Client, Fill, tcStatus, 0, 0)) {
        CopyFromCache(Cache, DC, R, Client);
        return;
    }
    FillRect(DC, &R, Fill);
    DrawPart(tcStatus, DC, 0, 0, Client, &R);
}

TSize TcbBarItemControlXPPainter::GetSizeGripSize() const
{
    return PartSize(tcStatus, SP_GRIPPER, 0, TS_TRUE);
}

bool TcbBarItemControlXPPainter::IsQuickPopupLeftAligned() const { return true; }

int32_t TcbBarItemControlXPPainter::GetButtonHeightIndent() const
{
    HTHEME Theme = OpenThemeClass(tcToolBar);
    if (!Theme)
        return 0;
    const TRect Bounds = Rect(0, 0, kProbeSize, kProbeSize);
    const TRect Content = ContentRect(Theme, nullptr, TP_BUTTON, TS_PRESSED, Bounds);
    return std::max<int32_t>(0, kProbeSize - (Content.bottom - Content.top));
}

int32_t TcbBarItemControlXPPainter::GetButtonWidthIndent() const
{
    return GetButtonHeightIndent();
}

void TcbBarItemControlXPPainter::AdjustGlyphColumnWidth(int32_t& Width) const
{
    Width += 1;
}

void TcbBarItemControlXPPainter::DrawDropDownPart(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                                                  TcbPaintFlags Flags, int32_t ArrowKind) const
{
    DrawItemBackground(Control, DC, R, Brush, Control->IsSelected());
    const bool Enabled = Control->IsEnabled() && Flags.Contains(pfEnabled);
    const bool Pressed = Flags.Contains(pfPressed) || Flags.Contains(pfDroppedDown);
    int ThemeState = TS_NORMAL;
    if (!Enabled)
        ThemeState = TS_DISABLED;
    else if (Pressed)
        ThemeState = TS_PRESSED;
    else if (Flags.Contains(pfSelected))
        ThemeState = TS_HOT;
    if (ArrowKind != 1) {
        // The split button's drop-down half, arrow included.
        DrawPart(tcToolBar, DC, TP_SPLITBUTTONDROPDOWN, ThemeState, R);
        return;
    }
    DrawPart(tcToolBar, DC, TP_BUTTON, ThemeState, R);
    TRect Arrow = R;
    if (Pressed)
        OffsetRect(&Arrow, 1, 1);
    DrawSizedArrow(DC, Arrow, true, Enabled, false, R.right - R.left < 9 ? 2 : 3);
}

void TcbBarItemControlXPPainter::ShiftRectWhenDown(const IcbControl* Control, TRect& R) const
{
    if (Control && Control->IsDown())
        OffsetRect(&R, 1, 1);
}

void TcbBarItemControlXPPainter::ShiftPressedRect(TRect& R) const
{
    OffsetRect(&R, 1, 1);
}

// ---------------------------------------------------------------------------------------------
// Combos and edits

int32_t TcbBarItemControlXPPainter::GetComboButtonIndent() const { return 0; }

void TcbBarItemControlXPPainter::DrawComboButton(const IcbControl* Control, HDC DC, const TRect& R,
                                                 TcbPaintFlags State) const
{
    const IcbBar* Bar = Control->GetBarWindow();
    const int32_t Width = Bar ? std::min<int32_t>(Bar->GetComboButtonWidth(), R.right - R.left) : R.right - R.left;
    const TRect Button = Rect(R.right - Width, R.top, R.right, R.bottom);
    int ThemeState = CBXS_NORMAL;
    if (!Control->IsEnabled())
        ThemeState = CBXS_DISABLED;
    else if (Control->IsDroppedDown() || State.Contains(pfDroppedDown))
        ThemeState = CBXS_PRESSED;
    else if (State.Contains(pfSelected))
        ThemeState = CBXS_HOT;
    DrawPart(tcComboBox, DC, CP_DROPDOWNBUTTON, ThemeState, Button);
}

int32_t TcbBarItemControlXPPainter::GetDropDownListBorder() const
{
    return Flat()->GetDropDownListBorder();
}

void TcbBarItemControlXPPainter::DrawDropDownListBorder(HDC DC, const TRect& R) const
{
    Flat()->DrawDropDownListBorder(DC, R);
}

void TcbBarItemControlXPPainter::DrawComboListItem(HDC DC, const TRect& R, const std::string& Text,
                                                   bool Selected) const
{
    Flat()->DrawComboListItem(DC, R, Text, Selected);
}

int32_t TcbBarItemControlXPPainter::CalcEditCaptionWidth(const IcbControl*, int32_t CaptionTextWidth) const
{
    return CaptionTextWidth + 11;
}

void TcbBarItemControlXPPainter::DrawEditBorder(const IcbControl* Control, HDC DC, bool Selected, TcbDrawKind,
                                                TRect& R) const
{
    const TRect Outer = R;
    const int ThemeState = GetEditThemeState(Control->IsEnabled(), Control->IsReadOnly());
    HTHEME Theme = OpenThemeClass(tcEdit);
    if (Theme)
        R = ContentRect(Theme, DC, EP_EDITTEXT, ThemeState, Outer);
    TClipScope Clip(DC);
    ExcludeClipRect(DC, R.left, R.top, R.right, R.bottom);
    // At rest an enabled box shows no frame of its own: the bar shows through.
    if (!Theme || (Control->IsEnabled() && !Selected && !Control->IsEditing())) {
        const IcbBar* Bar = Control->GetBarWindow();
        DrawItemBackground(Control, DC, Outer, Bar ? Bar->GetBkBrush() : GetSysColorBrush(COLOR_BTNFACE), false);
    } else {
        UxTheme::DrawThemeBackground(Theme, DC, EP_EDITTEXT, ThemeState, &Outer, nullptr);
    }
}

void TcbBarItemControlXPPainter::DrawEditCaption(const IcbControl* Control, HDC DC, const TRect& R,
                                                 TcbPaintFlags State) const
{
    const IcbBar* Bar = Control->GetBarWindow();
    const std::string Caption = StripAmpersands(Control->GetCaption());
    SIZE Extent{};
    {
        HGDIOBJ Old = Bar && Bar->GetFontHandle() ? SelectObject(DC, Bar->GetFontHandle()) : nullptr;
        GetTextExtentPoint32A(DC, Caption.c_str(), static_cast<int>(Caption.size()), &Extent);
        if (Old)
            SelectObject(DC, Old);
    }
    const TRect Area = Rect(R.left, R.top, R.left + CalcEditCaptionWidth(Control, Extent.cx), R.bottom);
    const bool Menu = InMenu(Control);
    const bool Selected = Menu && (State.Contains(pfSelected) || Control->IsSelected());
    HBRUSH Brush = Bar ? (Selected ? Bar->GetSelectedItemBrush() : RowBrush(Bar)) : GetSysColorBrush(COLOR_BTNFACE);
    DrawItemBackground(Control, DC, Area, Brush, Selected);
    TcbPaintFlags CaptionState = State;
    if (!Selected)
        CaptionState.Exclude(pfSelected);
    else
        CaptionState.Include(pfSelected);
    const TRect Text = Rect(Area.left, Area.top, Area.right - 5, Area.bottom);
    DrawCaption(Control, DC, Text, true, false, Control->IsEnabled(), CaptionState, Control->GetCaption(),
                DT_LEFT | DT_VCENTER);
}

void TcbBarItemControlXPPainter::DrawEditText(const IcbControl* Control, HDC DC, const TRect& R,
                                              TcbPaintFlags) const
{
    const bool Enabled = Control->IsEnabled(), ReadOnly = Control->IsReadOnly();
    TClipScope Clip(DC);
    AddClipRect(DC, R);
    HBRUSH Fill = CreateSolidBrush(ColorToRGB(GetEditThemeFillColor(Enabled, ReadOnly)));
    FillRect(DC, &R, Fill);
    DeleteObject(Fill);
    const IcbBar* Bar = Control->GetBarWindow();
    HGDIOBJ OldFont = Bar && Bar->GetFontHandle() ? SelectObject(DC, Bar->GetFontHandle()) : nullptr;
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = SetTextColor(DC, ColorToRGB(GetEditThemeTextColor(Enabled, ReadOnly)));
    TRect Where = R;
    InflateRect(&Where, -2, 0);
    AdjustEditValueRect(Control, Where);
    const std::string Value = Control->GetText();
    DrawTextA(DC, Value.c_str(), static_cast<int>(Value.size()), &Where, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
    // The font the DC had may have been deleted meanwhile; only a live font goes back.
    if (OldFont && GetObjectType(OldFont) == OBJ_FONT)
        SelectObject(DC, OldFont);
}

DWORD TcbBarItemControlXPPainter::GetInPlaceEditStyle() const
{
    return Flat()->GetInPlaceEditStyle();
}

void TcbBarItemControlXPPainter::SetupInPlaceEdit(HWND Edit) const
{
    Flat()->SetupInPlaceEdit(Edit);
}

void TcbBarItemControlXPPainter::InitInPlaceEditSelection(HWND Edit, bool Changed) const
{
    Flat()->InitInPlaceEditSelection(Edit, Changed);
}

// ---------------------------------------------------------------------------------------------
// Menus

void TcbBarItemControlXPPainter::DrawSubItem(const IcbControl* Control, HDC DC, const TRect& R,
                                             TcbPaintFlags State, TcbDrawKind Kind) const
{
    if (Kind == dkMenu || !IsThemedControlClass(Control)) {
        TcbBarItemControlPainter::DrawSubItem(Control, DC, R, State, Kind);
        return;
    }
    // A main-menu title is one button as wide as its caption: its look covers the whole
    // rectangle, and a title whose menu is open looks pressed.
    TcbPaintFlags Look = State;
    if (State.Contains(pfOpen)) {
        Look.Include(pfPressed);
        Look.Include(pfSelected);
    }
    const IcbBar* Bar = Control->GetBarWindow();
    DrawGlyphBorder(Control, DC, Bar->GetBkBrush(), R, Look, true);
    DrawCaption(Control, DC, R, true, false, State.Contains(pfEnabled), Look - TcbPaintFlags{pfPressed},
                Control->GetCaption(), DT_CENTER | DT_VCENTER);
}

int32_t TcbBarItemControlXPPainter::GetSubMenuInnerBorder() const { return 1; }

int32_t TcbBarItemControlXPPainter::GetSubMenuBeginGroupSize() const
{
    return PartSize(tcToolBar, TP_SEPARATORVERT, TS_NORMAL, TS_TRUE).cy;
}

int32_t TcbBarItemControlXPPainter::GetSubMenuBorderWidth() const { return 1; }

void TcbBarItemControlXPPainter::CalcSubMenuItemsRect(const IcbBar* Menu, TcbSubMenuItemsArea& Area) const
{
    const TRect Client = Menu->GetClientRect();
    Area.ItemsRect = Rect(Menu->GetBarSize() + 1, 1, Client.right - 1, Client.bottom - 1);
    if (Menu->HasExpandButton())
        Area.ItemsRect.bottom -= Menu->GetBottomReserve();
    // Rows laid out without the window's height as their limit (all of them, from the top).
    if (Area.Unlimited) {
        Area.ItemsRect.top = 0;
        Area.ItemsRect.bottom = 0x7FFFFFFF;
    }
    Area.FirstVisibleIndex = Menu->GetFirstVisibleIndex();
    Area.ScrollLimit = Menu->CanScrollUp() || Menu->CanScrollDown() ? Menu->GetItemControlCount() - 1 : 0x7FFFFFFF;
}

TSize TcbBarItemControlXPPainter::CalcSubMenuSize(const IcbBar* Menu) const
{
    int32_t Widest = 0, Rows = 0;
    const int32_t Count = cbPainterShared::MeasureSubMenuRows(*this, Menu, Widest, Rows);
    TSize Size{Count == 0 ? 100 : Widest + Menu->GetBarSize() + 4, Rows + 3};
    if (Menu->HasExpandButton() || Rows <= 2)
        Size.cy += Menu->GetBottomReserve();
    if (Menu->IsDetachable())
        Size.cy += GetDetachBandHeight(Menu);
    return Size;
}

int32_t TcbBarItemControlXPPainter::GetDetachBandHeight(const IcbBar* Menu) const
{
    return Menu->GetDetachCaptionHeight() + 1;
}

void TcbBarItemControlXPPainter::DrawSubMenuBorder(const IcbBar* Menu, HDC DC, const TRect& WindowRect) const
{
    TRect R = WindowRect;
    FrameRect(DC, &R, GetSysColorBrush(COLOR_BTNSHADOW));
    if (!Menu->IsDetachable())
        return;
    InflateRect(&R, -1, -1);
    TRect Band = Rect(R.left, R.top, R.right, R.top + GetDetachBandHeight(Menu));
    const TRect Inner = Rect(R.left, R.top, R.right, Band.bottom + 1);
    FrameRect(DC, &Inner, cbResolveBrush(Menu->GetBkBrush()));
    AdjustDetachBandRect(Band);
    DrawDetachBand(Menu, DC, Band);
}

void TcbBarItemControlXPPainter::DrawSubMenuSideBand(const IcbBar* Menu, HDC DC, HBRUSH,
                                                     const TRect& ClientRect) const
{
    FrameRect(DC, &ClientRect, cbResolveBrush(Menu->GetBkBrush()));
}

void TcbBarItemControlXPPainter::DrawSubMenuBeginGroup(const IcbBar* Menu, const IcbControl* Control, HDC DC) const
{
    const TRect Item = Control->GetItemRect();
    const TRect Band = Rect(Item.left, Item.top - GetSubMenuBeginGroupSize(), Item.right, Item.top);
    DrawItemBackground(Control, DC, Band, RowBrush(Menu), false);
    DrawPart(tcToolBar, DC, TP_SEPARATORVERT, TS_NORMAL, Band);
}

void TcbBarItemControlXPPainter::AdjustDetachBandRect(TRect& R) const
{
    InflateRect(&R, -2, -2);
}

void TcbBarItemControlXPPainter::PrepareSubMenuItemRow(const IcbControl*, HBRUSH& Brush) const
{
    Brush = GetSubMenuBrush();
}

HBRUSH TcbBarItemControlXPPainter::GetSubMenuBrush() const
{
    return GetSysColorBrush(COLOR_MENU);
}

// ---------------------------------------------------------------------------------------------
// Operations the framework's own items never call

void TcbBarItemControlXPPainter::DrawBoxRow(const IcbControl* Control, HDC DC, const TRect& R, HBRUSH Brush,
                                            int32_t PressedBox) const
{
    // Three themed buttons side by side, the pressed one pushed.
    const int32_t W = (R.right - R.left) / 3;
    for (int32_t I = 0; I < 3; ++I) {
        const TRect Box = Rect(R.left + I * W, R.top, R.left + (I + 1) * W, R.bottom);
        DrawItemBackground(Control, DC, Box, Brush, true);
        DrawPart(tcToolBar, DC, TP_BUTTON, I == PressedBox ? TS_PRESSED : TS_NORMAL, Box);
    }
}

void TcbBarItemControlXPPainter::DrawWindowFrame(HWND Wnd, HDC DC, bool Active) const
{
    (void)Active;
    RECT Window{};
    if (Wnd && GetWindowRect(Wnd, &Window))
        OffsetRect(&Window, -Window.left, -Window.top);
    else
        GetClipBox(DC, &Window);
    TRect R = Window;
    FrameRect(DC, &R, GetSysColorBrush(COLOR_BTNSHADOW));
    InflateRect(&R, -1, -1);
    const TRect Caption = Rect(R.left, R.top, R.right, R.top + GetWindowCaptionHeight());
    FillRect(DC, &Caption, GetSysColorBrush(COLOR_BTNFACE));
    DrawThemedSmallCloseButton(DC, Caption, false, crTopLeft, false);
    const TSize Grip = GetThemedSizeGripSize();
    const TRect GripRect = Rect(R.right - Grip.cx, R.bottom - Grip.cy, R.right, R.bottom);
    FillRect(DC, &GripRect, GetSysColorBrush(COLOR_BTNFACE));
    DrawThemedSizeGrip(DC, GripRect, crBottomRight);
}

int32_t TcbBarItemControlXPPainter::GetWindowCaptionHeight() const
{
    return std::max<int32_t>(GetThemedSmallCloseButtonSize().cy + 4, GetThemedSizeGripSize().cy + 1);
}

bool TcbBarItemControlXPPainter::UseFlatWindowFrame() const { return true; }

void TcbBarItemControlXPPainter::DrawFramedItem(const IcbControl*, HDC DC, const TRect& R,
                                                const std::string& Caption, bool Pushed) const
{
    FillRect(DC, &R, GetSysColorBrush(COLOR_WINDOW));
    DrawPart(tcToolBar, DC, TP_BUTTON, Pushed ? TS_PRESSED : TS_HOT, R);
    TRect Text = R;
    InflateRect(&Text, -2, -2);
    const int OldMode = SetBkMode(DC, TRANSPARENT);
    const COLORREF OldColor = SetTextColor(DC, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(DC, Caption.c_str(), static_cast<int>(Caption.size()), &Text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    SetTextColor(DC, OldColor);
    SetBkMode(DC, OldMode);
}

void TcbBarItemControlXPPainter::DrawLinedItem(const IcbControl*, HDC DC, const TRect& R,
                                               const std::string& Caption) const
{
    // The caption with a spin button at its end, over a separator line.
    const int32_t LineHeight = std::max<int32_t>(2, GetSubMenuBeginGroupSize());
    const TRect Line = Rect(R.left, R.bottom - LineHeight, R.right, R.bottom);
    const TRect Upper = Rect(R.left, R.top, R.right, Line.top);
    const int32_t Spin = Upper.bottom - Upper.top;
    DrawTextItemCaption(DC, Rect(Upper.left, Upper.top, Upper.right - Spin, Upper.bottom), Caption);
    const TRect SpinRect = Rect(Upper.right - Spin, Upper.top, Upper.right, Upper.bottom);
    FillRect(DC, &SpinRect, GetSysColorBrush(COLOR_BTNFACE));
    DrawPart(tcSpin, DC, SPNP_DOWN, DNS_NORMAL, SpinRect);
    FillRect(DC, &Line, GetSysColorBrush(COLOR_BTNFACE));
    DrawPart(tcToolBar, DC, TP_SEPARATORVERT, TS_NORMAL, Line);
}

void TcbBarItemControlXPPainter::DrawDoubleBackground(HDC DC, const TRect& R, HBRUSH Brush1, HBRUSH Brush2,
                                                      int32_t Split) const
{
    TcbBarItemControlPainter::DrawDoubleBackground(DC, R, Brush1, Brush2, Split);
    // A themed separator where the two halves meet.
    const int32_t Size = std::max<int32_t>(1, GetSeparatorSize());
    const int32_t X = std::clamp(R.left + Split, R.left, R.right);
    DrawPart(tcToolBar, DC, TP_SEPARATOR, TS_NORMAL, Rect(X - Size / 2, R.top, X - Size / 2 + Size, R.bottom));
}

TColor TcbBarItemControlXPPainter::GetProgressBarColor() const
{
    COLORREF C = 0;
    if (HTHEME Theme = OpenThemeClass(tcProgress))
        if (SUCCEEDED(UxTheme::GetThemeColor(Theme, PP_CHUNK, 1, TMT_FILLCOLOR, &C)))
            return static_cast<TColor>(C);
    return TcbBarItemControlPainter::GetProgressBarColor();
}

int32_t TcbBarItemControlXPPainter::GetProgressChunkSize() const
{
    const int32_t Size = PartSize(tcProgress, PP_CHUNK, 1, TS_TRUE).cx;
    if (Size <= 0)
        return TcbBarItemControlPainter::GetProgressChunkSize();
    // A chunk takes its part and the part's content margins on either side (the gap between two
    // chunks).
    const TRect Bounds = Rect(0, 0, kProbeSize, kProbeSize);
    const TRect Content = ContentRect(OpenThemeClass(tcProgress), nullptr, PP_CHUNK, 1, Bounds);
    return Size + std::max<int32_t>(0, kProbeSize - (Content.right - Content.left));
}

void TcbBarItemControlXPPainter::DrawProgressBar(HDC DC, const TRect& R, int32_t Position, int32_t Min,
                                                 int32_t Max) const
{
    HTHEME Theme = OpenThemeClass(tcProgress);
    if (!Theme) {
        TcbBarItemControlPainter::DrawProgressBar(DC, R, Position, Min, Max);
        return;
    }
    const bool Vertical = R.bottom - R.top > R.right - R.left;
    const int BarPart = Vertical ? PP_BARVERT : PP_BAR, ChunkPart = Vertical ? PP_CHUNKVERT : PP_CHUNK;
    if (UxTheme::IsThemeBackgroundPartiallyTransparent(Theme, BarPart, 1))
        FillRect(DC, &R, GetSysColorBrush(COLOR_BTNFACE));
    UxTheme::DrawThemeBackground(Theme, DC, BarPart, 1, &R, nullptr);
    const TRect Inside = ContentRect(Theme, DC, BarPart, 1, R);
    // In 64 bits: a range of the whole Integer span must not overflow.
    const int64_t Range = static_cast<int64_t>(Max) - Min;
    if (Range <= 0)
        return;
    const int64_t Done = static_cast<int64_t>(std::clamp(Position, Min, Max)) - Min;
    const int64_t Length = Vertical ? Inside.bottom - Inside.top : Inside.right - Inside.left;
    const int32_t Filled = static_cast<int32_t>(Done * Length / Range);
    if (Filled <= 0)
        return;
    const TRect Chunk = Vertical ? Rect(Inside.left, Inside.bottom - Filled, Inside.right, Inside.bottom)
                                 : Rect(Inside.left, Inside.top, Inside.left + Filled, Inside.bottom);
    UxTheme::DrawThemeBackground(Theme, DC, ChunkPart, 1, &Chunk, nullptr);
}

// ---------------------------------------------------------------------------------------------

TcbPainterClass XPPainter()
{
    static const TcbBarItemControlXPPainter Instance;
    return &Instance;
}

void cbXPPainterInit()
{
    RegisterThemedXPPainter(XPPainter());
}
