// The Windows file stream, over CreateFileA. The runtime's file routines (string lists, ini
// files, memory streams) open files through it, so Windows builds link it with the runtime.
#ifdef _WIN32

#include "platform/rtl/FileStream.h"

#include <windows.h>

#include "platform/win/OSError.h"

namespace {

HANDLE H(intptr_t Handle)
{
    return reinterpret_cast<HANDLE>(Handle);
}

[[noreturn]] void RaiseIo(const std::string& What, const std::string& FileName, DWORD Code)
{
    throw EInOutError(What + " '" + FileName + "': " + SysErrorMessage(Code), static_cast<int32_t>(Code));
}

} // namespace

TFileStream::TFileStream(const std::string& FileName, uint16_t Mode) : FFileName(FileName)
{
    const uint16_t Create = Mode & fmCreateMask;
    DWORD Access, Disposition;
    if (Create == fmCreate || Create == fmCreateNew) {
        Access = GENERIC_READ | GENERIC_WRITE;
        Disposition = Create == fmCreate ? CREATE_ALWAYS : CREATE_NEW;
    } else {
        const uint16_t A = Mode & fmAccessMask;
        Access = A == fmOpenWrite ? GENERIC_WRITE : A == fmOpenReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
        Disposition = OPEN_EXISTING;
    }
    DWORD Share;
    switch (Mode & fmShareMask) {
    case fmShareExclusive:
        Share = 0;
        break;
    case fmShareDenyWrite:
        Share = FILE_SHARE_READ;
        break;
    case fmShareDenyNone:
        Share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
        break;
    default:
        // No share value given: others may read, as a plain open for reading expects.
        Share = FILE_SHARE_READ;
        break;
    }
    HANDLE F = CreateFileA(FileName.c_str(), Access, Share, nullptr, Disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (F == INVALID_HANDLE_VALUE) {
        const DWORD Code = GetLastError();
        if (Create != 0)
            throw EFCreateError(Format("Cannot create file '%s': %s", FileName, SysErrorMessage(Code)), FileName, Code);
        throw EFOpenError(Format("Cannot open file '%s': %s", FileName, SysErrorMessage(Code)), FileName, Code);
    }
    FHandle = reinterpret_cast<intptr_t>(F);
}

TFileStream::~TFileStream()
{
    if (FHandle != -1 && H(FHandle) != INVALID_HANDLE_VALUE)
        CloseHandle(H(FHandle));
}

int32_t TFileStream::Read(void* Buffer, int32_t Count)
{
    if (Count <= 0)
        return 0;
    DWORD N = 0;
    if (!ReadFile(H(FHandle), Buffer, static_cast<DWORD>(Count), &N, nullptr))
        RaiseIo("Cannot read file", FFileName, GetLastError());
    return static_cast<int32_t>(N);
}

int32_t TFileStream::Write(const void* Buffer, int32_t Count)
{
    if (Count <= 0)
        return 0;
    DWORD N = 0;
    if (!WriteFile(H(FHandle), Buffer, static_cast<DWORD>(Count), &N, nullptr))
        RaiseIo("Cannot write file", FFileName, GetLastError());
    return static_cast<int32_t>(N);
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    const DWORD Method = Origin == soBeginning ? FILE_BEGIN : (Origin == soCurrent ? FILE_CURRENT : FILE_END);
    LARGE_INTEGER Distance, Result;
    Distance.QuadPart = Offset;
    if (!SetFilePointerEx(H(FHandle), Distance, &Result, Method)) {
        const DWORD Code = GetLastError();
        if (Code == ERROR_NEGATIVE_SEEK)
            throw EStreamError(Format("Invalid stream position %d", Offset));
        RaiseIo("Cannot seek in file", FFileName, Code);
    }
    return Result.QuadPart;
}

int64_t TFileStream::GetSize()
{
    LARGE_INTEGER Size;
    if (!GetFileSizeEx(H(FHandle), &Size))
        RaiseIo("Cannot read the size of file", FFileName, GetLastError());
    return Size.QuadPart;
}

void TFileStream::SetSize(int64_t NewSize)
{
    if (NewSize < 0)
        throw EStreamError(Format("Invalid stream size %d", NewSize));
    const int64_t Old = GetPosition();
    Seek(NewSize, soBeginning);
    if (!SetEndOfFile(H(FHandle)))
        RaiseIo("Cannot set the size of file", FFileName, GetLastError());
    Seek(Old > NewSize ? NewSize : Old, soBeginning);
}

bool IsFileNotFoundError(uint32_t ErrorCode)
{
    return ErrorCode == ERROR_FILE_NOT_FOUND || ErrorCode == ERROR_PATH_NOT_FOUND;
}

bool IsFileExistsError(uint32_t ErrorCode)
{
    return ErrorCode == ERROR_FILE_EXISTS || ErrorCode == ERROR_ALREADY_EXISTS;
}

#endif
