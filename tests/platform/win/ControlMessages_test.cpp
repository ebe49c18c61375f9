// The messages controls perform on each other (font change, cancel mode) and the question asked
// before a context popup shows.
#include <gtest/gtest.h>

#include <map>

#include "platform/rtl/ScopeGuards.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "platform/win/StdCtrls.h"
#include "tests/support/HiddenForm.h"

namespace {

// Counts the CM_ messages that reach a control.
template <class Base>
class TCounting : public Base {
public:
    using Base::Base;
    std::map<UINT, int> Seen;
    bool Handles = false; // its DoContextPopup answer
    void WndProc(TMessage& M) override
    {
        Seen[M.Msg] += M.Msg >= CM_BASE && M.Msg < CM_BASE + 0x100;
        Base::WndProc(M);
    }
    void DoContextPopup(const TPoint&, bool& Handled) override { Handled = Handles; }
};

int gShown = 0;
bool CountPopup(TPopupMenu*, TControl*, int32_t, int32_t)
{
    ++gShown;
    return true;
}

} // namespace

TEST(TControl, FontChangesReachTheControlAndItsParentFontChildrenOnce)
{
    TestSupport::THiddenForm F(300, 200);
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
}

TEST(TCustomForm, CancelModeEndsTheCaptureAndPressOfTheFormsControlsButNotTheSenders)
{
    TestSupport::THiddenForm F(300, 200);
    auto* Panel = new TCounting<TPanel>(F.Form.get());
    Panel->SetBounds(0, 0, 200, 150);
    Panel->SetParent(F.Form.get());
    auto* Edit = new TCounting<TEdit>(F.Form.get());
    Edit->SetParent(F.Form.get());
    F.Form->SetActiveControl(Edit);
    int Lost = 0, Clicks = 0;
    Panel->OnMouseCaptureLost = [&](TObject*) { ++Lost; };
    Panel->OnClick = [&](TObject*) { ++Clicks; };
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
    EXPECT_EQ(Lost, 1);
    EXPECT_EQ(Edit->Seen[CM_CANCELMODE], 2);
    SendMessageA(W, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(Clicks, 0) << "the press ended";

    // A windowless control pressed through its parent's capture loses the press and the routing.
    auto* Shape = new TCounting<TShape>(F.Form.get());
    Shape->SetBounds(10, 10, 50, 50);
    Shape->SetParent(Panel);
    int ShapeLost = 0, ShapeMoves = 0;
    Shape->OnMouseCaptureLost = [&](TObject*) { ++ShapeLost; };
    Shape->OnMouseMove = [&](TObject*, TShiftState, int32_t, int32_t) { ++ShapeMoves; };
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    EXPECT_EQ(GetCaptureControl(), Shape);
    F.Form->SendCancelMode(Edit);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Shape->Seen[CM_CANCELMODE], 1);
    EXPECT_EQ(ShapeLost, 1);
    SendMessageA(W, WM_MOUSEMOVE, 0, MAKELPARAM(150, 120));
    EXPECT_EQ(ShapeMoves, 0);
}

TEST(TControl, ContextPopupAskedFirstCanKeepThePopupMenuFromShowing)
{
    TestSupport::THiddenForm F(300, 200);
    auto* Panel = new TCounting<TPanel>(F.Form.get());
    Panel->SetParent(F.Form.get());
    Panel->SetPopupMenu(new TPopupMenu(F.Form.get()));
    auto Saved = GPopupMenuProc;
    GPopupMenuProc = CountPopup;
    TScopeExit Restore([&] { GPopupMenuProc = Saved; });
    const HWND W = Panel->GetHandle();
    const TPoint P = Panel->ClientToScreen(Point(7, 9));
    Panel->Handles = true;
    SendMessageA(W, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(W), MAKELPARAM(P.x, P.y));
    EXPECT_EQ(gShown, 0);
    Panel->Handles = false;
    SendMessageA(W, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(W), MAKELPARAM(P.x, P.y));
    EXPECT_EQ(gShown, 1);
}
