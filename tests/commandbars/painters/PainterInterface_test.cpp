// The painter interface: every operation of the base, Standard and Enhanced painters runs over
// the fakes and gives back every GDI object it made; the constant answers and the manager's
// cached metrics; the painter a style and look-and-feel choose; a theme change updating every
// manager's painter once.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include <windows.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/cbFramework.h"
#include "commandbars/foundation/cbOffice11Colors.h"
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
#include "tests/support/ResourceProbe.h"

using namespace CommandBarsTest;

namespace {

// Calls each of the 169 operations once, in table order.
void CallEveryOperation(TcbPainterClass P, TcbBarManager* M, FakeBarWindow& Bar, FakeBarWindow& Menu,
                        FakeItemControl& C, FakeItemControl& Row, HDC DC, HWND Edit)
{
    const TRect R = Rect(2, 2, 40, 24);
    TRect Out = R;
    TColor C1 = clNone, C2 = clNone;
    HBRUSH B = nullptr;
    int32_t N = 0;
    const TcbPaintFlags S{pfEnabled, pfSelected};
    HBRUSH Face = GetSysColorBrush(COLOR_BTNFACE);
    // 1
    P->DrawGlyphBorder(&C, DC, Face, R, S, true);
    P->DrawCheckMark(&C, DC, 4, 4, 1);
    P->DrawCheckMarkBox(&C, DC, R, Face, S);
    P->DrawGlyphImage(&C, DC, R, Bounds(4, 4, 16, 16), Face, S);
    P->DrawCenteredArrow(DC, R, true, true, false);
    P->DrawSizedArrow(DC, R, false, false, false, 3);
    P->GetEditColors(&C, S, C1, C2);
    P->GetDisabledImageColor(M);
    P->GetCaptionColors(&C, S, C1, C2);
    P->UseSelectedGlyphBackground();
    // 2
    P->FillSubMenuItemAlways();
    P->IsThemedControlClass(&C);
    P->IsSmallMarkRect(R);
    P->GetFloatingCaptionColor(true);
    P->GetFloatingCaptionTextColor(&Bar);
    P->GetMarkArrowColor(&Bar, true);
    P->DrawSizeGripGlyph(&Bar, DC, R);
    P->DrawMarkArrow(&Bar, DC, R);
    P->DrawBarMarkChevron(&Bar, DC, 4, R);
    P->DrawBarMarkBackground(&Bar, DC, Face, R);
    // 3
    P->DrawBarMarkSymbols(&Bar, DC, R);
    P->AdjustCaptionTextRect(&Bar, R, Out);
    P->DrawComboArrow(DC, R, clBtnText);
    P->DrawSubMenuScrollArrow(&Menu, DC, R, true);
    P->DrawSubMenuExpandButton(&Menu, DC, R, bstHot);
    P->AdjustEditValueRect(&C, Out);
    P->DrawTextItemCaption(DC, R, "Text");
    P->DrawItemBackground(&C, DC, R, Face, false);
    P->DrawFramedBackground(&C, DC, R, Face, false);
    P->DrawEtchedLine(DC, Rect(2, 2, 40, 3));
    SelectClipRgn(DC, nullptr);
    // 4
    P->DrawGlyph(&C, DC, R, S, dkHorizontal);
    P->DrawGlyphCore(&C, DC, R, Bounds(4, 4, 16, 16), S);
    P->DrawMenuItem(&Row, DC, Rect(0, 0, 120, 20), S);
    P->DrawCaption(&C, DC, R, true, false, true, S, "&Open", DT_LEFT);
    P->DrawLoweredBorder(DC, Out);
    Out = R;
    P->DrawStateEdge(&C, DC, Out, 2);
    Out = R;
    P->DrawBoxFrame(&C, DC, Out, Face, true, false);
    P->GetTextColors(&C, S, C1, B);
    P->GetCheckMarkColor(&C, S);
    P->GetDownGlyphOffset();
    // 5
    P->GetSelectedGlyphOffset(&C);
    P->ShowDroppedDownState();
    P->GetDropDownButtonIndent();
    P->GetCaptionOffsetInMenu(&Row);
    P->GetDockedBarBorderSize();
    P->GetFloatingBorderWidth();
    P->GetFloatingBorderHeight();
    P->GetGriplessBarIndent();
    P->GetGripAreaSize();
    P->GetGripWidth(&Bar);
    // 6
    P->GetButtonArrowWidth(M);
    P->GetLargeButtonArrowWidth(M);
    P->GetSubMenuGlyphColumnIndent();
    FakeDockSite Site;
    Site.Manager = M;
    P->DrawDockControlBackground(&Site, DC, R, R, Face);
    P->IsItemBackgroundTransparent();
    P->IsBarBackgroundShared();
    P->GetBarBkBrush(M);
    P->DrawParentBarBackground(&Bar, DC, R);
    P->DrawBarBackground(&Bar, DC, R, Face, clNone);
    P->DrawParentItemEdge(&Menu, DC, Face);
    // 7
    P->IsFloatingBarFlat(&Bar);
    P->GetBarBrush(M);
    P->GetToolbarBrush(&Bar);
    P->GetCheckedItemBrush(M);
    P->GetItemBrush(M);
    P->GetSelectedItemBrush(M);
    P->GetComboButtonWidth(8);
    P->GetEditExtraHeight();
    P->GetEditHeight(13);
    P->IsCloseButtonHotTracked();
    // 8
    P->IsBarMarkShown();
    P->GetSeparatorOffset();
    P->GetSeparatorSize();
    P->GetBarNCBorders(&Bar);
    P->GetBarNCBorderWidth(&Bar);
    P->GetBarBorderOffsets(&Bar, dsTop);
    P->GetFloatingCaptionHeight();
    P->DrawFloatingCaptionBackground(&Bar, DC, R, true);
    P->GetSmallCaptionHeight();
    P->UseThemedFloatingCaption();
    // 9
    P->GetCloseButtonSize();
    P->DrawBarSeparator(&Bar, DC, R, true);
    P->DrawFlatCloseButton(&Bar, DC, R, bstHot);
    P->DrawCloseButton(&Bar, DC, R);
    P->DrawDockedBarBorder(&Bar, DC, Face, Rect(0, 0, 100, 26));
    SelectClipRgn(DC, nullptr);
    P->DrawFloatingBarBorder(&Bar, DC, Face, Rect(0, 0, 100, 26));
    P->DrawFloatingCaption(&Bar, DC, Rect(0, 0, 100, 14), Rect(0, 0, 13, 14));
    P->DrawMark(&Bar, DC, R);
    P->DrawBarMark(&Bar, DC, Face, R);
    P->DrawMDIButton(&Bar, DC, R, mbClose, true, true);
    // 10
    P->DrawBarSizeGrip(&Bar, DC, Rect(0, 0, 60, 40));
    P->DrawSizeGripBackground(&Bar, DC, R);
    P->GetFloatingSideIndent();
    P->GetMarkRect(&Bar);
    P->CalcMarkRect(&Bar, Out);
    P->RedrawMark(&Bar);
    P->GetFloatingTopIndent();
    P->GetFloatingBottomIndent();
    P->UseSystemFloatingHitTest();
    P->UseSystemFloatingFrame();
    // 11
    P->DrawToolbarBackground(&Bar, DC, R, Face);
    P->GetSizeGripSize();
    P->GetBarTopIndent(&Bar);
    P->GetQuickControlBrush(&Bar);
    P->DrawQuickCustCheckArea(&C, DC, R, true, true);
    P->DrawQuickCustItemBackground(&C, DC, true, R, R);
    P->IsQuickPopupLeftAligned();
    P->GetButtonHeightIndent();
    P->GetButtonWidthIndent();
    P->AdjustGlyphColumnWidth(N);
    // 12
    P->AdjustMenuButtonWidth(N);
    P->DrawDropDownPart(&C, DC, Rect(0, 0, 11, 22), Face, S, 1);
    P->IsSubMenuAttached();
    Out = R;
    P->ShiftRectWhenDown(&C, Out);
    P->ShiftPressedRect(Out);
    P->GetComboButtonIndent();
    P->DrawComboButton(&C, DC, Rect(0, 0, 11, 20), S);
    P->GetComboColors(&C, S, C1, B);
    P->GetDropDownListBorder();
    P->DrawDropDownListBorder(DC, R);
    // 13
    P->GetSubItemArrowWidth(&C);
    P->GetSubItemHeight(&Row);
    P->GetSubItemWidth(&Row);
    P->DrawSubItem(&C, DC, R, S, dkHorizontal);
    P->GetSubMenuInnerBorder();
    P->GetSubMenuBeginGroupSize();
    P->GetSubMenuBorderWidth();
    TcbSubMenuMetrics Metrics;
    P->CalcSubMenuMetrics(&Menu, DC, Metrics);
    TcbSubMenuItemsArea Area;
    P->CalcSubMenuItemsRect(&Menu, Area);
    P->CalcSubMenuSize(&Menu);
    // 14
    P->GetDetachBandHeight(&Menu);
    const int32_t Saved = SaveDC(DC);
    P->DrawSubMenuContent(&Menu, DC);
    RestoreDC(DC, Saved);
    P->DrawSubMenuBackground(&Menu, DC, R);
    P->DrawSubMenuBorder(&Menu, DC, Rect(0, 0, 120, 80));
    P->DrawSubMenuSideBand(&Menu, DC, Face, Rect(0, 0, 120, 80));
    P->DrawDetachBand(&Menu, DC, R);
    P->DrawSubMenuBeginGroup(&Menu, &Row, DC);
    P->DrawSubMenuItemRowExtra(&Menu, &Row, DC, Rect(0, 20, 120, 40));
    P->UseStandardSubMenuLayout();
    P->CalcExpandMarkSize(10);
    // 15
    P->GetExpandButtonIndent();
    P->AdjustDetachBandRect(Out);
    P->PrepareSubMenuItemRow(&Row, B);
    P->GetSubMenuBrush();
    P->DrawEditValue(&C, DC, R, S);
    P->DrawComboListItem(DC, R, "Entry", true);
    P->CalcEditCaptionWidth(&C, 30);
    Out = R;
    P->DrawEditBorder(&C, DC, true, dkHorizontal, Out);
    P->DrawEditCaption(&C, DC, R, S);
    P->DrawEditText(&C, DC, R, S);
    // 16
    P->GetInPlaceEditStyle();
    P->SetupInPlaceEdit(Edit);
    P->InitInPlaceEditSelection(Edit, false);
    P->DrawBoxRow(&C, DC, Rect(0, 0, 60, 20), Face, 1);
    P->GetWindowCaptionRect(Rect(0, 0, 200, 100));
    P->DrawWindowFrame(nullptr, DC, true);
    P->GetWindowCaptionHeight();
    P->UseFlatWindowFrame();
    P->DrawFramedItem(&C, DC, R, "Item", true);
    P->GetDefaultBkColor();
    // 17
    P->DrawLinedItem(&C, DC, R, "Item");
    P->DrawDoubleBackground(DC, R, Face, GetSysColorBrush(COLOR_WINDOW), 10);
    P->GetProgressBarColor();
    P->GetProgressChunkSize();
    P->DrawProgressBar(DC, R, 30, 0, 100);
    P->GetNoGlyphCaptionIndent(nullptr);
    P->GetFlatContentIndent();
    P->GetShadowBrush();
    P->DrawCaptionedSeparator(&C, DC, R, "Group");
}

// A manager whose customizing-form hook counts the painter updates it ran.
struct TUpdateCounter {
    int32_t Count = 0;
    bool FlagSeen = false;
    std::function<void()> Throw;
    explicit TUpdateCounter(TcbBarManager* Manager)
    {
        cbExtensions().CustomizingFormStyleChanged = [this, Manager] {
            ++Count;
            FlagSeen = Manager->IsChangingStyle();
            if (Throw)
                Throw();
        };
    }
    ~TUpdateCounter() { cbExtensions().CustomizingFormStyleChanged = nullptr; }
};

} // namespace

