// The main menu bar and its menus under real input, read from the screen as the program left
// it: sliding from an open title to the next opens that title's menu, Esc goes back to the title
// with the mouse only selecting titles after it, the keyboard's selection is drawn as it moves,
// and a menu mode ended by Esc leaves no title highlighted.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/windows/cbSubMenu.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/support/InputDriver.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::BrushColor;
using CommandBarsTest::TMenuFixture;

namespace {

// The pixels of a control's rect (client coordinates of its window) in a shown picture of that
// window.
TestSupport::TShot Part(const TestSupport::TShot& Shot, TCustomcbBarControl* Window, TcbBarItemControl* Control)
{
    const POINT O = TestSupport::ClientOrigin(Window->GetHandle());
    const TRect R = Control->GetItemRect();
    TestSupport::TShot P;
    P.W = R.right - R.left;
    P.H = R.bottom - R.top;
    for (int32_t Y = 0; Y < P.H; ++Y)
        for (int32_t X = 0; X < P.W; ++X)
            P.Pixels.push_back(Shot.At(O.x + R.left + X, O.y + R.top + Y));
    return P;
}

TestSupport::TShot ShownPart(TCustomcbBarControl* Window, TcbBarItemControl* Control)
{
    return Part(TestSupport::CaptureShown(Window->GetHandle()), Window, Control);
}

bool Same(const TestSupport::TShot& A, const TestSupport::TShot& B)
{
    return A.W == B.W && A.H == B.H && A.Pixels == B.Pixels;
}

// Whether the row's middle, right of the glyph column, has the window's selected-row fill.
bool RowDrawnSelected(const TestSupport::TShot& Shot, TcbBarSubMenuControl* Menu, TcbBarItemControl* Row)
{
    const POINT O = TestSupport::ClientOrigin(Menu->GetHandle());
    const TRect R = Row->GetItemRect();
    const COLORREF Fill = BrushColor(Menu->GetSelectedItemBrush());
    const uint32_t Wanted = (static_cast<uint32_t>(GetRValue(Fill)) << 16) |
                            (static_cast<uint32_t>(GetGValue(Fill)) << 8) | GetBValue(Fill);
    return Shot.At(O.x + R.right - 3, O.y + (R.top + R.bottom) / 2) == Wanted;
}

struct TMenuBar {
    TMenuFixture& F;
    TcbBarControl* Bar;
    TcbBarItemControl* File;
    TcbBarItemControl* Edit;
    TestSupport::TShot FileAtRest, EditAtRest;
    explicit TMenuBar(TMenuFixture& Fixture)
        : F(Fixture), Bar(F.WindowOf(F.MainMenu)), File(F.ControlOf(Bar, F.File)), Edit(F.ControlOf(Bar, F.Menus[1]))
    {
        const TestSupport::TShot Shot = TestSupport::CaptureShown(Bar->GetHandle());
        FileAtRest = Part(Shot, Bar, File);
        EditAtRest = Part(Shot, Bar, Edit);
    }
};

} // namespace

TEST(MenuBarInput, MovingFromAnOpenTitleToTheNextOpensThatTitlesMenu)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TMenuBar M(F);
    ASSERT_NE(M.File, nullptr);
    ASSERT_NE(M.Edit, nullptr);

    TestSupport::Click(TMenuFixture::CenterOf(M.Bar, F.File));
    TestSupport::WaitProcessed();
    ASSERT_NE(TMenuFixture::MenuOf(F.File), nullptr) << "the click opened \"&File\"";
    EXPECT_FALSE(Same(M.FileAtRest, ShownPart(M.Bar, M.File))) << "the open title is drawn apart";

    TestSupport::MoveTo(TMenuFixture::CenterOf(M.Bar, F.Menus[1]));
    TestSupport::WaitProcessed();
    EXPECT_EQ(TMenuFixture::MenuOf(F.File), nullptr) << "the first menu closed";
    TcbBarSubMenuControl* EditMenu = TMenuFixture::MenuOf(F.Menus[1]);
    ASSERT_NE(EditMenu, nullptr) << "the mouse on the next title opened its menu";
    EXPECT_EQ(M.Bar->GetSelectedControl(), M.Edit);
    const TestSupport::TShot Bar = TestSupport::CaptureShown(M.Bar->GetHandle());
    EXPECT_TRUE(Same(M.FileAtRest, Part(Bar, M.Bar, M.File))) << "\"&File\" is drawn at rest again";
    EXPECT_FALSE(Same(M.EditAtRest, Part(Bar, M.Bar, M.Edit))) << "\"&Edit\" is drawn open";
    // The menu is on the screen: its frame and its background.
    const TestSupport::TShot Menu = TestSupport::CaptureShown(EditMenu->GetHandle());
    const COLORREF Frame = BrushColor(F.Manager->GetFlatFrameBrush() ? F.Manager->GetFlatFrameBrush()
                                                                      : GetSysColorBrush(COLOR_BTNSHADOW));
    TestSupport::ExpectPixel(Menu, 0, 0, Frame, "the frame of the opened menu");
    const POINT O = TestSupport::ClientOrigin(EditMenu->GetHandle());
    TestSupport::ExpectPixel(Menu, O.x, O.y + Menu.H / 2, BrushColor(EditMenu->GetBarBrush()),
                             "the glyph column of the opened menu");

    // Back onto the first title: its menu again.
    TestSupport::MoveTo(TMenuFixture::CenterOf(M.Bar, F.File));
    TestSupport::WaitProcessed();
    EXPECT_EQ(TMenuFixture::MenuOf(F.Menus[1]), nullptr);
    EXPECT_NE(TMenuFixture::MenuOf(F.File), nullptr) << "sliding back opened \"&File\" again";

    // A second click on the open title closes it and ends the menu mode (away from the first
    // click's point, so that it does not count as a double click).
    const POINT Second = TMenuFixture::CenterOf(M.Bar, F.File);
    TestSupport::Click(POINT{Second.x - GetSystemMetrics(SM_CXDOUBLECLK), Second.y});
    TestSupport::WaitProcessed();
    EXPECT_EQ(TMenuFixture::MenuOf(F.File), nullptr);
    EXPECT_EQ(F.Manager->GetKeyboardBarControl(), nullptr) << "the menu mode ended";
    F.CloseMenus();
}

