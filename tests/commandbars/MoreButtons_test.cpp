// The "More Buttons" window of a toolbar driven by messages: what it holds with everything
// fitting and with links pushed off, where it opens (docked, floating, at the screen's edge),
// how it closes (the mark, the close timer), that openings leave nothing behind, and its
// "&Add or Remove Buttons" menu with the tick entries, the reset and the customize entry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbBarPopups.h"
#include "commandbars/windows/cbBarQuickControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/PopupsFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using namespace CommandBarsTest;
using Captions = std::vector<std::string>;

namespace {

TcbBarQuickControl* OpenQuick(TcbBarControl* Toolbar)
{
    TPopupsFixture::PressMark(Toolbar);
    return TcbBarQuickControl::GetOpenQuickControl();
}

// Narrows the form until the link of Item no longer fits on Standard (its rect is empty) while
// the link of Kept still does.
bool NarrowUntilPushedOff(TPopupsFixture& F, TcbBarItem* Item, TcbBarItem* Kept)
{
    for (int32_t Width = 760; Width > 60; Width -= 4) {
        F.Form->SetClientSize(Width, F.Form->GetClientHeight());
        PumpPosted("the bars laid out at the new width");
        TcbBarItemLink* Gone = TPopupsFixture::LinkOf(F.Standard, Item);
        TcbBarItemLink* Stays = TPopupsFixture::LinkOf(F.Standard, Kept);
        if (IsRectEmpty(&Gone->GetItemRect()) && !IsRectEmpty(&Stays->GetItemRect()))
            return true;
    }
    return false;
}

TcbBarSubMenuControl* OpenAddOrRemove(TcbBarQuickControl* Quick)
{
    TcbBarItemControl* Sub = TPopupsFixture::ControlOf(Quick, Quick->GetSubItem());
    if (!Sub)
        return nullptr;
    TPopupsFixture::ClickByMessage(Sub);
    return dynamic_cast<TcbBarSubMenuControl*>(Quick->GetSubItem()->GetItemLinks()->GetBarControl());
}

} // namespace

TEST(MoreButtons, WithEverythingFittingOnlyTheAddOrRemoveEntryShowsBelowTheMark)
{
    TPopupsFixture F;
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TcbBarQuickControl* Quick = OpenQuick(Standard);
    ASSERT_NE(Quick, nullptr);
    EXPECT_EQ(Standard->GetMarkStateValue(), bstPressed);
    EXPECT_EQ(TPopupsFixture::Captions(Quick), (Captions{"&Add or Remove Buttons"}));
    EXPECT_TRUE(Quick->GetTemporaryBar()->GetHidden());
    EXPECT_TRUE(IsWindowVisible(Quick->GetHandle()));
    const TRect Mark = TPopupsFixture::MarkRectOnScreen(Standard);
    const TRect Window = Quick->GetWindowRect();
    EXPECT_EQ(Window.top, Mark.bottom);
    EXPECT_EQ(Window.right, Mark.right);

    // A second press on the mark closes it for good.
    TPopupsFixture::PressMark(Standard);
    EXPECT_EQ(TcbBarQuickControl::GetOpenQuickControl(), nullptr);
    PumpPosted("the messages of the closing handled");
    EXPECT_EQ(TcbBarQuickControl::GetOpenQuickControl(), nullptr);
    EXPECT_NE(Standard->GetMarkStateValue(), bstPressed);
}

