// Where menu windows go: beside their row and flipped to the other side near the work area's
// edge, above a point near its bottom, cut at its bottom when too tall; and the keyboard scrolling
// of a cut menu.
#include <gtest/gtest.h>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::TMenuFixture;

namespace {

RECT RectOf(TCustomcbBarControl* Window)
{
    RECT R{};
    GetWindowRect(Window->GetHandle(), &R);
    return R;
}

TcbBarPopupMenu* LongPopup(TMenuFixture& F, int Count)
{
    auto* Popup = new TcbBarPopupMenu(F.Form.get());
    for (int I = 0; I < Count; ++I) {
        auto* B = new TcbBarButton(F.Form.get());
        B->SetCaption("Entry " + std::to_string(I));
        Popup->GetItemLinks()->Add()->SetItem(B);
    }
    Popup->SetNoWait(true);
    return Popup;
}

} // namespace

TEST(SubMenuPlacement, ASubMenuNearTheRightEdgeOpensToTheLeft)
{
    TMenuFixture F;
    const TRect Area = GetMonitorWorkArea(TPoint{100, 100});
    F.Form->SetLeft(Area.right - 160);
    PumpPosted("the form moved");
    TcbBarSubMenuControl* File = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, File);
    const RECT FileRect = RectOf(File);
    ASSERT_LE(Area.right - FileRect.right, 40) << "the scene puts the menu near the edge";
    File->SelectControlByKeyboard(F.ControlOf(File, F.Recent));
    SendMessageA(File->GetHandle(), WM_KEYDOWN, VK_RIGHT, 0);
    TcbBarSubMenuControl* Recent = TMenuFixture::MenuOf(F.Recent);
    ASSERT_NE(nullptr, Recent);
    const RECT RecentRect = RectOf(Recent);
    EXPECT_LE(RecentRect.right, FileRect.left + 2);
    EXPECT_GE(RecentRect.left, Area.left);
    // The row it hangs from keeps its top.
    POINT Row{0, F.ControlOf(File, F.Recent)->GetItemRect().top};
    ClientToScreen(File->GetHandle(), &Row);
    EXPECT_EQ(Row.y, RecentRect.top) << "the sub-menu starts at the top of its row";
}

TEST(SubMenuPlacement, AMenuUnderATitleNearTheBottomOpensAboveIt)
{
    TMenuFixture F;
    const TRect Area = GetMonitorWorkArea(TPoint{100, 100});
    F.Form->SetTop(Area.bottom - 120);
    PumpPosted("the form moved");
    TcbBarControl* Bar = F.WindowOf(F.MainMenu);
    const TRect Title = F.ControlOf(Bar, F.File)->GetItemRect();
    POINT Top{Title.left, Title.top};
    ClientToScreen(Bar->GetHandle(), &Top);
    ASSERT_GT(Top.y + Title.bottom - Title.top + 108, Area.bottom) << "the scene leaves too little room below";
    TcbBarSubMenuControl* File = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, File);
    const RECT R = RectOf(File);
    EXPECT_EQ(Top.y, R.bottom) << "it ends where its title starts";
    EXPECT_EQ(Top.x, R.left);
    EXPECT_FALSE(File->CanScrollDown()) << "there was room above for all of it";
}

TEST(SubMenuPlacement, APopupNearTheBottomOpensAboveThePoint)
{
    TMenuFixture F;
    const TRect Area = GetMonitorWorkArea(TPoint{300, 300});
    F.Popup->SetNoWait(true);
    F.Popup->Popup(300, Area.bottom - 20);
    TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.Popup);
    ASSERT_NE(nullptr, Menu);
    const RECT R = RectOf(Menu);
    EXPECT_EQ(Area.bottom - 20, R.bottom);
    EXPECT_EQ(300, R.left);
    EXPECT_EQ(3, F.Popup->GetItemLinks()->GetShownItemCount());
    // Near the right edge it moves left to stay inside.
    Menu->CloseAndFree();
    F.Popup->Popup(Area.right - 5, 100);
    Menu = TMenuFixture::MenuOf(F.Popup);
    ASSERT_NE(nullptr, Menu);
    EXPECT_EQ(Area.right, RectOf(Menu).right);
    Menu->CloseAndFree();
}

TEST(SubMenuPlacement, ATallPopupIsCutAtTheBottomAndScrollsByKeyboard)
{
    TMenuFixture F;
    TcbBarPopupMenu* Popup = LongPopup(F, 120);
    const TRect Area = GetMonitorWorkArea(TPoint{300, 100});
    Popup->Popup(300, 100);
    TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(Popup);
    ASSERT_NE(nullptr, Menu);
    const RECT R = RectOf(Menu);
    EXPECT_LE(R.bottom, Area.bottom);
    EXPECT_GE(R.top, Area.top);
    EXPECT_TRUE(Menu->CanScrollDown());
    EXPECT_FALSE(Menu->CanScrollUp());
    TcbBarItemLinks* Links = Popup->GetItemLinks();
    EXPECT_TRUE(IsRectEmpty(&Links->GetShownItem(119)->GetItemRect()));
    // End selects the last entry and scrolls it into view, above the scroll-down row.
    SendMessageA(Menu->GetHandle(), WM_KEYDOWN, VK_END, 0);
    TcbBarItemControl* Last = Links->GetShownItem(119)->GetControl();
    EXPECT_EQ(Last, Menu->GetSelectedControl());
    EXPECT_FALSE(IsRectEmpty(&Last->GetLink()->GetItemRect()));
    EXPECT_TRUE(Menu->CanScrollUp());
    EXPECT_GT(Menu->GetFirstVisibleIndex(), 3);
    // Home goes back to the top.
    SendMessageA(Menu->GetHandle(), WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(0, Menu->GetFirstVisibleIndex());
    EXPECT_FALSE(IsRectEmpty(&Links->GetShownItem(0)->GetItemRect()));
    Menu->CloseAndFree();
}
