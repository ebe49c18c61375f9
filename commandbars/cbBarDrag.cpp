#include "commandbars/cbBarDrag.h"

#include <algorithm>

#include "commandbars/cbBar.h"
#include "commandbars/cbDockControl.h"
#include "commandbars/cbExtensions.h"
#include "commandbars/cbItemLinks.h"
#include "commandbars/cbRoutines.h"
#include "commandbars/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Forms.h"
#include "platform/win/ThreadTimer.h"

namespace {

bool gBarDragging = false;
// The bars collection whose bar is being dragged: the docking timer reaches the drag through it.
TcbBars* gDraggingBars = nullptr;

TPoint CursorPoint()
{
    POINT P{};
    GetCursorPos(&P);
    return TPoint{P.x, P.y};
}

// The site's window and every parent up the chain are visible and enabled.
bool SiteUsable(TcbDockControl* Site)
{
    if (!Site || !Site->HandleAllocated())
        return false;
    for (HWND W = Site->GetHandle(); W; W = (GetWindowLongA(W, GWL_STYLE) & WS_CHILD) ? GetParent(W) : nullptr)
        if (!IsWindowVisible(W) || !IsWindowEnabled(W))
            return false;
    return true;
}

} // namespace

bool cbIsBarDragging()
{
    return gBarDragging;
}

void cbSetBarDragging(bool Value)
{
    gBarDragging = Value;
}

void cbBarDragInit()
{
    cbExtensions().DragBar = [](TcbBarControl* Window) {
        if (Window && Window->GetBar())
            Window->GetBar()->GetBars()->RunDrag(Window);
    };
}

// ---------------------------------------------------------------------------------------------
// TcbBars: the drag

void TcbBars::StopDockingTimer()
{
    if (FDockingTimer) {
        ThreadTimerStop(FDockingTimer);
        FDockingTimer = 0;
    }
}

void TcbBars::DockingTimerFired()
{
    StopDockingTimer();
    if (FMovingBarControl && TCustomcbBarControl::IsLiveBarControl(FMovingBarControl))
        MoveBarTo(FMovingBarControl, CursorPoint(), true);
}

void TcbBars::FindDockSite(TcbBarControl* Window, TPoint Point, TcbBarDockingStyle& Style, TcbDockControl*& Site)
{
    Style = dsNone;
    Site = nullptr;
    TcbBar* Bar = Window ? Window->GetBar() : nullptr;
    if (!Bar)
        return;
    // Ctrl held during a drag keeps the bar floating.
    if (Window->IsMoving() && FCtrlHeld)
        return;
    const std::vector<TcbDockControl*> Sites = FBarManager->DockSites();
    for (TcbBarDockingStyle Candidate : {dsLeft, dsRight, dsTop, dsBottom})
        for (TcbDockControl* D : Sites) {
            if (D->GetDockingStyle() != Candidate || !SiteUsable(D))
                continue;
            if (!cbInRect(D->GetDockZone(), Point))
                continue;
            if (!FBarManager->CanDocking(Bar, Candidate, D))
                continue;
            Style = Candidate;
            Site = D;
            return;
        }
}

