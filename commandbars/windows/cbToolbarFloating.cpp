// The floating side of the toolbar window: its non-client area (frame, caption, close button
// and mark drawn by the painter), sizing by the edges, the close button's own capture loop, the
// place kept inside the work area, the double click that docks or floats the bar, the moving
// state of a drag with its two handles, and the edit-width sizing while customizing.
#include "commandbars/windows/cbToolbar.h"

#include <algorithm>
#include <memory>

#include <windowsx.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbShadow.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Forms.h"
#include "platform/win/Screen.h"
#include "platform/win/ThreadTimer.h"

namespace {

// The mark poll timer of a floating bar (on the window) and its period.
constexpr UINT_PTR kMarkTimerId = 1;
constexpr UINT kMarkTimerPeriod = 50;
// A floating bar's top edge may not be dragged higher than this.
constexpr int32_t kMinFloatingTop = -15;
// The band at either edge of an edit control in which its width can be dragged.
constexpr int32_t kEditSizingBand = 7;
// The thickness of the inverted frame that shows the dragged width.
constexpr int32_t kSizingFrameWidth = 2;

HCURSOR CursorOf(TCursor Id, LPCSTR Fallback)
{
    return Screen ? Screen->GetCursors(Id) : LoadCursor(nullptr, Fallback);
}

void ActivateWindow(HWND Wnd)
{
    if (Wnd && IsWindowVisible(Wnd) && GetActiveWindow() != Wnd)
        SetActiveWindow(Wnd);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Parts of the floating window

TRect TcbBarControl::GetCaptionRect(bool InClient) const
{
    TcbPainterClass Painter = GetPainter();
    const TRect W = GetWindowRect();
    TRect R{0, 0, W.right - W.left, W.bottom - W.top};
    InflateRect(&R, -Painter->GetFloatingBorderWidth(), -Painter->GetFloatingBorderHeight());
    R.bottom = R.top + Painter->GetSmallCaptionHeight();
    if (InClient) {
        const TPoint Offset = GetClientOffset();
        OffsetRect(&R, -Offset.x, -Offset.y);
    }
    return R;
}

TRect TcbBarControl::GetCloseButtonRect(bool InClient) const
{
    const TRect Caption = GetCaptionRect(InClient);
    const int32_t Height = GetPainter()->GetSmallCaptionHeight();
    TRect R{Caption.right - Height, Caption.top, Caption.right, Caption.bottom};
    const TSize Size = GetPainter()->GetCloseButtonSize();
    // Shrunk to the painter's button, centred where the strip is larger.
    if (R.right - R.left > Size.cx) {
        R.left += (R.right - R.left - Size.cx) / 2;
        R.right = R.left + Size.cx;
    }
    if (R.bottom - R.top > Size.cy) {
        R.top += (R.bottom - R.top - Size.cy) / 2;
        R.bottom = R.top + Size.cy;
    }
    return R;
}

TRect TcbBarControl::GetSizeGripRect() const
{
    const TRect Client = GetClientRect();
    const TSize S = GetPainter()->GetSizeGripSize();
    return TRect{Client.right, Client.bottom - S.cy, Client.right + S.cx, Client.bottom};
}

TRect TcbBarControl::GetMarkRectInWindow() const
{
    if (GetDockingStyle() != dsNone) {
        TRect R = GetPainter()->GetMarkRect(this);
        const TPoint Offset = GetClientOffset();
        OffsetRect(&R, Offset.x, Offset.y);
        return R;
    }
    // The mark of a floating bar is a square at the right of its caption, left of the close
    // button.
    const TRect Caption = GetCaptionRect(false);
    const int32_t Height = Caption.bottom - Caption.top;
    TRect R{Caption.right - Height, Caption.top, Caption.right, Caption.bottom};
    if (CanClose())
        OffsetRect(&R, -(GetPainter()->GetCloseButtonSize().cx + 1), 0);
    R.left = std::max(R.left, Caption.left);
    return R;
}

TRect TcbBarControl::MarkRectInClient() const
{
    if (GetDockingStyle() != dsNone)
        return GetPainter()->GetMarkRect(this);
    TRect R = GetMarkRectInWindow();
    const TPoint Offset = GetClientOffset();
    OffsetRect(&R, -Offset.x, -Offset.y);
    return R;
}

void TcbBarControl::SetCloseButtonState(TcbButtonState Value)
{
    if (Value == FCloseButtonState)
        return;
    FCloseButtonState = Value;
    if (!HandleAllocated() || GetDockingStyle() != dsNone || !CanClose())
        return;
    HDC DC = GetWindowDC(FHandle);
    if (!DC)
        return;
    GetPainter()->DrawCloseButton(this, DC, GetCloseButtonRect(false));
    ReleaseDC(FHandle, DC);
}

void TcbBarControl::RedrawFloatingMark()
{
    if (!HandleAllocated() || !IsMarkVisible())
        return;
    HDC DC = GetWindowDC(FHandle);
    if (!DC)
        return;
    GetPainter()->DrawMark(this, DC, GetMarkRectInWindow());
    ReleaseDC(FHandle, DC);
}

void TcbBarControl::ShowFloating()
{
    SetVisible(true);
    if (HandleAllocated())
        SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    // Its manager watches the floating bars' place in the z-order, and their shadows', from now.
    if (TcbBarManager* Manager = GetBarManager())
        Manager->FocusChangedInForm();
}

void TcbBarControl::MoveIntoWorkArea()
{
    if (!HandleAllocated() || GetDockingStyle() != dsNone)
        return;
    const TRect W = GetWindowRect();
    const TRect Area = GetMonitorWorkArea(TPoint{(W.left + W.right) / 2, (W.top + W.bottom) / 2});
    // The far edges first, so that a window larger than the area keeps its top-left corner in.
    int32_t X = std::min<int32_t>(W.left, Area.right - (W.right - W.left));
    int32_t Y = std::min<int32_t>(W.top, Area.bottom - (W.bottom - W.top));
    X = std::max<int32_t>(X, Area.left);
    Y = std::max<int32_t>(Y, Area.top);
    if (X != W.left || Y != W.top)
        SetWindowPos(FHandle, nullptr, X, Y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TcbBarControl::RebuildShadow()
{
    if (GetDockingStyle() != dsNone || !HandleAllocated())
        return;
    if (auto* Shadow = dynamic_cast<TcbBarShadow*>(GetShadow())) {
        const TRect Bounds = GetWindowRect();
        Shadow->SetRects(Bounds, TRect{});
        Shadow->SetVisible(IsShadowVisible());
    }
}

// ---------------------------------------------------------------------------------------------
// Non-client area

void TcbBarControl::FloatingNCCalcSize(RECT* R)
{
    TcbPainterClass Painter = GetPainter();
    if (!Painter->UseSystemFloatingFrame()) {
        R->left += Painter->GetFloatingBorderWidth();
        R->right -= Painter->GetFloatingBorderWidth();
        R->top += Painter->GetFloatingBorderHeight();
        R->bottom -= Painter->GetFloatingBorderHeight();
    }
    if (FHasCaption) {
        R->top += Painter->GetFloatingCaptionHeight() + Painter->GetFloatingTopIndent();
        R->bottom -= Painter->GetFloatingBottomIndent();
        R->left += Painter->GetFloatingSideIndent();
        R->right -= Painter->GetFloatingSideIndent();
    }
    R->right = std::max(R->right, R->left);
    R->bottom = std::max(R->bottom, R->top);
}

void TcbBarControl::FloatingNCPaint(HDC DC, const TRect& Window)
{
    TcbPainterClass Painter = GetPainter();
    HBRUSH Brush = GetBarBrush();
    Painter->DrawFloatingBarBorder(this, DC, Brush, Window);
    const TPoint Offset = GetClientOffset();
    TRect Client = GetClientRect();
    OffsetRect(&Client, Offset.x, Offset.y);
    TRect Area = Client;
    if (FHasCaption) {
        Area.left -= Painter->GetFloatingSideIndent();
        Area.right += Painter->GetFloatingSideIndent();
        Area.top -= Painter->GetFloatingTopIndent();
        Area.bottom += Painter->GetFloatingBottomIndent();
        // The caption band down to the client (the caption strip is drawn over it).
        Area.top = std::min<int32_t>(Area.top, GetCaptionRect(false).top);
    }
    HRGN Rgn = CreateRectRgn(Area.left, Area.top, Area.right, Area.bottom);
    HRGN ClientRgn = CreateRectRgn(Client.left, Client.top, Client.right, Client.bottom);
    CombineRgn(Rgn, Rgn, ClientRgn, RGN_DIFF);
    DeleteObject(ClientRgn);
    FillBackgroundInRgn(DC, Rgn);
    DeleteObject(Rgn);
    if (FHasCaption)
        Painter->DrawFloatingCaption(this, DC, GetCaptionRect(false), GetMarkRectInWindow());
}

void TcbBarControl::FloatingNCHitTest(TMessage& M)
{
    // The system's answer first (the base keeps mouse-leave tracking in step with it), then the
    // bar's own: the caption and empty client space drag, corners size along one edge only.
    TCustomControl::WndProc(M);
    const TPoint S{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
    const TRect W = GetWindowRect();
    const TPoint InWindow{S.x - W.left, S.y - W.top};
    POINT C{S.x, S.y};
    ::ScreenToClient(FHandle, &C);
    const TPoint InClient{C.x, C.y};
    const TRect Client = GetClientRect();
    TcbPainterClass Painter = GetPainter();
    int32_t Result = HTCLIENT;
    if (cbInRect(Client, InClient)) {
        TcbBarItemControl* Control = ControlAtPos(InClient);
        FHitCode = Control && (IsCustomizing() || Control->IsUsable()) ? HTCLIENT : HTCAPTION;
    } else if (IsMarkVisible() && cbInRect(GetMarkRectInWindow(), InWindow)) {
        FHitCode = HTCLIENT;
    } else if (CanClose() && cbInRect(GetCloseButtonRect(false), InWindow)) {
        FHitCode = HTCLOSE;
        if (Painter->UseSystemFloatingHitTest())
            Result = HTCLOSE;
    } else {
        const int32_t BW = Painter->GetFloatingBorderWidth(), BH = Painter->GetFloatingBorderHeight();
        const int32_t Width = W.right - W.left, Height = W.bottom - W.top;
        if (InWindow.y < BH)
            Result = HTTOP;
        else if (InWindow.y >= Height - BH)
            Result = HTBOTTOM;
        else if (InWindow.x < BW)
            Result = HTLEFT;
        else if (InWindow.x >= Width - BW)
            Result = HTRIGHT;
        FHitCode = Result == HTCLIENT ? HTCAPTION : Result;
    }
    M.Result = Result;
    // While the close button is hot the tracking stays, so that leaving through the frame
    // still brings the button back to normal.
    if (Result != HTCLIENT && FCloseButtonState == bstNormal)
        StopTrackMouseLeave(FHandle);
}

// ---------------------------------------------------------------------------------------------
// Sizing and position

void TcbBarControl::WMSizing(TMessage& M)
{
    auto* R = reinterpret_cast<RECT*>(M.LParam);
    M.Result = 1;
    if (!R || !FBar || GetDockingStyle() != dsNone)
        return;
    const int32_t ExtraW = FBar->GetExtraWidth(dsNone), ExtraH = FBar->GetExtraHeight(dsNone);
    const TRect Now = GetWindowRect();
    if (FEdgeSizing) {
        // The edge the cursor holds, from where the sizing began.
        POINT C{};
        GetCursorPos(&C);
        const int32_t DX = C.x - FEdgeSizingCursor.x, DY = C.y - FEdgeSizingCursor.y;
        const TRect& S = FEdgeSizingStart;
        switch (M.WParam) {
        case WMSZ_LEFT: R->left = S.left + DX; break;
        case WMSZ_RIGHT: R->right = S.right + DX; break;
        case WMSZ_TOP: R->top = S.top + DY; break;
        case WMSZ_BOTTOM: R->bottom = S.bottom + DY; break;
        default: break;
        }
    }
    switch (M.WParam) {
    case WMSZ_LEFT:
    case WMSZ_RIGHT: {
        const TSize S = GetSizeForWidth(dsNone, (R->right - R->left) - ExtraW);
        if (M.WParam == WMSZ_LEFT)
            R->left = R->right - (S.cx + ExtraW);
        else
            R->right = R->left + S.cx + ExtraW;
        R->bottom = R->top + S.cy + ExtraH;
        break;
    }
    case WMSZ_TOP:
    case WMSZ_BOTTOM: {
        const TSize S = GetSizeForHeight(dsNone, (R->bottom - R->top) - ExtraH);
        if (M.WParam == WMSZ_TOP)
            R->top = R->bottom - (S.cy + ExtraH);
        else
            R->bottom = R->top + S.cy + ExtraH;
        R->right = R->left + S.cx + ExtraW;
        break;
    }
    default:
        // Corners do not size a floating bar.
        *R = Now;
        break;
    }
    if (R->top < kMinFloatingTop)
        OffsetRect(R, 0, kMinFloatingTop - R->top);
}

void TcbBarControl::WMWindowPosChanging(TMessage& M)
{
    TCustomcbBarControl::WndProc(M);
    auto* Pos = reinterpret_cast<WINDOWPOS*>(M.LParam);
    if (!Pos || GetDockingStyle() != dsNone || !HandleAllocated())
        return;
    // The bar never takes the activation from its form, also not from the system's sizing loop,
    // whose moves ask for it. Activated, the bar would hold the focus; the next click hands both
    // back to the form, and where the display raises the focused window the form's window then
    // comes up over the bar it owns.
    Pos->flags |= SWP_NOACTIVATE;
    if ((Pos->flags & SWP_NOMOVE) && (Pos->flags & SWP_NOSIZE))
        return;
    const TRect Now = GetWindowRect();
    int32_t X = (Pos->flags & SWP_NOMOVE) ? Now.left : Pos->x;
    int32_t Y = (Pos->flags & SWP_NOMOVE) ? Now.top : Pos->y;
    const int32_t CX = (Pos->flags & SWP_NOSIZE) ? Now.right - Now.left : Pos->cx;
    const int32_t CY = (Pos->flags & SWP_NOSIZE) ? Now.bottom - Now.top : Pos->cy;
    POINT Cursor{};
    GetCursorPos(&Cursor);
    const TRect Area = GetMonitorWorkArea(TPoint{Cursor.x, Cursor.y});
    bool Changed = false;
    if (X + CX <= Area.left) {
        X = Area.left;
        Changed = true;
    }
    if (Y + CY <= Area.top) {
        Y = Area.top;
        Changed = true;
    }
    if (X >= Area.right) {
        X = Area.right - CX;
        Changed = true;
    }
    if (Y >= Area.bottom) {
        Y = Area.bottom - CY;
        Changed = true;
    }
    if (Changed) {
        Pos->x = X;
        Pos->y = Y;
        Pos->flags &= ~static_cast<UINT>(SWP_NOMOVE);
    }
}

// ---------------------------------------------------------------------------------------------
// Close button, mark and mouse

void TcbBarControl::CloseButtonLoop()
{
    TcbBarManager* Manager = GetBarManager();
    HideAll();
    if (!IsLiveBarControl(this) || !HandleAllocated())
        return;
    if (Manager && !Manager->GetHideFloatingBarsWhenInactive() && Manager->GetOwnerForm() &&
        Manager->GetOwnerForm()->HandleAllocated())
        ActivateWindow(Manager->GetOwnerForm()->GetHandle());
    SetCloseButtonState(bstPressed);
    const HWND Wnd = FHandle;
    SetCapture(Wnd);
    bool Clicked = false;
    MSG Msg{};
    while (GetCapture() == Wnd) {
        if (!GetMessageA(&Msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(Msg.wParam));
            break;
        }
        if (Msg.message == WM_MOUSEMOVE) {
            POINT P{};
            GetCursorPos(&P);
            TRect Button = GetCloseButtonRect(false);
            const TRect W = GetWindowRect();
            OffsetRect(&Button, W.left, W.top);
            SetCloseButtonState(cbInRect(Button, TPoint{P.x, P.y}) ? bstPressed : bstHot);
            continue;
        }
        if (Msg.message == WM_LBUTTONUP) {
            Clicked = FCloseButtonState == bstPressed;
            break;
        }
        TranslateMessage(&Msg);
        DispatchMessageA(&Msg);
        if (!IsLiveBarControl(this))
            return;
    }
    if (GetCapture() == Wnd)
        ReleaseCapture();
    if (!IsLiveBarControl(this))
        return;
    SetCloseButtonState(bstNormal);
    if (!Clicked || !FBar)
        return;
    // The window goes with the bar's Visible: nothing of it is touched afterwards.
    TcbBar* Bar = FBar;
    Bar->SetVisible(false);
    if (Manager)
        Manager->DoBarClose(Bar);
}

void TcbBarControl::FloatingWindowLost()
{
    TcbBarManager* Manager = GetBarManager();
    TCustomForm* Form = Manager ? Manager->GetOwnerForm() : nullptr;
    if (!FBar || !Manager || Manager->IsDestroying() || !Form || Form->GetComponentState().Contains(csDestroying))
        return;
    auto& Waiting = Manager->BarsWaitingForWindow();
    if (std::find(Waiting.begin(), Waiting.end(), FBar) == Waiting.end())
        Waiting.push_back(FBar);
    // The bar frees this window: not while its own message runs. The timer goes with this object
    // (destructor), so it only ever reaches this window.
    if (FLostTimer)
        ThreadTimerStop(FLostTimer);
    FLostTimer = ThreadTimerStart(0, [this](UINT_PTR Id) {
        ThreadTimerStop(Id);
        FLostTimer = 0;
        if (FBar && FBar->GetBarControl() == this)
            FBar->SetVisible(false);
    });
}

void TcbBarControl::MarkPollTimer()
{
    POINT P{};
    GetCursorPos(&P);
    TRect Mark = GetMarkRectInWindow();
    const TRect W = GetWindowRect();
    OffsetRect(&Mark, W.left, W.top);
    if (!cbInRect(Mark, TPoint{P.x, P.y}))
        SetMarkState(bstNormal);
}

void TcbBarControl::FloatingMouseMove(TPoint P)
{
    if (GetDockingStyle() != dsNone || IsCustomizing() || ActiveBarControl() || !CanClose() ||
        !GetPainter()->IsCloseButtonHotTracked() || GetCapture() == FHandle)
        return;
    if (cbInRect(GetCloseButtonRect(true), P)) {
        if (FCloseButtonState == bstNormal) {
            StartTrackMouseLeave(FHandle);
            SetCloseButtonState(bstHot);
        }
    } else if (FCloseButtonState != bstNormal) {
        SetCloseButtonState(bstNormal);
    }
}

void TcbBarControl::DockOrFloat()
{
    TcbBarManager* Manager = GetBarManager();
    if (!FBar || !Manager || Manager->IsDesigning() || Manager->GetComponentState().Contains(csDesigning))
        return;
    TcbBar* Bar = FBar;
    TcbBarDockingStyle Style = dsNone;
    TcbDockControl* Site = nullptr;
    bool FirstDocking = false;
    if (GetDockingStyle() == dsNone) {
        Style = Bar->GetDockedDockingStyle();
        TcbBarDockControl* Docked = Bar->GetDockedDockControl();
        Site = Docked ? static_cast<TcbDockControl*>(Docked) : Bar->GetBars()->GetDockControl(Style);
        // A bar that was never docked goes to a new last row of the top site.
        FirstDocking = !Bar->HasBeenDocked();
        if (FirstDocking) {
            Style = dsTop;
            Site = Bar->GetBars()->GetDockControl(dsTop);
        }
        if (!Site)
            return;
    }
    if (!Manager->CanDocking(Bar, Style, Site))
        return;
    // The window goes with the hide: only the bar is used from here.
    Bar->SetVisible(false);
    if (Style == dsNone) {
        Bar->SetDockingStyle(dsNone);
    } else {
        if (FirstDocking) {
            Bar->SetOneOnRow(true);
            Bar->SetRow(Site->GetRowCount());
        }
        Bar->SetDockingStyleAndControl(Style, dynamic_cast<TcbBarDockControl*>(Site) &&
                                                      !Bar->GetBars()->IsEdgeDockControl(Site)
                                                  ? static_cast<TcbBarDockControl*>(Site)
                                                  : nullptr);
    }
    Bar->SetVisible(true);
}

// ---------------------------------------------------------------------------------------------
// The moving state

void TcbBarControl::StartDrag(TPoint ScreenPoint)
{
    const TRect W = GetWindowRect();
    FDragStartValues[0] = ScreenPoint.x - W.left;
    FDragStartValues[1] = W.right - W.left;
    FDragStartValues[2] = ScreenPoint.y - W.top;
    FDragStartValues[3] = W.bottom - W.top;
    if (FBar)
        FBar->GetBars()->DragBar(this);
}

void TcbBarControl::MoveInPlaceWindows(bool Show)
{
    if (!Show) {
        FHiddenInPlaceWindows.clear();
        if (TcbBarItemLinks* Links = GetItemLinks())
            for (int32_t I = 0; I < Links->GetVisibleItemCount(); ++I)
                if (auto* Win = dynamic_cast<TcbBarWinControl*>(Links->GetVisibleItem(I)->GetControl()))
                    if (const HWND Editor = Win->GetEditor(); Editor && IsWindowVisible(Editor)) {
                        ::ShowWindow(Editor, SW_HIDE);
                        FHiddenInPlaceWindows.push_back(Editor);
                    }
        return;
    }
    for (const HWND Editor : FHiddenInPlaceWindows)
        if (IsWindow(Editor)) {
            if (HandleAllocated() && ::GetParent(Editor) != FHandle)
                ::SetParent(Editor, FHandle);
            ::ShowWindow(Editor, SW_SHOWNA);
        }
    FHiddenInPlaceWindows.clear();
}

void TcbBarControl::ReparentTo(TcbDockControl* Site)
{
    if (GetParent() == Site)
        return;
    if (GetParent()) {
        // Leaving a parent destroys a window that has no other parent window to go to; this
        // window stays and only the parent's list changes.
        const HWND Keep = FHandle;
        FHandle = nullptr;
        TScopeExit Restore([this, Keep] { FHandle = Keep; });
        SetParent(nullptr);
    }
    if (Site)
        SetParent(Site);
}

void TcbBarControl::SwapHandleForMove(TcbBarDockingStyle Style, TcbDockControl* Site)
{
    const bool WantChild = Style != dsNone && Site;
    const bool IsChild = (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD) != 0;
    if (FDockSite && FDockSite != Site)
        FDockSite->RemoveBar(this, true);
    FDockSite = WantChild ? Site : nullptr;
    SetDockControl(FDockSite);
    SetDockingStyle(WantChild ? Style : dsNone);
    if (WantChild != IsChild) {
        const HWND Old = FHandle;
        if (!GetAlternateHandle()) {
            TCreateParams Params;
            CreateParams(Params);
            Params.Style &= ~static_cast<DWORD>(WS_VISIBLE);
            CreateAlternateHandle(Params);
            SetWindowTextA(GetAlternateHandle(), FBar ? FBar->GetCaption().c_str() : "");
        } else if (WantChild) {
            ::SetParent(GetAlternateHandle(), Site->GetHandle());
        }
        ::ShowWindow(Old, SW_HIDE);
        SwapHandles();
        // The in-place windows of the controls live in the window in use.
        if (TcbBarItemLinks* Links = GetItemLinks())
            for (int32_t I = 0; I < Links->GetVisibleItemCount(); ++I)
                if (auto* Win = dynamic_cast<TcbBarWinControl*>(Links->GetVisibleItem(I)->GetControl()))
                    if (const HWND Editor = Win->GetEditor(); Editor && ::GetParent(Editor) == Old)
                        ::SetParent(Editor, FHandle);
        SendMessageA(FHandle, WM_NCACTIVATE, 1, 0);
    } else if (WantChild && ::GetParent(FHandle) != Site->GetHandle()) {
        ::SetParent(FHandle, Site->GetHandle());
    }
    ReparentTo(FDockSite);
    FontChangedHere();
    RefreshFrame();
    UpdateAlphaBlend();
}

void TcbBarControl::SetMoving(bool Value)
{
    if (Value == FMoving)
        return;
    TcbBars* Bars = FBar ? FBar->GetBars() : nullptr;
    if (Value) {
        FMoving = true;
        FMoveStartStyle = GetDockingStyle();
        if (Bars)
            Bars->SetMovingBarControl(this);
        MoveInPlaceWindows(false);
        ::SetCursor(CursorOf(crSizeAll, IDC_SIZEALL));
        return;
    }
    FMoving = false;
    if (Bars && Bars->GetMovingBarControl() == this)
        Bars->SetMovingBarControl(nullptr);
    DestroyAlternateHandle();
    ::SetCursor(CursorOf(crDefault, IDC_ARROW));
    MoveInPlaceWindows(true);
    if (!HandleAllocated())
        return;
    TcbBarManager* Manager = GetBarManager();
    if (FBar && FBar->GetVisible() && !(Manager && Manager->IsDestroying()))
        FBar->StorePlace(this);
    const TRect Client = GetClientRect();
    SendMessageA(FHandle, WM_SIZE, SIZE_RESTORED, MAKELPARAM(Client.right, Client.bottom));
    RebuildBar();
}

// ---------------------------------------------------------------------------------------------
// Edit-width sizing while customizing

TcbBarItemControl* TcbBarControl::SizableEditControl() const
{
    TcbBarManager* Manager = GetBarManager();
    if (!Manager || !Manager->IsCustomizing())
        return nullptr;
    TcbBarItemControl* Selected = Manager->GetSelectedItemControl();
    if (!dynamic_cast<TcbBarEditControl*>(Selected) || Selected->GetBarControl() != this)
        return nullptr;
    return Selected;
}

bool TcbBarControl::EditEdgeAt(TPoint P, bool& RightEdge) const
{
    TcbBarItemControl* Control = SizableEditControl();
    if (!Control)
        return false;
    const TRect R = GetItemRect(Control);
    if (P.y < R.top || P.y >= R.bottom)
        return false;
    // The bands lie inside the control: outside it the neighbours have the mouse.
    if (P.x >= R.right - kEditSizingBand && P.x < R.right) {
        RightEdge = true;
        return true;
    }
    if (P.x >= R.left && P.x < R.left + kEditSizingBand) {
        RightEdge = false;
        return true;
    }
    return false;
}

bool TcbBarControl::WMSetCursorEditWidth(TMessage& M)
{
    if (GetCapture() || LOWORD(M.LParam) != HTCLIENT || reinterpret_cast<HWND>(M.WParam) != FHandle)
        return false;
    // Where the mouse was for this message: the cursor may have moved on since.
    const DWORD Pos = GetMessagePos();
    POINT C{GET_X_LPARAM(Pos), GET_Y_LPARAM(Pos)};
    ::ScreenToClient(FHandle, &C);
    bool Right = false;
    FWidthSizing = EditEdgeAt(TPoint{C.x, C.y}, Right);
    if (!FWidthSizing)
        return false;
    FRightEdge = Right;
    ::SetCursor(CursorOf(crcbBarEditSizing, IDC_SIZEWE));
    M.Result = 1;
    return true;
}

TRect TcbBarControl::EditSizingFrame() const
{
    if (!FSizingControl || FNewWidth <= 0)
        return {};
    TRect R = GetItemRect(FSizingControl);
    const int32_t Fixed = FSizingControl->GetEditCaptionWidth();
    if (FRightEdge)
        R.right = R.left + Fixed + FNewWidth;
    else
        R.left = R.right - Fixed - FNewWidth;
    POINT TopLeft{R.left, R.top};
    ::ClientToScreen(FHandle, &TopLeft);
    return TRect{TopLeft.x, TopLeft.y, TopLeft.x + (R.right - R.left), TopLeft.y + (R.bottom - R.top)};
}

void TcbBarControl::InvertSizingFrame()
{
    const TRect R = FDrawnSizingFrame;
    if (IsRectEmpty(&R))
        return;
    HDC DC = GetDC(nullptr);
    if (!DC)
        return;
    const int32_t W = R.right - R.left, H = R.bottom - R.top, T = kSizingFrameWidth;
    PatBlt(DC, R.left, R.top, W, T, DSTINVERT);
    PatBlt(DC, R.left, R.bottom - T, W, T, DSTINVERT);
    PatBlt(DC, R.left, R.top + T, T, H - 2 * T, DSTINVERT);
    PatBlt(DC, R.right - T, R.top + T, T, H - 2 * T, DSTINVERT);
    ReleaseDC(nullptr, DC);
}

bool TcbBarControl::EditWidthButtonDown(TPoint P)
{
    bool Right = false;
    if (!FWidthSizing || !EditEdgeAt(P, Right))
        return false;
    FRightEdge = Right;
    FSizingControl = SizableEditControl();
    // The width in force, and where the cursor took the edge (the edge stays under it).
    const TRect R = GetItemRect(FSizingControl);
    FNewWidth = (R.right - R.left) - FSizingControl->GetEditCaptionWidth();
    FEdgeGrab = FRightEdge ? R.right - P.x : P.x - R.left;
    FWidthCaptured = true;
    SetCapture(FHandle);
    FDrawnSizingFrame = EditSizingFrame();
    InvertSizingFrame();
    return true;
}

void TcbBarControl::EditWidthMouseMove(TPoint P)
{
    if (!FWidthCaptured || !FSizingControl)
        return;
    const TRect R = GetItemRect(FSizingControl);
    const int32_t Fixed = FSizingControl->GetEditCaptionWidth();
    // The distance from the fixed edge less the caption, within the control's minimum and the
    // width of the work area.
    int32_t Width = (FRightEdge ? P.x - R.left : R.right - P.x) + FEdgeGrab - Fixed;
    POINT S{P.x, P.y};
    ::ClientToScreen(FHandle, &S);
    const TRect Area = GetMonitorWorkArea(TPoint{S.x, S.y});
    Width = std::max(Width, FSizingControl->GetMinWidth() - Fixed);
    Width = std::min(Width, static_cast<int32_t>(Area.right - Area.left) - Fixed);
    if (Width == FNewWidth)
        return;
    InvertSizingFrame();
    FNewWidth = Width;
    FDrawnSizingFrame = EditSizingFrame();
    InvertSizingFrame();
}

void TcbBarControl::EditWidthButtonUp()
{
    if (!FWidthCaptured)
        return;
    TcbBarItemControl* Control = FSizingControl;
    const int32_t Width = FNewWidth;
    InvertSizingFrame();
    FDrawnSizingFrame = TRect{};
    FWidthCaptured = false;
    if (GetCapture() == FHandle)
        ReleaseCapture();
    if (!IsLiveBarControl(this) || !Control || !IsLiveItemControl(Control))
        return;
    TcbBarItemLink* Link = Control->GetLink();
    const TRect R = GetItemRect(Control);
    if (Link && Width > 0 && Width != (R.right - R.left) - Control->GetEditCaptionWidth())
        Link->SetUserWidth(Width);
    else
        Control->Repaint();
    FSizingControl = nullptr;
    FNewWidth = 0;
}

void TcbBarControl::EndEditWidthSizing()
{
    if (!FWidthCaptured && IsRectEmpty(&FDrawnSizingFrame))
        return;
    InvertSizingFrame();
    FDrawnSizingFrame = TRect{};
    FWidthCaptured = false;
    FWidthSizing = false;
    if (FSizingControl && IsLiveItemControl(FSizingControl))
        FSizingControl->Repaint();
    FSizingControl = nullptr;
    FNewWidth = 0;
}
