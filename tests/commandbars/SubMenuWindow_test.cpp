// The menu window driven by messages: its window, its sizes, the keys that close it and the
// chain closing from its root.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::TMenuFixture;

namespace {

int32_t TextWidth(HFONT Font, const std::string& Text)
{
    return cbTextWidth(Font, Text);
}

} // namespace

TEST(SubMenuWindow, AnOpenMenuIsAnOwnedTopmostPopupWithTheStyleRows)
{
    TMenuFixture F;
    TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    const HWND Wnd = Menu->GetHandle();
    ASSERT_TRUE(IsWindowVisible(Wnd));
    EXPECT_EQ(0x86000000u, static_cast<DWORD>(GetWindowLongA(Wnd, GWL_STYLE)) & ~static_cast<DWORD>(WS_VISIBLE));
    EXPECT_NE(0, GetWindowLongA(Wnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(0x82Bu, static_cast<DWORD>(GetClassLongA(Wnd, GCL_STYLE)));
    EXPECT_EQ(F.Form->GetHandle(), GetWindow(Wnd, GW_OWNER));

    // Every command row is as high as the painter says; the window is the widest row plus the
    // side bar and the borders, the widest being "&Open..." with its shortcut.
    TcbPainterClass Painter = F.Manager->GetPainterClass();
    TcbBarItemLinks* Links = F.File->GetItemLinks();
    ASSERT_EQ(5, Links->GetShownItemCount());
    for (int32_t I = 0; I < Links->GetShownItemCount(); ++I) {
        TcbBarItemControl* Control = Links->GetShownItem(I)->GetControl();
        ASSERT_NE(nullptr, Control);
        const TRect R = Control->GetItemRect();
        EXPECT_EQ(Painter->GetSubItemHeight(Control), R.bottom - R.top) << "row " << I;
    }
    const int32_t Column = Menu->GetSubMenuMetrics().GlyphColumnWidth;
    const HFONT Font = Menu->GetFontHandle();
    const int32_t Widest = TextWidth(Font, "Open...") + 2 * Column + 6 + TextWidth(Font, "Ctrl+O") + Column - 6 + 9;
    RECT W{};
    GetWindowRect(Wnd, &W);
    EXPECT_EQ(Widest + Menu->GetBarSize() + 4, W.right - W.left);
    // The rows lie one under the other, the group line before "Recent".
    const TRect OpenRow = F.ControlOf(Menu, F.Open)->GetItemRect();
    const TRect RecentRow = F.ControlOf(Menu, F.Recent)->GetItemRect();
    EXPECT_EQ(OpenRow.bottom + Menu->GetBeginGroupSize(), RecentRow.top);
    EXPECT_EQ(1 + Menu->GetBarSize(), OpenRow.left) << "rows start after the side bar";
    // It hangs under its title.
    TcbBarItemControl* Title = F.ControlOf(F.WindowOf(F.MainMenu), F.File);
    POINT Below{Title->GetItemRect().left, Title->GetItemRect().bottom};
    ClientToScreen(F.WindowOf(F.MainMenu)->GetHandle(), &Below);
    EXPECT_EQ(Below.x, W.left);
    EXPECT_EQ(Below.y, W.top);
}

TEST(SubMenuWindow, APopupMenuWithoutLinksIsAHundredPixelsWide)
{
    TMenuFixture F;
    auto* Empty = new TcbBarPopupMenu(F.Form.get());
    Empty->SetNoWait(true);
    Empty->Popup(300, 300);
    TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(Empty);
    ASSERT_NE(nullptr, Menu);
    RECT W{};
    GetWindowRect(Menu->GetHandle(), &W);
    EXPECT_EQ(100, W.right - W.left);
    EXPECT_EQ(300, W.left);
    EXPECT_TRUE(Empty->IsOpen());
    Menu->CloseAndFree();
    EXPECT_FALSE(Empty->IsOpen()) << "the close-up notice reached the popup menu";
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(Empty));
}

TEST(SubMenuWindow, KeysWalkAndCloseTheChain)
{
    TMenuFixture F;
    TcbBarSubMenuControl* File = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, File);
    const HWND FileWnd = File->GetHandle();
    // Down selects the first command, Down again the next.
    SendMessageA(FileWnd, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(F.ControlOf(File, F.New), File->GetSelectedControl());
    SendMessageA(FileWnd, WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(FileWnd, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(F.ControlOf(File, F.Recent), File->GetSelectedControl());
    // Right on "Recent" opens it with its first entry selected; Left closes it and keeps its row.
    SendMessageA(FileWnd, WM_KEYDOWN, VK_RIGHT, 0);
    TcbBarSubMenuControl* Recent = TMenuFixture::MenuOf(F.Recent);
    ASSERT_NE(nullptr, Recent);
    EXPECT_EQ(File, Recent->GetParentBar());
    EXPECT_EQ(F.ControlOf(Recent, F.RecentA), Recent->GetSelectedControl());
    RECT FileRect{}, RecentRect{};
    GetWindowRect(FileWnd, &FileRect);
    GetWindowRect(Recent->GetHandle(), &RecentRect);
    EXPECT_GE(RecentRect.left, FileRect.right - 2) << "a sub-menu opens beside its row";
    SendMessageA(Recent->GetHandle(), WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Recent));
    EXPECT_EQ(F.ControlOf(File, F.Recent), File->GetSelectedControl());
    // Esc in "Recent" closes only "Recent"; Esc in "&File" closes "&File".
    SendMessageA(FileWnd, WM_KEYDOWN, VK_RIGHT, 0);
    ASSERT_NE(nullptr, TMenuFixture::MenuOf(F.Recent));
    SendMessageA(TMenuFixture::MenuOf(F.Recent)->GetHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Recent));
    ASSERT_EQ(File, TMenuFixture::MenuOf(F.File));
    SendMessageA(FileWnd, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));
    EXPECT_FALSE(IsWindow(FileWnd));
}

