// What the base, Standard and Enhanced painters draw and measure, read from memory DCs at a few
// telling points; colours come from the system colours of the prefix, text sizes are measured.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <windows.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/painters/cbPainterStandard.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/ModelSupport.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/commandbars/support/FakeBarWindow.h"
#include "tests/commandbars/support/FakeItemControl.h"
#include "tests/commandbars/support/PainterSheet.h"

using namespace CommandBarsTest;

namespace {

const COLORREF kBack = RGB(1, 2, 3);

// A font that draws without smoothing, so every text pixel has the colour asked for.
class TTestFont {
public:
    explicit TTestFont(int32_t Points)
    {
        HDC Screen = GetDC(nullptr);
        const int32_t Height = -MulDiv(Points, GetDeviceCaps(Screen, LOGPIXELSY), 72);
        ReleaseDC(nullptr, Screen);
        FFont = CreateFontA(Height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0,
                            "Tahoma");
    }
    ~TTestFont() { DeleteObject(FFont); }
    TTestFont(const TTestFont&) = delete;
    TTestFont& operator=(const TTestFont&) = delete;
    HFONT Get() const { return FFont; }

private:
    HFONT FFont;
};

// The box around every pixel that is not Background.
RECT DrawnBox(const TDib& D, COLORREF Background)
{
    RECT Box{D.Width(), D.Height(), -1, -1};
    for (int32_t Y = 0; Y < D.Height(); ++Y)
        for (int32_t X = 0; X < D.Width(); ++X)
            if (D.Pixel(X, Y) != Background) {
                Box.left = std::min<LONG>(Box.left, X);
                Box.top = std::min<LONG>(Box.top, Y);
                Box.right = std::max<LONG>(Box.right, X + 1);
                Box.bottom = std::max<LONG>(Box.bottom, Y + 1);
            }
    return Box;
}

bool SamePixels(const TDib& A, const TDib& B)
{
    for (int32_t Y = 0; Y < A.Height(); ++Y)
        for (int32_t X = 0; X < A.Width(); ++X)
            if (A.Pixel(X, Y) != B.Pixel(X, Y))
                return false;
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Captions

TEST(PainterCaption, DisabledCaptionIsShadowTextOverAHighlightCopyOnePixelDownRight)
{
    TTestFont Font(10);
    TDib D(80, 24, kBack);
    HGDIOBJ Old = SelectObject(D.DC(), Font.Get());
    FakeItemControl C;
    BasePainter()->DrawCaption(&C, D.DC(), Rect(2, 2, 78, 22), false, false, false, {}, "Hm", DT_LEFT);
    SelectObject(D.DC(), Old);
    const COLORREF Shadow = Sys(COLOR_BTNSHADOW), Light = Sys(COLOR_BTNHIGHLIGHT);
    ASSERT_GT(D.Count(Shadow), 0u);
    ASSERT_GT(D.Count(Light), 0u);
    int32_t Checked = 0;
    for (int32_t Y = 0; Y + 1 < D.Height(); ++Y)
        for (int32_t X = 0; X + 1 < D.Width(); ++X) {
            const COLORREF P = D.Pixel(X, Y);
            EXPECT_TRUE(P == kBack || P == Shadow || P == Light) << X << "," << Y;
            if (P == Shadow && D.Pixel(X + 1, Y + 1) != Shadow) {
                EXPECT_EQ(D.Pixel(X + 1, Y + 1), Light) << X + 1 << "," << Y + 1;
                ++Checked;
            }
        }
    EXPECT_GT(Checked, 0);
}

TEST(PainterCaption, DoubledAmpersandIsOneLiteralAndAMarkedLetterIsUnderlined)
{
    TTestFont Font(10);
    auto Draw = [&](TDib& D, const std::string& Text, bool ByPainter) {
        HGDIOBJ Old = SelectObject(D.DC(), Font.Get());
        if (ByPainter) {
            FakeItemControl C;
            BasePainter()->DrawCaption(&C, D.DC(), Rect(2, 2, 98, 22), false, false, true, {pfEnabled}, Text,
                                       DT_LEFT);
        } else {
            SetBkMode(D.DC(), TRANSPARENT);
            SetTextColor(D.DC(), Sys(COLOR_BTNTEXT));
            RECT R{2, 2, 98, 22};
            DrawTextA(D.DC(), Text.c_str(), static_cast<int>(Text.size()), &R, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
        }
        SelectObject(D.DC(), Old);
    };
    TDib Doubled(100, 24, kBack), Plain(100, 24, kBack);
    Draw(Doubled, "A&&B", true);
    Draw(Plain, "A&B", false);
    EXPECT_GT(Plain.Count(Sys(COLOR_BTNTEXT)), 0u);
    EXPECT_TRUE(SamePixels(Doubled, Plain));

    TDib Marked(100, 24, kBack), Unmarked(100, 24, kBack);
    Draw(Marked, "&Open", true);
    Draw(Unmarked, "Open", false);
    HDC DC = Marked.DC();
    HGDIOBJ Old = SelectObject(DC, Font.Get());
    SIZE O{};
    GetTextExtentPoint32A(DC, "O", 1, &O);
    SelectObject(DC, Old);
    int32_t Underline = 0;
    for (int32_t Y = 0; Y < 24; ++Y)
        for (int32_t X = 0; X < 100; ++X)
            if (Marked.Pixel(X, Y) != Unmarked.Pixel(X, Y)) {
                ++Underline;
                EXPECT_LT(X, 2 + O.cx + 1) << "underline past the O at " << X;
                EXPECT_EQ(Marked.Pixel(X, Y), Sys(COLOR_BTNTEXT));
            }
    EXPECT_GT(Underline, 0);
}

TEST(PainterCaption, TheBackgroundModeComesBackAsItWas)
{
    TDib D(60, 20, kBack);
    FakeItemControl C;
    for (int Mode : {TRANSPARENT, OPAQUE}) {
        SetBkMode(D.DC(), Mode);
        BasePainter()->DrawCaption(&C, D.DC(), Rect(0, 0, 60, 20), true, false, true, {pfEnabled}, "Text", DT_LEFT);
        EXPECT_EQ(GetBkMode(D.DC()), Mode);
        BasePainter()->DrawCaption(&C, D.DC(), Rect(0, 0, 60, 20), true, true, false, {}, "Te&xt", DT_LEFT);
        EXPECT_EQ(GetBkMode(D.DC()), Mode);
    }
}

// ---------------------------------------------------------------------------------------------
// Standard and Enhanced drawing

TEST(ClassicPainters, CheckMarkIsNineBySevenOrDoubledForASixteenPointFont)
{
    HBRUSH Back = CreateSolidBrush(kBack);
    TScopeExit FreeBack([Back] { DeleteObject(Back); });
    const COLORREF Shadow = Sys(COLOR_BTNSHADOW), Light = Sys(COLOR_BTNHIGHLIGHT);
    for (TcbPainterClass P : {StandardPainter(), EnhancedPainter()})
        for (int32_t Points : {8, 16})
            for (bool Enabled : {true, false}) {
                TTestFont Font(Points);
                FakeBarWindow Bar;
                Bar.Font = Font.Get();
                FakeItemControl C(&Bar);
                C.Enabled = Enabled;
                TDib D(40, 40, kBack);
                P->DrawCheckMarkBox(&C, D.DC(), Rect(0, 0, 40, 40), Back, Enabled ? TcbPaintFlags{pfEnabled} : TcbPaintFlags{});
                const RECT Box = DrawnBox(D, kBack);
                const int32_t Scale = Points >= 16 ? 2 : 1;
                SCOPED_TRACE(std::to_string(Points) + (Enabled ? " pt enabled" : " pt disabled"));
                if (Enabled) {
                    EXPECT_EQ(Box.right - Box.left, 9 * Scale);
                    EXPECT_EQ(Box.bottom - Box.top, 7 * Scale);
                    EXPECT_GT(D.Count(RGB(0, 0, 0)), 0u);
                    EXPECT_GT(D.Count(RGB(255, 255, 255)), 0u);
                } else {
                    EXPECT_EQ(Box.right - Box.left, 9 * Scale);
                    EXPECT_EQ(D.Count(Shadow) + D.Count(Light) + D.Count(kBack), 40u * 40u);
                    EXPECT_GT(D.Count(Shadow), 0u);
                    EXPECT_GT(D.Count(Light), 0u);
                }
            }
}

TEST(ClassicPainters, DockedBorderHasItsGripBarsOnlyWhenTheBarCanMove)
{
    TManagerForm F;
    const int32_t W = 120, H = 28, Mid = H / 2;
    const COLORREF Light = Sys(COLOR_BTNHIGHLIGHT), Shadow = Sys(COLOR_BTNSHADOW), Face = Sys(COLOR_BTNFACE);
    FakeBarWindow Bar;
    Bar.Manager = F.Manager;
    Bar.DockingStyle = dsTop;

    F.Manager->SetStyle(bmsStandard);
    {
        TDib D(W, H, kBack);
        StandardPainter()->DrawDockedBarBorder(&Bar, D.DC(), Bar.BarBrush, Rect(0, 0, W, H));
        EXPECT_EQ(D.Pixel(0, 0), Light);
        EXPECT_EQ(D.Pixel(W - 1, H - 1), Shadow);
        EXPECT_EQ(D.Pixel(4, Mid), Light);
        EXPECT_EQ(D.Pixel(5, Mid), Face);
        EXPECT_EQ(D.Pixel(6, Mid), Shadow);
        EXPECT_EQ(D.Pixel(7, Mid), Light);
        EXPECT_EQ(D.Pixel(9, Mid), Shadow);
        EXPECT_EQ(D.Pixel(10, Mid), kBack);
        // The grip bars are taken out of the clip region: nothing drawn after lands on them.
        HBRUSH Red = CreateSolidBrush(RGB(255, 0, 0));
        RECT All{0, 0, W, H};
        FillRect(D.DC(), &All, Red);
        DeleteObject(Red);
        EXPECT_EQ(D.Pixel(5, Mid), Face);
        EXPECT_EQ(D.Pixel(10, Mid), RGB(255, 0, 0));
    }
    Bar.Movable = false;
    {
        TDib D(W, H, kBack);
        StandardPainter()->DrawDockedBarBorder(&Bar, D.DC(), Bar.BarBrush, Rect(0, 0, W, H));
        EXPECT_EQ(D.Pixel(0, 0), Light);
        EXPECT_EQ(D.Pixel(4, Mid), kBack);
        EXPECT_EQ(D.Pixel(6, Mid), kBack);
    }
    Bar.Movable = true;
    F.Manager->SetStyle(bmsEnhanced);
    {
        TDib D(W, H, kBack);
        EnhancedPainter()->DrawDockedBarBorder(&Bar, D.DC(), Bar.BarBrush, Rect(0, 0, W, H));
        EXPECT_EQ(D.Pixel(3, Mid), Light);
        EXPECT_EQ(D.Pixel(4, Mid), Face);
        EXPECT_EQ(D.Pixel(5, Mid), Shadow);
        EXPECT_EQ(D.Pixel(6, Mid), kBack);
        // Deflated by one pixel along its length.
        EXPECT_EQ(D.Pixel(4, 2), kBack);
        EXPECT_EQ(D.Pixel(4, 3), Light);
    }
}

TEST(ClassicPainters, HotButtonIsRaisedAndDownButtonSunken)
{
    TManagerForm F;
    F.Manager->SetStyle(bmsStandard);
    TBitmap Glyph;
    Glyph.SetPixelFormat(pf24bit);
    Glyph.SetSize(16, 16);
    FakeBarWindow Bar;
    Bar.Manager = F.Manager;
    FakeItemControl C(&Bar);
    C.Glyph = &Glyph;
    for (TcbPaintFlags State : {TcbPaintFlags{pfEnabled, pfSelected}, TcbPaintFlags{pfEnabled, pfDown}}) {
        TDib D(30, 30, kBack);
        StandardPainter()->DrawGlyph(&C, D.DC(), Rect(2, 2, 25, 24), State, dkHorizontal);
        const bool Down = State.Contains(pfDown);
        EXPECT_EQ(D.Pixel(2, 2), Sys(Down ? COLOR_BTNSHADOW : COLOR_BTNHIGHLIGHT));
        EXPECT_EQ(D.Pixel(24, 23), Sys(Down ? COLOR_BTNHIGHLIGHT : COLOR_BTNSHADOW));
        // A hot toolbar button keeps the bar colour around its glyph; only menu rows turn selected.
        if (!Down) {
            EXPECT_EQ(D.Pixel(4, 4), Sys(COLOR_BTNFACE));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Marks

TEST(ClassicPainters, MarkRectanglesByDockingStyle)
{
    FakeBarWindow Bar;
    Bar.Client = Rect(0, 0, 150, 24);
    auto Mark = [&](TcbPainterClass P, TcbBarDockingStyle Style) {
        Bar.DockingStyle = Style;
        return P->GetMarkRect(&Bar);
    };
    auto Eq = [](const TRect& A, const TRect& B) { return EqualRect(&A, &B) != 0; };
    EXPECT_TRUE(Eq(Mark(StandardPainter(), dsTop), Rect(139, 0, 150, 9)));
    EXPECT_TRUE(Eq(Mark(StandardPainter(), dsNone), Rect(0, 0, 13, 24)));
    EXPECT_TRUE(Eq(Mark(EnhancedPainter(), dsTop), Rect(139, 0, 150, 24)));
    EXPECT_TRUE(Eq(Mark(EnhancedPainter(), dsNone), Rect(0, 0, 13, 24)));
    Bar.Client = Rect(0, 0, 24, 150);
    EXPECT_TRUE(Eq(Mark(EnhancedPainter(), dsLeft), Rect(0, 139, 24, 150)));
    EXPECT_TRUE(Eq(Mark(BasePainter(), dsTop), TRect{}));
}

TEST(ClassicPainters, EnhancedMarkShowsItsTriangleAlwaysAndChevronsOnlyForPushedOffItems)
{
    FakeBarWindow Bar;
    Bar.DockingStyle = dsTop;
    Bar.Client = Rect(0, 0, 11, 22);
    const TRect Mark = Rect(0, 0, 11, 22);
    const COLORREF Text = Sys(COLOR_BTNTEXT);
    for (bool PushedOff : {false, true}) {
        Bar.PushedOff = PushedOff;
        TDib D(11, 22, kBack);
        EnhancedPainter()->DrawBarMarkSymbols(&Bar, D.DC(), Mark);
        EXPECT_EQ(D.Pixel(5, 16), Text) << "triangle middle";
        size_t Upper = 0;
        for (int32_t Y = 0; Y < 12; ++Y)
            for (int32_t X = 0; X < 11; ++X)
                Upper += D.Pixel(X, Y) == Text;
        if (PushedOff) {
            EXPECT_GT(Upper, 0u);
        } else {
            EXPECT_EQ(Upper, 0u);
        }
    }
}

TEST(ClassicPainters, EnhancedMarkBackgroundIsFramedRaisedOrSunkenByState)
{
    HBRUSH Frame = CreateSolidBrush(RGB(200, 0, 0));
    TScopeExit FreeFrame([Frame] { DeleteObject(Frame); });
    FakeBarWindow Bar;
    const TRect Mark = Rect(0, 0, 11, 22);
    const COLORREF Light = Sys(COLOR_BTNHIGHLIGHT), Shadow = Sys(COLOR_BTNSHADOW);
    struct TCase {
        TcbButtonState State;
        COLORREF TopLeft, BottomRight;
    };
    for (const TCase& Case : {TCase{bstNormal, RGB(200, 0, 0), RGB(200, 0, 0)}, TCase{bstHot, Light, Shadow},
                              TCase{bstPressed, Shadow, Light}}) {
        Bar.MarkState = Case.State;
        TDib D(11, 22, kBack);
        EnhancedPainter()->DrawBarMarkBackground(&Bar, D.DC(), Frame, Mark);
        EXPECT_EQ(D.Pixel(0, 0), Case.TopLeft) << Case.State;
        EXPECT_EQ(D.Pixel(10, 21), Case.BottomRight) << Case.State;
        EXPECT_EQ(D.Pixel(5, 10), RGB(200, 0, 0)) << "inside filled with the bar background";
    }
}

// ---------------------------------------------------------------------------------------------
// Menu metrics and the in-place edit

TEST(ClassicPainters, MenuRowsAndSubItemsMeasureFromTheMenuFontsTextHeight)
{
    TManagerForm F;
    F.Manager->SetStyle(bmsStandard);
    TTestFont Font(9);
    HDC DC = CreateCompatibleDC(nullptr);
    TScopeExit FreeDC([DC] { DeleteDC(DC); });
    HGDIOBJ Old = SelectObject(DC, Font.Get());
    SIZE Zero{}, Caption{};
    GetTextExtentPoint32A(DC, "0", 1, &Zero);
    GetTextExtentPoint32A(DC, "Save As", 7, &Caption);
    SelectObject(DC, Old);
    const int32_t H = Zero.cy;

    for (TcbPainterClass P : {BasePainter(), StandardPainter()}) {
        FakeBarWindow Menu;
        Menu.Manager = F.Manager;
        Menu.Kind = bwkMenu;
        Menu.Font = Font.Get();
        P->CalcSubMenuMetrics(&Menu, nullptr, Menu.Metrics);
        EXPECT_EQ(Menu.Metrics.TextHeight, H);
        EXPECT_EQ(Menu.Metrics.GlyphColumnWidth, 16);
        FakeItemControl Row(&Menu);
        Row.Kind = ickSubItem;
        Row.Caption = "Save &As";
        EXPECT_EQ(P->GetSubItemHeight(&Row), std::max(H + 4, 17));
        EXPECT_EQ(P->GetSubItemWidth(&Row), Caption.cx + 2 * 16 + 6);
        EXPECT_EQ(P->GetCaptionOffsetInMenu(&Row), 17);
        EXPECT_EQ(P->CalcSubMenuSize(&Menu).cx, 100) << "an empty menu";
        Row.Width = 80;
        Row.Height = 20;
        Menu.Controls = {&Row};
        EXPECT_EQ(P->CalcSubMenuSize(&Menu).cx, 80 + 16 + 6);
        EXPECT_EQ(P->CalcSubMenuSize(&Menu).cy, 20 + 4);

        // On a toolbar: the row height, at least the button height with a glyph.
        FakeBarWindow Toolbar;
        Toolbar.Manager = F.Manager;
        Toolbar.Font = Font.Get();
        Toolbar.RowHeight = H + 6;
        Toolbar.SpacingUnit = 4;
        FakeItemControl Sub(&Toolbar);
        Sub.Caption = "Save &As";
        EXPECT_EQ(P->GetSubItemHeight(&Sub), H + 6);
        EXPECT_EQ(P->GetSubItemArrowWidth(&Sub), (H + 6) / 2 + 2);
        EXPECT_EQ(P->GetSubItemWidth(&Sub), 2 * 4 + Caption.cx + (H + 6) / 2 + 2);
        TBitmap Glyph;
        Glyph.SetSize(16, 16);
        Sub.Glyph = &Glyph;
        EXPECT_EQ(P->GetSubItemHeight(&Sub), std::max(H + 6, F.Manager->GetButtonHeight()));
        EXPECT_EQ(P->GetSubItemWidth(&Sub), F.Manager->GetButtonWidth() + (H + 6) / 2 + 2);
        Toolbar.MainMenu = true;
        EXPECT_EQ(P->GetSubItemArrowWidth(&Sub), 8);
    }
}

TEST(ClassicPainters, InPlaceEditTakesTheFontsMarginsAndSelectsAllItsText)
{
    HWND Edit = CreateWindowExA(0, "EDIT", "Some text", WS_POPUP, 0, 0, 120, 20, nullptr, nullptr, nullptr, nullptr);
    HWND Reference =
        CreateWindowExA(0, "EDIT", "Some text", WS_POPUP, 0, 0, 120, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(Edit && Reference);
    TScopeExit Destroy([=] {
        DestroyWindow(Edit);
        DestroyWindow(Reference);
    });
    HFONT Font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageA(Edit, WM_SETFONT, reinterpret_cast<WPARAM>(Font), 0);
    SendMessageA(Reference, WM_SETFONT, reinterpret_cast<WPARAM>(Font), 0);
    SendMessageA(Edit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(9, 9));
    SendMessageA(Reference, EM_SETMARGINS, EC_USEFONTINFO, 0);

    StandardPainter()->SetupInPlaceEdit(Edit);
    EXPECT_EQ(SendMessageA(Edit, EM_GETMARGINS, 0, 0), SendMessageA(Reference, EM_GETMARGINS, 0, 0));

    DWORD Start = 1, End = 0;
    StandardPainter()->InitInPlaceEditSelection(Edit, false);
    SendMessageA(Edit, EM_GETSEL, reinterpret_cast<WPARAM>(&Start), reinterpret_cast<LPARAM>(&End));
    EXPECT_EQ(Start, 0u);
    EXPECT_EQ(End, 9u);
}

TEST(ClassicPainters, ColourIndexBrushesResolveToSystemBrushes)
{
    EXPECT_EQ(cbResolveBrush(BasePainter()->GetSubMenuBrush()), GetSysColorBrush(COLOR_BTNFACE));
    HBRUSH Own = CreateSolidBrush(RGB(9, 9, 9));
    EXPECT_EQ(cbResolveBrush(Own), Own);
    DeleteObject(Own);
    // Framed with the pseudo-brush, the frame is the face colour, not nothing.
    TDib D(10, 10, kBack);
    FakeItemControl C;
    BasePainter()->DrawFramedBackground(&C, D.DC(), Rect(0, 0, 10, 10), BasePainter()->GetSubMenuBrush(), true);
    EXPECT_EQ(D.Pixel(0, 0), Sys(COLOR_BTNFACE));
}

TEST(ClassicPainters, ProgressBarFillsItsShareAlsoOverTheWholeIntRange)
{
    const COLORREF Bar = ColorToRGB(BasePainter()->GetProgressBarColor());
    // Inside the sunken edge the box is 100 pixels wide; the filled part ends at the position's share.
    auto FilledWidth = [&](int32_t Position, int32_t Min, int32_t Max) {
        TDib D(102, 12, kBack);
        BasePainter()->DrawProgressBar(D.DC(), Rect(0, 0, 102, 12), Position, Min, Max);
        int32_t W = 0;
        while (W < 100 && D.Pixel(1 + W, 6) == Bar)
            ++W;
        return W;
    };
    EXPECT_EQ(FilledWidth(25, 0, 100), 25);
    EXPECT_EQ(FilledWidth(500, 0, 100), 100);
    EXPECT_EQ(FilledWidth(-5, 0, 100), 0);
    EXPECT_EQ(FilledWidth(0, INT32_MIN, INT32_MAX), 50);
    EXPECT_EQ(FilledWidth(INT32_MAX, INT32_MIN, INT32_MAX), 100);
    EXPECT_EQ(FilledWidth(7, 10, 10), 0);
}

// ---------------------------------------------------------------------------------------------
// Sheets

TEST(ClassicPainters, SheetsOfStandardAndEnhancedAreSaved)
{
    TManagerForm F;
    F.Manager->SetStyle(bmsStandard);
    EXPECT_FALSE(SavePainterSheet(StandardPainter(), F.Manager, "painter-standard").empty());
    F.Manager->SetStyle(bmsEnhanced);
    EXPECT_FALSE(SavePainterSheet(EnhancedPainter(), F.Manager, "painter-enhanced").empty());
}
