// The XP painter over the fakes on memory bitmaps: which painter a manager holds with themes on
// and off, the metrics it measures from the theme (also when a query or a class fails), which
// theme part and state it draws for each state of a button, mark, grip, separator, combo, edit,
// caption button, menu row and dock row, and the pixels of those parts against the test's own
// drawing of the same part. The theme's entry points are replaced for the test to record each
// DrawThemeBackground and to make calls fail. Visual styles are on in the default prefix; in the
// classic one only the fall-back to the Enhanced painter is checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <windows.h>

#include <vssym32.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/painters/cbPainterFlat.h"
#include "commandbars/painters/cbPainterStandard.h"
#include "commandbars/painters/cbPainterXP.h"
#include "commandbars/lookandfeel/uiLookAndFeel.h"
#include "platform/rtl/ScopeGuards.h"
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

const COLORREF kFill = RGB(200, 120, 40);

template <class F>
F As(FARPROC P)
{
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(P));
}

template <class F>
FARPROC Raw(F P)
{
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(P));
}

// ---------------------------------------------------------------------------------------------
// The theme entry table as the test's seam: every DrawThemeBackground recorded, and opens,
// content rectangles and the active flag made to fail on demand. Restores the entries and
// empties the handle cache when it ends, so no handle of a stand-in stays behind.

struct TDrawCall {
    HTHEME Theme;
    int Part, State;
    RECT R;
};

std::vector<TDrawCall> gCalls;
FARPROC gReal[kThemeEntryCount] = {};
std::wstring gFailingClass;

HRESULT WINAPI RecordingDraw(HTHEME Theme, HDC DC, int Part, int State, const RECT* R, const RECT* Clip)
{
    gCalls.push_back({Theme, Part, State, R ? *R : RECT{}});
    return As<HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*)>(gReal[teDrawThemeBackground])(
        Theme, DC, Part, State, R, Clip);
}

HTHEME WINAPI FailingOpen(HWND Wnd, LPCWSTR Classes)
{
    if (Classes && gFailingClass == Classes)
        return nullptr;
    return As<HTHEME(WINAPI*)(HWND, LPCWSTR)>(gReal[teOpenThemeData])(Wnd, Classes);
}

HRESULT WINAPI FailingContentRect(HTHEME, HDC, int, int, const RECT*, RECT* Content)
{
    // What a broken query might leave behind.
    *Content = RECT{};
    return E_FAIL;
}

HRESULT WINAPI MarginedContentRect(HTHEME, HDC, int, int, const RECT* Bounds, RECT* Content)
{
    // Content margins of 2 on the left and 3 on the right, 1 above and below.
    *Content = RECT{Bounds->left + 2, Bounds->top + 1, Bounds->right - 3, Bounds->bottom - 1};
    return S_OK;
}

BOOL WINAPI ThemeInactive()
{
    return FALSE;
}

class TThemeSeam {
public:
    TThemeSeam()
    {
        for (int32_t I = 0; I < kThemeEntryCount; ++I)
            gReal[I] = GetThemeEntry(static_cast<TcbThemeEntry>(I));
        gCalls.clear();
        SetThemeEntry(teDrawThemeBackground, Raw(&RecordingDraw));
    }
    ~TThemeSeam()
    {
        for (int32_t I = 0; I < kThemeEntryCount; ++I)
            SetThemeEntry(static_cast<TcbThemeEntry>(I), gReal[I]);
        CloseAllThemeClasses();
        gFailingClass.clear();
    }
    TThemeSeam(const TThemeSeam&) = delete;
    TThemeSeam& operator=(const TThemeSeam&) = delete;

    void FailOpen(const std::wstring& ClassName)
    {
        CloseAllThemeClasses();
        gFailingClass = ClassName;
        SetThemeEntry(teOpenThemeData, Raw(&FailingOpen));
    }
    void FailContentRect() { SetThemeEntry(teGetThemeBackgroundContentRect, Raw(&FailingContentRect)); }
    void MarginContentRect() { SetThemeEntry(teGetThemeBackgroundContentRect, Raw(&MarginedContentRect)); }
    void Clear() { gCalls.clear(); }
    // The calls made with Class's cached handle.
    std::vector<TDrawCall> Of(TcbThemeClass Class) const
    {
        std::vector<TDrawCall> Found;
        HTHEME H = OpenThemeClass(Class);
        for (const TDrawCall& C : gCalls)
            if (H && C.Theme == H)
                Found.push_back(C);
        return Found;
    }
    const std::vector<TDrawCall>& All() const { return gCalls; }
    // Adds a failure unless exactly one call went out with Class's handle, in Part and State (and
    // over Where when given); answers its rectangle and clears the record.
    RECT ExpectOne(TcbThemeClass Class, int Part, int State, const std::string& What = "",
                   const RECT* Where = nullptr)
    {
        const std::vector<TDrawCall> Calls = Of(Class);
        gCalls.clear();
        EXPECT_EQ(Calls.size(), 1u) << What;
        if (Calls.size() != 1)
            return RECT{};
        EXPECT_EQ(Calls[0].Part, Part) << What;
        EXPECT_EQ(Calls[0].State, State) << What;
        if (Where) {
            EXPECT_TRUE(EqualRect(&Calls[0].R, Where)) << What;
        }
        return Calls[0].R;
    }
};

// The test's own handle and queries, apart from the painter's cache.
class TOwnTheme {
public:
    explicit TOwnTheme(const wchar_t* ClassName) : FTheme(UxTheme::OpenThemeData(nullptr, ClassName)) {}
    ~TOwnTheme()
    {
        if (FTheme)
            UxTheme::CloseThemeData(FTheme);
    }
    TOwnTheme(const TOwnTheme&) = delete;
    TOwnTheme& operator=(const TOwnTheme&) = delete;
    HTHEME Get() const { return FTheme; }

    SIZE Size(int Part, int State, THEMESIZE Kind) const
    {
        SIZE S{};
        HDC Screen = GetDC(nullptr);
        UxTheme::GetThemePartSize(FTheme, Screen, Part, State, nullptr, Kind, &S);
        ReleaseDC(nullptr, Screen);
        return S;
    }
    RECT Content(int Part, int State, const RECT& Bounds, HDC DC = nullptr) const
    {
        RECT C = Bounds;
        HDC Screen = GetDC(nullptr);
        UxTheme::GetThemeBackgroundContentRect(FTheme, DC ? DC : Screen, Part, State, &Bounds, &C);
        ReleaseDC(nullptr, Screen);
        return C;
    }
    // The part drawn by the test into a bitmap of the size filled with Fill.
    void Reference(TDib& D, int Part, int State, const RECT& R, COLORREF Fill = kFill) const
    {
        D.Fill(Fill);
        UxTheme::DrawThemeBackground(FTheme, D.DC(), Part, State, &R, nullptr);
    }

private:
    HTHEME FTheme;
};