TEST(MoreButtons, PushedOffLinksAreCopiedAndACopyRunsItsCommandOnce)
{
    TPopupsFixture F;
    ASSERT_TRUE(NarrowUntilPushedOff(F, F.Find, F.Save));
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TcbBarQuickControl* Quick = OpenQuick(Standard);
    ASSERT_NE(Quick, nullptr);
    EXPECT_EQ(TPopupsFixture::Captions(Quick), (Captions{"Find", "Zoom", "|&Add or Remove Buttons"}));
    F.CloseAll();

    ASSERT_TRUE(NarrowUntilPushedOff(F, F.Save, F.Open));
    Quick = OpenQuick(Standard);
    ASSERT_NE(Quick, nullptr);
    EXPECT_EQ(TPopupsFixture::Captions(Quick), (Captions{"&Save", "Find", "Zoom", "|&Add or Remove Buttons"}));
    TestSupport::SaveShot(TestSupport::CaptureFullPaint(Quick->GetHandle()), "popups-more-buttons");
    TcbBarItemControl* Copy = TPopupsFixture::ControlOf(Quick, F.Save);
    ASSERT_NE(Copy, nullptr);
    TPopupsFixture::ClickByMessage(Copy);
    EXPECT_EQ(F.Runs["&Save"], 1);
    PumpPosted("the messages of the click handled");
    EXPECT_EQ(F.Runs["&Save"], 1);
    EXPECT_EQ(TcbBarQuickControl::GetOpenQuickControl(), nullptr);
}

TEST(MoreButtons, ItStaysInsideTheWorkAreaAndOpensAtTheLeftEdgeOfAFloatingMark)
{
    TPopupsFixture F;
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    const TRect Area = GetMonitorWorkArea(TPoint{10, 10});
    // The form reaches past the screen's right edge: the window is moved back inside.
    const TRect Mark = TPopupsFixture::MarkRectOnScreen(Standard);
    F.Form->SetBounds(Area.right - (Mark.left - F.Form->GetLeft()) - 4, F.Form->GetTop(), F.Form->GetWidth(),
                      F.Form->GetHeight());
    PumpPosted("the form moved");
    TcbBarQuickControl* Quick = OpenQuick(Standard);
    ASSERT_NE(Quick, nullptr);
    TRect Window = Quick->GetWindowRect();
    EXPECT_LE(Window.right, Area.right);
    EXPECT_GE(Window.left, Area.left);
    EXPECT_EQ(Window.top, TPopupsFixture::MarkRectOnScreen(Standard).bottom);
    F.CloseAll();

    F.Form->SetBounds(20, 20, 800, 600);
    F.Tools->SetDockingStyle(dsNone);
    PumpPosted("the toolbar floated");
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    ASSERT_NE(Tools, nullptr);
    ASSERT_EQ(Tools->GetDockingStyle(), dsNone);
    Quick = OpenQuick(Tools);
    ASSERT_NE(Quick, nullptr);
    const TRect FloatingMark = TPopupsFixture::MarkRectOnScreen(Tools);
    Window = Quick->GetWindowRect();
    EXPECT_EQ(Window.left, FloatingMark.left);
    EXPECT_EQ(Window.top, FloatingMark.bottom);
}

TEST(MoreButtons, SelectingAControlOfAnotherToolbarClosesItAfterTheDelayButItsOwnMenuDoesNot)
{
    TPopupsFixture F;
    TcbBarQuickControl* Quick = OpenQuick(F.WindowOf(F.Standard));
    ASSERT_NE(Quick, nullptr);
    // Hovering the sub-item opens its menu; a control selected there belongs to the window.
    TcbBarItemControl* Sub = TPopupsFixture::ControlOf(Quick, Quick->GetSubItem());
    ASSERT_NE(Sub, nullptr);
    Quick->SelectControlByMouse(Sub);
    TcbBarSubMenuControl* Menu = nullptr;
    ASSERT_TRUE(TestSupport::PumpUntil([&] {
        Menu = dynamic_cast<TcbBarSubMenuControl*>(Quick->GetSubItem()->GetItemLinks()->GetBarControl());
        return Menu != nullptr;
    }, 5000, "the menu opened"));
    EXPECT_FALSE(Quick->IsActiveBar());
    Menu->SelectControlByMouse(Menu->EdgeSelectable(true));
    ASSERT_NE(Menu->GetSelectedControl(), nullptr);
    EXPECT_TRUE(Quick->IsCloseTimerRunning());
    // The close timer fires once and then looks at the selection.
    ASSERT_TRUE(TestSupport::PumpUntil([&] {
        return TcbBarQuickControl::GetOpenQuickControl() != Quick || !Quick->IsCloseTimerRunning();
    }, 5000, "the close timer fired"));
    PumpPosted("the messages of the close timer handled");
    EXPECT_EQ(TcbBarQuickControl::GetOpenQuickControl(), Quick);
    Quick->SelectControlByMouse(nullptr);
    PumpPosted("the selection cleared");

    TcbBarControl* Tools = F.WindowOf(F.Tools);
    Tools->SelectControlByMouse(TPopupsFixture::ControlOf(Tools, F.ToolA));
    EXPECT_EQ(TcbBarQuickControl::GetOpenQuickControl(), Quick) << "not before the delay";
    EXPECT_TRUE(Quick->IsCloseTimerRunning());
    EXPECT_TRUE(TestSupport::PumpUntil([] { return TcbBarQuickControl::GetOpenQuickControl() == nullptr; }, 5000,
                                       "the window closed"));
    EXPECT_EQ(F.WindowOf(F.Standard)->GetMarkStateValue(), bstNormal);
    Tools->SelectControlByMouse(nullptr);
}

