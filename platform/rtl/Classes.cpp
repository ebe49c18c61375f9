#include "platform/rtl/Classes.h"

#include <algorithm>
#include <exception>

#include "platform/rtl/ScopeGuards.h"

// ---------------------------------------------------------------------------------------------
// TList

TList::~TList()
{
    // Notify is virtual: a derived list clears itself in its own destructor.
    FItems.clear();
}

void TList::IndexError(int32_t Index)
{
    throw EListError(Format("List index %d out of range", Index));
}

void TList::CheckIndex(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        IndexError(Index);
}

void TList::Notify(void*, TListNotification) {}

int32_t TList::Add(void* Item)
{
    FItems.push_back(Item);
    if (Item)
        Notify(Item, lnAdded);
    return GetCount() - 1;
}

void TList::Insert(int32_t Index, void* Item)
{
    if (Index < 0 || Index > GetCount())
        IndexError(Index);
    FItems.insert(FItems.begin() + Index, Item);
    if (Item)
        Notify(Item, lnAdded);
}

void TList::Delete(int32_t Index)
{
    CheckIndex(Index);
    void* Item = FItems[static_cast<size_t>(Index)];
    FItems.erase(FItems.begin() + Index);
    if (Item)
        Notify(Item, lnDeleted);
}

int32_t TList::Remove(void* Item)
{
    const int32_t I = IndexOf(Item);
    if (I >= 0)
        Delete(I);
    return I;
}

void* TList::Extract(void* Item)
{
    const int32_t I = IndexOf(Item);
    if (I < 0)
        return nullptr;
    FItems.erase(FItems.begin() + I);
    if (Item)
        Notify(Item, lnExtracted);
    return Item;
}

int32_t TList::IndexOf(void* Item) const
{
    const auto It = std::find(FItems.begin(), FItems.end(), Item);
    return It == FItems.end() ? -1 : static_cast<int32_t>(It - FItems.begin());
}

void TList::Move(int32_t CurIndex, int32_t NewIndex)
{
    if (CurIndex == NewIndex)
        return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    void* Item = FItems[static_cast<size_t>(CurIndex)];
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, Item);
}

void TList::Exchange(int32_t Index1, int32_t Index2)
{
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
}

void TList::Sort(const TListSortCompare& Compare)
{
    // A merge sort never reads outside the range, even when Compare is inconsistent.
    std::stable_sort(FItems.begin(), FItems.end(), [&](void* A, void* B) { return Compare(A, B) < 0; });
}

void TList::Pack()
{
    FItems.erase(std::remove(FItems.begin(), FItems.end(), nullptr), FItems.end());
}

void TList::Clear()
{
    std::vector<void*> Old;
    Old.swap(FItems);
    for (void* Item : Old)
        if (Item)
            Notify(Item, lnDeleted);
}

void* TList::First() const
{
    CheckIndex(0);
    return FItems.front();
}

void* TList::Last() const
{
    CheckIndex(GetCount() - 1);
    return FItems.back();
}

void TList::SetCount(int32_t NewCount)
{
    if (NewCount < 0)
        throw EListError(Format("List count %d out of range", NewCount));
    while (GetCount() > NewCount)
        Delete(GetCount() - 1);
    FItems.resize(static_cast<size_t>(NewCount), nullptr);
}

void TList::SetCapacity(int32_t NewCapacity)
{
    if (NewCapacity < GetCount())
        throw EListError(Format("List capacity %d out of range", NewCapacity));
    FItems.reserve(static_cast<size_t>(NewCapacity));
}

void* TList::GetItems(int32_t Index) const
{
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)];
}

void TList::SetItems(int32_t Index, void* Item)
{
    CheckIndex(Index);
    void* Old = FItems[static_cast<size_t>(Index)];
    if (Old == Item)
        return;
    FItems[static_cast<size_t>(Index)] = Item;
    if (Old)
        Notify(Old, lnDeleted);
    if (Item)
        Notify(Item, lnAdded);
}

// ---------------------------------------------------------------------------------------------
// TPersistent

void TPersistent::Assign(TPersistent* Source)
{
    if (!Source)
        AssignError(nullptr);
    Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest)
{
    Dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* Source)
{
    throw EConvertError(Format("Cannot assign a %s to a %s", Source ? Source->ClassName() : std::string("nil"),
                               ClassName()));
}

