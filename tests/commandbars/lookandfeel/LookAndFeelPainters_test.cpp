// The look-and-feel painters on 32-bit DIB sections, in both prefixes (expected colours come from
// GetSysColor and the tints at run time): the unit's resources and their start and end, the
// pattern bitmaps, the radio images and their rebuild after a colour change, the constant answers
// of the four painters, the cell drawer's text, and what each style draws at telling points.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/cbFramework.h"
#include "commandbars/lookandfeel/uiLookAndFeelPainters.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Controls.h"
#include "platform/win/ImageList.h"
#include "platform/win/Screen.h"
#include "tests/commandbars/lookandfeel/LookAndFeelPainterDrawers.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/support/ResourceProbe.h"

using CommandBarsTest::Sys;
using CommandBarsTest::TDib;

namespace {

const COLORREF kBackground = RGB(1, 2, 3);

TuiLookAndFeelPainterClass Base()
{
    return TuiCustomLookAndFeelPainter::Instance();
}
TuiLookAndFeelPainterClass Standard()
{
    return TuiStandardLookAndFeelPainter::Instance();
}
TuiLookAndFeelPainterClass Flat()
{
    return TuiFlatLookAndFeelPainter::Instance();
}
TuiLookAndFeelPainterClass UltraFlat()
{
    return TuiUltraFlatLookAndFeelPainter::Instance();
}

COLORREF RGBOf(TColor C)
{
    return ColorToRGB(C);
}

// A DIB with a canvas and its wrapper over it.
struct TPaintTarget {
    TDib Dib;
    TCanvas Canvas;
    TuiCanvas UI{&Canvas};
    TPaintTarget(int32_t W, int32_t H, COLORREF Background = kBackground) : Dib(W, H, Background)
    {
        Canvas.SetHandle(Dib.DC());
    }
    ~TPaintTarget() { Canvas.SetHandle(nullptr); }
};

// The unit started around each test, as the program's start does.
class LookAndFeelPainters : public testing::Test {
protected:
    void SetUp() override { uiLookAndFeelPaintersInit(); }
    void TearDown() override { uiLookAndFeelPaintersDone(); }
};

// The first and last pixel of row Y that differ from the background, -1 when none.
std::pair<int32_t, int32_t> DrawnSpan(const TDib& D, int32_t Y, COLORREF Background)
{
    int32_t First = -1, Last = -1;
    for (int32_t X = 0; X < D.Width(); ++X)
        if (D.Pixel(X, Y) != Background) {
            if (First < 0)
                First = X;
            Last = X;
        }
    return {First, Last};
}

TSize SystemCheckBoxCell()
{
    HBITMAP B = LoadBitmapA(nullptr, MAKEINTRESOURCEA(32759));
    if (!B)
        return TSize{13, 13};
    BITMAP Info{};
    GetObjectA(B, sizeof(Info), &Info);
    DeleteObject(B);
    return TSize{Info.bmWidth / 4, Info.bmHeight / 3};
}

} // namespace

TEST(LookAndFeelPaintersStart, NestedStartsMakeAndFreeTheResourcesOnce)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    TPaintTarget T(32, 32);
    // Once through, so that what the system keeps after a first use is there.
    uiLookAndFeelPaintersInit();
    Standard()->DrawRadioButton(&T.UI, 0, 0, ubsNormal, true, 0, clDefault);
    uiLookAndFeelPaintersDone();
    const int64_t Objects = Probe.GdiObjects();
    const int64_t Windows = TestSupport::TResourceProbe::ThreadWindows();

    uiLookAndFeelPaintersInit();
    TImageList* Images = uiLookAndFeelPainterImages();
    TBitmap* Pattern = uiLookAndFeelPatternBitmap(0);
    ASSERT_NE(nullptr, Images);
    ASSERT_NE(nullptr, Pattern);
    EXPECT_EQ(nullptr, uiRadioButtonImageList()) << "made before a radio button is drawn";
    EXPECT_EQ(nullptr, uiSysColorChangeListenerHandle());
    uiLookAndFeelPaintersInit();
    EXPECT_EQ(Images, uiLookAndFeelPainterImages()) << "made again by the inner start";
    EXPECT_EQ(Pattern, uiLookAndFeelPatternBitmap(0));
    Flat()->DrawRadioButton(&T.UI, 0, 0, ubsHot, false, 1, clDefault);
    TuiRadioButtonImageList* Radios = uiRadioButtonImageList();
    const HWND Listener = uiSysColorChangeListenerHandle();
    ASSERT_NE(nullptr, Radios);
    ASSERT_TRUE(IsWindow(Listener));
    // A hidden top-level window, so that the system's colour broadcast reaches it.
    EXPECT_EQ(GetDesktopWindow(), GetAncestor(Listener, GA_PARENT));
    EXPECT_FALSE(IsWindowVisible(Listener));
    UltraFlat()->DrawRadioButton(&T.UI, 0, 0, ubsNormal, false, 0, clDefault);
    EXPECT_EQ(Radios, uiRadioButtonImageList());
    uiLookAndFeelPaintersDone();
    EXPECT_EQ(Images, uiLookAndFeelPainterImages()) << "freed by the inner end";
    EXPECT_TRUE(IsWindow(Listener));
    uiLookAndFeelPaintersDone();

    EXPECT_EQ(nullptr, uiLookAndFeelPainterImages());
    EXPECT_EQ(nullptr, uiLookAndFeelPatternBitmap(0));
    EXPECT_EQ(nullptr, uiLookAndFeelPatternBitmap(1));
    EXPECT_EQ(nullptr, uiRadioButtonImageList());
    EXPECT_FALSE(IsWindow(Listener));
    EXPECT_EQ(Objects, Probe.GdiObjects());
    EXPECT_EQ(Windows, TestSupport::TResourceProbe::ThreadWindows());
    // An end without a start changes nothing, and a start after it makes everything anew.
    uiLookAndFeelPaintersDone();
    uiLookAndFeelPaintersInit();
    EXPECT_NE(nullptr, uiLookAndFeelPainterImages());
    uiLookAndFeelPaintersDone();
    EXPECT_EQ(nullptr, uiLookAndFeelPainterImages());
    // The framework's start and end carry the unit's.
    ScreenInit();
    cbFrameworkInit();
    EXPECT_NE(nullptr, uiLookAndFeelPainterImages());
    cbFrameworkDone();
    EXPECT_EQ(nullptr, uiLookAndFeelPainterImages());
}

