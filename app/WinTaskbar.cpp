#include "app/WinTaskbar.h"

#include <cstring>

#include <shellapi.h>

#include "platform/win/Forms.h"

namespace {

BOOL WINAPI RealShellNotifyIcon(DWORD Message, TNotifyIconData* Data)
{
    return Shell_NotifyIconA(Message, reinterpret_cast<NOTIFYICONDATAA*>(Data));
}

void CopyTip(char (&Tip)[64], const std::string& Text)
{
    // At most 63 characters and always a NUL: longer hints are cut.
    memset(Tip, 0, sizeof(Tip));
    memcpy(Tip, Text.data(), std::min(Text.size(), kTaskbarTipLength));
}

} // namespace

TShellNotifyIconProc GShellNotifyIcon = RealShellNotifyIcon;

TCustomWinTaskbar::TCustomWinTaskbar(TComponent* AOwner) : TComponent(AOwner), FIcon(std::make_unique<TIcon>())
{
    FOwnerForm = dynamic_cast<TCustomForm*>(AOwner);
    FWindow = std::make_unique<THiddenWindow>(
        [this](UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) { return WndProc(Msg, WParam, LParam, Result); });
    FIconData.cbSize = sizeof(TNotifyIconData);
    FIconData.hWnd = FWindow->GetHandle();
    FIconData.uID = 0;
    FIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    FIconData.uCallbackMessage = WM_TASKBAR_CALLBACK;
    FIconData.hIcon = nullptr;
    CopyTip(FIconData.szTip, FHint);
}

TCustomWinTaskbar::~TCustomWinTaskbar()
{
    // The icon leaves the notification area before its handle is destroyed.
    SetShowIcon(false);
    SetPopUpMenu(nullptr);
    FIcon.reset();
    FWindow.reset();
}

void TCustomWinTaskbar::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopUpMenu)
        FPopUpMenu = nullptr;
}

void TCustomWinTaskbar::SetPopUpMenu(TPopupMenu* Value)
{
    if (FPopUpMenu == Value)
        return;
    if (FPopUpMenu)
        FPopUpMenu->RemoveFreeNotification(this);
    FPopUpMenu = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TCustomWinTaskbar::SetHint(const std::string& Value)
{
    if (Value == FHint)
        return;
    FHint = Value;
    CopyTip(FIconData.szTip, FHint);
    UpdateIcon();
}

void TCustomWinTaskbar::SetIcon(TIcon* Value) { SetIcon(Value ? Value->GetHandle() : nullptr); }

void TCustomWinTaskbar::SetIcon(HICON Value)
{
    // A copy of our own: the caller may destroy its icon at once. The old copy stays alive until
    // the shell has been told of the new one.
    HICON Old = FIcon->ReleaseHandle();
    if (Value)
        if (HICON Copy = CopyIcon(Value))
            FIcon->SetHandle(Copy);
    FIconData.hIcon = nullptr;
    if (FShowIcon && !FIcon->GetEmpty())
        FIconData.hIcon = FIcon->GetHandle();
    UpdateIcon();
    if (Old)
        DestroyIcon(Old);
}

void TCustomWinTaskbar::SetShowIcon(bool Value)
{
    FShowIcon = Value;
    UpdateIcon();
}

void TCustomWinTaskbar::UpdateIcon()
{
    if (FShowIcon && !FIcon->GetEmpty()) {
        FIconData.hIcon = FIcon->GetHandle();
        if (FIconShown)
            GShellNotifyIcon(NIM_MODIFY, &FIconData);
        else
            FIconShown = GShellNotifyIcon(NIM_ADD, &FIconData) != FALSE;
    } else {
        FIconData.hIcon = nullptr;
        GShellNotifyIcon(NIM_DELETE, &FIconData);
        FIconShown = false;
    }
}

HWND TCustomWinTaskbar::OwnerWindow() const { return FOwnerForm ? FOwnerForm->GetHandle() : nullptr; }

void TCustomWinTaskbar::BringOwnerToFront() const
{
    if (HWND W = OwnerWindow())
        SetForegroundWindow(W);
}

bool TCustomWinTaskbar::WndProc(UINT Msg, WPARAM, LPARAM LParam, LRESULT& Result)
{
    GetCursorPos(&FCursor);
    if (Msg != WM_TASKBAR_CALLBACK)
        return false;
    Result = 0;
    const int32_t X = FCursor.x, Y = FCursor.y;
    switch (LParam) {
    case WM_MOUSEMOVE: MouseMove(TShiftState{}, X, Y); break;
    case WM_LBUTTONDOWN: MouseDown(mbLeft, TShiftState{}, X, Y); break;
    case WM_RBUTTONDOWN: MouseDown(mbRight, TShiftState{}, X, Y); break;
    case WM_MBUTTONDOWN: MouseDown(mbMiddle, TShiftState{}, X, Y); break;
    case WM_LBUTTONUP: MouseUp(mbLeft, TShiftState{}, X, Y); break;
    case WM_RBUTTONUP: MouseUp(mbRight, TShiftState{}, X, Y); break;
    case WM_MBUTTONUP: MouseUp(mbMiddle, TShiftState{}, X, Y); break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: DblClick(); break;
    default: break;
    }
    return true;
}

void TCustomWinTaskbar::DblClick()
{
    if (OnDblClick)
        OnDblClick(this);
}

void TCustomWinTaskbar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TCustomWinTaskbar::MouseMove(TShiftState Shift, int32_t X, int32_t Y)
{
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

void TCustomWinTaskbar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

// =============================================================================================

void TWinTaskbar::DblClick()
{
    if (!OnDblClick)
        return;
    FDblClicked = true;
    BringOwnerToFront();
    OnDblClick(this);
}

void TWinTaskbar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TCustomWinTaskbar::MouseDown(Button, Shift, X, Y);
    // A fresh left press starts a new click: a double click of another button left the flag set,
    // and it must not swallow this click.
    if (Button == mbLeft)
        FDblClicked = false;
    if (Button == mbRight)
        ShowPopupMenu(X, Y);
}

void TWinTaskbar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y)
{
    TCustomWinTaskbar::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    if (FDblClicked)
        FDblClicked = false; // the release that ends a double click is no click
    else
        Click();
}

void TWinTaskbar::Click()
{
    if (!OnClick)
        return;
    BringOwnerToFront();
    OnClick(this);
}

void TWinTaskbar::ShowPopupMenu(int32_t X, int32_t Y)
{
    if (FPopUpMenu) {
        BringOwnerToFront();
        if (FOwnerForm)
            FPopUpMenu->SetPopupComponent(FOwnerForm);
        FPopUpMenu->Popup(X, Y);
        // The shell's advice: so the menu closes when the user clicks elsewhere.
        if (HWND W = OwnerWindow())
            PostMessageA(W, WM_USER, 0, 0);
    }
    if (OnPopupMenu)
        OnPopupMenu(this);
}

// =============================================================================================

TTrayMenu::TTrayMenu(TComponent* AOwner) : TPopupMenu(AOwner)
{
    FRestoreItem = AddItem("Restore");
    FRestoreItem->OnClick = [this](TObject*) {
        if (OnRestore)
            OnRestore(this);
    };
    FExitItem = AddItem("Exit");
    FExitItem->OnClick = [this](TObject*) {
        if (OnExit)
            OnExit(this);
    };
}
