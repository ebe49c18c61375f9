// Personalized menus: recently used commands first, the expand mark, expanding by key, by the
// mark and after a delay, the rarely-used band's brush, and the chain that stays expanded.
#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/HintProbe.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::TMenuFixture;
using CommandBarsTest::WithKeyDown;

namespace {

double Now()
{
    LARGE_INTEGER Count, Frequency;
    QueryPerformanceCounter(&Count);
    QueryPerformanceFrequency(&Frequency);
    return 1000.0 * static_cast<double>(Count.QuadPart) / static_cast<double>(Frequency.QuadPart);
}

// "&Tools": C1, C2, C3, "More" (A, B, C), C5, C6, where C3 and C6 (and C in "More") are used so
// rarely that they fall off: the menu shows C1, C2, More and C5 and its expand mark.
struct TPersonalScene : TMenuFixture {
    TcbBarSubItem* Tools = nullptr;
    TcbBarSubItem* More = nullptr;
    std::vector<TcbBarButton*> C;   // C1 .. C6 (C[3] is unused: "More" takes its place)
    std::vector<TcbBarButton*> Sub; // A, B, C

    explicit TPersonalScene(bool FullAfterDelay)
    {
        Manager->SetShowFullMenusAfterDelay(FullAfterDelay);
        Tools = new TcbBarSubItem(Form.get());
        Tools->SetCaption("&Tools");
        More = new TcbBarSubItem(Form.get());
        More->SetCaption("More");
        for (int I = 1; I <= 6; ++I)
            C.push_back(I == 4 ? nullptr : MakeCommand("C" + std::to_string(I)));
        for (const char* Name : {"A", "B", "C"})
            Sub.push_back(MakeCommand(Name));
        for (int I = 0; I < 6; ++I)
            Tools->GetItemLinks()->Add()->SetItem(I == 3 ? static_cast<TcbBarItem*>(More) : C[I]);
        for (TcbBarButton* B : Sub)
            More->GetItemLinks()->Add()->SetItem(B);
        Use(Tools->GetItemLinks(), {0, 1, 3, 4});
        Use(More->GetItemLinks(), {0, 1});
        MainMenu->GetItemLinks()->Add()->SetItem(Tools);
        TestSupport::PumpUntil([this] { return ControlOf(WindowOf(MainMenu), Tools) != nullptr; }, 5000,
                               "the Tools title on the bar");
        PumpPosted("the bar rebuilt");
    }
    // The links at Used are used often and come first in the recent list; the others never.
    static void Use(TcbBarItemLinks* Links, std::initializer_list<int> Used)
    {
        std::vector<int> Order(Used);
        for (auto It = Order.rbegin(); It != Order.rend(); ++It) {
            TcbBarItemLink* Link = Links->GetItem(*It);
            Link->MarkUsed(false);
            Link->SetUseCount(100);
        }
    }
    TcbBarSubMenuControl* OpenTools() { return OpenByMessage(Tools); }
    TcbBarItemControl* Row(TcbBarSubMenuControl* Menu, int Index)
    {
        return ControlOf(Menu, Index == 3 ? static_cast<TcbBarItem*>(More) : C[Index]);
    }
};

COLORREF RecentColor()
{
    const COLORREF Face = GetSysColor(COLOR_BTNFACE);
    return RGB(std::min(255, GetRValue(Face) + 20), std::min(255, GetGValue(Face) + 20),
               std::min(255, GetBValue(Face) + 20));
}

} // namespace