TEST_F(LookAndFeelPainters, TheImageListHoldsFiveImagesDrawnOverWhite)
{
    TImageList* Images = uiLookAndFeelPainterImages();
    ASSERT_NE(nullptr, Images);
    ASSERT_EQ(kIndicatorImageCount, Images->GetCount());
    EXPECT_EQ(16, Images->GetWidth());
    EXPECT_EQ(16, Images->GetHeight());
    for (int32_t I = 0; I < kIndicatorImageCount; ++I) {
        SCOPED_TRACE(I);
        TPaintTarget T(16, 16);
        Base()->DrawIndicatorImage(&T.UI, Rect(0, 0, 16, 16), I);
        EXPECT_EQ(kBackground, T.Dib.Pixel(0, 0));
        EXPECT_EQ(0u, T.Dib.Count(RGB(255, 255, 255))) << "white is drawn";
        EXPECT_GT(T.Dib.Count(RGB(0, 0, 0)), 4u) << "nothing drawn";
    }
    // Out of range draws nothing.
    TPaintTarget T(16, 16);
    Base()->DrawIndicatorImage(&T.UI, Rect(0, 0, 16, 16), kIndicatorImageCount);
    Base()->DrawIndicatorImage(&T.UI, Rect(0, 0, 16, 16), -1);
    EXPECT_EQ(256u, T.Dib.Count(kBackground));
}

TEST_F(LookAndFeelPainters, EveryDrawerOfEveryPainterKeepsTheGdiBalance)
{
    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    ASSERT_EQ(46u, CommandBarsTest::PainterDrawers().size());
    TPaintTarget T(64, 24);
    const TRect Cell = Rect(0, 0, 64, 24);
    for (TuiLookAndFeelPainterClass P : {Base(), Standard(), Flat(), UltraFlat()})
        for (const auto& D : CommandBarsTest::PainterDrawers()) {
            SCOPED_TRACE(std::string(D.Name) + " of kind " + std::to_string(P->Kind()));
            D.Draw(P, &T.UI, Cell);
            const int64_t Objects = Probe.GdiObjects();
            for (int I = 0; I < 1000; ++I)
                D.Draw(P, &T.UI, Cell);
            ASSERT_EQ(Objects, Probe.GdiObjects());
        }
}

TEST_F(LookAndFeelPainters, PatternBitmapsAlternateByParity)
{
    TBitmap* First = uiLookAndFeelPatternBitmap(0);
    TBitmap* Second = uiLookAndFeelPatternBitmap(1);
    ASSERT_NE(nullptr, First);
    ASSERT_NE(nullptr, Second);
    EXPECT_EQ(8, First->GetWidth());
    EXPECT_EQ(8, Second->GetHeight());
    EXPECT_EQ(nullptr, uiLookAndFeelPatternBitmap(2));
    for (POINT P : {POINT{0, 0}, POINT{1, 1}, POINT{2, 4}, POINT{7, 7}}) {
        EXPECT_EQ(Sys(COLOR_BTNFACE), RGBOf(First->GetCanvas()->GetPixel(P.x, P.y))) << P.x << "," << P.y;
        EXPECT_EQ(RGB(0, 0, 0), RGBOf(Second->GetCanvas()->GetPixel(P.x, P.y))) << P.x << "," << P.y;
    }
    for (POINT P : {POINT{1, 0}, POINT{0, 1}, POINT{7, 2}}) {
        EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), RGBOf(First->GetCanvas()->GetPixel(P.x, P.y))) << P.x << "," << P.y;
        EXPECT_EQ(Sys(COLOR_3DDKSHADOW), RGBOf(Second->GetCanvas()->GetPixel(P.x, P.y))) << P.x << "," << P.y;
    }
}

