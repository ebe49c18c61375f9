#include "commandbars/model/cbItemLinks.h"

#include <algorithm>
#include <set>

#include "commandbars/model/cbBar.h"
#include "commandbars/windows/cbBarControl.h"
#include "commandbars/model/cbBarItem.h"
#include "commandbars/model/cbBarItemActionLink.h"
#include "commandbars/model/cbBarItems.h"
#include "commandbars/model/cbBarManager.h"
#include "commandbars/model/cbPopupMenu.h"
#include "commandbars/model/cbCommandQueue.h"
#include "commandbars/windows/cbItemControls.h"
#include "commandbars/foundation/cbStrings.h"
#include "commandbars/windows/cbSystemMenu.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/ScopeGuards.h"
#include "platform/win/Bitmap.h"

namespace {

// The window makers the window units registered (SetLinksBarWindowFactory,
// SetLinksMenuWindowFactory).
TcbLinksBarWindowFactory gBarWindowFactory = nullptr;
TcbLinksMenuWindowFactory gMenuWindowFactory = nullptr;
TcbMenuDropDownButtonQuery gDropDownButtonOf = nullptr;

bool Holds(const std::vector<TcbBarItemLink*>& List, const TcbBarItemLink* Link)
{
    return std::find(List.begin(), List.end(), Link) != List.end();
}

int32_t IndexIn(const std::vector<TcbBarItemLink*>& List, const TcbBarItemLink* Link)
{
    const auto It = std::find(List.begin(), List.end(), Link);
    return It == List.end() ? -1 : static_cast<int32_t>(It - List.begin());
}

TcbBarItemLink* At(const std::vector<TcbBarItemLink*>& List, int32_t Index)
{
    return Index >= 0 && Index < static_cast<int32_t>(List.size()) ? List[static_cast<size_t>(Index)] : nullptr;
}

void Erase(std::vector<TcbBarItemLink*>& List, const TcbBarItemLink* Link)
{
    List.erase(std::remove(List.begin(), List.end(), Link), List.end());
}

// A toolbar lays its controls out again when one of them went or changed its picture: its size
// and its neighbours' places follow. Menu windows are laid out whenever they open.
void RelayoutToolbar(TcbBarItemLinks* Links)
{
    if (!Links || !dynamic_cast<TcbBar*>(Links->GetOwner()))
        return;
    TCustomcbBarControl* Window = Links->GetBarControl();
    if (Window && TCustomcbBarControl::IsLiveBarControl(Window))
        Window->RebuildBar();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TcbBarItemLink

TcbBarItemLink::TcbBarItemLink(TCollection* ACollection) : TCollectionItem(ACollection)
{
    FUserGlyph = std::make_unique<TBitmap>();
    if (TcbBarItemLinks* Links = GetLinks())
        Links->LinkAdded(this);
}

TcbBarItemLink::~TcbBarItemLink()
{
    TcbBarItemLinks* Links = GetLinks();
    if (Links)
        Links->LinkRemoving(this);
    if (FItem) {
        auto& L = FItem->FLinks;
        L.erase(std::remove(L.begin(), L.end(), this), L.end());
        if (FItem->FClickItemLink == this)
            FItem->FClickItemLink = nullptr;
    }
}

void TcbBarItemLink::Release()
{
    delete this;
}

TcbBarItemLinks* TcbBarItemLink::GetLinks() const
{
    return static_cast<TcbBarItemLinks*>(GetCollection());
}

TcbBarManager* TcbBarItemLink::GetBarManager() const
{
    TcbBarItemLinks* Links = GetLinks();
    return Links ? Links->GetBarManager() : nullptr;
}

TCustomcbBarControl* TcbBarItemLink::GetBarControl() const
{
    TcbBarItemLinks* Links = GetLinks();
    return Links ? Links->GetBarControl() : nullptr;
}

bool TcbBarItemLink::OwnerLoading() const
{
    TcbBarItemLinks* Links = GetLinks();
    if (!Links)
        return false;
    // A bar's links belong to the manager's loading; a sub-item's or popup menu's to their own.
    TPersistent* Owner = Links->GetOwner();
    if (dynamic_cast<TcbBar*>(Owner))
        return Links->ManagerLoading();
    auto* Component = dynamic_cast<TComponent*>(Owner);
    return Component ? Component->GetComponentState().Contains(csLoading) : Links->ManagerLoading();
}

void TcbBarItemLink::RefreshControl()
{
    if (FControl)
        DispatchToItemControl(this, icnRefresh);
}

void TcbBarItemLink::Changed()
{
    TcbBarManager* Manager = GetBarManager();
    if (!Manager)
        return;
    Manager->DesignerModified();
    if (!Manager->IsLoading())
        Manager->DoItemLinkChange(this);
}

void TcbBarItemLink::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TcbBarItemLink*>(Source);
    if (!S) {
        TCollectionItem::Assign(Source);
        return;
    }
    if (S == this)
        return;
    if (S->FItem) {
        TcbBarItem* Item = S->FItem;
        if (IsResettingBars()) {
            // The design's items belong to the replayed form: the namesake on this form counts.
            TcbBarManager* Manager = GetBarManager();
            TComponent* Form = Manager ? Manager->GetOwner() : nullptr;
            Item = Form ? dynamic_cast<TcbBarItem*>(Form->FindComponent(Item->GetName())) : nullptr;
        }
        if (Item)
            SetItem(Item);
    }
    SetBeginGroup(S->FBeginGroup);
    if (S->FUserDefine.Contains(udCaption))
        SetUserCaption(S->FUserCaption);
    if (S->FUserDefine.Contains(udGlyph))
        SetUserGlyph(S->FUserGlyph.get());
    if (S->FUserDefine.Contains(udPaintStyle))
        SetUserPaintStyle(S->FUserPaintStyle);
    if (S->FUserDefine.Contains(udWidth))
        SetUserWidth(S->FUserWidth);
    SetUserDefine(S->FUserDefine);
    SetMostRecentlyUsed(S->FMostRecentlyUsed);
    SetVisible(S->FVisible);
}

bool TcbBarItemLink::GetBeginGroup() const
{
    TcbBarItemLinks* Links = GetLinks();
    const int32_t Shown = Links ? Links->IndexOfShown(this) : -1;
    if (Shown <= 0)
        return false;
    if (FBeginGroup)
        return true;
    // A link not shown between the previous shown one and this one hands its line on.
    const int32_t From = Links->IndexOfAvailable(Links->GetShownItem(Shown - 1));
    const int32_t To = Links->IndexOfAvailable(this);
    for (int32_t I = From + 1; I < To; ++I)
        if (Links->GetAvailableItem(I)->FBeginGroup)
            return true;
    return false;
}

void TcbBarItemLink::SetBeginGroup(bool Value)
{
    if (Value == FBeginGroup)
        return;
    FBeginGroup = Value;
    RefreshControl();
    Changed();
}

void TcbBarItemLink::SetItem(TcbBarItem* Value)
{
    if (!Value || Value == FItem)
        return;
    // A sub-item's link must not hold an item whose menus would contain the sub-item again.
    if (TcbBarItemLinks* Links = GetLinks()) {
        if (const auto* SubItem = dynamic_cast<const TCustomcbBarSubItem*>(Links->GetOwner());
            SubItem && !SubItem->CanContainItem(Value)) {
            if (FItem) {
                auto& Old = FItem->FLinks;
                Old.erase(std::remove(Old.begin(), Old.end(), this), Old.end());
                FItem = nullptr;
                Links->RebuildLists();
            }
            throw Exception(uiGetResourceString(cbsRecursiveSubItems));
        }
    }
    if (FItem) {
        auto& Old = FItem->FLinks;
        Old.erase(std::remove(Old.begin(), Old.end(), this), Old.end());
    }
    FItem = Value;
    Value->FLinks.push_back(this);
    if (!OwnerLoading())
        ApplyMostRecentlyUsed();
    if (TcbBarItemLinks* Links = GetLinks(); Links && !Links->ManagerLoading())
        Links->RebuildLists();
    Changed();
}

void TcbBarItemLink::ApplyMostRecentlyUsed()
{
    TcbBarItemLinks* Links = GetLinks();
    if (!Links)
        return;
    if (FMostRecentlyUsed) {
        const TcbBarManager* Manager = Links->GetBarManager();
        FUseCount = Manager ? Manager->GetUseCountBase() : 0;
        MarkUsed(false);
    } else {
        // A link that leaves a docked toolbar's shown part lets the toolbar lay itself out again.
        const bool WasShown = Links->IndexOfShown(this) >= 0;
        FUseCount = 0;
        Links->MoveToEnd(this);
        TCustomcbBarControl* Window = Links->GetBarControl();
        TcbBarManager* Manager = Links->GetBarManager();
        if (WasShown && Window && Window->GetKind() == bwkToolbar && Window->GetDockControl() &&
            Window->HandleAllocated() && Manager && Manager->GetRealStyle() != bmsStandard)
            PostMessageA(Window->GetHandle(), WM_CBREBUILDBAR, 0, 0);
    }
}

void TcbBarItemLink::SetMostRecentlyUsed(bool Value)
{
    if (Value == FMostRecentlyUsed)
        return;
    FMostRecentlyUsed = Value;
    if (OwnerLoading())
        return;
    ApplyMostRecentlyUsed();
    if (TcbBarItemLinks* Links = GetLinks()) {
        Links->RebuildLists();
        if (TCustomcbBarControl* Window = Links->GetBarControl())
            Window->RebuildBar();
    }
}

void TcbBarItemLink::SetUserCaption(const std::string& Value)
{
    if (Value == FUserCaption && FUserDefine.Contains(udCaption))
        return;
    FUserCaption = Value;
    FUserDefine.Include(udCaption);
    if (FControl)
        DispatchToItemControl(this, icnCaptionChanged);
    Changed();
}

void TcbBarItemLink::SetUserDefine(TcbBarUserDefines Value)
{
    if (Value == FUserDefine)
        return;
    const TcbBarUserDefines Removed = FUserDefine - Value;
    FUserDefine = Value;
    if (Removed.Contains(udCaption))
        FUserCaption.clear();
    if (Removed.Contains(udGlyph))
        FUserGlyph->Assign(nullptr);
    if (Removed.Contains(udPaintStyle))
        FUserPaintStyle = psStandard;
    if (Removed.Contains(udWidth))
        FUserWidth = 0;
    RefreshControl();
    Changed();
}

void TcbBarItemLink::SetUserGlyph(TBitmap* Value)
{
    FUserGlyph->Assign(Value);
    FUserDefine.Include(udGlyph);
    if (FControl) {
        DispatchToItemControl(this, icnGlyphChanged);
        RelayoutToolbar(GetLinks());
    }
    Changed();
}

void TcbBarItemLink::SetUserPaintStyle(TcbBarPaintStyle Value)
{
    if (Value == GetPaintStyle())
        return;
    FUserPaintStyle = Value;
    FUserDefine.Include(udPaintStyle);
    RefreshControl();
    Changed();
}

void TcbBarItemLink::SetUserWidth(int32_t Value)
{
    Value = std::max(Value, kcbMinUserWidth);
    if (Value == FUserWidth && FUserDefine.Contains(udWidth))
        return;
    FUserWidth = Value;
    FUserDefine.Include(udWidth);
    RefreshControl();
    Changed();
}

void TcbBarItemLink::SetVisible(bool Value)
{
    TcbBarItemLinks* Links = GetLinks();
    if (Links && (Links->ManagerLoading() || Links->FAssigning)) {
        FLoadedVisible = Value;
        return;
    }
    if (Value == FVisible)
        return;
    FVisible = Value;
    if (Links && !Links->Designing()) {
        Links->RebuildLists();
        if (Value) {
            MarkUsed(false);
            if (!FControl)
                DispatchToItemControl(this, icnCreate);
            RefreshControl();
        } else {
            Links->MoveToEnd(this);
            if (FControl) {
                DispatchToItemControl(this, icnDestroy);
                RelayoutToolbar(Links);
            }
        }
    }
    Changed();
}

std::string TcbBarItemLink::GetCaption() const
{
    return FUserDefine.Contains(udCaption) || !FItem ? FUserCaption : FItem->GetCaption();
}

TBitmap* TcbBarItemLink::GetGlyph() const
{
    return FUserDefine.Contains(udGlyph) || !FItem ? FUserGlyph.get() : FItem->GetGlyph();
}

TcbBarPaintStyle TcbBarItemLink::GetPaintStyle() const
{
    // The user's style first; else a button's own style; every other item paints as psStandard.
    if (FUserDefine.Contains(udPaintStyle))
        return FUserPaintStyle;
    if (const auto* Button = dynamic_cast<const TcbBarButton*>(FItem))
        return Button->GetPaintStyle();
    return psStandard;
}

int32_t TcbBarItemLink::GetWidth() const
{
    // Without a user width a link has none; edits bring a width of their own.
    return FUserDefine.Contains(udWidth) ? FUserWidth : 0;
}

void TcbBarItemLink::MarkUsed(bool Counting)
{
    // Up the chain of menus to the link that opened the first one.
    TcbBarItemLink* Link = this;
    for (int32_t Depth = 0; Link && Depth < 64; ++Depth) {
        TcbBarItemLinks* Links = Link->GetLinks();
        if (!Links || !Link->FItem || !Link->FItem->IsVisibleInBars() || !Link->FVisible)
            return;
        const bool WasShown = Links->IndexOfShown(Link) >= 0;
        Links->MoveToFront(Link);
        if (Counting && Link->FUseCount < kcbMaxUseCount)
            ++Link->FUseCount;
        TCustomcbBarControl* Window = Links->GetBarControl();
        TcbBarManager* Manager = Links->GetBarManager();
        if (!WasShown && Window && Window->GetKind() == bwkToolbar && Window->GetDockControl() &&
            Window->HandleAllocated() && Manager && Manager->GetRealStyle() != bmsStandard)
            PostMessageA(Window->GetHandle(), WM_CBREBUILDBAR, 0, 0);
        TcbBarItemLink* Opener = nullptr;
        if (auto* SubItem = dynamic_cast<TCustomcbBarSubItem*>(Links->GetOwner())) {
            for (int32_t I = 0; I < SubItem->GetLinkCount() && !Opener; ++I)
                if (TcbBarItemLink* L = SubItem->GetLink(I); L->GetBarControl())
                    Opener = L;
        } else if (dynamic_cast<TcbBarPopupMenu*>(Links->GetOwner())) {
            // A drop-down menu counts for the button that opened it.
            if (TcbBarButtonControl* Button = Window && gDropDownButtonOf ? gDropDownButtonOf(Window) : nullptr;
                Button && IsLiveItemControl(Button))
                Opener = Button->GetLink();
        }
        if (Opener == Link)
            return;
        Link = Opener;
    }
}

int32_t TcbBarItemLink::GetAvailableIndex() const
{
    TcbBarItemLinks* Links = GetLinks();
    return Links ? Links->IndexOfAvailable(this) : -1;
}

int32_t TcbBarItemLink::GetVisibleIndex() const
{
    TcbBarItemLinks* Links = GetLinks();
    return Links ? Links->IndexOfVisible(this) : -1;
}

int32_t TcbBarItemLink::GetShownIndex() const
{
    TcbBarItemLinks* Links = GetLinks();
    return Links ? Links->IndexOfShown(this) : -1;
}

int32_t TcbBarItemLink::GetRecentIndex() const
{
    TcbBarItemLinks* Links = GetLinks();
    return Links ? Links->IndexOfRecent(this) : -1;
}

// ---------------------------------------------------------------------------------------------
// TcbBarItemLinks

TcbBarItemLinks::TcbBarItemLinks(TcbBarManager* ABarManager, TPersistent* AOwner)
    : TCollection(TCollection::ItemFactory<TcbBarItemLink>(), AOwner), FBarManager(ABarManager)
{
    if (FBarManager)
        FBarManager->RegisterItemLinks(this);
}

TcbBarItemLinks::~TcbBarItemLinks()
{
    // The links go while the list is still whole: each leaves the four lists itself.
    Clear();
    if (FBarManager)
        FBarManager->UnregisterItemLinks(this);
}

void TcbBarItemLinks::SetBarManager(TcbBarManager* Value)
{
    if (Value == FBarManager)
        return;
    if (FBarManager)
        FBarManager->UnregisterItemLinks(this);
    FBarManager = Value;
    if (FBarManager)
        FBarManager->RegisterItemLinks(this);
}

bool TcbBarItemLinks::ManagerLoading() const
{
    return FBarManager && FBarManager->IsLoading();
}

bool TcbBarItemLinks::Designing() const
{
    return FBarManager && FBarManager->IsDesigning();
}

TcbBarItemLink* TcbBarItemLinks::Add()
{
    return static_cast<TcbBarItemLink*>(TCollection::Add());
}

TcbBarItemLink* TcbBarItemLinks::GetItem(int32_t Index) const
{
    return static_cast<TcbBarItemLink*>(GetItems(Index));
}

void TcbBarItemLinks::Notify(TCollectionItem* Item, TCollectionNotification Action)
{
    // A link being added is still being constructed: nothing of it may be read until it
    // reports itself (LinkAdded).
    if (Action == cnAdded)
        FConstructing = static_cast<TcbBarItemLink*>(Item);
    TCollection::Notify(Item, Action);
}

void TcbBarItemLinks::LinkAdded(TcbBarItemLink* Link)
{
    if (FConstructing == Link)
        FConstructing = nullptr;
    Link->FUseCount = FBarManager ? FBarManager->GetUseCountBase() : 0;
    FRecent.push_back(Link);
    // A handler that throws ends the link's construction: the recent list must not keep it.
    TScopeExit Forget([this, Link] { Erase(FRecent, Link); });
    if (FBarManager && !FBarManager->IsLoading())
        FBarManager->DoItemLinkAdd(Link);
    if (GetUpdateCount() == 0)
        Update(Link);
    Forget.Dismiss();
}

void TcbBarItemLinks::LinkRemoving(TcbBarItemLink* Link)
{
    TcbBarManager* Manager = FBarManager;
    if (Manager && !Manager->IsDestroying())
        Manager->DoItemLinkDelete(Link);
    // A link moved away by a drag hands its group line to the next visible link: the line goes
    // when it was the first visible link and the next one begins a group, and passes on when it
    // began a group and the next one did not.
    TcbBarItemLink* Next = nullptr;
    if (Link->FItem && Manager && Manager->GetDraggingItemLink() == Link) {
        const int32_t V = IndexOfVisible(Link);
        if (V >= 0 && V < GetVisibleItemCount() - 1) {
            TcbBarItemLink* Candidate = GetVisibleItem(V + 1);
            if ((V == 0 && Candidate->FBeginGroup) || (Link->FBeginGroup && !Candidate->FBeginGroup))
                Next = Candidate;
        }
    }
    if (Manager && Manager->GetDraggingItemLink() == Link)
        Manager->SetDraggingItemLink(nullptr);
    if (Link->FControl) {
        DispatchToItemControl(Link, icnDestroy);
        Link->FControl = nullptr;
        // Laid out again once the link has left the collection (Update).
        FLayoutStale = true;
    }
    Erase(FAvailable, Link);
    Erase(FVisible, Link);
    Erase(FShown, Link);
    Erase(FRecent, Link);
    if (Next)
        Next->SetBeginGroup(!Next->FBeginGroup);
}

void TcbBarItemLinks::Update(TCollectionItem*)
{
    if (FConstructing || ManagerLoading())
        return;
    // The window rebuilds with the bar windows; the design has changed either way.
    if (FBarManager)
        FBarManager->DesignerModified();
    RebuildLists();
    if (FLayoutStale) {
        FLayoutStale = false;
        RelayoutToolbar(this);
    }
    if (OnChange)
        OnChange(this);
}

void TcbBarItemLinks::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TcbBarItemLinks*>(Source);
    if (!S) {
        TCollection::Assign(Source);
        return;
    }
    if (S == this)
        return;
    // A maximized MDI child's system-menu item at the head of a main menu bar is not the
    // user's: it stays first whatever the links become.
    TcbBarItem* SystemMenuItem = nullptr;
    if (GetCount() > 0 && dynamic_cast<TSystemMenuSubItem*>(GetItem(0)->GetItem()))
        SystemMenuItem = GetItem(0)->GetItem();
    {
        TFlagScope Assigning(FAssigning);
        TCollection::Assign(Source);
    }
    for (int32_t I = 0; I < GetCount(); ++I)
        GetItem(I)->SetVisible(GetItem(I)->FLoadedVisible);
    if (SystemMenuItem) {
        // The source may have brought one along (an assign from the same bar's copy).
        if (GetCount() > 0 && GetItem(0)->GetItem() == SystemMenuItem)
            return;
        TcbBarItemLink* Link = Add();
        Link->SetItem(SystemMenuItem);
        Link->SetIndex(0);
    }
}

