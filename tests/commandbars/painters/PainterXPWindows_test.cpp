// The XP style in live windows, driven by messages: the dock sites' row lines over the rebar
// background and their cache filled once and again after a resize, a style change, a system
// colour change and a theme change; a docked toolbar's grip, mark, separators and buttons by
// state; a menu window's frame, rows, hot row and group band; a main-menu title selected in the
// keyboard mode or open; and the pictures of the toolbars, the dock sites and an open menu. Which
// theme part and state went where is read from the theme's entry table; expected pixels are the
// test's own drawing of the same part after the same fill. Visual styles are on in the default
// prefix, where this program runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <windows.h>

#include <vssym32.h>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbSubMenu.h"
#include "commandbars/foundation/cbTheme.h"
#include "commandbars/painters/cbPainterXP.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/ThemeCallRecorder.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/commandbars/support/XPScene.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using namespace CommandBarsTest;

namespace {

// While it lives the bar windows of a site show nothing (an empty window region), so a picture
// of the site shows its own background where they lie.
class TBarsSeeThrough {
public:
    explicit TBarsSeeThrough(TcbDockControl* Site)
    {
        for (HWND W = GetWindow(Site->GetHandle(), GW_CHILD); W; W = GetWindow(W, GW_HWNDNEXT)) {
            SetWindowRgn(W, CreateRectRgn(0, 0, 0, 0), TRUE);
            FWindows.push_back(W);
        }
        PumpPosted("the regions' messages handled");
        TestSupport::PumpUntil([] { return HIWORD(GetQueueStatus(QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE)) == 0; },
                               5000, "the thread's queue to run dry");
    }
    ~TBarsSeeThrough()
    {
        for (HWND W : FWindows)
            SetWindowRgn(W, nullptr, TRUE);
        PumpPosted("the regions' messages handled");
        TestSupport::PumpUntil([] { return HIWORD(GetQueueStatus(QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE)) == 0; },
                               5000, "the thread's queue to run dry");
    }
    TBarsSeeThrough(const TBarsSeeThrough&) = delete;
    TBarsSeeThrough& operator=(const TBarsSeeThrough&) = delete;
    size_t Count() const { return FWindows.size(); }

private:
    std::vector<HWND> FWindows;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Dock sites and their cache

TEST(XPWindowsDockSites, RowLinesLieOverTheRebarBackgroundAndTheCacheIsFilledOnlyWhenEmptied)
{
    REQUIRE_THEMES();
    TXPScene F;
    ASSERT_EQ(F.Manager->GetPainterClass(), XPPainter());
    TcbDockControl* Top = F.Site(dsTop);
    TcbDockControl* Bottom = F.Site(dsBottom);
    ASSERT_EQ(Top->GetRowCount(), 2);
    ASSERT_EQ(Bottom->GetRowCount(), 1);
    const HWND TopWnd = Top->GetHandle(), BottomWnd = Bottom->GetHandle();

    // The test's own picture of the rebar background: the site's colour, then part 0 state 1.
    TOwnThemeHandle Rebar(L"Rebar");
    ASSERT_NE(Rebar.Get(), nullptr);
    auto Reference = [&](TcbDockControl* Site, TRefBitmap& Ref) {
        Ref.Fill(ColorToRGB(Site->GetColor()));
        Rebar.Draw(Ref.DC(), 0, 1, RECT{0, 0, Ref.Width(), Ref.Height()});
    };

    for (TcbDockControl* Site : {Top, Bottom}) {
        const TRect C = Site->GetClientRect();
        TRefBitmap Ref(C.right, C.bottom);
        Reference(Site, Ref);
        const HWND W = Site->GetHandle();
        TestSupport::TShot Shot;
        {
            TBarsSeeThrough Through(Site);
            ASSERT_GT(Through.Count(), 0u);
            Shot = TestSupport::CaptureShown(W);
        }
        const bool IsTop = Site == Top;
        const std::string Name = IsTop ? "top site" : "bottom site";
        for (int32_t Row = 0; Row < Site->GetRowCount(); ++Row) {
            const TRect R = Site->GetRowRect(Row);
            const bool Highlight = IsTop && Row > 0;               // the top site's first row has none
            const bool Shadow = IsTop && Row < Site->GetRowCount() - 1; // nor its last one a shadow
            // The bottom site's only row is the status bar's: neither line.
            for (int32_t X = R.left; X < R.right; X += 13) {
                const std::string Where = Name + " row " + std::to_string(Row) + " x " + std::to_string(X);
                EXPECT_EQ(ClientPixel(Shot, W, X, R.top), Highlight ? GetSysColor(COLOR_BTNHIGHLIGHT) : Ref.Pixel(X, R.top))
                    << Where << " top line";
                EXPECT_EQ(ClientPixel(Shot, W, X, R.bottom - 1),
                          Shadow ? GetSysColor(COLOR_BTNSHADOW) : Ref.Pixel(X, R.bottom - 1))
                    << Where << " bottom line";
                for (int32_t Y = R.top + 1; Y < R.bottom - 1; Y += 3)
                    EXPECT_EQ(ClientPixel(Shot, W, X, Y), Ref.Pixel(X, Y)) << Where << " y " << Y;
            }
        }
    }

    // The cache: a fill is the rebar background drawn over the whole site, in a memory DC.
    TThemeCallRecorder Calls;
    auto Fills = [&](TcbDockControl* Site) {
        const TRect C = Site->GetClientRect();
        return Calls.At(tcRebar, nullptr, RECT{0, 0, C.right, C.bottom}).size();
    };
    auto PaintBoth = [&] {
        Repaint(TopWnd);
        Repaint(BottomWnd);
    };
    PaintBoth();
    PaintBoth();
    EXPECT_EQ(Fills(Top), 0u) << "two paints of a filled cache copy from it";
    EXPECT_TRUE(Calls.Of(tcRebar, TopWnd).empty()) << "no rebar part is drawn straight into the site";

    // A resize: the site changes its length, its cache is filled once for the next paints.
    F.SetClientWidth(820);
    PaintBoth();
    PaintBoth();
    EXPECT_EQ(Fills(Top), 1u) << "after a resize";
    Calls.Clear();

    // Flat and back to XP.
    F.Manager->SetStyle(bmsFlat);
    PaintBoth();
    EXPECT_EQ(Fills(Top), 0u) << "the Flat style keeps no rebar background";
    F.Manager->SetStyle(bmsXP);
    PaintBoth();
    PaintBoth();
    EXPECT_EQ(Fills(Top), 1u) << "after the style change and back";
    Calls.Clear();

    // The form told of a system colour change.
    SendMessageA(F.Form->GetHandle(), WM_SYSCOLORCHANGE, 0, 0);
    PumpPosted("the colour change handled");
    PaintBoth();
    PaintBoth();
    EXPECT_EQ(Fills(Top), 1u) << "after WM_SYSCOLORCHANGE";
    Calls.Clear();

    // A theme change: the painter chosen again, the caches emptied, the bars still themed.
    const HWND Receiver = ThemeChangeReceiverHandle();
    ASSERT_NE(Receiver, nullptr);
    SendMessageA(Receiver, WM_THEMECHANGED, 0, 0);
    TestSupport::PumpUntil([&] { return F.Manager->GetPainterClass() == XPPainter(); }, 5000,
                           "the XP painter chosen again");
    PumpPosted("the theme change handled");
    ASSERT_EQ(F.Manager->GetPainterClass(), XPPainter());
    PaintBoth();
    PaintBoth();
    EXPECT_EQ(Fills(Top), 1u) << "after WM_THEMECHANGED";
    // Buttons after the change: the checked one is still its theme state (item 2), and the
    // menu's group band still part 6 (item 5).
    Calls.Clear();
    Repaint(F.WndOf(F.Standard));
    const TRect CheckedRect = F.Of(F.Standard, F.Checked)->GetItemRect();
    const std::vector<TThemeCall> Button = Calls.At(tcToolBar, F.WndOf(F.Standard), CheckedRect);
    ASSERT_EQ(Button.size(), 1u);
    EXPECT_EQ(Button[0].Part, TP_BUTTON);
    EXPECT_EQ(Button[0].State, TS_CHECKED);
    TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
    ASSERT_NE(Menu, nullptr);
    Calls.Clear();
    Repaint(Menu->GetHandle());
    const TRect Recent = F.ControlOf(Menu, F.Recent)->GetItemRect();
    const RECT Band{Recent.left, Recent.top - XPPainter()->GetSubMenuBeginGroupSize(), Recent.right, Recent.top};
    const std::vector<TThemeCall> Group = Calls.At(tcToolBar, nullptr, Band);
    ASSERT_EQ(Group.size(), 1u);
    EXPECT_EQ(Group[0].Part, TP_SEPARATORVERT);
    F.CloseMenus();
}

// ---------------------------------------------------------------------------------------------
// Docked toolbars

TEST(XPWindowsToolbars, GripMarkSeparatorsAndButtonsDrawTheirPartsInTheLiveWindow)
{
    REQUIRE_THEMES();
    TXPScene F;
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    const HWND W = Standard->GetHandle();
    const int32_t Grip = XPPainter()->GetGripWidth(nullptr);
    ASSERT_GT(Grip, 0);
    Repaint(W); // what the scene left to paint, before the record starts
    TThemeCallRecorder Calls;
    Repaint(W);

    // The grip in the non-client area at the leading edge.
    RECT WR{};
    GetWindowRect(W, &WR);
    const RECT GripRect{2, 2, 2 + Grip, WR.bottom - WR.top - 2};
    const std::vector<TThemeCall> Grips = Calls.Of(tcRebar, W);
    ASSERT_EQ(Grips.size(), 1u);
    EXPECT_EQ(Grips[0].Part, RP_GRIPPER);
    EXPECT_EQ(Grips[0].State, 1);
    EXPECT_TRUE(EqualRect(&Grips[0].R, &GripRect));

    // Buttons by state: normal, checked, disabled; the split button's two parts.
    struct TCase {
        TcbBarItem* Item;
        int State;
        const char* Name;
    };
    for (const TCase& C : {TCase{F.StandardButtons[0], TS_NORMAL, "normal"}, TCase{F.Checked, TS_CHECKED, "checked"},
                           TCase{F.Disabled, TS_DISABLED, "disabled"}}) {
        const TRect R = F.Of(F.Standard, C.Item)->GetItemRect();
        const std::vector<TThemeCall> Found = Calls.At(tcToolBar, W, R);
        ASSERT_EQ(Found.size(), 1u) << C.Name;
        EXPECT_EQ(Found[0].Part, TP_BUTTON) << C.Name;
        EXPECT_EQ(Found[0].State, C.State) << C.Name;
    }
    const TRect SplitRect = F.Of(F.Standard, F.Split)->GetItemRect();
    std::vector<int> SplitParts;
    for (const TThemeCall& C : Calls.Of(tcToolBar, W))
        if (C.R.left >= SplitRect.left && C.R.right <= SplitRect.right && C.R.top == SplitRect.top)
            SplitParts.push_back(C.Part);
    EXPECT_EQ(SplitParts, (std::vector<int>{TP_SPLITBUTTON, TP_SPLITBUTTONDROPDOWN}));

    // Separators: a stroke across the horizontal bar at each group's gap.
    int32_t Separators = 0;
    TcbBarItemLinks* Links = F.Standard->GetItemLinks();
    for (int32_t I = 0; I < Links->GetCount(); ++I) {
        TcbBarItemLink* Link = Links->GetItem(I);
        if (!Link->GetBeginGroup() || !Link->GetControl())
            continue;
        const TRect Whole = Link->GetItemRectWithBeginGroup();
        const TRect R = Link->GetControl()->GetItemRect();
        const RECT Gap{Whole.left, R.top, R.left, R.bottom};
        const std::vector<TThemeCall> Found = Calls.At(tcToolBar, W, Gap);
        ASSERT_EQ(Found.size(), 1u) << "separator before link " << I;
        EXPECT_EQ(Found[0].Part, TP_SEPARATOR) << "a vertical stroke between the buttons of a horizontal bar";
        ++Separators;
    }
    EXPECT_EQ(Separators, 3);

    // The checked button's pixels: the bar's background and the theme's checked button, drawn
    // by the test, around the glyph.
    {
        const TRect Client = Standard->GetClientRect();
        TRefBitmap Ref(Client.right, Client.bottom);
        TOwnThemeHandle Status(L"Status"), ToolBar(L"ToolBar");
        Ref.Fill(BrushColor(F.Manager->GetThemedBarBrush()));
        Status.Draw(Ref.DC(), 0, 0, RECT{0, 0, Client.right, Client.bottom});
        const TRect R = F.Of(F.Standard, F.Checked)->GetItemRect();
        // The button lies on its own fill of the bar brush.
        Ref.Fill(BrushColor(F.Manager->GetThemedBarBrush()), &R);
        ToolBar.Draw(Ref.DC(), TP_BUTTON, TS_CHECKED, R);
        const TestSupport::TShot Shot = TestSupport::CaptureShown(W);
        // The glyph, shifted by one as the button is down, covers all but the top and left edges.
        int32_t Compared = 0;
        for (int32_t Y = R.top; Y < R.bottom; ++Y)
            for (int32_t X = R.left; X < R.right; ++X)
                if (X == R.left || Y == R.top) {
                    ++Compared;
                    EXPECT_EQ(ClientPixel(Shot, W, X, Y), Ref.Pixel(X, Y)) << "checked button at " << X << "," << Y;
                }
        EXPECT_GE(Compared, 2 * (R.bottom - R.top) - 1);
    }

    // The mark in each state; without a border it is 2 pixels shorter across the bar.
    const TRect Mark = XPPainter()->GetMarkRect(Standard);
    ASSERT_FALSE(IsRectEmpty(&Mark));
    for (bool Borderless : {false, true}) {
        F.Standard->SetBorderStyle(Borderless ? bbsNone : bbsSingle);
        PumpPosted("the border change handled");
        const TRect M = XPPainter()->GetMarkRect(Standard);
        // At rest as a full paint draws it; the hot and pressed states as the bar draws the
        // change.
        for (TcbButtonState State : {bstNormal, bstHot, bstPressed}) {
            Calls.Clear();
            if (State == bstNormal)
                Repaint(W);
            Standard->SetMarkState(State);
            TestSupport::CaptureShown(W);
            // A paint draws in client coordinates, the redraw of a change on the window's DC.
            const TPoint O = Standard->GetClientOffset();
            std::vector<TThemeCall> Found;
            for (TThemeCall C : Calls.Of(tcToolBar, W)) {
                if (C.R.left == M.left + O.x && C.R.right == M.right + O.x)
                    OffsetRect(&C.R, -O.x, -O.y);
                if (C.Part == TP_BUTTON && C.R.left == M.left && C.R.right == M.right)
                    Found.push_back(C);
            }
            ASSERT_FALSE(Found.empty()) << "mark state " << State << (Borderless ? " borderless" : "");
            EXPECT_EQ(Found.back().State, State + 1);
            EXPECT_EQ(Found.back().R.bottom - Found.back().R.top, (M.bottom - M.top) - (Borderless ? 2 : 0));
            EXPECT_EQ(Found.back().R.top, M.top + (Borderless ? 1 : 0));
        }
        Standard->SetMarkState(bstNormal);
    }
    F.Standard->SetBorderStyle(bbsSingle);

    // A bar that cannot move draws no grip.
    F.Standard->SetNotDocking({dsNone, dsLeft, dsTop, dsRight, dsBottom});
    PumpPosted("the docking change handled");
    Calls.Clear();
    Repaint(W);
    EXPECT_FALSE(Calls.Of(tcToolBar, W).empty()) << "the bar was painted";
    EXPECT_TRUE(Calls.Of(tcRebar, W).empty()) << "a grip on a bar that cannot move";
}

TEST(XPWindowsToolbars, AVerticallyDockedBarHasAVerticalGripAndHorizontalSeparators)
{
    REQUIRE_THEMES();
    TXPScene F;
    F.Tools->GetItemLinks()->GetItem(1)->SetBeginGroup(true);
    F.Tools->SetDockingStyle(dsLeft);
    TestSupport::PumpUntil([&] {
        TcbBarControl* Window = F.WindowOf(F.Tools);
        return Window && Window->GetDockingStyle() == dsLeft && IsWindowVisible(Window->GetHandle());
    }, 5000, "Tools docked on the left");
    PumpPosted("the docking handled");
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    ASSERT_NE(Tools, nullptr);
    const HWND W = Tools->GetHandle();
    TThemeCallRecorder Calls;
    Repaint(W);
    const int32_t Grip = XPPainter()->GetGripWidth(nullptr);
    RECT WR{};
    GetWindowRect(W, &WR);
    const RECT GripRect{2, 2, WR.right - WR.left - 2, 2 + Grip};
    const std::vector<TThemeCall> Grips = Calls.Of(tcRebar, W);
    ASSERT_EQ(Grips.size(), 1u);
    EXPECT_EQ(Grips[0].Part, RP_GRIPPERVERT);
    EXPECT_EQ(Grips[0].State, 1);
    EXPECT_TRUE(EqualRect(&Grips[0].R, &GripRect));

    TcbBarItemLink* Link = F.Tools->GetItemLinks()->GetItem(1);
    const TRect Whole = Link->GetItemRectWithBeginGroup();
    const TRect R = Link->GetControl()->GetItemRect();
    const RECT Gap{R.left, Whole.top, R.right, R.top};
    const std::vector<TThemeCall> Found = Calls.At(tcToolBar, W, Gap);
    ASSERT_EQ(Found.size(), 1u);
    EXPECT_EQ(Found[0].Part, TP_SEPARATORVERT) << "a horizontal stroke between the buttons of a vertical bar";
}

// ---------------------------------------------------------------------------------------------
// Menus

TEST(XPWindowsMenus, TheMenuWindowHasItsShadowFrameMenuRowsHighlightedHotRowAndThemedGroupBand)
{
    REQUIRE_THEMES();
    TXPScene F;
    TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
    ASSERT_NE(Menu, nullptr);
    const HWND W = Menu->GetHandle();
    // The second row hot, by the menu's own keys: the screen as the menu drew the moves.
    SendMessageA(W, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(W, WM_KEYDOWN, VK_DOWN, 0);
    TcbBarItemControl* Hot = Menu->GetSelectedControl();
    ASSERT_NE(Hot, nullptr);
    const TestSupport::TShot Shot = TestSupport::CaptureShown(W);
    TestSupport::SaveShot(Shot, "xp-menu");
    // The calls of one full paint, for the parts each row and band is drawn with.
    TThemeCallRecorder Calls;
    Repaint(W);
    const std::vector<TThemeCall> Painted = Calls.Of(tcToolBar);

    const COLORREF Shadow = GetSysColor(COLOR_BTNSHADOW), MenuColor = GetSysColor(COLOR_MENU),
                   Highlight = GetSysColor(COLOR_HIGHLIGHT);
    for (const POINT& P : {POINT{0, 0}, POINT{Shot.W - 1, 0}, POINT{0, Shot.H - 1}, POINT{Shot.W - 1, Shot.H - 1},
                           POINT{Shot.W / 2, 0}, POINT{0, Shot.H / 2}})
        TestSupport::ExpectPixel(Shot, P.x, P.y, Shadow, "the menu's outer frame");

    // Every row lies on the menu colour except its text; the hot row's caption area is the highlight.
    for (TcbBarItem* Item : std::vector<TcbBarItem*>{F.New, F.Open, F.Save, F.Print}) {
        TcbBarItemControl* C = F.ControlOf(Menu, Item);
        ASSERT_NE(C, nullptr);
        const TRect R = C->GetItemRect();
        const int32_t H = R.bottom - R.top;
        const bool IsHot = C == Hot;
        const COLORREF Caption = IsHot ? Highlight : MenuColor;
        const std::string Name = Item->GetCaption();
        EXPECT_EQ(ClientPixel(Shot, W, R.left + H + 1, R.top + 1), Caption) << Name << ": right of the glyph column";
        EXPECT_EQ(ClientPixel(Shot, W, R.right - 2, R.top + 1), Caption) << Name << ": caption area, top";
        EXPECT_EQ(ClientPixel(Shot, W, R.right - 2, R.bottom - 2), Caption) << Name << ": caption area, bottom";
        EXPECT_EQ(ClientPixel(Shot, W, (R.left + R.right) / 2, R.bottom - 2), Caption) << Name;
        if (!IsHot && Item != F.Open) {
            EXPECT_EQ(ClientPixel(Shot, W, R.left + 1, R.top + 1), MenuColor) << Name << ": the glyph column";
        }
    }
    EXPECT_EQ(Hot, F.ControlOf(Menu, F.Open));
    {
        const TRect R = Hot->GetItemRect();
        const RECT CaptionArea{R.left + (R.bottom - R.top), R.top, R.right, R.bottom};
        for (const TThemeCall& C : Painted) {
            RECT Common{};
            EXPECT_FALSE(IntersectRect(&Common, &C.R, &CaptionArea)) << "a themed part in the hot row's caption area";
        }
    }

    // The group band above "Recent": the menu colour, then the separator part, as the test draws it.
    const TRect Recent = F.ControlOf(Menu, F.Recent)->GetItemRect();
    const int32_t Size = XPPainter()->GetSubMenuBeginGroupSize();
    ASSERT_GT(Size, 0);
    const RECT Band{Recent.left, Recent.top - Size, Recent.right, Recent.top};
    std::vector<TThemeCall> Group;
    for (const TThemeCall& C : Painted)
        if (EqualRect(&C.R, &Band))
            Group.push_back(C);
    ASSERT_EQ(Group.size(), 1u);
    EXPECT_EQ(Group[0].Part, TP_SEPARATORVERT);
    EXPECT_EQ(Group[0].State, TS_NORMAL);
    const int32_t BW = Band.right - Band.left;
    TRefBitmap Ref(BW, Size);
    Ref.Fill(MenuColor);
    TOwnThemeHandle ToolBar(L"ToolBar");
    ToolBar.Draw(Ref.DC(), TP_SEPARATORVERT, TS_NORMAL, RECT{0, 0, BW, Size});
    int32_t Differences = 0;
    for (int32_t Y = 0; Y < Size; ++Y)
        for (int32_t X = 0; X < BW; ++X)
            if (ClientPixel(Shot, W, Band.left + X, Band.top + Y) != Ref.Pixel(X, Y))
                ++Differences;
    EXPECT_EQ(Differences, 0) << "the group band differs from the test's drawing";
    F.CloseMenus();
}

// ---------------------------------------------------------------------------------------------
// Main menu titles

TEST(XPWindowsMainMenu, ATitleSelectedInTheKeyboardModeOrOpenIsAHighlightBlockWithoutToolBarParts)
{
    REQUIRE_THEMES();
    TXPScene F;
    TcbBarControl* Bar = F.WindowOf(F.MainMenu);
    const HWND W = Bar->GetHandle();
    TcbBarItemControl* File = F.Of(F.MainMenu, F.File);
    TcbBarItemControl* Edit = F.Of(F.MainMenu, F.Menus[1]);
    ASSERT_TRUE(File && Edit);
    const COLORREF Highlight = GetSysColor(COLOR_HIGHLIGHT), Text = GetSysColor(COLOR_HIGHLIGHTTEXT);
    auto ExpectBlock = [&](TcbBarItemControl* Title, const std::string& How, TThemeCallRecorder& Calls) {
        const TRect R = Title->GetItemRect();
        const TestSupport::TShot Shot = TestSupport::CaptureShown(W);
        size_t Block = 0, Caption = 0, Other = 0;
        for (int32_t Y = R.top; Y < R.bottom; ++Y)
            for (int32_t X = R.left; X < R.right; ++X) {
                const COLORREF C = ClientPixel(Shot, W, X, Y);
                if (C == Highlight)
                    ++Block;
                else if (C == Text)
                    ++Caption;
                else
                    ++Other;
            }
        EXPECT_EQ(Other, 0u) << How << ": pixels that are neither the block nor its caption";
        EXPECT_GT(Caption, 0u) << How << ": the caption on the block";
        EXPECT_GT(Block, Caption) << How;
        for (const POINT& P : {POINT{R.left, R.top}, POINT{R.right - 1, R.top}, POINT{R.left, R.bottom - 1},
                               POINT{R.right - 1, R.bottom - 1}})
            EXPECT_EQ(ClientPixel(Shot, W, P.x, P.y), Highlight) << How << ": corner " << P.x << "," << P.y;
        for (const TThemeCall& C : Calls.Of(tcToolBar, W)) {
            RECT Common{};
            EXPECT_FALSE(IntersectRect(&Common, &C.R, &R))
                << How << ": a ToolBar part " << C.Part << " over the title";
        }
    };

    // The keyboard mode selects the first title; each change as the bar drew it.
    {
        TThemeCallRecorder Calls;
        Bar->EnterKeyboardMode(File);
        ASSERT_EQ(Bar->GetSelectedControl(), File);
        ExpectBlock(File, "selected in the keyboard mode", Calls);
        // The next title: the block moves with the selection.
        Calls.Clear();
        SendMessageA(W, WM_KEYDOWN, VK_RIGHT, 0);
        ASSERT_EQ(Bar->GetSelectedControl(), Edit);
        ExpectBlock(Edit, "moved right in the keyboard mode", Calls);
        const TestSupport::TShot Shot = TestSupport::CaptureShown(W);
        const TRect R = File->GetItemRect();
        EXPECT_NE(ClientPixel(Shot, W, R.left + 1, R.top + 1), Highlight) << "the title left behind";
        SendMessageA(W, WM_KEYDOWN, VK_ESCAPE, 0);
        PumpPosted("the Esc handled");
    }
    // Open (pressed): the same block while its menu shows.
    {
        TThemeCallRecorder Calls;
        TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
        ASSERT_NE(Menu, nullptr);
        ExpectBlock(File, "open", Calls);
        F.CloseMenus();
    }
}

// ---------------------------------------------------------------------------------------------
// Pictures

TEST(XPWindowsPictures, TheToolbarsAndTheDockSites)
{
    REQUIRE_THEMES();
    TXPScene F;
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(F.Site(dsTop)->GetHandle()), "xp-dock-top");
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(F.Site(dsBottom)->GetHandle()), "xp-dock-bottom");
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(F.Form->GetHandle()), "xp-form");
}
