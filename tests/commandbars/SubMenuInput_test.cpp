// Menus under the real mouse, with the form in front: the Flat menu's pixels with a hot row, a cut
// menu scrolling while the cursor rests on its last row, and a drop-down button's arrow part.
#include <gtest/gtest.h>

#include <functional>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/windows/cbSubMenu.h"
#include "platform/win/HiddenWindow.h"
#include "platform/win/ThreadTimer.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::BrushColor;
using CommandBarsTest::TMenuFixture;

namespace {

// A pixel of a row, in the row's own coordinates.
struct TRowProbe {
    const TestSupport::TShot& Shot;
    POINT Origin;
    TRect Row;
    COLORREF At(int32_t X, int32_t Y) const { return Shot.At(Origin.x + Row.left + X, Origin.y + Row.top + Y); }
    bool Expect(int32_t X, int32_t Y, COLORREF Colour, const std::string& What) const
    {
        return TestSupport::ExpectPixel(Shot, Origin.x + Row.left + X, Origin.y + Row.top + Y, Colour, What);
    }
};

// Opens a title of the main menu with a real click.
TcbBarSubMenuControl* ClickOpen(TMenuFixture& F, TcbBarSubItem* Title)
{
    TestSupport::Click(TMenuFixture::CenterOf(F.WindowOf(F.MainMenu), Title));
    TestSupport::WaitProcessed();
    return TMenuFixture::MenuOf(Title);
}

} // namespace

TEST(SubMenuInput, TheFlatFileMenuDrawsItsFrameBandsRowsAndHotRow)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarSubMenuControl* Menu = ClickOpen(F, F.File);
    ASSERT_NE(nullptr, Menu);
    TestSupport::MoveTo(TMenuFixture::CenterOf(Menu, F.Open));
    TestSupport::WaitProcessed();
    ASSERT_EQ(F.ControlOf(Menu, F.Open), Menu->GetSelectedControl()) << "the mouse made the row hot";
    const TestSupport::TShot Shot = TestSupport::CaptureShown(Menu->GetHandle());
    const POINT Origin = TestSupport::ClientOrigin(Menu->GetHandle());
    const COLORREF Frame = BrushColor(F.Manager->GetFlatFrameBrush() ? F.Manager->GetFlatFrameBrush()
                                                                      : GetSysColorBrush(COLOR_BTNSHADOW));
    const COLORREF Bar = BrushColor(Menu->GetBarBrush());
    const COLORREF Window = GetSysColor(COLOR_WINDOW);
    TestSupport::ExpectPixel(Shot, 0, 0, Frame, "the frame");
    TestSupport::ExpectPixel(Shot, Origin.x, Origin.y + Shot.H / 2, Bar, "client column 0");

    const TRowProbe New{Shot, Origin, F.ControlOf(Menu, F.New)->GetItemRect()};
    const int32_t Width = New.Row.right - New.Row.left;
    const int32_t Height = New.Row.bottom - New.Row.top;
    New.Expect(2, 10, Bar, "the glyph column of \"&New\"");
    New.Expect(Width - 3, 10, Window, "the caption band of \"&New\"");
    int32_t FirstInk = -1;
    for (int32_t X = 0; X < Width && FirstInk < 0; ++X)
        for (int32_t Y = 2; Y < Height - 2; ++Y)
            if (const COLORREF C = New.At(X, Y); C != Bar && C != Window) {
                FirstInk = X;
                break;
            }
    EXPECT_GE(FirstInk, 29) << "the caption starts after the glyph column";

    const TRowProbe Open{Shot, Origin, F.ControlOf(Menu, F.Open)->GetItemRect()};
    Open.Expect(0, 0, GetSysColor(COLOR_HIGHLIGHT), "the hot row's frame");
    Open.Expect(Width - 3, 10, BrushColor(Menu->GetSelectedItemBrush()), "the hot row's fill");

    const TRect Recent = F.ControlOf(Menu, F.Recent)->GetItemRect();
    const int32_t Middle = Recent.top - Menu->GetBeginGroupSize() + Menu->GetBeginGroupSize() / 2;
    TestSupport::ExpectPixel(Shot, Origin.x + Recent.left + 29, Origin.y + Middle, GetSysColor(COLOR_BTNSHADOW),
                             "the group line");
    TestSupport::ExpectPixel(Shot, Origin.x + Recent.right - 3, Origin.y + Middle, GetSysColor(COLOR_BTNSHADOW),
                             "the group line's end");
    F.CloseMenus();

    // A checked command of "&View" draws its check mark in the glyph column.
    TcbBarSubMenuControl* View = ClickOpen(F, F.View);
    ASSERT_NE(nullptr, View);
    const TestSupport::TShot ViewShot = TestSupport::CaptureShown(View->GetHandle());
    const POINT ViewOrigin = TestSupport::ClientOrigin(View->GetHandle());
    TRect Glyph = F.ControlOf(View, F.Ruler)->GetItemRect();
    Glyph.right = Glyph.left + View->GetSubMenuMetrics().GlyphColumnWidth + 4;
    OffsetRect(&Glyph, ViewOrigin.x, ViewOrigin.y);
    EXPECT_TRUE(ViewShot.Contains(Glyph, GetSysColor(COLOR_BTNTEXT))) << "check-mark pixels";
}