TcbBarItemLink* TcbBarItemLinks::GetAvailableItem(int32_t Index) const { return At(FAvailable, Index); }
int32_t TcbBarItemLinks::IndexOfAvailable(const TcbBarItemLink* Link) const { return IndexIn(FAvailable, Link); }
TcbBarItemLink* TcbBarItemLinks::GetVisibleItem(int32_t Index) const { return At(FVisible, Index); }
int32_t TcbBarItemLinks::IndexOfVisible(const TcbBarItemLink* Link) const { return IndexIn(FVisible, Link); }
TcbBarItemLink* TcbBarItemLinks::GetShownItem(int32_t Index) const { return At(FShown, Index); }
int32_t TcbBarItemLinks::IndexOfShown(const TcbBarItemLink* Link) const { return IndexIn(FShown, Link); }
TcbBarItemLink* TcbBarItemLinks::GetRecentListItem(int32_t Index) const { return At(FRecent, Index); }
int32_t TcbBarItemLinks::IndexOfRecent(const TcbBarItemLink* Link) const { return IndexIn(FRecent, Link); }

TCustomcbBarControl* TcbBarItemLinks::CreateBarControl()
{
    if (auto* Bar = dynamic_cast<TcbBar*>(GetOwner())) {
        TCustomcbBarControl* Window = gBarWindowFactory ? gBarWindowFactory(FBarManager, Bar) : nullptr;
        if (Window)
            Window->SetItemLinks(this);
        return Window;
    }
    // A sub-item's menu belongs to the manager of the sub-item's first link that has a window.
    TcbBarManager* Manager = FBarManager;
    if (auto* SubItem = dynamic_cast<TCustomcbBarSubItem*>(GetOwner()))
        for (int32_t I = 0; I < SubItem->GetLinkCount(); ++I)
            if (TCustomcbBarControl* Window = SubItem->GetLink(I)->GetBarControl()) {
                Manager = Window->GetBarManager();
                break;
            }
    TCustomcbBarControl* Menu = Manager && gMenuWindowFactory ? gMenuWindowFactory(Manager) : nullptr;
    if (Menu)
        Menu->SetItemLinks(this);
    return Menu;
}