// ---------------------------------------------------------------------------------------------
// TComponent

namespace {

thread_local TLoadingScope* gCurrentScope = nullptr;

bool IsValidIdent(std::string_view S)
{
    if (S.empty())
        return false;
    for (size_t I = 0; I < S.size(); ++I) {
        const char C = S[I];
        const bool Letter = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || C == '_';
        if (!Letter && (I == 0 || C < '0' || C > '9'))
            return false;
    }
    return true;
}

} // namespace

TComponent::TComponent(TComponent* AOwner)
{
    if (gCurrentScope) {
        FComponentState += TComponentState{csLoading, csReading};
        FLoadingScope = gCurrentScope;
        gCurrentScope->FComponents.push_back(this);
    }
    if (AOwner)
        AOwner->InsertComponent(this);
}

TComponent::~TComponent()
{
    Destroying();
    // Partners inside the owner's tree hear of it through the owner below, so they are only
    // unlinked here; the others are told now.
    while (!FFreeNotifies.empty()) {
        TComponent* C = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        EraseFrom(C->FFreeNotifies, this);
        bool InOwnerTree = false;
        for (TComponent* A = C; A && FOwner && !InOwnerTree; A = A->FOwner)
            InOwnerTree = A == FOwner;
        if (!InOwnerTree)
            C->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner)
        FOwner->RemoveComponent(this);
    if (FLoadingScope)
        FLoadingScope->Forget(this);
}

void TComponent::EraseFrom(std::vector<TComponent*>& List, TComponent* Item)
{
    List.erase(std::remove(List.begin(), List.end(), Item), List.end());
}

void TComponent::Free()
{
    BeforeDestruction();
    delete this;
}

void TComponent::BeforeDestruction()
{
    Destroying();
}

void TComponent::Destroying()
{
    if (FComponentState.Contains(csDestroying))
        return;
    FComponentState.Include(csDestroying);
    for (TComponent* C : FComponents)
        C->Destroying();
}

void TComponent::DestroyComponents()
{
    // Each component leaves the list in its own destructor, telling the ones still here.
    while (!FComponents.empty()) {
        FComponents.back()->Free();
    }
}

TComponent* TComponent::GetComponents(int32_t Index) const
{
    if (Index < 0 || Index >= GetComponentCount())
        throw EListError(Format("List index %d out of range", Index));
    return FComponents[static_cast<size_t>(Index)];
}

int32_t TComponent::GetComponentIndex() const
{
    if (!FOwner)
        return -1;
    const auto& L = FOwner->FComponents;
    const auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<int32_t>(It - L.begin());
}

void TComponent::SetComponentIndex(int32_t Value)
{
    if (!FOwner)
        return;
    auto& L = FOwner->FComponents;
    const int32_t Cur = GetComponentIndex();
    if (Cur < 0)
        return;
    const int32_t Count = static_cast<int32_t>(L.size());
    if (Value < 0)
        Value = 0;
    if (Value >= Count)
        Value = Count - 1;
    if (Value == Cur)
        return;
    L.erase(L.begin() + Cur);
    L.insert(L.begin() + Value, this);
}

TComponent* TComponent::FindComponent(std::string_view AName) const
{
    if (AName.empty())
        return nullptr;
    for (TComponent* C : FComponents)
        if (SameText(C->FName, AName))
            return C;
    return nullptr;
}

void TComponent::ValidateRename(TComponent* AComponent, std::string_view NewName) const
{
    if (NewName.empty())
        return;
    TComponent* Found = FindComponent(NewName);
    if (Found && Found != AComponent)
        throw EComponentError(Format("Duplicate component name '%s'", NewName));
}

void TComponent::SetName(const std::string& NewName)
{
    if (NewName == FName)
        return;
    if (!NewName.empty() && !IsValidIdent(NewName))
        throw EComponentError(Format("Invalid component name '%s'", NewName));
    if (FOwner)
        FOwner->ValidateRename(this, NewName);
    FName = NewName;
}

