// The bar window base and the button controls, driven by messages: focus refusal and hot
// tracking, the click road (a command runs once, after the click code, and may free what was
// clicked), sizes, keyboard navigation and accelerators, and the customizing mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"
#include "tests/commandbars/support/ControlsFixture.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::BrushColor;
using CommandBarsTest::WithKeyDown;
using CommandBarsTest::TControlsFixture;

namespace {

bool FlatPainterLanded()
{
    return StylePainter(bmsFlat) != StylePainter(bmsEnhanced);
}

COLORREF ShotColor(const TestSupport::TShot& Shot, int32_t X, int32_t Y)
{
    const uint32_t P = Shot.At(X, Y);
    return RGB((P >> 16) & 0xFF, (P >> 8) & 0xFF, P & 0xFF);
}

// A button whose control logs where its click handling begins and ends, so that a test can
// place the command's run against it.
std::vector<std::string> gLog;

class TLoggedButton : public TcbBarButton {
public:
    explicit TLoggedButton(TComponent* AOwner) : TcbBarButton(AOwner) {}
    std::string ClassName() const override { return "TLoggedButton"; }
};

class TLoggedButtonControl : public TcbBarButtonControl {
public:
    using TcbBarButtonControl::TcbBarButtonControl;
    void ControlClick(bool ByMouse) override
    {
        gLog.push_back("click begins");
        TcbBarButtonControl::ControlClick(ByMouse);
        gLog.push_back("click ends");
    }
};


class BarControl : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterBarItemClass(cbItemClassOf("TLoggedButton"), [](TCustomcbBarControl* Bar, TcbBarItemLink* Link) {
            return static_cast<TcbBarItemControl*>(new TLoggedButtonControl(Bar, Link));
        }, false);
        gLog.clear();
    }
    void TearDown() override { UnregisterBarItemClass(cbItemClassOf("TLoggedButton")); }

    // A logged button X on the bar, image 0, whose click runs Command.
    TLoggedButton* AddLogged(TControlsFixture& F, std::function<void()> Command)
    {
        auto* X = new TLoggedButton(F.Form.get());
        X->SetCaption("X");
        X->SetImageIndex(0);
        X->SetOnClick([Command](TObject*) {
            gLog.push_back("command");
            Command();
        });
        F.Bar->GetItemLinks()->Add()->SetItem(X);
        F.Window->RebuildBar();
        EXPECT_NE(nullptr, F.ControlOf(X));
        return X;
    }
};

} // namespace

TEST_F(BarControl, NeverTakesTheFocusAndTracksTheHotItem)
{
    TControlsFixture F;
    const HWND Bar = F.Window->GetHandle();
    ASSERT_EQ(F.Edit->GetHandle(), GetFocus());
    EXPECT_EQ(MA_NOACTIVATE, SendMessageA(Bar, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(F.Form->GetHandle()),
                                          MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)));
    F.Click(F.A);
    EXPECT_EQ(F.Edit->GetHandle(), GetFocus()) << "a click on a button leaves the focus where it was";
    EXPECT_EQ(1, F.ActA.Runs);

    ::SetFocus(nullptr);
    SendMessageA(Bar, WM_SETFOCUS, 0, 0);
    const HWND Focus = GetFocus();
    EXPECT_TRUE(Focus == F.Form->GetHandle() || IsChild(F.Form->GetHandle(), Focus)) << "the form takes the focus";

    // The cursor still stands where the click left it: a move there is ignored.
    F.MoveTo(F.Window, F.CentreOf(F.A));
    EXPECT_EQ(nullptr, F.Window->GetSelectedControl());
    F.MoveTo(F.Window, TPoint{F.CentreOf(F.A).x + 1, F.CentreOf(F.A).y});
    EXPECT_EQ(F.ControlOf(F.A), F.Window->GetSelectedControl());
    EXPECT_EQ(F.ControlOf(F.A), F.Manager->GetSelectedItemControl());
    EXPECT_EQ("The A command", F.Window->GetHint());
    if (FlatPainterLanded()) {
        const TRect R = F.RectOf(F.A);
        const TestSupport::TShot Shot = TestSupport::CaptureShown(Bar);
        TestSupport::ExpectPixel(Shot, R.left + 1, R.top + 1, BrushColor(F.Window->GetSelectedItemBrush()),
                                 "the hot button's face");
    }
    F.MoveTo(F.Window, F.CentreOf(F.C));
    EXPECT_EQ(nullptr, F.Window->GetSelectedControl()) << "a disabled button is never hot";
    EXPECT_EQ("", F.Window->GetHint());
    F.MoveTo(F.Window, F.CentreOf(F.A));
    ASSERT_EQ(F.ControlOf(F.A), F.Window->GetSelectedControl());
    SendMessageA(Bar, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(nullptr, F.Window->GetSelectedControl());
}