void TcbBarItemLinks::SetRecentCount(int32_t Value)
{
    if (Value == FRecentCount)
        return;
    FPrevRecentCount = FRecentCount;
    FRecentCount = Value;
    RebuildLists();
}

void TcbBarItemLinks::SetUseRecentItems(bool Value)
{
    FUseRecentItems = Value;
}

bool TcbBarItemLinks::UsesRecentItems() const
{
    if (!FBarManager || FBarManager->GetRealStyle() == bmsStandard)
        return false;
    // Up the sub-menu chain: a sub-item's list follows the list of its first link that has a
    // window, until a bar's or a popup menu's list decides.
    std::set<const TcbBarItemLinks*> Visited;
    const TcbBarItemLinks* Links = this;
    while (true) {
        const auto* SubItem = dynamic_cast<const TcbBarItem*>(Links->GetOwner());
        if (!SubItem || !Visited.insert(Links).second)
            return Links->FUseRecentItems;
        const TcbBarItemLinks* Up = nullptr;
        for (int32_t I = 0; I < SubItem->GetLinkCount() && !Up; ++I)
            if (TcbBarItemLink* L = SubItem->GetLink(I); L->GetBarControl())
                Up = L->GetLinks();
        if (!Up)
            return Links->FUseRecentItems;
        Links = Up;
    }
}

