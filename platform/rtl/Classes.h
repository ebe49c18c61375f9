#pragma once
// Pointer list, persistent objects with Assign, and components with owners, names,
// notifications and a loading state.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Flags.h"
#include "platform/rtl/SysUtils.h"

using TNotifyEvent = std::function<void(TObject* Sender)>;

// ---------------------------------------------------------------------------------------------
// TList: a list of untyped pointers. A bad index raises EListError "List index %d out of range".

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

class TList : public TObject {
public:
    // Negative when Item1 sorts before Item2.
    using TListSortCompare = std::function<int32_t(void* Item1, void* Item2)>;

    TList() = default;
    TList(const TList&) = delete;
    TList& operator=(const TList&) = delete;
    ~TList() override;
    std::string ClassName() const override { return "TList"; }

    int32_t Add(void* Item);
    void Insert(int32_t Index, void* Item);
    void Delete(int32_t Index);
    int32_t Remove(void* Item);  // index it had, or -1
    void* Extract(void* Item);   // the item when it was in the list, else nullptr
    int32_t IndexOf(void* Item) const;
    void Move(int32_t CurIndex, int32_t NewIndex);
    void Exchange(int32_t Index1, int32_t Index2);
    void Sort(const TListSortCompare& Compare); // stable
    void Pack();                                // drops nullptr entries
    virtual void Clear();
    void* First() const;
    void* Last() const;

    int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
    void SetCount(int32_t NewCount); // new entries are nullptr
    int32_t GetCapacity() const { return static_cast<int32_t>(FItems.capacity()); }
    void SetCapacity(int32_t NewCapacity);
    void* GetItems(int32_t Index) const;
    void SetItems(int32_t Index, void* Item);

    std::vector<void*>::const_iterator begin() const { return FItems.begin(); }
    std::vector<void*>::const_iterator end() const { return FItems.end(); }

protected:
    // Called after an item enters the list and after it leaves it.
    virtual void Notify(void* Ptr, TListNotification Action);
    [[noreturn]] static void IndexError(int32_t Index);

private:
    void CheckIndex(int32_t Index) const;
    std::vector<void*> FItems;
};

// ---------------------------------------------------------------------------------------------
// TPersistent

class TPersistent : public TObject {
public:
    std::string ClassName() const override { return "TPersistent"; }
    // Copies Source into this object; the base asks Source->AssignTo(this).
    virtual void Assign(TPersistent* Source);
    // Copies this object into Dest; the base raises EConvertError "Cannot assign a %s to a %s".
    virtual void AssignTo(TPersistent* Dest);
    virtual TPersistent* GetOwner() const { return nullptr; }

protected:
    [[noreturn]] void AssignError(TPersistent* Source);
};

// A persistent object that knows its owner (no reference counting).
class TInterfacedPersistent : public TPersistent {
public:
    explicit TInterfacedPersistent(TPersistent* AOwner = nullptr) : FOwner(AOwner) {}
    std::string ClassName() const override { return "TInterfacedPersistent"; }
    TPersistent* GetOwner() const override { return FOwner; }

private:
    TPersistent* FOwner = nullptr;
};

// ---------------------------------------------------------------------------------------------
// TComponent

enum TComponentStateFlag { csLoading, csReading, csDesigning, csDestroying };
using TComponentState = TFlags<TComponentStateFlag>;
enum TOperation { opInsert, opRemove };

class TLoadingScope;

// A component is owned by its owner (which frees it, last first) or by whoever made it without
// one. Free() (or TComponentPtr) runs BeforeDestruction before any destructor, so the destroying
// state is set while derived destructors run; a plain delete sets it in the base destructor,
// still before any owned component is freed.
//
// Notification(C, op) reaches the owner and, through the base implementation, every component
// it owns (overrides call the base). Insert notifications arrive while C is still being
// constructed, so C is only a TComponent then.
//
// InsertComponent, RemoveComponent, Notification and FindComponent are virtual so that an owner
// whose list is used from several threads can lock around them.
class TComponent : public TPersistent {
public:
    explicit TComponent(TComponent* AOwner);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    ~TComponent() override;
    std::string ClassName() const override { return "TComponent"; }

    void Free(); // BeforeDestruction, then delete
    virtual void BeforeDestruction();
    void Destroying(); // sets the destroying state here and in every owned component
    void DestroyComponents(); // frees every owned component, last first

    TComponent* GetOwner() const override { return FOwner; }
    int32_t GetComponentCount() const { return static_cast<int32_t>(FComponents.size()); }
    TComponent* GetComponents(int32_t Index) const;
    int32_t GetComponentIndex() const; // -1 without an owner
    void SetComponentIndex(int32_t Value);
    virtual TComponent* FindComponent(std::string_view AName) const; // ignoring case

    const std::string& GetName() const { return FName; }
    // An identifier, unique among the owner's components ignoring case; else EComponentError.
    virtual void SetName(const std::string& NewName);
    int32_t GetTag() const { return FTag; }
    void SetTag(int32_t Value) { FTag = Value; }
    TComponentState GetComponentState() const { return FComponentState; }
    void SetDesigning(bool Value, bool SetChildren = true);

    // A component inserted into a designing owner becomes designing too (with what it owns).
    virtual void InsertComponent(TComponent* AComponent);
    virtual void RemoveComponent(TComponent* AComponent);

    // Links two components both ways: freeing either sends the other Notification(opRemove)
    // and leaves no entry behind on either side.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    virtual void Notification(TComponent* AComponent, TOperation Operation);
    // Runs once when the loading scope the component was made in ends, before any component of
    // the scope gets Loaded: the component's design has been read. Empty in the base.
    virtual void ReadState() {}
    // Runs once when the loading scope the component was made in ends; the base clears csLoading.
    virtual void Loaded();

protected:
    void ValidateRename(TComponent* AComponent, std::string_view NewName) const;

private:
    friend class TLoadingScope;
    static void EraseFrom(std::vector<TComponent*>& List, TComponent* Item);

    TComponent* FOwner = nullptr;
    std::string FName;
    int32_t FTag = 0;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    TComponentState FComponentState;
    TLoadingScope* FLoadingScope = nullptr;
};

// Frees a component through Free(), for std::unique_ptr.
struct TFreeComponent {
    void operator()(TComponent* C) const
    {
        if (C)
            C->Free();
    }
};
template <class T>
using TComponentPtr = std::unique_ptr<T, TFreeComponent>;

// Components made on this thread while a scope is open carry csLoading and csReading. When the
// scope ends (Finish, or the destructor when no exception is unwinding) each gets ReadState() in
// creation order, csReading is cleared from all of them, then each gets Loaded() in creation
// order. Scopes nest; each component belongs to the innermost one. If an exception unwinds
// through the scope, or a ReadState raises (the read failed), the states are cleared without
// Loaded.
class TLoadingScope {
public:
    TLoadingScope();
    TLoadingScope(const TLoadingScope&) = delete;
    TLoadingScope& operator=(const TLoadingScope&) = delete;
    ~TLoadingScope() noexcept(false);

    // An exception from a Loaded is raised again after every other component got its Loaded.
    void Finish();

private:
    friend class TComponent;
    void Leave();
    void Abandon(); // clears the states of every component left, without Loaded
    void Forget(TComponent* C);

    std::vector<TComponent*> FComponents;
    TLoadingScope* FOuter = nullptr;
    int FUncaught;
    bool FFinished = false;
};
