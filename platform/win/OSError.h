#pragma once
// System error texts and EOSError for failed Win32 calls.

#include <cstdint>
#include <string>

#include "platform/rtl/SysUtils.h"

// The system's text for an error code, without the trailing line end and full stop.
std::string SysErrorMessage(uint32_t ErrorCode);

// Raises EOSError "<What>: <system text>" (or the text alone when What is empty) with the code.
[[noreturn]] void RaiseOSError(uint32_t ErrorCode, const std::string& What = std::string());
// The same with GetLastError().
[[noreturn]] void RaiseLastOSError(const std::string& What = std::string());
