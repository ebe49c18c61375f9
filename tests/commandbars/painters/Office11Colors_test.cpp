// The Office11 colour set in both prefixes: its fallback cells over the system colours, the Luna
// schemes by theme name, the blends over explicit colours, the gradient bands on a 32-bit DIB,
// the shared brushes' user count and the recolouring of the menu-expand bitmap.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include <windows.h>

#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/foundation/cbOffice11Colors.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/foundation/uiGraphics.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::Sys;
using CommandBarsTest::TDib;

namespace {

bool Classic()
{
    return TestSupport::WineProfile() == "classic";
}

// Per channel, a + MulDiv(i, b - a, n), as the gradients compute it.
COLORREF Step(COLORREF A, COLORREF B, int I, int N)
{
    auto C = [&](int Shift) { return ((A >> Shift) & 0xFF) + MulDiv(I, static_cast<int>((B >> Shift) & 0xFF) - static_cast<int>((A >> Shift) & 0xFF), N); };
    return RGB(C(0), C(8), C(16));
}

// The theme-name seam for one test.
class TThemeName {
public:
    TThemeName(std::wstring File, std::wstring Color, bool Ok = true)
    {
        SetThemeNameProvider([=](std::wstring& F, std::wstring& C, std::wstring& S) {
            F = File;
            C = Color;
            S = L"NormalSize";
            return Ok;
        });
    }
    ~TThemeName()
    {
        SetThemeNameProvider(nullptr);
        BuildOffice11Colors();
    }
};

} // namespace

TEST(Office11Colors, FallbackCellsFollowTheSystemColours)
{
    EXPECT_EQ(0, DetectOffice11Scheme());
    BuildOffice11Colors();
    const TcbOffice11Colors& C = Office11Colors();
    EXPECT_EQ(0, C.Scheme);
    EXPECT_EQ(75, C.MiddleStrength);

    // The fallback column: Blend(a, b, P), Mix(f, h, w), a system colour, white, or another cell.
    enum TKind { Blend, Mix, System, White, Same };
    const struct {
        TcbOffice11Cell Cell;
        TKind Kind;
        int A, B, P;
    } kTable[] = {
        {occToolbarGradientStart, Blend, COLOR_BTNFACE, COLOR_WINDOW, 22},
        {occToolbarGradientEnd, Blend, COLOR_BTNFACE, COLOR_WINDOW, 96},
        {occDockGradientStart, System, COLOR_BTNFACE, 0, 0},
        {occDockGradientEnd, Blend, COLOR_BTNFACE, COLOR_WINDOW, 20},
        {occMarkGradientEndNormal, System, COLOR_BTNSHADOW, 0, 0},
        {occMarkGradientStartNormal, Blend, COLOR_BTNSHADOW, COLOR_WINDOW, 74},
        {occMarkGradientEndHot, Mix, -15, 29, 86},
        {occMarkGradientStartHot, Mix, -15, 29, 86},
        {occMarkGradientEndPressed, Mix, 42, 11, 47},
        {occMarkGradientStartPressed, Mix, 42, 11, 47},
        {occToolbarBorder, Blend, COLOR_BTNFACE, COLOR_WINDOW, 85},
        {occMarkCornerBase, System, COLOR_BTNFACE, 0, 0},
        {occGripDot, Blend, COLOR_BTNSHADOW, COLOR_WINDOW, 76},
        {occGripDotHighlight, System, COLOR_WINDOW, 0, 0},
        {occSeparator, Blend, COLOR_BTNSHADOW, COLOR_WINDOW, 70},
        {occSeparatorHighlight, White, 0, 0, 0},
        {occFloatingBorderOuter, System, COLOR_BTNSHADOW, 0, 0},
        {occFloatingBorderInner, Same, occToolbarGradientEnd, 0, 0},
        {occItemFrame, System, COLOR_BTNSHADOW, 0, 0},
        {occMenuBackground, System, COLOR_WINDOW, 0, 0},
        {occSelectedItem, Mix, -2, 30, 72},
        {occSelectedFrame, System, COLOR_HIGHLIGHT, 0, 0},
        {occHotItemGradientStart, Same, occSelectedItem, 0, 0},
        {occHotItemGradientEnd, Same, occSelectedItem, 0, 0},
        {occPressedItemGradientStart, Same, occItemBrushColor, 0, 0},
        {occPressedItemGradientEnd, Same, occItemBrushColor, 0, 0},
        {occCheckedItemColor, Same, occToolbarGradientEnd, 0, 0},
        {occCheckedItemBrushColor, Mix, 11, 9, 73},
        {occItemBrushColor, Mix, 14, 44, 40},
        {occDetachBand, Same, occCheckedItemColor, 0, 0},
        {occText, System, COLOR_BTNTEXT, 0, 0},
        {occDisabledText, System, COLOR_GRAYTEXT, 0, 0},
    };
    static_assert(std::size(kTable) == kOffice11CellCount);
    COLORREF Expected[kOffice11CellCount] = {};
    for (int Pass = 0; Pass < 2; ++Pass) // copies read cells later in the table
        for (const auto& E : kTable) {
            switch (E.Kind) {
            case Blend:
                Expected[E.Cell] = static_cast<COLORREF>(BlendColors(SystemColor(E.A), SystemColor(E.B), E.P));
                break;
            case Mix:
                Expected[E.Cell] = static_cast<COLORREF>(NearestScreenColor11(GetBlendedSystemColor(E.A, E.B, E.P)));
                break;
            case System:
                Expected[E.Cell] = Sys(E.A);
                break;
            case White:
                Expected[E.Cell] = RGB(255, 255, 255);
                break;
            case Same:
                Expected[E.Cell] = Expected[E.A];
                break;
            }
        }
    for (const auto& E : kTable)
        EXPECT_EQ(Expected[E.Cell], static_cast<COLORREF>(C[E.Cell])) << "cell " << E.Cell;

    // The values a person can check against the prefixes' colours.
    if (Classic()) {
        EXPECT_EQ(RGB(246, 245, 243), static_cast<COLORREF>(C[occToolbarGradientStart]));
        EXPECT_EQ(RGB(214, 210, 202), static_cast<COLORREF>(C[occToolbarGradientEnd]));
        EXPECT_EQ(RGB(158, 158, 158), static_cast<COLORREF>(C[occGripDot]));
    } else if (TestSupport::WineProfile() == "light") {
        EXPECT_EQ(RGB(253, 253, 253), static_cast<COLORREF>(C[occToolbarGradientStart]));
        EXPECT_EQ(RGB(245, 245, 245), static_cast<COLORREF>(C[occToolbarGradientEnd]));
        EXPECT_EQ(RGB(246, 246, 246), static_cast<COLORREF>(C[occToolbarBorder]));
    }
    // Derived cells without a Luna scheme.
    EXPECT_EQ(Sys(COLOR_BTNTEXT), static_cast<COLORREF>(C.MarkGlyph));
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), static_cast<COLORREF>(C.FloatingCaptionText));
    EXPECT_EQ(static_cast<COLORREF>(BlendColors(C[occMarkGradientEndHot], clWindow, 50)),
              static_cast<COLORREF>(C.MarkCorner[omsHot]));
    EXPECT_EQ(C.MarkCorner2[omsNormal], C.Shadow);
    EXPECT_EQ(C[occToolbarGradientStart], C.FloatingCaption);
}