void TcbBarItemLinks::RebuildLists()
{
    FAvailable.clear();
    FVisible.clear();
    FShown.clear();
    const bool Design = Designing();
    for (int32_t I = 0; I < GetCount(); ++I) {
        TcbBarItemLink* Link = GetItem(I);
        if (Link == FConstructing || !Link->FItem || (!Design && !Link->FItem->IsVisibleInBars()))
            continue;
        FAvailable.push_back(Link);
        if (!Design && !Link->FVisible)
            continue;
        FVisible.push_back(Link);
        if (Design || FRecentCount == -1)
            FShown.push_back(Link);
    }
    if (Design || FRecentCount <= 0)
        return;
    for (TcbBarItemLink* Link : FRecent) {
        if (static_cast<int32_t>(FShown.size()) >= FRecentCount)
            break;
        if (Holds(FVisible, Link))
            FShown.push_back(Link);
    }
    std::sort(FShown.begin(), FShown.end(),
              [this](TcbBarItemLink* A, TcbBarItemLink* B) { return IndexOfVisible(A) < IndexOfVisible(B); });
}

int32_t TcbBarItemLinks::GetRecentItemCount() const
{
    if (!UsesRecentItems())
        return -1;
    const int32_t VisibleCount = GetVisibleItemCount();
    // In 64 bits: counts set from outside may lie anywhere in 32 bits, and their span with them.
    int64_t Smallest = 0;
    int64_t Largest = 0;
    for (int32_t I = 0; I < VisibleCount; ++I) {
        const int64_t C = FVisible[static_cast<size_t>(I)]->FUseCount;
        Smallest = I == 0 ? C : std::min(Smallest, C);
        Largest = I == 0 ? C : std::max(Largest, C);
    }
    // The share of the span, rounded half away from zero as MulDiv rounds.
    const int64_t Scaled = (Largest - Smallest) * (100 - FBarManager->GetMostRecentItemsPercents());
    const int64_t Threshold = Smallest + (Scaled >= 0 ? Scaled + 50 : Scaled - 50) / 100;
    int32_t Position = std::min(VisibleCount, GetRecentListCount()) - 1;
    while (Position >= 0 && FRecent[static_cast<size_t>(Position)]->FUseCount < Threshold)
        --Position;
    const int32_t Count = Position + 1;
    return Count == VisibleCount ? -1 : Count;
}

