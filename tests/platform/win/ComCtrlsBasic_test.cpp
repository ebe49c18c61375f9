// Up-down with its buddy edit, track bar and progress bar.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "platform/win/ComCtrlsBasic.h"
#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/StdCtrls.h"
#include "tests/support/HiddenForm.h"
#include "tests/support/TestSupport.h"

namespace {

using TestSupport::THiddenForm;

std::string WindowText(HWND W)
{
    char Buf[64] = {};
    GetWindowTextA(W, Buf, sizeof(Buf));
    return Buf;
}

// A press and release of one arrow of an up-down, as the mouse makes it.
void ClickArrow(TUpDown* U, bool Upper)
{
    const HWND W = U->GetHandle();
    RECT R;
    GetClientRect(W, &R);
    const LPARAM At = MAKELPARAM(R.right / 2, Upper ? R.bottom / 4 : R.bottom * 3 / 4);
    SendMessageA(W, WM_LBUTTONDOWN, MK_LBUTTON, At);
    SendMessageA(W, WM_LBUTTONUP, 0, At);
}

} // namespace

TEST(TUpDown, BuddyShowsPlainDigitsAndFollowsEveryMove)
{
    THiddenForm F(300, 200);
    TEdit* Edit = new TEdit(F.Form.get());
    Edit->SetParent(F.Form.get());
    Edit->SetBounds(10, 10, 80, 21);
    TUpDown* Up = new TUpDown(F.Form.get());
    Up->SetParent(F.Form.get());
    Up->SetMax(3000);
    int EditChanges = 0, UpChanges = 0;
    std::vector<TUDBtnType> Clicks;
    Edit->OnChange = [&](TObject*) { ++EditChanges; };
    Up->OnChange = [&](TObject*) { ++UpChanges; };
    Up->OnClick = [&](TObject*, TUDBtnType B) { Clicks.push_back(B); };
    Up->SetAssociate(Edit);
    EXPECT_EQ(Up->GetLeft(), 90); // beside the buddy, as high as it
    EXPECT_EQ(Up->GetTop(), 10);
    EXPECT_EQ(Up->GetHeight(), 21);
    EXPECT_EQ(Edit->GetText(), "0");

    Up->SetPosition(1024);
    EXPECT_EQ(WindowText(Edit->GetHandle()), "1024"); // no thousands separator
    EXPECT_EQ(UpChanges, 1);
    EXPECT_GE(EditChanges, 1);
    EXPECT_EQ(SendMessageA(Up->GetHandle(), UDM_GETPOS32, 0, 0), 1024);

    // The control reports a move of its own with WM_VSCROLL to its parent.
    EditChanges = 0;
    SendMessageA(Up->GetHandle(), UDM_SETPOS32, 0, 1030);
    SendMessageA(F.Form->GetHandle(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1030),
                 reinterpret_cast<LPARAM>(Up->GetHandle()));
    EXPECT_EQ(Up->GetPosition(), 1030);
    EXPECT_EQ(Edit->GetText(), "1030");
    EXPECT_EQ(EditChanges, 1);
    EXPECT_EQ(UpChanges, 2);

    // Arrow clicks step by Increment; the lower arrow goes back.
    Up->SetIncrement(5);
    ClickArrow(Up, true);
    EXPECT_EQ(Up->GetPosition(), 1035);
    EXPECT_EQ(Edit->GetText(), "1035");
    ClickArrow(Up, false);
    ClickArrow(Up, false);
    EXPECT_EQ(Up->GetPosition(), 1025);
    EXPECT_EQ(Edit->GetText(), "1025");
    // The WM_VSCROLL counted as an arrow too.
    EXPECT_EQ(Clicks, (std::vector<TUDBtnType>{btNext, btNext, btPrev, btPrev}));
    EXPECT_EQ(UpChanges, 5);

    // A number typed into the buddy is where the next step starts.
    Edit->SetText("200");
    ClickArrow(Up, true);
    EXPECT_EQ(Up->GetPosition(), 205);
    EXPECT_EQ(Edit->GetText(), "205");
    // The arrow keys in the buddy step as well.
    SendMessageA(Edit->GetHandle(), WM_KEYDOWN, VK_DOWN, 1);
    SendMessageA(Edit->GetHandle(), WM_KEYUP, VK_DOWN, 1);
    EXPECT_EQ(Up->GetPosition(), 200);
    EXPECT_EQ(Edit->GetText(), "200");
}