TEST(Office11Colors, LunaSchemesAreKnownByTheirThemeFileAndColourName)
{
    const struct {
        const wchar_t* File;
        const wchar_t* Color;
        bool Ok;
        int32_t Scheme;
    } kCases[] = {
        {L"C:\\x\\luna.msstyles", L"homestead", true, 2},
        {L"C:\\WINDOWS\\Resources\\Themes\\Luna\\LUNA.MSSTYLES", L"NormalColor", true, 1},
        {L"luna.msstyles", L"Metallic", true, 3},
        {L"C:\\x\\luna.msstyles", L"Royale", true, 0},
        {L"C:\\x\\light.msstyles", L"NormalColor", true, 0},
        {L"C:\\x\\xluna.msstyles", L"NormalColor", true, 0},
        {L"C:\\luna.msstyles\\other.msstyles", L"NormalColor", true, 0},
        {L"C:\\x\\luna.msstyles", L"NormalColor", false, 0},
    };
    for (const auto& E : kCases) {
        TThemeName Name(E.File, E.Color, E.Ok);
        // Without visual styles there is no scheme, whatever the name.
        EXPECT_EQ(AreThemesInUse() ? E.Scheme : 0, DetectOffice11Scheme());
    }
    TThemeName Olive(L"C:\\x\\luna.msstyles", L"homestead");
    BuildOffice11Colors();
    const TcbOffice11Colors& C = Office11Colors();
    if (!AreThemesInUse()) {
        EXPECT_EQ(0, C.Scheme);
        return;
    }
    EXPECT_EQ(2, C.Scheme);
    EXPECT_EQ(125, C.MiddleStrength);
    EXPECT_EQ(0xDEF7F4, C[occToolbarGradientStart]);
    EXPECT_EQ(0x91C6B7, C[occToolbarGradientEnd]);
    EXPECT_EQ(clBlack, C.MarkGlyph);
    EXPECT_EQ(static_cast<COLORREF>(BlendColors(0x8CC2B0, 0xDEF7F4, 90)), static_cast<COLORREF>(C.MarkCorner[omsNormal]));
}

