// Editing in place and combos, driven by messages: the editor window, commit on Enter and Tab,
// Esc, the change events, and a combo's drop-down list opened and closed by keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDropDownListBox.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/win/Bitmap.h"
#include "tests/commandbars/support/ControlsFixture.h"
#include "tests/support/TestSupport.h"

using CommandBarsTest::TControlsFixture;

namespace {

void Type(HWND Editor, const std::string& Text)
{
    for (char Ch : Text)
        SendMessageA(Editor, WM_CHAR, static_cast<unsigned char>(Ch), 1);
}

void KeyTo(HWND Wnd, WORD Key)
{
    SendMessageA(Wnd, WM_KEYDOWN, Key, 1);
}

std::string WindowClass(HWND Wnd)
{
    char Name[64] = {};
    GetClassNameA(Wnd, Name, sizeof(Name));
    return Name;
}

struct TEditEvents {
    int Changes = 0;
    int CurChanges = 0;
    explicit TEditEvents(TcbBarEdit* Edit)
    {
        Edit->OnChange = [this](TObject*) { ++Changes; };
        Edit->OnCurChange = [this](TObject*) { ++CurChanges; };
    }
};

TRect ScreenRectOf(TControlsFixture& F, TcbBarItem* Item)
{
    const TRect R = F.RectOf(Item);
    const TPoint TopLeft = F.Window->ClientPointToScreen(TPoint{R.left, R.top});
    return Bounds(TopLeft.x, TopLeft.y, R.right - R.left, R.bottom - R.top);
}

} // namespace

TEST(WinControls, AClickEditsInPlaceAndEnterCommits)
{
    TControlsFixture F;
    TEditEvents Events(F.E);
    F.Click(F.E);
    auto* Edit = dynamic_cast<TcbBarEditControl*>(F.ControlOf(F.E));
    ASSERT_NE(nullptr, Edit);
    const HWND Editor = Edit->GetEditor();
    ASSERT_TRUE(Editor && Edit->IsEditing());
    EXPECT_EQ("Edit", WindowClass(Editor));
    EXPECT_EQ(F.Window->GetHandle(), GetParent(Editor));
    EXPECT_EQ(Editor, GetFocus());
    RECT Box{};
    GetWindowRect(Editor, &Box);
    MapWindowPoints(nullptr, F.Window->GetHandle(), reinterpret_cast<POINT*>(&Box), 2);
    const TRect Item = F.RectOf(F.E);
    EXPECT_TRUE(Box.left >= Item.left && Box.right <= Item.right && Box.top >= Item.top && Box.bottom <= Item.bottom)
        << "the editor lies inside the edit's box";

    Type(Editor, "abc");
    EXPECT_EQ(3, Events.CurChanges) << "one current-text change per character";
    EXPECT_EQ(0, Events.Changes);
    EXPECT_EQ("", F.E->GetText());
    KeyTo(Editor, VK_RETURN);
    EXPECT_EQ("abc", F.E->GetText());
    EXPECT_EQ(1, Events.Changes);
    EXPECT_FALSE(IsWindowVisible(Editor));
    EXPECT_FALSE(Edit->IsEditing());
    EXPECT_EQ(nullptr, TCustomcbBarControl::ActiveBarControl()) << "Enter ends the menu mode";
    EXPECT_EQ(F.Edit->GetHandle(), GetFocus()) << "the focus goes back where it was";
}

TEST(WinControls, EscLeavesTheTextUnlessItIsAlwaysSaved)
{
    TControlsFixture F;
    F.E->SetText("abc");
    TEditEvents Events(F.E);
    F.Click(F.E);
    auto* Edit = dynamic_cast<TcbBarEditControl*>(F.ControlOf(F.E));
    ASSERT_TRUE(Edit && Edit->IsEditing());
    Type(Edit->GetEditor(), "xyz");
    KeyTo(Edit->GetEditor(), VK_ESCAPE);
    EXPECT_EQ("abc", F.E->GetText());
    EXPECT_EQ(0, Events.Changes);
    EXPECT_FALSE(Edit->IsEditing());
    EXPECT_EQ(Edit, F.Window->GetSelectedControl()) << "Esc keeps the edit selected";

    F.Manager->SetAlwaysSaveText(true);
    F.MoveTo(F.Window, F.CentreOf(F.A));
    F.Click(F.E);
    ASSERT_TRUE(Edit->IsEditing());
    Type(Edit->GetEditor(), "def");
    // The forwarded press put the caret where the click was: the typed text joins the old one.
    const std::string Typed = Edit->GetText();
    EXPECT_NE(std::string::npos, Typed.find("def"));
    KeyTo(Edit->GetEditor(), VK_ESCAPE);
    EXPECT_EQ(Typed, F.E->GetText()) << "with AlwaysSaveText the typed text is kept";
    EXPECT_EQ(1, Events.Changes);
}

