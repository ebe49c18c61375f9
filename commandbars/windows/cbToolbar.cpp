#include "commandbars/windows/cbToolbar.h"

#include <algorithm>

#include <windowsx.h>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/foundation/cbDrawing.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbExtensions.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/foundation/cbStrings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"
#include "platform/win/Forms.h"
#include "platform/win/Screen.h"
#include "platform/win/ThreadTimer.h"

namespace {

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TcbBarControl::TcbBarControl(TcbBarManager* AOwner, TcbBar* ABar) : TCustomcbBarControl(AOwner), FBar(ABar)
{
    FMDIButtonWidth = GetSystemMetrics(SM_CXMENUSIZE) - 2;
    FMDIButtonHeight = GetSystemMetrics(SM_CYMENUSIZE) - 4;
    TControlStyle Style = GetControlStyle();
    Style.Include(csDoubleClicks);
    SetControlStyle(Style);
}

TcbBarControl::~TcbBarControl()
{
    LeaveForDestruction();
    // The "More Buttons" window of this window's mark goes with it.
    if (TCustomcbBarControl* Quick = cbCallExtension(cbExtensions().GetOpenQuickControl);
        Quick && Quick != this && Quick->GetParentBar() == this) {
        FMarkState = bstNormal;
        Quick->Free();
    }
    if (FLostTimer)
        ThreadTimerStop(FLostTimer);
    ResetMDIButtons();
    if (FDockSite)
        FDockSite->RemoveBar(this, false);
    if (FRotatedFont)
        DeleteObject(FRotatedFont);
}

TcbBarControl* TcbBarControl::CreateForBar(TcbBarManager* AOwner, TcbBar* ABar)
{
    auto* Result = new TcbBarControl(AOwner, ABar);
    Result->FHasCaption = true;
    return Result;
}

void TcbBarControl::CreateParams(TCreateParams& Params)
{
    TCustomcbBarControl::CreateParams(Params);
    Params.Style = (Params.Style & WS_VISIBLE) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    Params.ExStyle = 0;
    Params.ClassStyle = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    if (GetDockingStyle() != dsNone && FDockSite) {
        Params.Style |= WS_CHILD;
        Params.WndParent = FDockSite->GetHandle();
    } else {
        TcbBarManager* Manager = GetBarManager();
        Params.Style |= WS_POPUP | WS_BORDER | WS_SYSMENU | WS_THICKFRAME;
        // A tool window: the display draws it whole, frame included, where a window with a
        // thick frame would leave its frame strips to a window manager (none on a bare display:
        // the edges could not be taken; with one the bar's own painted frame would be cut). It
        // also keeps the bar off the taskbar.
        Params.ExStyle = WS_EX_TOOLWINDOW;
        Params.Menu = nullptr;
        TCustomForm* Form = Manager ? Manager->GetOwnerForm() : nullptr;
        Params.WndParent = Form ? Form->GetHandle() : nullptr;
    }
}

void TcbBarControl::CreateWnd()
{
    TCustomcbBarControl::CreateWnd();
    SetText(FBar ? FBar->GetCaption() : std::string());
    SendMessageA(FHandle, WM_NCACTIVATE, 1, 0);
    FontChangedHere();
}

// ---------------------------------------------------------------------------------------------
// New operations

TRect TcbBarControl::GetGripHitRect() const
{
    if (GetDockingStyle() == dsNone || !FBar || FBar->GetBorderStyle() != bbsSingle)
        return {};
    return IsHorizontallyDocked() ? TRect{-100, -100, 0, 100} : TRect{-100, -100, 100, 0};
}

void TcbBarControl::CaptionChanged()
{
    SetText(FBar ? FBar->GetCaption() : std::string());
    if (HandleAllocated())
        SendMessageA(FHandle, WM_NCPAINT, 0, 0);
}

void TcbBarControl::EnterKeyboardMode(TcbBarItemControl* Control)
{
    EnterKeyboardModeAt(Control, true);
}

void TcbBarControl::EnterKeyboardModeAt(TcbBarItemControl* Control, bool SelectFirst)
{
    TcbBarManager* Manager = GetBarManager();
    if (TCustomcbBarControl* Active = ActiveBarControl(); Active && Active != this)
        Active->HideAll();
    if (Manager && Manager->GetKeyboardBarControl() && Manager->GetKeyboardBarControl() != this &&
        IsLiveBarControl(Manager->GetKeyboardBarControl()))
        Manager->GetKeyboardBarControl()->HideAll();
    if (Manager && Manager->GetOwnerForm() && Manager->GetOwnerForm()->HandleAllocated())
        SendMessageA(Manager->GetOwnerForm()->GetHandle(), WM_CANCELMODE, 0, 0);
    if (!IsLiveBarControl(this))
        return;
    FSavedFocus = GetFocus();
    SelectControlByKeyboard(Control || !SelectFirst ? Control : EdgeSelectable(true));
    SetIsActive(true);
    if (Manager)
        Manager->SetKeyboardBarControl(this);
}

void TcbBarControl::LeaveKeyboardMode()
{
    TcbBarManager* Manager = GetBarManager();
    if (!Manager || Manager->GetKeyboardBarControl() != this)
        return;
    Manager->SetKeyboardBarControl(nullptr);
    SelectControlByKeyboard(nullptr);
    // The mode is no longer recorded, so this only leaves the active chain, the second-click
    // flag going with the mode.
    SetIsActive(false);
    POINT P{};
    GetCursorPos(&P);
    if (HWND Under = WindowFromPoint(P)) {
        auto* Window = dynamic_cast<TCustomcbBarControl*>(TWinControl::FindControl(Under));
        if (Window && IsLiveBarControl(Window)) {
            // Leaving the mode cleared the selection with the cursor still in place: forgotten,
            // that place makes the control under the cursor hot again at once.
            Window->ForgetLastMousePos();
            ::ScreenToClient(Under, &P);
            PostMessageA(Under, WM_MOUSEMOVE, 0, MAKELPARAM(P.x, P.y));
        }
    }
    TCustomForm* Form = Manager->GetOwnerForm();
    const bool AppActive = GetActiveWindow() != nullptr;
    if (AppActive && Form && Form->HandleAllocated() && GetActiveWindow() == Form->GetHandle() && FSavedFocus &&
        IsWindowVisible(FSavedFocus) && GetFocus() != FSavedFocus)
        ::SetFocus(FSavedFocus);
    FSavedFocus = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Overrides

void TcbBarControl::CalcDrawingConsts()
{
    TCustomcbBarControl::CalcDrawingConsts();
    FMDIButtonWidth = GetSystemMetrics(SM_CXMENUSIZE) - 2;
    FMDIButtonHeight = GetSystemMetrics(SM_CYMENUSIZE) - 4;
}

IcbDockSiteView* TcbBarControl::GetParentDockSite() const
{
    TcbDockControl* Site = GetDockingStyle() != dsNone ? GetDockSite() : nullptr;
    if (!Site || !HandleAllocated() || ::GetParent(GetHandle()) != Site->GetHandle())
        return nullptr;
    return Site;
}

bool TcbBarControl::IsLastItemControl(const TcbBarItemControl* Control) const
{
    TcbBarItemLinks* Links = GetItemLinks();
    return Control && Links && Links->GetVisibleItemCount() > 0 &&
        Links->GetVisibleItem(Links->GetVisibleItemCount() - 1) == Control->GetLink();
}

bool TcbBarControl::IsShadowVisible() const
{
    if (!TCustomcbBarControl::IsShadowVisible())
        return false;
    return GetDockingStyle() != dsNone || !HandleAllocated() || IsWindowVisible(GetHandle());
}

bool TcbBarControl::HasNonFlatFrame() const
{
    if (GetDockingStyle() != dsNone)
        return true;
    TcbBarManager* Manager = GetBarManager();
    return !(Manager && Manager->GetRealStyle() == bmsFlat);
}

bool TcbBarControl::CanCustomize() const
{
    return TCustomcbBarControl::CanCustomize() || (FBar && FBar->GetAllowCustomizing());
}

int32_t TcbBarControl::GetBeginGroupSize() const
{
    return GetPainter()->GetSeparatorSize();
}

HFONT TcbBarControl::GetFontHandle() const
{
    if (FBar && FBar->GetUseOwnFont() && FBar->GetOwnFontHandle())
        return FBar->GetOwnFontHandle();
    return TCustomcbBarControl::GetFontHandle();
}

HRGN TcbBarControl::CreateItemRgn(const TcbBarItemControl* Control) const
{
    TRect R = GetItemRect(Control);
    HRGN Rgn = CreateRectRgn(R.left, R.top, R.right, R.bottom);
    // The drop-down part is the control's second rect.
    const TRect R2 = Control ? Control->GetItemRect2() : TRect{};
    if (!IsRectEmpty(&R2)) {
        HRGN Second = CreateRectRgn(R2.left, R2.top, R2.right, R2.bottom);
        CombineRgn(Rgn, Rgn, Second, RGN_OR);
        DeleteObject(Second);
    }
    return Rgn;
}

HBRUSH TcbBarControl::GetBarBrush() const
{
    return GetPainter()->GetToolbarBrush(this);
}

bool TcbBarControl::IsMarkVisible() const
{
    if (!FBar || !FBar->GetShowMark())
        return false;
    return FItemsPushedOff || (GetPainter()->IsBarMarkShown() && FBar->GetAllowQuickCustomizing());
}

bool TcbBarControl::IgnoresMouseMove() const
{
    if (TCustomcbBarControl::IgnoresMouseMove())
        return true;
    if (GetDockingStyle() == dsNone)
        return false;
    TcbBarManager* Manager = GetBarManager();
    TCustomForm* Form = Manager ? Manager->GetOwnerForm() : nullptr;
    if (!Form || !Form->HandleAllocated())
        return false;
    const HWND FormWnd = Form->GetHandle();
    const bool MDIChild = (GetWindowLongA(FormWnd, GWL_EXSTYLE) & WS_EX_MDICHILD) != 0;
    if (MDIChild)
        return GetActiveWindow() == nullptr;
    if (GetActiveWindow() == FormWnd)
        return false;
    // Another window of the program is active: only one that belongs to the form counts.
    for (HWND W = GetActiveWindow(); W; W = ::GetParent(W) ? ::GetParent(W) : GetWindow(W, GW_OWNER))
        if (W == FormWnd)
            return false;
    return true;
}

void TcbBarControl::RepaintItemControl(TcbBarItemControl* Control)
{
    TCustomcbBarControl::RepaintItemControl(Control);
    if (!Control || !HandleAllocated() || IsLayoutLocked())
        return;
    const TRect R = GetItemRect(Control);
    if (GetInvalidateOnly() || !GetCanvasDC()) {
        InvalidateRect(FHandle, &R, FALSE);
        return;
    }
    HDC DC = GetCanvasDC();
    const int Saved = SaveDC(DC);
    IntersectClipRect(DC, R.left, R.top, R.right, R.bottom);
    Control->Draw(R, Control->GetDrawKind());
    RestoreDC(DC, Saved);
}

void TcbBarControl::SetDockingStyle(TcbBarDockingStyle Value)
{
    if (Value != GetDockingStyle())
        FItemsPushedOff = false;
    TCustomcbBarControl::SetDockingStyle(Value);
}

void TcbBarControl::AssignFont()
{
    if (FBar)
        GetFont()->Assign(FBar->GetFont());
}

void TcbBarControl::SetIsActive(bool Value)
{
    if (!Value && IsActiveBar()) {
        TcbBarManager* Manager = GetBarManager();
        if (IsCustomizing() && GetSelectedControl())
            SelectControlByMouse(nullptr);
        if (auto* Button = dynamic_cast<TcbBarButtonControl*>(GetSelectedControl()); Button && Button->IsDropDownOpen())
            Button->ControlInactivate(true);
        FSecondClick = false;
        if (!IsCustomizing() && Manager && Manager->GetKeyboardBarControl() == this) {
            LeaveKeyboardMode();
            return;
        }
    }
    TCustomcbBarControl::SetIsActive(Value);
}

void TcbBarControl::SelectControlByKeyboard(TcbBarItemControl* Control)
{
    TcbBarItemControl* Old = GetSelectedControl();
    const bool OldOpen = Old && IsLiveItemControl(Old) && Old->GetActiveFlag();
    TCustomcbBarControl::SelectControlByKeyboard(Control);
    if (!IsLiveBarControl(this))
        return;
    // Moving on from an open menu opens the next one, so the menu mode goes on with it.
    TcbBarItemControl* Now = GetSelectedControl();
    if (OldOpen && Now && Now != Old && !Now->GetActiveFlag() && !IsCustomizing()) {
        if (dynamic_cast<TcbBarSubItemControl*>(Now))
            Now->ControlPress(false);
        else
            Now->ControlActivate(false);
    }
}

void TcbBarControl::UpdateAlphaBlend()
{
    if (!HandleAllocated() || !FBar)
        return;
    // While moving the floating handle takes the bar's opacity whether it is in use or not.
    HWND Floating = FHandle;
    if (FMoving && (GetWindowLongA(FHandle, GWL_STYLE) & WS_CHILD))
        Floating = GetAlternateHandle();
    if (!Floating || (GetWindowLongA(Floating, GWL_STYLE) & WS_CHILD))
        return;
    TCustomcbBarControl* Quick = cbCallExtension(cbExtensions().GetOpenQuickControl);
    const bool QuickOpen = Quick && Quick->GetParentBar() == this;
    SetLayeredAlpha(Floating, QuickOpen ? 255 : FBar->GetAlphaBlendValue());
}

void TcbBarControl::SetMarkState(TcbButtonState Value)
{
    if (IsCustomizing() || Value == FMarkState)
        return;
    FMarkState = Value;
    if (HandleAllocated())
        KillTimer(FHandle, 1);
    // Any state but pressed frees the "More Buttons" window the mark opened.
    if (Value != bstPressed) {
        TCustomcbBarControl* Quick = cbCallExtension(cbExtensions().GetOpenQuickControl);
        if (Quick && Quick->GetParentBar() == this) {
            Quick->Free();
            if (!IsLiveBarControl(this))
                return;
        }
    }
    TcbBarManager* Manager = GetBarManager();
    if (Value == bstHot) {
        // A floating bar polls for the cursor leaving the mark.
        if (GetDockingStyle() == dsNone && HandleAllocated())
            SetTimer(FHandle, 1, 50, nullptr);
        if (Manager)
            Manager->ActivateHint(true, uiGetResourceString(cbsMoreButtons));
    } else if (Value == bstNormal && !GetSelectedControl() && Manager) {
        Manager->ActivateHint(false, "");
    }
    if (Value == bstPressed) {
        cbCallExtension(cbExtensions().OpenQuickControl, static_cast<TCustomcbBarControl*>(this));
        PlayMenuSound(msMenuPopup);
    }
    if (!IsLiveBarControl(this) || !HandleAllocated() || !IsMarkVisible())
        return;
    if (GetDockingStyle() == dsNone)
        RedrawFloatingMark();
    else
        GetPainter()->RedrawMark(this);
}

void TcbBarControl::FillBackgroundEx(HDC DC, TRect R, bool InClient, TColor Color, HBRUSH Brush)
{
    if (InClient) {
        const TPoint Offset = GetClientOffset();
        OffsetRect(&R, Offset.x, Offset.y);
    }
    TcbBarManager* Manager = GetBarManager();
    TBitmap* Own = FBar ? FBar->GetBackgroundBitmap() : nullptr;
    TBitmap* ManagerPicture = Manager ? Manager->GetBackgrounds()->GetBar() : nullptr;
    if (Own && !Own->GetEmpty()) {
        FillRectWithBitmap(DC, R, TRect{}, Own, clNone, nullptr);
        return;
    }
    if (IsStatusBar() && (!ManagerPicture || ManagerPicture->GetEmpty())) {
        GetPainter()->DrawToolbarBackground(this, DC, R, Brush ? Brush : GetCachedBarBrush());
        return;
    }
    if (FBar && FBar->GetColor() != clDefault) {
        HBRUSH B = CreateSolidBrush(ColorToRGB(FBar->GetColor()));
        FillRect(DC, &R, B);
        DeleteObject(B);
        return;
    }
    TCustomcbBarControl::FillBackgroundEx(DC, R, false, Color, Brush);
}

bool TcbBarControl::HasBackgroundBitmap() const
{
    TcbBarManager* Manager = GetBarManager();
    TBitmap* ManagerPicture = Manager ? Manager->GetBackgrounds()->GetBar() : nullptr;
    return TCustomcbBarControl::HasBackgroundBitmap() || (FBar && !FBar->GetBackgroundBitmap()->GetEmpty()) ||
        (ManagerPicture && !ManagerPicture->GetEmpty());
}

bool TcbBarControl::HasCustomBackground() const
{
    return (FBar && FBar->GetColor() != clDefault) || HasBackgroundBitmap() ||
        (FDockSite && GetDockingStyle() != dsNone && FDockSite->HasCustomBackground());
}

TBitmap* TcbBarControl::GetBackgroundBitmap() const
{
    TBitmap* Own = FBar ? FBar->GetBackgroundBitmap() : nullptr;
    return Own && !Own->GetEmpty() ? Own : nullptr;
}

TPoint TcbBarControl::GetClientOffset() const
{
    if (!HandleAllocated())
        return TPoint{0, 0};
    RECT W{};
    ::GetWindowRect(FHandle, &W);
    POINT P{0, 0};
    ::ClientToScreen(FHandle, &P);
    return TPoint{P.x - W.left, P.y - W.top};
}

void TcbBarControl::HideAll()
{
    LeaveKeyboardMode();
    TCustomcbBarControl::HideAll();
}

void TcbBarControl::RebuildBar()
{
    if (IsIgnoringMouse() || !HandleAllocated() || IsLayoutLocked() || FRebuilding)
        return;
    TFlagScope Rebuilding(FRebuilding);
    TcbBarManager* Manager = GetBarManager();
    if (Manager && Manager->IsChangingStyle()) {
        // A new painter: the double-click style, the drawing constants and the frame again (a
        // floating bar is shown again by its bar).
        TControlStyle Style = GetControlStyle();
        Style.Include(csDoubleClicks);
        SetControlStyle(Style);
        CalcDrawingConsts();
        if (GetDockingStyle() != dsNone)
            RefreshFrame();
    }
    TcbBarItemLink* Remembered = nullptr;
    if (IsCustomizing() && Manager && Manager->GetSelectedItemControl() &&
        Manager->GetSelectedItemControl()->GetBarControl() == this) {
        Remembered = Manager->GetSelectedItemControl()->GetLink();
        Manager->SetSelectedItemControl(nullptr);
    }
    if (IsCustomizing()) {
        DestroyControls();
        CreateControls();
        if (Remembered && Remembered->GetControl())
            SelectControlByKeyboard(Remembered->GetControl());
    } else if (TcbBarItemLinks* Links = GetItemLinks()) {
        // Links that became visible since the controls were made get theirs now.
        for (int32_t I = 0; I < Links->GetVisibleItemCount(); ++I)
            if (!Links->GetVisibleItem(I)->GetControl())
                Links->GetVisibleItem(I)->CreateControl();
    }
    if (GetDockingStyle() != dsNone && FDockSite) {
        FDockSite->UpdateDock();
    } else if (GetDockingStyle() == dsNone && FBar) {
        // The client takes the size for its current width.
        const TRect Client = GetClientRect();
        const TSize S = GetSizeForWidth(dsNone, Client.right - Client.left);
        const TRect W = GetWindowRect();
        const int32_t CX = S.cx + FBar->GetExtraWidth(dsNone), CY = S.cy + FBar->GetExtraHeight(dsNone);
        if (CX != W.right - W.left || CY != W.bottom - W.top)
            SetWindowPos(FHandle, nullptr, 0, 0, CX, CY, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    CalcControlsPositions();
    Invalidate();
    if (HasCustomBackground())
        SendMessageA(FHandle, WM_NCPAINT, 0, 0);
}

bool TcbBarControl::IsMainMenu() const
{
    return FBar && FBar->GetIsMainMenu();
}

bool TcbBarControl::IsStatusBar() const
{
    return FBar && FBar->IsStatusBar();
}

bool TcbBarControl::CanMove() const
{
    return FBar && FBar->CanMove();
}

bool TcbBarControl::CanClose() const
{
    return FHasCaption && FBar && FBar->GetAllowClose() && !FBar->GetIsMainMenu();
}

bool TcbBarControl::IsHorizontallyDocked() const
{
    return GetDockingStyle() == dsTop || GetDockingStyle() == dsBottom;
}

bool TcbBarControl::IsVerticallyDocked() const
{
    return GetDockingStyle() == dsLeft || GetDockingStyle() == dsRight;
}

TColor TcbBarControl::GetCaptionColor() const
{
    TcbBarManager* Manager = GetBarManager();
    return GetPainter()->GetFloatingCaptionColor(Manager && Manager->IsActive());
}

bool TcbBarControl::IsOwnerFormVisible() const
{
    TcbBarManager* Manager = GetBarManager();
    TCustomForm* Form = Manager ? Manager->GetOwnerForm() : nullptr;
    return Form && Form->HandleAllocated() && IsWindowVisible(Form->GetHandle());
}

void TcbBarControl::RefreshFrame()
{
    if (HandleAllocated())
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TcbBarControl::SetDockingStyleAndSite(TcbBarDockingStyle Style, TcbDockControl* Site)
{
    LockLayout();
    TScopeExit Unlock([this] { UnlockLayout(); });
    if (FMoving && HandleAllocated()) {
        // During a drag the handle of the other kind is taken instead of a new window.
        SwapHandleForMove(Style, Site);
        return;
    }
    if (HandleAllocated())
        DestroyHandle();
    if (FDockSite && FDockSite != Site)
        FDockSite->RemoveBar(this, true);
    FDockSite = Style == dsNone ? nullptr : Site;
    SetDockControl(FDockSite);
    SetDockingStyle(Style);
    SetParent(FDockSite);
    HandleNeeded();
    RefreshFrame();
}

void TcbBarControl::SiteGone(TcbDockControl* Site)
{
    if (FDockSite != Site)
        return;
    FDockSite = nullptr;
    SetDockControl(nullptr);
}

HFONT TcbBarControl::GetCanvasFont()
{
    return FRotatedFont ? FRotatedFont : GetFont()->GetHandle();
}

// ---------------------------------------------------------------------------------------------
// Painting

void TcbBarControl::PaintBar(HDC DC)
{
    if (!IsOwnerFormVisible() || IsIgnoringMouse())
        return;
    CalcControlsPositions();
    SelectObject(DC, GetCanvasFont());
    TcbBarItemLinks* Links = GetItemLinks();
    const TRect Client = GetClientRect();
    HRGN Rest = CreateRectRgn(Client.left, Client.top, Client.right, Client.bottom);
    TScopeExit FreeRest([Rest] { DeleteObject(Rest); });
    auto Exclude = [Rest](const TRect& R) {
        HRGN Part = CreateRectRgn(R.left, R.top, R.right, R.bottom);
        CombineRgn(Rest, Rest, Part, RGN_DIFF);
        DeleteObject(Part);
    };
    TcbBarManager* Manager = GetBarManager();
    const bool Designing = Manager && Manager->IsDesigning();
    if (Links) {
        for (int32_t I = 0; I < Links->GetVisibleItemCount(); ++I) {
            TcbBarItemLink* Link = Links->GetVisibleItem(I);
            // A control pushed off the line hides its in-place window.
            auto* Win = dynamic_cast<TcbBarWinControl*>(Link->GetControl());
            if (!Designing && Win && Win->GetEditor() && IsRectEmpty(&Link->GetItemRect()))
                ::ShowWindow(Win->GetEditor(), SW_HIDE);
        }
        for (int32_t I = 0; I < Links->GetShownItemCount(); ++I) {
            TcbBarItemLink* Link = Links->GetShownItem(I);
            TcbBarItemControl* Control = Link->GetControl();
            const TRect R = Link->GetItemRect();
            if (!Control || IsRectEmpty(&R))
                continue;
            const int Saved = SaveDC(DC);
            IntersectClipRect(DC, R.left, R.top, R.right, R.bottom);
            Control->Draw(R, Control->GetDrawKind());
            RestoreDC(DC, Saved);
            Exclude(R);
            if (Link->GetBeginGroup()) {
                TRect Whole = Link->GetItemRectWithBeginGroup();
                TRect Separator{};
                // The group line is the part of the rect with its group that is not the control.
                if (!IsRectEmpty(&Whole) && !EqualRect(&Whole, &R)) {
                    const bool Vertical = IsVerticallyDocked();
                    if (!Vertical && Whole.left < R.left && Whole.top == R.top)
                        Separator = TRect{Whole.left, R.top, R.left, R.bottom};
                    else if (Vertical && Whole.top < R.top && Whole.left == R.left)
                        Separator = TRect{R.left, Whole.top, R.right, R.top};
                    else if (!Vertical)
                        Separator = TRect{Whole.left, Whole.top, Whole.right, R.top};
                    else
                        Separator = TRect{Whole.left, Whole.top, R.left, Whole.bottom};
                }
                if (!IsRectEmpty(&Separator)) {
                    // A line between controls stands across the bar's lines; one between wrapped
                    // lines runs along them.
                    const bool Across = (Separator.bottom - Separator.top) > (Separator.right - Separator.left)
                                            ? true
                                            : false;
                    GetPainter()->DrawBarSeparator(this, DC, Separator, Across);
                    Exclude(Separator);
                }
            }
        }
    }
    DrawMDIButtons(DC, Rest);
    if (GetDockingStyle() != dsNone && IsMarkVisible()) {
        TRect Mark{};
        GetPainter()->CalcMarkRect(this, Mark);
        GetPainter()->DrawBarMark(this, DC, GetCachedBarBrush(), Mark);
        Exclude(Mark);
    }
    FillBackgroundInRgn(DC, Rest);
}

TRect TcbBarControl::SizeGripRect() const
{
    const TRect W = GetWindowRect();
    const int32_t Width = W.right - W.left, Height = W.bottom - W.top;
    const TSize S = GetPainter()->GetSizeGripSize();
    const int32_t Top = GetPainter()->GetBarTopIndent(this);
    return TRect{Width - S.cx, Top, Width, Height};
}

void TcbBarControl::WMNCCalcSize(TMessage& M)
{
    if (FBar)
        FSizeGrip = FBar->IsSizeGripVisible();
    auto* R = reinterpret_cast<RECT*>(M.LParam);
    if (!FBar)
        return;
    if (GetDockingStyle() == dsNone) {
        FloatingNCCalcSize(R);
        return;
    }
    TcbPainterClass Painter = GetPainter();
    if (FBar->GetBorderStyle() == bbsSingle) {
        const TRect Offsets = Painter->GetBarBorderOffsets(this, GetDockingStyle());
        R->left += Offsets.left;
        R->top += Offsets.top;
        R->right -= Offsets.right;
        R->bottom -= Offsets.bottom;
        TcbBarManager* Manager = GetBarManager();
        const int32_t Grip = FBar->CanMove() ? (Manager ? Manager->GetGripAreaSize() : Painter->GetGripAreaSize())
                                             : Painter->GetGriplessBarIndent();
        if (IsHorizontallyDocked())
            R->left += Grip;
        else
            R->top += Grip;
    } else if (IsStatusBar()) {
        R->top += Painter->GetBarTopIndent(this);
        if (FSizeGrip)
            R->right -= Painter->GetSizeGripSize().cx;
    }
    R->right = std::max(R->right, R->left);
    R->bottom = std::max(R->bottom, R->top);
}

void TcbBarControl::WMNCPaint()
{
    if (!HandleAllocated() || !FBar)
        return;
    HDC DC = GetWindowDC(FHandle);
    if (!DC)
        return;
    TScopeExit Release([this, DC] { ReleaseDC(FHandle, DC); });
    const TRect W = GetWindowRect();
    const TRect Window{0, 0, W.right - W.left, W.bottom - W.top};
    TcbPainterClass Painter = GetPainter();
    HBRUSH Brush = GetBarBrush();
    if (GetDockingStyle() == dsNone) {
        FloatingNCPaint(DC, Window);
        return;
    }
    if (FBar->GetBorderStyle() == bbsNone) {
        if (!IsStatusBar())
            return;
        const int32_t Top = Painter->GetBarTopIndent(this);
        Painter->DrawSizeGripBackground(this, DC, TRect{0, 0, Window.right, Top});
        if (FSizeGrip) {
            const TRect Grip = SizeGripRect();
            FillBackgroundEx(DC, Grip, false, clNone, nullptr);
            Painter->DrawBarSizeGrip(this, DC, Grip);
        }
        return;
    }
    const TRect Borders = Painter->GetBarNCBorders(this);
    const TRect Area{Window.left + Borders.left, Window.top + Borders.top, Window.right - Borders.right,
                     Window.bottom - Borders.bottom};
    const TPoint Offset = GetClientOffset();
    TRect Client = GetClientRect();
    OffsetRect(&Client, Offset.x, Offset.y);
    HRGN Rgn = CreateRectRgn(Area.left, Area.top, Area.right, Area.bottom);
    HRGN ClientRgn = CreateRectRgn(Client.left, Client.top, Client.right, Client.bottom);
    CombineRgn(Rgn, Rgn, ClientRgn, RGN_DIFF);
    DeleteObject(ClientRgn);
    FillBackgroundInRgn(DC, Rgn);
    DeleteObject(Rgn);
    Painter->DrawDockedBarBorder(this, DC, Brush, Window);
}

// ---------------------------------------------------------------------------------------------
// Mouse and keyboard

void TcbBarControl::WMNCHitTest(TMessage& M)
{
    if (GetDockingStyle() == dsNone) {
        FloatingNCHitTest(M);
        return;
    }
    TCustomcbBarControl::WndProc(M);
    POINT S{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
    POINT P = S;
    ::ScreenToClient(FHandle, &P);
    const TPoint C{P.x, P.y};
    const TRect Client = GetClientRect();
    if (IsStatusBar() && FSizeGrip) {
        const TRect W = GetWindowRect();
        TRect Grip = SizeGripRect();
        OffsetRect(&Grip, W.left, W.top);
        if (cbInRect(Grip, TPoint{S.x, S.y})) {
            FHitCode = HTBOTTOMRIGHT;
            M.Result = HTBOTTOMRIGHT;
            return;
        }
    }
    TcbBarItemControl* Control = cbInRect(Client, C) ? ControlAtPos(C) : nullptr;
    if (Control && (IsCustomizing() || Control->IsUsable())) {
        FHitCode = HTCLIENT;
        M.Result = HTCLIENT;
        return;
    }
    if (M.Result != 0)
        FHitCode = static_cast<int32_t>(M.Result);
    const bool InGrip = IsHorizontallyDocked() ? C.x < 0 : C.y < 0;
    TRect Mark{};
    if (IsMarkVisible())
        GetPainter()->CalcMarkRect(this, Mark);
    // The MDI buttons are no place to drag from, usable or not.
    if (InGrip || (cbInRect(Client, C) && !cbInRect(Mark, C) && MDIButtonAtPos(C, false) < 0))
        FHitCode = HTCAPTION;
    M.Result = HTCLIENT;
}

void TcbBarControl::WMLButtonDown(TMessage& M)
{
    if (GetIgnoreNextButtonUp()) {
        TCustomcbBarControl::WndProc(M);
        return;
    }
    const TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
    if (EditWidthButtonDown(P))
        return;
    TcbBarItemControl* Control = ControlAtPos(P);
    TcbBarManager* Manager = GetBarManager();
    const bool Designing = Manager && Manager->IsDesigning();
    // A press on a bar activates its form: the bar window itself never takes activation. A
    // floating bar hidden with its inactive form leaves the form alone while its own "More
    // Buttons" window is open (activating would close that window). While customizing, a press
    // on a bar, docked or floating, leaves the Customize dialog active, so that its keys (Esc)
    // still reach it.
    if (Manager && Manager->GetOwnerForm() && Manager->GetOwnerForm()->HandleAllocated() && !IsCustomizing()) {
        TCustomcbBarControl* Quick = GetDockingStyle() == dsNone && Manager->GetHideFloatingBarsWhenInactive()
                                         ? cbCallExtension(cbExtensions().GetOpenQuickControl)
                                         : nullptr;
        if (!Quick || Quick->GetParentBar() != this) {
            const HWND Form = Manager->GetOwnerForm()->GetHandle();
            if (IsWindowVisible(Form) && GetActiveWindow() != Form) {
                SetActiveWindow(Form);
                // The activated form may have come up over this bar.
                Manager->KeepFloatingBarsAboveForm();
            }
        }
    }
    if (Control && (Control->IsUsable() || Designing)) {
        if (!IsCustomizing()) {
            const bool WasActive = IsActiveBar();
            if (!WasActive) {
                EnterKeyboardMode(Control);
            } else if (Control != GetSelectedControl()) {
                auto* Win = dynamic_cast<TcbBarWinControl*>(Control);
                if (!Win || !Win->IsEditing())
                    SelectControlByKeyboard(Control);
            } else if (FSecondClick && !dynamic_cast<TcbBarButtonControl*>(Control)) {
                HideAll();
                return;
            }
            // The click that entered the menu mode counts as the first one: a second click on
            // the title ends the mode, and meanwhile the mouse opens the menus of other titles.
            if (IsActiveBar() && !Control->HasInPlaceWindow())
                FSecondClick = true;
            if (!IsLiveBarControl(this))
                return;
        }
    } else if (IsActiveBar() && !IsCustomizing()) {
        HideAll();
        if (!IsLiveBarControl(this))
            return;
    }
    const int32_t Hit = FHitCode;
    TCustomcbBarControl::WndProc(M);
    if (!IsLiveBarControl(this) || Designing || Control)
        return;
    // While customizing a bar still moves by its grip or caption.
    if (!IsCustomizing() && MDIButtonDown(P))
        return;
    if (Hit == HTCAPTION) {
        POINT S{P.x, P.y};
        ::ClientToScreen(FHandle, &S);
        StartDrag(TPoint{S.x, S.y});
        return;
    }
    TRect Mark{};
    if (GetPainter()->IsBarMarkShown() && IsMarkVisible())
        Mark = MarkRectInClient();
    if (cbInRect(Mark, P)) {
        SetMarkState(FMarkState == bstPressed ? bstHot : bstPressed);
        return;
    }
    if (IsCustomizing())
        return;
    if (!cbInRect(GetClientRect(), P) && Hit != HTCLIENT && Hit != HTCAPTION) {
        POINT S{P.x, P.y};
        ::ClientToScreen(FHandle, &S);
        SendMessageA(FHandle, WM_NCLBUTTONDOWN, static_cast<WPARAM>(Hit), MAKELPARAM(S.x, S.y));
    }
}

void TcbBarControl::WMMouseMove(TMessage& M)
{
    const TPoint Here{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
    if (FWidthCaptured) {
        EditWidthMouseMove(Here);
        return;
    }
    if (MDIMouseMove(Here))
        return;
    if (!IsCustomizing() && !ActiveBarControl() && IsMarkVisible() && GetPainter()->IsBarMarkShown() &&
        FMarkState != bstPressed) {
        const TPoint P = Here;
        const TRect Mark = MarkRectInClient();
        const bool Over = cbInRect(Mark, P);
        if (Over && FMarkState != bstHot) {
            StartTrackMouseLeave(FHandle);
            SetMarkState(bstHot);
        } else if (!Over && FMarkState == bstHot) {
            SetMarkState(bstNormal);
        }
        if (!IsLiveBarControl(this))
            return;
    }
    FloatingMouseMove(Here);
    TCustomcbBarControl::WndProc(M);
}

void TcbBarControl::KeyNavigation(uint16_t Key)
{
    TcbBarItemControl* Selected = GetSelectedControl();
    if (Selected && Selected->GetEnabled() && Selected->WantsKey(Key)) {
        TCustomcbBarControl::KeyNavigation(Key);
        return;
    }
    switch (Key) {
    case VK_ESCAPE:
        HideAll();
        return;
    case VK_RETURN:
    case VK_UP:
    case VK_DOWN: {
        auto* SubItem = dynamic_cast<TcbBarSubItemControl*>(Selected);
        // Up and Down run along a vertical bar.
        if (!SubItem && Key != VK_RETURN && IsVerticallyDocked())
            break;
        if (SubItem && SubItem->GetEnabled())
            FSecondClick = true;
        if (Selected && (SubItem || Key == VK_RETURN))
            Selected->PressAndClick(false);
        return;
    }
    default:
        break;
    }
    TCustomcbBarControl::KeyNavigation(Key);
}

void TcbBarControl::MoveToNextToolbar(bool Forward)
{
    // The docked toolbars of the manager in the bars' order; the next one with a control to
    // select takes the mode.
    TcbBarManager* Manager = GetBarManager();
    if (!Manager || !FBar)
        return;
    TcbBars* Bars = Manager->GetBars();
    const int32_t Count = Bars->GetCount();
    const int32_t Start = FBar->GetIndex();
    for (int32_t N = 1; N < Count; ++N) {
        const int32_t I = ((Start + (Forward ? N : -N)) % Count + Count) % Count;
        auto* Window = dynamic_cast<TcbBarControl*>(Bars->GetItem(I)->GetBarControl());
        if (!Window || !Window->HandleAllocated() || !IsWindowVisible(Window->GetHandle()))
            continue;
        // The first control that can be selected and is enabled: a bar of disabled items is passed.
        TcbBarItemControl* First = nullptr;
        if (TcbBarItemLinks* Links = Window->GetItemLinks())
            for (int32_t K = 0; K < Links->GetShownItemCount() && !First; ++K)
                if (TcbBarItemControl* C = Links->GetShownItem(K)->GetControl(); C && C->CanSelect() && C->GetEnabled())
                    First = C;
        if (!First)
            continue;
        const HWND Focus = FSavedFocus;
        HideAll();
        Window->EnterKeyboardMode(First);
        Window->FSavedFocus = Focus;
        return;
    }
}

// ---------------------------------------------------------------------------------------------
// Messages

void TcbBarControl::FontChangedHere()
{
    if (FRotating)
        return;
    TFlagScope Rotating(FRotating);
    HFONT Old = FRotatedFont;
    FRotatedFont = nullptr;
    if (IsVerticallyDocked() && FBar && FBar->GetRotateWhenVertical()) {
        LOGFONTA LF{};
        GetObjectA(GetFont()->GetHandle(), sizeof(LF), &LF);
        LF.lfEscapement = -900;
        LF.lfOrientation = -900;
        LF.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        FRotatedFont = CreateFontIndirectA(&LF);
    }
    if (Old)
        DeleteObject(Old);
    CalcDrawingConsts();
    if (!IsLayoutLocked()) {
        SelectControlByMouse(nullptr);
        RebuildBar();
    }
}

void TcbBarControl::WMWindowPosChanged(TMessage& M)
{
    TCustomcbBarControl::WndProc(M);
    if (!FBar || IsLayoutLocked() || IsBeingDestroyed())
        return;
    // The bar follows the window's style and site (a drag changes them under it).
    TcbBars* Bars = FBar->GetBars();
    TcbBarDockControl* Placeable = FDockSite && !Bars->IsEdgeDockControl(FDockSite)
        ? dynamic_cast<TcbBarDockControl*>(FDockSite)
        : nullptr;
    if (FBar->GetVisible() && (FBar->GetDockingStyle() != GetDockingStyle() || FBar->GetDockControl() != Placeable))
        FBar->SetDockingStyleAndControl(GetDockingStyle(), Placeable);
    if (!IsLiveBarControl(this))
        return;
    TcbBarManager* Manager = GetBarManager();
    if (!FBar->GetVisible() || FMoving || (Manager && Manager->IsDestroying()))
        return;
    FBar->StorePlace(this);
}

void TcbBarControl::WndProc(TMessage& M)
{
    switch (M.Msg) {
    case WM_SETFOCUS:
        return;
    case CM_FONTCHANGED:
        TCustomcbBarControl::WndProc(M);
        if (HandleAllocated())
            FontChangedHere();
        return;
    case WM_NCCALCSIZE:
        // A floating bar that draws its own frame takes nothing of the system's.
        if (!(GetDockingStyle() == dsNone && FBar && !GetPainter()->UseSystemFloatingFrame()))
            TCustomcbBarControl::WndProc(M);
        else
            M.Result = 0;
        WMNCCalcSize(M);
        return;
    case WM_NCPAINT:
        WMNCPaint();
        M.Result = 0;
        return;
    case WM_NCHITTEST:
        WMNCHitTest(M);
        return;
    case WM_LBUTTONDOWN:
        WMLButtonDown(M);
        return;
    case WM_NCLBUTTONDOWN:
        if (M.WParam == HTCLOSE && GetDockingStyle() == dsNone) {
            CloseButtonLoop();
            M.Result = 0;
            return;
        }
        // The size grip sizes the form, not the status bar inside it: the press goes to the
        // form, as a status bar control hands it to its parent.
        if (M.WParam == HTBOTTOMRIGHT && IsStatusBar()) {
            TcbBarManager* Manager = GetBarManager();
            TCustomForm* Form = Manager ? Manager->GetOwnerForm() : nullptr;
            if (Form && Form->HandleAllocated())
                PostMessageA(Form->GetHandle(), WM_NCLBUTTONDOWN, M.WParam, M.LParam);
            M.Result = 0;
            return;
        }
        break;
    case WM_LBUTTONDBLCLK:
        if (FHitCode == HTCAPTION) {
            M.Result = 0;
            DockOrFloat();
            return;
        }
        // A quick second press on an MDI button is a press like the first.
        if (TcbBarManager* Manager = GetBarManager(); Manager && !Manager->IsCustomizingOrDesigning() &&
            MDIButtonDown(TPoint{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)})) {
            M.Result = 0;
            return;
        }
        break;
    case WM_LBUTTONUP:
        if (FWidthCaptured) {
            EditWidthButtonUp();
            M.Result = 0;
            return;
        }
        if (!GetIgnoreNextButtonUp() &&
            MDIButtonUp(TPoint{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)}) && !IsLiveBarControl(this))
            return;
        break;
    case WM_CANCELMODE:
        ResetMDIButtons();
        break;
    case WM_CAPTURECHANGED:
        TCustomcbBarControl::WndProc(M);
        // Another window took the mouse: the width drag ends where it is, unchanged.
        if (FWidthCaptured && reinterpret_cast<HWND>(M.LParam) != FHandle)
            EndEditWidthSizing();
        // A held MDI button whose capture another window took is let go unclicked.
        if (reinterpret_cast<HWND>(M.LParam) != FHandle && GetPressedMDIButton() >= 0)
            ResetMDIButtons();
        return;
    case WM_SIZING:
        WMSizing(M);
        return;
    case WM_ENTERSIZEMOVE:
        TCustomcbBarControl::WndProc(M);
        FEdgeSizing = GetDockingStyle() == dsNone;
        GetCursorPos(&FEdgeSizingCursor);
        FEdgeSizingStart = GetWindowRect();
        return;
    case WM_EXITSIZEMOVE:
        FEdgeSizing = false;
        TCustomcbBarControl::WndProc(M);
        return;
    case WM_WINDOWPOSCHANGING:
        WMWindowPosChanging(M);
        return;
    case WM_TIMER:
        if (M.WParam == 1 && GetDockingStyle() == dsNone) {
            MarkPollTimer();
            return;
        }
        break;
    case WM_NCACTIVATE:
        // The system draws its own frame here; a floating bar draws its own again over it.
        TCustomcbBarControl::WndProc(M);
        if (GetDockingStyle() == dsNone)
            WMNCPaint();
        return;
    case WM_MOUSELEAVE:
        TCustomcbBarControl::WndProc(M);
        if (IsLiveBarControl(this))
            SetCloseButtonState(bstNormal);
        // A hot MDI button is normal again (a held one keeps its state until the release).
        if (IsLiveBarControl(this) && GetHotMDIButton() >= 0 && GetPressedMDIButton() < 0)
            ResetMDIButtons();
        return;
    case WM_MOUSEMOVE:
        WMMouseMove(M);
        return;
    case WM_WINDOWPOSCHANGED:
        WMWindowPosChanged(M);
        return;
    case WM_GETDLGCODE:
        M.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS;
        return;
    case WM_GETMINMAXINFO: {
        auto* Info = reinterpret_cast<MINMAXINFO*>(M.LParam);
        Info->ptMinTrackSize = POINT{10, 10};
        Info->ptMaxTrackSize = POINT{30000, 30000};
        Info->ptMaxSize = POINT{30000, 30000};
        Info->ptMaxPosition = POINT{30000, 30000};
        M.Result = 0;
        return;
    }
    case WM_MOUSEACTIVATE:
        TCustomcbBarControl::WndProc(M);
        if (GetDockingStyle() == dsNone && !IsActiveBar())
            SetWindowPos(FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
        return;
    case WM_RBUTTONDOWN: {
        ReleaseCapture();
        if (IsCustomizing() && IsActiveBar())
            SetIsActive(false);
        TCustomcbBarControl::WndProc(M);
        TcbBarManager* Manager = GetBarManager();
        if (IsLiveBarControl(this) && Manager && !Manager->IsCustomizingOrDesigning()) {
            const TPoint P{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
            cbCallExtension(cbExtensions().ShowToolbarsPopup, Manager, ClientPointToScreen(P));
        }
        return;
    }
    case WM_SIZE:
        if (IsBeingDestroyed())
            return;
        break;
    case WM_DESTROY:
        if (HandleAllocated())
            KillTimer(FHandle, 1);
        if (FMarkState == bstHot)
            FMarkState = bstNormal;
        if (GetDockingStyle() == dsNone && !IsBeingDestroyed() && !IsLayoutLocked() && !FMoving)
            FloatingWindowLost();
        break;
    case WM_SETCURSOR:
        if (WMSetCursorEditWidth(M))
            return;
        if (GetCapture() == nullptr && !FMoving && CanMove() && LOWORD(M.LParam) == HTCLIENT &&
            reinterpret_cast<HWND>(M.WParam) == FHandle) {
            POINT P{};
            GetCursorPos(&P);
            ::ScreenToClient(FHandle, &P);
            const TRect Grip = GetGripHitRect();
            const bool OverGrip = cbInRect(Grip, TPoint{P.x, P.y});
            ::SetCursor(Screen ? Screen->GetCursors(OverGrip ? crSizeAll : crDefault)
                               : LoadCursor(nullptr, OverGrip ? IDC_SIZEALL : IDC_ARROW));
            M.Result = 1;
            return;
        }
        break;
    default:
        break;
    }
    TCustomcbBarControl::WndProc(M);
}

// ---------------------------------------------------------------------------------------------
// Rows and cols

void TcbDockCol::UpdatePos()
{
    if (FBarControl) {
        FLeft = FBarControl->GetLeft();
        FTop = FBarControl->GetTop();
    }
}

TcbDockCol::TcbDockCol(TcbDockRow* ARow, TcbBarControl* ABarControl) : FRow(ARow), FBarControl(ABarControl) {}

TcbDockCol* TcbDockRow::GetCol(int32_t Index) const
{
    return Index >= 0 && Index < GetColCount() ? FCols[static_cast<size_t>(Index)].get() : nullptr;
}

int32_t TcbDockRow::IndexOf(const TcbDockCol* Col) const
{
    for (size_t I = 0; I < FCols.size(); ++I)
        if (FCols[I].get() == Col)
            return static_cast<int32_t>(I);
    return -1;
}

namespace {

// The toolbar windows of the bars' link lists.
TCustomcbBarControl* MakeLinksBarWindow(TcbBarManager* Manager, TcbBar* Bar)
{
    return TcbBarControl::CreateForBar(Manager, Bar);
}

} // namespace

void cbToolbarInit()
{
    SetLinksBarWindowFactory(&MakeLinksBarWindow);
}

void cbToolbarDone()
{
    SetLinksBarWindowFactory(nullptr);
}