TEST_F(BarControl, TheHintOfADisabledButtonShowsOnlyWhenAsked)
{
    TControlsFixture F;
    F.Manager->SetShowHintForDisabledItems(true);
    F.Window->SetIsActive(true);
    F.Window->SelectControlByKeyboard(F.ControlOf(F.C));
    EXPECT_EQ("The C command", F.Window->GetHint());
    F.Manager->SetShowHintForDisabledItems(false);
    F.Window->SelectControlByKeyboard(F.ControlOf(F.A));
    F.Window->SelectControlByKeyboard(F.ControlOf(F.C));
    EXPECT_EQ("", F.Window->GetHint());
}

TEST_F(BarControl, AClickRunsTheCommandOnceAndADisabledOneNever)
{
    TControlsFixture F;
    F.Click(F.A);
    EXPECT_EQ(1, F.ActA.Runs);
    EXPECT_EQ(0, QueuedClickCount());
    F.Click(F.C);
    EXPECT_EQ(0, F.ActC.Runs);

    std::vector<bool> Seen;
    F.ActB.Action->SetOnExecute([&](TObject*) { Seen.push_back(F.B->GetDown()); });
    F.Click(F.B);
    F.Click(F.B);
    EXPECT_EQ((std::vector<bool>{true, false}), Seen) << "one toggle per click, done before the command";
    EXPECT_FALSE(F.B->GetDown());
}

TEST_F(BarControl, ACommandMayHideOrFreeWhatWasClicked)
{
    TestSupport::TExceptionCapture Errors;
    {
        TControlsFixture F;
        TLoggedButton* X = nullptr;
        X = AddLogged(F, [&] { X->SetVisible(ivNever); });
        F.Click(X);
        EXPECT_EQ((std::vector<std::string>{"click begins", "click ends", "command"}), gLog);
        EXPECT_EQ(nullptr, F.ControlOf(X)) << "the hidden item lost its control";
        F.Click(F.B);
        EXPECT_EQ(1, F.ActB.Runs);
    }
    {
        TControlsFixture F;
        TLoggedButton* X = nullptr;
        X = AddLogged(F, [&] { X->Free(); });
        gLog.clear();
        F.Click(X);
        EXPECT_EQ((std::vector<std::string>{"click begins", "click ends", "command"}), gLog);
        EXPECT_EQ(F.Bar->GetItemLinks()->GetCount(), 7);
        F.Click(F.B);
        EXPECT_EQ(1, F.ActB.Runs);
    }
    {
        TControlsFixture F;
        TLoggedButton* X = AddLogged(F, [&] { F.FreeWindow(); });
        gLog.clear();
        F.Click(X);
        EXPECT_EQ((std::vector<std::string>{"click begins", "click ends", "command"}), gLog);
        EXPECT_EQ(nullptr, F.Window);
        EXPECT_EQ(nullptr, F.Bar->GetItemLinks()->GetBarControl());
        // A new window over the same links still clicks.
        F.Window = new CommandBarsTest::TTestBarWindow(F.Manager, F.Bar->GetItemLinks(), F.Form.get());
        F.Window->ShowAt(100, 300);
        F.Click(F.B);
        EXPECT_EQ(1, F.ActB.Runs);
    }
    EXPECT_EQ(0u, Errors.Count());
}