TEST_F(LookAndFeelPainters, RadioImagesAreColouredByKindStateAndCheck)
{
    EXPECT_EQ(45, TuiRadioButtonImageList::ImageIndex(lfUltraFlat, 1, true, ubsHot));
    EXPECT_EQ(0, TuiRadioButtonImageList::ImageIndex(lfFlat, 0, false, ubsNormal));
    EXPECT_EQ(47, TuiRadioButtonImageList::ImageIndex(lfUltraFlat, 1, true, ubsDisabled));
    // Hostile arguments stay inside the list.
    EXPECT_EQ(8, TuiRadioButtonImageList::ImageIndex(lfStandard, 7, false, static_cast<TuiButtonState>(0)));
    EXPECT_EQ(11, TuiRadioButtonImageList::ImageIndex(lfStandard, -1, false, static_cast<TuiButtonState>(9)));

    const TSize Cell = SystemCheckBoxCell();
    const int32_t Y = Cell.cy / 2;
    // The middle row of one image drawn over the background: (first drawn pixel, the one after,
    // the centre, the second from the right end, the right end).
    struct TRow {
        COLORREF Outer, Inner, Centre, InnerRight, OuterRight, Face;
    };
    auto Row = [&](TuiLookAndFeelPainterClass P, TuiButtonState State, bool Checked, int32_t Variant) {
        TPaintTarget T(Cell.cx, Cell.cy);
        P->DrawRadioButton(&T.UI, 0, 0, State, Checked, Variant, kBackground);
        const auto [First, Last] = DrawnSpan(T.Dib, Y, kBackground);
        EXPECT_GT(First, 0) << "the row starts transparent";
        EXPECT_EQ(kBackground, T.Dib.Pixel(0, Y));
        return TRow{T.Dib.Pixel(First, Y),      T.Dib.Pixel(First + 1, Y), T.Dib.Pixel((First + Last) / 2, Y),
                    T.Dib.Pixel(Last - 1, Y), T.Dib.Pixel(Last, Y),      T.Dib.Pixel(First + 2, Y)};
    };

    const TRow Plain = Row(Standard(), ubsNormal, false, 0);
    TuiRadioButtonImageList* List = uiRadioButtonImageList();
    ASSERT_NE(nullptr, List);
    EXPECT_EQ(48, List->GetCount());
    EXPECT_EQ(Cell.cx, List->GetImageSize().cx);
    EXPECT_EQ(Cell.cy, List->GetImageSize().cy);
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), Plain.Outer);
    EXPECT_EQ(Sys(COLOR_3DDKSHADOW), Plain.Inner);
    EXPECT_EQ(Sys(COLOR_WINDOW), Plain.Centre);
    EXPECT_EQ(Sys(COLOR_3DLIGHT), Plain.InnerRight);
    EXPECT_EQ(Sys(COLOR_BTNHIGHLIGHT), Plain.OuterRight);
    {
        // What lies outside the system's radio is transparent even where the mask's circle,
        // spanning the whole cell, would let the template's black background through.
        TPaintTarget T(Cell.cx, Cell.cy);
        Standard()->DrawRadioButton(&T.UI, 0, 0, ubsNormal, false, 0, kBackground);
        EXPECT_EQ(0u, T.Dib.Count(RGB(0, 0, 0)));
    }

    EXPECT_EQ(Sys(COLOR_BTNTEXT), Row(Standard(), ubsNormal, true, 0).Centre);
    const TRow Disabled = Row(Standard(), ubsDisabled, true, 0);
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), Disabled.Centre);
    EXPECT_EQ(Sys(COLOR_BTNFACE), Disabled.Face);
    // Flat: both inner halves light.
    const TRow FlatRow = Row(Flat(), ubsNormal, false, 0);
    EXPECT_EQ(Sys(COLOR_3DLIGHT), FlatRow.Inner);
    EXPECT_EQ(Sys(COLOR_3DLIGHT), FlatRow.InnerRight);

    const TRow UltraPlain = Row(UltraFlat(), ubsNormal, false, 0);
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), UltraPlain.Outer);
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), UltraPlain.OuterRight);
    EXPECT_EQ(Sys(COLOR_WINDOW), UltraPlain.Face);
    EXPECT_EQ(Sys(COLOR_WINDOW), UltraPlain.Inner) << "inner rings take the face";
    const TRow Hot = Row(UltraFlat(), ubsHot, false, 0);
    EXPECT_EQ(Sys(COLOR_HIGHLIGHT), Hot.Outer);
    EXPECT_EQ(Sys(COLOR_HIGHLIGHT), Hot.OuterRight);
    EXPECT_EQ(RGBOf(GetHotTintColor()), Hot.Face);
    EXPECT_EQ(RGBOf(GetHotTintColor()), Hot.Centre);
    EXPECT_EQ(RGBOf(GetPressedTintColor()), Row(UltraFlat(), ubsPressed, false, 0).Face);
    // Variant 1 and a check light the outer ring too.
    EXPECT_EQ(Sys(COLOR_HIGHLIGHT), Row(UltraFlat(), ubsNormal, false, 1).Outer);
    EXPECT_EQ(Sys(COLOR_HIGHLIGHT), Row(UltraFlat(), ubsNormal, true, 0).Outer);
    EXPECT_EQ(Sys(COLOR_BTNSHADOW), Row(UltraFlat(), ubsDisabled, true, 0).Outer);

    // Over a background colour the corners take it; with clDefault they keep what was there.
    TPaintTarget Over(Cell.cx + 4, Cell.cy + 4, RGB(9, 90, 9));
    Standard()->DrawRadioButton(&Over.UI, 2, 2, ubsNormal, true, 0, kBackground);
    for (POINT P : {POINT{2, 2}, POINT{Cell.cx + 1, 2}, POINT{2, Cell.cy + 1}, POINT{Cell.cx + 1, Cell.cy + 1}})
        EXPECT_EQ(kBackground, Over.Dib.Pixel(P.x, P.y)) << P.x << "," << P.y;
    EXPECT_EQ(RGB(9, 90, 9), Over.Dib.Pixel(1, 1));
    Over.Dib.Fill(RGB(9, 90, 9));
    Standard()->DrawRadioButton(&Over.UI, 2, 2, ubsNormal, true, 0, clDefault);
    for (POINT P : {POINT{2, 2}, POINT{Cell.cx + 1, 2}, POINT{2, Cell.cy + 1}, POINT{Cell.cx + 1, Cell.cy + 1}})
        EXPECT_EQ(RGB(9, 90, 9), Over.Dib.Pixel(P.x, P.y)) << P.x << "," << P.y;
    EXPECT_LT(Over.Dib.Count(RGB(9, 90, 9)), static_cast<size_t>((Cell.cx + 4) * (Cell.cy + 4) - 40));
}

