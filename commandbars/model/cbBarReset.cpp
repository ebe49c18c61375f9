// Going back to the form's design: a bar (or its links) after the user's OK, and the record of
// recent use of every link after the user's Yes. The design is replayed into a temporary form
// whose manager of the same name is read and freed with the form.

#include <algorithm>
#include <set>
#include <vector>

#include "commandbars/model/cbBar.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/windows/cbDockControl.h"
#include "commandbars/model/cbItemLinks.h"
#include "commandbars/foundation/cbStrings.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/rtl/SysUtils.h"
#include "platform/win/Application.h"
#include "platform/win/FormDesign.h"
#include "platform/win/Forms.h"

namespace {

TcbBarManager* DesignManager(TForm* Temp, const TcbBarManager* Manager)
{
    return Temp ? dynamic_cast<TcbBarManager*>(Temp->FindComponent(Manager->GetName())) : nullptr;
}

// The MostRecentlyUsed flags of Design's links by index, then the recent order from them.
void CopyMostRecentlyUsed(TcbBarItemLinks* Links, const TcbBarItemLinks* Design)
{
    const int32_t Count = std::min(Links->GetCount(), Design->GetCount());
    for (int32_t I = 0; I < Count; ++I)
        Links->GetItem(I)->SetMostRecentlyUsed(Design->GetItem(I)->GetMostRecentlyUsed());
    Links->RestoreRecentOrder(false);
}

// The sub-items under Links take the links of their namesakes on the design form, each sub-item
// once (menus may hold each other).
void ResetSubItems(TcbBarItemLinks* Links, TForm* Temp, std::set<TCustomcbBarSubItem*>& Done)
{
    for (int32_t I = 0; I < Links->GetCount(); ++I) {
        auto* SubItem = dynamic_cast<TCustomcbBarSubItem*>(Links->GetItem(I)->GetItem());
        if (!SubItem || !Done.insert(SubItem).second)
            continue;
        auto* Design = dynamic_cast<TCustomcbBarSubItem*>(Temp->FindComponent(SubItem->GetName()));
        if (!Design)
            continue;
        SubItem->GetItemLinks()->Assign(Design->GetItemLinks());
        CopyMostRecentlyUsed(SubItem->GetItemLinks(), Design->GetItemLinks());
        ResetSubItems(SubItem->GetItemLinks(), Temp, Done);
    }
}

// Keeps the manager's shown dock sites from redrawing while a bar is taken off and put back:
// the sites do not flicker through the bar's absence. Afterwards each is laid out again and
// redrawn whole, frame and bars included. Sites already locked (the manager's lock of bar
// rebuilding) and hidden ones are left alone: turning redrawing on would show a hidden window.
class TDockSitesRedrawLock {
public:
    explicit TDockSitesRedrawLock(TcbBarManager* Manager)
    {
        if (Manager->GetLockUpdate())
            return;
        for (TcbDockControl* Site : Manager->DockSites())
            if (Site && Site->HandleAllocated() && IsWindowVisible(Site->GetHandle())) {
                SendMessageA(Site->GetHandle(), WM_SETREDRAW, FALSE, 0);
                FSites.push_back(Site);
            }
    }
    ~TDockSitesRedrawLock()
    {
        for (TcbDockControl* Site : FSites) {
            if (!Site->HandleAllocated())
                continue;
            SendMessageA(Site->GetHandle(), WM_SETREDRAW, TRUE, 0);
            Site->UpdateDock();
            RedrawWindow(Site->GetHandle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
        }
    }
    TDockSitesRedrawLock(const TDockSitesRedrawLock&) = delete;
    TDockSitesRedrawLock& operator=(const TDockSitesRedrawLock&) = delete;

private:
    std::vector<TcbDockControl*> FSites;
};

} // namespace

TComponentPtr<TForm> TcbBarManager::RestoreFromFormResource() const
{
    const auto* Form = dynamic_cast<const TCustomForm*>(GetOwner());
    if (!Form)
        return nullptr;
    TComponentPtr<TForm> Temp = ReadFormDesign(*Form);
    // The copy served the read only: it must not be found as a manager of the program.
    if (TcbBarManager* Copy = DesignManager(Temp.get(), this))
        RemoveBarHooks(Copy);
    return Temp;
}

void TcbBarManager::RestoreLinksFromFormResource()
{
    const bool WasLocked = GetLockUpdate();
    SetLockUpdate(true);
    TScopeExit Restore([&] { SetLockUpdate(WasLocked); });
    TComponentPtr<TForm> Temp = RestoreFromFormResource();
    TcbBarManager* Design = DesignManager(Temp.get(), this);
    if (!Design)
        return;
    for (TcbBarItem* Item : FItems) {
        auto* SubItem = dynamic_cast<TCustomcbBarSubItem*>(Item);
        if (!SubItem)
            continue;
        if (auto* Namesake = dynamic_cast<TCustomcbBarSubItem*>(Temp->FindComponent(SubItem->GetName())))
            CopyMostRecentlyUsed(SubItem->GetItemLinks(), Namesake->GetItemLinks());
    }
    const int32_t Bars = std::min(FBars->GetCount(), Design->GetBars()->GetCount());
    for (int32_t I = 0; I < Bars; ++I)
        CopyMostRecentlyUsed(FBars->GetItem(I)->GetItemLinks(), Design->GetBars()->GetItem(I)->GetItemLinks());
}

void TcbBarManager::ResetUsageDataWithConfirmation()
{
    if (!Application)
        return;
    // Yes and No, the warning icon, No as the default button.
    if (Application->MessageBox(uiGetResourceString(cbsResetUsageDataQuery), Application->GetTitle(), 0x134) == IDYES)
        RestoreLinksFromFormResource();
}

void TcbBar::ResetWithConfirmation()
{
    TcbBarManager* Manager = GetBarManager();
    if (!Manager || !Application)
        return;
    const std::string Text = Format(uiGetResourceString(cbsResetToolbarQuery), GetCaption());
    if (Application->MessageBox(Text, Application->GetTitle(), MB_OKCANCEL | MB_ICONWARNING) != IDOK)
        return;
    TComponentPtr<TForm> Temp = Manager->RestoreFromFormResource();
    TcbBarManager* Design = DesignManager(Temp.get(), Manager);
    if (!Design || GetIndex() >= Design->GetBars()->GetCount())
        return;
    TcbBar* DesignBar = Design->GetBars()->GetItem(GetIndex());
    Manager->DoBarBeforeReset(this);
    {
        // The design's links name items of the replayed form, which goes at the end: the links
        // take the items of the same names here, in both kinds of reset.
        TScopeExit EndResetting([] { SetResettingBars(false); });
        SetResettingBars(true);
        std::set<TCustomcbBarSubItem*> Done;
        if (Manager->GetUseFullReset()) {
            TDockSitesRedrawLock Sites(Manager);
            const bool WasVisible = GetVisible();
            SetVisible(false);
            TScopeExit ShowAgain([&] { SetVisible(WasVisible); });
            Assign(DesignBar);
            CopyMostRecentlyUsed(GetItemLinks(), DesignBar->GetItemLinks());
            ResetSubItems(GetItemLinks(), Temp.get(), Done);
        } else {
            const bool WasLocked = GetLockUpdate();
            SetLockUpdate(true);
            TScopeExit Resume([&] { SetLockUpdate(WasLocked); });
            SetItemLinks(DesignBar->GetItemLinks());
            CopyMostRecentlyUsed(GetItemLinks(), DesignBar->GetItemLinks());
            ResetSubItems(GetItemLinks(), Temp.get(), Done);
        }
    }
    Manager->DoBarAfterReset(this);
}
