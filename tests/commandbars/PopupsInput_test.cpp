// The popups of the bars under the real mouse: the right button on a dock site and on a link
// while customizing, the More Buttons mark pressed and a copy clicked, the window closing a
// moment after the mouse rests on another toolbar's button, and the window taking the keys and
// closing on Esc or with the form's activation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbBarPopups.h"
#include "commandbars/windows/cbBarQuickControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/StdCtrls.h"
#include "tests/commandbars/support/PopupsFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using namespace CommandBarsTest;
using Captions = std::vector<std::string>;

namespace {

POINT CenterOfRect(const TRect& R)
{
    return POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2};
}

// Parks the mouse over the form's empty client area, away from every bar.
void ParkMouse(TPopupsFixture& F)
{
    POINT P{F.Form->GetClientWidth() / 2, F.Form->GetClientHeight() - 20};
    ClientToScreen(F.Form->GetHandle(), &P);
    TestSupport::MoveTo(P);
    TestSupport::WaitProcessed();
}

// Whether the "More Buttons" window has closed or has no timer left that could close it or its
// menus: its close timer and a sub-menu's open or close delay.
bool QuickTimersDone(TcbBarQuickControl* Quick)
{
    return TcbBarQuickControl::GetOpenQuickControl() != Quick ||
           (!Quick->IsCloseTimerRunning() && !TcbBarSubItemControl::PendingControl());
}

} // namespace

TEST(PopupsInput, TheRightButtonOnADockSiteAndOnALinkWhileCustomizingOpensThePopups)
{
    TPopupsFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    ParkMouse(F);
    TcbDockControl* Top = F.Manager->GetBars()->GetDockControl(dsTop);
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    POINT Empty{Top->GetWidth() - 4, Tools->GetTop() + Tools->GetHeight() / 2};
    ClientToScreen(Top->GetHandle(), &Empty);
    TestSupport::Click(Empty, mbRight);
    ASSERT_TRUE(TestSupport::PumpUntil([] { return TcbBarToolbarsPopup::GetOpenPopup() != nullptr; }, 5000,
                                       "the toolbars popup"));
    TcbBarToolbarsPopup* Popup = TcbBarToolbarsPopup::GetOpenPopup();
    EXPECT_EQ(TPopupsFixture::Captions(Popup), (Captions{"Standard", "Tools", "|&Customize..."}));
    // It opens at the mouse.
    const TRect Placed = Popup->GetWindowRect();
    EXPECT_LE(std::abs(Placed.left - Empty.x) + std::abs(Placed.top - Empty.y), 2 * Placed.right - 2 * Placed.left);
    TestSupport::Click(TPopupsFixture::ScreenCenterOf(TPopupsFixture::ControlByCaption(Popup, "Tools")));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return !F.Tools->GetVisible(); }, 5000, "Tools hidden"));
    F.Tools->SetVisible(true);
    ASSERT_TRUE(TestSupport::PumpUntil([&] {
        TcbBarControl* Window = F.WindowOf(F.Tools);
        return Window && Window->HandleAllocated() && IsWindowVisible(Window->GetHandle());
    }, 5000, "Tools shown again"));

    F.Manager->SetIsCustomizing(true);
    PumpPosted("customizing started");
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TestSupport::Click(TPopupsFixture::ScreenCenterOf(TPopupsFixture::ControlOf(Standard, F.Open)), mbRight);
    ASSERT_TRUE(TestSupport::PumpUntil([] { return TcbBarCustomizingPopup::GetOpenPopup() != nullptr; }, 5000,
                                       "the customizing popup"));
    EXPECT_EQ(GetCustomizedLink(), TPopupsFixture::LinkOf(F.Standard, F.Open));
    EXPECT_EQ(F.Manager->GetSelectedItemControl(), TPopupsFixture::ControlOf(Standard, F.Open));
    EXPECT_EQ(TcbBarToolbarsPopup::GetOpenPopup(), nullptr) << "never the toolbars popup while customizing";
    TcbBarCustomizingPopup* Custom = TcbBarCustomizingPopup::GetOpenPopup();
    TestSupport::Click(TPopupsFixture::ScreenCenterOf(TPopupsFixture::ControlByCaption(Custom, "Begin a &Group")));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return TPopupsFixture::LinkOf(F.Standard, F.Open)->GetOwnBeginGroup(); },
                                       5000, "the group line"));
    EXPECT_EQ(TcbBarCustomizingPopup::GetOpenPopup(), nullptr);
    F.Manager->SetIsCustomizing(false);
}