bool ThemesHere()
{
    return AreThemesInUse();
}

#define REQUIRE_THEMES()                                                                                     \
    if (!ThemesHere())                                                                                       \
    GTEST_SKIP() << "visual styles are off here"

// The first pixel where two pictures differ, as "x,y" ("" when none does).
std::string FirstDifference(const TDib& A, const TDib& B)
{
    for (int32_t Y = 0; Y < A.Height(); ++Y)
        for (int32_t X = 0; X < A.Width(); ++X)
            if (A.Pixel(X, Y) != B.Pixel(X, Y))
                return std::to_string(X) + "," + std::to_string(Y);
    return "";
}

COLORREF BrushColor(HBRUSH Brush)
{
    LOGBRUSH LB{};
    GetObjectA(cbResolveBrush(Brush), sizeof(LB), &LB);
    return LB.lbColor;
}

// A solid brush for one test.
class TBrush {
public:
    explicit TBrush(COLORREF C) : FBrush(CreateSolidBrush(C)) {}
    ~TBrush() { DeleteObject(FBrush); }
    TBrush(const TBrush&) = delete;
    TBrush& operator=(const TBrush&) = delete;
    HBRUSH Get() const { return FBrush; }

private:
    HBRUSH FBrush;
};

// A manager set to the XP style, and a toolbar and a menu reading it.
struct TXPBars {
    TManagerForm Form;
    TBrush Fill{kFill};
    FakeBarWindow Bar, Menu;
    TXPBars()
    {
        Form.Manager->SetStyle(bmsXP);
        Bar.Manager = Menu.Manager = Form.Manager;
        Bar.BkBrush = Bar.BarBrush = Bar.CachedBarBrush = Fill.Get();
        Menu.Kind = bwkMenu;
        // A live menu window's background is the bar brush; its rows lie on the row brush it
        // holds while it paints a row.
        Menu.BkBrush = Fill.Get();
        Menu.CachedBarBrush = GetSysColorBrush(COLOR_MENU);
    }
};

