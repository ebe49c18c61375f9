// Toolbars docked in the manager's edge sites and a placeable site, driven by messages: sizes
// and rows, the Flat pixels, shrinking and wrapping as the form narrows, vertical bars, the
// status bar's size grip, hiding and showing, the docking rules and the
// update lock; and the screenshot of the scene.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/lookandfeel/uiLookAndFeel.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/PixelBuffer.h"
#include "tests/commandbars/support/ToolbarFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::BrushColor;
using CommandBarsTest::TToolbarFixture;

namespace {

int32_t FittingCount(TcbBarControl* Window)
{
    return Window->GetItemLinks()->GetFittingCount(Window->GetClientRect());
}

TcbBarItemControl* ControlOf(TcbBarItem* Item, TcbBar* Bar)
{
    TcbBarItemLinks* Links = Bar->GetItemLinks();
    for (int32_t I = 0; I < Links->GetCount(); ++I)
        if (Links->GetItem(I)->GetItem() == Item)
            return Links->GetItem(I)->GetControl();
    return nullptr;
}

// Keeps the non-client presses a window gets.
std::vector<WPARAM> gNCPresses;
WNDPROC gPreviousProc = nullptr;
LRESULT CALLBACK CountingProc(HWND W, UINT Msg, WPARAM WP, LPARAM LP)
{
    if (Msg == WM_NCLBUTTONDOWN) {
        gNCPresses.push_back(WP);
        return 0;
    }
    return CallWindowProcA(gPreviousProc, W, Msg, WP, LP);
}

} // namespace