TEST(PopupsInput, TheMarkOpensTheWindowWhoseCopyRunsItsCommandAndRestingOnAnotherToolbarClosesIt)
{
    TPopupsFixture F;
    // Save, Find and Zoom are pushed off.
    for (int32_t Width = 760; Width > 60; Width -= 4) {
        F.Form->SetClientSize(Width, F.Form->GetClientHeight());
        PumpPosted("the bars laid out at the new width");
        if (IsRectEmpty(&TPopupsFixture::LinkOf(F.Standard, F.Save)->GetItemRect()))
            break;
    }
    ASSERT_TRUE(IsRectEmpty(&TPopupsFixture::LinkOf(F.Standard, F.Save)->GetItemRect()));
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    ParkMouse(F);
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TestSupport::Click(CenterOfRect(TPopupsFixture::MarkRectOnScreen(Standard)));
    ASSERT_TRUE(TestSupport::PumpUntil([] { return TcbBarQuickControl::GetOpenQuickControl() != nullptr; }, 5000,
                                       "the More Buttons window"));
    TcbBarQuickControl* Quick = TcbBarQuickControl::GetOpenQuickControl();
    EXPECT_EQ(TPopupsFixture::Captions(Quick), (Captions{"&Save", "Find", "Zoom", "|&Add or Remove Buttons"}));
    TestSupport::WaitProcessed();
    PumpPosted("the messages of the release handled");
    EXPECT_EQ(TcbBarQuickControl::GetOpenQuickControl(), Quick) << "the release does not close it";
    TestSupport::Click(TPopupsFixture::ScreenCenterOf(TPopupsFixture::ControlOf(Quick, F.Save)));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return F.Runs["&Save"] == 1; }, 5000, "Save ran"));
    EXPECT_TRUE(TestSupport::PumpUntil([] { return TcbBarQuickControl::GetOpenQuickControl() == nullptr; }, 5000,
                                       "the window closed after the run"));
    PumpPosted("the messages of the run handled");
    EXPECT_EQ(F.Runs["&Save"], 1);
    EXPECT_EQ(TcbBarQuickControl::GetOpenQuickControl(), nullptr);

    // Open again, then rest on a button of Tools (which sits on its own row now).
    ParkMouse(F);
    TestSupport::Click(CenterOfRect(TPopupsFixture::MarkRectOnScreen(Standard)));
    ASSERT_TRUE(TestSupport::PumpUntil([] { return TcbBarQuickControl::GetOpenQuickControl() != nullptr; }, 5000,
                                       "the More Buttons window again"));
    TcbBarControl* Tools = F.WindowOf(F.Tools);
    TcbBarItemControl* ToolB = TPopupsFixture::ControlOf(Tools, F.ToolB);
    ASSERT_NE(ToolB, nullptr);
    const POINT Over = TPopupsFixture::ScreenCenterOf(ToolB);
    const TRect QuickRect = TcbBarQuickControl::GetOpenQuickControl()->GetWindowRect();
    if (cbInRect(QuickRect, TPoint{Over.x, Over.y}))
        GTEST_SKIP() << "the window covers Tools";
    TestSupport::MoveTo(Over);
    TestSupport::WaitProcessed();
    EXPECT_TRUE(TestSupport::PumpUntil([] { return TcbBarQuickControl::GetOpenQuickControl() == nullptr; }, 5000,
                                       "the window closed"));
    EXPECT_EQ(Standard->GetMarkStateValue(), bstNormal);
    ParkMouse(F);
}

// Open, the "More Buttons" window takes the keys as a menu does: the arrows stay in it (the
// focused list of the form behind does not move) and Esc closes it, the focus left where it
// was. It also closes when another form takes the activation.
TEST(PopupsInput, TheMoreButtonsWindowTakesTheKeysAndClosesOnEscOrWithTheFormsActivation)
{
    TPopupsFixture F;
    auto* List = new TListBox(F.Form.get());
    List->SetParent(F.Form.get());
    List->SetBounds(20, F.Form->GetClientHeight() - 160, 160, 120);
    for (const char* Row : {"one", "two", "three"})
        List->GetItems()->Add(Row);
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    List->SetFocus();
    List->SetItemIndex(0);
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    auto Open = [&] {
        // A second press on the mark within the double-click time would pair with the first.
        ParkMouse(F);
        WaitPastDoubleClickTime();
        TestSupport::Click(CenterOfRect(TPopupsFixture::MarkRectOnScreen(Standard)));
        NoteLastPress();
        const bool Opened = TestSupport::PumpUntil([] { return TcbBarQuickControl::GetOpenQuickControl() != nullptr; },
                                                   5000, "the More Buttons window");
        PumpPosted("the messages of the release handled");
        return Opened;
    };
    ASSERT_TRUE(Open());
    ASSERT_EQ(GetFocus(), List->GetHandle());
    for (WORD Key : {VK_DOWN, VK_DOWN, VK_RIGHT}) {
        TestSupport::Press(Key);
        TestSupport::WaitProcessed();
    }
    PumpPosted("the keys handled");
    EXPECT_EQ(List->GetItemIndex(), 0) << "the arrows did not reach the list behind the window";
    ASSERT_NE(TcbBarQuickControl::GetOpenQuickControl(), nullptr) << "the arrows leave the window open";
    TestSupport::Press(VK_ESCAPE);
    TestSupport::WaitProcessed();
    EXPECT_TRUE(TestSupport::PumpUntil([] { return TcbBarQuickControl::GetOpenQuickControl() == nullptr; }, 5000,
                                       "Esc closed the window"));
    EXPECT_NE(Standard->GetMarkStateValue(), bstPressed) << "the mark is no longer pressed";
    EXPECT_EQ(GetFocus(), List->GetHandle());
    EXPECT_EQ(List->GetItemIndex(), 0);

    // Another form taking the activation closes it, as it closes the form's menus.
    ASSERT_TRUE(Open());
    TComponentPtr<TForm> Other{new TForm(nullptr)};
    Other->SetBounds(700, 500, 200, 120);
    Other->Show();
    ASSERT_TRUE(TestSupport::BringToFront(*Other));
    EXPECT_TRUE(TestSupport::PumpUntil([] { return TcbBarQuickControl::GetOpenQuickControl() == nullptr; }, 5000,
                                       "the window closed with the form's activation"));
    EXPECT_NE(Standard->GetMarkStateValue(), bstPressed);
    Other->Hide();
}