TcbPainterClass XP()
{
    return XPPainter();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Choice of the painter (both prefixes)

TEST(XPPainterChoice, ThemesGiveTheXPPainterAndTheirAbsenceTheEnhancedOne)
{
    const bool Classic = TestSupport::WineProfile() == "classic";
    if (Classic) {
        EXPECT_FALSE(AreThemesInUse()) << "the classic prefix has visual styles on";
    }
    TManagerForm F;
    TcbBarManager* M = F.Manager;
    M->SetStyle(bmsXP);
    EXPECT_EQ(M->GetPainterClass(), AreThemesInUse() ? XPPainter() : EnhancedPainter());
    if (Classic || !AreThemesInUse())
        return;

    M->SetStyle(bmsUseLookAndFeel);
    M->GetLookAndFeel()->SetNativeStyle(true);
    EXPECT_EQ(M->GetPainterClass(), XPPainter());
    M->GetLookAndFeel()->SetNativeStyle(false);
    M->GetLookAndFeel()->SetKind(lfUltraFlat);
    EXPECT_EQ(M->GetRealStyle(), bmsFlat);
    EXPECT_EQ(M->GetPainterClass(), FlatPainter());

    // Themes switched off: the broadcast makes the manager choose again, and it never keeps XP.
    M->SetStyle(bmsXP);
    HWND Receiver = ThemeChangeReceiverHandle();
    ASSERT_NE(Receiver, nullptr);
    {
        TThemeSeam Seam;
        SetThemeEntry(teIsThemeActive, Raw(&ThemeInactive));
        SendMessageA(Receiver, WM_THEMECHANGED, 0, 0);
        EXPECT_FALSE(M->GetThemesInUse());
        EXPECT_EQ(M->GetPainterClass(), EnhancedPainter());
    }
    SendMessageA(Receiver, WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(M->GetPainterClass(), XPPainter());
}

// ---------------------------------------------------------------------------------------------
// Metrics

TEST(XPPainterMetrics, CachedMetricsAndThemeSizesEqualTheTestsOwnQueries)
{
    REQUIRE_THEMES();
    TManagerForm F;
    TcbBarManager* M = F.Manager;
    M->SetStyle(bmsXP);
    ASSERT_EQ(M->GetPainterClass(), XP());

    TOwnTheme ToolBar(L"ToolBar"), Rebar(L"Rebar"), Combo(L"ComboBox"), Window(L"Window"), Status(L"Status"),
        Edit(L"Edit");
    ASSERT_TRUE(ToolBar.Get() && Rebar.Get() && Combo.Get() && Window.Get() && Status.Get() && Edit.Get());
    const RECT Probe{0, 0, 100, 100};
    const RECT Pressed = ToolBar.Content(TP_BUTTON, TS_PRESSED, Probe);
    const int32_t Indent = 100 - (Pressed.bottom - Pressed.top);

    EXPECT_EQ(M->GetDockedBarBorderSize(), 0);
    EXPECT_EQ(M->GetGripAreaSize(), XP()->GetGripWidth(nullptr) + 2);
    EXPECT_EQ(M->GetSubMenuGlyphColumnIndent(), 0);
    EXPECT_EQ(M->GetRealButtonArrowWidth(), 14);
    EXPECT_EQ(M->GetButtonHeight(), 16 + Indent);
    EXPECT_EQ(M->GetButtonWidth(), 16 + Indent);

    const int32_t Separator = ToolBar.Size(TP_SEPARATOR, TS_NORMAL, TS_MIN).cx;
    EXPECT_EQ(XP()->GetSeparatorSize(), Separator);
    EXPECT_EQ(XP()->GetSeparatorOffset(), std::max(0, (Separator - 1) / 2));
    EXPECT_EQ(XP()->GetGripWidth(nullptr), Rebar.Size(RP_GRIPPER, 1, TS_TRUE).cx);
    EXPECT_EQ(XP()->GetComboButtonWidth(8), Combo.Size(CP_DROPDOWNBUTTON, CBXS_NORMAL, TS_TRUE).cx);
    const SIZE Close = Window.Size(WP_SMALLCLOSEBUTTON, CBS_NORMAL, TS_TRUE);
    EXPECT_EQ(XP()->GetCloseButtonSize().cx, Close.cx);
    EXPECT_EQ(XP()->GetCloseButtonSize().cy, Close.cy);
    const SIZE Grip = Status.Size(SP_GRIPPER, 0, TS_TRUE);
    EXPECT_EQ(XP()->GetSizeGripSize().cx, Grip.cx);
    EXPECT_EQ(XP()->GetSizeGripSize().cy, Grip.cy);
    EXPECT_EQ(XP()->GetSubMenuBeginGroupSize(), ToolBar.Size(TP_SEPARATORVERT, TS_NORMAL, TS_TRUE).cy);
    const RECT EditContent = Edit.Content(EP_EDITTEXT, ETS_NORMAL, Probe);
    EXPECT_EQ(XP()->GetEditExtraHeight(), 100 - (EditContent.right - EditContent.left) + 5);
    // The edit's 1-pixel margins make it taller than its text.
    EXPECT_GT(XP()->GetEditExtraHeight(), 5);
}

TEST(XPPainterMetrics, FailedContentQueriesCountAsNoMargins)
{
    REQUIRE_THEMES();
    TManagerForm F;
    TThemeSeam Seam;
    Seam.FailContentRect();
    EXPECT_EQ(XP()->GetButtonHeightIndent(), 0);
    EXPECT_EQ(XP()->GetButtonWidthIndent(), 0);
    EXPECT_EQ(XP()->GetEditExtraHeight(), 5);
    F.Manager->SetStyle(bmsXP);
    EXPECT_EQ(F.Manager->GetButtonHeight(), 16);
    EXPECT_EQ(F.Manager->GetButtonWidth(), 16);
}

// A progress chunk is its part with the part's content margins; a layout asked unlimited runs
// from the top with no bottom, one asked as usual keeps the menu's rectangle.
TEST(XPPainterMetrics, ProgressChunkTakesItsMarginsAndAnUnlimitedRowLayoutHasNoBottom)
{
    REQUIRE_THEMES();
    TManagerForm F;
    TOwnTheme Progress(L"Progress");
    const int32_t Chunk = Progress.Size(PP_CHUNK, 1, TS_TRUE).cx;
    ASSERT_GT(Chunk, 0) << "the theme's progress chunk";
    {
        TThemeSeam Seam;
        Seam.MarginContentRect();
        EXPECT_EQ(XP()->GetProgressChunkSize(), Chunk + 5);
    }

    TXPBars B;
    B.Menu.BarSize = 20;
    B.Menu.Client = Rect(0, 0, 150, 90);
    B.Menu.ExpandButton = true;
    B.Menu.BottomReserve = 12;
    TcbSubMenuItemsArea Usual, Unlimited;
    Unlimited.Unlimited = true;
    XP()->CalcSubMenuItemsRect(&B.Menu, Usual);
    XP()->CalcSubMenuItemsRect(&B.Menu, Unlimited);
    const TRect UsualExpected = Rect(21, 1, 149, 89 - 12), UnlimitedExpected = Rect(21, 0, 149, 0x7FFFFFFF);
    EXPECT_TRUE(EqualRect(&Usual.ItemsRect, &UsualExpected));
    EXPECT_TRUE(EqualRect(&Unlimited.ItemsRect, &UnlimitedExpected))
        << Unlimited.ItemsRect.top << " " << Unlimited.ItemsRect.bottom;
}

TEST(XPPainterMetrics, AToolBarClassThatDoesNotOpenLeavesMetricsAtZeroAndDrawsNoToolBarPart)
{
    REQUIRE_THEMES();
    TXPBars B;
    TThemeSeam Seam;
    Seam.FailOpen(L"ToolBar");
    ASSERT_EQ(OpenThemeClass(tcToolBar), nullptr);
    EXPECT_EQ(XP()->GetSeparatorSize(), 0);
    EXPECT_EQ(XP()->GetSeparatorOffset(), 0);
    EXPECT_EQ(XP()->GetButtonHeightIndent(), 0);
    EXPECT_EQ(XP()->GetSubMenuBeginGroupSize(), 0);
    // The classes that open still measure.
    EXPECT_GT(XP()->GetGripWidth(nullptr), 0);
    B.Form.Manager->UpdatePainter();
    EXPECT_EQ(B.Form.Manager->GetPainterClass(), XP());
    EXPECT_EQ(B.Form.Manager->GetButtonHeight(), 16);

    // A whole toolbar's worth of painting: nothing raises and no call goes out without a handle.
    TDib D(200, 60);
    TBitmap Glyph;
    Glyph.SetPixelFormat(pf24bit);
    Glyph.SetSize(16, 16);
    FakeItemControl Button(&B.Bar), Split(&B.Bar), Row(&B.Menu);
    Button.Glyph = &Glyph;
    Split.ButtonStyle = bsDropDown;
    Row.ItemRect = Rect(0, 30, 120, 50);
    const TcbPaintFlags States[] = {{pfEnabled}, {pfEnabled, pfSelected}, {pfEnabled, pfPressed}, {pfEnabled, pfDown}, {}};
    EXPECT_NO_THROW({
        for (const TcbPaintFlags& S : States) {
            XP()->DrawGlyph(&Button, D.DC(), Rect(0, 0, 23, 22), S, dkHorizontal);
            XP()->DrawGlyphBorder(&Split, D.DC(), B.Fill.Get(), Rect(30, 0, 53, 22), S, true);
            XP()->DrawDropDownPart(&Split, D.DC(), Rect(53, 0, 64, 22), B.Fill.Get(), S, 0);
            XP()->DrawDropDownPart(&Split, D.DC(), Rect(64, 0, 75, 22), B.Fill.Get(), S, 1);
            XP()->DrawMenuItem(&Row, D.DC(), Rect(0, 30, 120, 50), S);
        }
        XP()->DrawBarSeparator(&B.Bar, D.DC(), Rect(80, 0, 86, 22), true);
        XP()->DrawBarMark(&B.Bar, D.DC(), B.Fill.Get(), Rect(180, 0, 191, 22));
        XP()->DrawSubMenuBeginGroup(&B.Menu, &Row, D.DC());
        XP()->DrawDockedBarBorder(&B.Bar, D.DC(), B.Fill.Get(), Rect(0, 0, 200, 30));
    });
    for (const TDrawCall& C : Seam.All())
        EXPECT_NE(C.Theme, nullptr) << "part " << C.Part << " drawn without a handle";
    // The grip comes from the rebar class, which still opens.
    EXPECT_FALSE(Seam.Of(tcRebar).empty());
}

// ---------------------------------------------------------------------------------------------
// Buttons

TEST(XPPainterButtons, EachStateDrawsItsToolBarStateWithTheReferencePixels)
{
    REQUIRE_THEMES();
    TXPBars B;
    TOwnTheme ToolBar(L"ToolBar");
    struct TCase {
        const char* Name;
        TcbPaintFlags Flags;
        int State;
    };
    const TCase Cases[] = {
        {"normal", {pfEnabled}, TS_NORMAL},
        {"hot", {pfEnabled, pfSelected}, TS_HOT},
        {"pressed", {pfEnabled, pfSelected, pfPressed}, TS_PRESSED},
        {"pressed and checked", {pfEnabled, pfPressed, pfDown}, TS_PRESSED},
        {"checked", {pfEnabled, pfDown}, TS_CHECKED},
        {"checked and hot", {pfEnabled, pfDown, pfSelected}, TS_CHECKED},
        {"disabled", {pfSelected}, TS_DISABLED},
    };
    const RECT R{2, 3, 25, 25};
    for (const TCase& C : Cases) {
        FakeItemControl Button(&B.Bar);
        Button.Enabled = C.Flags.Contains(pfEnabled);
        TThemeSeam Seam;
        TDib D(30, 30, RGB(1, 2, 3)), Ref(30, 30);
        XP()->DrawGlyphBorder(&Button, D.DC(), B.Fill.Get(), R, C.Flags, true);
        Seam.ExpectOne(tcToolBar, TP_BUTTON, C.State, C.Name, &R);
        Ref.Fill(RGB(1, 2, 3));
        FillRect(Ref.DC(), &R, B.Fill.Get());
        UxTheme::DrawThemeBackground(ToolBar.Get(), Ref.DC(), TP_BUTTON, C.State, &R, nullptr);
        EXPECT_EQ(FirstDifference(D, Ref), "") << C.Name;
    }
}

TEST(XPPainterButtons, SplitButtonIsPartThreeWithItsHalfPartFourAndAnArrowKindOneIsAButtonWithAnArrow)
{
    REQUIRE_THEMES();
    TXPBars B;
    TOwnTheme ToolBar(L"ToolBar");
    FakeItemControl Split(&B.Bar);
    Split.ButtonStyle = bsDropDown;
    const RECT Main{0, 0, 23, 22}, Half{0, 0, 14, 22};
    TThemeSeam Seam;
    TDib D(23, 22);
    XP()->DrawGlyphBorder(&Split, D.DC(), B.Fill.Get(), Main, {pfEnabled, pfSelected}, true);
    Seam.ExpectOne(tcToolBar, TP_SPLITBUTTON, TS_HOT, "split button", &Main);

    // The drop-down half by state; its arrow is the part's own.
    struct TCase {
        TcbPaintFlags Flags;
        bool Enabled;
        int State;
    };
    for (const TCase& C : {TCase{{pfEnabled}, true, TS_NORMAL}, TCase{{pfEnabled, pfSelected}, true, TS_HOT},
                           TCase{{pfEnabled, pfDroppedDown}, true, TS_PRESSED},
                           TCase{{pfEnabled, pfPressed}, true, TS_PRESSED}, TCase{{pfEnabled}, false, TS_DISABLED},
                           TCase{{pfSelected}, true, TS_DISABLED}}) {
        Split.Enabled = C.Enabled;
        Seam.Clear();
        TDib Part(14, 22), Ref(14, 22);
        XP()->DrawDropDownPart(&Split, Part.DC(), Half, B.Fill.Get(), C.Flags, 0);
        Seam.ExpectOne(tcToolBar, TP_SPLITBUTTONDROPDOWN, C.State, "drop-down half", &Half);
        ToolBar.Reference(Ref, TP_SPLITBUTTONDROPDOWN, C.State, Half);
        EXPECT_EQ(FirstDifference(Part, Ref), "") << "state " << C.State;
    }

    // Arrow kind 1: a plain button part, then the arrow over it.
    Split.Enabled = true;
    Seam.Clear();
    TDib Kind1(14, 22), Ref(14, 22);
    XP()->DrawDropDownPart(&Split, Kind1.DC(), Half, B.Fill.Get(), {pfEnabled, pfSelected}, 1);
    Seam.ExpectOne(tcToolBar, TP_BUTTON, TS_HOT, "arrow kind 1", &Half);
    ToolBar.Reference(Ref, TP_BUTTON, TS_HOT, Half);
    DrawArrow(Ref.DC(), Half, true, false, true, false, 3);
    EXPECT_EQ(FirstDifference(Kind1, Ref), "");
    EXPECT_GT(Kind1.Count(Sys(COLOR_BTNTEXT)), 0u);
}

TEST(XPPainterButtons, HotMenuRowWithAGlyphAndMainMenuTitlesArePlainFillsWithoutToolBarCalls)
{
    REQUIRE_THEMES();
    TXPBars B;
    TThemeSeam Seam;
    TBitmap Glyph;
    Glyph.SetPixelFormat(pf24bit);
    Glyph.SetSize(16, 16);
    FakeItemControl Row(&B.Menu);
    Row.Glyph = &Glyph;
    const RECT R{0, 0, 22, 22};
    TDib D(22, 22);
    XP()->DrawGlyphBorder(&Row, D.DC(), B.Fill.Get(), R, {pfEnabled, pfSelected}, true);
    EXPECT_EQ(D.Count(kFill), 22u * 22u);
    EXPECT_TRUE(Seam.All().empty());
    // Checked (down), the same row gets its checked button.
    XP()->DrawGlyphBorder(&Row, D.DC(), B.Fill.Get(), R, {pfEnabled, pfSelected, pfDown}, true);
    Seam.ExpectOne(tcToolBar, TP_BUTTON, TS_CHECKED, "checked menu glyph", &R);

    // A main-menu title, hot or pressed: the highlight over the whole rectangle.
    B.Bar.MainMenu = true;
    FakeItemControl Title(&B.Bar);
    Title.Kind = ickSubItem;
    EXPECT_TRUE(XP()->IsThemedControlClass(&Title));
    for (const TcbPaintFlags& S : {TcbPaintFlags{pfEnabled, pfSelected}, TcbPaintFlags{pfEnabled, pfPressed}}) {
        Seam.Clear();
        TDib T(40, 20);
        XP()->DrawGlyphBorder(&Title, T.DC(), B.Fill.Get(), Rect(0, 0, 40, 20), S, true);
        EXPECT_EQ(T.Count(Sys(COLOR_HIGHLIGHT)), 40u * 20u);
        EXPECT_TRUE(Seam.Of(tcToolBar).empty());
    }
    // The title drawn whole, hot or with its menu open: a highlight block under its caption.
    Title.Caption = "&File";
    for (const TcbPaintFlags& S : {TcbPaintFlags{pfEnabled, pfSelected}, TcbPaintFlags{pfEnabled, pfOpen}}) {
        Seam.Clear();
        TDib T(50, 20, RGB(1, 2, 3));
        XP()->DrawSubItem(&Title, T.DC(), Rect(0, 0, 50, 20), S, dkHorizontal);
        EXPECT_TRUE(Seam.Of(tcToolBar).empty());
        EXPECT_EQ(T.Count(RGB(1, 2, 3)), 0u);
        EXPECT_GT(T.Count(Sys(COLOR_HIGHLIGHT)), 50u * 20u / 2);
        EXPECT_GT(T.Count(Sys(COLOR_HIGHLIGHTTEXT)), 0u) << "the caption on the block";
        EXPECT_EQ(T.Pixel(0, 0), Sys(COLOR_HIGHLIGHT));
        EXPECT_EQ(T.Pixel(49, 19), Sys(COLOR_HIGHLIGHT));
    }
    // Not a title: a button on the main menu bar, a sub-item on a toolbar or in a menu.
    FakeItemControl Other(&B.Bar);
    EXPECT_FALSE(XP()->IsThemedControlClass(&Other));
    B.Bar.MainMenu = false;
    EXPECT_FALSE(XP()->IsThemedControlClass(&Title));
    FakeItemControl MenuSubItem(&B.Menu);
    MenuSubItem.Kind = ickSubItem;
    EXPECT_FALSE(XP()->IsThemedControlClass(&MenuSubItem));
}

// ---------------------------------------------------------------------------------------------
// Grip, mark, separators, menus

TEST(XPPainterBars, GripMarkAndSeparatorDrawTheirPartsByOrientationAndState)
{
    REQUIRE_THEMES();
    TXPBars B;
    TThemeSeam Seam;
    TDib D(240, 120);
    const int32_t Grip = XP()->GetGripWidth(nullptr);
    ASSERT_GT(Grip, 0);
    B.Bar.DockingStyle = dsTop;
    XP()->DrawDockedBarBorder(&B.Bar, D.DC(), B.Fill.Get(), Rect(10, 10, 200, 40));
    RECT Expected{12, 12, 12 + Grip, 38};
    Seam.ExpectOne(tcRebar, RP_GRIPPER, 1, "top grip", &Expected);
    B.Bar.DockingStyle = dsLeft;
    XP()->DrawDockedBarBorder(&B.Bar, D.DC(), B.Fill.Get(), Rect(10, 10, 40, 110));
    Expected = RECT{12, 12, 38, 12 + Grip};
    Seam.ExpectOne(tcRebar, RP_GRIPPERVERT, 1, "left grip", &Expected);
    B.Bar.Movable = false;
    XP()->DrawDockedBarBorder(&B.Bar, D.DC(), B.Fill.Get(), Rect(10, 10, 40, 110));
    EXPECT_TRUE(Seam.All().empty());

    // The mark by its state; without a border it is 2 pixels shorter across the bar.
    const RECT Mark{180, 0, 191, 22};
    B.Bar.DockingStyle = dsTop;
    for (TcbButtonState State : {bstNormal, bstHot, bstPressed}) {
        B.Bar.MarkState = State;
        for (bool Borderless : {false, true}) {
            B.Bar.Borderless = Borderless;
            XP()->DrawBarMarkBackground(&B.Bar, D.DC(), B.Fill.Get(), Mark);
            const RECT Drawn = Seam.ExpectOne(tcToolBar, TP_BUTTON, State + 1, "mark");
            EXPECT_EQ(Drawn.bottom - Drawn.top, Borderless ? 20 : 22);
            EXPECT_EQ(Drawn.right - Drawn.left, 11);
        }
    }
    B.Bar.DockingStyle = dsLeft;
    XP()->DrawBarMarkBackground(&B.Bar, D.DC(), B.Fill.Get(), Rect(0, 100, 22, 111));
    const RECT Vertical = Seam.ExpectOne(tcToolBar, TP_BUTTON, TS_PRESSED, "vertical mark");
    EXPECT_EQ(Vertical.right - Vertical.left, 20);

    // Separators: the vertical stroke (part 5) on a horizontal bar, the horizontal one (part 6) on
    // a vertical bar, over the bar background.
    for (bool Horizontal : {true, false}) {
        const int32_t W = Horizontal ? 8 : 40, H = Horizontal ? 40 : 8;
        TDib S(W, H, RGB(1, 2, 3));
        XP()->DrawBarSeparator(&B.Bar, S.DC(), Rect(0, 0, W, H), Horizontal);
        Seam.ExpectOne(tcToolBar, Horizontal ? TP_SEPARATOR : TP_SEPARATORVERT, TS_NORMAL, "separator");
        EXPECT_EQ(S.Count(RGB(1, 2, 3)), 0u) << "the bar background is filled first";
        // What the style draws runs along the separator's long side: a stroke, not a stub across it.
        RECT Box{W, H, -1, -1};
        for (int32_t Y = 0; Y < H; ++Y)
            for (int32_t X = 0; X < W; ++X)
                if (S.Pixel(X, Y) != kFill) {
                    Box.left = std::min<LONG>(Box.left, X);
                    Box.top = std::min<LONG>(Box.top, Y);
                    Box.right = std::max<LONG>(Box.right, X + 1);
                    Box.bottom = std::max<LONG>(Box.bottom, Y + 1);
                }
        if (Box.right < 0)
            continue; // a style that draws no separator at all
        if (Horizontal)
            EXPECT_GT(Box.bottom - Box.top, H / 2) << "stroke of a horizontal bar's separator";
        else
            EXPECT_GT(Box.right - Box.left, W / 2) << "stroke of a vertical bar's separator";
    }
}

TEST(XPPainterMenus, FrameRowsHotRowAndBeginGroupBand)
{
    REQUIRE_THEMES();
    TXPBars B;
    TOwnTheme ToolBar(L"ToolBar");
    TThemeSeam Seam;
    // The outer frame, one pixel of COLOR_BTNSHADOW.
    TDib Frame(60, 40, RGB(1, 2, 3));
    XP()->DrawSubMenuBorder(&B.Menu, Frame.DC(), Rect(0, 0, 60, 40));
    EXPECT_EQ(Frame.Pixel(0, 0), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(Frame.Pixel(59, 39), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(Frame.Pixel(1, 1), RGB(1, 2, 3));

    // Rows lie on COLOR_MENU; a hot row's caption area is the highlight.
    HBRUSH RowBrush = nullptr;
    XP()->PrepareSubMenuItemRow(nullptr, RowBrush);
    EXPECT_EQ(BrushColor(RowBrush), Sys(COLOR_MENU));
    FakeItemControl Row(&B.Menu);
    Row.Caption = "x";
    for (bool Hot : {false, true}) {
        TDib D(120, 20, RGB(1, 2, 3));
        Row.Selected = Hot;
        XP()->DrawMenuItem(&Row, D.DC(), Rect(0, 0, 120, 20), Hot ? TcbPaintFlags{pfEnabled, pfSelected}
                                                                    : TcbPaintFlags{pfEnabled});
        const COLORREF Expected = Hot ? Sys(COLOR_HIGHLIGHT) : Sys(COLOR_MENU);
        EXPECT_EQ(D.Pixel(20, 1), Expected) << "the column right of the glyph";
        EXPECT_EQ(D.Pixel(110, 18), Expected) << "the caption area";
        EXPECT_EQ(D.Pixel(60, 1), Expected);
    }

    // A begin-group band: the row background, then part 6 across it.
    const int32_t Size = XP()->GetSubMenuBeginGroupSize();
    ASSERT_GT(Size, 0);
    Row.Selected = false;
    Row.ItemRect = Rect(0, 20, 120, 40);
    Seam.Clear();
    TDib D(120, 40, RGB(1, 2, 3)), Ref(120, 40, RGB(1, 2, 3));
    XP()->DrawSubMenuBeginGroup(&B.Menu, &Row, D.DC());
    const RECT Band{0, 20 - Size, 120, 20};
    Seam.ExpectOne(tcToolBar, TP_SEPARATORVERT, TS_NORMAL, "group band", &Band);
    FillRect(Ref.DC(), &Band, GetSysColorBrush(COLOR_MENU));
    UxTheme::DrawThemeBackground(ToolBar.Get(), Ref.DC(), TP_SEPARATORVERT, TS_NORMAL, &Band, nullptr);
    EXPECT_EQ(FirstDifference(D, Ref), "");
}

// ---------------------------------------------------------------------------------------------
// Combos, edits, captions

TEST(XPPainterBoxes, ComboButtonEditFrameAndEditColoursFollowTheirThemeStates)
{
    REQUIRE_THEMES();
    TXPBars B;
    TOwnTheme Edit(L"Edit");
    TThemeSeam Seam;
    B.Bar.ComboButtonWidth = 17;
    struct TCombo {
        TcbPaintFlags Flags;
        bool Enabled, Dropped;
        int State;
    };
    for (const TCombo& C : {TCombo{{pfEnabled}, true, false, CBXS_NORMAL}, TCombo{{pfEnabled, pfSelected}, true, false, CBXS_HOT},
                            TCombo{{pfEnabled, pfSelected}, true, true, CBXS_PRESSED},
                            TCombo{{}, false, true, CBXS_DISABLED}}) {
        FakeItemControl Combo(&B.Bar);
        Combo.Enabled = C.Enabled;
        Combo.DroppedDown = C.Dropped;
        TDib D(100, 22);
        XP()->DrawComboButton(&Combo, D.DC(), Rect(40, 0, 100, 22), C.Flags);
        const RECT Button{83, 0, 100, 22};
        Seam.ExpectOne(tcComboBox, CP_DROPDOWNBUTTON, C.State, "combo button", &Button);
    }

    // Edit frames: the bar background at rest, the theme's frame otherwise, in the edit's state.
    const RECT Box{0, 0, 80, 22};
    const RECT Content = Edit.Content(EP_EDITTEXT, ETS_NORMAL, Box);
    struct TEdit {
        const char* Name;
        bool Enabled, Selected, Editing, ReadOnly;
        int State; // 0: no frame drawn
    };
    for (const TEdit& E : {TEdit{"at rest", true, false, false, false, 0}, TEdit{"selected", true, true, false, false, ETS_NORMAL},
                           TEdit{"editing", true, false, true, false, ETS_NORMAL},
                           TEdit{"read-only", true, true, false, true, ETS_READONLY},
                           TEdit{"disabled", false, false, false, false, ETS_DISABLED}}) {
        FakeItemControl Box1(&B.Bar);
        Box1.Enabled = E.Enabled;
        Box1.Editing = E.Editing;
        Box1.ReadOnly = E.ReadOnly;
        Seam.Clear();
        TDib D(80, 22, RGB(1, 2, 3)), Ref(80, 22, RGB(1, 2, 3));
        TRect R = Box;
        XP()->DrawEditBorder(&Box1, D.DC(), E.Selected, dkHorizontal, R);
        EXPECT_TRUE(EqualRect(&R, &Content)) << E.Name;
        if (E.State == 0) {
            EXPECT_TRUE(Seam.Of(tcEdit).empty()) << E.Name;
            EXPECT_EQ(D.Pixel(0, 0), kFill) << E.Name;
        } else {
            Seam.ExpectOne(tcEdit, EP_EDITTEXT, E.State, E.Name, &Box);
            UxTheme::DrawThemeBackground(Edit.Get(), Ref.DC(), EP_EDITTEXT, E.State, &Box, nullptr);
            FillRect(Ref.DC(), &Content, GetSysColorBrush(COLOR_BTNFACE));
            FillRect(D.DC(), &Content, GetSysColorBrush(COLOR_BTNFACE));
            EXPECT_EQ(FirstDifference(D, Ref), "") << E.Name;
        }
        // The content is left to the value.
        if (Content.right - Content.left > 2 && E.State == 0) {
            EXPECT_EQ(D.Pixel(Content.left + 1, Content.top + 1), RGB(1, 2, 3)) << E.Name;
        }
    }

    // The value on the theme's fill in the theme's text colour, for each edit state.
    HFONT Font = CreateFontA(-13, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, NONANTIALIASED_QUALITY, 0, "Tahoma");
    TScopeExit FreeFont([Font] { DeleteObject(Font); });
    B.Bar.Font = Font;
    for (bool Enabled : {true, false})
        for (bool ReadOnly : {false, true}) {
            FakeItemControl Value(&B.Bar);
            Value.Enabled = Enabled;
            Value.ReadOnly = ReadOnly;
            Value.Text = "WWWW";
            TDib D(80, 22, RGB(1, 2, 3));
            XP()->DrawEditText(&Value, D.DC(), Rect(0, 0, 60, 22), {});
            const COLORREF Fill = ColorToRGB(GetEditThemeFillColor(Enabled, ReadOnly));
            const COLORREF Text = ColorToRGB(GetEditThemeTextColor(Enabled, ReadOnly));
            EXPECT_EQ(D.Pixel(58, 20), Fill);
            EXPECT_EQ(D.Pixel(70, 10), RGB(1, 2, 3)) << "clipped to the rectangle";
            EXPECT_GT(D.Count(Text), 10u) << Enabled << ReadOnly;
        }
}

TEST(XPPainterBoxes, CloseButtonStatesAreWindowPartNineteenAndTheCaptionFollowsTheActiveFlag)
{
    REQUIRE_THEMES();
    TXPBars B;
    TOwnTheme Window(L"Window");
    TThemeSeam Seam;
    const TSize Size = XP()->GetCloseButtonSize();
    ASSERT_GT(Size.cx, 0);
    const RECT R{0, 0, Size.cx, Size.cy};
    std::vector<std::string> Pictures;
    for (TcbButtonState State : {bstNormal, bstHot, bstPressed}) {
        B.Bar.CloseState = State;
        Seam.Clear();
        TDib D(Size.cx, Size.cy, kFill), Ref(Size.cx, Size.cy);
        XP()->DrawCloseButton(&B.Bar, D.DC(), R);
        Seam.ExpectOne(tcWindow, WP_SMALLCLOSEBUTTON, State + 1, "close button", &R);
        Window.Reference(Ref, WP_SMALLCLOSEBUTTON, State + 1, R);
        EXPECT_EQ(FirstDifference(D, Ref), "") << "state " << State;
        std::string Bytes;
        for (int32_t Y = 0; Y < Size.cy; ++Y)
            for (int32_t X = 0; X < Size.cx; ++X)
                Bytes += std::to_string(D.Pixel(X, Y)) + ",";
        Pictures.push_back(Bytes);
    }
    // The three states look apart.
    EXPECT_NE(Pictures[0], Pictures[1]);
    EXPECT_NE(Pictures[1], Pictures[2]);

    for (bool Active : {false, true}) {
        TDib D(40, 16);
        XP()->DrawFloatingCaptionBackground(&B.Bar, D.DC(), Rect(0, 0, 40, 16), Active);
        EXPECT_EQ(D.Count(Sys(Active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION)), 40u * 16u);
    }
}

// ---------------------------------------------------------------------------------------------
// Cached backgrounds

TEST(XPPainterBackgrounds, DockRowsGetTheirLinesOnceAndTheCacheIsFilledOnlyWhenEmpty)
{
    REQUIRE_THEMES();
    TXPBars B;
    TOwnTheme Rebar(L"Rebar");
    TcbBar* First = B.Form.AddBar("First");
    TcbBar* Second = B.Form.AddBar("Second");
    TcbBar* Status = B.Form.AddBar("Status");
    Status->SetBorderStyle(bbsNone);
    TBitmap Cache;
    FakeDockSite Top;
    Top.Manager = B.Form.Manager;
    Top.Client = Rect(0, 0, 120, 60);
    Top.BackgroundCache = &Cache;
    Top.Rows = {{Rect(0, 0, 120, 30), {First}}, {Rect(0, 30, 120, 60), {Second}}};
    // The references first: the seam would record them too when the system shares handles.
    TDib Ref(120, 60), BRef(120, 50);
    Rebar.Reference(Ref, 0, 1, RECT{0, 0, 120, 60});
    Rebar.Reference(BRef, 0, 1, RECT{0, 0, 120, 50});
    TThemeSeam Seam;
    TDib D(120, 60, RGB(1, 2, 3));
    XP()->DrawDockControlBackground(&Top, D.DC(), Rect(0, 0, 120, 60), Rect(0, 0, 120, 60), B.Fill.Get());
    EXPECT_EQ(D.Pixel(60, 29), Sys(COLOR_BTNSHADOW)) << "row 1's bottom line";
    EXPECT_EQ(D.Pixel(60, 30), Sys(COLOR_BTNHIGHLIGHT)) << "row 2's top line";
    EXPECT_EQ(D.Pixel(60, 0), Ref.Pixel(60, 0)) << "no highlight on the first row";
    EXPECT_EQ(D.Pixel(60, 59), Ref.Pixel(60, 59)) << "no shadow under the last row";
    EXPECT_EQ(D.Pixel(60, 15), Ref.Pixel(60, 15));
    EXPECT_EQ(D.Pixel(5, 45), Ref.Pixel(5, 45));
    ASSERT_EQ(Seam.Of(tcRebar).size(), 1u);
    EXPECT_EQ(Seam.Of(tcRebar)[0].Part, 0);
    EXPECT_EQ(Seam.Of(tcRebar)[0].State, 1);

    // A second paint copies the cache; a part of it lands where it was asked for.
    TDib Piece(120, 60, RGB(1, 2, 3));
    XP()->DrawDockControlBackground(&Top, Piece.DC(), Rect(40, 20, 80, 40), Rect(0, 0, 120, 60), B.Fill.Get());
    EXPECT_EQ(Seam.Of(tcRebar).size(), 1u);
    EXPECT_EQ(Piece.Pixel(60, 29), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(Piece.Pixel(30, 29), RGB(1, 2, 3));
    // Emptied (as the site does on a resize), it is filled again.
    Cache.SetSize(0, 0);
    XP()->DrawDockControlBackground(&Top, Piece.DC(), Rect(0, 0, 120, 60), Rect(0, 0, 120, 60), B.Fill.Get());
    EXPECT_EQ(Seam.Of(tcRebar).size(), 2u);

    // A bottom site with a status bar: that row has neither line.
    TBitmap BottomCache;
    FakeDockSite Bottom;
    Bottom.Manager = B.Form.Manager;
    Bottom.DockingStyle = dsBottom;
    Bottom.Client = Rect(0, 0, 120, 50);
    Bottom.BackgroundCache = &BottomCache;
    Bottom.Rows = {{Rect(0, 0, 120, 25), {First}}, {Rect(0, 25, 120, 50), {Status}}};
    TDib BD(120, 50, RGB(1, 2, 3));
    XP()->DrawDockControlBackground(&Bottom, BD.DC(), Rect(0, 0, 120, 50), Rect(0, 0, 120, 50), B.Fill.Get());
    EXPECT_EQ(BD.Pixel(60, 0), Sys(COLOR_BTNHIGHLIGHT)) << "a bottom site's first row has its highlight";
    EXPECT_EQ(BD.Pixel(60, 24), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(BD.Pixel(60, 25), BRef.Pixel(60, 25));
    EXPECT_EQ(BD.Pixel(60, 49), BRef.Pixel(60, 49));
}

// ---------------------------------------------------------------------------------------------
// Brushes and GDI objects

TEST(XPPainterResources, ThemedBarBrushIsTheToolbarFillAndIsRemadeWithTheSharedBrushesAndOnThemeChanges)
{
    TManagerForm F;
    TcbBarManager* M = F.Manager;
    HBRUSH First = M->GetThemedBarBrush();
    ASSERT_NE(First, nullptr);
    EXPECT_EQ(BrushColor(First), ColorToRGB(GetToolbarThemeFillColor()));
    EXPECT_EQ(XP()->GetBarBrush(M), First);
    EXPECT_EQ(XP()->GetToolbarBrush(nullptr), GetSysColorBrush(COLOR_BTNFACE)) << "no manager, no themed brush";
    M->RecreateSharedBrushes();
    HBRUSH Second = M->GetThemedBarBrush();
    EXPECT_NE(Second, First);
    EXPECT_EQ(GetObjectType(First), 0u) << "the old brush was deleted";
    EXPECT_EQ(BrushColor(Second), ColorToRGB(GetToolbarThemeFillColor()));
    if (HWND Receiver = ThemeChangeReceiverHandle()) {
        SendMessageA(Receiver, WM_THEMECHANGED, 0, 0);
        EXPECT_NE(M->GetThemedBarBrush(), Second);
        EXPECT_EQ(GetObjectType(Second), 0u);
    }
}

TEST(XPPainterResources, EveryDrawingOperationGivesItsGdiObjectsBack)
{
    REQUIRE_THEMES();
    TXPBars B;
    TDib D(240, 120);
    TBitmap Glyph, BarCache, SiteCache;
    Glyph.SetPixelFormat(pf24bit);
    Glyph.SetSize(16, 16);
    B.Bar.BackgroundCache = &BarCache;
    FakeDockSite Site;
    Site.Manager = B.Form.Manager;
    Site.BackgroundCache = &SiteCache;
    FakeItemControl C(&B.Bar), Row(&B.Menu);
    C.Glyph = &Glyph;
    C.Text = "Value";
    Row.ItemRect = Rect(0, 40, 120, 60);
    Row.ShortCutText = "Ctrl+O";
    HDC DC = D.DC();
    auto Round = [&] {
        const TcbPaintFlags S{pfEnabled, pfSelected};
        HBRUSH Face = GetSysColorBrush(COLOR_BTNFACE);
        TRect Out = Rect(0, 0, 80, 22);
        XP()->DrawGlyph(&C, DC, Rect(0, 0, 23, 22), S, dkHorizontal);
        XP()->DrawDropDownPart(&C, DC, Rect(23, 0, 37, 22), Face, S, 1);
        XP()->DrawSizeGripGlyph(&B.Bar, DC, Rect(0, 0, 16, 16));
        XP()->DrawBarMark(&B.Bar, DC, Face, Rect(180, 0, 191, 22));
        XP()->DrawMenuItem(&Row, DC, Rect(0, 40, 120, 60), S);
        XP()->DrawDockControlBackground(&Site, DC, Rect(0, 0, 100, 30), Rect(0, 0, 300, 60), Face);
        XP()->DrawToolbarBackground(&B.Bar, DC, Rect(0, 0, 100, 20), Face);
        XP()->DrawBarSeparator(&B.Bar, DC, Rect(0, 0, 6, 22), true);
        XP()->DrawCloseButton(&B.Bar, DC, Rect(0, 0, 14, 14));
        XP()->DrawDockedBarBorder(&B.Bar, DC, Face, Rect(0, 0, 200, 30));
        XP()->DrawMDIButton(&B.Bar, DC, Rect(0, 0, 16, 14), mbRestore, true, true);
        XP()->DrawComboButton(&C, DC, Rect(0, 0, 60, 22), S);
        XP()->DrawEditBorder(&C, DC, true, dkHorizontal, Out);
        XP()->DrawEditCaption(&C, DC, Rect(0, 0, 80, 22), S);
        XP()->DrawEditText(&C, DC, Rect(0, 0, 80, 22), S);
        XP()->DrawSubMenuBorder(&B.Menu, DC, Rect(0, 0, 120, 80));
        XP()->DrawSubMenuSideBand(&B.Menu, DC, Face, Rect(0, 0, 120, 80));
        XP()->DrawSubMenuBeginGroup(&B.Menu, &Row, DC);
        XP()->DrawFloatingCaptionBackground(&B.Bar, DC, Rect(0, 0, 100, 16), true);
        XP()->DrawBoxRow(&C, DC, Rect(0, 0, 60, 20), Face, 1);
        XP()->DrawWindowFrame(nullptr, DC, true);
        XP()->DrawFramedItem(&C, DC, Rect(0, 0, 60, 20), "Item", true);
        XP()->DrawLinedItem(&C, DC, Rect(0, 0, 100, 24), "Item");
        XP()->DrawDoubleBackground(DC, Rect(0, 0, 100, 20), Face, GetSysColorBrush(COLOR_WINDOW), 30);
        XP()->DrawProgressBar(DC, Rect(0, 0, 100, 16), 40, 0, 100);
        XP()->DrawProgressBar(DC, Rect(0, 0, 16, 100), INT32_MAX, INT32_MIN, INT32_MAX);
        SelectClipRgn(DC, nullptr);
    };
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    Round();
    const int64_t Before = Probe.GdiObjects();
    Round();
    EXPECT_EQ(Probe.GdiObjects(), Before);
}

// ---------------------------------------------------------------------------------------------
// The sheet a person looks at

TEST(XPPainterSheet, SheetOfTheXPStyle)
{
    TManagerForm F;
    F.Manager->SetStyle(bmsXP);
    // In the classic prefix this shows the Enhanced painter that bmsXP falls back to.
    EXPECT_EQ(F.Manager->GetPainterClass(), AreThemesInUse() ? XPPainter() : EnhancedPainter());
    EXPECT_NE(SavePainterSheet(F.Manager->GetPainterClass(), F.Manager, "painter-xp"), "");
}
