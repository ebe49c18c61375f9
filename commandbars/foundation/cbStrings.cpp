#include "commandbars/foundation/cbStrings.h"

#include <map>

#include <windows.h>

namespace {

#define CB_STRING(Name, Id, Text) Id,
const int32_t kIds[] = {
#include "commandbars/foundation/cbStrings.inc"
};
#undef CB_STRING

std::map<int32_t, std::string> gReplacements;

} // namespace

std::span<const int32_t> FrameworkStringIds()
{
    return kIds;
}

std::string uiGetResourceString(int32_t Id)
{
    auto It = gReplacements.find(Id);
    if (It != gReplacements.end())
        return It->second;
    // The string compiler takes at most 4097 characters a string.
    char Buffer[4100];
    const int Length = LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(Id), Buffer, sizeof(Buffer));
    return Length > 0 ? std::string(Buffer, static_cast<size_t>(Length)) : std::string();
}

void uiSetResourceReplacement(int32_t Id, const std::string& Text)
{
    gReplacements[Id] = Text;
}

void uiClearResourceReplacements()
{
    gReplacements.clear();
}
