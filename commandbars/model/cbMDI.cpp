// MDI main-menu merging: a child form's main menu bar joins the frame's while the child is
// active and maximized (or always, with AlwaysMerge), with the child's system-menu item at the
// head of the frame's main menu bar.

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbRoutines.h"
#include "commandbars/windows/cbSystemMenu.h"
#include "commandbars/windows/cbToolbar.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Forms.h"

namespace {

// The form of an MDI child window; nullptr for a window of no form.
TCustomForm* FormOfChild(HWND ChildWnd)
{
    return ChildWnd ? dynamic_cast<TCustomForm*>(TWinControl::FindControl(ChildWnd)) : nullptr;
}

// Restores a bar's own lock to the state it had, however the work ends.
auto KeepBarLock(TcbBar* Bar)
{
    const bool Earlier = Bar->GetLockUpdate();
    return TScopeExit([Bar, Earlier] { Bar->SetLockUpdate(Earlier); });
}

// Runs Change with the child form's bounds kept: a maximized child must not move when the
// bands of its form change under it.
template <class F>
void KeepingBounds(TCustomForm* Child, F Change)
{
    const int32_t Left = Child->GetLeft(), Top = Child->GetTop(), Width = Child->GetWidth(),
                  Height = Child->GetHeight();
    Change();
    if (Child->GetLeft() != Left || Child->GetTop() != Top || Child->GetWidth() != Width ||
        Child->GetHeight() != Height)
        Child->SetBounds(Left, Top, Width, Height);
}

} // namespace

HWND TcbBarManager::GetActiveMDIChild() const
{
    TCustomForm* Form = FOwnerForm;
    if (!Form || Form->GetFormStyle() != fsMDIForm || !Form->HandleAllocated() || !Form->GetClientHandle())
        return nullptr;
    const auto Active = reinterpret_cast<HWND>(SendMessageA(Form->GetClientHandle(), WM_MDIGETACTIVE, 0, 0));
    if (!Active || !IsWindow(Active))
        return nullptr;
    // A child whose form is already going counts as gone, and so does a hidden one: a window
    // being destroyed is hidden before it hears of it, and the MDI client may still name it.
    if (!(GetWindowLongA(Active, GWL_STYLE) & WS_VISIBLE))
        return nullptr;
    if (TCustomForm* Child = FormOfChild(Active); Child && Child->GetComponentState().Contains(csDestroying))
        return nullptr;
    return Active;
}

HWND TcbBarManager::GetZoomedMDIChild() const
{
    const HWND Active = GetActiveMDIChild();
    return Active && IsZoomed(Active) && GetSystemMenu(Active, FALSE) ? Active : nullptr;
}

void TcbBarManager::CheckMDIChild()
{
    if (IsDestroying() || FDesigning)
        return;
    // Showing and hiding the child's bar or moving it back may bring further activation
    // messages: they are taken up again once this pass is done.
    if (FCheckingMDIChild) {
        FMDICheckPending = true;
        return;
    }
    TFlagScope Checking(FCheckingMDIChild);
    for (int32_t Pass = 0; Pass < 4; ++Pass) {
        FMDICheckPending = false;
        const HWND Active = GetActiveMDIChild();
        const bool Zoomed = Active && IsZoomed(Active);
        const bool WasZoomed = FZoomedMDIChild;
        FZoomedMDIChild = Zoomed;
        TcbBar* MainBar = FMainMenuBar;
        const bool BarLocked = MainBar ? MainBar->GetLockUpdate() : false;
        {
            TScopeExit Finally([&] {
                if (FMainMenuBar && FMainMenuBar == MainBar)
                    MainBar->SetLockUpdate(BarLocked);
                if (Zoomed != WasZoomed && FMainMenuBar)
                    if (TCustomcbBarControl* Window = FMainMenuBar->GetBarControl(); Window && Window->HandleAllocated())
                        Window->RebuildBar();
                // A child window not yet known as a form (still being made) is taken up on
                // its next message.
                FLastActiveMDIChild = FormOfChild(Active) ? Active : nullptr;
            });
            if (Active != FLastActiveMDIChild) {
                MergeMDIChild(FLastActiveMDIChild, false, false, true);
                MergeMDIChild(Active, true, false, false);
            } else if (Zoomed != WasZoomed) {
                MergeMDIChild(Active, Zoomed, FAlwaysMerge, false);
            }
        }
        if (!FMDICheckPending || IsDestroying())
            break;
    }
}

