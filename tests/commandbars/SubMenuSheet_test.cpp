// Pictures of the Flat menus for a person to look at: the File menu with "Recent" open beside it,
// a personalized menu with its expand mark, a cut menu with its scroll arrows, and a popup menu
// with a painted side bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/win/Graphics.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::TMenuFixture;

namespace {

// The windows as they lie on the screen, on a light grey ground with a margin of 8 pixels.
TestSupport::TShot Compose(const std::vector<HWND>& Windows)
{
    RECT All{};
    for (HWND W : Windows) {
        RECT R{};
        GetWindowRect(W, &R);
        if (IsRectEmpty(&All))
            All = R;
        else
            UnionRect(&All, &All, &R);
    }
    InflateRect(&All, 8, 8);
    TestSupport::TShot Sheet;
    Sheet.W = All.right - All.left;
    Sheet.H = All.bottom - All.top;
    Sheet.Pixels.assign(static_cast<size_t>(Sheet.W * Sheet.H), 0xE8E8E8);
    for (HWND W : Windows) {
        RECT R{};
        GetWindowRect(W, &R);
        const TestSupport::TShot Part = TestSupport::CaptureShown(W);
        for (int32_t Y = 0; Y < Part.H; ++Y)
            for (int32_t X = 0; X < Part.W; ++X)
                Sheet.Pixels[static_cast<size_t>((R.top - All.top + Y) * Sheet.W + R.left - All.left + X)] =
                    Part.At(X, Y);
    }
    return Sheet;
}

} // namespace

TEST(SubMenuSheet, TheFileMenuWithRecentOpenBesideIt)
{
    TMenuFixture F;
    TcbBarSubMenuControl* File = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, File);
    File->SelectControlByKeyboard(F.ControlOf(File, F.Recent));
    SendMessageA(File->GetHandle(), WM_KEYDOWN, VK_RIGHT, 0);
    TcbBarSubMenuControl* Recent = TMenuFixture::MenuOf(F.Recent);
    ASSERT_NE(nullptr, Recent);
    TestSupport::PumpUntil([&] { return IsWindowVisible(Recent->GetHandle()); }, 5000, "Recent's window shown");
    PumpPosted("the opening handled");
    const TestSupport::TShot Sheet = Compose({File->GetHandle(), Recent->GetHandle()});
    // The hot "Recent" row and the two windows side by side.
    RECT FileRect{}, RecentRect{};
    GetWindowRect(File->GetHandle(), &FileRect);
    GetWindowRect(Recent->GetHandle(), &RecentRect);
    EXPECT_GT(Sheet.W, (FileRect.right - FileRect.left) + (RecentRect.right - RecentRect.left) - 4);
    EXPECT_FALSE(TestSupport::SaveShot(Sheet, "menu-file-recent").empty());
}

TEST(SubMenuSheet, APersonalizedMenuWithItsExpandMark)
{
    TMenuFixture F;
    auto* Tools = new TcbBarSubItem(F.Form.get());
    Tools->SetCaption("&Tools");
    for (int I = 1; I <= 6; ++I)
        Tools->GetItemLinks()->Add()->SetItem(F.MakeCommand("Command " + std::to_string(I)));
    // Commands 3 and 6 are never used.
    for (int I : {4, 3, 1, 0}) {
        Tools->GetItemLinks()->GetItem(I)->MarkUsed(false);
        Tools->GetItemLinks()->GetItem(I)->SetUseCount(100);
    }
    F.MainMenu->GetItemLinks()->Add()->SetItem(Tools);
    TestSupport::PumpUntil([&] { return F.ControlOf(F.WindowOf(F.MainMenu), Tools) != nullptr; }, 5000,
                           "the Tools title on the bar");
    PumpPosted("the bar rebuilt");
    TcbBarSubMenuControl* Menu = F.OpenByMessage(Tools);
    ASSERT_NE(nullptr, Menu);
    ASSERT_TRUE(Menu->IsMarkVisible());
    EXPECT_FALSE(TestSupport::SaveShot(Compose({Menu->GetHandle()}), "menu-personalized").empty());
    // Expanded: the rarely used rows in their lighter band.
    CommandBarsTest::WithKeyDown(VK_CONTROL, [&] { SendMessageA(Menu->GetHandle(), WM_KEYDOWN, VK_DOWN, 0); });
    TestSupport::PumpUntil([&] { return Tools->GetItemLinks()->GetShownItemCount() == 6; }, 5000,
                           "the menu expanded");
    PumpPosted("the expansion handled");
    ASSERT_EQ(6, Tools->GetItemLinks()->GetShownItemCount());
    EXPECT_FALSE(TestSupport::SaveShot(Compose({Menu->GetHandle()}), "menu-personalized-expanded").empty());
}

TEST(SubMenuSheet, ACutMenuWithItsScrollArrows)
{
    TMenuFixture F;
    auto* Popup = new TcbBarPopupMenu(F.Form.get());
    for (int I = 0; I < 120; ++I)
        Popup->GetItemLinks()->Add()->SetItem(F.MakeCommand("Entry " + std::to_string(I)));
    Popup->SetNoWait(true);
    Popup->Popup(300, 100);
    TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(Popup);
    ASSERT_NE(nullptr, Menu);
    for (int I = 0; I < 60; ++I)
        SendMessageA(Menu->GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
    PumpPosted("the moves handled");
    ASSERT_TRUE(Menu->CanScrollUp());
    ASSERT_TRUE(Menu->CanScrollDown());
    EXPECT_FALSE(TestSupport::SaveShot(Compose({Menu->GetHandle()}), "menu-scrolling").empty());
    Menu->CloseAndFree();
}

TEST(SubMenuSheet, APopupMenuWithAPaintedSideBar)
{
    TMenuFixture F;
    F.Popup->SetBarSize(24);
    int Painted = 0;
    F.Popup->OnPaintBar = [&](TObject*, TCanvas* Canvas, const TRect& R) {
        ++Painted;
        HDC DC = Canvas->GetHandle();
        const int32_t H = R.bottom - R.top;
        for (int32_t Y = 0; Y < H; ++Y) {
            HBRUSH B = CreateSolidBrush(RGB(0, 0, 80 + 150 * Y / std::max(1, H)));
            const RECT Line{R.left, R.top + Y, R.right, R.top + Y + 1};
            FillRect(DC, &Line, B);
            DeleteObject(B);
        }
        HBRUSH Sun = CreateSolidBrush(RGB(255, 200, 0));
        const RECT Dot{R.left + 6, R.bottom - 18, R.right - 6, R.bottom - 6};
        FillRect(DC, &Dot, Sun);
        DeleteObject(Sun);
    };
    F.Popup->SetNoWait(true);
    F.Popup->Popup(300, 300);
    TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.Popup);
    ASSERT_NE(nullptr, Menu);
    const TestSupport::TShot Shot = TestSupport::CaptureShown(Menu->GetHandle());
    EXPECT_GT(Painted, 0);
    const POINT Origin = TestSupport::ClientOrigin(Menu->GetHandle());
    const uint32_t Band = Shot.At(Origin.x + 12, Origin.y + 2);
    EXPECT_EQ(0u, (Band >> 16) & 0xFF) << "the side bar's blue band (no red)";
    EXPECT_GE(Band & 0xFF, 80u);
    EXPECT_EQ(1 + 24, F.ControlOf(Menu, F.PopupButtons[0])->GetItemRect().left) << "rows start after the bar";
    EXPECT_FALSE(TestSupport::SaveShot(Compose({Menu->GetHandle()}), "menu-sidebar").empty());
    Menu->CloseAndFree();
}