void TcbBarItemLinks::MoveToFront(TcbBarItemLink* Link)
{
    Erase(FRecent, Link);
    FRecent.insert(FRecent.begin(), Link);
}

void TcbBarItemLinks::MoveToEnd(TcbBarItemLink* Link)
{
    Erase(FRecent, Link);
    FRecent.push_back(Link);
}

void TcbBarItemLinks::RestoreRecentOrder(bool FromLayout)
{
    std::vector<TcbBarItemLink*> Links;
    for (int32_t I = 0; I < GetCount(); ++I)
        Links.push_back(GetItem(I));
    if (FromLayout) {
        for (TcbBarItemLink* L : Links)
            L->FVisible = L->FLoadedVisible;
        // Links with a stored place come first in that order; the others keep theirs after them.
        std::stable_sort(FRecent.begin(), FRecent.end(), [](TcbBarItemLink* A, TcbBarItemLink* B) {
            const bool PA = A->FSavedRecentIndex >= 0;
            const bool PB = B->FSavedRecentIndex >= 0;
            if (PA != PB)
                return PA;
            return PA && A->FSavedRecentIndex < B->FSavedRecentIndex;
        });
        for (TcbBarItemLink* L : Links)
            L->FSavedRecentIndex = -1;
    } else {
        const int32_t Base = FBarManager ? FBarManager->GetUseCountBase() : 0;
        FRecent.clear();
        for (TcbBarItemLink* L : Links)
            if (L->FMostRecentlyUsed) {
                L->FUseCount = Base;
                FRecent.push_back(L);
            }
        for (TcbBarItemLink* L : Links)
            if (!L->FMostRecentlyUsed) {
                L->FUseCount = 0;
                FRecent.push_back(L);
            }
    }
    RebuildLists();
}

