// What the painters leave on the screen of live bars and menus, read as the program left it
// (its queue run dry, no repaint forced): the Flat menu's frame left open under the title that
// opened it, an edit box's frame on a menu row, and a Standard button's glyph moved by both its
// down and its hot offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include <windows.h>

#include "commandbars/cbBarItems.h"
#include "commandbars/cbBarManager.h"
#include "commandbars/cbItemControls.h"
#include "commandbars/cbItemLinks.h"
#include "commandbars/cbPainter.h"
#include "commandbars/cbSubMenu.h"
#include "platform/win/Actions.h"
#include "platform/win/HiddenWindow.h"
#include "tests/commandbars/support/MenuFixture.h"
#include "tests/commandbars/support/Waits.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::PumpPosted;
using CommandBarsTest::BrushColor;
using CommandBarsTest::TMenuFixture;
using CommandBarsTest::TToolbarFixture;
using TestSupport::TShot;

namespace {

// The window as the screen shows it once the thread has nothing left to handle. Wine hands a
// window's drawing to the X server while its thread waits for messages: CaptureShown reads the
// screen until two reads a moment apart agree.
TShot Shown(HWND W)
{
    PumpPosted("the changes' messages handled");
    TestSupport::PumpUntil([] { return HIWORD(GetQueueStatus(QS_PAINT | QS_POSTMESSAGE | QS_SENDMESSAGE)) == 0; },
                           5000, "the thread's queue to run dry");
    return TestSupport::CaptureShown(W);
}

// The first pixel of Colour (as the shot holds it) in reading order: a one-coloured square's
// top-left corner. (-1, -1) when none has it.
POINT FirstOf(const TShot& S, uint32_t Colour)
{
    for (int32_t Y = 0; Y < S.H; ++Y)
        for (int32_t X = 0; X < S.W; ++X)
            if (S.At(X, Y) == Colour)
                return POINT{X, Y};
    return POINT{-1, -1};
}

} // namespace

// The Flat menu under a main-menu title joins it: the piece of its top frame under the title
// shows the menu's background, the rest of the frame stays.
TEST(PaintedOnScreen, AFlatMenuLeavesItsFrameOpenUnderTheTitleThatOpenedIt)
{
    TMenuFixture F;
    TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    TcbBarControl* Bar = F.WindowOf(F.MainMenu);
    const TRect T = TMenuFixture::ControlOf(Bar, F.File)->GetItemRect();
    const TPoint TitleAt = Bar->ClientPointToScreen(TPoint{T.left, T.top});
    RECT W{};
    GetWindowRect(Menu->GetHandle(), &W);
    ASSERT_EQ(W.top, TitleAt.y + T.bottom - T.top) << "the menu hangs at the title's bottom edge";
    ASSERT_GT(W.right, TitleAt.x + T.right - T.left + 4) << "the menu is wider than its title";

    const int32_t Left = TitleAt.x - W.left, Right = Left + T.right - T.left;
    const TRect Edge = Menu->GetParentItemEdgeRect();
    const TRect Expected = Rect(std::max<int32_t>(Left, 0) + 1, 0, Right - 1, 1);
    EXPECT_TRUE(EqualRect(&Edge, &Expected)) << Edge.left << "," << Edge.top << "," << Edge.right << ","
                                             << Edge.bottom;

    const TShot S = Shown(Menu->GetHandle());
    const COLORREF Frame = BrushColor(F.Manager->GetFlatFrameBrush());
    const COLORREF Back = BrushColor(cbResolveBrush(Menu->GetBkBrush()));
    ASSERT_NE(Frame, Back);
    TestSupport::ExpectPixel(S, (Left + Right) / 2, 0, Back, "the edge under the title");
    TestSupport::ExpectPixel(S, Right - 2, 0, Back, "the edge's last pixel under the title");
    TestSupport::ExpectPixel(S, Right + 2, 0, Frame, "the top frame beyond the title");
    TestSupport::ExpectPixel(S, 0, 0, Frame, "the corner under the title's side");
    TestSupport::ExpectPixel(S, 0, S.H / 2, Frame, "the left frame");
    // The title and the menu together, for a person to look at.
    const RECT Around{std::min<LONG>(W.left, TitleAt.x) - 6, TitleAt.y - 6, W.right + 6, W.bottom + 6};
    TestSupport::SaveShot(TestSupport::CaptureScreenArea(Around), "menu-open-under-title");
}

