// A scrolling container: bars from the children's extent or from set ranges, scroll messages
// moving windowed and windowless children.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "platform/win/ExtCtrls.h"
#include "platform/win/Forms.h"
#include "platform/win/Scrolling.h"
#include "tests/support/HiddenForm.h"
#include "tests/support/TestSupport.h"

namespace {

using TestSupport::THiddenForm;

int32_t RangeOf(HWND W, int Bar)
{
    SCROLLINFO SI{};
    SI.cbSize = sizeof(SI);
    SI.fMask = SIF_RANGE;
    GetScrollInfo(W, Bar, &SI);
    return SI.nMax - SI.nMin + 1;
}

int32_t PosOf(HWND W, int Bar)
{
    SCROLLINFO SI{};
    SI.cbSize = sizeof(SI);
    SI.fMask = SIF_POS;
    GetScrollInfo(W, Bar, &SI);
    return SI.nPos;
}

bool HasStyle(HWND W, LONG S) { return (GetWindowLongA(W, GWL_STYLE) & S) != 0; }

// Where a child window really is, in its parent's client coordinates.
TPoint WindowPlace(HWND W)
{
    RECT R;
    GetWindowRect(W, &R);
    MapWindowPoints(nullptr, GetParent(W), reinterpret_cast<POINT*>(&R), 2);
    return Point(R.left, R.top);
}

} // namespace