TEST(WinControls, TabCommitsAndMovesToTheCombo)
{
    TControlsFixture F;
    F.Click(F.E);
    auto* Edit = dynamic_cast<TcbBarEditControl*>(F.ControlOf(F.E));
    ASSERT_TRUE(Edit && Edit->IsEditing());
    Type(Edit->GetEditor(), "tab");
    KeyTo(Edit->GetEditor(), VK_TAB);
    EXPECT_EQ("tab", F.E->GetText());
    EXPECT_FALSE(Edit->IsEditing());
    auto* Combo = dynamic_cast<TcbBarComboControl*>(F.ControlOf(F.K));
    ASSERT_NE(nullptr, Combo);
    EXPECT_EQ(Combo, F.Window->GetSelectedControl());
    EXPECT_TRUE(Combo->IsEditing()) << "Tab onto a window control starts its editing";
    EXPECT_EQ(Combo->GetEditor(), GetFocus());
    KeyTo(Combo->GetEditor(), VK_ESCAPE);
}

TEST(WinControls, F4AndAltDownDropTheListAndEnterPicksTheEntry)
{
    TControlsFixture F;
    F.Click(F.K);
    auto* Combo = dynamic_cast<TcbBarComboControl*>(F.ControlOf(F.K));
    ASSERT_TRUE(Combo && Combo->IsEditing());
    const HWND Editor = Combo->GetEditor();
    KeyTo(Editor, VK_F4);
    ASSERT_TRUE(Combo->GetDroppedDown());
    const HWND List = F.K->GetDropDownWindow();
    ASSERT_NE(nullptr, List);
    EXPECT_TRUE(IsWindowVisible(List));
    EXPECT_EQ(GetDesktopWindow(), GetAncestor(List, GA_PARENT)) << "the list is a top-level window";
    const LONG_PTR ExStyle = GetWindowLongPtrA(List, GWL_EXSTYLE);
    EXPECT_TRUE((ExStyle & WS_EX_TOOLWINDOW) && (ExStyle & WS_EX_TOPMOST));
    EXPECT_TRUE(GetClassLongPtrA(List, GCL_STYLE) & CS_SAVEBITS);
    RECT ListRect{};
    GetWindowRect(List, &ListRect);
    const TRect K = ScreenRectOf(F, F.K);
    EXPECT_EQ(K.bottom, ListRect.top) << "the list opens under the combo";
    EXPECT_EQ(K.left, ListRect.left);

    KeyTo(Editor, VK_DOWN);
    EXPECT_EQ(0, SendMessageA(List, LB_GETCURSEL, 0, 0)) << "the first key selects the top entry";
    EXPECT_EQ("alpha", Combo->GetText()) << "the editor previews the entry";
    KeyTo(Editor, VK_DOWN);
    EXPECT_EQ(1, SendMessageA(List, LB_GETCURSEL, 0, 0));
    KeyTo(Editor, VK_RETURN);
    EXPECT_EQ(1, F.K->GetItemIndex());
    EXPECT_EQ("beta", F.K->GetText());
    EXPECT_FALSE(IsWindowVisible(List));

    F.MoveTo(F.Window, F.CentreOf(F.A));
    F.Click(F.K);
    ASSERT_TRUE(Combo->IsEditing());
    const LPARAM AltDown = 1 | (1 << 29);
    SendMessageA(Combo->GetEditor(), WM_SYSKEYDOWN, VK_DOWN, AltDown);
    EXPECT_TRUE(Combo->GetDroppedDown());
    EXPECT_TRUE(IsWindowVisible(List));
    SendMessageA(Combo->GetEditor(), WM_SYSKEYDOWN, VK_DOWN, AltDown);
    EXPECT_FALSE(Combo->GetDroppedDown());
    EXPECT_FALSE(IsWindowVisible(List));
    KeyTo(Combo->GetEditor(), VK_ESCAPE);
}