TEST(Toolbars, TheEdgeSitesHoldTheBarsInRowsAndTakeTheirSizes)
{
    TToolbarFixture F;
    TcbDockControl* Top = F.Site(dsTop);
    ASSERT_NE(Top, nullptr);
    EXPECT_EQ(Top->GetAlign(), alTop);
    EXPECT_EQ(F.Site(dsBottom)->GetAlign(), alBottom);
    EXPECT_EQ(F.Site(dsLeft)->GetAlign(), alLeft);
    EXPECT_EQ(F.Site(dsRight)->GetAlign(), alRight);
    EXPECT_EQ(F.Site(dsLeft)->GetWidth(), 0) << "an empty side site takes no room";
    EXPECT_EQ(F.Site(dsRight)->GetWidth(), 0);
    for (TcbBarDockingStyle Style : {dsLeft, dsTop, dsRight, dsBottom})
        EXPECT_EQ(::GetParent(F.Site(Style)->GetHandle()), F.Form->GetHandle());

    TcbBarControl* Standard = F.WindowOf(F.Standard);
    ASSERT_NE(Standard, nullptr);
    const HWND W = Standard->GetHandle();
    EXPECT_EQ(::GetParent(W), Top->GetHandle());
    EXPECT_TRUE(GetWindowLongA(W, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(IsWindowVisible(W));
    EXPECT_TRUE(IsWindowVisible(Top->GetHandle()));
    char Text[64] = {};
    GetWindowTextA(W, Text, sizeof(Text));
    EXPECT_STREQ(Text, "Standard");
    EXPECT_EQ(SendMessageA(W, WM_GETDLGCODE, 0, 0), 7);
    EXPECT_EQ(SendMessageA(W, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(F.Form->GetHandle()), HTCLIENT), MA_NOACTIVATE);

    RECT Client{}, Window{};
    ::GetClientRect(W, &Client);
    ::GetWindowRect(W, &Window);
    EXPECT_EQ(Client.bottom, 22);
    EXPECT_EQ(Window.bottom - Window.top, 26);
    EXPECT_EQ(Standard->GetClientOffset().x, 8);
    EXPECT_EQ(Standard->GetClientOffset().y, 2);
    EXPECT_EQ(Window.right - Window.left, 11 * 23 + 3 * 5 + 11 + 10);

    TcbBarControl* Menu = F.WindowOf(F.MainMenu);
    ASSERT_NE(Menu, nullptr);
    EXPECT_EQ(Menu->GetHeight(), F.TextHeight() + 6 + 4);
    ASSERT_EQ(Top->GetRowCount(), 2);
    EXPECT_EQ(Top->GetRowBarCount(0), 1);
    ASSERT_EQ(Top->GetRowBarCount(1), 2);
    EXPECT_EQ(Top->GetRowBar(1, 0), F.Standard);
    EXPECT_EQ(Top->GetRowBar(1, 1), F.Tools);
    EXPECT_GE(F.PlaceOf(F.Tools).left, F.PlaceOf(F.Standard).right) << "side by side";
    EXPECT_EQ(F.PlaceOf(F.Tools).top, F.PlaceOf(F.Standard).top);
    EXPECT_EQ(F.PlaceOf(F.Standard).top, Menu->GetHeight());
    EXPECT_EQ(Top->GetHeight(), Menu->GetHeight() + 26);

    F.Manager->SetSunkenBorder(true);
    EXPECT_EQ(Top->GetHeight(), Menu->GetHeight() + 26 + 2);
    F.Manager->SetSunkenBorder(false);
    EXPECT_EQ(Top->GetHeight(), Menu->GetHeight() + 26);

    // A whole-row bar shown with Row 1 gets a row of its own.
    F.Tools->SetVisible(false);
    F.Tools->SetWholeRow(true);
    F.Tools->SetRow(1);
    F.Tools->SetOneOnRow(false);
    F.Tools->SetVisible(true);
    ASSERT_EQ(Top->GetRowCount(), 3);
    EXPECT_EQ(Top->GetRowBarCount(1), 1);
    EXPECT_EQ(Top->GetRowBar(1, 0), F.Tools);
    EXPECT_EQ(F.WindowOf(F.Tools)->GetWidth(), Top->GetClientRect().right);
}

TEST(Toolbars, AFlatToolbarDrawsItsRingGripSeparatorsAndMarkOnItsBrush)
{
    TToolbarFixture F;
    const COLORREF Face = GetSysColor(COLOR_BTNFACE);
    const COLORREF Shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF Bar = BrushColor(F.Manager->GetFlatBarBrush());
    ASSERT_NE(Bar, Face) << "the Flat bar brush is lighter than the dock";
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    const TestSupport::TShot Shot = TestSupport::CaptureShown(Standard->GetHandle());
    const int32_t W = Shot.W, H = Shot.H;
    TestSupport::ExpectPixel(Shot, 0, 0, Face, "the ring");
    TestSupport::ExpectPixel(Shot, W - 1, H - 1, Face, "the ring");
    TestSupport::ExpectPixel(Shot, 1, 1, Face, "a rounded corner");
    TestSupport::ExpectPixel(Shot, 1, H / 2, Bar, "the border inside the ring");
    TestSupport::ExpectPixel(Shot, 7, H / 2, Bar, "between grip and client");
    TestSupport::ExpectPixel(Shot, 4, 5, Shadow, "the grip's first stripe");
    TestSupport::ExpectPixel(Shot, 4, 6, Bar, "between the grip's stripes");

    // The separator before the fifth button: five columns, the shadow in the third.
    const TRect Fifth = ControlOf(F.StandardButtons[4], F.Standard)->GetItemRect();
    const int32_t X0 = Fifth.left - 5 + Standard->GetClientOffset().x;
    const int32_t Y = Standard->GetClientOffset().y + (Fifth.top + Fifth.bottom) / 2;
    for (int32_t I = 0; I < 5; ++I)
        TestSupport::ExpectPixel(Shot, X0 + I, Y, I == 2 ? Shadow : Bar, "separator column " + std::to_string(I));

    // The mark's triangle: its middle pixel is in the button text colour.
    const TRect Mark = Standard->GetMarkRectInWindow();
    ASSERT_FALSE(IsRectEmpty(&Mark));
    const int32_t Small = F.Manager->GetPainterClass()->IsSmallMarkRect(Mark) ? 1 : 0;
    TestSupport::ExpectPixel(Shot, Mark.left + 5, Mark.bottom - 7 + Small + 1, GetSysColor(COLOR_BTNTEXT),
                             "the mark's triangle");

    // The main menu bar keeps the dock's colour.
    const TestSupport::TShot MenuShot = TestSupport::CaptureShown(F.WindowOf(F.MainMenu)->GetHandle());
    TestSupport::ExpectPixel(MenuShot, 1, MenuShot.H / 2, Face, "the main menu's border");
}

TEST(Toolbars, NarrowingShrinksTheRightBarFirstThenTheLeftKeepingTheLastUsedAndWideningRestores)
{
    TToolbarFixture F;
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    const TRect StandardAt = F.PlaceOf(F.Standard), ToolsAt = F.PlaceOf(F.Tools);
    ASSERT_EQ(FittingCount(Standard), 11);
    ASSERT_EQ(FittingCount(Tools), 3);
    // The last Standard button is the one used last.
    F.Standard->GetItemLinks()->GetItem(10)->MarkUsed();

    int32_t Width = 760;
    bool ToolsShrank = false, ToolsAtMinimum = false;
    while (FittingCount(Standard) == 11 && Width > 100) {
        Width -= 8;
        F.SetClientWidth(Width);
        Standard = F.WindowOf(F.Standard);
        Tools = F.WindowOf(F.Tools);
        EXPECT_EQ(F.PlaceOf(F.Standard).left, 0) << "Standard keeps its left edge at " << Width;
        if (FittingCount(Tools) < 3)
            ToolsShrank = true;
        if (FittingCount(Tools) == 1)
            ToolsAtMinimum = true;
        if (FittingCount(Standard) < 11) {
            EXPECT_TRUE(ToolsAtMinimum) << "Standard shrinks only after Tools is down to its minimum";
        }
    }
    EXPECT_TRUE(ToolsShrank);
    ASSERT_LT(FittingCount(Standard), 11);
    EXPECT_TRUE(Tools->HasItemsPushedOff());
    EXPECT_TRUE(Standard->HasItemsPushedOff()) << "the mark shows the chevrons";
    EXPECT_TRUE(Standard->IsMarkVisible());
    // The link used last stays among the shown ones.
    EXPECT_GE(F.Standard->GetItemLinks()->GetItem(10)->GetShownIndex(), 0);
    EXPECT_FALSE(IsRectEmpty(&F.Standard->GetItemLinks()->GetItem(10)->GetItemRect()));
    // No longer counted as recently used, it makes way at once for a link used before it.
    const int32_t Fitting = FittingCount(Standard);
    F.Standard->GetItemLinks()->GetItem(10)->SetMostRecentlyUsed(false);
    TestSupport::PumpUntil([&] { return IsRectEmpty(&F.Standard->GetItemLinks()->GetItem(10)->GetItemRect()); }, 5000,
                           "the unused link to leave the narrowed toolbar");
    EXPECT_EQ(FittingCount(F.WindowOf(F.Standard)), Fitting);

    F.SetClientWidth(760);
    Standard = F.WindowOf(F.Standard);
    Tools = F.WindowOf(F.Tools);
    EXPECT_EQ(FittingCount(Standard), 11);
    EXPECT_EQ(FittingCount(Tools), 3);
    EXPECT_TRUE(EqualRect(&StandardAt, &static_cast<const TRect&>(F.PlaceOf(F.Standard))));
    EXPECT_TRUE(EqualRect(&ToolsAt, &static_cast<const TRect&>(F.PlaceOf(F.Tools))));

    // Narrower than the main menu's four titles: it wraps to two lines and the site grows.
    const int32_t TopBefore = F.Site(dsTop)->GetHeight();
    const int32_t Line = F.TextHeight() + 6;
    int32_t Titles = 0;
    for (TcbBarSubItem* Sub : F.Menus)
        Titles += ControlOf(Sub, F.MainMenu)->GetWidth();
    F.SetClientWidth(Titles - 10);
    EXPECT_EQ(F.WindowOf(F.MainMenu)->GetHeight(), 2 * Line + 4);
    EXPECT_EQ(F.Site(dsTop)->GetHeight() - F.WindowOf(F.Standard)->GetHeight(),
              TopBefore - 26 + Line) << "the top site grows by one line";
}

TEST(Toolbars, ALeftDockedBarRunsTopToBottomWithRotatedTextAndTheFloatingSizeAddsTheFrame)
{
    TToolbarFixture F;
    TcbBar* Left = F.Manager->GetBars()->Add();
    Left->SetCaption("Left");
    std::vector<TcbBarButton*> Buttons;
    for (const char* Caption : {"One", "Two"}) {
        auto* Button = new TcbBarButton(F.Form.get());
        Button->SetCaption(Caption);
        Button->SetPaintStyle(psCaption);
        Left->GetItemLinks()->Add()->SetItem(Button);
        Buttons.push_back(Button);
    }
    Left->SetDockingStyle(dsLeft);
    Left->SetVisible(true);
    TcbBarControl* Window = F.WindowOf(Left);
    ASSERT_NE(Window, nullptr);
    EXPECT_TRUE(Window->IsVerticallyDocked());
    EXPECT_EQ(::GetParent(Window->GetHandle()), F.Site(dsLeft)->GetHandle());
    EXPECT_GT(F.Site(dsLeft)->GetWidth(), 0);
    const TRect A = ControlOf(Buttons[0], Left)->GetItemRect();
    const TRect B = ControlOf(Buttons[1], Left)->GetItemRect();
    EXPECT_EQ(B.top, A.bottom);
    EXPECT_EQ(B.left, A.left);
    EXPECT_GT(A.bottom - A.top, A.right - A.left) << "a captioned button is tall on a vertical bar";
    LOGFONTA LF{};
    GetObjectA(Window->GetCanvasFont(), sizeof(LF), &LF);
    EXPECT_EQ(LF.lfEscapement, -900);
    EXPECT_EQ(LF.lfOrientation, -900);
    // Not rotated: the window's own font.
    Left->SetRotateWhenVertical(false);
    GetObjectA(F.WindowOf(Left)->GetCanvasFont(), sizeof(LF), &LF);
    EXPECT_EQ(LF.lfEscapement, 0);

    // The floating size: the size for FloatClientWidth plus the floating frame.
    EXPECT_EQ(F.Standard->GetExtraWidth(dsNone), 2 * GetSystemMetrics(SM_CXFRAME));
    const int32_t SmallCaption = F.Manager->GetPainterClass()->GetSmallCaptionHeight();
    EXPECT_EQ(F.Standard->GetExtraHeight(dsNone), 2 * GetSystemMetrics(SM_CYFRAME) + SmallCaption + 1);
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    F.Standard->SetFloatClientWidth(120);
    const TSize Client = Standard->GetSizeForWidth(dsNone, 120);
    const TSize Whole = Standard->GetSizeForDockingStyle(dsNone);
    EXPECT_EQ(Whole.cx, Client.cx + F.Standard->GetExtraWidth(dsNone));
    EXPECT_EQ(Whole.cy, Client.cy + F.Standard->GetExtraHeight(dsNone));
}

TEST(Toolbars, TheStatusBarShowsItsSizeGripOnlyAtTheRestoredFormsCorner)
{
    TToolbarFixture F;
    TcbBarControl* Status = F.WindowOf(F.Status);
    ASSERT_NE(Status, nullptr);
    const HWND W = Status->GetHandle();
    EXPECT_EQ(::GetParent(W), F.Site(dsBottom)->GetHandle());
    EXPECT_TRUE(F.Status->IsSizeGripVisible());
    RECT Client{}, Window{};
    ::GetClientRect(W, &Client);
    ::GetWindowRect(W, &Window);
    EXPECT_EQ(Window.right - Window.left - Client.right, GetSystemMetrics(SM_CXHSCROLL));
    EXPECT_EQ(Status->GetClientOffset().y, 2) << "the top indent";
    // The top strip is the status bar's background (the dock's colour in Flat), drawn by the
    // painter's size-grip background: pixel for pixel its drawing of the same strip.
    const TestSupport::TShot Shot = TestSupport::CaptureShown(W);
    TestSupport::ExpectPixel(Shot, 5, 0, GetSysColor(COLOR_BTNFACE), "the top strip");
    TestSupport::ExpectPixel(Shot, 5, 1, GetSysColor(COLOR_BTNFACE), "the top strip");
    {
        CommandBarsTest::TDib Reference(Shot.W, 2);
        Status->GetPainter()->DrawSizeGripBackground(Status, Reference.DC(), TRect{0, 0, Shot.W, 2});
        int32_t Differing = 0;
        for (int32_t Y = 0; Y < 2; ++Y)
            for (int32_t X = 0; X < Shot.W; ++X) {
                const COLORREF C = Reference.Pixel(X, Y);
                const uint32_t Rgb = (GetRValue(C) << 16) | (GetGValue(C) << 8) | GetBValue(C);
                Differing += Shot.At(X, Y) != Rgb ? 1 : 0;
            }
        EXPECT_EQ(Differing, 0) << "of " << 2 * Shot.W << " pixels of the top strip";
    }
    // A press on the grip sizes the form: it goes to the form, and the status bar stays put.
    const HWND FormWnd = F.Form->GetHandle();
    gNCPresses.clear();
    gPreviousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(FormWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
    {
        TScopeExit Restore([FormWnd] { SetWindowLongPtrA(FormWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gPreviousProc)); });
        const RECT Before = Window;
        const LPARAM At = MAKELPARAM(Window.right - 3, Window.bottom - 3);
        EXPECT_EQ(SendMessageA(W, WM_NCHITTEST, 0, At), HTBOTTOMRIGHT);
        SendMessageA(W, WM_NCLBUTTONDOWN, HTBOTTOMRIGHT, At);
        TestSupport::PumpUntil([] { return !gNCPresses.empty(); }, 5000, "the press at the form");
        ASSERT_EQ(gNCPresses.size(), 1u);
        EXPECT_EQ(gNCPresses[0], static_cast<WPARAM>(HTBOTTOMRIGHT));
        ::GetWindowRect(W, &Window);
        EXPECT_TRUE(EqualRect(&Before, &Window));
    }
    // The bottom site sits on the form's client bottom.
    RECT FormClient{};
    ::GetClientRect(F.Form->GetHandle(), &FormClient);
    EXPECT_EQ(F.Site(dsBottom)->GetTop() + F.Site(dsBottom)->GetHeight(), FormClient.bottom);

    ShowWindow(F.Form->GetHandle(), SW_MAXIMIZE);
    TestSupport::PumpUntil([&] { return IsZoomed(F.Form->GetHandle()) && !F.Status->IsSizeGripVisible(); }, 5000,
                           "the grip hidden on the maximized form");
    PumpPosted("the maximized form laid out");
    EXPECT_FALSE(F.Status->IsSizeGripVisible());
    ::GetClientRect(W, &Client);
    ::GetWindowRect(W, &Window);
    EXPECT_EQ(Window.right - Window.left, Client.right) << "no grip while maximized";
    ShowWindow(F.Form->GetHandle(), SW_RESTORE);
    TestSupport::PumpUntil([&] { return !IsZoomed(F.Form->GetHandle()) && F.Status->IsSizeGripVisible(); }, 5000,
                           "the grip back on the restored form");
    PumpPosted("the restored form laid out");
    EXPECT_TRUE(F.Status->IsSizeGripVisible());

    // A second bottom bar: the site grows upward and keeps its bottom edge.
    const int32_t Height = F.Site(dsBottom)->GetHeight();
    TcbBar* Second = F.Manager->GetBars()->Add();
    Second->SetCaption("Second");
    auto* Button = new TcbBarButton(F.Form.get());
    Button->SetImageIndex(0);
    Second->GetItemLinks()->Add()->SetItem(Button);
    Second->SetDockingStyle(dsBottom);
    Second->SetRow(0);
    Second->SetVisible(true);
    ::GetClientRect(F.Form->GetHandle(), &FormClient);
    EXPECT_GT(F.Site(dsBottom)->GetHeight(), Height);
    EXPECT_EQ(F.Site(dsBottom)->GetTop() + F.Site(dsBottom)->GetHeight(), FormClient.bottom);
}

TEST(Toolbars, HidingStoresThePlaceAndFreesTheWindowAndShowingPutsItBack)
{
    TToolbarFixture F;
    TcbDockControl* Top = F.Site(dsTop);
    const TRect At = F.PlaceOf(F.Standard);
    const int32_t Height = Top->GetHeight();
    F.Tools->SetVisible(false);
    const HWND Old = F.WindowOf(F.Standard)->GetHandle();
    F.Standard->SetVisible(false);
    EXPECT_EQ(F.Standard->GetBarControl(), nullptr);
    EXPECT_FALSE(IsWindow(Old));
    EXPECT_EQ(F.Standard->GetRow(), 1);
    EXPECT_TRUE(F.Standard->GetOneOnRow());
    EXPECT_EQ(F.Standard->GetDockedLeft(), At.left);
    EXPECT_EQ(F.Standard->GetDockedTop(), At.top);
    EXPECT_EQ(Top->GetRowCount(), 1);
    EXPECT_LT(Top->GetHeight(), Height);

    F.Standard->SetVisible(true);
    ASSERT_EQ(Top->GetRowCount(), 2);
    EXPECT_EQ(Top->GetRowBar(1, 0), F.Standard);
    EXPECT_TRUE(EqualRect(&At, &static_cast<const TRect&>(F.PlaceOf(F.Standard))));
    EXPECT_EQ(Top->GetHeight(), Height);
    // Shown again beside Standard, Tools goes back into the same row.
    F.Tools->SetVisible(true);
    EXPECT_EQ(Top->GetRowBarCount(1), 2);
    EXPECT_EQ(Top->GetRowBar(1, 1), F.Tools);

    // The form's window made again: the sites and bars come back with it, in their places.
    const TRect ToolsAt = F.PlaceOf(F.Tools);
    F.Form->RecreateWnd();
    // The new form window comes up hidden; shown, its sites and bars show with it.
    ShowWindow(F.Form->GetHandle(), SW_SHOWNA);
    TestSupport::PumpUntil([&] {
        TcbBarControl* Standard = F.WindowOf(F.Standard);
        return Standard && IsWindowVisible(Standard->GetHandle());
    }, 5000, "Standard shown with the new form window");
    PumpPosted("the new form window laid out");
    ASSERT_NE(F.WindowOf(F.Standard), nullptr);
    EXPECT_TRUE(IsWindowVisible(F.WindowOf(F.Standard)->GetHandle()));
    EXPECT_EQ(::GetParent(F.WindowOf(F.Tools)->GetHandle()), Top->GetHandle());
    EXPECT_EQ(Top->GetRowBarCount(1), 2);
    EXPECT_TRUE(EqualRect(&ToolsAt, &static_cast<const TRect&>(F.PlaceOf(F.Tools))));
    EXPECT_EQ(F.Standard->GetItemLinks()->GetFittingCount(F.WindowOf(F.Standard)->GetClientRect()), 11);
}

TEST(Toolbars, APlaceableSiteTurnsItsBarsWithItsAlignmentAndKeepsItsOwnColour)
{
    TToolbarFixture F;
    auto* Site = new TcbBarDockControl(F.Form.get());
    Site->SetParent(F.Form.get());
    Site->SetBarManager(F.Manager);
    Site->SetDockAlign(dalLeft);
    Site->HandleNeeded();
    PumpPosted("the site laid out");
    EXPECT_EQ(Site->GetWidth(), 0) << "empty at run time";
    EXPECT_TRUE(F.Manager->IsOwnDockControl(Site));

    F.Tools->SetDockControl(Site);
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    ASSERT_NE(Tools, nullptr);
    EXPECT_EQ(::GetParent(Tools->GetHandle()), Site->GetHandle());
    EXPECT_EQ(F.Tools->GetDockingStyle(), dsLeft);
    EXPECT_TRUE(Tools->IsVerticallyDocked());
    EXPECT_GT(Site->GetWidth(), 0);
    Site->SetDockAlign(dalBottom);
    EXPECT_TRUE(F.WindowOf(F.Tools)->IsHorizontallyDocked()) << "at once";
    EXPECT_EQ(F.Tools->GetDockingStyle(), dsBottom);
    EXPECT_EQ(Site->GetAlign(), alBottom);
    EXPECT_GT(Site->GetHeight(), 0);

    // Colours: a colour of its own stays when the dock colour changes.
    EXPECT_FALSE(Site->GetUseOwnColor());
    Site->SetColor(clRed);
    EXPECT_TRUE(Site->GetUseOwnColor());
    F.Manager->SetDockColor(clBlue);
    EXPECT_EQ(Site->GetColor(), clRed);
    EXPECT_EQ(F.Site(dsTop)->GetColor(), clBlue);
    Site->SetUseOwnColor(false);
    EXPECT_EQ(Site->GetColor(), clBlue);

    // A site inside a bar's window refuses that bar.
    auto* Inner = new TcbBarDockControl(F.Form.get());
    Inner->SetParent(F.WindowOf(F.Standard));
    EXPECT_FALSE(Inner->CanDock(F.Standard));
    EXPECT_TRUE(Inner->CanDock(F.MainMenu));
    Inner->SetParent(nullptr);
    Inner->Free();

    // The manager's docking rules.
    F.Standard->SetNotDocking(TcbBarDockingStyles{dsLeft});
    F.Manager->SetNotDocking(TcbBarDockingStyles{dsRight});
    EXPECT_FALSE(F.Manager->CanDocking(F.Standard, dsLeft, nullptr));
    EXPECT_FALSE(F.Manager->CanDocking(F.Standard, dsRight, F.Site(dsRight)));
    EXPECT_TRUE(F.Manager->CanDocking(F.Standard, dsRight, Site)) << "a placeable site answers itself";
    EXPECT_TRUE(F.Manager->CanDocking(F.Standard, dsTop, nullptr));
    Site->SetAllowDocking(false);
    EXPECT_FALSE(F.Manager->CanDocking(F.Standard, dsBottom, Site));
    F.Manager->OnDocking = [](TcbBar*, TcbBarDockingStyle, TcbBarDockControl*, bool& Can) { Can = !Can; };
    EXPECT_TRUE(F.Manager->CanDocking(F.Standard, dsLeft, nullptr));
    EXPECT_FALSE(F.Manager->CanDocking(F.Standard, dsTop, nullptr));
    F.Manager->OnDocking = nullptr;

    // Freeing the site hides its bar and the manager forgets it.
    Site->Free();
    EXPECT_FALSE(F.Tools->GetVisible());
    EXPECT_EQ(F.Tools->GetDockControl(), nullptr);
    EXPECT_EQ(F.Tools->GetDockedDockControl(), nullptr);
}

TEST(Toolbars, AnEmptyPlaceableSiteIsThreePixelsAtDesignTimeUnlessAllowedZero)
{
    TComponentPtr<TForm> Form{new TForm(nullptr)};
    Form->SetDesigning(true);
    auto* Manager = new TcbBarManager(Form.get());
    ASSERT_TRUE(Manager->IsDesigning());
    auto* Site = new TcbBarDockControl(Form.get());
    Site->SetParent(Form.get());
    Site->SetBarManager(Manager);
    Site->HandleNeeded();
    EXPECT_EQ(Site->GetHeight(), 3);
    Site->SetAllowZeroSizeInDesignTime(true);
    EXPECT_EQ(Site->GetHeight(), 0);
    Site->SetAllowZeroSizeInDesignTime(false);
    EXPECT_EQ(Site->GetHeight(), 3);
    EXPECT_FALSE(Manager->GetBars()->GetDockControl(dsTop)->GetVisible()) << "the edge sites hide at design time";
    // The form data's four sizes go into the edge sites and come back from them.
    Manager->SetDockControlHeights({4, 5, 30, 6});
    EXPECT_EQ(Manager->GetBars()->GetDockControl(dsTop)->GetHeight(), 30);
    EXPECT_EQ(Manager->GetBars()->GetDockControl(dsRight)->GetWidth(), 5);
    EXPECT_EQ(Manager->GetDockControlHeights(), (std::vector<int32_t>{4, 5, 30, 6}));
}

TEST(Toolbars, TheDockZoneAndTheRowAtAPointFollowTheMargins)
{
    TToolbarFixture F;
    TcbDockControl* Top = F.Site(dsTop);
    RECT W{};
    ::GetWindowRect(Top->GetHandle(), &W);
    const TRect Zone = Top->GetDockZone();
    EXPECT_EQ(Zone.left, W.left - 23);
    EXPECT_EQ(Zone.top, W.top - 23);
    EXPECT_EQ(Zone.right, W.right + 23);
    EXPECT_EQ(Zone.bottom, W.bottom + 23);
    TcbDockControl* Left = F.Site(dsLeft);
    ::GetWindowRect(Left->GetHandle(), &W);
    const TRect LeftZone = Left->GetDockZone();
    EXPECT_EQ(LeftZone.left, W.left - 23);
    EXPECT_EQ(LeftZone.right, W.right + 23);
    EXPECT_EQ(LeftZone.top, W.top) << "a side site only widens";

    POINT Origin{10, 0};
    ClientToScreen(Top->GetHandle(), &Origin);
    const int32_t Row1 = F.WindowOf(F.MainMenu)->GetHeight();
    bool New = false;
    auto RowAt = [&](int32_t Y) { return Top->RowAtPoint(TPoint{Origin.x, Origin.y + Y}, New); };
    EXPECT_EQ(RowAt(3), 0);
    EXPECT_FALSE(New);
    EXPECT_EQ(RowAt(Row1 + 9), 1);
    EXPECT_TRUE(New) << "the band 9 pixels in makes a new row";
    EXPECT_EQ(RowAt(Row1 + 13), 1);
    EXPECT_TRUE(New);
    EXPECT_EQ(RowAt(Row1 + 14), 1);
    EXPECT_FALSE(New);
    EXPECT_EQ(RowAt(Row1 + 8), 1);
    EXPECT_FALSE(New);
    EXPECT_EQ(RowAt(-5), 0);
    EXPECT_TRUE(New);
    EXPECT_EQ(RowAt(Top->GetHeight() + 5), 2);
    EXPECT_TRUE(New);
    // No rows: row 0, new.
    EXPECT_EQ(Left->RowAtPoint(TPoint{Origin.x, Origin.y}, New), 0);
    EXPECT_TRUE(New);
}

TEST(Toolbars, WhileUpdatesAreLockedTheSitesDoNotDrawAndAfterwardsShowTheNewBar)
{
    TToolbarFixture F(false);
    F.MainMenu->SetDockingStyle(dsTop);
    F.MainMenu->SetVisible(true);
    F.Standard->SetDockingStyle(dsTop);
    F.Standard->SetVisible(true);
    F.Tools->SetDockingStyle(dsTop);
    TcbDockControl* Top = F.Site(dsTop);
    const HWND Site = Top->GetHandle();
    F.Manager->SetLockUpdate(true);
    EXPECT_EQ(GetWindowLongA(Site, GWL_STYLE) & WS_VISIBLE, 0) << "WM_SETREDRAW FALSE";
    F.Tools->SetVisible(true);
    ASSERT_NE(F.WindowOf(F.Tools), nullptr);
    EXPECT_FALSE(IsWindowVisible(F.WindowOf(F.Tools)->GetHandle())) << "nothing of the site is drawn";
    F.Manager->SetLockUpdate(false);
    EXPECT_NE(GetWindowLongA(Site, GWL_STYLE) & WS_VISIBLE, 0);
    ASSERT_EQ(Top->GetRowBarCount(1), 2);
    const TRect Tools = F.PlaceOf(F.Tools);
    EXPECT_GE(Tools.left, F.PlaceOf(F.Standard).right);
    const TestSupport::TShot Shot = TestSupport::CaptureShown(Site);
    const COLORREF Bar = BrushColor(F.Manager->GetFlatBarBrush());
    TestSupport::ExpectPixel(Shot, Tools.left + 1, (Tools.top + Tools.bottom) / 2, Bar, "the new bar's border");
    TestSupport::ExpectPixel(Shot, Tools.left, Tools.top, GetSysColor(COLOR_BTNFACE), "the new bar's ring");
}

TEST(Toolbars, TheSceneIsSavedAsScreenshots)
{
    TToolbarFixture F;
    TcbBar* Left = F.Manager->GetBars()->Add();
    Left->SetCaption("Left");
    for (const char* Caption : {"Rotate", "Zoom", "Crop"}) {
        auto* Button = new TcbBarButton(F.Form.get());
        Button->SetCaption(Caption);
        Button->SetPaintStyle(psCaption);
        Left->GetItemLinks()->Add()->SetItem(Button);
    }
    Left->SetDockingStyle(dsLeft);
    Left->SetVisible(true);
    TestSupport::PumpUntil([&] {
        TcbBarControl* Window = F.WindowOf(Left);
        return Window && IsWindowVisible(Window->GetHandle());
    }, 5000, "the left bar shown");
    PumpPosted("the scene laid out");
    EXPECT_FALSE(TestSupport::SaveShot(TestSupport::CaptureFullPaint(F.Form->GetHandle()), "toolbars-normal").empty());
    F.SetClientWidth(330);
    EXPECT_TRUE(F.WindowOf(F.Standard)->HasItemsPushedOff());
    EXPECT_FALSE(TestSupport::SaveShot(TestSupport::CaptureFullPaint(F.Form->GetHandle()), "toolbars-narrow").empty());
    F.SetClientWidth(150);
    EXPECT_FALSE(TestSupport::SaveShot(TestSupport::CaptureFullPaint(F.Form->GetHandle()), "toolbars-wrapped").empty());
}

TEST(Toolbars, APressOnADockedBarOfAnInactiveFormActivatesTheForm)
{
    TToolbarFixture F;
    TComponentPtr<TForm> Other(new TForm(nullptr));
    Other->SetBounds(400, 300, 200, 150);
    Other->Show();
    SetActiveWindow(Other->GetHandle());
    ASSERT_EQ(Other->GetHandle(), GetActiveWindow());
    // A press on the free end of the status bar: no button there, nothing else happens.
    TcbBarControl* Status = F.WindowOf(F.Status);
    const TRect R = Status->GetClientRect();
    SendMessageA(Status->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(R.right - 3, R.bottom / 2));
    SendMessageA(Status->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(R.right - 3, R.bottom / 2));
    EXPECT_EQ(F.Form->GetHandle(), GetActiveWindow());
    Other->Hide();
}

TEST(Toolbars, AToolbarFreedInKeyboardModeLeavesItAndGivesTheFocusBack)
{
    TToolbarFixture F;
    SetActiveWindow(F.Form->GetHandle());
    F.Edit->SetFocus();
    ASSERT_EQ(F.Edit->GetHandle(), GetFocus());
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    Standard->EnterKeyboardMode(ControlOf(F.StandardButtons[0], F.Standard));
    ASSERT_EQ(Standard, F.Manager->GetKeyboardBarControl());
    F.Standard->SetVisible(false);
    ASSERT_EQ(nullptr, F.WindowOf(F.Standard)) << "hiding frees the window";
    EXPECT_EQ(nullptr, F.Manager->GetKeyboardBarControl()) << "the manager names no freed window";
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    EXPECT_EQ(F.Edit->GetHandle(), GetFocus());
}

TEST(Toolbars, AManagerFreedWhileCustomizingLeavesItWhileItsLookAndFeelStillDecidesTheStyle)
{
    TToolbarFixture F;
    TcbBarManager* Manager = F.Manager;
    Manager->SetStyle(bmsUseLookAndFeel);
    Manager->GetLookAndFeel()->SetKind(lfStandard);
    ASSERT_EQ(bmsStandard, Manager->GetRealStyle());
    ASSERT_FALSE(F.Standard->GetMultiLine()) << "a docked one-line bar lays out through the style";
    // What the dialog's end sees of the manager; the dialog itself is not needed here.
    TcbFrameworkExtensions& E = cbExtensions();
    const auto SavedShow = E.ShowCustomizingForm;
    const auto SavedGet = E.GetCustomizingForm;
    TScopeExit Restore([&] {
        E.ShowCustomizingForm = SavedShow;
        E.GetCustomizingForm = SavedGet;
    });
    std::vector<std::string> Seen;
    E.GetCustomizingForm = []() -> TCustomForm* { return nullptr; };
    E.ShowCustomizingForm = [&Seen](TcbBarManager* M, bool Show) {
        TuiLookAndFeel* LookAndFeel = M->GetLookAndFeel();
        Seen.push_back(std::string(Show ? "show " : "hide ") +
                       (LookAndFeel ? (M->GetRealStyle() == bmsStandard ? "standard" : "other") : "no look-and-feel"));
    };
    Manager->SetIsCustomizing(true);
    PumpPosted("customizing started");
    ASSERT_TRUE(Manager->IsCustomizing());
    // A floating bar as well: its frame follows the style.
    F.Tools->SetDockingStyle(dsNone);
    TestSupport::PumpUntil([&] { return F.WindowOf(F.Tools) != nullptr; }, 5000, "Tools floating in its window");
    PumpPosted("Tools floated");
    ASSERT_NE(nullptr, F.WindowOf(F.Tools));

    // Freed on its own, the form staying: leaving customizing rebuilds the bars, which read the
    // style through the look-and-feel.
    Manager->Free();
    F.Manager = nullptr;
    TestSupport::PumpUntil([&] { return Seen.size() >= 2 && TCustomcbBarControl::LiveBarControls().empty(); }, 5000,
                           "customizing left and the bar windows freed with their manager");
    PumpPosted("the messages of the manager's end handled");
    EXPECT_EQ(Seen, (std::vector<std::string>{"show standard", "hide standard"}));
    EXPECT_TRUE(F.Form->HandleAllocated());
    for (TCustomcbBarControl* Window : TCustomcbBarControl::LiveBarControls())
        ADD_FAILURE() << "a bar window outlived its manager: " << Window->ClassName();
}