TEST(TScrollingWinControl, AutoScrollBarsFollowTheChildrenAndMoveThem)
{
    THiddenForm F(600, 500);
    TScrollingWinControl* Box = new TScrollingWinControl(F.Form.get());
    Box->SetBounds(10, 10, 300, 200);
    Box->SetParent(F.Form.get());
    TPanel* Big = new TPanel(F.Form.get());
    Big->SetBounds(0, 0, 1000, 800);
    Big->SetParent(Box);
    TShape* Mark = new TShape(F.Form.get()); // windowless
    Mark->SetBounds(50, 60, 20, 20);
    Mark->SetParent(Box);
    const HWND W = Box->GetHandle();
    const int32_t BX = GetSystemMetrics(SM_CXVSCROLL), BY = GetSystemMetrics(SM_CYHSCROLL);

    EXPECT_TRUE(HasStyle(W, WS_HSCROLL));
    EXPECT_TRUE(HasStyle(W, WS_VSCROLL));
    EXPECT_TRUE(Box->GetHorzScrollBar()->IsScrollBarVisible());
    EXPECT_EQ(Box->GetHorzScrollBar()->GetRange(), 1000);
    EXPECT_EQ(Box->GetVertScrollBar()->GetRange(), 800);
    EXPECT_EQ(RangeOf(W, SB_HORZ), 1000);
    EXPECT_EQ(RangeOf(W, SB_VERT), 800);
    EXPECT_EQ(Box->GetClientWidth(), 300 - BX);
    EXPECT_EQ(Box->GetClientHeight(), 200 - BY);

    SendMessageA(W, WM_VSCROLL, SB_LINEDOWN, 0);
    const int32_t Inc = Box->GetVertScrollBar()->GetIncrement();
    EXPECT_GT(Inc, 0);
    EXPECT_EQ(Big->GetTop(), -Inc);
    EXPECT_EQ(WindowPlace(Big->GetHandle()).y, -Inc);
    EXPECT_EQ(Mark->GetTop(), 60 - Inc);
    EXPECT_EQ(PosOf(W, SB_VERT), Inc);

    // The thumb dragged: without Tracking only its release moves the picture.
    SendMessageA(W, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 300), 0);
    EXPECT_EQ(Big->GetLeft(), 0);
    Box->GetHorzScrollBar()->SetTracking(true);
    SendMessageA(W, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 300), 0);
    EXPECT_EQ(Big->GetLeft(), -300);
    EXPECT_EQ(WindowPlace(Big->GetHandle()).x, -300);
    EXPECT_EQ(Mark->GetLeft(), 50 - 300);
    SendMessageA(W, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 310), 0);
    EXPECT_EQ(Big->GetLeft(), -310);

    // Pages and ends stop where the last page shows.
    SendMessageA(W, WM_VSCROLL, SB_BOTTOM, 0);
    const int32_t Last = 800 - Box->GetClientHeight();
    EXPECT_EQ(Box->GetVertScrollBar()->GetPosition(), Last);
    EXPECT_EQ(Big->GetTop(), -Last);
    SendMessageA(W, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(Big->GetTop(), -Last);
    SendMessageA(W, WM_VSCROLL, SB_PAGEUP, 0);
    EXPECT_EQ(Box->GetVertScrollBar()->GetPosition(), Last - Box->GetClientHeight());
    SendMessageA(W, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(Big->GetTop(), 0);
    EXPECT_EQ(Mark->GetTop(), 60);

    // A child shrinking takes the bars away and the picture back to the origin.
    Big->SetBounds(Big->GetLeft(), Big->GetTop(), 200, 100);
    EXPECT_FALSE(HasStyle(W, WS_HSCROLL));
    EXPECT_FALSE(HasStyle(W, WS_VSCROLL));
    EXPECT_EQ(Big->GetLeft(), 0);
    EXPECT_EQ(Mark->GetLeft(), 50);
    EXPECT_EQ(Box->GetHorzScrollBar()->GetPosition(), 0);

    // Only a wide child: one bar, whose height leaves the other unneeded.
    Big->SetBounds(0, 0, 700, 100);
    EXPECT_TRUE(HasStyle(W, WS_HSCROLL));
    EXPECT_FALSE(HasStyle(W, WS_VSCROLL));
    // The box growing takes it away again.
    Box->SetBounds(10, 10, 800, 300);
    EXPECT_FALSE(HasStyle(W, WS_HSCROLL));
}

TEST(TScrollingWinControl, WithoutAutoScrollRangeAndVisibleDecide)
{
    THiddenForm F(600, 500);
    TScrollingWinControl* Box = new TScrollingWinControl(F.Form.get());
    Box->SetAutoScroll(false);
    Box->SetBounds(0, 0, 300, 200);
    Box->SetParent(F.Form.get());
    TPanel* Big = new TPanel(F.Form.get());
    Big->SetBounds(0, 0, 1000, 800);
    Big->SetParent(Box);
    const HWND W = Box->GetHandle();
    EXPECT_FALSE(HasStyle(W, WS_HSCROLL)); // the child does not count
    EXPECT_FALSE(HasStyle(W, WS_VSCROLL));
    Box->GetHorzScrollBar()->SetRange(1000);
    EXPECT_TRUE(HasStyle(W, WS_HSCROLL));
    EXPECT_FALSE(HasStyle(W, WS_VSCROLL));
    EXPECT_EQ(RangeOf(W, SB_HORZ), 1000);
    Box->GetVertScrollBar()->SetRange(150); // fits the client height
    EXPECT_FALSE(HasStyle(W, WS_VSCROLL));
    Box->GetVertScrollBar()->SetRange(800);
    EXPECT_TRUE(HasStyle(W, WS_VSCROLL));
    Box->GetVertScrollBar()->SetVisible(false);
    EXPECT_FALSE(HasStyle(W, WS_VSCROLL));
    EXPECT_FALSE(Box->GetVertScrollBar()->IsScrollBarVisible());
    Box->GetVertScrollBar()->SetPosition(100); // a hidden bar does not scroll
    EXPECT_EQ(Big->GetTop(), 0);
    Box->GetHorzScrollBar()->SetPosition(250);
    EXPECT_EQ(Big->GetLeft(), -250);
    EXPECT_EQ(PosOf(W, SB_HORZ), 250);
    Box->GetHorzScrollBar()->SetPosition(5000); // clamped to the last page
    EXPECT_EQ(Box->GetHorzScrollBar()->GetPosition(), 1000 - Box->GetClientWidth());

    // Black hot-track bars: kept, and the bars still work.
    Box->GetHorzScrollBar()->SetColor(clBlack);
    Box->GetHorzScrollBar()->SetStyle(ssHotTrack);
    EXPECT_EQ(Box->GetHorzScrollBar()->GetColor(), clBlack);
    EXPECT_EQ(Box->GetHorzScrollBar()->GetStyle(), ssHotTrack);
    Box->GetVertScrollBar()->SetVisible(true);
    EXPECT_TRUE(HasStyle(W, WS_VSCROLL));
    SendMessageA(W, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(Big->GetTop(), -Box->GetVertScrollBar()->GetIncrement());
}

TEST(TScrollingWinControl, ScrollInViewAndRecreation)
{
    THiddenForm F(600, 500);
    TScrollingWinControl* Box = new TScrollingWinControl(F.Form.get());
    Box->SetBounds(0, 0, 300, 200);
    Box->SetParent(F.Form.get());
    TPanel* Far = new TPanel(F.Form.get());
    Far->SetBounds(900, 700, 50, 40);
    Far->SetParent(Box);
    Box->ScrollInView(Far);
    // Its bottom-right corner is at the client's bottom-right corner.
    EXPECT_EQ(Far->GetLeft() + Far->GetWidth(), Box->GetClientWidth());
    EXPECT_EQ(Far->GetTop() + Far->GetHeight(), Box->GetClientHeight());
    Box->ScrollInView(Far); // already in view: nothing moves
    EXPECT_EQ(Far->GetLeft() + Far->GetWidth(), Box->GetClientWidth());
    const int32_t H = Box->GetHorzScrollBar()->GetPosition();
    EXPECT_EQ(H, 950 - Box->GetClientWidth());
    Box->RecreateWnd();
    EXPECT_EQ(PosOf(Box->GetHandle(), SB_HORZ), H);
    EXPECT_EQ(RangeOf(Box->GetHandle(), SB_VERT), 740);
    EXPECT_EQ(Far->GetLeft(), 900 - H);
}

static BOOL CALLBACK CountThreadWindow(HWND, LPARAM P)
{
    ++*reinterpret_cast<int*>(P);
    return TRUE;
}

TEST(TScrollingWinControl, MadeOnAWorkerGetsItsWindowAndBarsWhenParented)
{
    TScrollingWinControl* Box = nullptr;
    TShape* Child = nullptr;
    int Windows = -1;
    std::thread Worker([&] {
        Box = new TScrollingWinControl(nullptr);
        Box->SetAutoScroll(false);
        Box->SetBounds(0, 0, 200, 150);
        Box->GetHorzScrollBar()->SetRange(640);
        Box->GetVertScrollBar()->SetRange(480);
        Child = new TShape(Box);
        Child->SetBounds(0, 0, 640, 480);
        Child->SetParent(Box);
        Windows = 0;
        EnumThreadWindows(GetCurrentThreadId(), CountThreadWindow, reinterpret_cast<LPARAM>(&Windows));
    });
    Worker.join();
    EXPECT_EQ(Windows, 0);
    EXPECT_FALSE(Box->HandleAllocated());
    THiddenForm F(400, 300);
    Box->SetParent(F.Form.get());
    ASSERT_TRUE(Box->HandleAllocated());
    EXPECT_TRUE(HasStyle(Box->GetHandle(), WS_HSCROLL));
    EXPECT_TRUE(HasStyle(Box->GetHandle(), WS_VSCROLL));
    EXPECT_EQ(RangeOf(Box->GetHandle(), SB_HORZ), 640);
    SendMessageA(Box->GetHandle(), WM_HSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(Child->GetLeft(), -Box->GetClientWidth());
    Box->Free();
}

TEST(TScrollingWinControl, ChildrenAddedOrHiddenChangeTheAutoRange)
{
    THiddenForm F(600, 500);
    TScrollingWinControl* Box = new TScrollingWinControl(F.Form.get());
    Box->SetBounds(0, 0, 300, 200);
    Box->SetParent(F.Form.get());
    EXPECT_EQ(Box->GetHorzScrollBar()->GetRange(), 0);
    TPanel* A = new TPanel(F.Form.get());
    A->SetBounds(100, 20, 400, 50);
    A->SetParent(Box);
    EXPECT_EQ(Box->GetHorzScrollBar()->GetRange(), 500);
    EXPECT_TRUE(HasStyle(Box->GetHandle(), WS_HSCROLL));
    A->Hide();
    EXPECT_EQ(Box->GetHorzScrollBar()->GetRange(), 0);
    EXPECT_FALSE(HasStyle(Box->GetHandle(), WS_HSCROLL));
    A->Show();
    SendMessageA(Box->GetHandle(), WM_HSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(A->GetLeft() + A->GetWidth(), Box->GetClientWidth());
    A->Free(); // the last child goes: nothing left to scroll
    EXPECT_EQ(Box->GetHorzScrollBar()->GetRange(), 0);
    EXPECT_EQ(Box->GetHorzScrollBar()->GetPosition(), 0);
}