TEST(PainterInterface, EveryOperationRunsOnEachPainterAndGivesItsGdiObjectsBack)
{
    TManagerForm F;
    TBitmap Glyph;
    Glyph.SetPixelFormat(pf24bit);
    Glyph.SetSize(16, 16);
    TDib D(240, 120);
    HWND Edit = CreateWindowExA(0, "EDIT", "Some text", WS_POPUP, 0, 0, 80, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(Edit, nullptr);
    TScopeExit DestroyEdit([Edit] { DestroyWindow(Edit); });

    FakeBarWindow Bar;
    Bar.Manager = F.Manager;
    Bar.PushedOff = true;
    FakeBarWindow Menu;
    Menu.Manager = F.Manager;
    Menu.Kind = bwkMenu;
    Menu.Detachable = true;
    Menu.ScrollUp = true;
    Menu.ExpandButton = true;
    Menu.BottomReserve = 10;
    FakeItemControl C(&Bar);
    C.Glyph = &Glyph;
    FakeItemControl Row(&Menu);
    Row.RarelyUsed = Row.FirstRarelyUsed = true;
    Row.ItemRect = Rect(0, 20, 120, 40);
    Menu.Controls = {&Row};

    TestSupport::TResourceProbe Probe;
    ASSERT_TRUE(Probe.SelfCheck()) << Probe.Report();
    // A first round makes the system brushes and fonts the calls share.
    for (TcbPainterClass P : {BasePainter(), StandardPainter(), EnhancedPainter(), FlatPainter()})
        CallEveryOperation(P, F.Manager, Bar, Menu, C, Row, D.DC(), Edit);
    const int64_t Before = Probe.GdiObjects();
    for (TcbPainterClass P : {BasePainter(), StandardPainter(), EnhancedPainter(), FlatPainter()})
        CallEveryOperation(P, F.Manager, Bar, Menu, C, Row, D.DC(), Edit);
    EXPECT_EQ(Probe.GdiObjects(), Before);
}

TEST(PainterInterface, ConstantAnswersFollowTheTableForBaseStandardAndEnhanced)
{
    TManagerForm F;
    FakeBarWindow Toolbar;
    FakeBarWindow Menu;
    Menu.Kind = bwkMenu;
    Menu.Metrics.GlyphColumnWidth = 21;
    FakeItemControl OnToolbar(&Toolbar), InMenu(&Menu);

    struct TRow {
        const char* Name;
        std::function<int32_t(TcbPainterClass)> Ask;
        int32_t Base, Standard, Enhanced;
    };
    TcbBarManager* M = F.Manager;
    const TRow Rows[] = {
        {"GetGripAreaSize", [](TcbPainterClass P) { return P->GetGripAreaSize(); }, 0, 9, 6},
        {"GetDockedBarBorderSize", [](TcbPainterClass P) { return P->GetDockedBarBorderSize(); }, 0, 2, 1},
        {"GetSubMenuGlyphColumnIndent", [](TcbPainterClass P) { return P->GetSubMenuGlyphColumnIndent(); }, 0, 2, 12},
        {"GetDownGlyphOffset", [](TcbPainterClass P) { return P->GetDownGlyphOffset(); }, 0, 1, 1},
        {"GetDropDownButtonIndent", [](TcbPainterClass P) { return P->GetDropDownButtonIndent(); }, 0, 1, 1},
        {"UseSelectedGlyphBackground", [](TcbPainterClass P) { return int32_t(P->UseSelectedGlyphBackground()); }, 0, 1, 1},
        {"IsBarMarkShown", [](TcbPainterClass P) { return int32_t(P->IsBarMarkShown()); }, 0, 0, 1},
        {"IsSmallMarkRect(16 high)", [](TcbPainterClass P) { return int32_t(P->IsSmallMarkRect(Rect(0, 0, 11, 16))); }, 1, 0, 0},
        {"GetFloatingSideIndent", [](TcbPainterClass P) { return P->GetFloatingSideIndent(); }, 0, 4, 4},
        {"GetFloatingTopIndent", [](TcbPainterClass P) { return P->GetFloatingTopIndent(); }, 0, 2, 2},
        {"GetFloatingBottomIndent", [](TcbPainterClass P) { return P->GetFloatingBottomIndent(); }, 0, 1, 1},
        {"UseSystemFloatingFrame", [](TcbPainterClass P) { return int32_t(P->UseSystemFloatingFrame()); }, 0, 1, 1},
        {"GetDropDownListBorder", [](TcbPainterClass P) { return P->GetDropDownListBorder(); }, 0, 2, 2},
        {"UseStandardSubMenuLayout", [](TcbPainterClass P) { return int32_t(P->UseStandardSubMenuLayout()); }, 0, 1, 1},
        {"GetExpandButtonIndent", [](TcbPainterClass P) { return P->GetExpandButtonIndent(); }, 1, 2, 2},
        {"GetButtonArrowWidth", [M](TcbPainterClass P) { return P->GetButtonArrowWidth(M); }, 11, 11, 11},
        {"CalcExpandMarkSize(5)", [](TcbPainterClass P) { return P->CalcExpandMarkSize(5); }, 0, 0, 0},
        {"CalcExpandMarkSize(10)", [](TcbPainterClass P) { return P->CalcExpandMarkSize(10); }, 2, 2, 2},
        {"GetCaptionOffsetInMenu (toolbar)", [&](TcbPainterClass P) { return P->GetCaptionOffsetInMenu(&OnToolbar); }, 0, 0, 0},
        {"GetCaptionOffsetInMenu (menu)", [&](TcbPainterClass P) { return P->GetCaptionOffsetInMenu(&InMenu); }, 22, 22, 22},
        {"GetFloatingBorderWidth", [](TcbPainterClass P) { return P->GetFloatingBorderWidth(); },
         GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CXFRAME), GetSystemMetrics(SM_CXFRAME)},
        {"GetComboButtonWidth(8)", [](TcbPainterClass P) { return P->GetComboButtonWidth(8); }, 15, 15, 15},
        {"GetEditHeight(13)", [](TcbPainterClass P) { return P->GetEditHeight(13); }, 19, 19, 19},
        {"GetSeparatorOffset", [](TcbPainterClass P) { return P->GetSeparatorOffset(); }, 2, 2, 2},
    };
    for (const TRow& Row : Rows) {
        EXPECT_EQ(Row.Ask(BasePainter()), Row.Base) << Row.Name << " (base)";
        EXPECT_EQ(Row.Ask(StandardPainter()), Row.Standard) << Row.Name << " (Standard)";
        EXPECT_EQ(Row.Ask(EnhancedPainter()), Row.Enhanced) << Row.Name << " (Enhanced)";
    }

    // The arrow width is made odd and doubled for large icons.
    M->SetButtonArrowWidth(10);
    EXPECT_EQ(StandardPainter()->GetButtonArrowWidth(M), 11);
    M->SetButtonArrowWidth(11);
    M->SetLargeIcons(true);
    EXPECT_EQ(StandardPainter()->GetButtonArrowWidth(M), 23);
    M->SetLargeIcons(false);

    // Faded disabled images: 70 % button shadow, 30 % white.
    EXPECT_EQ(BasePainter()->GetDisabledImageColor(M), clNone);
    M->SetMakeDisabledImagesFaded(true);
    EXPECT_EQ(BasePainter()->GetDisabledImageColor(M), BlendColors(clBtnShadow, clWhite, 70));
}