TEST(MoreButtons, RepeatedOpeningsLeaveTheFormsComponentsAndTheBarsAsTheyWere)
{
    TPopupsFixture F;
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    const int32_t Components = F.Form->GetComponentCount();
    const int32_t Bars = F.Manager->GetBars()->GetCount();
    for (int I = 0; I < 50; ++I) {
        ASSERT_NE(OpenQuick(Standard), nullptr) << I;
        if (I % 10 == 0) {
            ASSERT_NE(OpenAddOrRemove(TcbBarQuickControl::GetOpenQuickControl()), nullptr) << I;
        }
        TPopupsFixture::PressMark(Standard);
        ASSERT_EQ(TcbBarQuickControl::GetOpenQuickControl(), nullptr) << I;
    }
    EXPECT_EQ(F.Manager->GetBars()->GetCount(), Bars);
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return F.Form->GetComponentCount() == Components; }, 5000,
                                       "the temporary items freed"));
    EXPECT_EQ(F.Form->GetComponentCount(), Components);
}

TEST(MoreButtons, AddOrRemoveTicksTheToolbarsLinksAndTogglesThemWithTheMenuOpen)
{
    TPopupsFixture F;
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TcbBarQuickControl* Quick = OpenQuick(Standard);
    ASSERT_NE(Quick, nullptr);
    TcbBarSubMenuControl* Menu = OpenAddOrRemove(Quick);
    ASSERT_NE(Menu, nullptr);
    EXPECT_EQ(TPopupsFixture::Captions(Menu),
              (Captions{"&New", "&Open", "&Save", "Find", "Zoom", "|&Reset Toolbar", "&Customize..."}));
    TestSupport::SaveShot(TestSupport::CaptureScreen(F.Form->GetHandle()), "popups-add-or-remove");
    auto* OpenEntry = dynamic_cast<TcbBarQuickCustItemControl*>(TPopupsFixture::ControlByCaption(Menu, "&Open"));
    ASSERT_NE(OpenEntry, nullptr);
    TcbBarItemLink* Open = TPopupsFixture::LinkOf(F.Standard, F.Open);
    EXPECT_EQ(OpenEntry->GetRepresentedLink(), Open);
    EXPECT_EQ(OpenEntry->GetImageIndex(), F.Open->GetImageIndex());
    EXPECT_GT(OpenEntry->GetWidth(), 0);

    TPopupsFixture::ClickByMessage(OpenEntry);
    EXPECT_FALSE(Open->GetVisible());
    EXPECT_EQ(F.Standard->GetItemLinks()->IndexOfShown(Open), -1) << "hidden on the toolbar at once";
    ASSERT_EQ(dynamic_cast<TcbBarSubMenuControl*>(Quick->GetSubItem()->GetItemLinks()->GetBarControl()), Menu)
        << "the menu stays open";
    EXPECT_EQ(F.Runs["&Open"], 0);
    OpenEntry = dynamic_cast<TcbBarQuickCustItemControl*>(TPopupsFixture::ControlByCaption(Menu, "&Open"));
    ASSERT_NE(OpenEntry, nullptr);
    TPopupsFixture::ClickByMessage(OpenEntry);
    EXPECT_TRUE(Open->GetVisible());
    EXPECT_GE(F.Standard->GetItemLinks()->IndexOfShown(Open), 0);

    // "&Customize..." is the last entry, drawn as the menu's own entries, and enters customizing.
    EXPECT_NE(dynamic_cast<TcbBarQuickCustExtButtonControl*>(TPopupsFixture::ControlByCaption(Menu, "&Customize...")),
              nullptr);
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Menu, "&Customize..."));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return F.Manager->IsCustomizing(); }, 5000, "customizing"));
    EXPECT_EQ(TcbBarQuickControl::GetOpenQuickControl(), nullptr);
    F.Manager->SetIsCustomizing(false);
}