TEST(TUpDown, RangeWrapAnd32BitPositions)
{
    THiddenForm F(300, 200);
    TEdit* Edit = new TEdit(F.Form.get());
    Edit->SetParent(F.Form.get());
    TUpDown* Up = new TUpDown(F.Form.get());
    Up->SetMin(-5);
    Up->SetMax(100000);
    Up->SetPosition(70000); // before the window exists
    Up->SetAssociate(Edit);
    Up->SetParent(F.Form.get());
    EXPECT_EQ(Edit->GetText(), "70000");
    EXPECT_EQ(SendMessageA(Up->GetHandle(), UDM_GETPOS32, 0, 0), 70000);
    int Changes = 0;
    Up->OnChange = [&](TObject*) { ++Changes; };
    Up->SetPosition(200000);
    EXPECT_EQ(Up->GetPosition(), 100000); // clamped
    ClickArrow(Up, true); // at the top without wrap: nothing moves
    EXPECT_EQ(Up->GetPosition(), 100000);
    EXPECT_EQ(Changes, 1);
    Up->SetWrap(true);
    ClickArrow(Up, true);
    EXPECT_EQ(Up->GetPosition(), -5);
    EXPECT_EQ(Edit->GetText(), "-5");
    ClickArrow(Up, false);
    EXPECT_EQ(Up->GetPosition(), 100000);
    // A step refused by OnChanging changes nothing.
    Up->OnChanging = [](TObject*, bool& Allow) { Allow = false; };
    ClickArrow(Up, false);
    EXPECT_EQ(Up->GetPosition(), 100000);
    Up->OnChanging = nullptr;
    // Re-creation keeps range and position.
    Up->RecreateWnd();
    EXPECT_EQ(SendMessageA(Up->GetHandle(), UDM_GETPOS32, 0, 0), 100000);
    int Lo = 0, Hi = 0;
    SendMessageA(Up->GetHandle(), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&Lo), reinterpret_cast<LPARAM>(&Hi));
    EXPECT_EQ(Lo, -5);
    EXPECT_EQ(Hi, 100000);
    // The buddy going away leaves no dangling reference.
    Edit->Free();
    EXPECT_EQ(Up->GetAssociate(), nullptr);
    Up->SetPosition(3);
    EXPECT_EQ(Up->GetPosition(), 3);
}

TEST(TTrackBar, ChangeFromCodeAndFromTheControl)
{
    THiddenForm F(300, 200);
    TTrackBar* T = new TTrackBar(F.Form.get());
    T->SetMax(30);
    T->SetPosition(10); // before the window: no window yet, the value is kept
    int Changes = 0;
    T->OnChange = [&](TObject*) { ++Changes; };
    T->SetParent(F.Form.get());
    EXPECT_EQ(SendMessageA(T->GetHandle(), TBM_GETPOS, 0, 0), 10);
    EXPECT_EQ(SendMessageA(T->GetHandle(), TBM_GETRANGEMAX, 0, 0), 30);
    T->SetPosition(12);
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(SendMessageA(T->GetHandle(), TBM_GETPOS, 0, 0), 12);
    T->SetPosition(12);
    EXPECT_EQ(Changes, 1); // the same value: nothing
    T->SetPosition(99);
    EXPECT_EQ(T->GetPosition(), 30);
    EXPECT_EQ(Changes, 2);
    // The user's move: the control sets its position and tells its parent.
    SendMessageA(T->GetHandle(), TBM_SETPOS, TRUE, 4);
    SendMessageA(F.Form->GetHandle(), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 4), reinterpret_cast<LPARAM>(T->GetHandle()));
    EXPECT_EQ(T->GetPosition(), 4);
    EXPECT_EQ(Changes, 3);
    // A key the control handles itself reaches us through the same path.
    SendMessageA(T->GetHandle(), WM_KEYDOWN, VK_RIGHT, 1);
    EXPECT_EQ(T->GetPosition(), 5);
    EXPECT_EQ(Changes, 4);
    T->SetMin(8);
    EXPECT_EQ(T->GetPosition(), 8);
    EXPECT_EQ(Changes, 5);
    T->RecreateWnd();
    EXPECT_EQ(SendMessageA(T->GetHandle(), TBM_GETPOS, 0, 0), 8);
    EXPECT_EQ(SendMessageA(T->GetHandle(), TBM_GETRANGEMIN, 0, 0), 8);
}