// An edit item in a Flat menu keeps a frame in the bar colour around its white box, so the box
// stands out of the menu's white row.
TEST(PaintedOnScreen, AnEditBoxInAFlatMenuKeepsItsFrame)
{
    TMenuFixture F;
    auto* Find = new TcbBarEdit(F.Form.get());
    Find->SetCaption("Find");
    Find->SetWidth(90);
    F.File->GetItemLinks()->Add()->SetItem(Find);
    TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    auto* Box = dynamic_cast<TcbBarWinControl*>(TMenuFixture::ControlOf(Menu, Find));
    ASSERT_NE(nullptr, Box);
    ASSERT_FALSE(Box->IsSelected());
    const TRect Inner = Box->GetWindowRect();
    ASSERT_FALSE(IsRectEmpty(&Inner));

    const TShot S = Shown(Menu->GetHandle());
    const POINT C = TestSupport::ClientOrigin(Menu->GetHandle());
    const COLORREF Ring = BrushColor(cbResolveBrush(Menu->GetBarBrush()));
    const COLORREF Row = BrushColor(cbResolveBrush(F.Manager->GetPainterClass()->GetSubMenuBrush()));
    ASSERT_NE(Ring, Row);
    const int32_t Middle = C.y + (Inner.top + Inner.bottom) / 2;
    TestSupport::ExpectPixel(S, C.x + Inner.left - 1, Middle, Ring, "the box's left frame");
    TestSupport::ExpectPixel(S, C.x + Inner.right, Middle, Ring, "the box's right frame");
    TestSupport::ExpectPixel(S, C.x + (Inner.left + Inner.right) / 2, C.y + Inner.top - 1, Ring, "the box's top frame");
    TestSupport::ExpectPixel(S, C.x + Inner.left - 2, Middle, Row, "the row left of the box");
    TestSupport::SaveShot(S, "menu-edit-box");
}

// A Standard button's glyph moves one pixel when the button is down and one more when it is
// also hot.
TEST(PaintedOnScreen, AStandardButtonDownAndHotMovesItsGlyphByBothOffsets)
{
    TToolbarFixture F(false);
    F.Manager->SetStyle(bmsStandard);
    F.ShowBars();
    TcbBarButton* Button = F.StandardButtons[2];
    TcbBarControl* W = F.WindowOf(F.Standard);
    TcbBarItemControl* Control = TMenuFixture::ControlOf(W, Button);
    ASSERT_NE(nullptr, Control);
    // The fixture's images are one colour throughout; the glyph covers the button's centre.
    const TShot First = Shown(W->GetHandle());
    const POINT C = TestSupport::ClientOrigin(W->GetHandle());
    const TRect R = Control->GetItemRect();
    const uint32_t Glyph = First.At(C.x + (R.left + R.right) / 2, C.y + (R.top + R.bottom) / 2);
    const POINT Plain = FirstOf(First, Glyph);
    ASSERT_GT(Plain.x, C.x + R.left) << "the glyph inside its button";

    static_cast<TAction*>(Button->GetAction())->SetChecked(true);
    Button->SetButtonStyle(bsChecked);
    Button->SetDown(true);
    const POINT Down = FirstOf(Shown(W->GetHandle()), Glyph);
    EXPECT_EQ(Down.x - Plain.x, 1);
    EXPECT_EQ(Down.y - Plain.y, 1);

    W->SelectControlByKeyboard(Control);
    ASSERT_TRUE(Control->IsSelected());
    const TShot Hot = Shown(W->GetHandle());
    W->SelectControlByKeyboard(nullptr);
    const POINT Both = FirstOf(Hot, Glyph);
    EXPECT_EQ(Both.x - Plain.x, 2);
    EXPECT_EQ(Both.y - Plain.y, 2);
    TestSupport::SaveShot(Hot, "standard-down-hot");
}
