// The controls of sub-items and container items: opening and closing their menu windows, at
// once or after the hover delay.
#include <algorithm>

#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/win/ThreadTimer.h"

namespace {

// Only one control of the framework waits for its delayed open or close at a time.
TcbBarSubItemControl* gPendingControl = nullptr;
UINT_PTR gPendingTimer = 0;

} // namespace

TcbBarSubItemControl::TcbBarSubItemControl(TCustomcbBarControl* BarControl, TcbBarItemLink* Link) :
    TcbBarItemControl(BarControl, Link)
{
}

TcbBarSubItemControl::~TcbBarSubItemControl()
{
    StopTimer();
    if (FSubMenu && !IsItemDestroying())
        CloseSubMenuWindow();
    else if (FSubMenu && TCustomcbBarControl::IsLiveBarControl(FSubMenu))
        FSubMenu->SetOpeningControl(nullptr);
}

TCustomcbBarSubItem* TcbBarSubItemControl::GetSubItem() const
{
    return dynamic_cast<TCustomcbBarSubItem*>(GetItem());
}

TcbBarSubItemControl* TcbBarSubItemControl::PendingControl()
{
    return gPendingControl;
}

void TcbBarSubItemControl::StartTimer(bool Open)
{
    StopTimer();
    gPendingControl = this;
    gPendingTimer = ThreadTimerStart(kSubMenuDelay, Open ? OpenTimerProc : CloseTimerProc);
}

void TcbBarSubItemControl::StopTimer()
{
    if (gPendingControl != this)
        return;
    ThreadTimerStop(gPendingTimer);
    gPendingTimer = 0;
    gPendingControl = nullptr;
}

void TcbBarSubItemControl::OpenTimerProc(UINT_PTR)
{
    TcbBarSubItemControl* Control = gPendingControl;
    if (!Control)
        return;
    Control->StopTimer();
    TcbFrameworkEntry Entry;
    Control->ControlActivate(true);
}

void TcbBarSubItemControl::CloseTimerProc(UINT_PTR)
{
    TcbBarSubItemControl* Control = gPendingControl;
    if (!Control)
        return;
    Control->StopTimer();
    TcbFrameworkEntry Entry;
    Control->ControlInactivate(true);
}

TCustomcbBarControl* TcbBarSubItemControl::GetSubMenuWindow() const
{
    return FSubMenu;
}

TCustomcbBarControl* TcbBarSubItemControl::GetSubMenuControl() const
{
    return FSubMenu;
}

bool TcbBarSubItemControl::IsDroppedDown() const
{
    return GetActiveFlag() && FSubMenu;
}

void TcbBarSubItemControl::GlyphChanged()
{
    RebuildBar();
}

void TcbBarSubItemControl::ControlActivate(bool Immediately)
{
    if (!CanOpenSubMenu())
        return;
    if (Immediately && gPendingControl == this)
        StopTimer();
    // The item's menu open through another link's control closes first.
    if (TcbBarItem* Item = GetItem())
        for (int32_t I = 0; I < Item->GetLinkCount(); ++I) {
            auto* Other = dynamic_cast<TcbBarSubItemControl*>(Item->GetLink(I)->GetControl());
            if (Other && Other != this && Other->FSubMenu && Other->GetActiveFlag()) {
                Other->ControlInactivate(true);
                if (!IsLiveItemControl(this))
                    return;
            }
        }
    if (FSubMenu) {
        if (gPendingControl == this)
            StopTimer();
        return;
    }
    TcbBarItemControl::ControlActivate(Immediately);
    TcbBarManager* Manager = GetBarManager();
    if (!GetEnabled() && !(Manager && Manager->IsDesigning()))
        return;
    TCustomcbBarControl* Bar = GetBarControl();
    if (Bar->GetKind() == bwkToolbar) {
        // Once the toolbar's menu mode was entered by a click or a key, moving onto another
        // title opens its menu, as the menu bar of a window does.
        const auto* Toolbar = dynamic_cast<const TcbBarControl*>(Bar);
        if (Bar->IsCustomizing() || Immediately || (Toolbar && Toolbar->GetSecondClick()))
            OpenSubMenu();
        return;
    }
    if (!Immediately && !Bar->IsCustomizing()) {
        if (gPendingControl && gPendingControl != this) {
            TcbBarSubItemControl* Other = gPendingControl;
            Other->StopTimer();
            Other->ControlInactivate(true);
            if (!IsLiveItemControl(this))
                return;
        }
        StartTimer(true);
        return;
    }
    OpenSubMenu();
}

