#include "platform/win/Locks.h"

#include "platform/win/OSError.h"

TCriticalSection::TCriticalSection()
{
    InitializeCriticalSection(&FSection);
}

TCriticalSection::~TCriticalSection()
{
    DeleteCriticalSection(&FSection);
}

void TCriticalSection::Enter()
{
    EnterCriticalSection(&FSection);
}

void TCriticalSection::Leave()
{
    LeaveCriticalSection(&FSection);
}

bool TCriticalSection::TryEnter()
{
    return TryEnterCriticalSection(&FSection) != FALSE;
}

namespace {
thread_local int32_t gMutexHolds = 0; // a plain number: nothing to destroy at thread end
} // namespace

int32_t NamedMutexHoldsOfThisThread()
{
    return gMutexHolds;
}

TNamedMutex::TNamedMutex(const std::string& Name) : FName(Name)
{
    FHandle = CreateMutexA(nullptr, FALSE, Name.empty() ? nullptr : Name.c_str());
    if (!FHandle)
        RaiseLastOSError(Format("Cannot create mutex '%s'", Name));
}

TNamedMutex::~TNamedMutex()
{
    if (FHandle)
        CloseHandle(FHandle);
}

void TNamedMutex::Wait()
{
    const DWORD R = WaitForSingleObject(FHandle, INFINITE);
    if (R != WAIT_OBJECT_0 && R != WAIT_ABANDONED)
        RaiseLastOSError(Format("Cannot wait for mutex '%s'", FName));
    ++gMutexHolds;
}

bool TNamedMutex::TryWait()
{
    const DWORD R = WaitForSingleObject(FHandle, 0);
    if (R == WAIT_OBJECT_0 || R == WAIT_ABANDONED) {
        ++gMutexHolds;
        return true;
    }
    if (R == WAIT_TIMEOUT)
        return false;
    RaiseLastOSError(Format("Cannot wait for mutex '%s'", FName));
}

void TNamedMutex::Release()
{
    if (!ReleaseMutex(FHandle))
        RaiseLastOSError(Format("Cannot release mutex '%s'", FName));
    --gMutexHolds;
}

void TThreadList::Add(void* Item)
{
    TCriticalSectionGuard Lock(FLock);
    if (FDuplicates != dupAccept && FList.IndexOf(Item) >= 0) {
        if (FDuplicates == dupError)
            throw EListError("Duplicate item in list");
        return;
    }
    FList.Add(Item);
}

void TThreadList::Remove(void* Item)
{
    TCriticalSectionGuard Lock(FLock);
    FList.Remove(Item);
}

void TThreadList::Clear()
{
    TCriticalSectionGuard Lock(FLock);
    FList.Clear();
}

TList* TThreadList::LockList()
{
    FLock.Enter();
    return &FList;
}

void TThreadList::UnlockList()
{
    FLock.Leave();
}