void TcbBarManager::MergeMDIChild(HWND ChildWnd, bool Activate, bool SkipItems, bool Switching)
{
    TcbBar* MainBar = FMainMenuBar;
    if (!MainBar)
        return;
    // The system-menu item goes with the child it stands for, also when that child's window
    // is no more.
    if (!Activate)
        RemoveSystemMenuSubItem();
    TCustomForm* Child = FormOfChild(ChildWnd);
    if (!Child)
        return;
    if (Activate && IsZoomed(ChildWnd))
        AddSystemMenuSubItem(ChildWnd);
    if (SkipItems)
        return;
    TcbBarManager* ChildManager = BarManagers() ? BarManagers()->ManagerOfForm(Child) : nullptr;
    if (!ChildManager || ChildManager == this || !ChildManager->GetMainMenuBar())
        return;
    TcbBar* ChildBar = ChildManager->GetMainMenuBar();
    TcbBarItemLinks* Links = MainBar->GetItemLinks();
    if (Activate) {
        if (!FAlwaysMerge && !IsZoomed(ChildWnd))
            return;
        FMergedChildBarVisible = ChildBar->GetVisible();
        if (OnMenuMerge) {
            OnMenuMerge(this, ChildManager, true);
        } else {
            auto Restore = KeepBarLock(MainBar);
            MainBar->SetLockUpdate(true);
            TcbBarItemLinks* ChildLinks = ChildBar->GetItemLinks();
            for (int32_t I = 0; I < ChildLinks->GetCount(); ++I)
                Links->Add()->Assign(ChildLinks->GetItem(I));
        }
        KeepingBounds(Child, [ChildBar] { ChildBar->SetVisible(false); });
        return;
    }
    {
        const bool Earlier = MainBar->GetLockUpdate();
        MainBar->SetLockUpdate(true);
        for (int32_t I = Links->GetCount() - 1; I >= 0; --I) {
            TcbBarItemLink* Link = Links->GetItem(I);
            if (Link->GetItem() && Link->GetItem()->GetBarManager() == ChildManager)
                Link->Release();
        }
        if (!Switching)
            MainBar->SetLockUpdate(Earlier);
    }
    if (OnMenuMerge)
        OnMenuMerge(this, ChildManager, false);
    KeepingBounds(Child, [this, ChildBar] {
        if (!FAlwaysMerge && !ChildBar->GetVisible())
            ChildBar->SetVisible(FMergedChildBarVisible);
    });
}

void TcbBarManager::AddSystemMenuSubItem(HWND ChildWnd)
{
    TcbBar* MainBar = FMainMenuBar;
    if (!MainBar || !ChildWnd || !GetSystemMenu(ChildWnd, FALSE))
        return;
    TcbBarItemLinks* Links = MainBar->GetItemLinks();
    auto Restore = KeepBarLock(MainBar);
    MainBar->SetLockUpdate(true);
    // One system-menu item at a time: one left at the head stands for this child now.
    if (Links->GetCount() > 0)
        if (auto* Existing = dynamic_cast<TSystemMenuSubItem*>(Links->GetItem(0)->GetItem())) {
            Existing->SetChildWnd(ChildWnd);
            return;
        }
    auto* Item = new TSystemMenuSubItem(FOwnerForm);
    TemporaryItems().push_back(Item);
    Item->SetChildWnd(ChildWnd);
    TcbBarItemLink* Link = Links->Add();
    Link->SetItem(Item);
    Link->SetIndex(0);
}

void TcbBarManager::RemoveSystemMenuSubItem()
{
    TcbBar* MainBar = FMainMenuBar;
    if (!MainBar)
        return;
    TcbBarItemLinks* Links = MainBar->GetItemLinks();
    if (Links->GetCount() == 0 || !dynamic_cast<TSystemMenuSubItem*>(Links->GetItem(0)->GetItem()))
        return;
    auto Restore = KeepBarLock(MainBar);
    MainBar->SetLockUpdate(true);
    TcbBarItem* Item = Links->GetItem(0)->GetItem();
    Links->GetItem(0)->Release();
    // The item was made for this link alone: it goes with it, so that maximizing and restoring
    // a child again and again does not pile up items until something clears the list.
    if (Item->GetLinkCount() == 0)
        Item->Free();
}
