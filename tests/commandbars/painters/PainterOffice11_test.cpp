// The Office11 painter over the fakes on memory bitmaps: its metrics and the manager's cached
// ones, the colour column it draws with (recomputed here from the system colours), the dock
// sites' gradient and their cache, the rounded frame of a docked toolbar with its grip and
// mark, separators, items, menus and the floating border, and the size grip handed to the XP
// painter while visual styles are on. Toolbars stand on a dock site painted by the painter
// itself, so the frame's dock pixels are read against that site's own picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>

#include <vssym32.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/painters/cbPainterOffice11.h"
#include "commandbars/painters/cbPainterXP.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/ModelSupport.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/commandbars/support/FakeBarWindow.h"
#include "tests/commandbars/support/FakeDockSite.h"
#include "tests/commandbars/support/FakeItemControl.h"
#include "tests/commandbars/support/PainterSheet.h"
#include "tests/support/ResourceProbe.h"
#include "tests/support/TestSupport.h"

using namespace CommandBarsTest;

namespace {

const COLORREF kBack = RGB(1, 2, 3);

TcbPainterClass O11()
{
    return Office11Painter();
}

const TcbBarItemControlOffice11Painter* Own()
{
    return static_cast<const TcbBarItemControlOffice11Painter*>(Office11Painter());
}

COLORREF Rgb(TColor C)
{
    return ColorToRGB(C);
}

COLORREF BrushColor(HBRUSH Brush)
{
    LOGBRUSH Log{};
    GetObjectA(cbResolveBrush(Brush), sizeof(Log), &Log);
    return Log.lbColor;
}

// The colours the painter must draw with, worked out from the system colours by the colour
// set's formulas (no Luna theme runs under Wine).
struct TColumn {
    COLORREF ToolbarStart, ToolbarEnd, DockStart, DockEnd, Border, GripDot, Separator, MarkStart, MarkEnd;
    COLORREF ItemFrame, FloatingInner, Menu, Selected, SelectedFrame, ItemBrush, BandDarkStart, BandDarkEnd;
    COLORREF MarkStartHot, MarkStartPressed;
    TColumn()
    {
        auto Mix = [](int F, int H, int W) { return Rgb(NearestScreenColor11(GetBlendedSystemColor(F, H, W))); };
        ToolbarStart = Rgb(BlendColors(clBtnFace, clWindow, 22));
        ToolbarEnd = Rgb(BlendColors(clBtnFace, clWindow, 96));
        DockStart = Sys(COLOR_BTNFACE);
        DockEnd = Rgb(BlendColors(clBtnFace, clWindow, 20));
        Border = Rgb(BlendColors(clBtnFace, clWindow, 85));
        GripDot = Rgb(BlendColors(clBtnShadow, clWindow, 76));
        Separator = Rgb(BlendColors(clBtnShadow, clWindow, 70));
        MarkStart = Rgb(BlendColors(clBtnShadow, clWindow, 74));
        MarkEnd = Sys(COLOR_BTNSHADOW);
        ItemFrame = Sys(COLOR_BTNSHADOW);
        FloatingInner = ToolbarEnd;
        Menu = Sys(COLOR_WINDOW);
        Selected = Mix(-2, 30, 72);
        SelectedFrame = Sys(COLOR_HIGHLIGHT);
        ItemBrush = Mix(14, 44, 40);
        BandDarkStart = Rgb(BlendColors(static_cast<TColor>(ToolbarStart), clBlack, 92));
        BandDarkEnd = Rgb(BlendColors(static_cast<TColor>(ToolbarEnd), clBlack, 92));
        MarkStartHot = Mix(-15, 29, 86);
        MarkStartPressed = Mix(42, 11, 47);
    }
};

bool Within(COLORREF C, COLORREF A, COLORREF B)
{
    for (int Shift = 0; Shift < 24; Shift += 8) {
        const int V = (C >> Shift) & 0xFF, X = (A >> Shift) & 0xFF, Y = (B >> Shift) & 0xFF;
        if (V < std::min(X, Y) || V > std::max(X, Y))
            return false;
    }
    return true;
}

bool Near(COLORREF C, COLORREF A, COLORREF B)
{
    for (int Shift = 0; Shift < 24; Shift += 8) {
        const int Half = ((A >> Shift & 0xFF) + (B >> Shift & 0xFF)) / 2;
        if (std::abs(static_cast<int>(C >> Shift & 0xFF) - Half) > 1)
            return false;
    }
    return true;
}

bool Same(const TRect& A, const TRect& B)
{
    return EqualRect(&A, &B) != 0;
}

std::string Hex(COLORREF C)
{
    char Text[16];
    snprintf(Text, sizeof(Text), "(%d,%d,%d)", GetRValue(C), GetGValue(C), GetBValue(C));
    return Text;
}

// A manager in the Office11 style, a top dock site with a cache, and bar windows that answer
// the painter's brushes; a toolbar's background fills show the site under it.
struct TOffice11 {
    TManagerForm F;
    TcbBarManager* M = F.Manager;
    TColumn K;
    TBitmap SiteCache;
    FakeDockSite Site;
    TOffice11()
    {
        M->SetStyle(bmsOffice11);
        Site.Manager = M;
        Site.Client = Rect(0, 0, 300, 60);
        Site.BackgroundCache = &SiteCache;
    }
    void Brushes(FakeBarWindow& Bar)
    {
        Bar.Manager = M;
        Bar.Font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        Bar.BarBrush = O11()->GetBarBrush(M);
        Bar.BkBrush = Bar.CachedBarBrush = O11()->GetBarBkBrush(M);
        Bar.CheckedItemBrush = O11()->GetCheckedItemBrush(M);
        Bar.ItemBrush = O11()->GetItemBrush(M);
        Bar.SelectedItemBrush = O11()->GetSelectedItemBrush(M);
    }
    // A toolbar docked on the site at (X, Y): the window is W x H with the client inset by the
    // border offsets and, at the leading side, the grip area.
    void Toolbar(FakeBarWindow& Bar, int32_t X, int32_t Y, int32_t W, int32_t H, bool Vertical = false)
    {
        Brushes(Bar);
        Bar.DockingStyle = Vertical ? dsLeft : dsTop;
        Bar.MarkVisible = false;
        Bar.Window = Rect(X, Y, X + W, Y + H);
        Bar.ClientOffset = Vertical ? TPoint{2, 2 + M->GetGripAreaSize()} : TPoint{2 + M->GetGripAreaSize(), 2};
        Bar.Client = Rect(0, 0, W - Bar.ClientOffset.x - 2, H - Bar.ClientOffset.y - 2);
        Bar.Backdrop = [this, &Bar](HDC DC, const TRect& R) {
            const int32_t DX = Bar.Window.left + Bar.ClientOffset.x, DY = Bar.Window.top + Bar.ClientOffset.y;
            POINT Old{};
            OffsetViewportOrgEx(DC, -DX, -DY, &Old);
            TRect S = R;
            OffsetRect(&S, DX, DY);
            O11()->DrawDockControlBackground(&Site, DC, S, Site.Client, nullptr);
            SetViewportOrgEx(DC, Old.x, Old.y, nullptr);
        };
    }
    void Menu(FakeBarWindow& Bar)
    {
        Brushes(Bar);
        Bar.Kind = bwkMenu;
        Bar.BkBrush = Bar.CachedBarBrush = O11()->GetSubMenuBrush();
        Bar.Window = Rect(0, 0, 160, 70);
        Bar.Client = Rect(0, 0, 156, 66);
        Bar.Metrics.GlyphColumnWidth = 20;
        Bar.Backdrop = [&Bar](HDC DC, const TRect& R) { O11()->DrawSubMenuBackground(&Bar, DC, R); };
    }
    // The site as it shows itself.
    void SitePicture(TDib& D) { O11()->DrawDockControlBackground(&Site, D.DC(), Site.Client, Site.Client, nullptr); }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Choice, metrics and colours

TEST(Office11Painter, IsTheStylesPainterAndGivesItsMetricsAndTheManagersCachedOnes)
{
    TOffice11 X;
    EXPECT_EQ(StylePainter(bmsOffice11), O11());
    EXPECT_EQ(X.M->GetPainterClass(), O11());
    EXPECT_EQ(X.M->GetDockedBarBorderSize(), 3);
    EXPECT_EQ(X.M->GetGripAreaSize(), 8);
    EXPECT_EQ(X.M->GetSubMenuGlyphColumnIndent(), 8);
    EXPECT_EQ(X.M->GetButtonWidth(), 23);
    EXPECT_EQ(X.M->GetButtonHeight(), 22);
    EXPECT_EQ(X.M->GetRealButtonArrowWidth(), 10);
    EXPECT_EQ(O11()->GetComboButtonWidth(8), 13);
    EXPECT_EQ(O11()->GetFloatingBorderWidth(), 3);
    EXPECT_EQ(O11()->GetFloatingBorderHeight(), 3);
    EXPECT_EQ(O11()->GetGriplessBarIndent(), 2);

    FakeBarWindow Bar, MainMenu, Menu;
    X.Brushes(Bar);
    X.Brushes(MainMenu);
    MainMenu.MainMenu = true;
    X.Menu(Menu);
    Menu.DetachCaptionHeight = 9;
    EXPECT_EQ(O11()->GetDetachBandHeight(&Menu), 14);
    TcbSubMenuMetrics Metrics, Flat;
    HDC Screen = CreateCompatibleDC(nullptr);
    O11()->CalcSubMenuMetrics(&Menu, Screen, Metrics);
    StylePainter(bmsFlat)->CalcSubMenuMetrics(&Menu, Screen, Flat);
    DeleteDC(Screen);
    ASSERT_NE(Office11SubMenuExpandBitmap(), nullptr);
    EXPECT_EQ(Metrics.ExpandButtonHeight, Office11SubMenuExpandBitmap()->GetHeight() + 2);
    EXPECT_EQ(Metrics.TextHeight, Flat.TextHeight);
    EXPECT_EQ(Metrics.GlyphColumnWidth, Flat.GlyphColumnWidth);
    TRect Band = Rect(10, 10, 50, 30);
    O11()->AdjustDetachBandRect(Band);
    EXPECT_TRUE(Same(Band, Rect(12, 14, 48, 26)));

    // The main menu keeps 2 pixels on the sides across its docking direction only.
    struct TOffsets {
        TcbBarDockingStyle Style;
        TRect Expected;
    };
    for (const TOffsets& Case : {TOffsets{dsTop, Rect(0, 2, 0, 2)}, TOffsets{dsBottom, Rect(0, 2, 0, 2)},
                                 TOffsets{dsLeft, Rect(2, 0, 2, 0)}, TOffsets{dsRight, Rect(2, 0, 2, 0)}}) {
        const TRect Got = O11()->GetBarBorderOffsets(&MainMenu, Case.Style);
        EXPECT_TRUE(Same(Got, Case.Expected)) << "style " << Case.Style;
        const TRect Other = O11()->GetBarBorderOffsets(&Bar, Case.Style);
        EXPECT_TRUE(Same(Other, Rect(2, 2, 2, 2)));
    }
    MainMenu.DockingStyle = dsLeft;
    const TRect NC = O11()->GetBarNCBorders(&MainMenu);
    EXPECT_TRUE(Same(NC, Rect(2, 0, 2, 0)));

    // A bordered bar's mark reaches into the frame; the main menu's does not.
    Bar.Client = MainMenu.Client = Rect(0, 0, 100, 22);
    MainMenu.DockingStyle = dsTop;
    const TRect Mark = O11()->GetMarkRect(&Bar), Plain = O11()->GetMarkRect(&MainMenu);
    EXPECT_TRUE(Same(Mark, Rect(89, -1, 102, 23)));
    EXPECT_TRUE(Same(Plain, Rect(89, 0, 100, 22)));

    // In a menu an edit's caption area takes in the glyph band; a row without a glyph starts
    // its caption after the band.
    FakeItemControl InMenu(&Menu), OnBar(&Bar);
    EXPECT_EQ(O11()->CalcEditCaptionWidth(&InMenu, 30), 30 + Menu.GetLeftBandWidth() + 1);
    EXPECT_EQ(O11()->CalcEditCaptionWidth(&OnBar, 30), 30);
    EXPECT_EQ(O11()->GetNoGlyphCaptionIndent(&InMenu), Menu.GetLeftBandWidth());
    EXPECT_EQ(O11()->GetNoGlyphCaptionIndent(&OnBar), 0);
}

TEST(Office11Painter, ColoursAreTheColourSetsFallBackColumnOfTheSystemColours)
{
    TOffice11 X;
    const TcbOffice11Colors& S = Office11Colors();
    ASSERT_EQ(S.Scheme, 0) << "no Luna theme runs here";
    EXPECT_EQ(Rgb(S[occToolbarGradientStart]), X.K.ToolbarStart);
    EXPECT_EQ(Rgb(S[occToolbarGradientEnd]), X.K.ToolbarEnd);
    EXPECT_EQ(Rgb(S[occDockGradientStart]), X.K.DockStart);
    EXPECT_EQ(Rgb(S[occDockGradientEnd]), X.K.DockEnd);
    EXPECT_EQ(BrushColor(O11()->GetSelectedItemBrush(X.M)), X.K.Selected);
    EXPECT_EQ(BrushColor(O11()->GetItemBrush(X.M)), X.K.ItemBrush);
    EXPECT_EQ(BrushColor(O11()->GetBarBrush(X.M)), X.K.Menu);
    EXPECT_EQ(BrushColor(Own()->GetFrameBrush()), X.K.ItemFrame);
    EXPECT_EQ(BrushColor(Own()->GetFlatBorderBrush()), X.K.Separator);
    if (AreThemesInUse())
        return;
    // The classic profile's column, as the style is known by.
    struct TCell {
        const char* Name;
        COLORREF Got, Expected;
    };
    const TCell Cells[] = {
        {"toolbar start", X.K.ToolbarStart, RGB(246, 245, 243)}, {"toolbar end", X.K.ToolbarEnd, RGB(214, 210, 202)},
        {"dock start", X.K.DockStart, RGB(212, 208, 200)},       {"dock end", X.K.DockEnd, RGB(246, 246, 244)},
        {"border", X.K.Border, RGB(218, 215, 208)},              {"grip", X.K.GripDot, RGB(158, 158, 158)},
        {"separator", X.K.Separator, RGB(167, 167, 167)},        {"mark start", X.K.MarkStart, RGB(161, 161, 161)},
        {"mark end", X.K.MarkEnd, RGB(128, 128, 128)},           {"item frame", X.K.ItemFrame, RGB(128, 128, 128)},
        {"floating inner", X.K.FloatingInner, RGB(214, 210, 202)}, {"menu", X.K.Menu, RGB(255, 255, 255)},
        {"selected", X.K.Selected, RGB(183, 191, 212)},
        {"selected frame", X.K.SelectedFrame, RGB(10, 36, 106)},
        {"item brush", X.K.ItemBrush, RGB(136, 147, 177)},
        {"dark band start", X.K.BandDarkStart, RGB(226, 225, 224)},
        {"dark band end", X.K.BandDarkEnd, RGB(197, 193, 186)},
    };
    for (const TCell& Cell : Cells)
        EXPECT_EQ(Hex(Cell.Got), Hex(Cell.Expected)) << Cell.Name;
    EXPECT_EQ(Office11Colors().MiddleStrength, 75);
}

// ---------------------------------------------------------------------------------------------
// Dock sites

TEST(Office11Painter, DockSitesRunTheGradientAcrossAndTheSidesContinueItsEndsFromOneCacheFill)
{
    TOffice11 X;
    TDib Top(300, 60);
    const int32_t Before = Office11DockCacheFills();
    X.SitePicture(Top);
    EXPECT_EQ(Top.Pixel(0, 30), X.K.DockStart);
    EXPECT_EQ(Top.Pixel(299, 0), X.K.DockEnd);
    EXPECT_TRUE(Within(Top.Pixel(150, 59), X.K.DockStart, X.K.DockEnd));
    EXPECT_NE(Top.Pixel(150, 59), X.K.DockStart);
    EXPECT_EQ(Top.Pixel(150, 0), Top.Pixel(150, 59)) << "one colour down each column";

    // A second paint, of a piece only, copies from the cache to the same place.
    TDib Piece(300, 60);
    O11()->DrawDockControlBackground(&X.Site, Piece.DC(), Rect(100, 10, 140, 20), X.Site.Client, nullptr);
    EXPECT_EQ(Office11DockCacheFills(), Before + 1);
    EXPECT_EQ(Piece.Pixel(120, 15), Top.Pixel(120, 15));
    EXPECT_EQ(Piece.Pixel(99, 15), kBack);
    // Emptied by the site (a resize), it is filled again, to the new size.
    X.SiteCache.SetSize(0, 0);
    X.Site.Client = Rect(0, 0, 200, 40);
    TDib Smaller(200, 40);
    X.SitePicture(Smaller);
    EXPECT_EQ(Office11DockCacheFills(), Before + 2);
    EXPECT_EQ(Smaller.Pixel(199, 39), X.K.DockEnd);

    for (TcbBarDockingStyle Side : {dsLeft, dsRight}) {
        TBitmap Cache;
        FakeDockSite S;
        S.Manager = X.M;
        S.DockingStyle = Side;
        S.Client = Rect(0, 0, 26, 200);
        S.BackgroundCache = &Cache;
        TDib D(26, 200);
        O11()->DrawDockControlBackground(&S, D.DC(), S.Client, S.Client, nullptr);
        const COLORREF Solid = Side == dsLeft ? X.K.DockStart : X.K.DockEnd;
        EXPECT_EQ(D.Count(Solid), 26u * 200u) << "side " << Side;
    }
}

// ---------------------------------------------------------------------------------------------
// Docked toolbars

TEST(Office11Painter, BorderedToolbarFrameShowsTheDockAtItsRoundedCornersAndBlendsTheInnerOnes)
{
    TOffice11 X;
    const int32_t W = 120, H = 26, Left = 37;
    TDib SiteShot(300, 60);
    X.SitePicture(SiteShot);
    FakeBarWindow Bar;
    X.Toolbar(Bar, Left, 0, W, H);
    TDib D(W, H);
    O11()->DrawDockedBarBorder(&Bar, D.DC(), nullptr, Rect(0, 0, W, H));
    auto DockAt = [&](int32_t XX, int32_t YY) { return SiteShot.Pixel(Left + XX, YY); };
    for (int32_t Y = 0; Y < H; ++Y) {
        EXPECT_EQ(D.Pixel(0, Y), DockAt(0, Y)) << "row " << Y;
        EXPECT_EQ(D.Pixel(1, Y), DockAt(1, Y)) << "row " << Y;
    }
    for (int32_t XX = 2; XX < W; ++XX)
        EXPECT_EQ(D.Pixel(XX, 0), DockAt(XX, 0)) << "column " << XX;
    for (const POINT P : {POINT{2, 1}, POINT{W - 1, 1}, POINT{2, H - 1}, POINT{W - 1, H - 1}})
        EXPECT_EQ(D.Pixel(P.x, P.y), DockAt(P.x, P.y)) << "outer corner " << P.x << "," << P.y;
    for (int32_t XX = 4; XX <= W - 3; ++XX)
        EXPECT_EQ(D.Pixel(XX, H - 1), X.K.Border) << "bottom line " << XX;
    for (int32_t Y = 3; Y <= H - 4; ++Y)
        EXPECT_TRUE(Within(D.Pixel(2, Y), X.K.ToolbarStart, X.K.ToolbarEnd)) << "leading column " << Y;
    EXPECT_NE(D.Pixel(2, 3), D.Pixel(2, H - 4)) << "a gradient down the bar";
    EXPECT_EQ(D.Pixel(W / 2, H / 2), kBack) << "the client area is left to the window";
    const COLORREF BarRow2 = D.Pixel(8, 2);
    EXPECT_TRUE(Near(D.Pixel(2, 2), DockAt(2, 2), BarRow2)) << Hex(D.Pixel(2, 2));
    EXPECT_TRUE(Near(D.Pixel(3, 1), DockAt(3, 1), BarRow2)) << Hex(D.Pixel(3, 1));

    // The main menu: only its two long sides show the dock, and no border line.
    FakeBarWindow Main;
    X.Toolbar(Main, Left, 0, W, H);
    Main.MainMenu = true;
    Main.Movable = false;
    TDib MD(W, H, kBack);
    O11()->DrawDockedBarBorder(&Main, MD.DC(), nullptr, Rect(0, 0, W, H));
    for (int32_t Y : {0, 1, H - 2, H - 1})
        EXPECT_EQ(MD.Pixel(60, Y), DockAt(60, Y)) << "row " << Y;
    EXPECT_EQ(MD.Pixel(60, 2), kBack);
    EXPECT_EQ(MD.Pixel(2, 5), kBack);
}

TEST(Office11Painter, GripDotsStandInFourPixelCellsPlacedByTheRunsRemainder)
{
    TOffice11 X;
    struct TCase {
        int32_t H, FirstRow;
    };
    // The grip runs from row 5 to H - 6: 16 rows leave no remainder, 18 leave 2 (halved to 1).
    for (const TCase Case : {TCase{26, 5}, TCase{28, 6}}) {
        FakeBarWindow Bar;
        X.Toolbar(Bar, 0, 0, 100, Case.H);
        TDib D(100, Case.H);
        O11()->DrawDockedBarBorder(&Bar, D.DC(), nullptr, Rect(0, 0, 100, Case.H));
        int32_t Cells = 0;
        for (int32_t Top = Case.FirstRow; Top + 4 <= Case.H - 5; Top += 4, ++Cells) {
            for (const POINT P : {POINT{5, Top}, POINT{6, Top}, POINT{5, Top + 1}, POINT{6, Top + 1}})
                EXPECT_EQ(D.Pixel(P.x, P.y), X.K.GripDot) << "H " << Case.H << " at " << P.x << "," << P.y;
            for (const POINT P : {POINT{7, Top + 1}, POINT{7, Top + 2}, POINT{6, Top + 2}})
                EXPECT_EQ(D.Pixel(P.x, P.y), Sys(COLOR_WINDOW)) << "H " << Case.H << " at " << P.x << "," << P.y;
        }
        EXPECT_EQ(Cells, 4);
        EXPECT_NE(D.Pixel(5, Case.FirstRow - 1), X.K.GripDot);
        EXPECT_EQ(D.Count(X.K.GripDot), 4u * 4u) << "H " << Case.H;
    }
    // A bar that cannot move has no grip; a vertical bar's dots run along a row.
    FakeBarWindow Fixed, Vertical;
    X.Toolbar(Fixed, 0, 0, 100, 26);
    Fixed.Movable = false;
    TDib FD(100, 26);
    O11()->DrawDockedBarBorder(&Fixed, FD.DC(), nullptr, Rect(0, 0, 100, 26));
    EXPECT_EQ(FD.Count(X.K.GripDot), 0u);
    X.Site.DockingStyle = dsLeft;
    X.Toolbar(Vertical, 0, 0, 26, 100, true);
    TDib VD(26, 100);
    O11()->DrawDockedBarBorder(&Vertical, VD.DC(), nullptr, Rect(0, 0, 26, 100));
    // 16 columns from x 5 leave no remainder: cells at 5, 9, 13 and 17.
    for (int32_t Cell : {5, 9, 13, 17}) {
        EXPECT_EQ(VD.Pixel(Cell, 5), X.K.GripDot) << Cell;
        EXPECT_EQ(VD.Pixel(Cell + 1, 6), X.K.GripDot) << Cell;
        EXPECT_EQ(VD.Pixel(Cell + 2, 7), Sys(COLOR_WINDOW)) << Cell;
    }
    EXPECT_EQ(VD.Count(X.K.GripDot), 4u * 4u) << "one row of dots";
}

TEST(Office11Painter, VerticalFrameAndSeparatorsAreTheHorizontalOnesTurned)
{
    TOffice11 X;
    X.Site.DockingStyle = dsLeft;
    X.Site.Client = Rect(0, 0, 30, 300);
    TDib SiteShot(30, 300);
    X.SitePicture(SiteShot);
    FakeBarWindow Bar;
    X.Toolbar(Bar, 0, 40, 26, 100, true);
    TDib D(26, 100);
    O11()->DrawDockedBarBorder(&Bar, D.DC(), nullptr, Rect(0, 0, 26, 100));
    for (int32_t XX = 0; XX < 26; ++XX)
        EXPECT_EQ(D.Pixel(XX, 1), X.K.DockStart) << "leading strip " << XX;
    EXPECT_EQ(D.Pixel(0, 50), X.K.DockStart);
    for (int32_t Y = 4; Y <= 97; ++Y)
        EXPECT_EQ(D.Pixel(25, Y), X.K.Border) << "right line " << Y;
    EXPECT_TRUE(Within(D.Pixel(1, 50), X.K.ToolbarStart, X.K.ToolbarEnd));
    EXPECT_EQ(D.Pixel(24, 3), Rgb(Office11Colors()[occMarkCornerBase]));
    EXPECT_EQ(D.Pixel(24, 98), Rgb(Office11Colors()[occMarkCornerBase]));
    EXPECT_EQ(D.Pixel(25, 99), X.K.DockStart) << "outer corner";

    // Separators: two lines, the first in the separator colour, the second one pixel over and
    // one pixel longer at its far end.
    FakeBarWindow Row;
    X.Brushes(Row);
    TDib S(5, 22, kBack);
    O11()->DrawBarSeparator(&Row, S.DC(), Rect(0, 0, 5, 22), true);
    for (int32_t Y = 0; Y < 22; ++Y) {
        EXPECT_EQ(S.Pixel(2, Y) == X.K.Separator, Y >= 3 && Y <= 18) << "row " << Y;
        EXPECT_EQ(S.Pixel(3, Y) == RGB(255, 255, 255), Y >= 4 && Y <= 19) << "row " << Y;
    }
    EXPECT_EQ(S.Pixel(0, 10), BrushColor(Row.BkBrush)) << "the rest is the bar's background";
    TDib T(22, 5, kBack);
    O11()->DrawBarSeparator(&Row, T.DC(), Rect(0, 0, 22, 5), false);
    EXPECT_EQ(T.Pixel(3, 2), X.K.Separator);
    EXPECT_EQ(T.Pixel(19, 3), RGB(255, 255, 255));
    EXPECT_NE(T.Pixel(2, 2), X.K.Separator);
}

TEST(Office11Painter, MarkShadesFromStartToEndWithItsArrowAndChevronsOnlyWhileItemsAreHidden)
{
    TOffice11 X;
    FakeBarWindow Bar;
    X.Toolbar(Bar, 0, 0, 120, 26);
    Bar.MarkVisible = true;
    TRect Mark{};
    O11()->CalcMarkRect(&Bar, Mark);
    const int32_t CW = Bar.Client.right, CH = Bar.Client.bottom;
    const COLORREF Black = Sys(COLOR_BTNTEXT), White = Sys(COLOR_WINDOW);
    auto Paint = [&](TDib& D) { O11()->DrawBarMark(&Bar, D.DC(), Bar.BkBrush, Mark); };
    TDib D(CW, CH);
    Paint(D);
    EXPECT_EQ(D.Pixel(Mark.left + 2, 0), X.K.MarkStart);
    EXPECT_EQ(D.Pixel(Mark.left + 2, CH - 1), X.K.MarkEnd);
    for (int32_t XX = Mark.right - 6; XX <= Mark.right - 2; ++XX) {
        EXPECT_EQ(D.Pixel(XX, Mark.bottom - 8), Black) << XX;
        EXPECT_EQ(D.Pixel(XX + 1, Mark.bottom - 7), White) << XX;
    }
    size_t Chevron = 0;
    for (int32_t Y = Mark.top; Y < Mark.top + 7; ++Y)
        for (int32_t XX = Mark.left; XX < Mark.right; ++XX)
            Chevron += D.Pixel(XX, Y) == Black;
    EXPECT_EQ(Chevron, 0u);
    Bar.PushedOff = true;
    TDib Hidden(CW, CH);
    Paint(Hidden);
    EXPECT_EQ(Hidden.Pixel(Mark.right - 7, Mark.top + 3), Black);
    EXPECT_EQ(Hidden.Pixel(Mark.right - 3, Mark.top + 4), Black);
    EXPECT_EQ(Hidden.Pixel(Mark.right - 6, Mark.top + 5), White);

    // Borderless bars and the main menu: both shapes 2 pixels earlier and 1 higher.
    for (int Kind = 0; Kind < 2; ++Kind) {
        FakeBarWindow Plain;
        X.Toolbar(Plain, 0, 0, 120, 26);
        Plain.MarkVisible = Plain.PushedOff = true;
        (Kind == 0 ? Plain.Borderless : Plain.MainMenu) = true;
        TDib P(CW, CH);
        O11()->DrawBarMark(&Plain, P.DC(), Plain.BkBrush, Mark);
        EXPECT_EQ(P.Pixel(Mark.right - 8, Mark.bottom - 9), Black) << Kind;
        EXPECT_EQ(P.Pixel(Mark.right - 3, Mark.bottom - 8), White) << Kind;
        EXPECT_EQ(P.Pixel(Mark.right - 9, Mark.top + 2), Black) << Kind;
        EXPECT_EQ(P.Pixel(Mark.left + 2, 0), X.K.MarkStart) << Kind;
    }
    // The hot and pressed states take their own gradients, in the client and in the frame.
    for (TcbButtonState State : {bstHot, bstPressed}) {
        Bar.MarkState = State;
        const COLORREF Start = State == bstHot ? X.K.MarkStartHot : X.K.MarkStartPressed;
        TDib S(CW, CH);
        Paint(S);
        EXPECT_EQ(S.Pixel(Mark.left + 2, 0), Start) << State;
        TDib Frame(120, 26);
        O11()->DrawDockedBarBorder(&Bar, Frame.DC(), nullptr, Rect(0, 0, 120, 26));
        EXPECT_EQ(Frame.Pixel(120 - 6, 1), Start) << State;
    }
    // With the mark the frame's bottom line stops 11 pixels earlier.
    Bar.MarkState = bstNormal;
    TDib Frame(120, 26);
    O11()->DrawDockedBarBorder(&Bar, Frame.DC(), nullptr, Rect(0, 0, 120, 26));
    EXPECT_EQ(Frame.Pixel(120 - 14, 25), X.K.Border);
    EXPECT_EQ(Frame.Pixel(120 - 12, 25), X.K.MarkEnd);
    EXPECT_EQ(Frame.Pixel(120 - 12, 1), Rgb(Office11Colors().MarkCorner[omsNormal]));
}

// ---------------------------------------------------------------------------------------------
// Items, menus and floating bars

// The glyph box's brush by state; a hot checked item pressed again shows the bar's background.
TEST(Office11Painter, GlyphBoxBrushFollowsHotPressedAndDownStates)
{
    TOffice11 X;
    FakeBarWindow Bar;
    X.Toolbar(Bar, 0, 0, 120, 26);
    ASSERT_NE(Bar.BkBrush, Bar.ItemBrush);
    FakeItemControl Button(&Bar);
    EXPECT_EQ(O11()->GetCheckMarkColor(&Button, {pfEnabled, pfSelected, pfPressed, pfDown}), Bar.BkBrush);
    EXPECT_EQ(O11()->GetCheckMarkColor(&Button, {pfEnabled, pfSelected, pfPressed}), Bar.ItemBrush);
    EXPECT_EQ(O11()->GetCheckMarkColor(&Button, {pfEnabled, pfSelected, pfDown}), Bar.ItemBrush);
    EXPECT_EQ(O11()->GetCheckMarkColor(&Button, {pfEnabled, pfDown}), Bar.CheckedItemBrush);
}

TEST(Office11Painter, ButtonsByStateAndAnOpenDropDownWithoutItsMenuSideEdge)
{
    TOffice11 X;
    FakeBarWindow Bar;
    X.Toolbar(Bar, 0, 0, 120, 26);
    struct TCase {
        const char* Name;
        TcbPaintFlags Flags;
        COLORREF Inside;
    };
    const TCase Cases[] = {
        {"hot", {pfEnabled, pfSelected}, X.K.Selected},
        {"pressed", {pfEnabled, pfSelected, pfPressed}, X.K.ItemBrush},
        {"checked", {pfEnabled, pfDown}, X.K.ItemBrush},
    };
    const TRect R = Rect(2, 2, 25, 24);
    for (const TCase& Case : Cases) {
        FakeItemControl Button(&Bar);
        TDib D(30, 30);
        O11()->DrawGlyphBorder(&Button, D.DC(), Bar.BkBrush, R, Case.Flags, true);
        EXPECT_EQ(D.Pixel(12, 12), Case.Inside) << Case.Name;
        EXPECT_EQ(D.Pixel(3, 3), Case.Inside) << Case.Name;
        for (const POINT P : {POINT{2, 2}, POINT{24, 12}, POINT{12, 23}, POINT{2, 23}})
            EXPECT_EQ(D.Pixel(P.x, P.y), X.K.SelectedFrame) << Case.Name << " frame " << P.x << "," << P.y;
        EXPECT_EQ(D.Pixel(1, 1), kBack) << Case.Name;
    }
    FakeItemControl Open(&Bar);
    Open.DroppedDown = true;
    TDib D(30, 30);
    O11()->DrawGlyphBorder(&Open, D.DC(), Bar.BkBrush, R, {pfEnabled, pfDown, pfOpen}, true);
    EXPECT_TRUE(Within(D.Pixel(12, 3), X.K.ToolbarStart, X.K.ToolbarEnd));
    EXPECT_NE(D.Pixel(12, 3), D.Pixel(12, 20)) << "the open gradient runs down";
    EXPECT_EQ(D.Pixel(12, 23), X.K.ToolbarEnd) << "no edge toward the menu below";
    EXPECT_EQ(D.Pixel(12, 2), X.K.ItemFrame);
    EXPECT_EQ(D.Pixel(2, 12), X.K.ItemFrame);
    EXPECT_EQ(D.Pixel(24, 12), X.K.ItemFrame);

    // Background pieces of the open item take the gradient's nearer end: a tall piece by its
    // left edge, a wide one by its top; elsewhere on the bar the plain fill.
    Open.ItemRect = R;
    Bar.Controls = {&Open};
    Bar.Backdrop = nullptr;
    const TcbBarItemControlOffice11Painter* P = Own();
    TDib F(30, 30);
    P->FillBkRect(&Bar, F.DC(), Rect(3, 3, 5, 20), nullptr, true);
    P->FillBkRect(&Bar, F.DC(), Rect(20, 3, 22, 20), nullptr, true);
    P->FillBkRect(&Bar, F.DC(), Rect(3, 20, 22, 22), nullptr, true);
    P->FillBkRect(&Bar, F.DC(), Rect(26, 3, 28, 20), nullptr, true);
    EXPECT_EQ(F.Pixel(4, 10), X.K.ToolbarStart);
    EXPECT_EQ(F.Pixel(21, 10), X.K.ToolbarEnd);
    EXPECT_EQ(F.Pixel(10, 21), X.K.ToolbarEnd);
    EXPECT_EQ(F.Pixel(27, 10), BrushColor(Bar.BkBrush));
}

TEST(Office11Painter, MenuBandRowsBorderAndExpandButton)
{
    TOffice11 X;
    FakeBarWindow Menu;
    X.Menu(Menu);
    const int32_t Band = Menu.GetLeftBandWidth();
    TDib D(156, 66);
    O11()->DrawSubMenuBackground(&Menu, D.DC(), Menu.Client);
    EXPECT_EQ(D.Pixel(0, 30), X.K.ToolbarStart);
    EXPECT_EQ(D.Pixel(Band - 1, 30), X.K.ToolbarEnd);
    EXPECT_EQ(D.Pixel(Band, 30), X.K.Menu);
    EXPECT_EQ(D.Pixel(155, 65), X.K.Menu);
    Menu.ItemMarked = true;
    O11()->DrawSubMenuBackground(&Menu, D.DC(), Menu.Client);
    EXPECT_EQ(D.Pixel(0, 30), X.K.BandDarkStart);
    EXPECT_EQ(D.Pixel(Band - 1, 30), X.K.BandDarkEnd);
    Menu.ItemMarked = false;
    O11()->DrawSubMenuBackground(&Menu, D.DC(), Menu.Client);
    TDib Plain(156, 66);
    O11()->DrawSubMenuBackground(&Menu, Plain.DC(), Menu.Client);

    // A plain row shows the band by its glyph column and white after; a selected one is framed
    // over the selected colour.
    FakeItemControl Row(&Menu), Hot(&Menu);
    Row.ShortCutText = "Ctrl+O";
    O11()->DrawMenuItem(&Row, D.DC(), Rect(1, 1, 155, 23), {pfEnabled});
    for (const POINT P : {POINT{1, 12}, POINT{5, 1}, POINT{12, 12}, POINT{Band - 1, 22}})
        EXPECT_EQ(D.Pixel(P.x, P.y), Plain.Pixel(P.x, P.y)) << "the band at " << P.x << "," << P.y;
    EXPECT_EQ(D.Pixel(Band + 3, 2), X.K.Menu);
    Hot.Selected = true;
    O11()->DrawMenuItem(&Hot, D.DC(), Rect(1, 23, 155, 45), {pfEnabled, pfSelected});
    EXPECT_EQ(D.Pixel(1, 23), X.K.SelectedFrame);
    EXPECT_EQ(D.Pixel(154, 30), X.K.SelectedFrame);
    EXPECT_EQ(D.Pixel(Band + 3, 25), X.K.Selected);
    EXPECT_EQ(D.Pixel(150, 43), X.K.Selected);

    // The window: the outer frame in the item frame colour, the inner ring white with the band's
    // start colour down its left edge.
    TDib Window(160, 70, kBack);
    O11()->DrawSubMenuBorder(&Menu, Window.DC(), Menu.Window);
    EXPECT_EQ(Window.Pixel(0, 0), X.K.ItemFrame);
    EXPECT_EQ(Window.Pixel(159, 40), X.K.ItemFrame);
    EXPECT_EQ(Window.Pixel(1, 1), kBack);
    TDib Ring(156, 66, kBack);
    O11()->DrawSubMenuSideBand(&Menu, Ring.DC(), Menu.BkBrush, Menu.Client);
    EXPECT_EQ(Ring.Pixel(0, 30), X.K.ToolbarStart);
    EXPECT_EQ(Ring.Pixel(30, 0), X.K.Menu);
    EXPECT_EQ(Ring.Pixel(155, 30), X.K.Menu);
    EXPECT_EQ(Ring.Pixel(30, 65), X.K.Menu);
    EXPECT_EQ(Ring.Pixel(30, 30), kBack);

    // The expand button is the recoloured bitmap: its lightest pixels are the toolbar start.
    TDib Expand(40, 16, RGB(255, 255, 255));
    O11()->DrawSubMenuExpandButton(&Menu, Expand.DC(), Rect(0, 0, 40, 16), bstNormal);
    EXPECT_GT(Expand.Count(X.K.ToolbarStart), 0u);
}

TEST(Office11Painter, FloatingBorderHasTwoOuterRingsAndARoundedInnerOneUnderTheCaptionColour)
{
    TOffice11 X;
    FakeBarWindow Bar;
    X.Brushes(Bar);
    Bar.DockingStyle = dsNone;
    TDib D(60, 40, kBack);
    O11()->DrawFloatingBarBorder(&Bar, D.DC(), Bar.BkBrush, Rect(0, 0, 60, 40));
    for (int32_t Ring = 0; Ring < 2; ++Ring)
        for (const POINT P : {POINT{30, Ring}, POINT{Ring, 20}, POINT{59 - Ring, 20}, POINT{30, 39 - Ring}})
            EXPECT_EQ(D.Pixel(P.x, P.y), X.K.ItemFrame) << P.x << "," << P.y;
    for (const POINT P : {POINT{30, 2}, POINT{2, 20}, POINT{57, 20}, POINT{30, 37}, POINT{3, 2}})
        EXPECT_EQ(D.Pixel(P.x, P.y), X.K.FloatingInner) << P.x << "," << P.y;
    for (const POINT P : {POINT{2, 2}, POINT{57, 2}, POINT{2, 37}, POINT{57, 37}})
        EXPECT_EQ(D.Pixel(P.x, P.y), X.K.ItemFrame) << "corner " << P.x << "," << P.y;
    EXPECT_EQ(D.Pixel(3, 3), kBack);

    Bar.Caption = true;
    Bar.MarkVisible = false;
    TDib Caption(100, 16, kBack);
    O11()->DrawFloatingCaption(&Bar, Caption.DC(), Rect(0, 0, 100, 16), Rect(0, 0, 0, 0));
    EXPECT_EQ(Caption.Pixel(99, 0), Rgb(O11()->GetFloatingCaptionColor(true)));
    EXPECT_EQ(Caption.Pixel(99, 0), X.K.ItemFrame);
}

// ---------------------------------------------------------------------------------------------
// Themes: the size grip is the XP painter's, the rest stays Office11

namespace {

struct TGripCall {
    HTHEME Theme;
    int Part, State;
};
std::vector<TGripCall> gGripCalls;
FARPROC gRealDraw = nullptr;

HRESULT WINAPI RecordDraw(HTHEME Theme, HDC DC, int Part, int State, const RECT* R, const RECT* Clip)
{
    gGripCalls.push_back({Theme, Part, State});
    using TDraw = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);
    return reinterpret_cast<TDraw>(reinterpret_cast<void (*)()>(gRealDraw))(Theme, DC, Part, State, R, Clip);
}

} // namespace

TEST(Office11Painter, WithThemesTheSizeGripIsTheStatusGripperWhileTheDockKeepsItsGradient)
{
    TOffice11 X;
    FakeBarWindow Status;
    X.Brushes(Status);
    Status.StatusBar = true;
    Status.DockingStyle = dsBottom;
    const TRect Client = Rect(0, 0, 100, 24);
    if (!X.M->GetThemesInUse()) {
        // Themes off: the classic grip, no theme call.
        const TSize S = O11()->GetSizeGripSize();
        EXPECT_EQ(S.cx, GetSystemMetrics(SM_CXHSCROLL));
        EXPECT_EQ(S.cy, GetSystemMetrics(SM_CYHSCROLL));
        return;
    }
    const TSize S = O11()->GetSizeGripSize();
    EXPECT_EQ(S.cx, XPPainter()->GetSizeGripSize().cx);
    const TRect Grip = Rect(Client.right - S.cx, Client.bottom - S.cy, Client.right, Client.bottom);
    TDib Ref(100, 24);
    {
        HTHEME Theme = UxTheme::OpenThemeData(nullptr, L"Status");
        ASSERT_NE(Theme, nullptr);
        FillRect(Ref.DC(), &Grip, Status.BkBrush);
        UxTheme::DrawThemeBackground(Theme, Ref.DC(), SP_GRIPPER, 0, &Grip, nullptr);
        UxTheme::CloseThemeData(Theme);
    }
    gRealDraw = GetThemeEntry(teDrawThemeBackground);
    gGripCalls.clear();
    SetThemeEntry(teDrawThemeBackground, reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&RecordDraw)));
    TDib D(100, 24);
    O11()->DrawBarSizeGrip(&Status, D.DC(), Client);
    SetThemeEntry(teDrawThemeBackground, gRealDraw);
    ASSERT_EQ(gGripCalls.size(), 1u);
    EXPECT_EQ(gGripCalls[0].Theme, OpenThemeClass(tcStatus));
    EXPECT_EQ(gGripCalls[0].Part, SP_GRIPPER);
    EXPECT_EQ(gGripCalls[0].State, 0);
    for (int32_t Y = 0; Y < 24; ++Y)
        for (int32_t XX = 0; XX < 100; ++XX)
            ASSERT_EQ(D.Pixel(XX, Y), Ref.Pixel(XX, Y)) << XX << "," << Y;

    TDib Top(300, 60);
    X.SitePicture(Top);
    EXPECT_EQ(Top.Pixel(0, 10), X.K.DockStart);
    EXPECT_EQ(Top.Pixel(299, 10), X.K.DockEnd);
    EXPECT_EQ(Hex(Top.Pixel(0, 10)), Hex(RGB(245, 245, 245))) << "the default prefix's face colour";
    EXPECT_EQ(Hex(Top.Pixel(299, 10)), Hex(RGB(253, 253, 253)));
}