TEST(WinControls, AComboBeingEditedShowsTheEntryItsControlReachedAndElsewhereItsOwn)
{
    TControlsFixture F;
    F.K->SetItemIndex(0);
    F.Click(F.K);
    auto* Combo = dynamic_cast<TcbBarComboControl*>(F.ControlOf(F.K));
    ASSERT_TRUE(Combo && Combo->IsEditing());
    KeyTo(Combo->GetEditor(), VK_F4);
    KeyTo(Combo->GetEditor(), VK_DOWN);
    KeyTo(Combo->GetEditor(), VK_DOWN);
    const int32_t Reached = Combo->GetCurIndex();
    ASSERT_GT(Reached, 0);
    ASSERT_EQ(0, F.K->GetItemIndex()) << "the combo's entry changes only when the editing ends";
    std::vector<int32_t> Drawn;
    F.K->OnDrawItem = [&](TObject*, int32_t Index, const TRect&, TOwnerDrawState) { Drawn.push_back(Index); };
    TBitmap Picture;
    Picture.SetSize(80, 20);
    F.K->DrawItemOf(Picture.GetCanvas(), Combo->GetLink(), Rect(0, 0, 80, 20));
    F.K->DrawItemOf(Picture.GetCanvas(), nullptr, Rect(0, 0, 80, 20));
    EXPECT_EQ(Drawn, (std::vector<int32_t>{Reached, 0}));
    F.K->OnDrawItem = nullptr;
    KeyTo(Combo->GetEditor(), VK_ESCAPE);
}

TEST(WinControls, AReadOnlyComboOpensNothingButClosesAnOpenList)
{
    TControlsFixture F;
    F.Click(F.K);
    auto* Combo = dynamic_cast<TcbBarComboControl*>(F.ControlOf(F.K));
    ASSERT_TRUE(Combo && Combo->IsEditing());
    KeyTo(Combo->GetEditor(), VK_F4);
    ASSERT_TRUE(Combo->GetDroppedDown());
    F.K->SetReadOnly(true);
    KeyTo(Combo->GetEditor(), VK_F4);
    EXPECT_FALSE(Combo->GetDroppedDown()) << "a list opened before ReadOnly still closes";
    EXPECT_FALSE(IsWindowVisible(F.K->GetDropDownWindow()));
    KeyTo(Combo->GetEditor(), VK_F4);
    EXPECT_FALSE(Combo->GetDroppedDown()) << "a read-only combo never drops down";
    KeyTo(Combo->GetEditor(), VK_ESCAPE);
}

TEST(WinControls, AtTheLowerRightTheListOpensAboveInsideTheWorkArea)
{
    TControlsFixture F;
    const TRect Work = GetMonitorWorkArea(TPoint{F.Window->GetLeft(), F.Window->GetTop()});
    const TRect K = F.RectOf(F.K);
    F.Window->SetBounds(Work.right - K.right, Work.bottom - K.bottom, F.Window->GetWidth(), F.Window->GetHeight());
    F.Click(F.K);
    auto* Combo = dynamic_cast<TcbBarComboControl*>(F.ControlOf(F.K));
    ASSERT_TRUE(Combo && Combo->IsEditing());
    KeyTo(Combo->GetEditor(), VK_F4);
    ASSERT_TRUE(Combo->GetDroppedDown());
    RECT List{};
    GetWindowRect(F.K->GetDropDownWindow(), &List);
    const TRect Screen = ScreenRectOf(F, F.K);
    EXPECT_LE(List.bottom, Screen.top) << "the list goes above the combo";
    EXPECT_GE(List.left, Work.left);
    EXPECT_GE(List.top, Work.top);
    EXPECT_LE(List.right, Work.right);
    KeyTo(Combo->GetEditor(), VK_ESCAPE);
    EXPECT_FALSE(IsWindowVisible(F.K->GetDropDownWindow()));
}