TEST(SubMenuInput, ACutMenuScrollsWhileTheCursorRestsOnItsLastRow)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    auto* Popup = new TcbBarPopupMenu(F.Form.get());
    for (int I = 0; I < 120; ++I) {
        auto* B = new TcbBarButton(F.Form.get());
        B->SetCaption("Entry " + std::to_string(I));
        Popup->GetItemLinks()->Add()->SetItem(B);
    }
    Popup->SetNoWait(true);
    Popup->Popup(300, 100);
    TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(Popup);
    ASSERT_NE(nullptr, Menu);
    ASSERT_TRUE(Menu->CanScrollDown());
    TcbBarItemLinks* Links = Popup->GetItemLinks();
    int32_t Last = 0;
    while (Last + 1 < Links->GetShownItemCount() && !IsRectEmpty(&Links->GetShownItem(Last + 1)->GetItemRect()))
        ++Last;
    const TRect Row = Links->GetShownItem(Last)->GetItemRect();
    POINT On{(Row.left + Row.right) / 2, (Row.top + Row.bottom) / 2};
    ClientToScreen(Menu->GetHandle(), &On);
    TestSupport::MoveTo(On);
    TestSupport::WaitProcessed();
    EXPECT_EQ(nullptr, Menu->GetSelectedControl()) << "the scroll row selects nothing";
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Menu->GetFirstVisibleIndex() >= 3; }, 5000, "scrolling"));
    EXPECT_TRUE(Menu->CanScrollUp());
    // Away from the row the scrolling stops.
    TestSupport::MoveTo(POINT{On.x, On.y - 5 * (Row.bottom - Row.top)});
    TestSupport::WaitProcessed();
    // The menu's scroll timer shows nothing outside it: a wait past its interval lets a tick see
    // the mouse gone.
    TestSupport::PumpFor(100);
    const int32_t Stopped = Menu->GetFirstVisibleIndex();
    // No event marks that the scrolling will not go on: the wait spans several ticks.
    TestSupport::PumpFor(400);
    EXPECT_EQ(Stopped, Menu->GetFirstVisibleIndex());
    Menu->CloseAndFree();
}