TEST_F(LookAndFeelPainters, AColourChangeEmptiesTheRadioImagesUntilTheNextRadioIsDrawn)
{
    TPaintTarget T(32, 32);
    Standard()->DrawRadioButton(&T.UI, 0, 0, ubsNormal, false, 0, clDefault);
    TuiRadioButtonImageList* List = uiRadioButtonImageList();
    const HWND Listener = uiSysColorChangeListenerHandle();
    ASSERT_NE(nullptr, List);
    ASSERT_TRUE(IsWindow(Listener));
    ASSERT_EQ(48, List->GetCount());
    int32_t Builds = uiRadioButtonImageBuildCount();

    // A message it does not take leaves the images.
    SendMessageA(Listener, WM_USER + 7, 0, 0);
    EXPECT_EQ(48, List->GetCount());
    for (UINT Msg : {static_cast<UINT>(WM_SYSCOLORCHANGE), CM_SYSCOLORCHANGE}) {
        SCOPED_TRACE(Msg);
        EXPECT_EQ(0, SendMessageA(Listener, Msg, 0, 0));
        EXPECT_EQ(0, List->GetCount());
        EXPECT_EQ(Builds, uiRadioButtonImageBuildCount()) << "rebuilt before it was needed";
        T.Dib.Fill(kBackground);
        UltraFlat()->DrawRadioButton(&T.UI, 0, 0, ubsHot, false, 0, clDefault);
        EXPECT_EQ(48, List->GetCount());
        EXPECT_EQ(++Builds, uiRadioButtonImageBuildCount());
        EXPECT_GT(T.Dib.Count(Sys(COLOR_HIGHLIGHT)), 8u) << "the image drawn after the rebuild";
        EXPECT_EQ(List, uiRadioButtonImageList());
    }
}

