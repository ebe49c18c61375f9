#pragma once
// Collections of items that belong to them, with stable IDs and batched change reports.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Classes.h"

class TCollection;

// An item joins its collection in its constructor (the collection then owns it) and leaves it
// in its destructor. The collection's Notify and Update run inside those, so they see the item
// as a TCollectionItem only.
class TCollectionItem : public TPersistent {
public:
    explicit TCollectionItem(TCollection* ACollection);
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;
    ~TCollectionItem() override;
    std::string ClassName() const override { return "TCollectionItem"; }

    TCollection* GetCollection() const { return FCollection; }
    void SetCollection(TCollection* Value); // moves the item; it gets a new ID there
    int32_t GetIndex() const;
    virtual void SetIndex(int32_t Value); // moves the item within its collection
    int32_t GetID() const { return FID; }
    TPersistent* GetOwner() const override;

protected:
    // Reports a change: Update(this), or Update(nullptr) when AllItems; nothing inside an update block.
    void Changed(bool AllItems);

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int32_t FID = -1;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
public:
    // Makes a new item in the given collection (the item's constructor joins it).
    using TItemFactory = std::function<TCollectionItem*(TCollection* Collection)>;
    template <class T>
    static TItemFactory ItemFactory()
    {
        return [](TCollection* C) -> TCollectionItem* { return new T(C); };
    }

    explicit TCollection(TItemFactory Factory, TPersistent* AOwner = nullptr);
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;
    ~TCollection() override;
    std::string ClassName() const override { return "TCollection"; }

    TCollectionItem* Add();
    TCollectionItem* Insert(int32_t Index);
    void Delete(int32_t Index);
    void Clear(); // last item first
    int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
    TCollectionItem* GetItems(int32_t Index) const; // EListError for a bad index
    void SetItems(int32_t Index, TCollectionItem* Value); // assigns Value into the item there
    TCollectionItem* FindItemID(int32_t ID) const;
    int32_t GetNextID() const { return FNextID; }

    // Inside a block changes are not reported; the outer EndUpdate reports Update(nullptr).
    void BeginUpdate();
    virtual void EndUpdate();
    int32_t GetUpdateCount() const { return FUpdateCount; }

    // Clears, then adds one item per source item and assigns it through the item's Assign.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override { return FOwner; }

protected:
    // Item is the changed item, or nullptr when all may have changed.
    virtual void Update(TCollectionItem* Item);
    virtual void Notify(TCollectionItem* Item, TCollectionNotification Action);
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* Item);
    void RemoveItem(TCollectionItem* Item, TCollectionNotification Action);

    std::vector<TCollectionItem*> FItems;
    TItemFactory FFactory;
    TPersistent* FOwner = nullptr;
    int32_t FNextID = 0;
    int32_t FUpdateCount = 0;
};