void TcbBarItemLinks::ApplyLoadedState()
{
    for (int32_t I = 0; I < GetCount(); ++I)
        GetItem(I)->FVisible = GetItem(I)->FLoadedVisible;
    RestoreRecentOrder(false);
}

int32_t TcbBarItemLinks::GetFittingCount(const TRect& ClientRect) const
{
    int32_t Count = 0;
    for (const TcbBarItemLink* Link : FShown) {
        const TRect& R = Link->FItemRect;
        if (IsRectEmpty(&R) || R.left < ClientRect.left || R.top < ClientRect.top || R.right > ClientRect.right ||
            R.bottom > ClientRect.bottom)
            break;
        ++Count;
    }
    return Count;
}

void TcbBarItemLinks::ClearItemRects()
{
    for (int32_t I = 0; I < GetCount(); ++I) {
        GetItem(I)->FItemRect = TRect{};
        GetItem(I)->FItemRectWithBeginGroup = TRect{};
    }
}

// ---------------------------------------------------------------------------------------------
// Generated links, shortcuts and accelerators

namespace {
bool gResettingBars = false;
}

bool IsResettingBars()
{
    return gResettingBars;
}

void SetResettingBars(bool Value)
{
    gResettingBars = Value;
}

TcbBarWindowQueries& BarWindowQueries()
{
    static TcbBarWindowQueries Queries;
    return Queries;
}