TEST_F(BarControl, AFailingCommandIsReportedOnceAndTheButtonGoesBackToPlain)
{
    TestSupport::TExceptionCapture Errors;
    TControlsFixture F;
    F.ActA.Action->SetOnExecute([](TObject*) { throw Exception("the command failed"); });
    F.Click(F.A);
    ASSERT_EQ(1u, Errors.Count());
    EXPECT_EQ("the command failed", Errors.Entries()[0].Message);
    EXPECT_EQ(nullptr, F.A->GetClickItemLink()) << "the record of the clicked link is cleared";
    SendMessageA(F.Window->GetHandle(), WM_MOUSELEAVE, 0, 0);
    const TestSupport::TShot Shot = TestSupport::CaptureShown(F.Window->GetHandle());
    const TRect R = F.RectOf(F.A);
    TestSupport::ExpectPixel(Shot, R.left + 1, R.top + 1, ShotColor(Shot, 0, 0), "the button after the failure");
}

TEST_F(BarControl, ButtonSizesFollowThePainterAndTheManager)
{
    TControlsFixture F;
    TcbPainterClass Painter = F.Manager->GetPainterClass();
    auto Size = [&](TcbBarItem* Item) {
        const TRect R = F.RectOf(Item);
        return std::pair<int32_t, int32_t>(R.right - R.left, R.bottom - R.top);
    };
    EXPECT_EQ(std::make_pair(F.Manager->GetButtonWidth(), F.Manager->GetButtonHeight()), Size(F.A));
    EXPECT_EQ(Size(F.A).first + Painter->GetButtonArrowWidth(F.Manager), Size(F.D).first);
    if (FlatPainterLanded()) {
        EXPECT_EQ(std::make_pair(23, 22), Size(F.A));
        EXPECT_EQ(std::make_pair(33, 22), Size(F.D));
    }
    const int32_t Rebuilds = F.Window->GetRebuildCount();
    F.Manager->SetLargeIcons(true);
    EXPECT_GT(F.Window->GetRebuildCount(), Rebuilds) << "the live window is rebuilt";
    EXPECT_EQ(std::make_pair(F.Manager->GetButtonWidth(), F.Manager->GetButtonHeight()), Size(F.A));
    if (FlatPainterLanded()) {
        EXPECT_EQ(std::make_pair(39, 38), Size(F.A));
    }
    F.Manager->SetLargeIcons(false);
    F.Manager->SetButtonArrowWidth(13);
    EXPECT_EQ(Size(F.A).first + Painter->GetButtonArrowWidth(F.Manager), Size(F.D).first);
    if (FlatPainterLanded()) {
        EXPECT_EQ(35, Size(F.D).first);
    }
}

TEST_F(BarControl, ArrowsWrapAndTabMovesOnAndBack)
{
    TControlsFixture F;
    F.Window->SetIsActive(true);
    F.Key(F.Window, VK_RIGHT);
    EXPECT_EQ(F.ControlOf(F.A), F.Window->GetSelectedControl()) << "the first move selects the first";
    F.Key(F.Window, VK_LEFT);
    EXPECT_EQ(F.ControlOf(F.S), F.Window->GetSelectedControl()) << "left from the first wraps to the last";
    F.Key(F.Window, VK_RIGHT);
    EXPECT_EQ(F.ControlOf(F.A), F.Window->GetSelectedControl()) << "right from the last wraps to the first";
    F.Key(F.Window, VK_TAB);
    EXPECT_EQ(F.ControlOf(F.B), F.Window->GetSelectedControl());
    WithKeyDown(VK_SHIFT, [&] { F.Key(F.Window, VK_TAB); });
    EXPECT_EQ(F.ControlOf(F.A), F.Window->GetSelectedControl());
    F.Key(F.Window, VK_END);
    EXPECT_EQ(F.ControlOf(F.S), F.Window->GetSelectedControl());
    F.Key(F.Window, VK_HOME);
    EXPECT_EQ(F.ControlOf(F.A), F.Window->GetSelectedControl());
    for (int I = 0; I < 3; ++I)
        F.Key(F.Window, VK_TAB);
    ASSERT_EQ(F.ControlOf(F.D), F.Window->GetSelectedControl());
    F.Key(F.Window, VK_TAB);
    auto* Edit = dynamic_cast<TcbBarEditControl*>(F.ControlOf(F.E));
    ASSERT_NE(nullptr, Edit);
    EXPECT_TRUE(Edit->IsEditing()) << "landing on an edit by Tab starts editing";
    EXPECT_EQ(Edit->GetEditor(), GetFocus());
    F.Key(F.Window, VK_MENU);
    EXPECT_FALSE(F.Window->IsActiveBar()) << "Alt ends the menu mode";
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    EXPECT_FALSE(Edit->IsEditing());
    EXPECT_EQ(0, F.ActA.Runs + F.ActB.Runs + F.ActC.Runs + F.ActD.Runs);
}

