// The Flat painter: its constant answers and menu metrics, its brushes against the manager's and
// the system colours, and what it draws, read from memory DCs at a few telling points. Expected
// colours come from GetSysColor and the manager's brushes at run time; text sizes are measured.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <utility>

#include <windows.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/painters/cbPainterFlat.h"
#include "commandbars/foundation/uiGraphics.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/ModelSupport.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/commandbars/support/FakeBarWindow.h"
#include "tests/commandbars/support/FakeItemControl.h"
#include "tests/commandbars/support/PainterSheet.h"
#include "tests/support/ResourceProbe.h"
#include "tests/support/TestSupport.h"

using namespace CommandBarsTest;

namespace {

const COLORREF kBack = RGB(1, 2, 3);

COLORREF BrushColor(HBRUSH Brush)
{
    LOGBRUSH Log{};
    GetObjectA(cbResolveBrush(Brush), sizeof(Log), &Log);
    return Log.lbColor;
}

HFONT GuiFont()
{
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

SIZE TextSize(HFONT Font, const std::string& Text)
{
    HDC DC = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, Font);
    SIZE S{};
    GetTextExtentPoint32A(DC, Text.c_str(), static_cast<int>(Text.size()), &S);
    SelectObject(DC, Old);
    DeleteDC(DC);
    return S;
}

// A manager in the Flat style and bar windows whose brushes are what a Flat bar window answers.
struct TFlatFixture {
    TManagerForm F;
    TcbBarManager* M = F.Manager;
    TFlatFixture() { M->SetStyle(bmsFlat); }