TEST(Office11Colors, BlendsStayInRangeAndTintNeitherBlackNorWhite)
{
    const TColor Face = RGB(212, 208, 200), Highlight = RGB(10, 36, 106), Window = RGB(255, 255, 255);
    EXPECT_EQ(RGB(183, 191, 212), static_cast<COLORREF>(BlendColorsOf(Face, Highlight, Window, -2, 30, 72)));
    // A black or white face says nothing to tint: the highlight colour instead.
    EXPECT_EQ(static_cast<COLORREF>(Highlight), static_cast<COLORREF>(BlendColorsOf(clBlack, Highlight, Window, -2, 30, 72)));
    EXPECT_EQ(static_cast<COLORREF>(Highlight), static_cast<COLORREF>(BlendColorsOf(clWhite, Highlight, Window, 14, 44, 40)));
    EXPECT_EQ(RGB(255, 255, 255), static_cast<COLORREF>(BlendColorsOf(Face, Highlight, Window, 127, 127, 127)));
    EXPECT_EQ(RGB(0, 0, 0), static_cast<COLORREF>(BlendColorsOf(Face, Highlight, Window, -128, -128, -128)));
    // Factors outside 0..100 clamp every channel instead of wrapping.
    EXPECT_EQ(RGB(255, 140, 60), static_cast<COLORREF>(BlendColors(RGB(200, 100, 50), RGB(10, 20, 30), 150)));
    EXPECT_EQ(RGB(0, 0, 10), static_cast<COLORREF>(BlendColors(RGB(200, 100, 50), RGB(10, 20, 30), -100)));
    // Each term rounds as MulDiv does (24.5 up to 25).
    EXPECT_EQ(RGB(103, 90, 80), static_cast<COLORREF>(BlendColors(RGB(200, 100, 50), RGB(10, 80, 107), 49)));
}

TEST(Office11Colors, GradientsRunInBandsFromTheFirstColourToTheLast)
{
    const COLORREF C1 = RGB(0, 0, 0), C2 = RGB(255, 255, 255);
    {
        TDib D(1000, 4);
        FillGradientRect(D.DC(), Rect(0, 0, 1000, 4), C1, C2, true);
        std::set<COLORREF> Bands;
        for (int X = 0; X < 1000; ++X)
            Bands.insert(D.Pixel(X, 2));
        EXPECT_EQ(256u, Bands.size());
        EXPECT_EQ(C1, D.Pixel(0, 0));
        EXPECT_EQ(C2, D.Pixel(999, 3));
    }
    const COLORREF A = RGB(10, 200, 30), B = RGB(250, 20, 130);
    for (bool Horizontal : {true, false}) {
        SCOPED_TRACE(Horizontal ? "horizontal" : "vertical");
        TDib D(10, 10);
        FillGradientRect(D.DC(), Rect(0, 0, 10, 10), A, B, Horizontal);
        for (int I = 0; I < 10; ++I)
            EXPECT_EQ(Step(A, B, I, 9), Horizontal ? D.Pixel(I, 5) : D.Pixel(5, I)) << I;
    }
    {
        // One band: the first colour (no division by zero).
        TDib D(1, 3);
        FillGradientRect(D.DC(), Rect(0, 0, 1, 3), A, B, true);
        EXPECT_EQ(A, D.Pixel(0, 1));
    }
    {
        // Two parts: band 127 of 256 is the middle colour.
        TDib D(1000, 2);
        FillTwoPartGradientRect(D.DC(), Rect(0, 0, 1000, 2), A, B, true);
        const int32_t S = Office11Colors().MiddleStrength;
        auto Mid = [&](int Shift) {
            const int X = (A >> Shift) & 0xFF, Y = (B >> Shift) & 0xFF;
            return X - MulDiv(X - Y, S, 200);
        };
        EXPECT_EQ(RGB(Mid(0), Mid(8), Mid(16)), D.Pixel(MulDiv(127, 1000, 256) + 1, 0));
        EXPECT_EQ(A, D.Pixel(0, 0));
        EXPECT_EQ(B, D.Pixel(999, 1));
    }
    EXPECT_EQ(A, static_cast<COLORREF>(GetGradientColorAt(A, B, 5, 0)));
    EXPECT_EQ(Step(A, B, 5, 10), static_cast<COLORREF>(GetGradientColorAt(A, B, 5, 10)));
    {
        // The canvas fill: 256 bands over 256 rows.
        TBitmap Bitmap;
        Bitmap.SetPixelFormat(pf32bit);
        Bitmap.SetSize(3, 256);
        FillGradientRect(Bitmap.GetCanvas(), Rect(0, 0, 3, 256), A, B);
        for (int Row = 0; Row < 256; ++Row)
            ASSERT_EQ(Step(A, B, Row, 255), static_cast<COLORREF>(Bitmap.GetCanvas()->GetPixel(1, Row))) << Row;
    }
}