TEST(MoreButtons, ResetToolbarAsksOnlyOnceTheMenusClosedAndBringsTheDesignBack)
{
    TPopupsFixture F;
    TcbBarItemLinks* Links = F.Standard->GetItemLinks();
    TPopupsFixture::LinkOf(F.Standard, F.Save)->Release();
    TPopupsFixture::LinkOf(F.Standard, F.Open)->SetUserCaption("Mine");
    PumpPosted("the toolbar rebuilt");
    TcbBarQuickControl* Quick = OpenQuick(F.WindowOf(F.Standard));
    ASSERT_NE(Quick, nullptr);
    TcbBarSubMenuControl* Menu = OpenAddOrRemove(Quick);
    ASSERT_NE(Menu, nullptr);
    bool MenusGoneAtBox = false;
    TestSupport::TDialogAnswerer Ok("reset the changes", IDOK, [&] {
        MenusGoneAtBox = !TcbBarQuickControl::GetOpenQuickControl() && !TCustomcbBarControl::ActiveBarControl();
        for (TCustomcbBarControl* W : TCustomcbBarControl::LiveBarControls())
            MenusGoneAtBox = MenusGoneAtBox && W->GetKind() != bwkMenu;
        return true;
    });
    TPopupsFixture::ClickByMessage(TPopupsFixture::ControlByCaption(Menu, "&Reset Toolbar"));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Ok.AnsweredCount() == 1; }, 5000, "the question"));
    EXPECT_EQ(Ok.Text(), "Are you sure you want to reset the changes made to the 'Standard' toolbar?");
    EXPECT_TRUE(MenusGoneAtBox);
    ASSERT_EQ(Links->GetCount(), 5);
    EXPECT_EQ(Links->GetItem(1)->GetCaption(), "&Open");
    EXPECT_EQ(Links->GetItem(2)->GetItem(), F.Save);
    EXPECT_TRUE(Links->GetItem(2)->GetOwnBeginGroup());
}

TEST(MoreButtons, TheWindowGoesWithItsToolbarsWindow)
{
    TPopupsFixture F;
    TcbBarQuickControl* Quick = OpenQuick(F.WindowOf(F.Standard));
    ASSERT_NE(Quick, nullptr);
    ASSERT_NE(OpenAddOrRemove(Quick), nullptr);
    F.Standard->SetVisible(false);
    EXPECT_EQ(TcbBarQuickControl::GetOpenQuickControl(), nullptr);
    EXPECT_EQ(F.Standard->GetBarControl(), nullptr);
    PumpPosted("the messages of the hiding handled");
    F.Standard->SetVisible(true);
    ASSERT_TRUE(TestSupport::PumpUntil([&] {
        TcbBarControl* Window = F.WindowOf(F.Standard);
        return Window && Window->HandleAllocated() && IsWindowVisible(Window->GetHandle());
    }, 5000, "the toolbar's new window shown"));
    // The new window's mark opens a new one.
    ASSERT_NE(OpenQuick(F.WindowOf(F.Standard)), nullptr);
}