    void Toolbar(FakeBarWindow& Bar)
    {
        TcbPainterClass P = FlatPainter();
        Bar.Manager = M;
        Bar.Font = GuiFont();
        Bar.BarBrush = Bar.BkBrush = Bar.CachedBarBrush = P->GetBarBrush(M);
        Bar.CheckedItemBrush = P->GetCheckedItemBrush(M);
        Bar.ItemBrush = P->GetItemBrush(M);
        Bar.SelectedItemBrush = P->GetSelectedItemBrush(M);
    }
    // A menu window: its rows are filled with the brush PrepareSubMenuItemRow gives, handed
    // over as the cached brush; the row height and glyph column come from the menu font.
    void Menu(FakeBarWindow& Bar, HDC DC)
    {
        Toolbar(Bar);
        Bar.Kind = bwkMenu;
        HBRUSH Row = nullptr;
        FlatPainter()->PrepareSubMenuItemRow(nullptr, Row);
        Bar.BkBrush = Bar.CachedBarBrush = Row;
        FlatPainter()->CalcSubMenuMetrics(&Bar, DC, Bar.Metrics);
    }
};

COLORREF C(HBRUSH B)
{
    return BrushColor(B);
}

struct TPoint3 {
    int32_t X, Y;
    COLORREF Colour;
};

// Each point of the table has its colour.
void ExpectPixels(const TDib& D, std::initializer_list<TPoint3> Points)
{
    for (const TPoint3& P : Points)
        EXPECT_EQ(D.Pixel(P.X, P.Y), P.Colour) << "at " << P.X << "," << P.Y;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Constants and metrics

TEST(FlatPainter, ConstantsAndMetricsFollowTheFlatColumn)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    FakeBarWindow Toolbar, Menu, Floating;
    X.Toolbar(Toolbar);
    Menu.Kind = bwkMenu;
    Menu.Metrics.GlyphColumnWidth = 18;
    Menu.DetachCaptionHeight = 8;
    Floating.DockingStyle = dsNone;
    FakeItemControl OnToolbar(&Toolbar), InMenu(&Menu);
    TRect Band = Rect(0, 0, 100, 20), Value = Rect(4, 4, 60, 20);
    P->AdjustDetachBandRect(Band);
    P->AdjustEditValueRect(&OnToolbar, Value);
    int32_t Column = 16, Button = 30;
    P->AdjustGlyphColumnWidth(Column);
    P->AdjustMenuButtonWidth(Button);

    struct TRow {
        const char* Name;
        int32_t Value, Expected;
    };
    const TRow Rows[] = {
        {"ShowDroppedDownState", P->ShowDroppedDownState(), 1},
        {"GetDropDownButtonIndent", P->GetDropDownButtonIndent(), 1},
        {"GetDockedBarBorderSize", P->GetDockedBarBorderSize(), 1},
        {"GetGripAreaSize", P->GetGripAreaSize(), 6},
        {"GetGripWidth", P->GetGripWidth(&Toolbar), 3},
        {"GetButtonArrowWidth (11)", P->GetButtonArrowWidth(X.M), 10},
        {"GetLargeButtonArrowWidth (13)", P->GetLargeButtonArrowWidth(X.M), 12},
        {"GetSubMenuGlyphColumnIndent", P->GetSubMenuGlyphColumnIndent(), 8},
        {"IsBarBackgroundShared", P->IsBarBackgroundShared(), 1},
        {"IsFloatingBarFlat (docked)", P->IsFloatingBarFlat(&Toolbar), 0},
        {"IsFloatingBarFlat (floating)", P->IsFloatingBarFlat(&Floating), 1},
        {"GetEditExtraHeight", P->GetEditExtraHeight(), 7},
        {"GetEditHeight(13)", P->GetEditHeight(13), 20},
        {"IsCloseButtonHotTracked", P->IsCloseButtonHotTracked(), 1},
        {"IsBarMarkShown", P->IsBarMarkShown(), 1},
        {"GetSeparatorSize", P->GetSeparatorSize(), 5},
        {"GetSeparatorOffset", P->GetSeparatorOffset(), 2},
        {"IsQuickPopupLeftAligned", P->IsQuickPopupLeftAligned(), 1},
        {"AdjustGlyphColumnWidth(16)", Column, 18},
        {"AdjustMenuButtonWidth(30)", Button, 39},
        {"IsSubMenuAttached", P->IsSubMenuAttached(), 1},
        {"GetDropDownListBorder", P->GetDropDownListBorder(), 2},
        {"GetSubMenuBeginGroupSize", P->GetSubMenuBeginGroupSize(), 5},
        {"GetSubMenuBorderWidth", P->GetSubMenuBorderWidth(), 2},
        {"GetSubMenuInnerBorder", P->GetSubMenuInnerBorder(), 2},
        {"GetDetachBandHeight (caption 8)", P->GetDetachBandHeight(&Menu), 9},
        {"CalcExpandMarkSize(14)", P->CalcExpandMarkSize(14), 5},
        {"CalcExpandMarkSize(5)", P->CalcExpandMarkSize(5), 0},
        {"CalcExpandMarkSize(3)", P->CalcExpandMarkSize(3), 0},
        {"AdjustDetachBandRect left", Band.left, 2},
        {"AdjustDetachBandRect bottom", Band.bottom, 18},
        {"CalcEditCaptionWidth(40)", P->CalcEditCaptionWidth(&OnToolbar, 40), 51},
        {"GetInPlaceEditStyle", static_cast<int32_t>(P->GetInPlaceEditStyle()), ES_AUTOHSCROLL | ES_MULTILINE},
        {"GetCaptionOffsetInMenu (menu)", P->GetCaptionOffsetInMenu(&InMenu), 21},
        {"GetCaptionOffsetInMenu (toolbar)", P->GetCaptionOffsetInMenu(&OnToolbar), 0},
        {"GetFlatContentIndent", P->GetFlatContentIndent(), 9},
        {"UseFlatWindowFrame", P->UseFlatWindowFrame(), 1},
        {"AdjustEditValueRect top", Value.top, 6},
        {"AdjustEditValueRect bottom", Value.bottom, 20},
        // What the Flat column keeps of the base.
        {"UseSelectedGlyphBackground", P->UseSelectedGlyphBackground(), 0},
        {"FillSubMenuItemAlways", P->FillSubMenuItemAlways(), 0},
        {"IsSmallMarkRect (16 high)", P->IsSmallMarkRect(Rect(0, 0, 11, 16)), 1},
        {"GetDownGlyphOffset", P->GetDownGlyphOffset(), 0},
        {"GetSelectedGlyphOffset", P->GetSelectedGlyphOffset(&OnToolbar), 0},
        {"IsItemBackgroundTransparent", P->IsItemBackgroundTransparent(), 0},
        {"GetComboButtonWidth(8)", P->GetComboButtonWidth(8), 15},
        {"GetFloatingSideIndent", P->GetFloatingSideIndent(), 0},
        {"UseSystemFloatingFrame", P->UseSystemFloatingFrame(), 0},
        {"UseStandardSubMenuLayout", P->UseStandardSubMenuLayout(), 0},
        {"GetExpandButtonIndent", P->GetExpandButtonIndent(), 1},
        {"GetButtonHeightIndent", P->GetButtonHeightIndent(), 6},
        {"GetButtonWidthIndent", P->GetButtonWidthIndent(), 7},
        {"GetFloatingBorderWidth", P->GetFloatingBorderWidth(), GetSystemMetrics(SM_CXFRAME)},
        {"GetFloatingBorderHeight", P->GetFloatingBorderHeight(), GetSystemMetrics(SM_CYFRAME)},
        {"GetFloatingTopIndent", P->GetFloatingTopIndent(), 0},
        {"GetFloatingBottomIndent", P->GetFloatingBottomIndent(), 0},
        {"UseSystemFloatingHitTest", P->UseSystemFloatingHitTest(), 0},
        {"UseThemedFloatingCaption", P->UseThemedFloatingCaption(), 0},
        {"GetGriplessBarIndent", P->GetGriplessBarIndent(), 0},
        {"GetBarNCBorderWidth", P->GetBarNCBorderWidth(&Toolbar), 1},
        {"GetBarTopIndent", P->GetBarTopIndent(&Toolbar), 2},
        {"GetComboButtonIndent", P->GetComboButtonIndent(), 1},
        {"GetProgressChunkSize", P->GetProgressChunkSize(), 12},
        // The manager caches the style's metrics.
        {"manager's docked border", X.M->GetDockedBarBorderSize(), 1},
        {"manager's grip area", X.M->GetGripAreaSize(), 6},
        {"manager's glyph column indent", X.M->GetSubMenuGlyphColumnIndent(), 8},
        {"manager's arrow width", X.M->GetRealButtonArrowWidth(), 10},
    };
    for (const TRow& Row : Rows)
        EXPECT_EQ(Row.Value, Row.Expected) << Row.Name;

    // Large icons double the base's width, which is made odd; the Flat part is one less.
    X.M->SetLargeIcons(true);
    EXPECT_EQ(P->GetButtonArrowWidth(X.M), 22);
    EXPECT_EQ(X.M->GetRealButtonArrowWidth(), 22);
    X.M->SetLargeIcons(false);
    X.M->SetButtonArrowWidth(10);
    EXPECT_EQ(P->GetButtonArrowWidth(X.M), 10);
}

TEST(FlatPainter, MenuMetricsSizesAndSubItemsMeasureFromTheMenuFont)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    const int32_t H = TextSize(GuiFont(), "0").cy;
    const int32_t Zero = TextSize(GuiFont(), "0").cx;
    FakeBarWindow Menu;
    X.Toolbar(Menu);
    Menu.Kind = bwkMenu;
    P->CalcSubMenuMetrics(&Menu, nullptr, Menu.Metrics);
    EXPECT_EQ(Menu.Metrics.TextHeight, H + 1);
    EXPECT_EQ(Menu.Metrics.ArrowSize, (H + 1) / 4 * 3 + 1);
    EXPECT_EQ(Menu.Metrics.ColumnMinimum, 20);
    EXPECT_EQ(Menu.Metrics.GlyphColumnWidth, 18);
    if (H == 13) {
        EXPECT_EQ(Menu.Metrics.TextHeight, 14);
        EXPECT_EQ(Menu.Metrics.ArrowSize, 10);
    }
    // The digit size: "0" less one, made so that its expand mark is even.
    const int32_t Digit = Zero - 1, Mark = (Digit - 4) / 2;
    EXPECT_EQ(Menu.Metrics.DigitSize, Mark % 2 != 0 ? (Mark - 1) * 2 + 6 : Digit);

    // Sizes: 100 wide when empty, else the widest row + the side bar + 4; the rows, a group band,
    // the bottom reserve, 3 and the detach band high.
    EXPECT_EQ(P->CalcSubMenuSize(&Menu).cx, 100);
    FakeItemControl A(&Menu), B(&Menu);
    A.Width = 80;
    B.Width = 60;
    A.Height = B.Height = 20;
    B.BeginGroup = true;
    Menu.Controls = {&A, &B};
    Menu.BarSize = 7;
    EXPECT_EQ(P->CalcSubMenuSize(&Menu).cx, 80 + 7 + 4);
    EXPECT_EQ(P->CalcSubMenuSize(&Menu).cy, 20 + 5 + 20 + 3);
    Menu.Detachable = true;
    Menu.DetachCaptionHeight = 8;
    Menu.BottomReserve = 12;
    EXPECT_EQ(P->CalcSubMenuSize(&Menu).cy, 20 + 5 + 20 + 12 + 3 + 9);

    // The rows' rectangle: right of the side bar and its column, one pixel in from the rest.
    Menu.Detachable = false;
    Menu.BottomReserve = 0;
    Menu.Client = Rect(0, 0, 150, 100);
    TcbSubMenuItemsArea Area;
    P->CalcSubMenuItemsRect(&Menu, Area);
    EXPECT_EQ(Area.ItemsRect.left, 8);
    EXPECT_EQ(Area.ItemsRect.top, 1);
    EXPECT_EQ(Area.ItemsRect.right, 149);
    EXPECT_EQ(Area.ScrollLimit, 0x7FFFFFFF);
    Menu.ScrollDown = true;
    P->CalcSubMenuItemsRect(&Menu, Area);
    EXPECT_EQ(Area.ScrollLimit, 1);