TEST_F(BarControl, ArrowsOnAVerticalToolbarMoveAlongIt)
{
    TControlsFixture F;
    F.Window->DockAt(dsLeft);
    F.Window->SetIsActive(true);
    F.Key(F.Window, VK_DOWN);
    EXPECT_EQ(F.ControlOf(F.A), F.Window->GetSelectedControl());
    F.Key(F.Window, VK_DOWN);
    EXPECT_EQ(F.ControlOf(F.B), F.Window->GetSelectedControl());
    F.Key(F.Window, VK_UP);
    EXPECT_EQ(F.ControlOf(F.A), F.Window->GetSelectedControl());
}

TEST_F(BarControl, ALetterRunsItsOnlyCommandAndMovesBetweenShared)
{
    TControlsFixture F;
    F.Menu->SetIsActive(true);
    F.Key(F.Menu, 'O');
    EXPECT_EQ(1, F.ActOpen.Runs);
    EXPECT_FALSE(F.Menu->IsActiveBar()) << "the command closed the menu";

    F.Paste->SetCaption("&Paste");
    F.Menu->SetIsActive(true);
    F.Key(F.Menu, 'P');
    EXPECT_EQ(F.ControlOf(F.Print), F.Menu->GetSelectedControl());
    F.Key(F.Menu, 'P');
    EXPECT_EQ(F.ControlOf(F.Paste), F.Menu->GetSelectedControl());
    F.Key(F.Menu, 'P');
    EXPECT_EQ(F.ControlOf(F.Print), F.Menu->GetSelectedControl());
    EXPECT_EQ(0, F.ActPrint.Runs + F.ActPaste.Runs);
    F.Key(F.Menu, VK_DOWN);
    EXPECT_EQ(F.ControlOf(F.Paste), F.Menu->GetSelectedControl()) << "in a menu Down moves on";
    F.Key(F.Menu, 'Z');
    EXPECT_EQ(F.ControlOf(F.Paste), F.Menu->GetSelectedControl()) << "a letter of no link changes nothing";
}

TEST_F(BarControl, ShiftWithALetterPicksOnlyAnUpperCaseAccelerator)
{
    TControlsFixture F;
    F.Print->SetCaption("&print");
    F.Menu->SetIsActive(true);
    WithKeyDown(VK_SHIFT, [&] { F.Key(F.Menu, 'P'); });
    EXPECT_NE(F.ControlOf(F.Print), F.Menu->GetSelectedControl()) << "Shift+P is no match for \"&print\"";
    EXPECT_EQ(0, F.ActPrint.Runs);
    WithKeyDown(VK_SHIFT, [&] { F.Key(F.Menu, 'O'); });
    EXPECT_EQ(1, F.ActOpen.Runs) << "Shift+O still picks \"&Open\"";
    F.Menu->SetIsActive(true);
    WithKeyDown(VK_CONTROL, [&] { F.Key(F.Menu, 'O'); });
    EXPECT_EQ(1, F.ActOpen.Runs) << "Ctrl+O is no accelerator";
    F.Key(F.Menu, 'P');
    EXPECT_EQ(1, F.ActPrint.Runs) << "P alone runs \"&print\"";
}

