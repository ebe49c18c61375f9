#include "tests/imagelib/support/ResourceProbe.h"

#include <vector>

#include <windows.h>

#include "imagelib/ImgDib.h"

namespace TestSupport {

namespace {
int64_t SystemGdiCount() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }
} // namespace

TResourceProbe::TResourceProbe() = default;

bool TResourceProbe::SelfCheck()
{
    TDibGraphic Picture;
    const int64_t SysBefore = SystemGdiCount(), LibBefore = ImgLibGdiObjectCount();
    Picture.NewImage(16, 16, ifColor256);
    Picture.PaletteHandle();
    const int64_t SysDuring = SystemGdiCount(), LibDuring = ImgLibGdiObjectCount();
    Picture.FreeImage();
    const int64_t SysAfter = SystemGdiCount(), LibAfter = ImgLibGdiObjectCount();
    FReport = "GetGuiResources " + std::to_string(SysBefore) + "/" + std::to_string(SysDuring) + "/" +
              std::to_string(SysAfter) + ", library count " + std::to_string(LibBefore) + "/" +
              std::to_string(LibDuring) + "/" + std::to_string(LibAfter);
    FSystemCount = SysDuring > SysBefore && SysAfter == SysBefore;
    if (FSystemCount)
        return true;
    // A DC, a DIB section and a palette while the picture lives.
    return LibDuring == LibBefore + 3 && LibAfter == LibBefore;
}

int64_t TResourceProbe::GdiObjects() const { return FSystemCount ? SystemGdiCount() : ImgLibGdiObjectCount(); }

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
