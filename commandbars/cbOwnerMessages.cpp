// The manager's reaction to its owner form's messages, and the floating bars following the
// form's activation.

#include "commandbars/cbBarManager.h"

#include "platform/win/Forms.h"

void TcbBarManager::SetActive(bool Value, bool ForceHide, HWND OtherWnd)
{
    FActive = Value;
    UpdateFloatingBars(Value, ForceHide, OtherWnd);
}

void TcbBarManager::UpdateFloatingBars(bool Active, bool ForceHide, HWND OtherWnd)
{
    (void)Active;
    (void)ForceHide;
    (void)OtherWnd;
}

void TcbBarManager::ProcessOwnerMessage(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TCustomForm* Form = GetOwnerForm();
    if (!Form)
        return;
    // A form on its way out only saves its layout as its window goes.
    if (Form->GetComponentState().Contains(csDestroying)) {
        if (Msg == WM_DESTROY)
            SaveLayout();
        return;
    }
    (void)WParam;
    (void)LParam;
}