    // Sub-items: 2 higher and 9 wider than the base in a menu; as the base on a toolbar, but
    // with an 8-pixel arrow part on the main menu bar.
    FakeItemControl Row(&Menu);
    Row.Kind = ickSubItem;
    Row.Caption = "Save &As";
    EXPECT_EQ(P->GetSubItemHeight(&Row), BasePainter()->GetSubItemHeight(&Row) + 2);
    EXPECT_EQ(P->GetSubItemWidth(&Row), BasePainter()->GetSubItemWidth(&Row) + 9);
    FakeBarWindow Toolbar;
    X.Toolbar(Toolbar);
    FakeItemControl Sub(&Toolbar);
    Sub.Caption = "&File";
    EXPECT_EQ(P->GetSubItemHeight(&Sub), BasePainter()->GetSubItemHeight(&Sub));
    EXPECT_EQ(P->GetSubItemWidth(&Sub), BasePainter()->GetSubItemWidth(&Sub));
    EXPECT_EQ(P->GetSubItemArrowWidth(&Sub), Toolbar.RowHeight / 2 + 2);
    Toolbar.MainMenu = true;
    EXPECT_EQ(P->GetSubItemArrowWidth(&Sub), 8);
}

// ---------------------------------------------------------------------------------------------
// Brushes and colours

TEST(FlatPainter, BrushesAreTheManagersAndTheSystemsOwn)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    TcbBarManager* M = X.M;
    EXPECT_EQ(P->GetBarBrush(M), M->GetFlatBarBrush());
    EXPECT_EQ(P->GetBarBkBrush(M), M->GetFlatBarBrush());
    EXPECT_EQ(P->GetCheckedItemBrush(M), M->GetFlatCheckedItemBrush());
    EXPECT_EQ(P->GetItemBrush(M), M->GetFlatItemBrush());
    EXPECT_EQ(P->GetSelectedItemBrush(M), M->GetFlatSelectedItemBrush());
    const auto* Flat = static_cast<const TcbBarItemControlFlatPainter*>(P);
    EXPECT_EQ(Flat->GetFrameBrush(), GetSysColorBrush(COLOR_BTNSHADOW));
    EXPECT_EQ(Flat->GetFlatBorderBrush(), GetSysColorBrush(COLOR_BTNSHADOW));
    EXPECT_EQ(P->GetSubMenuBrush(), GetSysColorBrush(COLOR_WINDOW));

    FakeBarWindow Bar;
    X.Toolbar(Bar);
    EXPECT_EQ(P->GetToolbarBrush(&Bar), M->GetFlatBarBrush());
    EXPECT_EQ(P->GetQuickControlBrush(&Bar), GetSysColorBrush(COLOR_WINDOW));
    Bar.MainMenu = true;
    EXPECT_EQ(P->GetToolbarBrush(&Bar), GetSysColorBrush(COLOR_BTNFACE));
    Bar.MainMenu = false;
    Bar.StatusBar = true;
    EXPECT_EQ(P->GetToolbarBrush(&Bar), GetSysColorBrush(COLOR_BTNFACE));

    EXPECT_EQ(ColorToRGB(P->GetFloatingCaptionColor(true)), GetSysColor(COLOR_INACTIVECAPTION));
    EXPECT_EQ(ColorToRGB(P->GetFloatingCaptionColor(false)), GetSysColor(COLOR_INACTIVECAPTION));
    EXPECT_EQ(P->GetMarkArrowColor(&Bar, true), clBtnText);
    EXPECT_EQ(P->GetMarkArrowColor(&Bar, false), clCaptionText);

    // The examples of the two prefixes.
    const std::string Profile = TestSupport::WineProfile();
    if (Profile == "light") {
        EXPECT_EQ(C(P->GetBarBrush(M)), RGB(247, 247, 247));
    } else if (Profile == "classic") {
        EXPECT_EQ(C(P->GetBarBrush(M)), RGB(219, 216, 209));
    }
}

TEST(FlatPainter, ItemColoursFollowHotPressedAndDownStates)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    // Six brushes told apart by their handles.
    FakeBarWindow Bar;
    X.Toolbar(Bar);
    Bar.CachedBarBrush = GetSysColorBrush(COLOR_3DDKSHADOW);
    Bar.BkBrush = GetSysColorBrush(COLOR_INFOBK);
    FakeItemControl C1(&Bar);

    TColor Text = clNone;
    HBRUSH Brush = nullptr;
    P->GetTextColors(&C1, {pfEnabled, pfSelected}, Text, Brush);
    EXPECT_EQ(Brush, Bar.SelectedItemBrush);
    EXPECT_EQ(Text, clBtnText);
    P->GetTextColors(&C1, {pfEnabled, pfSelected, pfPressed}, Text, Brush);
    EXPECT_EQ(Brush, Bar.ItemBrush);
    EXPECT_EQ(Text, clHighlightText);
    P->GetTextColors(&C1, {pfEnabled}, Text, Brush);
    EXPECT_EQ(Brush, Bar.CachedBarBrush);
    EXPECT_EQ(Text, clBtnText);

    // The glyph box's and the combo's cases in a menu row.
    FakeBarWindow Menu;
    X.Toolbar(Menu);
    Menu.Kind = bwkMenu;
    Menu.CachedBarBrush = GetSysColorBrush(COLOR_WINDOW);
    FakeItemControl Row(&Menu);

    // A combo: disabled text in the shadow colour; in a menu and not hot on the bar brush, on a
    // toolbar on the cached brush whether it is the active control or not.
    P->GetComboColors(&C1, {}, Text, Brush);
    EXPECT_EQ(Text, clBtnShadow);
    FakeItemControl MenuCombo(&Menu);
    MenuCombo.Kind = C1.Kind = ickCombo;
    P->GetComboColors(&MenuCombo, {pfEnabled}, Text, Brush);
    EXPECT_EQ(Brush, Menu.BarBrush);
    P->GetComboColors(&MenuCombo, {pfEnabled, pfSelected}, Text, Brush);
    EXPECT_EQ(Brush, Menu.SelectedItemBrush);
    C1.Active = true;
    P->GetComboColors(&C1, {pfEnabled}, Text, Brush);
    EXPECT_EQ(Brush, Bar.CachedBarBrush);
    P->GetComboColors(&C1, {pfEnabled, pfSelected}, Text, Brush);
    EXPECT_EQ(Brush, Bar.SelectedItemBrush);

    struct TCase {
        const char* Name;
        const IcbControl* Control;
        TcbPaintFlags State;
        HBRUSH Expected;
    };
    const TCase Cases[] = {
        {"hot", &C1, {pfEnabled, pfSelected}, Bar.SelectedItemBrush},
        {"hot pressed", &C1, {pfEnabled, pfSelected, pfPressed}, Bar.ItemBrush},
        {"hot pressed down", &C1, {pfEnabled, pfSelected, pfPressed, pfDown}, Bar.BkBrush},
        {"down", &C1, {pfEnabled, pfDown}, Bar.CheckedItemBrush},
        {"menu row", &Row, {pfEnabled}, X.M->GetFlatBarBrush()},
        {"toolbar at rest", &C1, {pfEnabled}, Bar.CachedBarBrush},
    };
    for (const TCase& Case : Cases)
        EXPECT_EQ(P->GetCheckMarkColor(Case.Control, Case.State), Case.Expected) << Case.Name;
}