TEST(SubMenuInput, TheArrowPartOfADropDownButtonOpensItsMenuUnderTheButton)
{
    TMenuFixture F;
    auto* Button = F.MakeCommand("Back");
    Button->SetButtonStyle(bsDropDown);
    Button->SetDropDownMenu(F.Popup);
    F.Standard->GetItemLinks()->Add()->SetItem(Button);
    TestSupport::PumpUntil([&] { return F.ControlOf(F.WindowOf(F.Standard), Button) != nullptr; }, 5000,
                           "the button on the toolbar");
    PumpPosted("the toolbar rebuilt");
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarControl* Bar = F.WindowOf(F.Standard);
    auto* Control = dynamic_cast<TcbBarButtonControl*>(F.ControlOf(Bar, Button));
    ASSERT_NE(nullptr, Control);
    const TRect R = Control->GetItemRect();
    POINT Arrow{R.right - 3, (R.top + R.bottom) / 2};
    POINT Corner{R.left, R.bottom};
    ClientToScreen(Bar->GetHandle(), &Arrow);
    ClientToScreen(Bar->GetHandle(), &Corner);
    bool Checked = false;
    RECT MenuRect{};
    bool DroppedWhileOpen = false;
    // Inside the menu's loop: look, then close it.
    UINT_PTR Timer = 0;
    Timer = ThreadTimerStart(150, [&](UINT_PTR) {
        ThreadTimerStop(Timer);
        TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.Popup);
        if (!Menu)
            return;
        Checked = true;
        GetWindowRect(Menu->GetHandle(), &MenuRect);
        DroppedWhileOpen = Control->IsDroppedDown();
        SendMessageA(Menu->GetHandle(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    TestSupport::MoveTo(Arrow);
    TestSupport::ButtonDown();
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Checked; }, 5000, "the drop-down menu"));
    TestSupport::ButtonUp();
    TestSupport::WaitProcessed();
    ThreadTimerStop(Timer);
    EXPECT_EQ(Corner.x, MenuRect.left);
    EXPECT_EQ(Corner.y, MenuRect.top);
    EXPECT_TRUE(DroppedWhileOpen);
    EXPECT_FALSE(Control->IsDroppedDown()) << "the drop-down state ends with the menu";
    EXPECT_EQ(nullptr, TMenuFixture::MenuOf(F.Popup));
    EXPECT_EQ(0, F.Runs["Back"]) << "the arrow part does not click the button";
}

TEST(SubMenuInput, TheCursorRestingOnTheExpandMarkExpandsTheMenu)
{
    TMenuFixture F;
    F.Manager->SetShowFullMenusAfterDelay(true);
    // Two of five commands are never used.
    auto* Tools = new TcbBarSubItem(F.Form.get());
    Tools->SetCaption("&Tools");
    for (int I = 1; I <= 5; ++I)
        Tools->GetItemLinks()->Add()->SetItem(F.MakeCommand("Command " + std::to_string(I)));
    for (int I : {2, 1, 0}) {
        Tools->GetItemLinks()->GetItem(I)->MarkUsed(false);
        Tools->GetItemLinks()->GetItem(I)->SetUseCount(100);
    }
    F.MainMenu->GetItemLinks()->Add()->SetItem(Tools);
    TestSupport::PumpUntil([&] { return F.ControlOf(F.WindowOf(F.MainMenu), Tools) != nullptr; }, 5000,
                           "the Tools title on the bar");
    PumpPosted("the bar rebuilt");
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TcbBarSubMenuControl* Menu = ClickOpen(F, Tools);
    ASSERT_NE(nullptr, Menu);
    ASSERT_EQ(3, Tools->GetItemLinks()->GetShownItemCount());
    const TRect Mark = Menu->GetMarkRect();
    POINT On{(Mark.left + Mark.right) / 2, (Mark.top + Mark.bottom) / 2};
    ClientToScreen(Menu->GetHandle(), &On);
    TestSupport::MoveTo(On);
    TestSupport::WaitProcessed();
    EXPECT_EQ(bstHot, Menu->GetExpandMarkState());
    EXPECT_EQ(nullptr, Menu->GetSelectedControl()) << "the mark selects nothing";
    EXPECT_TRUE(TestSupport::PumpUntil([&] { return Tools->GetItemLinks()->GetShownItemCount() == 5; }, 5000,
                                       "the menu expanded from its hot mark"));
}