TEST(PainterInterface, ManagerCachesThePaintersMetricsAndRecomputesThemAtOnce)
{
    TManagerForm F;
    TcbBarManager* M = F.Manager;
    struct TExpect {
        TcbBarManagerStyle Style;
        int32_t Border, Grip, Indent;
    };
    for (const TExpect& E : {TExpect{bmsStandard, 2, 9, 2}, TExpect{bmsEnhanced, 1, 6, 12}, TExpect{bmsStandard, 2, 9, 2}}) {
        M->SetStyle(E.Style);
        EXPECT_EQ(M->GetDockedBarBorderSize(), E.Border) << E.Style;
        EXPECT_EQ(M->GetGripAreaSize(), E.Grip) << E.Style;
        EXPECT_EQ(M->GetSubMenuGlyphColumnIndent(), E.Indent) << E.Style;
        EXPECT_EQ(M->GetButtonWidth(), 23);
        EXPECT_EQ(M->GetButtonHeight(), 22);
        EXPECT_EQ(M->GetRealButtonArrowWidth(), 11);
    }
    M->SetLargeIcons(true);
    EXPECT_EQ(M->GetGlyphSize(), 32);
    EXPECT_EQ(M->GetButtonWidth(), 39);
    EXPECT_EQ(M->GetButtonHeight(), 38);
    EXPECT_EQ(M->GetRealButtonArrowWidth(), 23);
    M->SetButtonArrowWidth(7);
    EXPECT_EQ(M->GetRealButtonArrowWidth(), 15);
}