void TComponent::SetDesigning(bool Value, bool SetChildren)
{
    if (Value)
        FComponentState.Include(csDesigning);
    else
        FComponentState.Exclude(csDesigning);
    if (SetChildren)
        for (TComponent* C : FComponents)
            C->SetDesigning(Value, true);
}

void TComponent::InsertComponent(TComponent* AComponent)
{
    if (!AComponent || AComponent->FOwner == this)
        return;
    // An ownership cycle would free its members twice.
    for (const TComponent* A = this; A; A = A->FOwner)
        if (A == AComponent)
            throw EComponentError(Format("A component cannot own '%s', which owns it", AComponent->FName));
    ValidateRename(AComponent, AComponent->FName);
    if (AComponent->FOwner)
        AComponent->FOwner->RemoveComponent(AComponent);
    FComponents.push_back(AComponent);
    AComponent->FOwner = this;
    // Parts made on a form being designed take its design-time branches.
    if (FComponentState.Contains(csDesigning))
        AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent)
{
    if (!AComponent || AComponent->FOwner != this)
        return;
    EraseFrom(FComponents, AComponent);
    AComponent->FOwner = nullptr;
    Notification(AComponent, opRemove);
}

void TComponent::FreeNotification(TComponent* AComponent)
{
    if (!AComponent || AComponent == this)
        return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), AComponent) == FFreeNotifies.end())
        FFreeNotifies.push_back(AComponent);
    auto& Other = AComponent->FFreeNotifies;
    if (std::find(Other.begin(), Other.end(), this) == Other.end())
        Other.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent)
{
    if (!AComponent)
        return;
    EraseFrom(FFreeNotifies, AComponent);
    EraseFrom(AComponent->FFreeNotifies, this);
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation)
{
    if (Operation == opRemove && AComponent)
        RemoveFreeNotification(AComponent);
    // Handlers may free components, so the list is re-read at every step.
    for (size_t I = 0; I < FComponents.size(); ++I)
        FComponents[I]->Notification(AComponent, Operation);
}

void TComponent::Loaded()
{
    FComponentState.Exclude(csLoading);
}

// ---------------------------------------------------------------------------------------------
// TLoadingScope

TLoadingScope::TLoadingScope() : FOuter(gCurrentScope), FUncaught(std::uncaught_exceptions())
{
    gCurrentScope = this;
}

TLoadingScope::~TLoadingScope() noexcept(false)
{
    if (FFinished)
        return;
    if (std::uncaught_exceptions() > FUncaught) {
        Leave();
        Abandon();
        return;
    }
    Finish();
}

void TLoadingScope::Abandon()
{
    for (TComponent* C : FComponents)
        if (C) {
            C->FComponentState -= TComponentState{csLoading, csReading};
            C->FLoadingScope = nullptr;
        }
    FComponents.clear();
}

void TLoadingScope::Leave()
{
    FFinished = true;
    if (gCurrentScope == this)
        gCurrentScope = FOuter;
}

void TLoadingScope::Forget(TComponent* C)
{
    for (TComponent*& Entry : FComponents)
        if (Entry == C)
            Entry = nullptr;
}

void TLoadingScope::Finish()
{
    if (FFinished)
        return;
    Leave();
    {
        // A ReadState may free components of this scope; Forget blanks their entries. A failed
        // read loads nothing: the states are cleared and the failure passes on.
        TScopeExit Failed([this] { Abandon(); });
        for (size_t I = 0; I < FComponents.size(); ++I)
            if (TComponent* C = FComponents[I])
                C->ReadState();
        Failed.Dismiss();
    }
    for (TComponent* C : FComponents)
        if (C)
            C->FComponentState.Exclude(csReading);
    std::exception_ptr First;
    // A Loaded may free components of this scope; Forget blanks their entries.
    for (size_t I = 0; I < FComponents.size(); ++I) {
        if (!FComponents[I])
            continue;
        try {
            FComponents[I]->Loaded();
        } catch (...) {
            // The others still finish loading; the first failure is raised at the end.
            if (!First)
                First = std::current_exception();
        }
        if (TComponent* C = FComponents[I]) {
            C->FComponentState.Exclude(csLoading);
            C->FLoadingScope = nullptr;
        }
    }
    FComponents.clear();
    if (First)
        std::rethrow_exception(First);
}