void TcbBars::MoveBarTo(TcbBarControl* Window, TPoint Point, bool Delayed)
{
    TcbBar* Bar = Window ? Window->GetBar() : nullptr;
    if (!Bar || !Window->HandleAllocated())
        return;
    TcbBarDockingStyle Style = dsNone;
    TcbDockControl* Site = nullptr;
    FindDockSite(Window, Point, Style, Site);
    if (!FBarManager->CanDocking(Bar, Style, Site))
        return;
    const TcbBarDockingStyle Current = Window->GetDockingStyle();
    if (Current == dsNone && !Delayed && Site) {
        // A floating bar docks only when it has rested over the site for a while.
        StopDockingTimer();
        FDockingTimer = ThreadTimerStart(static_cast<uint32_t>(std::max(FBarManager->GetWaitForDockingTime(), 0)),
                                         [](UINT_PTR) {
                                             if (gDraggingBars)
                                                 gDraggingBars->DockingTimerFired();
                                         });
        Style = dsNone;
        Site = nullptr;
    }
    if (Style == Current && (Style == dsNone || Site == Window->GetDockSite())) {
        FGrabOffset = Window->GetGrabPoint(Style);
        if (Style == dsNone)
            SetWindowPos(Window->GetHandle(), nullptr, Point.x - FGrabOffset.x, Point.y - FGrabOffset.y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        else
            Site->MoveBar(Window, Point);
        return;
    }
    Window->SetVisible(false);
    if (Current != dsNone)
        if (TcbDockControl* Old = Window->GetDockSite()) {
            Old->RemoveBar(Window, true);
            if (TcbBarItemLinks* Links = Window->GetItemLinks())
                Links->SetRecentCount(-1);
        }
    Window->LockLayout();
    {
        TScopeExit Unlock([Window] { Window->UnlockLayout(); });
        Window->SetDockingStyleAndSite(Style, Site);
    }
    FGrabOffset = Window->GetGrabPoint(Style);
    if (Style != dsNone) {
        Site->InsertBar(Window, Point, true);
    } else {
        const TSize Size = Window->GetSizeForDockingStyle(dsNone);
        SetWindowPos(Window->GetHandle(), nullptr, Point.x - FGrabOffset.x, Point.y - FGrabOffset.y, Size.cx, Size.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (Style == dsNone)
        Window->ShowFloating();
    else
        Window->SetVisible(true);
    Window->RebuildBar();
}

void TcbBars::RunDrag(TcbBarControl* Window)
{
    TcbBar* Bar = Window ? Window->GetBar() : nullptr;
    if (!Bar || !Bar->CanMove() || FMoving || !Window->HandleAllocated())
        return;
    const HWND CaptureWnd = FBarManager->GetCaptureWindow();
    if (!CaptureWnd)
        return;
    FMoving = true;
    gDraggingBars = this;
    cbSetBarDragging(true);
    FCtrlHeld = GetKeyState(VK_CONTROL) < 0;
    const int32_t* Start = Window->GetDragStart();
    FGrabOffset = TPoint{Start[0], Start[2]};
    Window->SetMoving(true);
    SetCapture(CaptureWnd);
    TScopeExit End([this, Window, CaptureWnd] {
        StopDockingTimer();
        if (GetCapture() == CaptureWnd)
            ReleaseCapture();
        if (TCustomcbBarControl::IsLiveBarControl(Window)) {
            Window->SetMoving(false);
            if (Window->GetDockingStyle() != dsNone)
                if (TcbDockControl* Site = Window->GetDockSite())
                    Site->EndMove();
        }
        FMovingBarControl = nullptr;
        FMoving = false;
        gDraggingBars = nullptr;
        cbSetBarDragging(false);
    });
    TPoint Last = CursorPoint();
    MSG Msg{};
    while (GetCapture() == CaptureWnd) {
        if (!GetMessageA(&Msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(Msg.wParam));
            return;
        }
        if (!TCustomcbBarControl::IsLiveBarControl(Window))
            return;
        switch (Msg.message) {
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_CHAR:
        case WM_SYSCHAR:
            if (Msg.message == WM_KEYDOWN && Msg.wParam == VK_ESCAPE)
                return;
            // Ctrl pressed or released decides again at once whether the bar docks. The key's
            // state is taken from these messages: the thread's key state may be brought back to
            // the keyboard's own while the mouse is held.
            if ((Msg.message == WM_KEYDOWN || Msg.message == WM_KEYUP) && Msg.wParam == VK_CONTROL) {
                FCtrlHeld = Msg.message == WM_KEYDOWN;
                Last = CursorPoint();
                MoveBarTo(Window, Last, true);
            }
            continue;
        case WM_MOUSEMOVE: {
            const TPoint P = CursorPoint();
            if (P.x != Last.x || P.y != Last.y) {
                Last = P;
                MoveBarTo(Window, P);
            }
            continue;
        }
        case WM_LBUTTONUP:
            return;
        default:
            TranslateMessage(&Msg);
            DispatchMessageA(&Msg);
            break;
        }
    }
}