TEST(PainterInterface, ChangingStyleFlagIsClearAfterAnExceptionPassedThroughTheUpdate)
{
    TManagerForm F;
    TUpdateCounter Counter(F.Manager);
    Counter.Throw = [] { throw std::runtime_error("refresh failed"); };
    EXPECT_THROW(F.Manager->SetStyle(bmsStandard), std::runtime_error);
    EXPECT_EQ(Counter.Count, 1);
    EXPECT_TRUE(Counter.FlagSeen);
    EXPECT_FALSE(F.Manager->IsChangingStyle());
    // The painter itself was chosen before the failing refresh.
    EXPECT_EQ(F.Manager->GetPainterClass(), StandardPainter());
}

TEST(PainterInterface, StylesAndLookAndFeelChooseThePainterByInstance)
{
    TManagerForm F;
    TcbBarManager* M = F.Manager;
    EXPECT_EQ(M->GetPainterClass(), EnhancedPainter()); // the default style
    M->SetStyle(bmsStandard);
    EXPECT_EQ(M->GetPainterClass(), StandardPainter());
    M->SetStyle(bmsEnhanced);
    EXPECT_EQ(M->GetPainterClass(), EnhancedPainter());
    M->SetStyle(bmsFlat);
    EXPECT_EQ(M->GetPainterClass(), FlatPainter());
    // XP draws with its own painter only while themes are in use, else with Enhanced.
    M->SetStyle(bmsXP);
    EXPECT_EQ(M->GetPainterClass(), M->GetThemesInUse() ? XPPainter() : EnhancedPainter());

    M->SetStyle(bmsUseLookAndFeel);
    M->GetLookAndFeel()->SetKind(lfStandard);
    EXPECT_EQ(M->GetPainterClass(), StandardPainter());
    M->GetLookAndFeel()->SetKind(lfFlat);
    EXPECT_EQ(M->GetPainterClass(), EnhancedPainter());
    M->GetLookAndFeel()->SetKind(lfUltraFlat);
    EXPECT_EQ(M->GetPainterClass(), FlatPainter());
    M->GetLookAndFeel()->SetKind(lfFlat);
    M->GetLookAndFeel()->SetNativeStyle(true);
    EXPECT_EQ(M->GetRealStyle(), M->GetThemesInUse() ? bmsXP : bmsEnhanced);
    EXPECT_EQ(M->GetThemesInUse(), AreThemesInUse());
}

