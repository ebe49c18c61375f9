// The native build's file stream, over POSIX descriptors.
#ifndef _WIN32

#define _FILE_OFFSET_BITS 64

#include "platform/rtl/FileStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(sizeof(off_t) >= 8, "64-bit file offsets needed");

namespace {

std::string SystemText(int Code)
{
    return std::strerror(Code);
}

int Descriptor(intptr_t Handle)
{
    return static_cast<int>(Handle);
}

[[noreturn]] void RaiseIo(const std::string& What, const std::string& FileName, int Code)
{
    throw EInOutError(What + " '" + FileName + "': " + SystemText(Code), Code);
}

} // namespace

TFileStream::TFileStream(const std::string& FileName, uint16_t Mode) : FFileName(FileName)
{
    const uint16_t Create = Mode & fmCreateMask;
    int Flags = O_CLOEXEC;
    if (Create == fmCreate)
        Flags |= O_RDWR | O_CREAT | O_TRUNC;
    else if (Create == fmCreateNew)
        Flags |= O_RDWR | O_CREAT | O_EXCL;
    else if ((Mode & fmAccessMask) == fmOpenWrite)
        Flags |= O_WRONLY;
    else if ((Mode & fmAccessMask) == fmOpenReadWrite)
        Flags |= O_RDWR;
    else
        Flags |= O_RDONLY;

    int Fd;
    do
        Fd = ::open(FileName.c_str(), Flags, 0666);
    while (Fd < 0 && errno == EINTR);
    int Code = errno;
    if (Fd >= 0) {
        // A folder opens for reading on POSIX; it is not a file here.
        struct stat St {};
        if (::fstat(Fd, &St) != 0 || S_ISDIR(St.st_mode)) {
            Code = S_ISDIR(St.st_mode) ? EISDIR : errno;
            ::close(Fd);
            Fd = -1;
        }
    }
    if (Fd < 0) {
        if (Create == fmCreate || Create == fmCreateNew)
            throw EFCreateError(Format("Cannot create file '%s': %s", FileName, SystemText(Code)), FileName,
                                static_cast<uint32_t>(Code));
        throw EFOpenError(Format("Cannot open file '%s': %s", FileName, SystemText(Code)), FileName,
                          static_cast<uint32_t>(Code));
    }
    FHandle = Fd;
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0)
        ::close(Descriptor(FHandle));
}

int32_t TFileStream::Read(void* Buffer, int32_t Count)
{
    if (Count <= 0)
        return 0;
    ssize_t N;
    do
        N = ::read(Descriptor(FHandle), Buffer, static_cast<size_t>(Count));
    while (N < 0 && errno == EINTR);
    if (N < 0)
        RaiseIo("Cannot read file", FFileName, errno);
    return static_cast<int32_t>(N);
}

int32_t TFileStream::Write(const void* Buffer, int32_t Count)
{
    if (Count <= 0)
        return 0;
    ssize_t N;
    do
        N = ::write(Descriptor(FHandle), Buffer, static_cast<size_t>(Count));
    while (N < 0 && errno == EINTR);
    if (N < 0)
        RaiseIo("Cannot write file", FFileName, errno);
    return static_cast<int32_t>(N);
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    const int Whence = Origin == soBeginning ? SEEK_SET : (Origin == soCurrent ? SEEK_CUR : SEEK_END);
    const off_t R = ::lseek(Descriptor(FHandle), static_cast<off_t>(Offset), Whence);
    if (R < 0) {
        if (errno == EINVAL)
            throw EStreamError(Format("Invalid stream position %d", Offset));
        RaiseIo("Cannot seek in file", FFileName, errno);
    }
    return static_cast<int64_t>(R);
}

int64_t TFileStream::GetSize()
{
    struct stat St {};
    if (::fstat(Descriptor(FHandle), &St) != 0)
        RaiseIo("Cannot read the size of file", FFileName, errno);
    return static_cast<int64_t>(St.st_size);
}

void TFileStream::SetSize(int64_t NewSize)
{
    if (NewSize < 0)
        throw EStreamError(Format("Invalid stream size %d", NewSize));
    int R;
    do
        R = ::ftruncate(Descriptor(FHandle), static_cast<off_t>(NewSize));
    while (R != 0 && errno == EINTR);
    if (R != 0)
        RaiseIo("Cannot set the size of file", FFileName, errno);
    if (GetPosition() > NewSize)
        Seek(NewSize, soBeginning);
}

bool IsFileNotFoundError(uint32_t ErrorCode)
{
    return ErrorCode == ENOENT || ErrorCode == ENOTDIR;
}

bool IsFileExistsError(uint32_t ErrorCode)
{
    return ErrorCode == EEXIST;
}

#endif