TEST(TProgressBar, AnyParentStepItAndRecreation)
{
    THiddenForm F(300, 200);
    // Made before its parent has a window; the panel stands for any container.
    TPanel* Holder = new TPanel(F.Form.get());
    TProgressBar* P = new TProgressBar(F.Form.get());
    P->SetParent(Holder);
    P->SetMax(15);
    P->SetStep(4);
    P->SetPosition(2);
    EXPECT_FALSE(P->HandleAllocated());
    Holder->SetParent(F.Form.get());
    ASSERT_TRUE(P->HandleAllocated());
    EXPECT_EQ(GetParent(P->GetHandle()), Holder->GetHandle());
    EXPECT_EQ(SendMessageA(P->GetHandle(), PBM_GETPOS, 0, 0), 2);
    EXPECT_EQ(SendMessageA(P->GetHandle(), PBM_GETRANGE, FALSE, 0), 15);
    P->StepIt();
    P->StepIt();
    P->StepIt();
    EXPECT_EQ(P->GetPosition(), 14);
    P->StepIt(); // past the end: from the start again
    EXPECT_LT(P->GetPosition(), 15);
    EXPECT_GE(P->GetPosition(), 0);
    EXPECT_EQ(SendMessageA(P->GetHandle(), PBM_GETPOS, 0, 0), P->GetPosition());
    P->SetPosition(-3);
    EXPECT_EQ(P->GetPosition(), 0);
    P->StepBy(100);
    EXPECT_EQ(P->GetPosition(), 15);
    P->SetPosition(9);
    P->RecreateWnd();
    EXPECT_EQ(SendMessageA(P->GetHandle(), PBM_GETPOS, 0, 0), 9);
    EXPECT_EQ(SendMessageA(P->GetHandle(), PBM_GETRANGE, FALSE, 0), 15);
    // Re-parented into another container: it keeps its state in the new window.
    TPanel* Other = new TPanel(F.Form.get());
    Other->SetParent(F.Form.get());
    P->SetParent(Other);
    EXPECT_EQ(GetParent(P->GetHandle()), Other->GetHandle());
    EXPECT_EQ(SendMessageA(P->GetHandle(), PBM_GETPOS, 0, 0), 9);
}

TEST(TUpDown, HorizontalOnTheLeftOfItsBuddy)
{
    THiddenForm F(300, 200);
    TEdit* Edit = new TEdit(F.Form.get());
    Edit->SetParent(F.Form.get());
    Edit->SetBounds(60, 20, 80, 22);
    TUpDown* Up = new TUpDown(F.Form.get());
    Up->SetParent(F.Form.get());
    Up->SetOrientation(orHorizontal);
    Up->SetAlignButton(udLeft);
    Up->SetBounds(0, 0, 30, 22);
    Up->SetMax(9);
    Up->SetWrap(true);
    Up->SetAssociate(Edit);
    EXPECT_EQ(Up->GetLeft() + Up->GetWidth(), 60);
    EXPECT_NE(GetWindowLongA(Up->GetHandle(), GWL_STYLE) & UDS_HORZ, 0);
    // Left arrow goes back: from 0 it wraps to the top.
    RECT R;
    GetClientRect(Up->GetHandle(), &R);
    SendMessageA(Up->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(R.right / 4, R.bottom / 2));
    SendMessageA(Up->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(R.right / 4, R.bottom / 2));
    EXPECT_EQ(Up->GetPosition(), 9);
    EXPECT_EQ(Edit->GetText(), "9");
    SendMessageA(Up->GetHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(R.right * 3 / 4, R.bottom / 2));
    SendMessageA(Up->GetHandle(), WM_LBUTTONUP, 0, MAKELPARAM(R.right * 3 / 4, R.bottom / 2));
    EXPECT_EQ(Up->GetPosition(), 0);
}