TEST(FlatPainter, BlackOrWhiteFacesGiveTheHighlightTintsAndAWhiteMarkOnBlack)
{
    const TColor Highlight = static_cast<TColor>(RGB(10, 36, 106)), Window = static_cast<TColor>(RGB(255, 255, 255));
    const int32_t Weights[3][3] = {{11, 9, 73}, {14, 44, 40}, {-2, 30, 72}};
    for (const auto& W : Weights) {
        for (COLORREF Face : {RGB(0, 0, 0), RGB(255, 255, 255)})
            EXPECT_EQ(BlendColorsOf(static_cast<TColor>(Face), Highlight, Window, W[0], W[1], W[2]), Highlight);
        // Any other face blends (the pressed and hot tints differ from the highlight).
        EXPECT_NE(BlendColorsOf(static_cast<TColor>(RGB(212, 208, 200)), Highlight, Window, W[0], W[1], W[2]),
                  Highlight);
    }
    EXPECT_EQ(FlatCheckMarkColor(RGB(0, 0, 0), true), RGB(255, 255, 255));
    EXPECT_EQ(FlatCheckMarkColor(RGB(255, 255, 255), true), RGB(0, 0, 0));
    EXPECT_EQ(FlatCheckMarkColor(RGB(212, 208, 200), true), RGB(0, 0, 0));
    EXPECT_EQ(FlatCheckMarkColor(RGB(0, 0, 0), false), GetSysColor(COLOR_BTNSHADOW));

    // Drawn with this prefix's face: a 9 x 7 tick, two copies deep, all in the one colour.
    for (bool Enabled : {true, false}) {
        FakeItemControl Mark;
        Mark.Enabled = Enabled;
        TDib D(20, 20, kBack);
        FlatPainter()->DrawCheckMark(&Mark, D.DC(), 5, 5, 1);
        const COLORREF Ink = FlatCheckMarkColor(GetSysColor(COLOR_BTNFACE), Enabled);
        EXPECT_EQ(D.Count(Ink), 18u);
        EXPECT_EQ(D.Count(kBack), 400u - 18u);
        EXPECT_EQ(D.Pixel(5, 7), Ink);
        EXPECT_EQ(D.Pixel(8, 11), Ink);
        EXPECT_EQ(D.Pixel(13, 5), Ink);
        EXPECT_EQ(D.Pixel(14, 5), kBack);
    }
}

// ---------------------------------------------------------------------------------------------
// Borders

TEST(FlatPainter, DockedBorderHasRoundedCornersAndAStripedGripOnlyWhenTheBarCanMove)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    FakeBarWindow Bar;
    X.Toolbar(Bar);
    const COLORREF Face = Sys(COLOR_BTNFACE), Shadow = Sys(COLOR_BTNSHADOW), Light = C(Bar.BarBrush);
    const std::string Profile = TestSupport::WineProfile();
    if (Profile == "light") {
        EXPECT_EQ(Light, RGB(247, 247, 247));
    } else if (Profile == "classic") {
        EXPECT_EQ(Light, RGB(219, 216, 209));
    }

    const int32_t W = 100, H = 26;
    auto Docked = [&](int32_t Width, int32_t Height) {
        auto D = std::make_unique<TDib>(Width, Height, Light); // the non-client fill
        P->DrawDockedBarBorder(&Bar, D->DC(), Bar.BarBrush, Rect(0, 0, Width, Height));
        return D;
    };
    auto Ring = [&](const TDib& D, int32_t Wd, int32_t Ht) {
        ExpectPixels(D, {{0, 0, Face}, {Wd - 1, 0, Face}, {0, Ht - 1, Face}, {Wd - 1, Ht - 1, Face}, {1, 1, Face},
                         {Wd - 2, 1, Face}, {1, Ht - 2, Face}, {Wd - 2, Ht - 2, Face}, {Wd / 2, 0, Face}, {2, 2, Light}});
    };

    Bar.DockingStyle = dsTop;
    {
        auto D = Docked(W, H);
        Ring(*D, W, H);
        // The grip at x 3..5 from y 5 to H - 6, striped from its first row.
        ExpectPixels(*D, {{2, H / 2, Light}, {6, H / 2, Light}, {4, 5, Shadow}, {4, 6, Light}, {4, 7, Shadow},
                          {3, 5, Shadow}, {5, 5, Shadow}, {4, 4, Light}, {4, H - 5, Light},
                          {4, H - 6, (H - 6 - 5) % 2 == 0 ? Shadow : Light}});
        EXPECT_EQ(D->Count(Shadow), 3u * ((H - 10 + 1) / 2));
    }
    Bar.DockingStyle = dsLeft;
    {
        auto D = Docked(H, W);
        Ring(*D, H, W);
        ExpectPixels(*D, {{5, 4, Shadow}, {6, 4, Light}, {7, 4, Shadow}, {5, 3, Shadow}, {5, 5, Shadow},
                          {5, 6, Light}, {4, 4, Light}});
    }
    Bar.DockingStyle = dsTop;
    Bar.Movable = false;
    {
        auto D = Docked(W, H);
        Ring(*D, W, H);
        EXPECT_EQ(D->Count(Shadow), 0u);
    }
}

TEST(FlatPainter, DockedBackgroundIsTheToolbarBrushUnlessAPictureShowsThrough)
{
    TFlatFixture X;
    FakeBarWindow Bar;
    X.Toolbar(Bar);
    for (bool MainMenu : {false, true}) {
        Bar.MainMenu = MainMenu;
        TDib D(20, 20, kBack);
        FlatPainter()->DrawParentBarBackground(&Bar, D.DC(), Rect(0, 0, 20, 20));
        EXPECT_EQ(D.Count(MainMenu ? Sys(COLOR_BTNFACE) : C(Bar.BarBrush)), 400u) << MainMenu;
    }
    // A manager's bar picture is the base's to draw: the window's background fill.
    TBitmap Picture;
    Picture.SetSize(8, 8);
    X.M->GetBackgrounds()->SetBar(&Picture);
    Bar.BkBrush = GetSysColorBrush(COLOR_INFOBK);
    TDib D(20, 20, kBack);
    FlatPainter()->DrawParentBarBackground(&Bar, D.DC(), Rect(0, 0, 20, 20));
    EXPECT_EQ(Bar.BackgroundFills, 1);
    EXPECT_EQ(D.Count(Sys(COLOR_INFOBK)), 400u);
}