TEST_F(LookAndFeelPainters, ConstantAnswersOfEachPainter)
{
    EXPECT_EQ(Flat(), GetLookAndFeelPainterClass(lfFlat));
    EXPECT_EQ(Standard(), GetLookAndFeelPainterClass(lfStandard));
    EXPECT_EQ(UltraFlat(), GetLookAndFeelPainterClass(lfUltraFlat));

    const COLORREF Hot = RGBOf(GetHotTintColor()), Pressed = RGBOf(GetPressedTintColor());
    const COLORREF Face = Sys(COLOR_BTNFACE), Text = Sys(COLOR_BTNTEXT), Shadow = Sys(COLOR_BTNSHADOW);
    const struct {
        TuiLookAndFeelPainterClass P;
        TuiLookAndFeelKind Kind;
        int32_t Border, EdgeWide, EdgeThin, Indent, Shift, CheckSize;
        bool HotTracking;
        POINT SortMark;
        uint32_t Visible, Footer;
        int32_t FrameSize, ContentSize, TextOffset, ScrollBarBorder;
        COLORREF Background[4], Symbol[4];
    } kRows[] = {
        {Base(), lfStandard, 0, 0, 0, 0, 0, 0, false, {0, 0}, 0x0F, 0x0F, 0, 0, 0, 0,
         {Face, Face, Face, Face}, {Text, Text, Text, Shadow}},
        {Standard(), lfStandard, 2, 3, 2, 1, 1, 12, false, {8, 7}, 0x0F, 0x0F, 1, 1, 1, 1,
         {Face, Face, Face, Face}, {Text, Text, Text, Shadow}},
        {Flat(), lfFlat, 1, 2, 1, 1, 1, 11, false, {8, 7}, 0x0F, 0x0F, 1, 1, 1, 1,
         {Face, Face, Face, Face}, {Text, Text, Text, Shadow}},
        {UltraFlat(), lfUltraFlat, 1, 2, 1, 2, 0, 11, true, {7, 8}, 0x0C, 0x0C, 1, 1, 2, 1,
         {Face, Hot, Pressed, Face}, {Text, Text, Sys(COLOR_HIGHLIGHTTEXT), Shadow}},
    };
    for (const auto& R : kRows) {
        SCOPED_TRACE(R.Kind);
        const TuiLookAndFeelPainterClass P = R.P;
        EXPECT_EQ(R.Kind, P->Kind());
        EXPECT_EQ(0, P->ContentOffset());
        EXPECT_EQ(R.Border, P->BorderSize());
        EXPECT_EQ(R.EdgeWide, P->EdgeWidth(false));
        EXPECT_EQ(R.EdgeThin, P->EdgeWidth(true));
        EXPECT_EQ(R.Indent, P->ButtonInnerIndent());
        EXPECT_EQ(R.Shift, P->ButtonPressedShift());
        EXPECT_EQ(R.CheckSize, P->CheckButtonSize());
        EXPECT_EQ(R.HotTracking, P->IsHotTracking());
        EXPECT_EQ(9, P->ArrowSize());
        EXPECT_EQ(2, P->ArrowIndent());
        EXPECT_EQ(R.SortMark.x, P->SortMarkOffset().x);
        EXPECT_EQ(R.SortMark.y, P->SortMarkOffset().y);
        EXPECT_EQ(R.Visible, P->VisibleBorders(0x03));
        EXPECT_EQ(0x0Fu, P->VisibleBorders(0x0C)) << "right and bottom neighbours hide nothing";
        EXPECT_EQ(R.Footer, P->FooterBorders());
        EXPECT_EQ(R.Border == 0 ? 0 : 1, P->HeaderBorderSize());
        EXPECT_EQ(R.FrameSize, P->FrameBorderSize());
        EXPECT_EQ(R.ContentSize, P->ContentBorderSize());
        EXPECT_EQ(R.TextOffset, P->CellTextOffset());
        EXPECT_EQ(R.ScrollBarBorder, P->ScrollBarBorderSize());
        EXPECT_EQ(13, P->CheckBoxImageSize().cx);
        EXPECT_EQ(13, P->CheckBoxImageSize().cy);
        EXPECT_EQ(16, P->IndicatorImageSize().cx);
        EXPECT_EQ(14, P->IndicatorImageSize().cy);
        EXPECT_EQ(15, P->ScrollButtonSize().cx);
        EXPECT_EQ(0, P->ScrollButtonSize().cy);
        const COLORREF Edit[kEditColorCount] = {Sys(COLOR_WINDOW), Sys(COLOR_WINDOW), Sys(COLOR_WINDOW), Face, Face};
        for (int32_t I = 0; I < kEditColorCount; ++I)
            EXPECT_EQ(Edit[I], RGBOf(P->EditColor(I))) << "edit colour " << I;
        EXPECT_EQ(clWindow, P->EditColor(-1));
        EXPECT_EQ(clWindow, P->EditColor(kEditColorCount));
        for (int32_t S = ubsNormal; S <= ubsDisabled; ++S) {
            EXPECT_EQ(R.Background[S - 1], RGBOf(P->ButtonBackgroundColor(static_cast<TuiButtonState>(S)))) << S;
            EXPECT_EQ(R.Symbol[S - 1], RGBOf(P->ButtonSymbolColor(static_cast<TuiButtonState>(S)))) << S;
        }
        const TRect Content = P->ContentRect(Rect(0, 0, 20, 10));
        const TRect Inner = P->InnerContentRect(Rect(0, 0, 20, 10));
        EXPECT_EQ(R.ContentSize, Content.left);
        EXPECT_EQ(10 - R.ContentSize, Content.bottom);
        EXPECT_EQ(R.ContentSize + 2, Inner.top);
        EXPECT_EQ(20 - R.ContentSize - 2, Inner.right);

        using TColorQuery = TColor (TuiCustomLookAndFeelPainter::*)() const;
        const struct {
            TColorQuery Query;
            TColor Expected;
        } kColours[] = {{&TuiCustomLookAndFeelPainter::WindowColor, clWindow},
                        {&TuiCustomLookAndFeelPainter::WindowTextColor, clWindowText},
                        {&TuiCustomLookAndFeelPainter::ShadowColor, clBtnShadow},
                        {&TuiCustomLookAndFeelPainter::HighlightColor, clBtnHighlight},
                        {&TuiCustomLookAndFeelPainter::TextColor, clBtnText},
                        {&TuiCustomLookAndFeelPainter::FaceColor, clBtnFace},
                        {&TuiCustomLookAndFeelPainter::HeaderTextColor, clBtnText},
                        {&TuiCustomLookAndFeelPainter::HeaderLineColor, clBtnShadow},
                        {&TuiCustomLookAndFeelPainter::HeaderColor, clBtnFace},
                        {&TuiCustomLookAndFeelPainter::FooterTextColor, clBtnText},
                        {&TuiCustomLookAndFeelPainter::FooterLineColor, clBtnShadow},
                        {&TuiCustomLookAndFeelPainter::FooterColor, clBtnFace},
                        {&TuiCustomLookAndFeelPainter::GroupColor, clBtnFace},
                        {&TuiCustomLookAndFeelPainter::GroupTextColor, clBtnText},
                        {&TuiCustomLookAndFeelPainter::GroupLineColor, clBtnShadow},
                        {&TuiCustomLookAndFeelPainter::IndicatorColor, clBtnFace},
                        {&TuiCustomLookAndFeelPainter::PanelColor, clBtnFace},
                        {&TuiCustomLookAndFeelPainter::PanelTextColor, clBtnText},
                        {&TuiCustomLookAndFeelPainter::LinkColor, TColorOf(0xFF0000)},
                        {&TuiCustomLookAndFeelPainter::GridLineColor, clBtnShadow},
                        {&TuiCustomLookAndFeelPainter::SelectionColor, clHighlight},
                        {&TuiCustomLookAndFeelPainter::SelectionTextColor, clHighlightText},
                        {&TuiCustomLookAndFeelPainter::TabColor, clBtnFace},
                        {&TuiCustomLookAndFeelPainter::TabPageColor, clBtnFace},
                        {&TuiCustomLookAndFeelPainter::TabTextColor, clBtnText},
                        {&TuiCustomLookAndFeelPainter::SplitterColor, clBtnFace}};
        int32_t Index = 0;
        for (const auto& C : kColours)
            EXPECT_EQ(C.Expected, (P->*C.Query)()) << "colour query " << ++Index;
    }
}