// ---------------------------------------------------------------------------------------------
// GDI balance and the sheet

TEST(Office11Painter, DrawingGivesEveryGdiObjectBack)
{
    TOffice11 X;
    FakeBarWindow Bar, Menu, Floating;
    X.Toolbar(Bar, 0, 0, 120, 26);
    Bar.MarkVisible = Bar.PushedOff = true;
    X.Menu(Menu);
    Menu.Detachable = true;
    X.Brushes(Floating);
    Floating.DockingStyle = dsNone;
    FakeItemControl Button(&Bar), Row(&Menu);
    TDib D(200, 80);
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    auto Round = [&] {
        O11()->DrawDockedBarBorder(&Bar, D.DC(), nullptr, Rect(0, 0, 120, 26));
        O11()->DrawBarMark(&Bar, D.DC(), Bar.BkBrush, O11()->GetMarkRect(&Bar));
        O11()->DrawParentBarBackground(&Bar, D.DC(), Rect(0, 0, 100, 20));
        O11()->DrawBarSeparator(&Bar, D.DC(), Rect(0, 0, 5, 20), true);
        O11()->DrawGlyphBorder(&Button, D.DC(), Bar.BkBrush, Rect(0, 0, 23, 22), {pfEnabled, pfSelected}, true);
        O11()->DrawDropDownPart(&Button, D.DC(), Rect(23, 0, 35, 22), Bar.BkBrush, {pfEnabled, pfSelected}, 0);
        O11()->DrawComboButton(&Button, D.DC(), Rect(0, 0, 80, 20), {pfEnabled, pfSelected});
        O11()->DrawMenuItem(&Row, D.DC(), Rect(1, 1, 150, 22), {pfEnabled, pfSelected});
        O11()->DrawSubMenuBorder(&Menu, D.DC(), Menu.Window);
        O11()->DrawFloatingBarBorder(&Floating, D.DC(), Floating.BkBrush, Rect(0, 0, 60, 40));
        O11()->DrawFlatCloseButton(&Floating, D.DC(), Rect(0, 0, 14, 14), bstHot);
        X.SitePicture(D);
    };
    Round();
    const int64_t Before = Probe.GdiObjects();
    Round();
    EXPECT_EQ(Probe.GdiObjects(), Before);
    // The clip region is as it was: a later fill reaches the whole DC.
    D.Fill(RGB(9, 9, 9));
    EXPECT_EQ(D.Count(RGB(9, 9, 9)), 200u * 80u);
}