TEST(SubMenuWindow, EnterRunsTheSelectedCommandOnceAndHideAllClosesTheChain)
{
    TMenuFixture F;
    TcbBarSubMenuControl* File = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, File);
    SendMessageA(File->GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(File->GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
    SendMessageA(File->GetHandle(), WM_KEYDOWN, VK_RETURN, 0);
    TestSupport::PumpUntil([&] { return F.Runs["&Open..."] >= 1; }, 5000, "the selected command run");
    PumpPosted("the command's messages handled");
    EXPECT_EQ(1, F.Runs["&Open..."]);
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File)) << "a command closes the chain";
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());

    // HideAll from the innermost menu closes the chain from its root.
    File = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, File);
    File->SelectControlByKeyboard(F.ControlOf(File, F.Recent));
    SendMessageA(File->GetHandle(), WM_KEYDOWN, VK_RIGHT, 0);
    TcbBarSubMenuControl* Recent = TMenuFixture::MenuOf(F.Recent);
    ASSERT_NE(nullptr, Recent);
    const HWND RecentWnd = Recent->GetHandle();
    Recent->HideAll();
    TestSupport::PumpUntil([&] { return !IsWindow(RecentWnd) && !TMenuFixture::MenuOf(F.File); }, 5000,
                           "the chain closed");
    PumpPosted("the closing handled");
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Recent));
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));
    EXPECT_FALSE(IsWindow(RecentWnd));
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl());
}