TEST(FlatPainter, SeparatorIsOneShadowColumnAndFloatingBorderFramesInward)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    FakeBarWindow Bar;
    X.Toolbar(Bar);
    const COLORREF Shadow = Sys(COLOR_BTNSHADOW), Light = C(Bar.BarBrush);
    {
        TDib D(5, 20, kBack);
        P->DrawBarSeparator(&Bar, D.DC(), Rect(0, 0, 5, 20), true);
        for (int32_t Y = 0; Y < 20; ++Y)
            for (int32_t Col = 0; Col < 5; ++Col)
                EXPECT_EQ(D.Pixel(Col, Y), Col == 2 ? Shadow : Light) << Col << "," << Y;
    }
    {
        // On a vertical bar the line runs across, two pixels below the top.
        TDib D(20, 5, kBack);
        P->DrawBarSeparator(&Bar, D.DC(), Rect(0, 0, 20, 5), false);
        EXPECT_EQ(D.Count(Shadow), 20u);
        ExpectPixels(D, {{7, 2, Shadow}, {7, 1, Light}, {7, 3, Light}});
    }
    {
        HBRUSH Given = CreateSolidBrush(RGB(200, 10, 10));
        TScopeExit Free([Given] { DeleteObject(Given); });
        Bar.DockingStyle = dsNone;
        Bar.Client = Rect(0, 0, 54, 34);
        Bar.ClientOffset = TPoint{3, 3};
        TDib D(60, 40, kBack);
        P->DrawFloatingBarBorder(&Bar, D.DC(), Given, Rect(0, 0, 60, 40));
        // The client area (from 3, 3) is left alone.
        ExpectPixels(D, {{0, 0, C(X.M->GetFlatFrameBrush())}, {59, 39, C(X.M->GetFlatFrameBrush())},
                         {1, 1, Sys(COLOR_BTNHIGHLIGHT)}, {2, 2, RGB(200, 10, 10)}, {57, 20, RGB(200, 10, 10)},
                         {3, 3, kBack}});
    }
}

// ---------------------------------------------------------------------------------------------
// Marks and the close button

TEST(FlatPainter, MarkRectanglesByDockingAndCloseButton)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    FakeBarWindow Bar;
    auto Eq = [](const TRect& A, const TRect& B) { return EqualRect(&A, &B) != 0; };
    Bar.DockingStyle = dsTop;
    Bar.Client = Rect(0, 0, 150, 24);
    EXPECT_TRUE(Eq(P->GetMarkRect(&Bar), Rect(139, 0, 150, 24)));
    Bar.DockingStyle = dsLeft;
    Bar.Client = Rect(0, 0, 24, 150);
    EXPECT_TRUE(Eq(P->GetMarkRect(&Bar), Rect(0, 139, 24, 150)));
    Bar.DockingStyle = dsNone;
    Bar.Client = Rect(0, 0, 100, 14);
    EXPECT_TRUE(Eq(P->GetMarkRect(&Bar), Rect(86, 0, 100, 14)));
    Bar.Closable = true;
    const int32_t Close = P->GetCloseButtonSize().cx;
    EXPECT_TRUE(Eq(P->GetMarkRect(&Bar), Rect(86 - Close - 1, 0, 100 - Close - 1, 14)));
    Bar.Client = Rect(0, 0, 10, 14);
    const TRect Narrow = P->GetMarkRect(&Bar);
    EXPECT_EQ(Narrow.left, 0);
    EXPECT_EQ(Narrow.right, 10 - Close - 1);

    // The caption text stops at the mark.
    TRect Text = Rect(0, 0, 100, 14);
    P->AdjustCaptionTextRect(&Bar, Rect(70, 0, 84, 14), Text);
    EXPECT_EQ(Text.left, 2);
    EXPECT_EQ(Text.right, 70);
}

TEST(FlatPainter, DockedMarkBackgroundByStateWithTheEnhancedSymbols)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    FakeBarWindow Bar;
    X.Toolbar(Bar);
    Bar.DockingStyle = dsTop;
    Bar.Client = Rect(0, 0, 11, 22);
    const TRect Mark = Rect(0, 0, 11, 22);
    const COLORREF Text = Sys(COLOR_BTNTEXT);
    struct TCase {
        TcbButtonState State;
        COLORREF Frame, Inside;
    };
    const TCase Cases[] = {{bstNormal, C(Bar.BarBrush), C(Bar.BarBrush)},
                           {bstHot, Sys(COLOR_HIGHLIGHT), C(Bar.SelectedItemBrush)},
                           {bstPressed, C(X.M->GetFlatFrameBrush()), C(Bar.BkBrush)}};
    for (const TCase& Case : Cases)
        for (bool PushedOff : {false, true}) {
            Bar.MarkState = Case.State;
            Bar.PushedOff = PushedOff;
            TDib D(11, 22, kBack);
            P->DrawBarMark(&Bar, D.DC(), Bar.CachedBarBrush, Mark);
            SCOPED_TRACE(std::to_string(Case.State) + (PushedOff ? " pushed off" : ""));
            // (5, 16) is the triangle's middle.
            ExpectPixels(D, {{0, 0, Case.Frame}, {10, 21, Case.Frame}, {1, 20, Case.Inside}, {5, 16, Text}});
            size_t Upper = 0;
            for (int32_t Y = 0; Y < 12; ++Y)
                for (int32_t Px = 0; Px < 11; ++Px)
                    Upper += D.Pixel(Px, Y) == Text;
            EXPECT_EQ(Upper > 0, PushedOff) << "chevrons";
        }
}