void SetLinksBarWindowFactory(TcbLinksBarWindowFactory Factory)
{
    gBarWindowFactory = Factory;
}

void SetLinksMenuWindowFactory(TcbLinksMenuWindowFactory Factory, TcbMenuDropDownButtonQuery DropDownButtonOf)
{
    gMenuWindowFactory = Factory;
    gDropDownButtonOf = DropDownButtonOf;
}

void TcbBarItemLink::SetGeneratedFrom(TcbBarItemLink* Value)
{
    FGeneratedFrom = Value;
    if (!Value)
        return;
    FUseCount = Value->FUseCount;
    TcbBarItemLinks* Links = GetLinks();
    if (!Links || Links != Value->GetLinks())
        return;
    // Just before the container's link in the recent list.
    auto& Recent = Links->FRecent;
    Recent.erase(std::remove(Recent.begin(), Recent.end(), this), Recent.end());
    const auto At = std::find(Recent.begin(), Recent.end(), Value);
    Recent.insert(At, this);
}

bool TcbBarItemLink::IsAccel(uint16_t Key, TShiftState Shift) const
{
    const std::string Caption = GetCaption();
    // The character after the last single "&" ("&&" is a literal ampersand).
    char Accel = 0;
    for (size_t I = 0; I < Caption.size(); ++I) {
        if (Caption[I] != '&')
            continue;
        if (I + 1 < Caption.size() && Caption[I + 1] == '&') {
            ++I;
            continue;
        }
        if (I + 1 < Caption.size())
            Accel = Caption[I + 1];
    }
    if (!Accel)
        return false;
    Shift.Exclude(ssAlt);
    // An upper-case letter matches with and without Shift: its key is that of the lower case.
    char Lower[2] = {Accel, 0};
    CharLowerBuffA(Lower, 1);
    if (Lower[0] != Accel)
        Shift.Exclude(ssShift);
    if (Accel >= '0' && Accel <= '9')
        return Key == static_cast<uint8_t>(Accel) && Shift.Empty();
    const SHORT Scan = VkKeyScanA(Lower[0]);
    if (Scan == -1 || LOBYTE(Scan) != Key)
        return false;
    TShiftState Wanted;
    if (HIBYTE(Scan) & 1)
        Wanted.Include(ssShift);
    if (HIBYTE(Scan) & 2)
        Wanted.Include(ssCtrl);
    return Wanted == Shift;
}

