// The MDI buttons of a main menu bar: minimize, restore and close of the frame's maximized
// active child, or the manager's close button alone. One pressed and one hot button serve all
// toolbar windows.

#include "commandbars/windows/cbToolbar.h"

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/painters/cbPainter.h"
#include "commandbars/foundation/cbRoutines.h"
#include "platform/rtl/ScopeGuards.h"

namespace {

struct TMDIButtonState {
    const TcbBarControl* Owner = nullptr; // the window the state belongs to
    bool Pressed = false;                  // a button is held (the window has the capture)
    bool Hot = false;                      // the mouse is over an enabled (or the held) button
    int32_t PressedIndex = -1;
    int32_t HotIndex = -1;
};
TMDIButtonState gMDI;

constexpr UINT kMDICommands[3] = {SC_MINIMIZE, SC_RESTORE, SC_CLOSE};

} // namespace

int32_t TcbBarControl::GetPressedMDIButton()
{
    return gMDI.Pressed ? gMDI.PressedIndex : -1;
}

int32_t TcbBarControl::GetHotMDIButton()
{
    return gMDI.Hot ? gMDI.HotIndex : -1;
}

TcbMDIButtonsMode TcbBarControl::GetMDIButtonsMode() const
{
    if (!IsMainMenu())
        return mbmNone;
    TcbBarManager* Manager = GetBarManager();
    if (!Manager)
        return mbmNone;
    if (Manager->GetZoomedMDIChild())
        return mbmThreeButtons;
    return Manager->GetShowCloseButton() ? mbmCloseOnly : mbmNone;
}

bool TcbBarControl::IsMDIButtonEnabled(int32_t Index) const
{
    if (Index < mbMinimize || Index > mbClose)
        return false;
    switch (GetMDIButtonsMode()) {
    case mbmCloseOnly:
        return Index == mbClose;
    case mbmThreeButtons:
        break;
    default:
        return false;
    }
    if (Index == mbRestore)
        return true;
    TcbBarManager* Manager = GetBarManager();
    const HWND Child = Manager ? Manager->GetZoomedMDIChild() : nullptr;
    HMENU Menu = Child ? GetSystemMenu(Child, FALSE) : nullptr;
    if (!Menu)
        return false;
    // A command the menu lacks (-1) counts as unavailable as well.
    const UINT State = GetMenuState(Menu, kMDICommands[Index], MF_BYCOMMAND);
    return (State & (MF_GRAYED | MF_DISABLED)) == 0;
}

bool TcbBarControl::IsMDIButtonHot(TcbMDIButton Button) const
{
    return gMDI.Owner == this && gMDI.Hot && gMDI.HotIndex == static_cast<int32_t>(Button);
}

int32_t TcbBarControl::MDIButtonAtPos(TPoint P, bool EnabledOnly) const
{
    const TcbMDIButtonsMode Mode = GetMDIButtonsMode();
    if (Mode == mbmNone)
        return -1;
    for (int32_t I = Mode == mbmCloseOnly ? mbClose : mbMinimize; I <= mbClose; ++I) {
        const TRect R = GetMDIButtonRect(I);
        if (!IsRectEmpty(&R) && cbInRect(R, P) && (!EnabledOnly || IsMDIButtonEnabled(I)))
            return I;
    }
    return -1;
}

void TcbBarControl::DrawMDIButtons(HDC DC, HRGN Rest)
{
    const TcbMDIButtonsMode Mode = GetMDIButtonsMode();
    if (Mode == mbmNone)
        return;
    const bool Mine = gMDI.Owner == this;
    for (int32_t I = Mode == mbmCloseOnly ? mbClose : mbMinimize; I <= mbClose; ++I) {
        const TRect R = GetMDIButtonRect(I);
        if (IsRectEmpty(&R))
            continue;
        // The held button looks pressed while the mouse is over it.
        const bool Pressed = Mine && gMDI.Pressed && gMDI.PressedIndex == I && gMDI.Hot && gMDI.HotIndex == I;
        const int Saved = SaveDC(DC);
        GetPainter()->DrawMDIButton(this, DC, R, static_cast<TcbMDIButton>(I), Pressed, IsMDIButtonEnabled(I));
        RestoreDC(DC, Saved);
        if (Rest) {
            HRGN Part = CreateRectRgn(R.left, R.top, R.right, R.bottom);
            CombineRgn(Rest, Rest, Part, RGN_DIFF);
            DeleteObject(Part);
        }
    }
}

void TcbBarControl::RedrawMDIButtons()
{
    if (!HandleAllocated() || !IsWindowVisible(FHandle) || IsLayoutLocked())
        return;
    HDC DC = ::GetDC(FHandle);
    if (!DC)
        return;
    TScopeExit Release([this, DC] { ReleaseDC(FHandle, DC); });
    DrawMDIButtons(DC, nullptr);
}

bool TcbBarControl::MDIButtonDown(TPoint P)
{
    const int32_t Index = MDIButtonAtPos(P, true);
    if (Index < 0)
        return false;
    gMDI.Owner = this;
    gMDI.Pressed = true;
    gMDI.Hot = true;
    gMDI.PressedIndex = Index;
    gMDI.HotIndex = Index;
    RedrawMDIButtons();
    SetCapture(FHandle);
    return true;
}

bool TcbBarControl::MDIButtonUp(TPoint P)
{
    if (gMDI.Owner != this || !gMDI.Pressed)
        return false;
    const int32_t Index = gMDI.PressedIndex;
    const bool Over = MDIButtonAtPos(P, false) == Index;
    gMDI = TMDIButtonState{};
    if (GetCapture() == FHandle)
        ReleaseCapture();
    RedrawMDIButtons();
    if (!Over || Index < 0)
        return true;
    TcbBarManager* Manager = GetBarManager();
    if (!Manager)
        return true;
    switch (GetMDIButtonsMode()) {
    case mbmThreeButtons:
        if (const HWND Child = Manager->GetActiveMDIChild())
            SendMessageA(Child, WM_SYSCOMMAND, kMDICommands[Index], 0);
        break;
    case mbmCloseOnly:
        if (Index == mbClose)
            Manager->DoCloseButtonClick();
        break;
    default:
        break;
    }
    return true;
}

bool TcbBarControl::MDIMouseMove(TPoint P)
{
    if (gMDI.Owner == this && gMDI.Pressed) {
        // While a button is held only its pressed look follows the mouse.
        const bool Over = MDIButtonAtPos(P, false) == gMDI.PressedIndex;
        if (Over != (gMDI.Hot && gMDI.HotIndex == gMDI.PressedIndex)) {
            gMDI.Hot = Over;
            gMDI.HotIndex = Over ? gMDI.PressedIndex : -1;
            RedrawMDIButtons();
        }
        return true;
    }
    const int32_t Index = MDIButtonAtPos(P, true);
    const int32_t Current = gMDI.Owner == this && gMDI.Hot ? gMDI.HotIndex : -1;
    if (Index != Current) {
        gMDI.Owner = this;
        gMDI.Hot = Index >= 0;
        gMDI.HotIndex = Index;
        if (Index >= 0)
            StartTrackMouseLeave(FHandle);
        RedrawMDIButtons();
    }
    return false;
}

void TcbBarControl::ResetMDIButtons()
{
    if (gMDI.Owner != this)
        return;
    const bool Held = gMDI.Pressed;
    const bool Changed = gMDI.Pressed || gMDI.Hot;
    gMDI = TMDIButtonState{};
    if (Held && HandleAllocated() && GetCapture() == FHandle)
        ReleaseCapture();
    if (Changed && IsLiveBarControl(this))
        RedrawMDIButtons();
}
