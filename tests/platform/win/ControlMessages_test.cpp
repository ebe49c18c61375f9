// The messages controls perform on each other: font changes, cancel mode, and the question asked
// before a context popup shows.
#include <gtest/gtest.h>

#include <map>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "platform/win/StdCtrls.h"
#include "tests/support/HiddenForm.h"

using TestSupport::THiddenForm;

namespace {

// Counts the framework messages that reach a control.
template <class Base>
class TCounting : public Base {
public:
    using Base::Base;
    std::map<UINT, int> Seen;
    void WndProc(TMessage& M) override
    {
        if (M.Msg >= CM_BASE && M.Msg < CM_BASE + 0x100)
            ++Seen[M.Msg];
        Base::WndProc(M);
    }
};

// Answers the question before its popup menu shows.
class TAskedPanel : public TPanel {
public:
    using TPanel::TPanel;
    bool Answer = false;
    int Asked = 0;
    TPoint At{};
    void DoContextPopup(const TPoint& MousePos, bool& Handled) override
    {
        ++Asked;
        At = MousePos;
        Handled = Answer;
    }
};

struct TShownMenu {
    TPopupMenu* Menu;
    TControl* Control;
    int32_t X, Y;
};
std::vector<TShownMenu> gShown;

bool RecordPopup(TPopupMenu* Menu, TControl* Control, int32_t X, int32_t Y)
{
    gShown.push_back({Menu, Control, X, Y});
    return true;
}

} // namespace

TEST(TControl, FontChangesReachTheControlAndItsParentFontChildrenOnce)
{
    THiddenForm F(300, 200);
    auto* Panel = new TCounting<TPanel>(F.Form.get());
    Panel->SetParent(F.Form.get());
    auto* Follows = new TCounting<TPanel>(F.Form.get());
    Follows->SetParent(Panel);
    auto* Windowless = new TCounting<TShape>(F.Form.get());
    Windowless->SetParent(Panel);
    auto* Own = new TCounting<TPanel>(F.Form.get());
    Own->GetFont()->SetSize(9); // a font of its own: the parent's changes pass it by
    Own->SetParent(Panel);
    for (auto* C : {&Panel->Seen, &Follows->Seen, &Windowless->Seen, &Own->Seen})
        C->clear();

    Panel->GetFont()->SetSize(15);
    EXPECT_EQ(Panel->Seen[CM_FONTCHANGED], 1);
    EXPECT_EQ(Follows->Seen[CM_FONTCHANGED], 1);
    EXPECT_EQ(Windowless->Seen[CM_FONTCHANGED], 1);
    EXPECT_EQ(Own->Seen[CM_FONTCHANGED], 0);
    EXPECT_EQ(Follows->GetFont()->GetSize(), 15);
    EXPECT_EQ(Own->GetFont()->GetSize(), 9);
    // Sent by hand (a bar re-measuring itself) it reaches the control like any message.
    Panel->Perform(CM_FONTCHANGED);
    EXPECT_EQ(Panel->Seen[CM_FONTCHANGED], 2);
}

