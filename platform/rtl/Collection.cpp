#include "platform/rtl/Collection.h"

#include <algorithm>

#include "platform/rtl/ScopeGuards.h"

// ---------------------------------------------------------------------------------------------
// TCollectionItem

TCollectionItem::TCollectionItem(TCollection* ACollection)
{
    SetCollection(ACollection);
}

TCollectionItem::~TCollectionItem()
{
    if (FCollection)
        FCollection->RemoveItem(this, cnDeleting);
}

void TCollectionItem::SetCollection(TCollection* Value)
{
    if (Value == FCollection)
        return;
    if (FCollection)
        FCollection->RemoveItem(this, cnExtracting);
    if (Value)
        Value->InsertItem(this);
}

int32_t TCollectionItem::GetIndex() const
{
    if (!FCollection)
        return -1;
    const auto& L = FCollection->FItems;
    const auto It = std::find(L.begin(), L.end(), this);
    return It == L.end() ? -1 : static_cast<int32_t>(It - L.begin());
}

void TCollectionItem::SetIndex(int32_t Value)
{
    const int32_t Cur = GetIndex();
    if (Cur < 0 || Value == Cur)
        return;
    auto& L = FCollection->FItems;
    if (Value < 0 || Value >= static_cast<int32_t>(L.size()))
        throw EListError(Format("List index %d out of range", Value));
    L.erase(L.begin() + Cur);
    L.insert(L.begin() + Value, this);
    Changed(true);
}

TPersistent* TCollectionItem::GetOwner() const
{
    return FCollection;
}

void TCollectionItem::Changed(bool AllItems)
{
    if (FCollection && FCollection->FUpdateCount == 0)
        FCollection->Update(AllItems ? nullptr : this);
}

// ---------------------------------------------------------------------------------------------
// TCollection

TCollection::TCollection(TItemFactory Factory, TPersistent* AOwner) : FFactory(std::move(Factory)), FOwner(AOwner)
{
    if (!FFactory)
        throw EInvalidOperation("A collection needs an item factory");
}

TCollection::~TCollection()
{
    // No change reports while dying: Update is no longer the derived one.
    FUpdateCount = 1;
    while (!FItems.empty())
        delete FItems.back();
}

void TCollection::InsertItem(TCollectionItem* Item)
{
    FItems.push_back(Item);
    Item->FCollection = this;
    Item->FID = FNextID++;
    Notify(Item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item, TCollectionNotification Action)
{
    Notify(Item, Action);
    FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end());
    Item->FCollection = nullptr;
    Changed();
}

TCollectionItem* TCollection::Add()
{
    TCollectionItem* Item = FFactory(this);
    if (!Item || Item->FCollection != this)
        throw EInvalidOperation("The item factory did not add an item to the collection");
    return Item;
}

TCollectionItem* TCollection::Insert(int32_t Index)
{
    if (Index < 0 || Index > GetCount())
        throw EListError(Format("List index %d out of range", Index));
    TCollectionItem* Item = Add();
    Item->SetIndex(Index);
    return Item;
}

void TCollection::Delete(int32_t Index)
{
    delete GetItems(Index);
}

void TCollection::Clear()
{
    if (FItems.empty())
        return;
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    while (!FItems.empty())
        delete FItems.back();
}

TCollectionItem* TCollection::GetItems(int32_t Index) const
{
    if (Index < 0 || Index >= GetCount())
        throw EListError(Format("List index %d out of range", Index));
    return FItems[static_cast<size_t>(Index)];
}

void TCollection::SetItems(int32_t Index, TCollectionItem* Value)
{
    GetItems(Index)->Assign(Value);
}

TCollectionItem* TCollection::FindItemID(int32_t ID) const
{
    for (TCollectionItem* Item : FItems)
        if (Item->FID == ID)
            return Item;
    return nullptr;
}

void TCollection::BeginUpdate()
{
    ++FUpdateCount;
}

void TCollection::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount == 0)
        Changed();
}

void TCollection::Changed()
{
    if (FUpdateCount == 0)
        Update(nullptr);
}

void TCollection::Update(TCollectionItem*) {}

void TCollection::Notify(TCollectionItem*, TCollectionNotification) {}

void TCollection::Assign(TPersistent* Source)
{
    auto* S = dynamic_cast<TCollection*>(Source);
    if (!S) {
        TPersistent::Assign(Source);
        return;
    }
    if (S == this)
        return;
    BeginUpdate();
    TScopeExit End([this] { EndUpdate(); });
    Clear();
    for (TCollectionItem* Item : S->FItems)
        Add()->Assign(Item);
}