TEST(SubMenuWindow, AClickInASubMenuCountsForEveryLinkUpTheChain)
{
    TMenuFixture F;
    TcbBarSubMenuControl* File = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, File);
    File->SelectControlByKeyboard(F.ControlOf(File, F.Recent));
    SendMessageA(File->GetHandle(), WM_KEYDOWN, VK_RIGHT, 0);
    TcbBarSubMenuControl* Recent = TMenuFixture::MenuOf(F.Recent);
    ASSERT_NE(nullptr, Recent);
    TcbBarItemLink* Entry = F.ControlOf(Recent, F.RecentB)->GetLink();
    TcbBarItemLink* RecentLink = F.ControlOf(File, F.Recent)->GetLink();
    TcbBarItemLink* FileLink = F.ControlOf(F.WindowOf(F.MainMenu), F.File)->GetLink();
    const int32_t Counts[3] = {Entry->GetUseCount(), RecentLink->GetUseCount(), FileLink->GetUseCount()};
    const TRect R = F.ControlOf(Recent, F.RecentB)->GetItemRect();
    const LPARAM At = MAKELPARAM((R.left + R.right) / 2, (R.top + R.bottom) / 2);
    SendMessageA(Recent->GetHandle(), WM_MOUSEMOVE, 0, At);
    SendMessageA(Recent->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(Recent->GetHandle(), WM_LBUTTONUP, 0, At);
    TestSupport::PumpUntil([&] { return F.Runs["second.wrp"] >= 1; }, 5000, "the clicked entry run");
    PumpPosted("the click handled");
    EXPECT_EQ(1, F.Runs["second.wrp"]);
    EXPECT_EQ(Counts[0] + 1, Entry->GetUseCount());
    EXPECT_EQ(Counts[1] + 1, RecentLink->GetUseCount());
    EXPECT_EQ(Counts[2] + 1, FileLink->GetUseCount());
    EXPECT_EQ(Entry, F.Recent->GetItemLinks()->GetRecentListItem(0)) << "the link moved to the front";
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.File));
}

TEST(SubMenuWindow, AListItemsEntriesStandInItsPlaceWhileTheMenuIsOpen)
{
    TMenuFixture F;
    auto* List = new TcbBarListItem(F.Form.get());
    List->SetCaption("Files");
    List->GetItems()->Add("a.txt");
    List->GetItems()->Add("b.txt");
    F.File->GetItemLinks()->Add()->SetItem(List);
    TcbBarItemLinks* Links = F.File->GetItemLinks();
    const int32_t Count = Links->GetCount();
    TcbBarSubMenuControl* File = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, File);
    ASSERT_EQ(Count + 2, Links->GetCount());
    std::vector<std::string> Shown;
    for (int32_t I = 0; I < Links->GetShownItemCount(); ++I)
        Shown.push_back(Links->GetShownItem(I)->GetItem()->GetCaption());
    const std::vector<std::string> Expected{"&New", "&Open...", "Recent", "&Save", "&Print", "&1 a.txt", "&2 b.txt"};
    EXPECT_EQ(Expected, Shown);
    const TRect A = F.ControlOf(File, Links->GetShownItem(5)->GetItem())->GetItemRect();
    EXPECT_FALSE(IsRectEmpty(&A));
    F.CloseMenus();
    EXPECT_EQ(Count, Links->GetCount()) << "the entries go with the window";
    EXPECT_TRUE(Links->GetItem(Count - 1)->GetVisible()) << "the list item's own link is back";
}

TEST(SubMenuWindow, ADetachableMenuKeepsItsBandAboveTheRows)
{
    TMenuFixture F;
    F.Recent->SetDetachable(true);
    TcbBarSubMenuControl* File = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, File);
    File->SelectControlByKeyboard(F.ControlOf(File, F.Recent));
    SendMessageA(File->GetHandle(), WM_KEYDOWN, VK_RIGHT, 0);
    TcbBarSubMenuControl* Recent = TMenuFixture::MenuOf(F.Recent);
    ASSERT_NE(nullptr, Recent);
    ASSERT_TRUE(Recent->IsDetachable());
    EXPECT_FALSE(File->IsDetachable());
    const int32_t Band = Recent->GetDetachBandHeight();
    EXPECT_GT(Band, 0);
    EXPECT_EQ(1, Recent->GetDetachCaptionHeight() % 2) << "an odd caption height";
    const POINT Origin = TestSupport::ClientOrigin(Recent->GetHandle());
    EXPECT_EQ(1 + Band, Origin.y);
    RECT Client{}, Window{};
    GetClientRect(Recent->GetHandle(), &Client);
    GetWindowRect(Recent->GetHandle(), &Window);
    EXPECT_EQ(Window.bottom - Window.top - 2 - Band, Client.bottom);
    // The band answers as client area, so that it gets the mouse.
    const LPARAM OnBand = MAKELPARAM(Window.left + 5, Window.top + 2);
    EXPECT_EQ(HTCLIENT, SendMessageA(Recent->GetHandle(), WM_NCHITTEST, 0, OnBand));
}