TEST_F(LookAndFeelPainters, CellTextFlagsAndPlacement)
{
    EXPECT_EQ(4u + 32u + 1024u + 2048u, uiCellTextFlags(taCenter, uvaCenter, true, true));
    EXPECT_EQ(1u + 8u + 64u, uiCellTextFlags(taLeftJustify, uvaTop, false, false));
    EXPECT_EQ(2u + 16u + 64u + 2048u, uiCellTextFlags(taRightJustify, uvaBottom, false, true));

    // A callback that answers handled keeps the background; one that does not gets it filled.
    TPaintTarget T(60, 20);
    int32_t Calls = 0;
    TRect Seen{};
    auto Handled = [&](TuiCanvas*, const TRect& R) {
        ++Calls, Seen = R;
        return true;
    };
    Base()->DrawCell(&T.UI, Rect(5, 2, 55, 18), "", nullptr, clBlack, clRed, taLeftJustify, uvaTop, false, false,
                     Handled);
    EXPECT_EQ(1, Calls);
    EXPECT_EQ(5, Seen.left);
    EXPECT_EQ(18, Seen.bottom);
    EXPECT_EQ(0u, T.Dib.Count(RGB(255, 0, 0)));
    Base()->DrawCell(&T.UI, Rect(5, 2, 55, 18), "", nullptr, clBlack, clRed, taLeftJustify, uvaTop, false, false,
                     [](TuiCanvas*, const TRect&) { return false; });
    EXPECT_EQ(50u * 16u, T.Dib.Count(RGB(255, 0, 0)));

    // Where the text lands: left aligned it ends within its measured width; centred, the middle
    // of its measured extent (placed by where its ink starts) is the cell's middle. (Wine draws
    // some fonts narrower than it measures them, so the ink's own middle is not used.)
    TFont Font;
    const int32_t W = 200, H = 24;
    auto Ink = [&](const std::string& Text, TAlignment Align) {
        TPaintTarget C(W, H);
        UltraFlat()->DrawCell(&C.UI, Rect(0, 0, W, H), Text, &Font, clBlack, clWhite, Align, uvaCenter, false, false,
                              {});
        int32_t First = W, Last = -1;
        for (int32_t Y = 0; Y < H; ++Y) {
            const auto [F, L] = DrawnSpan(C.Dib, Y, RGB(255, 255, 255));
            if (F >= 0)
                First = std::min(First, F), Last = std::max(Last, L);
        }
        return std::pair{First, Last};
    };
    TPaintTarget Measure(8, 8);
    Measure.UI.GetFont()->Assign(&Font);
    const int32_t Width = Measure.UI.TextWidth("Quillmoor");
    const auto [LeftFirst, LeftLast] = Ink("Quillmoor", taLeftJustify);
    ASSERT_GE(LeftLast, 0) << "no text drawn";
    EXPECT_LT(LeftLast, Width);
    EXPECT_GT(LeftLast, Width / 2);
    const auto [MidFirst, MidLast] = Ink("Quillmoor", taCenter);
    ASSERT_GE(MidLast, 0) << "no text drawn";
    const int32_t Start = MidFirst - LeftFirst;
    EXPECT_NEAR(Start + Width / 2.0, W / 2.0, 1.0);
    EXPECT_LT(MidLast, Start + Width);
}