TEST(FlatPainter, CloseButtonCrossIsOnItsDiagonalsOverTheButtonBackground)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    FakeBarWindow Bar;
    X.Toolbar(Bar);
    Bar.DockingStyle = dsNone;
    // The cross in a 15 x 15 button: a square of 8 columns from (3, 4), 7 rows, both diagonals
    // drawn twice side by side.
    std::set<std::pair<int32_t, int32_t>> Cross;
    for (int32_t K = 0; K < 7; ++K)
        for (int32_t Dx : {0, 1}) {
            Cross.insert({3 + K + Dx, 4 + K});
            Cross.insert({3 + K + Dx, 10 - K});
        }
    struct TCase {
        TcbButtonState State;
        COLORREF Background;
    };
    const TCase Cases[] = {{bstNormal, Sys(COLOR_INACTIVECAPTION)},
                           {bstHot, C(Bar.SelectedItemBrush)},
                           {bstPressed, C(Bar.ItemBrush)}};
    for (const TCase& Case : Cases) {
        Bar.CloseState = Case.State;
        TDib D(15, 15, kBack);
        P->DrawCloseButton(&Bar, D.DC(), Rect(0, 0, 15, 15));
        const COLORREF Ink = ColorToRGB(P->GetMarkArrowColor(&Bar, Case.State != bstNormal));
        SCOPED_TRACE(Case.State);
        for (int32_t Y = 1; Y < 14; ++Y)
            for (int32_t Px = 1; Px < 14; ++Px)
                EXPECT_EQ(D.Pixel(Px, Y), Cross.count({Px, Y}) ? Ink : Case.Background) << Px << "," << Y;
        EXPECT_EQ(D.Pixel(0, 0), Case.State == bstNormal ? Case.Background : Sys(COLOR_HIGHLIGHT));
    }
}

// ---------------------------------------------------------------------------------------------
// Buttons

TEST(FlatPainter, ToolbarButtonsByStateSplitPartsAndTheQuickCustomizationBox)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    FakeBarWindow Bar;
    X.Toolbar(Bar);
    TBitmap Glyph;
    Glyph.SetPixelFormat(pf24bit);
    Glyph.SetSize(16, 16);
    FakeItemControl Button(&Bar);
    Button.Glyph = &Glyph;
    const int32_t Bx = 5, By = 3;
    struct TCase {
        const char* Name;
        TcbPaintFlags State;
        COLORREF Inside;
    };
    const COLORREF Light = C(Bar.BarBrush);
    const TCase Cases[] = {
        {"hot", {pfEnabled, pfSelected}, C(Bar.SelectedItemBrush)},
        {"hot pressed", {pfEnabled, pfSelected, pfPressed}, C(Bar.ItemBrush)},
        {"down", {pfEnabled, pfDown}, C(Bar.CheckedItemBrush)},
        {"plain", {pfEnabled}, Light},
    };
    for (const TCase& Case : Cases) {
        TDib D(40, 30, kBack);
        P->DrawGlyph(&Button, D.DC(), Bounds(Bx, By, 23, 22), Case.State, dkHorizontal);
        SCOPED_TRACE(Case.Name);
        ExpectPixels(D, {{Bx + 1, By + 1, Case.Inside}, {Bx + 23, By + 22, kBack}});
        if (Case.State.Contains(pfSelected) && !Case.State.Contains(pfPressed))
            ExpectPixels(D, {{Bx, By, Sys(COLOR_HIGHLIGHT)}, {Bx + 22, By + 21, Sys(COLOR_HIGHLIGHT)}});
        if (Case.State == TcbPaintFlags{pfEnabled})
            ExpectPixels(D, {{Bx, By, Light}, {Bx + 22, By + 21, Light}});
    }

    // The arrow part of a split button, 10 pixels wide.
    const TRect Part = Bounds(Bx, By, 10, 22);
    auto Inside = [&](const TDib& D, COLORREF Colour) {
        size_t N = 0;
        for (int32_t Y = By + 1; Y < By + 21; ++Y)
            for (int32_t Px = Bx + 2; Px < Bx + 9; ++Px)
                N += D.Pixel(Px, Y) == Colour;
        return N;
    };
    {
        TDib D(40, 30, kBack);
        P->DrawDropDownPart(&Button, D.DC(), Part, Bar.CachedBarBrush, {pfEnabled}, 0);
        // The part's left edge lies one pixel in.
        ExpectPixels(D, {{Bx + 1, By + 11, Sys(COLOR_BTNSHADOW)}, {Bx, By + 11, kBack}});
        EXPECT_GT(Inside(D, Sys(COLOR_BTNTEXT)), 0u);
    }
    {
        TDib D(40, 30, kBack);
        P->DrawDropDownPart(&Button, D.DC(), Part, Bar.SelectedItemBrush, {pfEnabled, pfSelected}, 0);
        ExpectPixels(D, {{Bx + 1, By, Sys(COLOR_HIGHLIGHT)}, {Bx + 9, By + 21, Sys(COLOR_HIGHLIGHT)},
                         {Bx + 2, By + 1, C(Bar.SelectedItemBrush)}});
        EXPECT_GT(Inside(D, Sys(COLOR_BTNTEXT)), 0u);
    }
    {
        TDib D(40, 30, kBack);
        P->DrawDropDownPart(&Button, D.DC(), Part, Bar.CachedBarBrush, {}, 0);
        EXPECT_EQ(Inside(D, Sys(COLOR_BTNTEXT)), 0u);
        EXPECT_GT(Inside(D, Sys(COLOR_BTNSHADOW)), 0u) << "the disabled arrow";
    }

    // The quick-customization box of an unchecked entry: a 20 x 20 square framed in the bar brush.
    {
        TDib D(120, 20, kBack);
        FakeItemControl Entry(&Bar);
        EXPECT_EQ(P->DrawQuickCustCheckArea(&Entry, D.DC(), Rect(0, 0, 120, 20), false, false), 20);
        ExpectPixels(D, {{0, 0, Light}, {19, 0, Light}, {0, 19, Light}, {19, 19, Light}, {10, 0, Light},
                         {0, 10, Light}, {10, 10, kBack}, {20, 0, kBack}});
    }
}

// ---------------------------------------------------------------------------------------------
// Menus

