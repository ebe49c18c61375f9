#include "platform/win/MemoryDC.h"

#include <mutex>

namespace {
std::mutex& MemoryDCLock()
{
    static std::mutex Lock;
    return Lock;
}
} // namespace

HDC CreateMemoryDC()
{
    std::lock_guard<std::mutex> Lock(MemoryDCLock());
    return CreateCompatibleDC(nullptr);
}

BOOL DeleteMemoryDC(HDC DC)
{
    if (!DC)
        return TRUE;
    std::lock_guard<std::mutex> Lock(MemoryDCLock());
    return DeleteDC(DC);
}