TEST(SubMenuWindow, FreeingASubItemWithItsMenuOpenClosesTheMenu)
{
    TMenuFixture F;
    TcbBarSubMenuControl* File = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, File);
    File->SelectControlByKeyboard(F.ControlOf(File, F.Recent));
    SendMessageA(File->GetHandle(), WM_KEYDOWN, VK_RIGHT, 0);
    TcbBarSubMenuControl* Recent = TMenuFixture::MenuOf(F.Recent);
    ASSERT_NE(nullptr, Recent);
    const HWND RecentWnd = Recent->GetHandle();
    delete F.Recent;
    F.Recent = nullptr;
    TestSupport::PumpUntil([&] { return !IsWindow(RecentWnd); }, 5000, "the sub-menu window gone with its item");
    PumpPosted("the item's end handled");
    EXPECT_FALSE(IsWindow(RecentWnd));
    EXPECT_FALSE(TCustomcbBarControl::IsLiveBarControl(Recent));
    // The rest of the menu still works.
    if (TcbBarSubMenuControl* Still = TMenuFixture::MenuOf(F.File)) {
        Still->SelectControlByKeyboard(F.ControlOf(Still, F.Save));
        SendMessageA(Still->GetHandle(), WM_KEYDOWN, VK_RETURN, 0);
        TestSupport::PumpUntil([&] { return F.Runs["&Save"] >= 1; }, 5000, "Save run");
    } else {
        File = F.OpenByMessage(F.File);
        ASSERT_NE(nullptr, File);
        File->SelectControlByKeyboard(F.ControlOf(File, F.Save));
        SendMessageA(File->GetHandle(), WM_KEYDOWN, VK_RETURN, 0);
        TestSupport::PumpUntil([&] { return F.Runs["&Save"] >= 1; }, 5000, "Save run");
    }
    PumpPosted("the command's messages handled");
    EXPECT_EQ(1, F.Runs["&Save"]);
}

TEST(SubMenuWindow, AListItemOnABarOpensItsEntriesInAContentWindow)
{
    TMenuFixture F;
    auto* List = new TcbBarListItem(F.Form.get());
    List->SetCaption("&Windows");
    List->GetItems()->Add("one");
    List->GetItems()->Add("two");
    List->GetItems()->Add("three");
    F.MainMenu->GetItemLinks()->Add()->SetItem(List);
    TestSupport::PumpUntil([&] { return F.ControlOf(F.WindowOf(F.MainMenu), List) != nullptr; }, 5000,
                           "the list item's title on the bar");
    PumpPosted("the bar rebuilt");
    TcbBarSubMenuControl* Content = F.OpenByMessage(List);
    ASSERT_NE(nullptr, Content);
    EXPECT_NE(nullptr, dynamic_cast<TContainerItemSubMenuControl*>(Content));
    EXPECT_FALSE(Content->IsCustomizing());
    TcbBarItemLinks* Links = List->GetItemLinks();
    ASSERT_EQ(3, Links->GetShownItemCount());
    EXPECT_EQ("&2 two", Links->GetShownItem(1)->GetItem()->GetCaption());
    EXPECT_TRUE(IsWindowVisible(Content->GetHandle()));
    F.CloseMenus();
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(List));
    EXPECT_EQ(0, Links->GetCount()) << "the content goes with its window";
}
