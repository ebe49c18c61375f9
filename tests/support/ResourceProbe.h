#pragma once
// Live GDI objects, windows and bytes in use by the test process, for leak checks.
//
// GDI objects: GetGuiResources when it shows objects being made and deleted (Wine reports 0
// always); else a scan of the process's GDI handle table when that shows them (Wine). SelfCheck
// decides which, by making and deleting a brush; without either the probe counts nothing and
// SelfCheck says so.

#include <cstdint>
#include <string>

namespace TestSupport {

class TResourceProbe {
public:
    TResourceProbe();
    // True when a process-wide count rises with a new brush and falls back once it is deleted.
    bool SelfCheck();
    // The live GDI objects of the process by the count SelfCheck chose (0 before or without one).
    int64_t GdiObjects() const;
    // The windows of the calling thread: its top-level windows and every window below them that
    // the thread made.
    static int64_t ThreadWindows();
    // Busy blocks of every process heap plus committed private memory.
    static int64_t BytesInUse();
    static int64_t HeapBusyBytes();
    static int64_t CommittedPrivateBytes();
    bool UsesHandleScan() const { return FHandleScan; }
    const std::string& Report() const { return FReport; }

private:
    bool FSystemCount = false;
    bool FHandleScan = false;
    std::string FReport;
};

} // namespace TestSupport
