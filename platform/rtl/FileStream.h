#pragma once
// A stream over a file. The Windows build implements it over CreateFileA (platform/win), the
// native build over POSIX (FileStreamPosix.cpp); both follow this declaration.

#include <cstdint>
#include <string>

#include "platform/rtl/Stream.h"

// Mode = one of the create/open values | one share value.
enum : uint16_t {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,    // create or truncate, read-write
    fmCreateNew = 0xFE00, // create, failing when the file exists, read-write
};
constexpr uint16_t fmAccessMask = 0x0003;
constexpr uint16_t fmShareMask = 0x00F0;
constexpr uint16_t fmCreateMask = 0xFF00;

// Failures raise EFOpenError "Cannot open file '%s': %s" or EFCreateError
// "Cannot create file '%s': %s" with the system's text, keeping its error code. Reads, writes,
// seeks and size changes that fail raise EInOutError with the code.
// On POSIX the share values are accepted but not enforced.
// An open file's handle (a HANDLE on Windows, a descriptor on POSIX), given to a stream.
enum class TFileHandle : intptr_t {};

class TFileStream : public TStream {
public:
    TFileStream(const std::string& FileName, uint16_t Mode);
    // Takes a file already open, which it closes.
    TFileStream(const std::string& FileName, TFileHandle Handle)
        : FFileName(FileName), FHandle(static_cast<intptr_t>(Handle))
    {
    }
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    ~TFileStream() override;
    std::string ClassName() const override { return "TFileStream"; }

    int32_t Read(void* Buffer, int32_t Count) override;
    int32_t Write(const void* Buffer, int32_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override;
    // A position beyond the new size moves to the new end.
    void SetSize(int64_t NewSize) override;

    const std::string& GetFileName() const { return FFileName; }
    intptr_t GetHandle() const { return FHandle; } // a HANDLE on Windows, a descriptor on POSIX

private:
    std::string FFileName;
    intptr_t FHandle = -1;
};

// True when a system error code (of EFileStreamError::GetErrorCode) means the file or its
// folder does not exist.
bool IsFileNotFoundError(uint32_t ErrorCode);
// True when it means the file exists (a failed fmCreateNew).
bool IsFileExistsError(uint32_t ErrorCode);