TEST_F(BarControl, CustomizingRemakesTheControlsAndDragsInsteadOfClicking)
{
    TControlsFixture F;
    std::vector<std::pair<TcbBarItem*, TcbBarItemLink*>> Drags;
    cbExtensions().DragItemLink = [&](TcbBarManager*, TcbBarItem* Item, TcbBarItemLink* Link) {
        Drags.emplace_back(Item, Link);
    };
    TScopeExit Reset([] { cbExtensions().DragItemLink = nullptr; });
    F.E->SetVisible(ivInCustomizing);
    EXPECT_EQ(nullptr, F.ControlOf(F.E));
    // A mark on the old control: a control made anew does not carry it (the new one may take the
    // old one's address).
    F.ControlOf(F.A)->SetSelectedByMouse(true);

    F.Manager->SetIsCustomizing(true);
    ASSERT_NE(nullptr, F.ControlOf(F.A));
    EXPECT_FALSE(F.ControlOf(F.A)->IsSelectedByMouse()) << "the controls were dropped and made again";
    EXPECT_NE(nullptr, F.ControlOf(F.E)) << "an item shown only while customizing gets a control";
    F.Window->RebuildBar();

    F.MoveTo(F.Window, F.CentreOf(F.B));
    EXPECT_EQ(nullptr, F.Window->GetSelectedControl()) << "moves select nothing while customizing";
    F.Click(F.A);
    EXPECT_EQ(F.ControlOf(F.A), F.Window->GetSelectedControl());
    EXPECT_EQ(F.ControlOf(F.A), F.Manager->GetSelectedItemControl());
    EXPECT_EQ(0, F.ActA.Runs) << "a click runs nothing while customizing";
    EXPECT_TRUE(Drags.empty());

    const TPoint P = F.CentreOf(F.B);
    F.Press(F.Window, P);
    EXPECT_EQ(F.ControlOf(F.B), F.Manager->GetSelectedItemControl());
    F.MoveTo(F.Window, TPoint{P.x + 1, P.y});
    EXPECT_TRUE(Drags.empty()) << "a move inside the drag rectangle starts no drag";
    F.MoveTo(F.Window, TPoint{P.x + GetSystemMetrics(SM_CXDRAG) + 2, P.y});
    ASSERT_EQ(1u, Drags.size());
    EXPECT_EQ(F.B, Drags[0].first);
    EXPECT_EQ(F.ControlOf(F.B)->GetLink(), Drags[0].second);
    F.Release(F.Window, P);
    EXPECT_EQ(1u, Drags.size());

    F.Manager->SetIsCustomizing(false);
    EXPECT_EQ(nullptr, F.ControlOf(F.E));
    F.Window->RebuildBar();
    F.Click(F.A);
    EXPECT_EQ(1, F.ActA.Runs);
}

TEST_F(BarControl, TheDropHitTestNamesControlSideAndDirection)
{
    TControlsFixture F;
    F.Manager->SetIsCustomizing(true);
    F.Window->RebuildBar();
    const TRect R = F.RectOf(F.B);
    const int32_t MidY = (R.top + R.bottom) / 2;
    bool Vertical = true, Outside = true, Leading = false;
    EXPECT_EQ(F.ControlOf(F.B), F.Window->GetDropControlAtPos(TPoint{R.left + 2, MidY}, Vertical, Outside, Leading));
    EXPECT_FALSE(Vertical);
    EXPECT_FALSE(Outside);
    EXPECT_TRUE(Leading);
    EXPECT_EQ(F.ControlOf(F.B), F.Window->GetDropControlAtPos(TPoint{R.right - 2, MidY}, Vertical, Outside, Leading));
    EXPECT_FALSE(Leading);
    // A point just above the rect, inside the group-line region.
    TcbBarItemLink* Link = F.ControlOf(F.B)->GetLink();
    Link->SetItemRectWithBeginGroup(TRect{R.left, R.top - 2, R.right, R.bottom});
    EXPECT_EQ(F.ControlOf(F.B), F.Window->GetDropControlAtPos(TPoint{R.left + 2, R.top - 1}, Vertical, Outside, Leading));
    EXPECT_TRUE(Outside);
    EXPECT_TRUE(Vertical);

    const TRect M = F.RectOf(F.Print);
    EXPECT_EQ(F.ControlOf(F.Print), F.Menu->GetDropControlAtPos(TPoint{M.right - 2, M.top + 1}, Vertical, Outside, Leading));
    EXPECT_TRUE(Vertical);
    EXPECT_TRUE(Leading) << "in a menu the leading half is the upper one";
    EXPECT_EQ(F.ControlOf(F.Print), F.Menu->GetDropControlAtPos(TPoint{M.left + 1, M.bottom - 1}, Vertical, Outside, Leading));
    EXPECT_FALSE(Leading);
    F.Manager->SetIsCustomizing(false);
}