TEST(PopupsInput, AnAddOrRemoveEntryClickedTogglesItsButtonAtOnceAndTheMenuStaysOpen)
{
    TPopupsFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    ParkMouse(F);
    TcbBarControl* Standard = F.WindowOf(F.Standard);
    TestSupport::Click(CenterOfRect(TPopupsFixture::MarkRectOnScreen(Standard)));
    ASSERT_TRUE(TestSupport::PumpUntil([] { return TcbBarQuickControl::GetOpenQuickControl() != nullptr; }, 5000,
                                       "the More Buttons window"));
    TcbBarQuickControl* Quick = TcbBarQuickControl::GetOpenQuickControl();
    TestSupport::Click(TPopupsFixture::ScreenCenterOf(TPopupsFixture::ControlOf(Quick, Quick->GetSubItem())));
    auto OpenMenu = [&] {
        return TcbBarQuickControl::GetOpenQuickControl() == Quick
                   ? dynamic_cast<TcbBarSubMenuControl*>(Quick->GetSubItem()->GetItemLinks()->GetBarControl())
                   : nullptr;
    };
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return OpenMenu() != nullptr; }, 5000, "the Add or Remove menu"));
    TcbBarSubMenuControl* Menu = OpenMenu();
    TcbBarItemLink* Open = TPopupsFixture::LinkOf(F.Standard, F.Open);
    ASSERT_TRUE(Open->GetVisible());
    const TRect ButtonOnBar = Open->GetItemRect();
    ASSERT_FALSE(IsRectEmpty(&ButtonOnBar));

    // The mouse rests on the entry as a user's does before clicking it.
    const POINT Entry = TPopupsFixture::ScreenCenterOf(TPopupsFixture::ControlByCaption(Menu, "&Open"));
    TestSupport::MoveTo(Entry);
    TestSupport::WaitProcessed();
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return QuickTimersDone(Quick); }, 5000, "the menus' timers done"));
    PumpPosted("the messages of the timers handled");
    ASSERT_EQ(OpenMenu(), Menu) << "resting on an entry keeps the menu";
    TestSupport::Click(Entry);
    TestSupport::WaitProcessed();
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return !Open->GetVisible(); }, 5000, "Open hidden by its entry"));
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return QuickTimersDone(Quick); }, 5000, "the menus' timers done"));
    PumpPosted("the messages of the click handled");
    EXPECT_EQ(F.Standard->GetItemLinks()->IndexOfShown(Open), -1) << "gone from the toolbar at once";
    EXPECT_EQ(OpenMenu(), Menu) << "the menu stays open after the click";
    EXPECT_EQ(F.Runs["&Open"], 0) << "the entry does not run the command";

    // A second click shows it again, the menu still open.
    if (OpenMenu() == Menu) {
        TestSupport::Click(TPopupsFixture::ScreenCenterOf(TPopupsFixture::ControlByCaption(Menu, "&Open")));
        TestSupport::WaitProcessed();
        EXPECT_TRUE(TestSupport::PumpUntil([&] { return Open->GetVisible(); }, 5000, "Open shown again"));
        PumpPosted("the messages of the click handled");
        EXPECT_GE(F.Standard->GetItemLinks()->IndexOfShown(Open), 0);
        EXPECT_EQ(OpenMenu(), Menu);
    }
    TestSupport::Press(VK_ESCAPE);
    TestSupport::Press(VK_ESCAPE);
    TestSupport::WaitProcessed();
    ParkMouse(F);
}