TEST(PainterInterface, ThemeChangeUpdatesEveryManagersPainterOnce)
{
    HWND Receiver = ThemeChangeReceiverHandle();
    if (!Receiver)
        GTEST_SKIP() << "no visual-styles library here";
    TManagerForm A, B;
    int32_t Updates = 0;
    cbExtensions().CustomizingFormStyleChanged = [&Updates] { ++Updates; };
    TScopeExit Clear([] { cbExtensions().CustomizingFormStyleChanged = nullptr; });
    SendMessageA(Receiver, WM_THEMECHANGED, 0, 0);
    EXPECT_EQ(Updates, 2);
}

TEST(PainterInterface, ColourChangeAndANewBarPictureUpdateThePainter)
{
    TManagerForm F;
    int32_t Updates = 0;
    cbExtensions().CustomizingFormStyleChanged = [&Updates] { ++Updates; };
    TScopeExit Clear([] { cbExtensions().CustomizingFormStyleChanged = nullptr; });
    cbColorsChanged();
    EXPECT_EQ(Updates, 1);
    EXPECT_NE(F.Manager->GetFlatBarBrush(), nullptr);
    // A new bar background picture also runs the update.
    TBitmap Picture;
    Picture.SetSize(8, 8);
    F.Manager->GetBackgrounds()->SetBar(&Picture);
    EXPECT_EQ(Updates, 2);
}