TEST_F(BarControl, AWindowThatNeverHadAHandleGoesCleanly)
{
    TControlsFixture F;
    auto* Extra = new CommandBarsTest::TTestBarWindow(F.Manager, nullptr, F.Form.get());
    EXPECT_TRUE(TCustomcbBarControl::IsLiveBarControl(Extra));
    EXPECT_TRUE(IsBarControl(Extra));
    Extra->Free();
    EXPECT_FALSE(TCustomcbBarControl::IsLiveBarControl(Extra));
    EXPECT_FALSE(IsBarControl(Extra));
}

TEST_F(BarControl, ControlsComeFromTheExactItemClassRegistered)
{
    const char* kVisible[] = {"TcbBarButton", "TcbBarEdit", "TCustomcbBarCombo", "TcbBarCombo", "TcbBarSubItem",
                              "TcbBarListItem", "TcbBarContainerItem"};
    for (int32_t I = 0; I < 7; ++I) {
        ASSERT_NE(nullptr, GetVisibleBarItemClass(I));
        EXPECT_EQ(kVisible[I], GetVisibleBarItemClass(I)->Name);
        EXPECT_EQ(cbItemClassOf(kVisible[I]), GetVisibleBarItemClass(I));
    }
    EXPECT_EQ(nullptr, GetVisibleBarItemClass(7));

    TControlsFixture F;
    // A kind of its own without a registration of its own gets no control, even though its
    // ancestor has one.
    auto* Custom = new TcbBarCustomCombo(F.Form.get());
    TcbBarItemLink* Link = F.Bar->GetItemLinks()->Add();
    Link->SetItem(Custom);
    Link->CreateControl();
    EXPECT_EQ(nullptr, Link->GetControl());
    EXPECT_NE(nullptr, dynamic_cast<TcbBarComboControl*>(F.ControlOf(F.K)));
    EXPECT_NE(nullptr, dynamic_cast<TcbBarEditControl*>(F.ControlOf(F.E)));
    EXPECT_EQ(nullptr, dynamic_cast<TcbBarComboControl*>(F.ControlOf(F.E)));

    // On a toolbar docked at the side that turns its items, window items show as buttons.
    F.Window->DockAt(dsLeft);
    F.Window->DestroyControls();
    EXPECT_EQ(nullptr, F.ControlOf(F.E));
    F.Window->CreateControls();
    EXPECT_EQ(nullptr, dynamic_cast<TcbBarWinControl*>(F.ControlOf(F.E)));
    EXPECT_NE(nullptr, dynamic_cast<TcbBarButtonControl*>(F.ControlOf(F.E)));
    F.Bar->SetRotateWhenVertical(false);
    F.Window->DestroyControls();
    F.Window->CreateControls();
    EXPECT_NE(nullptr, dynamic_cast<TcbBarEditControl*>(F.ControlOf(F.E)));
}

TEST_F(BarControl, TheActiveChainOrdersWindowsAndFiltersTheMouse)
{
    TControlsFixture F;
    F.Menu->SetParentBar(F.Window);
    F.Window->SetIsActive(true);
    F.Menu->SetIsActive(true);
    EXPECT_EQ(F.Menu, TCustomcbBarControl::ActiveBarControl());
    F.Menu->SetIsActive(false);
    EXPECT_EQ(F.Window, TCustomcbBarControl::ActiveBarControl()) << "the previous active window comes back";
    F.Menu->SetIsActive(true);

    // A window outside the chain of the active one hears no mouse; its ancestors do.
    TcbBar* OtherBar = F.Manager->GetBars()->Add();
    auto* Lone = new TcbBarButton(F.Form.get());
    Lone->SetImageIndex(1);
    int LoneRuns = 0;
    Lone->SetOnClick([&](TObject*) { ++LoneRuns; });
    OtherBar->GetItemLinks()->Add()->SetItem(Lone);
    auto* Other = new CommandBarsTest::TTestBarWindow(F.Manager, OtherBar->GetItemLinks(), F.Form.get());
    TScopeExit Free([Other] { Other->Free(); });
    Other->ShowAt(100, 100);
    const TPoint LonePoint = F.CentreOf(Lone);
    SendMessageA(Other->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(LonePoint.x, LonePoint.y));
    SendMessageA(Other->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(LonePoint.x, LonePoint.y));
    EXPECT_EQ(0, LoneRuns) << "a window outside the active chain is deaf to the mouse";
    EXPECT_EQ(F.Menu, TCustomcbBarControl::ActiveBarControl());
    EXPECT_TRUE(F.Window->IsAncestorOf(F.Menu));
    F.MoveTo(F.Window, F.CentreOf(F.B));
    EXPECT_EQ(F.ControlOf(F.B), F.Window->GetSelectedControl());
    F.Press(F.Window, F.CentreOf(F.A));
    F.Release(F.Window, F.CentreOf(F.A));
    EXPECT_EQ(1, F.ActA.Runs);

    F.Window->SetIsActive(true);
    F.Menu->SetIsActive(true);
    F.Menu->HideAll();
    EXPECT_FALSE(F.Menu->IsActiveBar());
    EXPECT_FALSE(F.Window->IsActiveBar()) << "closing a menu ends the mode up the chain";
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
    F.Menu->SetParentBar(nullptr);
}

