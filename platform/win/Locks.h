#pragma once
// Locks: a re-entrant critical section, a named Windows mutex shared between objects (and
// processes) of one name, and a pointer list taken under a lock. Order of taking: a task mutex
// first, then a list lock.

#include <cstdint>
#include <string>

#include <windows.h>

#include "platform/rtl/Classes.h"
#include "platform/rtl/StringList.h"

class TCriticalSection : public TObject {
public:
    TCriticalSection();
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;
    ~TCriticalSection() override;
    std::string ClassName() const override { return "TCriticalSection"; }

    // Re-entrant: the owning thread may enter again and leaves as often as it entered.
    void Enter();
    void Leave();
    bool TryEnter();

private:
    CRITICAL_SECTION FSection;
};

class TCriticalSectionGuard {
public:
    explicit TCriticalSectionGuard(TCriticalSection& Section) : FSection(Section) { FSection.Enter(); }
    TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
    TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;
    ~TCriticalSectionGuard() { FSection.Leave(); }

private:
    TCriticalSection& FSection;
};

// A Windows mutex created not owned (CreateMutexA); objects made with one name share it.
// A failed creation raises EOSError.
class TNamedMutex : public TObject {
public:
    explicit TNamedMutex(const std::string& Name);
    TNamedMutex(const TNamedMutex&) = delete;
    TNamedMutex& operator=(const TNamedMutex&) = delete;
    ~TNamedMutex() override;
    std::string ClassName() const override { return "TNamedMutex"; }

    // Waits without time-out; a mutex abandoned by a thread that ended holding it counts as
    // acquired (its holder is gone, and the lists it guards are checked by their own locks).
    void Wait();
    // Returns at once: true when acquired.
    bool TryWait();
    void Release();

    const std::string& GetName() const { return FName; }
    HANDLE GetHandle() const { return FHandle; }

private:
    std::string FName;
    HANDLE FHandle = nullptr;
};

// How many holds of TNamedMutex objects the calling thread has taken and not released. A
// system thread that still holds one when its thread object is done is not kept for the next
// object: it ends, so that the system hands the mutex on as abandoned.
int32_t NamedMutexHoldsOfThisThread();

// Holds a mutex for a scope. Made from a null pointer it holds nothing (a list without a mutex).
class TNamedMutexGuard {
public:
    explicit TNamedMutexGuard(TNamedMutex& Mutex) : TNamedMutexGuard(&Mutex) {}
    explicit TNamedMutexGuard(TNamedMutex* Mutex) : FMutex(Mutex)
    {
        if (FMutex)
            FMutex->Wait();
    }
    TNamedMutexGuard(const TNamedMutexGuard&) = delete;
    TNamedMutexGuard& operator=(const TNamedMutexGuard&) = delete;
    ~TNamedMutexGuard()
    {
        if (FMutex)
            FMutex->Release();
    }

private:
    TNamedMutex* FMutex;
};

// A TList behind a re-entrant lock. Add, Remove and Clear each take the lock for their own call;
// a walk over the list holds it from LockList to UnlockList (or through TThreadListGuard).
class TThreadList : public TObject {
public:
    TThreadList() = default;
    TThreadList(const TThreadList&) = delete;
    TThreadList& operator=(const TThreadList&) = delete;
    std::string ClassName() const override { return "TThreadList"; }

    // Duplicates: dupIgnore (the default) adds an item already present no second time,
    // dupError raises EListError "Duplicate item in list", dupAccept adds it again.
    void Add(void* Item);
    void Remove(void* Item); // the first occurrence
    void Clear();
    TList* LockList();
    void UnlockList();

    TDuplicates GetDuplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

private:
    TCriticalSection FLock;
    TList FList;
    TDuplicates FDuplicates = dupIgnore;
};

class TThreadListGuard {
public:
    explicit TThreadListGuard(TThreadList& List) : FList(List), FItems(List.LockList()) {}
    TThreadListGuard(const TThreadListGuard&) = delete;
    TThreadListGuard& operator=(const TThreadListGuard&) = delete;
    ~TThreadListGuard() { FList.UnlockList(); }
    TList* operator->() const { return FItems; }
    TList& operator*() const { return *FItems; }
    TList* Get() const { return FItems; }

private:
    TThreadList& FList;
    TList* FItems = nullptr;
};