TEST(Office11Painter, CaptionsStayReadableOnTheSelectedColour)
{
    TOffice11 X;
    FakeBarWindow Menu;
    X.Menu(Menu);
    FakeItemControl Row(&Menu);
    auto Light = [](COLORREF C) { return (GetRValue(C) * 30 + GetGValue(C) * 59 + GetBValue(C) * 11) / 100; };
    for (TcbPaintFlags State : {TcbPaintFlags{pfEnabled, pfSelected}, TcbPaintFlags{pfEnabled},
                                TcbPaintFlags{pfEnabled, pfSelected, pfPressed}}) {
        TColor Ink = clNone, Second = clNone;
        O11()->GetCaptionColors(&Row, State, Ink, Second);
        EXPECT_EQ(Ink, Second);
        EXPECT_GT(std::abs(Light(Rgb(Ink)) - Light(X.K.Selected)), 80) << Hex(Rgb(Ink)) << " on " << Hex(X.K.Selected);
    }
    TColor Ink = clNone, Second = clNone;
    O11()->GetCaptionColors(&Row, {pfSelected}, Ink, Second);
    EXPECT_EQ(Rgb(Ink), Rgb(Office11Colors()[occDisabledText]));
}

namespace {

// Docked, vertical, borderless and main-menu bars on their dock sites, an open menu and a
// floating bar, drawn through the fakes for a person to look at.
TestSupport::TShot PaintBars(TOffice11& X)
{
    TDib D(460, 260, RGB(255, 255, 255));
    HDC DC = D.DC();
    X.Site.Client = Rect(0, 0, 460, 86);
    X.SitePicture(D);
    auto At = [&](int32_t XX, int32_t YY) { SetViewportOrgEx(DC, XX, YY, nullptr); };
    auto Docked = [&](FakeBarWindow& Bar, std::vector<TcbPaintFlags> Buttons) {
        const int32_t BX = Bar.Window.left, BY = Bar.Window.top;
        At(BX, BY);
        O11()->DrawDockedBarBorder(&Bar, DC, nullptr, Rect(0, 0, Bar.Window.right - BX, Bar.Window.bottom - BY));
        At(BX + Bar.ClientOffset.x, BY + Bar.ClientOffset.y);
        O11()->DrawParentBarBackground(&Bar, DC, Bar.Client);
        const bool Vertical = Bar.DockingStyle == dsLeft;
        int32_t Pos = 0;
        for (TcbPaintFlags State : Buttons) {
            FakeItemControl Button(&Bar);
            const TRect R = Vertical ? Rect(0, Pos, 22, Pos + 22) : Rect(Pos, 0, Pos + 23, 22);
            if (State.Empty())
                O11()->DrawBarSeparator(&Bar, DC, Vertical ? Rect(0, Pos, 22, Pos + 5) : Rect(Pos, 0, Pos + 5, 22),
                                        !Vertical);
            else
                O11()->DrawGlyphBorder(&Button, DC, Bar.BkBrush, R, State, true);
            Pos += State.Empty() ? 5 : 23;
        }
        if (Bar.MarkVisible) {
            TRect Mark{};
            O11()->CalcMarkRect(&Bar, Mark);
            O11()->DrawBarMark(&Bar, DC, Bar.BkBrush, Mark);
        }
        At(0, 0);
    };
    const TcbPaintFlags Hot{pfEnabled, pfSelected}, Pressed{pfEnabled, pfSelected, pfPressed};
    const TcbPaintFlags Checked{pfEnabled, pfDown};
    const TcbPaintFlags Plain{pfEnabled}, Separator{};
    FakeBarWindow Main, Standard, HotMark, Borderless;
    X.Toolbar(Main, 0, 0, 460, 26);
    Main.MainMenu = true;
    X.Toolbar(Standard, 2, 28, 200, 26);
    Standard.MarkVisible = Standard.PushedOff = true;
    X.Toolbar(HotMark, 206, 28, 140, 26);
    HotMark.MarkVisible = true;
    HotMark.MarkState = bstHot;
    X.Toolbar(Borderless, 2, 58, 140, 26);
    Borderless.Borderless = true;
    Borderless.MarkVisible = true;
    Borderless.MarkState = bstPressed;
    Docked(Main, {Plain, Hot});
    Docked(Standard, {Plain, Hot, Pressed, Separator, Checked});
    Docked(HotMark, {Plain, Separator, Hot});
    Docked(Borderless, {Plain, Checked});

    // The left site under the top one, with a vertical bar.
    TBitmap LeftCache;
    FakeDockSite Left;
    Left.Manager = X.M;
    Left.DockingStyle = dsLeft;
    Left.Client = Rect(0, 0, 30, 170);
    Left.BackgroundCache = &LeftCache;
    At(0, 88);
    O11()->DrawDockControlBackground(&Left, DC, Left.Client, Left.Client, nullptr);
    At(0, 0);
    FakeBarWindow Vertical;
    X.Toolbar(Vertical, 2, 4, 26, 150, true);
    Vertical.MarkVisible = Vertical.PushedOff = true;
    Vertical.Backdrop = [&](HDC Target, const TRect& R) {
        const int32_t DX = Vertical.Window.left + Vertical.ClientOffset.x;
        const int32_t DY = Vertical.Window.top + Vertical.ClientOffset.y;
        POINT Old{};
        OffsetViewportOrgEx(Target, -DX, -DY, &Old);
        TRect S = R;
        OffsetRect(&S, DX, DY);
        O11()->DrawDockControlBackground(&Left, Target, S, Left.Client, nullptr);
        SetViewportOrgEx(Target, Old.x, Old.y, nullptr);
    };
    SetViewportOrgEx(DC, 0, 88, nullptr);
    {
        const int32_t BX = 2, BY = 4;
        OffsetViewportOrgEx(DC, BX, BY, nullptr);
        O11()->DrawDockedBarBorder(&Vertical, DC, nullptr, Rect(0, 0, 26, 150));
        OffsetViewportOrgEx(DC, Vertical.ClientOffset.x, Vertical.ClientOffset.y, nullptr);
        O11()->DrawParentBarBackground(&Vertical, DC, Vertical.Client);
        FakeItemControl Button(&Vertical);
        O11()->DrawGlyphBorder(&Button, DC, Vertical.BkBrush, Rect(0, 0, 22, 22), Hot, true);
        TRect Mark{};
        O11()->CalcMarkRect(&Vertical, Mark);
        O11()->DrawBarMark(&Vertical, DC, Vertical.BkBrush, Mark);
    }
    At(0, 0);

    // An open menu: a selected row, a checked row after a group line.
    FakeBarWindow Menu;
    X.Menu(Menu);
    At(60, 96);
    O11()->DrawSubMenuBorder(&Menu, DC, Menu.Window);
    At(62, 98);
    O11()->DrawSubMenuSideBand(&Menu, DC, Menu.BkBrush, Menu.Client);
    O11()->DrawSubMenuBackground(&Menu, DC, Rect(1, 1, 155, 65));
    FakeItemControl New(&Menu), Open(&Menu), Wrap(&Menu);
    New.Caption = "&New";
    Wrap.Caption = "&Wrap lines";
    Wrap.ItemRect = Rect(1, 43, 155, 64);
    O11()->DrawMenuItem(&New, DC, Rect(1, 1, 155, 21), {pfEnabled});
    O11()->DrawMenuItem(&Open, DC, Rect(1, 21, 155, 38), {pfEnabled, pfSelected});
    O11()->DrawSubMenuBeginGroup(&Menu, &Wrap, DC);
    O11()->DrawMenuItem(&Wrap, DC, Wrap.ItemRect, {pfEnabled, pfChecked});
    At(0, 0);

    // A floating bar: border, caption, client gradient.
    FakeBarWindow Floating;
    X.Brushes(Floating);
    Floating.DockingStyle = dsNone;
    Floating.Caption = Floating.Closable = true;
    Floating.MarkVisible = false;
    Floating.CaptionText = "Tools";
    Floating.Window = Rect(0, 0, 160, 60);
    Floating.Client = Rect(0, 0, 154, 38);
    Floating.ClientOffset = TPoint{3, 19};
    At(260, 100);
    O11()->DrawFloatingBarBorder(&Floating, DC, Floating.BkBrush, Floating.Window);
    O11()->DrawFloatingCaption(&Floating, DC, Rect(3, 3, 157, 19), Rect(0, 0, 0, 0));
    At(263, 119);
    O11()->DrawBarBackground(&Floating, DC, Floating.Client, Floating.BkBrush, clNone);
    FakeItemControl Tool(&Floating);
    O11()->DrawGlyphBorder(&Tool, DC, Floating.BkBrush, Rect(4, 4, 27, 26), Hot, true);
    At(0, 0);
    return D.Shot();
}

} // namespace

TEST(Office11Painter, SheetOfTheOffice11StyleIsSaved)
{
    TOffice11 X;
    EXPECT_FALSE(SavePainterSheet(O11(), X.M, "painter-office11").empty());
    const TestSupport::TShot Bars = PaintBars(X);
    EXPECT_GT(Bars.W, 0);
    EXPECT_FALSE(TestSupport::SaveShot(Bars, "painter-office11-bars").empty());
}
