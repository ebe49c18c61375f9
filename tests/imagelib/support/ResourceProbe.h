#pragma once
// Live GDI objects and bytes in use by the test process, for leak checks.
//
// GDI objects: GetGuiResources when it shows objects being made and deleted (Wine reports 0
// always); else a scan of the process's GDI handle table when that shows them (Wine); otherwise
// the image library's own count of the objects it holds. SelfCheck decides which, by making and
// freeing a picture.

#include <cstdint>
#include <string>

namespace TestSupport {

class TResourceProbe {
public:
    TResourceProbe();
    // True when the GDI count rises after NewImage and falls back after FreeImage.
    bool SelfCheck();
    int64_t GdiObjects() const;
    // Busy blocks of every process heap plus committed private memory.
    static int64_t BytesInUse();
    static int64_t HeapBusyBytes();
    static int64_t CommittedPrivateBytes();
    // True when the count covers every GDI object of the process, not only the library's.
    bool UsesSystemCount() const { return FSystemCount; }
    bool UsesHandleScan() const { return FHandleScan; }
    const std::string& Report() const { return FReport; }

private:
    bool FSystemCount = false;
    bool FHandleScan = false;
    std::string FReport;
};

} // namespace TestSupport
