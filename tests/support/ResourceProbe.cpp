#include "tests/support/ResourceProbe.h"

#include <vector>

#include <windows.h>

namespace TestSupport {

namespace {
int64_t SystemGdiCount() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

// Every live GDI object of the process, found by asking GDI for the type of each handle slot.
// Wine keeps one table of the process's GDI objects and takes a handle whose upper word is 0
// as "this slot, whatever its generation", so this sees the objects of every part of the
// program. Windows refuses such handles; the count is then 0 and the self-check does not choose
// it.
int64_t HandleTableGdiCount()
{
    int64_t Count = 0;
    for (uintptr_t Slot = 1; Slot < 0x10000; ++Slot)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(Slot)) != 0)
            ++Count;
    return Count;
}

struct TWindowCount {
    DWORD Thread;
    std::vector<HWND> Tops;
    int64_t N;
};

BOOL CALLBACK CollectTopLevel(HWND W, LPARAM L)
{
    reinterpret_cast<TWindowCount*>(L)->Tops.push_back(W);
    return TRUE;
}

// EnumChildWindows walks the whole tree below a window. A child another thread made is that
// thread's to leak.
BOOL CALLBACK CountOwnChild(HWND W, LPARAM L)
{
    auto* C = reinterpret_cast<TWindowCount*>(L);
    C->N += GetWindowThreadProcessId(W, nullptr) == C->Thread;
    return TRUE;
}

std::string Triple(int64_t A, int64_t B, int64_t C)
{
    return std::to_string(A) + "/" + std::to_string(B) + "/" + std::to_string(C);
}
} // namespace

TResourceProbe::TResourceProbe() = default;

bool TResourceProbe::SelfCheck()
{
    // One brush first, so whatever GDI makes for itself on first use (stock objects, caches) is
    // there before counting.
    DeleteObject(CreateSolidBrush(RGB(1, 2, 3)));
    const int64_t SysBefore = SystemGdiCount(), ScanBefore = HandleTableGdiCount();
    HBRUSH Brush = CreateSolidBrush(RGB(4, 5, 6));
    const int64_t SysDuring = SystemGdiCount(), ScanDuring = HandleTableGdiCount();
    DeleteObject(Brush);
    const int64_t SysAfter = SystemGdiCount(), ScanAfter = HandleTableGdiCount();
    FReport = "GetGuiResources " + Triple(SysBefore, SysDuring, SysAfter) + ", handle table " +
              Triple(ScanBefore, ScanDuring, ScanAfter);
    FSystemCount = Brush && SysDuring == SysBefore + 1 && SysAfter == SysBefore;
    FHandleScan = !FSystemCount && Brush && ScanDuring == ScanBefore + 1 && ScanAfter == ScanBefore;
    if (FHandleScan)
        FReport += " (handle table used)";
    else if (!FSystemCount)
        FReport += " (no count follows the brush)";
    return FSystemCount || FHandleScan;
}

int64_t TResourceProbe::GdiObjects() const
{
    if (FHandleScan)
        return HandleTableGdiCount();
    return FSystemCount ? SystemGdiCount() : 0;
}

int64_t TResourceProbe::ThreadWindows()
{
    TWindowCount Count{GetCurrentThreadId(), {}, 0};
    EnumThreadWindows(Count.Thread, CollectTopLevel, reinterpret_cast<LPARAM>(&Count));
    Count.N = static_cast<int64_t>(Count.Tops.size());
    for (HWND W : Count.Tops)
        EnumChildWindows(W, CountOwnChild, reinterpret_cast<LPARAM>(&Count));
    return Count.N;
}

int64_t TResourceProbe::HeapBusyBytes()
{
    std::vector<HANDLE> Heaps(64);
    DWORD N = GetProcessHeaps(static_cast<DWORD>(Heaps.size()), Heaps.data());
    if (N > Heaps.size()) {
        Heaps.resize(N);
        N = GetProcessHeaps(N, Heaps.data());
    }
    int64_t Total = 0;
    for (DWORD I = 0; I < N && I < Heaps.size(); ++I) {
        if (!HeapLock(Heaps[I]))
            continue;
        PROCESS_HEAP_ENTRY Entry{};
        while (HeapWalk(Heaps[I], &Entry))
            if (Entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                Total += Entry.cbData;
        HeapUnlock(Heaps[I]);
    }
    return Total;
}

int64_t TResourceProbe::CommittedPrivateBytes()
{
    int64_t Total = 0;
    MEMORY_BASIC_INFORMATION Info;
    const char* Address = nullptr;
    while (VirtualQuery(Address, &Info, sizeof(Info)) == sizeof(Info)) {
        if (Info.State == MEM_COMMIT && Info.Type == MEM_PRIVATE)
            Total += static_cast<int64_t>(Info.RegionSize);
        const char* Next = static_cast<const char*>(Info.BaseAddress) + Info.RegionSize;
        if (Next <= Address)
            break;
        Address = Next;
    }
    return Total;
}

int64_t TResourceProbe::BytesInUse() { return HeapBusyBytes() + CommittedPrivateBytes(); }

} // namespace TestSupport