TEST(FlatPainter, MenuRowsGroupBandsAndTheDetachBand)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    TDib D(160, 200, kBack);
    HGDIOBJ OldFont = SelectObject(D.DC(), GuiFont());
    TScopeExit Restore([&] { SelectObject(D.DC(), OldFont); });
    FakeBarWindow Menu;
    X.Menu(Menu, D.DC());
    FakeItemControl Row(&Menu);
    Row.Caption = "&Open";
    const int32_t RowH = P->GetSubItemHeight(&Row), Column = Menu.Metrics.GlyphColumnWidth;
    if (TextSize(GuiFont(), "0").cy == 13) {
        EXPECT_EQ(RowH, 20);
        EXPECT_EQ(Column, 18);
    }
    const int32_t W = 150, CaptionX = Column + 3 + 8;
    const COLORREF Light = C(Menu.BarBrush), Window = Sys(COLOR_WINDOW), Hot = C(Menu.SelectedItemBrush);

    // A plain row without a glyph.
    const int32_t Y0 = 0, Mid = Y0 + RowH / 2;
    P->DrawMenuItem(&Row, D.DC(), Rect(0, Y0, W, Y0 + RowH), {pfEnabled});
    // Column + 1 and + 2 are the gap.
    ExpectPixels(D, {{2, Mid, Light}, {Column + 1, Mid, Light}, {Column + 2, Mid, Light}, {W - 3, Mid, Window}});
    size_t Caption = 0;
    for (int32_t Y = Y0; Y < Y0 + RowH; ++Y)
        for (int32_t Px = 0; Px < W; ++Px) {
            const COLORREF Pixel = D.Pixel(Px, Y);
            if (Px < CaptionX)
                EXPECT_TRUE(Pixel == Light || Pixel == Window) << "no caption left of " << CaptionX << " at " << Px;
            else if (Pixel != Window)
                ++Caption;
        }
    EXPECT_GT(Caption, 0u);

    // A selected row: framed in the highlight, the tint inside, the gap included.
    const int32_t Y1 = 30, Mid1 = Y1 + RowH / 2;
    Row.Selected = true;
    P->DrawMenuItem(&Row, D.DC(), Rect(0, Y1, W, Y1 + RowH), {pfEnabled, pfSelected});
    Row.Selected = false;
    ExpectPixels(D, {{0, Y1, Sys(COLOR_HIGHLIGHT)}, {W - 1, Y1 + RowH - 1, Sys(COLOR_HIGHLIGHT)}, {2, Mid1, Hot},
                     {Column + 1, Mid1, Hot}, {W - 3, Mid1, Hot}});

    // A checked row without an image: the tick, black enabled, the shadow colour disabled.
    for (bool Enabled : {true, false}) {
        const int32_t Y2 = Enabled ? 60 : 90;
        Row.Enabled = Enabled;
        const TcbPaintFlags State = Enabled ? TcbPaintFlags{pfEnabled, pfChecked, pfDown} : TcbPaintFlags{pfChecked, pfDown};
        P->DrawMenuItem(&Row, D.DC(), Rect(0, Y2, W, Y2 + RowH), State);
        size_t Black = 0, Shadow = 0;
        // Inside the glyph box's frame.
        for (int32_t Y = Y2 + 3; Y < Y2 + RowH - 3; ++Y)
            for (int32_t Px = 3; Px < Column - 1; ++Px) {
                Black += D.Pixel(Px, Y) == RGB(0, 0, 0);
                Shadow += D.Pixel(Px, Y) == Sys(COLOR_BTNSHADOW);
            }
        SCOPED_TRACE(Enabled ? "enabled" : "disabled");
        if (Enabled) {
            EXPECT_EQ(Black, 18u);
        } else {
            EXPECT_EQ(Shadow, 18u);
            if (Sys(COLOR_BTNSHADOW) != RGB(0, 0, 0)) {
                EXPECT_EQ(Black, 0u);
            }
        }
    }
    Row.Enabled = true;

    // The begin-group band above a row at y 130.
    Row.ItemRect = Rect(0, 130, W, 130 + RowH);
    P->DrawSubMenuBeginGroup(&Menu, &Row, D.DC());
    const int32_t Line = 130 - 5 + 2;
    // Left of the caption offset the rows' column and gap continue.
    ExpectPixels(D, {{CaptionX, Line, Sys(COLOR_BTNSHADOW)}, {W - 1, Line, Sys(COLOR_BTNSHADOW)},
                     {CaptionX - 1, Line, Window}, {CaptionX, Line - 1, Window}, {Column + 2, Line, Light},
                     {Column + 3, Line, Window}, {2, 125, Light}, {2, 129, Light}, {2, 124, kBack}});

    // The detach band: the bar brush with a 33-pixel handle in the middle, every second row.
    Menu.Detachable = true;
    for (bool BandHot : {false, true}) {
        Menu.DetachBandHot = BandHot;
        TDib B(W, 9, kBack);
        P->DrawDetachBand(&Menu, B.DC(), Rect(0, 0, W, 9));
        const int32_t Left = (W - 33) / 2;
        const COLORREF Handle = Sys(BandHot ? COLOR_BTNTEXT : COLOR_BTNSHADOW);
        const COLORREF Fill = BandHot ? Hot : Light;
        SCOPED_TRACE(BandHot ? "hot" : "normal");
        for (int32_t Y = 1; Y < 8; ++Y)
            ExpectPixels(B, {{Left, Y, Y % 2 == 1 ? Handle : Fill}, {Left + 32, Y, Y % 2 == 1 ? Handle : Fill},
                             {Left - 1, Y, Fill}, {Left + 33, Y, Fill}});
        const COLORREF Edge = BandHot ? Sys(COLOR_HIGHLIGHT) : Light;
        ExpectPixels(B, {{0, 0, Edge}, {W - 1, 8, Edge}});
    }
}

TEST(FlatPainter, SubItemArrowShowsOnToolbarsButNotOnTheMainMenu)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    FakeBarWindow Bar;
    X.Toolbar(Bar);
    FakeItemControl Sub(&Bar);
    Sub.Kind = ickSubItem;
    Sub.Caption = "File";
    const int32_t Width = 80, Height = 22;
    const int32_t TextEnd = Bar.SpacingUnit + TextSize(GuiFont(), "File").cx;
    ASSERT_LT(TextEnd + 2, Width - P->GetSubItemArrowWidth(&Sub));
    for (bool MainMenu : {true, false}) {
        Bar.MainMenu = MainMenu;
        TDib D(Width, Height, kBack);
        HGDIOBJ Old = SelectObject(D.DC(), GuiFont());
        P->DrawSubItem(&Sub, D.DC(), Rect(0, 0, Width, Height), {pfEnabled}, dkHorizontal);
        SelectObject(D.DC(), Old);
        size_t Right = 0, Caption = 0;
        for (int32_t Y = 0; Y < Height; ++Y)
            for (int32_t Px = 0; Px < Width; ++Px)
                (Px > TextEnd + 1 ? Right : Caption) += D.Pixel(Px, Y) != C(Bar.CachedBarBrush);
        SCOPED_TRACE(MainMenu ? "main menu" : "toolbar");
        EXPECT_GT(Caption, 0u);
        if (MainMenu) {
            EXPECT_EQ(Right, 0u);
        } else {
            EXPECT_GT(Right, 0u);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Edits and combos

namespace {

int32_t gChanges = 0;
HWND gChangedFrom = nullptr;

LRESULT CALLBACK ParentProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_COMMAND && HIWORD(WParam) == EN_CHANGE) {
        ++gChanges;
        gChangedFrom = reinterpret_cast<HWND>(LParam);
    }
    return DefWindowProcA(Wnd, Msg, WParam, LParam);
}

} // namespace

