#include "tests/imagelib/support/ResourceProbe.h"

#include <vector>

#include <windows.h>

#include "imagelib/ImgDib.h"

namespace TestSupport {

namespace {
int64_t SystemGdiCount() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }

// Every live GDI object of the process, found by asking GDI for the type of each handle slot.
// Wine keeps one table of the process's GDI objects and takes a handle whose upper word is 0
// as "this slot, whatever its generation", so this sees the objects of every part of the
// program (platform bitmaps and palettes too, which the library's counter does not). Windows
// refuses such handles; the count is then 0 and the self-check does not choose it.
int64_t HandleTableGdiCount()
{
    int64_t Count = 0;
    for (uintptr_t Slot = 1; Slot < 0x10000; ++Slot)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(Slot)) != 0)
            ++Count;
    return Count;
}

std::string Triple(int64_t A, int64_t B, int64_t C)
{
    return std::to_string(A) + "/" + std::to_string(B) + "/" + std::to_string(C);
}
} // namespace

TResourceProbe::TResourceProbe() = default;

bool TResourceProbe::SelfCheck()
{
    // Once first, so objects GDI makes for itself on first use (stock objects, caches) are
    // there before counting.
    {
        TDibGraphic Warm;
        Warm.NewImage(16, 16, ifColor256);
        Warm.PaletteHandle();
    }
    TDibGraphic Picture;
    const int64_t SysBefore = SystemGdiCount(), ScanBefore = HandleTableGdiCount(),
                  LibBefore = ImgLibGdiObjectCount();
    Picture.NewImage(16, 16, ifColor256);
    Picture.PaletteHandle();
    const int64_t SysDuring = SystemGdiCount(), ScanDuring = HandleTableGdiCount(),
                  LibDuring = ImgLibGdiObjectCount();
    Picture.FreeImage();
    const int64_t SysAfter = SystemGdiCount(), ScanAfter = HandleTableGdiCount(), LibAfter = ImgLibGdiObjectCount();
    FReport = "GetGuiResources " + Triple(SysBefore, SysDuring, SysAfter) + ", handle table " +
              Triple(ScanBefore, ScanDuring, ScanAfter) + ", library count " + Triple(LibBefore, LibDuring, LibAfter);
    FSystemCount = SysDuring > SysBefore && SysAfter == SysBefore;
    FHandleScan = false;
    if (FSystemCount)
        return true;
    // A DC, a DIB section and a palette while the picture lives, seen the same by both counts.
    const bool LibraryOk = LibDuring == LibBefore + 3 && LibAfter == LibBefore;
    if (LibraryOk && ScanDuring == ScanBefore + 3 && ScanAfter == ScanBefore) {
        FSystemCount = FHandleScan = true;
        FReport += " (handle table used)";
    }
    return LibraryOk;
}

int64_t TResourceProbe::GdiObjects() const
{
    if (FHandleScan)
        return HandleTableGdiCount();
    return FSystemCount ? SystemGdiCount() : ImgLibGdiObjectCount();
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
