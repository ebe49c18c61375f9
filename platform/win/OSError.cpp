#include "platform/win/OSError.h"

#include <windows.h>

std::string SysErrorMessage(uint32_t ErrorCode)
{
    char* Text = nullptr;
    const DWORD N = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, ErrorCode, 0, reinterpret_cast<char*>(&Text), 0, nullptr);
    std::string Result = N && Text ? std::string(Text, N) : Format("system error %u", ErrorCode);
    if (Text)
        LocalFree(Text);
    while (!Result.empty() && (Result.back() == '\r' || Result.back() == '\n' || Result.back() == ' ' ||
                               Result.back() == '.'))
        Result.pop_back();
    return Result;
}

void RaiseOSError(uint32_t ErrorCode, const std::string& What)
{
    const std::string Text = SysErrorMessage(ErrorCode);
    throw EOSError(What.empty() ? Text : What + ": " + Text, ErrorCode);
}

void RaiseLastOSError(const std::string& What)
{
    RaiseOSError(GetLastError(), What);
}