TEST(SubMenuPersonal, CtrlDownExpandsTheMenuAndTheChainAndRarelyUsedRowsShowTheirBrush)
{
    TPersonalScene F(false);
    TcbBarSubMenuControl* Tools = F.OpenTools();
    ASSERT_NE(nullptr, Tools);
    TcbBarItemLinks* Links = F.Tools->GetItemLinks();
    EXPECT_EQ(4, Links->GetShownItemCount());
    EXPECT_TRUE(Tools->IsMarkVisible());
    EXPECT_GT(Tools->GetBottomReserve(), 0);
    EXPECT_EQ(-1, Links->IndexOfShown(Links->GetItem(2))) << "C3 is not shown";
    const int32_t Before = Tools->GetHeight();

    WithKeyDown(VK_CONTROL, [&] { SendMessageA(Tools->GetHandle(), WM_KEYDOWN, VK_DOWN, 0); });
    TestSupport::PumpUntil([&] { return Links->GetShownItemCount() == 6; }, 5000, "the menu expanded");
    PumpPosted("the expansion handled");
    ASSERT_EQ(Tools, TMenuFixture::MenuOf(F.Tools)) << "the same menu, its window made again";
    EXPECT_EQ(6, Links->GetShownItemCount());
    EXPECT_FALSE(Tools->IsMarkVisible());
    EXPECT_GT(Tools->GetHeight(), Before);
    EXPECT_TRUE(TcbBarSubMenuControl::IsChainExpanded());
    // The rarely used rows, and only they, are marked and filled with the lighter brush.
    TcbBarItemControl* C3 = F.Row(Tools, 2);
    ASSERT_NE(nullptr, C3);
    EXPECT_TRUE(C3->IsRarelyUsed());
    EXPECT_TRUE(C3->IsFirstRarelyUsed());
    EXPECT_FALSE(F.Row(Tools, 1)->IsRarelyUsed());
    EXPECT_TRUE(F.Row(Tools, 5)->IsRarelyUsed());
    const TestSupport::TShot Shot = TestSupport::CaptureShown(Tools->GetHandle());
    const POINT Origin = TestSupport::ClientOrigin(Tools->GetHandle());
    const TRect R3 = C3->GetItemRect();
    TestSupport::ExpectPixel(Shot, Origin.x + R3.right - 3, Origin.y + R3.top + 10, RecentColor(),
                             "a rarely used row's background");
    const TRect R2 = F.Row(Tools, 1)->GetItemRect();
    TestSupport::ExpectPixel(Shot, Origin.x + R2.right - 3, Origin.y + R2.top + 10, GetSysColor(COLOR_WINDOW),
                             "a used row's background");

    // A menu opened next in the chain shows all of its commands.
    Tools->SelectControlByKeyboard(F.Row(Tools, 3));
    SendMessageA(Tools->GetHandle(), WM_KEYDOWN, VK_RIGHT, 0);
    TcbBarSubMenuControl* More = TMenuFixture::MenuOf(F.More);
    ASSERT_NE(nullptr, More);
    EXPECT_EQ(3, F.More->GetItemLinks()->GetShownItemCount());
    EXPECT_FALSE(More->IsMarkVisible());
    F.CloseMenus();

    // A new chain starts folded again.
    Tools = F.OpenTools();
    ASSERT_NE(nullptr, Tools);
    EXPECT_FALSE(TcbBarSubMenuControl::IsChainExpanded());
    EXPECT_EQ(4, Links->GetShownItemCount());
}

TEST(SubMenuPersonal, DownOnTheLastShownCommandExpandsAndSelectsTheNextOne)
{
    TPersonalScene F(false);
    TcbBarSubMenuControl* Tools = F.OpenTools();
    ASSERT_NE(nullptr, Tools);
    Tools->SelectControlByKeyboard(F.Row(Tools, 4));
    SendMessageA(Tools->GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
    TestSupport::PumpUntil([&] { return F.Tools->GetItemLinks()->GetShownItemCount() == 6; }, 5000,
                           "the menu expanded");
    PumpPosted("the expansion handled");
    EXPECT_EQ(6, F.Tools->GetItemLinks()->GetShownItemCount());
    EXPECT_EQ(F.Row(Tools, 5), Tools->GetSelectedControl()) << "C6, shown now, is selected";
    // Down elsewhere only moves.
    SendMessageA(Tools->GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(F.Row(Tools, 0), Tools->GetSelectedControl());
}

TEST(SubMenuPersonal, TheMarkShowsItsHintAndNeverExpandsByItselfWithoutTheDelayOption)
{
    TPersonalScene F(false);
    TcbBarSubMenuControl* Tools = F.OpenTools();
    ASSERT_NE(nullptr, Tools);
    const TRect Mark = Tools->GetMarkRect();
    ASSERT_FALSE(IsRectEmpty(&Mark));
    const LPARAM At = MAKELPARAM((Mark.left + Mark.right) / 2, (Mark.top + Mark.bottom) / 2);
    SendMessageA(Tools->GetHandle(), WM_MOUSEMOVE, 0, At);
    EXPECT_EQ(bstHot, Tools->GetExpandMarkState());
    ASSERT_TRUE(TestSupport::PumpUntil([] { return CommandBarsTest::HintVisible(); }, 5000, "the mark's hint"));
    EXPECT_EQ("Expand (Ctrl-Down)", CommandBarsTest::HintText());
    // No event marks that an expansion will not come: the wait outlasts the longest expand delay.
    TestSupport::PumpFor(5000);
    EXPECT_EQ(4, F.Tools->GetItemLinks()->GetShownItemCount()) << "not expanded 5 s later";
    // A press on the hot mark expands.
    SendMessageA(Tools->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    TestSupport::PumpUntil([&] { return F.Tools->GetItemLinks()->GetShownItemCount() == 6; }, 5000,
                           "the menu expanded by the press");
    EXPECT_EQ(6, F.Tools->GetItemLinks()->GetShownItemCount());
    F.CloseMenus();
    EXPECT_TRUE(TestSupport::PumpUntil([] { return !CommandBarsTest::HintVisible(); }, 5000, "the hint hidden"));
}

TEST(SubMenuPersonal, AMenuLeftAloneExpandsAfterTheDelay)
{
    TPersonalScene F(true);
    const double Opened = Now();
    TcbBarSubMenuControl* Tools = F.OpenTools();
    ASSERT_NE(nullptr, Tools);
    ASSERT_EQ(4, F.Tools->GetItemLinks()->GetShownItemCount());
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return F.Tools->GetItemLinks()->GetShownItemCount() == 6; }, 9000,
                                       "the menu expanded by itself"));
    EXPECT_GE(Now() - Opened, 3500.0);
}