TEST(Office11Colors, TheBrushesLiveWhileTheSetHasUsers)
{
    auto Brushes = [] {
        std::vector<HBRUSH> B;
        for (int32_t I = 0; I < kOffice11BrushCount; ++I)
            B.push_back(Office11Brush(static_cast<TcbOffice11Brush>(I)));
        return B;
    };
    auto AllAre = [](const std::vector<HBRUSH>& B, DWORD Type) {
        for (HBRUSH H : B)
            if (GetObjectType(H) != Type)
                return false;
        return true;
    };
    AcquireOffice11Colors();
    AcquireOffice11Colors();
    const std::vector<HBRUSH> Held = Brushes();
    ASSERT_TRUE(AllAre(Held, OBJ_BRUSH));
    ASSERT_NE(nullptr, Office11SubMenuExpandBitmap());
    EXPECT_FALSE(Office11SubMenuExpandBitmap()->GetEmpty());
    ReleaseOffice11Colors();
    EXPECT_TRUE(AllAre(Held, OBJ_BRUSH));
    EXPECT_EQ(Held, Brushes());
    ReleaseOffice11Colors();
    EXPECT_TRUE(AllAre(Held, 0));
    EXPECT_EQ(nullptr, Office11Brush(obGripDot));
    EXPECT_EQ(nullptr, Office11SubMenuExpandBitmap());
    // A stray release neither counts below nothing nor touches anything.
    ReleaseOffice11Colors();
    AcquireOffice11Colors();
    EXPECT_TRUE(AllAre(Brushes(), OBJ_BRUSH));
    ReleaseOffice11Colors();
    EXPECT_EQ(nullptr, Office11Brush(obShadow));
}

TEST(Office11Colors, RecolouringMapsTheRedsOntoTheToolbarGradient)
{
    BuildOffice11Colors();
    const TcbOffice11Colors& C = Office11Colors();
    TBitmap Bitmap;
    Bitmap.SetPixelFormat(pf24bit);
    Bitmap.SetSize(5, 1);
    const COLORREF Key = RGB(255, 0, 255);
    const COLORREF In[5] = {Key, RGB(40, 40, 40), RGB(120, 0, 0), RGB(200, 200, 90), RGB(0, 0, 0)};
    for (int X = 0; X < 5; ++X)
        Bitmap.GetCanvas()->SetPixel(X, 0, static_cast<TColor>(In[X]));
    ColorizeBitmap(&Bitmap);
    auto At = [&](int X) { return static_cast<COLORREF>(Bitmap.GetCanvas()->GetPixel(X, 0)); };
    EXPECT_EQ(Key, At(0));
    EXPECT_EQ(static_cast<COLORREF>(C[occToolbarGradientEnd]), At(1));
    EXPECT_EQ(static_cast<COLORREF>(BlendColors(C[occToolbarGradientStart], C[occToolbarGradientEnd], 50)), At(2));
    EXPECT_EQ(static_cast<COLORREF>(C[occToolbarGradientStart]), At(3));
    EXPECT_EQ(RGB(0, 0, 0), At(4));

    // One shade: every shaded pixel takes the start colour.
    TBitmap Flat;
    Flat.SetPixelFormat(pf24bit);
    Flat.SetSize(3, 2);
    Flat.GetCanvas()->GetBrush()->SetColor(static_cast<TColor>(RGB(128, 128, 128)));
    Flat.GetCanvas()->FillRect(Rect(0, 0, 3, 2));
    Flat.GetCanvas()->SetPixel(0, 0, static_cast<TColor>(Key));
    ColorizeBitmap(&Flat);
    EXPECT_EQ(static_cast<COLORREF>(C[occToolbarGradientStart]), static_cast<COLORREF>(Flat.GetCanvas()->GetPixel(2, 1)));
    EXPECT_EQ(Key, static_cast<COLORREF>(Flat.GetCanvas()->GetPixel(0, 0)));
}