TEST(FlatPainter, EditAndComboBordersByState)
{
    TFlatFixture X;
    TcbPainterClass P = FlatPainter();
    FakeBarWindow Bar;
    X.Toolbar(Bar);
    FakeItemControl Edit(&Bar);
    Edit.Kind = ickEdit;
    struct TCase {
        const char* Name;
        bool Selected, Enabled;
        TcbDrawKind Kind;
        COLORREF Frame;
    };
    const TCase Cases[] = {{"selected", true, true, dkHorizontal, Sys(COLOR_HIGHLIGHT)},
                           {"in a menu", false, true, dkMenu, C(Bar.BarBrush)},
                           {"at rest", false, true, dkHorizontal, C(Bar.CachedBarBrush)},
                           {"on a vertical bar", false, true, dkVertical, C(Bar.CachedBarBrush)},
                           {"disabled", false, false, dkHorizontal, Sys(COLOR_BTNSHADOW)}};
    for (const TCase& Case : Cases) {
        Edit.Enabled = Case.Enabled;
        TDib D(40, 20, kBack);
        TRect R = Rect(0, 0, 40, 20);
        P->DrawEditBorder(&Edit, D.DC(), Case.Selected, Case.Kind, R);
        SCOPED_TRACE(Case.Name);
        ExpectPixels(D, {{0, 0, Case.Frame}, {39, 19, Case.Frame}, {1, 1, kBack}});
        const TRect Inside = Rect(1, 1, 39, 19);
        EXPECT_TRUE(EqualRect(&R, &Inside));
    }
    TDib D(40, 20, kBack);
    P->DrawDropDownListBorder(D.DC(), Rect(0, 0, 40, 20));
    ExpectPixels(D, {{0, 0, Sys(COLOR_BTNSHADOW)}, {39, 10, Sys(COLOR_BTNSHADOW)}, {1, 1, Sys(COLOR_WINDOW)},
                     {38, 18, Sys(COLOR_WINDOW)}, {2, 2, kBack}});
}

TEST(FlatPainter, InPlaceEditGetsItsTextRectAndAnnouncesAChangeOnce)
{
    WNDCLASSA Class{};
    Class.lpfnWndProc = ParentProc;
    Class.hInstance = GetModuleHandleA(nullptr);
    Class.lpszClassName = "FlatPainterEditParent";
    RegisterClassA(&Class);
    HWND Parent = CreateWindowExA(0, Class.lpszClassName, "", WS_POPUP, 0, 0, 200, 60, nullptr, nullptr,
                                  Class.hInstance, nullptr);
    ASSERT_NE(Parent, nullptr);
    TScopeExit DestroyParent([Parent] { DestroyWindow(Parent); });
    // A multi-line edit keeps whole lines in its text rectangle: the box is two lines and the
    // margins high.
    HDC Screen = CreateCompatibleDC(nullptr);
    HGDIOBJ OldFont = SelectObject(Screen, GuiFont());
    TEXTMETRICA Metrics{};
    GetTextMetricsA(Screen, &Metrics);
    SelectObject(Screen, OldFont);
    DeleteDC(Screen);
    const int32_t Height = 2 * Metrics.tmHeight + 4;
    HWND Edit = CreateWindowExA(0, "EDIT", "Some text", WS_CHILD | FlatPainter()->GetInPlaceEditStyle(), 10, 10, 120,
                                Height, Parent, reinterpret_cast<HMENU>(7), Class.hInstance, nullptr);
    ASSERT_NE(Edit, nullptr);
    SendMessageA(Edit, WM_SETFONT, reinterpret_cast<WPARAM>(GuiFont()), 0);
    SendMessageA(Edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);

    FlatPainter()->SetupInPlaceEdit(Edit);
    RECT Text{};
    SendMessageA(Edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&Text));
    const TRect Expected = Rect(2, 2, 118, Height - 2);
    EXPECT_TRUE(EqualRect(&Text, &Expected)) << Text.left << "," << Text.top << "," << Text.right << "," << Text.bottom;

    gChanges = 0;
    gChangedFrom = nullptr;
    FlatPainter()->InitInPlaceEditSelection(Edit, false);
    EXPECT_EQ(gChanges, 0);
    SendMessageA(Edit, EM_SETSEL, 0, 0);
    FlatPainter()->InitInPlaceEditSelection(Edit, true);
    EXPECT_EQ(gChanges, 1);
    EXPECT_EQ(gChangedFrom, Edit);
    DWORD Start = 1, End = 0;
    SendMessageA(Edit, EM_GETSEL, reinterpret_cast<WPARAM>(&Start), reinterpret_cast<LPARAM>(&End));
    EXPECT_EQ(Start, 0u);
    EXPECT_EQ(End, 9u);
}

// ---------------------------------------------------------------------------------------------
// The added operations' GDI balance, and the sheet

TEST(FlatPainter, AddedOperationsGiveTheirGdiObjectsBackAndKeepTheParentItemEdgeOpen)
{
    TFlatFixture X;
    const TcbBarItemControlFlatPainter* P = static_cast<const TcbBarItemControlFlatPainter*>(FlatPainter());
    FakeBarWindow Menu;
    X.Toolbar(Menu);
    Menu.Kind = bwkMenu;
    Menu.Window = Rect(0, 0, 60, 40);
    Menu.ParentItemEdge = Rect(1, 0, 20, 1);
    Menu.BkBrush = GetSysColorBrush(COLOR_WINDOW);
    TDib D(60, 40, kBack);
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    auto Round = [&] {
        P->DrawSelectedFrame(D.DC(), Rect(0, 0, 60, 40));
        P->FillWithBarBrush(&Menu, D.DC(), X.M->GetFlatFrameBrush(), Rect(0, 0, 60, 40));
        P->DrawClippedFrame(&Menu, D.DC(), X.M->GetFlatFrameBrush(), Rect(0, 0, 60, 40));
        P->DrawFrameRectFlat(D.DC(), Rect(0, 0, 60, 40), P->GetFrameBrush());
        P->FillBkRect(&Menu, D.DC(), Rect(2, 2, 10, 10), nullptr, false);
    };
    Round();
    const int64_t Before = Probe.GdiObjects();
    Round();
    EXPECT_EQ(Probe.GdiObjects(), Before);

    // The piece of the frame that touches the opening item takes the background, not the frame.
    D.Fill(kBack);
    P->FillWithBarBrush(&Menu, D.DC(), X.M->GetFlatFrameBrush(), Rect(0, 0, 60, 40));
    ExpectPixels(D, {{5, 0, Sys(COLOR_WINDOW)}, {0, 0, C(X.M->GetFlatFrameBrush())},
                     {30, 0, C(X.M->GetFlatFrameBrush())}, {30, 20, Sys(COLOR_WINDOW)}});
    // The clip region is as it was: a later fill reaches the whole DC.
    D.Fill(RGB(9, 9, 9));
    EXPECT_EQ(D.Count(RGB(9, 9, 9)), 60u * 40u);
}

TEST(FlatPainter, SheetOfTheFlatStyleIsSaved)
{
    TFlatFixture X;
    EXPECT_FALSE(SavePainterSheet(FlatPainter(), X.M, "painter-flat").empty());
}