TEST(TCustomForm, CancelModeEndsTheCaptureAndPressOfTheFormsControlsButNotTheSenders)
{
    THiddenForm F(300, 200);
    auto* Panel = new TCounting<TPanel>(F.Form.get());
    Panel->SetBounds(0, 0, 200, 150);
    Panel->SetParent(F.Form.get());
    auto* Edit = new TCounting<TEdit>(F.Form.get());
    Edit->SetBounds(210, 0, 80, 20);
    Edit->SetParent(F.Form.get());
    F.Form->SetActiveControl(Edit);
    int PanelLost = 0;
    Panel->OnMouseCaptureLost = [&](TObject*) { ++PanelLost; };
    const HWND W = Panel->GetHandle();

    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ASSERT_EQ(GetCapture(), W);
    F.Form->SendCancelMode(Panel);
    EXPECT_EQ(GetCapture(), W) << "the sender keeps its capture";
    EXPECT_EQ(Panel->Seen[CM_CANCELMODE], 0);
    EXPECT_EQ(Edit->Seen[CM_CANCELMODE], 1);

    F.Form->SendCancelMode(nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Panel->Seen[CM_CANCELMODE], 1);
    EXPECT_EQ(PanelLost, 1);
    EXPECT_EQ(Edit->Seen[CM_CANCELMODE], 2);
    // Nothing is pressed any more: the button-up that follows is no click.
    int Clicks = 0;
    Panel->OnClick = [&](TObject*) { ++Clicks; };
    SendMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Clicks, 0);

    // A windowless control holding the press through its parent's capture.
    auto* Shape = new TCounting<TShape>(F.Form.get());
    Shape->SetBounds(10, 10, 50, 50);
    Shape->SetParent(Panel);
    int ShapeLost = 0, ShapeMoves = 0;
    Shape->OnMouseCaptureLost = [&](TObject*) { ++ShapeLost; };
    Shape->OnMouseMove = [&](TObject*, TShiftState, int32_t, int32_t) { ++ShapeMoves; };
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    ASSERT_EQ(GetCapture(), W);
    EXPECT_EQ(GetCaptureControl(), Shape);
    F.Form->SendCancelMode(Edit);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Shape->Seen[CM_CANCELMODE], 1);
    EXPECT_EQ(ShapeLost, 1);
    EXPECT_EQ(Edit->Seen[CM_CANCELMODE], 2);
    // The parent routes the mouse by position again: a move far off is not the shape's.
    SendMessageA(W, WM_MOUSEMOVE, 0, MAKELPARAM(150, 120));
    EXPECT_EQ(ShapeMoves, 0);
}

TEST(TControl, ContextPopupAskedFirstCanKeepThePopupMenuFromShowing)
{
    THiddenForm F(300, 200);
    auto* Panel = new TAskedPanel(F.Form.get());
    Panel->SetBounds(20, 30, 200, 100);
    Panel->SetParent(F.Form.get());
    auto* Menu = new TPopupMenu(F.Form.get());
    Panel->SetPopupMenu(Menu);
    auto* Plain = new TPanel(F.Form.get()); // asks through its event
    Plain->SetBounds(230, 30, 60, 60);
    Plain->SetParent(F.Form.get());
    Plain->SetPopupMenu(Menu);
    bool PlainHandled = true;
    Plain->OnContextPopup = [&](TObject*, TPoint, bool& Handled) { Handled = PlainHandled; };
    auto Saved = GPopupMenuProc;
    GPopupMenuProc = RecordPopup;
    TScopeExit Restore([&] {
        GPopupMenuProc = Saved;
        gShown.clear();
    });
    const TPoint Screen = Panel->ClientToScreen(Point(7, 9));
    auto Context = [](TControl* C, const TPoint& P) {
        const HWND W = static_cast<TWinControl*>(C)->GetHandle();
        SendMessageA(W, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(W), MAKELPARAM(P.x, P.y));
    };

    Panel->Answer = true;
    Context(Panel, Screen);
    EXPECT_EQ(Panel->Asked, 1);
    EXPECT_EQ(Panel->At.x, 7);
    EXPECT_EQ(Panel->At.y, 9);
    EXPECT_TRUE(gShown.empty());
    Panel->Answer = false;
    Context(Panel, Screen);
    EXPECT_EQ(Panel->Asked, 2);
    ASSERT_EQ(gShown.size(), 1u);
    EXPECT_EQ(gShown[0].Menu, Menu);
    EXPECT_EQ(gShown[0].Control, Panel);
    EXPECT_EQ(gShown[0].X, Screen.x);
    EXPECT_EQ(gShown[0].Y, Screen.y);

    Context(Plain, Plain->ClientToScreen(Point(1, 1)));
    EXPECT_EQ(gShown.size(), 1u);
    PlainHandled = false;
    Context(Plain, Plain->ClientToScreen(Point(1, 1)));
    EXPECT_EQ(gShown.size(), 2u);
}