bool TcbBarItemLinks::IsShortCut(uint16_t ShortCut)
{
    if (ShortCut == 0)
        return false;
    // The actions' OnUpdate decides whether their items are enabled now.
    for (int32_t I = 0; I < GetCount(); ++I)
        if (TcbBarItem* Item = GetItem(I)->GetItem(); Item && Item->GetActionLink())
            Item->GetActionLink()->Update();
    // A click may change the lists: the available links are taken before.
    const std::vector<TcbBarItemLink*> Links = FAvailable;
    for (TcbBarItemLink* Link : Links) {
        TcbBarItem* Item = Link->GetItem();
        if (!Item || !Item->GetEnabled())
            continue;
        if (auto* SubItem = dynamic_cast<TCustomcbBarSubItem*>(Item)) {
            if (SubItem->IsShortCut(ShortCut))
                return true;
            continue;
        }
        if (auto* Button = dynamic_cast<TcbBarButton*>(Item);
            Button && Button->GetButtonStyle() == bsDropDown && Button->GetDropDownMenu()) {
            if (Button->GetDropDownMenu()->IsShortCut(ShortCut))
                return true;
            continue;
        }
        if (Item->IsClickable() && Item->GetShortCut() == ShortCut) {
            Item->Click();
            return true;
        }
    }
    return false;
}

TcbBarItemLink* TcbBarItemLinks::FindByAccel(uint16_t Key, TShiftState Shift, TcbBarItemLink* Start) const
{
    Shift.Exclude(ssAlt);
    const bool OnBar = dynamic_cast<TcbBar*>(GetOwner()) != nullptr;
    std::vector<TcbBarItemLink*> Candidates;
    if (OnBar) {
        const auto& Queries = BarWindowQueries();
        if (!FBarControl || !Queries.IsVisible || !Queries.IsVisible(FBarControl))
            return nullptr;
        for (TcbBarItemLink* Link : FShown)
            if (Link->GetControl() && Queries.CanSelectControl && Queries.CanSelectControl(Link))
                Candidates.push_back(Link);
    } else {
        Candidates = FVisible;
    }
    const size_t Count = Candidates.size();
    if (Count == 0)
        return nullptr;
    const auto StartAt = std::find(Candidates.begin(), Candidates.end(), Start);
    const size_t First = StartAt == Candidates.end() ? 0 : static_cast<size_t>(StartAt - Candidates.begin()) + 1;
    for (size_t N = 0; N < Count; ++N) {
        TcbBarItemLink* Link = Candidates[(First + N) % Count];
        if (Link->GetItem() && Link->GetItem()->GetEnabled() && Link->IsAccel(Key, Shift))
            return Link;
    }
    return nullptr;
}
