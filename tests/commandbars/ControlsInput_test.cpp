// The presses the controls check against the real button state, with real input: the arrow part
// of a drop-down button, and a click on a row of a combo's open list.
#include <gtest/gtest.h>

#include <vector>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "platform/rtl/ScopeGuards.h"
#include "tests/commandbars/support/ControlsFixture.h"
#include "tests/support/InputDriver.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::TControlsFixture;

namespace {

struct TDropDown {
    TcbBarPopupMenu* Menu;
    bool ByMouse;
};

POINT ScreenPoint(TCustomcbBarControl* Bar, int32_t X, int32_t Y)
{
    const TPoint P = Bar->ClientPointToScreen(TPoint{X, Y});
    return POINT{P.x, P.y};
}

} // namespace

TEST(ControlsInput, APressOnTheArrowPartDropsTheMenuAndTheMainPartClicks)
{
    TControlsFixture F;
    // The menu loop is not there: the show entry records the call and keeps the menu "open"
    // until the test closes it, as the loop would.
    std::vector<TDropDown> Shown;
    SetDropDownMenuShow([&](TcbBarPopupMenu* Menu, TcbBarItemControl*, int32_t, int32_t, bool ByMouse) {
        Shown.push_back({Menu, ByMouse});
        Menu->SetOpen(true);
    });
    TScopeExit Reset([] { SetDropDownMenuShow(nullptr); });
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    const TRect D = F.RectOf(F.D);
    const int32_t MidY = (D.top + D.bottom) / 2;

    TestSupport::MoveTo(ScreenPoint(F.Window, D.right - 3, MidY));
    TestSupport::ButtonDown();
    ASSERT_TRUE(TestSupport::WaitProcessed());
    ASSERT_EQ(1u, Shown.size());
    EXPECT_EQ(F.DMenu, Shown[0].Menu);
    EXPECT_TRUE(Shown[0].ByMouse);
    auto* Button = dynamic_cast<TcbBarButtonControl*>(F.ControlOf(F.D));
    ASSERT_NE(nullptr, Button);
    EXPECT_TRUE(Button->IsDropDownOpen());
    TestSupport::ButtonUp();
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_EQ(0, F.ActD.Runs) << "the arrow part runs no command";
    F.DMenu->SetOpen(false);
    Button->CloseDropDownState();
    F.Window->HideAll();

    TestSupport::MoveTo(ScreenPoint(F.Window, D.left + 3, MidY));
    TestSupport::ButtonDown();
    ASSERT_TRUE(TestSupport::WaitProcessed());
    TestSupport::ButtonUp();
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_EQ(1u, Shown.size()) << "the main part drops nothing";
    EXPECT_EQ(1, F.ActD.Runs);
}

TEST(ControlsInput, AClickOnARowOfTheListPicksItAndCountsTheUse)
{
    TControlsFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    F.Click(F.K);
    auto* Combo = dynamic_cast<TcbBarComboControl*>(F.ControlOf(F.K));
    ASSERT_TRUE(Combo && Combo->IsEditing());
    SendMessageA(Combo->GetEditor(), WM_KEYDOWN, VK_F4, 1);
    const HWND List = F.K->GetDropDownWindow();
    ASSERT_TRUE(List && IsWindowVisible(List));
    const int32_t Uses = Combo->GetLink()->GetUseCount();
    RECT Row{};
    ASSERT_NE(LB_ERR, SendMessageA(List, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&Row)));
    POINT P{(Row.left + Row.right) / 2, (Row.top + Row.bottom) / 2};
    ClientToScreen(List, &P);
    TestSupport::Click(P);
    ASSERT_TRUE(TestSupport::WaitProcessed());
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return F.K->GetItemIndex() == 2; }, 5000, "the picked entry"));
    EXPECT_EQ("gamma", F.K->GetText());
    EXPECT_EQ(Uses + 1, Combo->GetLink()->GetUseCount());
    EXPECT_FALSE(IsWindowVisible(List));
    EXPECT_FALSE(Combo->GetDroppedDown());
}