TEST_F(LookAndFeelPainters, ButtonsScrollBarsAndSignsByStyle)
{
    const COLORREF Face = Sys(COLOR_BTNFACE), Shadow = Sys(COLOR_BTNSHADOW), Light = Sys(COLOR_BTNHIGHLIGHT);
    auto Button = [](TuiLookAndFeelPainterClass P, TuiButtonState State) {
        auto T = std::make_unique<TPaintTarget>(40, 20);
        P->DrawButtonBackground(&T->UI, Rect(0, 0, 40, 20), State);
        return T;
    };
    {
        auto T = Button(Standard(), ubsNormal);
        EXPECT_EQ(Face, T->Dib.Pixel(0, 0));
        EXPECT_EQ(Sys(COLOR_3DDKSHADOW), T->Dib.Pixel(39, 19));
        EXPECT_EQ(Light, T->Dib.Pixel(1, 1));
        EXPECT_EQ(Shadow, T->Dib.Pixel(38, 18));
        auto Down = Button(Standard(), ubsPressed);
        for (POINT P : {POINT{0, 0}, POINT{39, 0}, POINT{0, 19}, POINT{39, 19}, POINT{20, 0}, POINT{39, 10}})
            EXPECT_EQ(Shadow, Down->Dib.Pixel(P.x, P.y)) << P.x << "," << P.y;
        EXPECT_EQ(Face, Down->Dib.Pixel(1, 1));
        EXPECT_EQ(Face, Down->Dib.Pixel(38, 18));
    }
    {
        auto T = Button(Flat(), ubsNormal);
        EXPECT_EQ(Light, T->Dib.Pixel(1, 1));
        EXPECT_EQ(Shadow, T->Dib.Pixel(38, 18));
        EXPECT_EQ(Face, T->Dib.Pixel(20, 10));
        for (POINT P : {POINT{0, 0}, POINT{39, 19}, POINT{20, 0}, POINT{0, 10}})
            EXPECT_EQ(kBackground, T->Dib.Pixel(P.x, P.y)) << P.x << "," << P.y;
        auto Down = Button(Flat(), ubsPressed);
        EXPECT_EQ(Shadow, Down->Dib.Pixel(1, 1));
        EXPECT_EQ(Light, Down->Dib.Pixel(38, 18));
    }
    const COLORREF Inside[] = {Face, RGBOf(GetHotTintColor()), RGBOf(GetPressedTintColor()), Face};
    const COLORREF Ring[] = {Shadow, Sys(COLOR_HIGHLIGHT), Sys(COLOR_HIGHLIGHT), Shadow};
    for (int32_t S = ubsNormal; S <= ubsDisabled; ++S) {
        SCOPED_TRACE(S);
        auto T = Button(UltraFlat(), static_cast<TuiButtonState>(S));
        for (POINT P : {POINT{0, 0}, POINT{39, 19}, POINT{20, 0}, POINT{0, 10}})
            EXPECT_EQ(Ring[S - 1], T->Dib.Pixel(P.x, P.y)) << P.x << "," << P.y;
        EXPECT_EQ(Inside[S - 1], T->Dib.Pixel(1, 1));
        EXPECT_EQ(Inside[S - 1], T->Dib.Pixel(20, 10));
    }

    // A pressed arrow is the normal one moved by the style's shift.
    for (TuiLookAndFeelPainterClass P : {Standard(), UltraFlat()}) {
        TPaintTarget Up(20, 20), Down(20, 20);
        P->DrawPressedArrow(&Up.UI, Rect(0, 0, 18, 18), adDown, ubsNormal);
        P->DrawPressedArrow(&Down.UI, Rect(0, 0, 18, 18), adDown, ubsPressed);
        const int32_t D = P->ButtonPressedShift();
        size_t Drawn = 0;
        for (int32_t Y = 0; Y < 18; ++Y)
            for (int32_t X = 0; X < 18; ++X)
                if (Up.Dib.Pixel(X, Y) != kBackground) {
                    ++Drawn;
                    ASSERT_NE(kBackground, Down.Dib.Pixel(X + D, Y + D)) << X << "," << Y;
                }
        EXPECT_EQ(Drawn, 400u - Down.Dib.Count(kBackground));
        EXPECT_GT(Drawn, 10u);
    }

    // Standard scroll-bar arrows are the system's; its pressed page area repeats pattern 0.
    const struct {
        TuiButtonState State;
        UINT Extra;
    } kArrows[] = {{ubsNormal, 0}, {ubsDisabled, DFCS_INACTIVE}, {ubsPressed, DFCS_FLAT}};
    for (const auto& A : kArrows) {
        SCOPED_TRACE(A.State);
        TPaintTarget Ours(17, 17), System(17, 17);
        Standard()->DrawScrollBarPart(&Ours.UI, Rect(0, 0, 17, 17), sbpLineUp, A.State, false);
        RECT R{0, 0, 17, 17};
        DrawFrameControl(System.Dib.DC(), &R, DFC_SCROLL, DFCS_SCROLLUP | A.Extra);
        for (int32_t Y = 0; Y < 17; ++Y)
            for (int32_t X = 0; X < 17; ++X)
                ASSERT_EQ(System.Dib.Pixel(X, Y), Ours.Dib.Pixel(X, Y)) << X << "," << Y;
    }
    TPaintTarget Page(24, 24);
    Standard()->DrawScrollBarPart(&Page.UI, Rect(2, 3, 22, 21), sbpPageDown, ubsPressed, false);
    for (int32_t Y = 3; Y < 21; ++Y)
        for (int32_t X = 2; X < 22; ++X)
            ASSERT_EQ((X + Y) % 2 == 0 ? Face : Light, Page.Dib.Pixel(X, Y)) << X << "," << Y;
    EXPECT_EQ(kBackground, Page.Dib.Pixel(1, 3));
    EXPECT_EQ(kBackground, Page.Dib.Pixel(22, 20));

    // Plus and minus: bars of 2 h + 1 pixels through the middle, h = (width - 4) div 2.
    {
        TPaintTarget T(12, 12);
        Base()->DrawPlusMinus(&T.UI, Rect(0, 0, 12, 12), clBlack, false);
        for (int32_t I = 2; I <= 10; ++I) {
            EXPECT_EQ(RGB(0, 0, 0), T.Dib.Pixel(I, 6)) << I;
            EXPECT_EQ(RGB(0, 0, 0), T.Dib.Pixel(6, I)) << I;
        }
        EXPECT_EQ(17u, T.Dib.Count(RGB(0, 0, 0)));
        T.Dib.Fill(kBackground);
        Base()->DrawPlusMinus(&T.UI, Rect(0, 0, 12, 12), clBlack, true);
        EXPECT_EQ(9u, T.Dib.Count(RGB(0, 0, 0)));
        EXPECT_EQ(kBackground, T.Dib.Pixel(6, 2));
    }
    {
        TPaintTarget T(8, 8);
        Base()->DrawPlusMinus(&T.UI, Rect(2, 2, 6, 6), clBlack, false);
        EXPECT_EQ(1u, T.Dib.Count(RGB(0, 0, 0)));
        EXPECT_EQ(RGB(0, 0, 0), T.Dib.Pixel(4, 4));
        // Too narrow for a sign: nothing.
        Base()->DrawPlusMinus(&T.UI, Rect(0, 0, 2, 8), clRed, false);
        EXPECT_EQ(0u, T.Dib.Count(RGB(255, 0, 0)));
    }
    {
        // Wider than high: the vertical bar stays inside the rectangle.
        TPaintTarget T(24, 24);
        Base()->DrawPlusMinus(&T.UI, Rect(2, 9, 22, 15), clBlack, false);
        EXPECT_EQ(RGB(0, 0, 0), T.Dib.Pixel(4, 12));
        EXPECT_EQ(RGB(0, 0, 0), T.Dib.Pixel(20, 12));
        EXPECT_EQ(RGB(0, 0, 0), T.Dib.Pixel(12, 9));
        EXPECT_EQ(RGB(0, 0, 0), T.Dib.Pixel(12, 14));
        EXPECT_EQ(kBackground, T.Dib.Pixel(12, 8));
        EXPECT_EQ(kBackground, T.Dib.Pixel(12, 15));
        EXPECT_EQ(17u + 6u - 1u, T.Dib.Count(RGB(0, 0, 0)));
    }
}
