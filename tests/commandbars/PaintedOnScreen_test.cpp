// What the painters leave on the screen of live bars and menus, read as the program left it
// (its queue run dry, no repaint forced): the Flat menu's frame left open under the title that
// opened it, an edit box's frame on a menu row, a Standard button's glyph moved by both its
// down and its hot offsets, a disabled row selected by the keys, and large icons.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <windows.h>

#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/windows/cbSubMenu.h"
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

// A disabled row reached by the keys is drawn selected like any other: the selection is seen to
// land on it, and the row it left is drawn plain again.
TEST(PaintedOnScreen, ADisabledMenuRowReachedByTheKeysIsDrawnSelected)
{
    TMenuFixture F;
    TcbBarSubMenuControl* Menu = F.OpenByMessage(F.File);
    ASSERT_NE(nullptr, Menu);
    TcbBarItemControl* Save = TMenuFixture::ControlOf(Menu, F.Save);
    TcbBarItemControl* Print = TMenuFixture::ControlOf(Menu, F.Print);
    ASSERT_TRUE(Save && Print);
    ASSERT_FALSE(Print->GetEnabled());
    // A selected row is filled with the selected-item brush right of its caption.
    const COLORREF Fill = BrushColor(cbResolveBrush(Menu->GetSelectedItemBrush()));
    ASSERT_NE(Fill, BrushColor(cbResolveBrush(Menu->GetBkBrush())));
    const POINT C = TestSupport::ClientOrigin(Menu->GetHandle());
    auto SelectedAt = [&](const TShot& S, TcbBarItemControl* Row) {
        const TRect R = Row->GetItemRect();
        const uint32_t P = S.At(C.x + R.right - 4, C.y + (R.top + R.bottom) / 2);   // 0x00RRGGBB
        return RGB((P >> 16) & 0xFF, (P >> 8) & 0xFF, P & 0xFF) == Fill;
    };
    // Save, the last enabled row, then one key down onto Print, the disabled last row.
    Menu->SelectControlByKeyboard(Save);
    EXPECT_TRUE(SelectedAt(Shown(Menu->GetHandle()), Save));
    SendMessageA(Menu->GetHandle(), WM_KEYDOWN, VK_DOWN, 0);
    ASSERT_EQ(Menu->GetSelectedControl(), Print) << "Down moves onto the disabled row";
    EXPECT_TRUE(Print->IsSelected());
    const TShot S = Shown(Menu->GetHandle());
    EXPECT_TRUE(SelectedAt(S, Print)) << "the disabled row is drawn selected";
    EXPECT_FALSE(SelectedAt(S, Save)) << "the row left behind is drawn plain";
    TestSupport::SaveShot(S, "menu-disabled-selected");
    F.CloseMenus();
}

// With LargeIcons the 16-pixel images of a toolbar's buttons are drawn twice as large, centred
// in their buttons.
TEST(PaintedOnScreen, LargeIconsDrawTheGlyphsDoubledAndCentredInTheirButtons)
{
    TToolbarFixture F(false);
    F.Manager->SetLargeIcons(true);
    F.ShowBars();
    TcbBarControl* W = F.WindowOf(F.Standard);
    TcbBarItemControl* Control = TMenuFixture::ControlOf(W, F.StandardButtons[2]);
    ASSERT_NE(nullptr, Control);
    const TShot S = Shown(W->GetHandle());
    const POINT C = TestSupport::ClientOrigin(W->GetHandle());
    const TRect R = Control->GetItemRect();
    ASSERT_EQ(R.right - R.left, F.Manager->GetButtonWidth());
    // The image is one colour throughout: its box is where that colour shows in the button.
    const uint32_t Glyph = S.At(C.x + (R.left + R.right) / 2, C.y + (R.top + R.bottom) / 2);
    int32_t Left = INT32_MAX, Top = INT32_MAX, Right = INT32_MIN, Bottom = INT32_MIN;
    for (int32_t Y = R.top; Y < R.bottom; ++Y)
        for (int32_t X = R.left; X < R.right; ++X)
            if (S.At(C.x + X, C.y + Y) == Glyph) {
                Left = std::min(Left, X);
                Top = std::min(Top, Y);
                Right = std::max(Right, X + 1);
                Bottom = std::max(Bottom, Y + 1);
            }
    ASSERT_LT(Left, Right);
    EXPECT_EQ(Right - Left, 2 * F.Images->GetWidth()) << "the glyph is drawn twice as wide";
    EXPECT_EQ(Bottom - Top, 2 * F.Images->GetHeight()) << "the glyph is drawn twice as high";
    EXPECT_LE(std::abs((Left - R.left) - (R.right - Right)), 1) << "centred across";
    EXPECT_LE(std::abs((Top - R.top) - (R.bottom - Bottom)), 1) << "centred down";
    TestSupport::SaveShot(S, "toolbar-large-icons");
}