TEST_F(BarControl, TheWindowAnswersItsEditorsColoursAndNeverLooksInactive)
{
    TControlsFixture F;
    const HWND Bar = F.Window->GetHandle();
    HDC DC = GetDC(Bar);
    SetTextColor(DC, RGB(1, 2, 3));
    const LRESULT Brush = SendMessageA(Bar, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(DC), 0);
    EXPECT_EQ(reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)), Brush);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), GetTextColor(DC));
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), GetBkColor(DC));
    ReleaseDC(Bar, DC);
    EXPECT_EQ(1, SendMessageA(Bar, WM_ERASEBKGND, 0, 0));
    // Asked to draw an inactive frame, the window draws the active one (and says so).
    EXPECT_NE(0, SendMessageA(Bar, WM_NCACTIVATE, FALSE, 0));
}

TEST_F(BarControl, APopupMenusWindowsSetTheApplicationsHint)
{
    TControlsFixture F;
    auto* Entry = dynamic_cast<TcbBarButton*>(F.DMenu->GetItemLinks()->GetItem(0)->GetItem());
    ASSERT_NE(nullptr, Entry);
    Entry->SetHint("Entry|The entry of the drop-down menu");
    AppUI()->SetHint("before");
    F.Menu->SetIsActive(true);
    F.Key(F.Menu, VK_DOWN);
    ASSERT_EQ(F.ControlOf(F.Open), F.Menu->GetSelectedControl());
    EXPECT_EQ("before", AppUI()->GetHint()) << "a sub-item's menu is no popup menu";
    F.Menu->HideAll();

    auto* Popup = new CommandBarsTest::TTestBarWindow(F.Manager, F.DMenu->GetItemLinks(), F.Form.get(), true);
    TScopeExit Free([Popup] { Popup->Free(); });
    Popup->ShowAt(300, 100);
    Popup->SetIsActive(true);
    Popup->SelectControlByKeyboard(Popup->EdgeSelectable(true));
    EXPECT_EQ("The entry of the drop-down menu", AppUI()->GetHint());
    Popup->HideAll();
    EXPECT_EQ("", AppUI()->GetHint());
}

TEST_F(BarControl, ADoubleClickActsAsASecondPressUnlessTheControlTakesIt)
{
    TControlsFixture F;
    const TPoint P = F.CentreOf(F.B);
    F.MoveTo(F.Window, P);
    F.Press(F.Window, P);
    F.Release(F.Window, P);
    // The click ended the menu mode; hot tracking selects B again.
    F.MoveTo(F.Window, TPoint{P.x + 1, P.y});
    ASSERT_EQ(F.ControlOf(F.B), F.Window->GetSelectedControl());
    SendMessageA(F.Window->GetHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(P.x, P.y));
    F.Release(F.Window, P);
    EXPECT_EQ(2, F.ActB.Runs);
    EXPECT_FALSE(F.B->GetDown()) << "two presses, two toggles";

    // A sub-item takes the double click itself: no second press closes the menu it opened.
    const TPoint S = F.CentreOf(F.S1);
    F.Menu->SetIsActive(true);
    F.MoveTo(F.Menu, S);
    F.Press(F.Menu, S);
    ASSERT_EQ(1, CommandBarsTest::TTestMenuWindow::LiveCount());
    F.Release(F.Menu, S);
    SendMessageA(F.Menu->GetHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(S.x, S.y));
    EXPECT_EQ(1, CommandBarsTest::TTestMenuWindow::LiveCount());
}