TEST(MenuBarInput, EscInAClickedMenuKeepsItsTitleSelectedAndTheMouseThenOnlySelectsTitles)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TMenuBar M(F);
    TestSupport::Click(TMenuFixture::CenterOf(M.Bar, F.File));
    TestSupport::WaitProcessed();
    ASSERT_NE(TMenuFixture::MenuOf(F.File), nullptr);

    TestSupport::Press(VK_ESCAPE);
    TestSupport::WaitProcessed();
    EXPECT_EQ(TMenuFixture::MenuOf(F.File), nullptr) << "Esc closed the menu";
    EXPECT_EQ(F.Manager->GetKeyboardBarControl(), M.Bar) << "the title keeps the menu mode";
    EXPECT_EQ(M.Bar->GetSelectedControl(), M.File);
    EXPECT_FALSE(M.Bar->GetSecondClick());

    TestSupport::MoveTo(TMenuFixture::CenterOf(M.Bar, F.Menus[1]));
    TestSupport::WaitProcessed();
    EXPECT_EQ(M.Bar->GetSelectedControl(), M.Edit) << "the mouse selects the next title";
    EXPECT_EQ(TMenuFixture::MenuOf(F.Menus[1]), nullptr) << "without opening its menu";
    const TestSupport::TShot Bar = TestSupport::CaptureShown(M.Bar->GetHandle());
    EXPECT_TRUE(Same(M.FileAtRest, Part(Bar, M.Bar, M.File))) << "\"&File\" is drawn at rest";
    EXPECT_FALSE(Same(M.EditAtRest, Part(Bar, M.Bar, M.Edit))) << "\"&Edit\" is drawn selected";
    F.CloseMenus();
}

TEST(MenuBarInput, TheKeyboardsRowIsDrawnAsItMovesAndEscTwiceLeavesNoTitleHighlighted)
{
    TMenuFixture F;
    ASSERT_TRUE(TestSupport::BringToFront(*F.Form));
    TMenuBar M(F);

    TestSupport::Chord({VK_MENU, 'F'});
    TestSupport::WaitProcessed();
    TcbBarSubMenuControl* Menu = TMenuFixture::MenuOf(F.File);
    ASSERT_NE(Menu, nullptr) << "Alt+F opened \"&File\"";
    TcbBarItemControl* New = F.ControlOf(Menu, F.New);
    TcbBarItemControl* Open = F.ControlOf(Menu, F.Open);
    ASSERT_NE(New, nullptr);
    ASSERT_NE(Open, nullptr);
    ASSERT_TRUE(TestSupport::PumpUntil([&] { return Menu->GetSelectedControl() == New; }, 5000,
                                       "the keyboard's first row"));
    TestSupport::TShot Shot = TestSupport::CaptureShown(Menu->GetHandle());
    EXPECT_TRUE(RowDrawnSelected(Shot, Menu, New)) << "the first row is drawn selected";

    TestSupport::Press(VK_DOWN);
    TestSupport::WaitProcessed();
    ASSERT_EQ(Menu->GetSelectedControl(), Open);
    Shot = TestSupport::CaptureShown(Menu->GetHandle());
    EXPECT_TRUE(RowDrawnSelected(Shot, Menu, Open)) << "Down drew the next row selected";
    EXPECT_FALSE(RowDrawnSelected(Shot, Menu, New)) << "and the row it left at rest";

    TestSupport::Press(VK_UP);
    TestSupport::WaitProcessed();
    ASSERT_EQ(Menu->GetSelectedControl(), New);
    Shot = TestSupport::CaptureShown(Menu->GetHandle());
    EXPECT_TRUE(RowDrawnSelected(Shot, Menu, New)) << "Up drew the first row selected again";
    EXPECT_FALSE(RowDrawnSelected(Shot, Menu, Open));

    TestSupport::Press(VK_DOWN);
    TestSupport::Press(VK_ESCAPE);
    TestSupport::WaitProcessed();
    EXPECT_EQ(TMenuFixture::MenuOf(F.File), nullptr) << "the first Esc closed the menu";
    EXPECT_FALSE(Same(M.FileAtRest, ShownPart(M.Bar, M.File))) << "its title is still drawn selected";
    TestSupport::Press(VK_ESCAPE);
    TestSupport::WaitProcessed();
    EXPECT_EQ(F.Manager->GetKeyboardBarControl(), nullptr) << "the second Esc ended the menu mode";
    EXPECT_EQ(M.Bar->GetSelectedControl(), nullptr);
    EXPECT_TRUE(Same(M.FileAtRest, ShownPart(M.Bar, M.File))) << "no title stays highlighted";
}
