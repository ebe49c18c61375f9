#include "platform/win/Guid.h"

#include <cstdio>

#include <objbase.h>

#include "platform/win/OSError.h"

std::string NewGuidText()
{
    GUID G;
    const HRESULT R = CoCreateGuid(&G);
    if (FAILED(R))
        RaiseOSError(static_cast<uint32_t>(R), "Cannot create a GUID");
    char Text[40];
    std::snprintf(Text, sizeof(Text), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(G.Data1), G.Data2, G.Data3, G.Data4[0], G.Data4[1], G.Data4[2],
                  G.Data4[3], G.Data4[4], G.Data4[5], G.Data4[6], G.Data4[7]);
    return std::string(Text, 38);
}
