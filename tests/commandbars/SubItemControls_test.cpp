// Sub-item controls in a menu window: the hover delay before a sub-menu opens or closes, the one
// pending control of the framework, and the press that a closing menu swallows.
#include <gtest/gtest.h>

#include <windows.h>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/ControlsFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::WaitForTimerOf;
using CommandBarsTest::TControlsFixture;
using CommandBarsTest::TTestMenuWindow;

namespace {

double Now()
{
    LARGE_INTEGER Count, Frequency;
    QueryPerformanceCounter(&Count);
    QueryPerformanceFrequency(&Frequency);
    return 1000.0 * static_cast<double>(Count.QuadPart) / static_cast<double>(Frequency.QuadPart);
}

// Counts a sub-item's openings and when the last one came.
struct TOpenings {
    int Count = 0;
    int Clicks = 0;
    double At = 0;
    explicit TOpenings(TcbBarSubItem* Item)
    {
        Item->OnPopup = [this](TObject*) {
            ++Count;
            At = Now();
        };
        Item->OnClick = [this](TObject*) { ++Clicks; };
    }
};

} // namespace

TEST(SubItemControls, AHoveredSubItemOpensItsMenuAfterTheDelay)
{
    TControlsFixture F;
    TOpenings First(F.S1);
    const double MovedAt = Now();
    F.MoveTo(F.Menu, F.CentreOf(F.S1));
    EXPECT_EQ(F.ControlOf(F.S1), TcbBarSubItemControl::PendingControl());
    EXPECT_EQ(0, TTestMenuWindow::LiveCount());
    ASSERT_TRUE(TestSupport::PumpUntil([] { return TTestMenuWindow::LiveCount() == 1; }, 2000, "the sub-menu"));
    EXPECT_GE(First.At - MovedAt, 300.0) << "nothing opens before the delay";
    EXPECT_EQ(1, First.Count);
    EXPECT_EQ(1, First.Clicks) << "a sub-item's OnClick fires when its menu opens";
    auto* Control = dynamic_cast<TcbBarSubItemControl*>(F.ControlOf(F.S1));
    ASSERT_NE(nullptr, Control);
    TCustomcbBarControl* Child = Control->GetSubMenuWindow();
    ASSERT_NE(nullptr, Child);
    EXPECT_EQ(Child, F.Menu->GetChildBar());
    EXPECT_EQ(F.Menu, Child->GetParentBar());
    EXPECT_TRUE(IsWindowVisible(Child->GetHandle()));
    EXPECT_EQ(nullptr, TcbBarSubItemControl::PendingControl());
    // The menu opens beside the sub-item.
    const TRect R = F.RectOf(F.S1);
    const TPoint Anchor = F.Menu->ClientPointToScreen(TPoint{R.right, R.top});
    EXPECT_EQ(Anchor.x, Child->GetLeft());
    EXPECT_EQ(Anchor.y, Child->GetTop());
}

TEST(SubItemControls, MovingOnBeforeTheDelayOpensOnlyTheSecond)
{
    TControlsFixture F;
    TOpenings First(F.S1), Second(F.S2);
    F.MoveTo(F.Menu, F.CentreOf(F.S1));
    F.MoveTo(F.Menu, F.CentreOf(F.S2));
    EXPECT_EQ(F.ControlOf(F.S2), TcbBarSubItemControl::PendingControl());
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Second.Count == 1; }, 2000, "the second sub-menu"));
    // One control waits at a time: with none waiting, nothing can open the first any more.
    TestSupport::PumpUntil([] { return TcbBarSubItemControl::PendingControl() == nullptr; }, 5000,
                           "no sub-item waiting");
    PumpPosted("the opening handled");
    EXPECT_EQ(0, First.Count);
    EXPECT_EQ(1, TTestMenuWindow::LiveCount());
}

TEST(SubItemControls, MovingAwayClosesTheOpenMenuAfterTheDelay)
{
    TControlsFixture F;
    TOpenings Second(F.S2);
    int CloseUps = 0;
    F.S2->OnCloseUp = [&](TObject*) { ++CloseUps; };
    F.MoveTo(F.Menu, F.CentreOf(F.S2));
    ASSERT_TRUE(TestSupport::PumpUntil([] { return TTestMenuWindow::LiveCount() == 1; }, 2000, "the sub-menu"));
    const double MovedAt = Now();
    double ClosedAt = 0;
    F.S2->OnCloseUp = [&](TObject*) {
        ++CloseUps;
        ClosedAt = Now();
    };
    F.MoveTo(F.Menu, F.CentreOf(F.Open));
    EXPECT_EQ(1, TTestMenuWindow::LiveCount()) << "the menu stays open for the delay";
    EXPECT_EQ(F.ControlOf(F.S2), TcbBarSubItemControl::PendingControl());
    ASSERT_TRUE(TestSupport::PumpUntil([] { return TTestMenuWindow::LiveCount() == 0; }, 2000, "the closed menu"));
    EXPECT_GE(ClosedAt - MovedAt, 300.0);
    EXPECT_EQ(1, CloseUps);
    EXPECT_EQ(nullptr, F.Menu->GetChildBar());
}

TEST(SubItemControls, DestroyingTheControlStopsItsTimer)
{
    TControlsFixture F;
    TOpenings First(F.S1);
    F.MoveTo(F.Menu, F.CentreOf(F.S1));
    ASSERT_EQ(F.ControlOf(F.S1), TcbBarSubItemControl::PendingControl());
    F.S1->SetVisible(ivNever);
    EXPECT_EQ(nullptr, F.ControlOf(F.S1));
    EXPECT_EQ(nullptr, TcbBarSubItemControl::PendingControl());
    WaitForTimerOf(TcbBarSubItemControl::kSubMenuDelay, "the sub-menu delay passed");
    PumpPosted("the delay's messages handled");
    EXPECT_EQ(0, First.Count) << "no tick after the control went";
    EXPECT_EQ(0, TTestMenuWindow::LiveCount());
}

TEST(SubItemControls, AClickOnAnOpenSubItemClosesItsMenu)
{
    TControlsFixture F;
    TOpenings First(F.S1);
    F.Menu->SetIsActive(true);
    F.Click(F.S1);
    EXPECT_EQ(1, TTestMenuWindow::LiveCount()) << "a press opens at once";
    EXPECT_EQ(1, First.Count);
    F.Press(F.Menu, F.CentreOf(F.S1));
    EXPECT_EQ(0, TTestMenuWindow::LiveCount()) << "a press on the open sub-item closes its menu";
}

TEST(SubItemControls, TheButtonUpOfAClickThatClosedAMenuIsSwallowed)
{
    TControlsFixture F;
    F.Menu->SetIsActive(true);
    F.MoveTo(F.Menu, F.CentreOf(F.Open));
    F.Menu->SetIgnoreNextButtonUp(true);
    F.Release(F.Menu, F.CentreOf(F.Open));
    EXPECT_EQ(0, F.ActOpen.Runs);
    EXPECT_FALSE(F.Menu->GetIgnoreNextButtonUp()) << "only one button-up is swallowed";
    F.Press(F.Menu, F.CentreOf(F.Open));
    F.Release(F.Menu, F.CentreOf(F.Open));
    EXPECT_EQ(1, F.ActOpen.Runs);
}