void TcbBarSubItemControl::OpenSubMenu()
{
    TCustomcbBarSubItem* SubItem = GetSubItem();
    if (!SubItem)
        return;
    SubItem->DoPopup();
    if (!IsLiveItemControl(this) || !IsLiveItem(SubItem))
        return;
    // A sub-item's OnClick fires when its menu opens, before the menu is built.
    SubItem->DoClick();
    if (!IsLiveItemControl(this) || FSubMenu)
        return;
    TCustomcbBarControl* Bar = GetBarControl();
    TCustomcbBarControl* Menu = CreateSubMenuWindow();
    if (!Menu)
        return;
    FSubMenu = Menu;
    const TRect R = GetItemRect();
    if (IsBackgroundShared()) {
        const TPoint TopLeft = Bar->ClientPointToScreen(TPoint{R.left, R.top});
        Menu->SetParentItem(Bounds(TopLeft.x, TopLeft.y, R.right - R.left, R.bottom - R.top), Bar);
    }
    const bool Beside = Bar->GetKind() == bwkMenu || IsVerticalBarControl(Bar);
    const TPoint Anchor = Bar->ClientPointToScreen(Beside ? TPoint{R.right, R.top} : TPoint{R.left, R.bottom});
    Menu->SetOpeningControl(this);
    FPressedByMouse = false;
    Menu->SetBounds(Anchor.x, Anchor.y, Menu->GetWidth(), Menu->GetHeight());
    Bar->SetChildBar(Menu);
    Menu->SetParentBar(Bar);
    if (Bar->GetKind() == bwkToolbar)
        Repaint();
    Menu->Show();
    if (IsLiveItemControl(this) && GetPainter()->IsSubMenuAttached())
        Repaint();
}

void TcbBarSubItemControl::CloseSubMenuWindow()
{
    TCustomcbBarControl* Menu = FSubMenu;
    FSubMenu = nullptr;
    if (!Menu || !TCustomcbBarControl::IsLiveBarControl(Menu))
        return;
    TCustomcbBarControl* Bar = GetBarControl();
    if (TCustomcbBarControl::IsLiveBarControl(Bar) && Bar->GetChildBar() == Menu)
        Bar->SetChildBar(nullptr);
    Menu->SetOpeningControl(nullptr);
    Menu->SetParentBar(nullptr);
    delete Menu;
}

void TcbBarSubItemControl::ControlInactivate(bool Immediately)
{
    if (!CanOpenSubMenu())
        return;
    TCustomcbBarControl* Bar = GetBarControl();
    if (Bar->GetKind() == bwkMenu && !Immediately && !gPendingControl && FSubMenu &&
        TCustomcbBarControl::IsLiveBarControl(Bar) && !Bar->IsCustomizing()) {
        StartTimer(false);
        return;
    }
    if (FSubMenu && TCustomcbBarControl::IsLiveBarControl(FSubMenu))
        FSubMenu->SetOpeningControl(nullptr);
    TcbBarItemControl::ControlInactivate(Immediately);
    StopTimer();
    const bool WasOpen = FSubMenu != nullptr;
    CloseSubMenuWindow();
    if (Bar->GetKind() == bwkToolbar)
        Repaint();
    if (WasOpen)
        if (TCustomcbBarSubItem* SubItem = GetSubItem())
            SubItem->DoCloseUp();
}

void TcbBarSubItemControl::ControlPress(bool ByMouse)
{
    if (FSubMenu) {
        ControlInactivate(true);
        return;
    }
    ControlActivate(true);
    if (!ByMouse && IsLiveItemControl(this) && FSubMenu)
        FSubMenu->SelectControlByKeyboard(FSubMenu->EdgeSelectable(true));
}

void TcbBarSubItemControl::KeyDown(uint16_t Key)
{
    if (Key == VK_RIGHT)
        PressAndClick(false);
}

bool TcbBarSubItemControl::WantsKey(uint16_t Key) const
{
    return InMenu() && Key == VK_RIGHT;
}

int32_t TcbBarSubItemControl::GetDefaultHeight() const
{
    return GetPainter()->GetSubItemHeight(this);
}

int32_t TcbBarSubItemControl::GetDefaultWidth() const
{
    return GetPainter()->GetSubItemWidth(this);
}

int32_t TcbBarSubItemControl::GetHeight() const
{
    return GetDrawKind() == dkVertical ? GetDefaultWidth() : GetDefaultHeight();
}

int32_t TcbBarSubItemControl::GetWidth() const
{
    return GetDrawKind() == dkVertical ? GetDefaultHeight() : GetDefaultWidth();
}

bool TcbBarSubItemControl::WantsDblClick() const
{
    TcbBarManager* Manager = GetBarManager();
    return !(Manager && Manager->IsDesigning()) && HasSubMenu();
}

void TcbBarSubItemControl::Draw(const TRect& R, TcbDrawKind Kind)
{
    if (IsRectEmpty(&R))
        return;
    TcbPaintFlags Flags = BaseFlags();
    if (GetActiveFlag() && FSubMenu)
        Flags.Include(pfOpen);
    GetPainter()->DrawSubItem(this, GetDC(), R, Flags, Kind);
}

// ---------------------------------------------------------------------------------------------
// TcbBarContainerItemControl

bool TcbBarContainerItemControl::HasSubMenu() const
{
    return !GetBarControl()->IsCustomizing();
}

std::string TcbBarContainerItemControl::GetCaption() const
{
    std::string Caption = TcbBarSubItemControl::GetCaption();
    if (InMenu())
        if (const TcbBarItem* Item = GetItem(); Item && !Item->CanBeVisible())
            return "(" + Caption + ")";
    return Caption;
}

void TcbBarContainerItemControl::Draw(const TRect& R, TcbDrawKind Kind)
{
    if (Kind == dkMenu) {
        if (!IsRectEmpty(&R))
            DrawMenuItem(R, BaseFlags());
        return;
    }
    TcbBarSubItemControl::Draw(R, Kind);
}
