#include "platform/rtl/Stream.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "platform/rtl/FileStream.h"

namespace {

constexpr int32_t kCopyBlock = 64 * 1024;
constexpr int64_t kMemoryGranule = 8 * 1024;

int32_t Block(int64_t Remaining)
{
    return Remaining > kCopyBlock ? kCopyBlock : static_cast<int32_t>(Remaining);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TStream

void TStream::ReadBuffer(void* Buffer, int32_t Count)
{
    if (Count < 0)
        throw EReadError("Read past the end of the stream");
    auto* P = static_cast<uint8_t*>(Buffer);
    // A stream may hand out less than asked before its end, so keep reading.
    while (Count > 0) {
        const int32_t N = Read(P, Count);
        if (N <= 0)
            throw EReadError("Read past the end of the stream");
        P += N;
        Count -= N;
    }
}

void TStream::WriteBuffer(const void* Buffer, int32_t Count)
{
    if (Count < 0)
        throw EWriteError("Stream write failed");
    const auto* P = static_cast<const uint8_t*>(Buffer);
    while (Count > 0) {
        const int32_t N = Write(P, Count);
        if (N <= 0)
            throw EWriteError("Stream write failed");
        P += N;
        Count -= N;
    }
}

int64_t TStream::GetSize()
{
    const int64_t Pos = Seek(0, soCurrent);
    const int64_t Size = Seek(0, soEnd);
    Seek(Pos, soBeginning);
    return Size;
}

void TStream::SetSize(int64_t)
{
    throw EStreamError(ClassName() + " cannot change its size");
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count)
{
    if (!Source || Source == this)
        throw EStreamError("Cannot copy a stream into itself");
    if (Count < 0)
        throw EStreamError(Format("Invalid copy count %d", Count));
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->GetSize();
    }
    std::vector<uint8_t> Buffer(static_cast<size_t>(Block(Count)));
    int64_t Done = 0;
    while (Done < Count) {
        const int32_t N = Block(Count - Done);
        Source->ReadBuffer(Buffer.data(), N);
        WriteBuffer(Buffer.data(), N);
        Done += N;
    }
    return Done;
}

// ---------------------------------------------------------------------------------------------
// TMemoryStream

TMemoryStream::~TMemoryStream()
{
    std::free(FMemory);
}

void TMemoryStream::SetCapacity(int64_t NewCapacity)
{
    if (NewCapacity <= FCapacity)
        return;
    if (static_cast<uint64_t>(NewCapacity) > std::numeric_limits<size_t>::max() / 2)
        throw EOutOfMemory("Out of memory");
    // Grow by half again, in whole granules, so repeated small writes stay linear.
    int64_t Grown = FCapacity + FCapacity / 2;
    if (Grown < NewCapacity)
        Grown = NewCapacity;
    Grown = (Grown + kMemoryGranule - 1) / kMemoryGranule * kMemoryGranule;
    if (static_cast<uint64_t>(Grown) > std::numeric_limits<size_t>::max() / 2)
        Grown = NewCapacity;
    void* P = std::realloc(FMemory, static_cast<size_t>(Grown));
    if (!P)
        throw EOutOfMemory("Out of memory");
    FMemory = static_cast<uint8_t*>(P);
    FCapacity = Grown;
}

int32_t TMemoryStream::Read(void* Buffer, int32_t Count)
{
    if (Count <= 0 || FPosition >= FSize)
        return 0;
    const int64_t Left = FSize - FPosition;
    const int32_t N = Left < Count ? static_cast<int32_t>(Left) : Count;
    std::memcpy(Buffer, FMemory + FPosition, static_cast<size_t>(N));
    FPosition += N;
    return N;
}

int32_t TMemoryStream::Write(const void* Buffer, int32_t Count)
{
    if (Count <= 0)
        return 0;
    if (FPosition > std::numeric_limits<int64_t>::max() - Count)
        throw EOutOfMemory("Out of memory");
    const int64_t End = FPosition + Count;
    SetCapacity(End);
    if (FPosition > FSize)
        std::memset(FMemory + FSize, 0, static_cast<size_t>(FPosition - FSize));
    std::memcpy(FMemory + FPosition, Buffer, static_cast<size_t>(Count));
    if (End > FSize)
        FSize = End;
    FPosition = End;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin)
{
    const int64_t Base = Origin == soBeginning ? 0 : (Origin == soCurrent ? FPosition : FSize);
    int64_t NewPos = 0;
    if (__builtin_add_overflow(Base, Offset, &NewPos) || NewPos < 0)
        throw EStreamError(Format("Invalid stream position %d", Offset));
    FPosition = NewPos;
    return FPosition;
}

void TMemoryStream::SetSize(int64_t NewSize)
{
    if (NewSize < 0)
        throw EStreamError(Format("Invalid stream size %d", NewSize));
    SetCapacity(NewSize);
    if (NewSize > FSize)
        std::memset(FMemory + FSize, 0, static_cast<size_t>(NewSize - FSize));
    FSize = NewSize;
    if (FPosition > FSize)
        FPosition = FSize;
}

void TMemoryStream::Clear()
{
    std::free(FMemory);
    FMemory = nullptr;
    FSize = FCapacity = FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream)
{
    if (Stream == this) {
        FPosition = 0;
        return;
    }
    Stream->SetPosition(0);
    const int64_t Size = Stream->GetSize();
    SetSize(Size);
    for (int64_t Done = 0; Done < Size;) {
        const int32_t N = Block(Size - Done);
        Stream->ReadBuffer(FMemory + Done, N);
        Done += N;
    }
    FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream* Stream)
{
    if (Stream == this)
        return;
    for (int64_t Done = 0; Done < FSize;) {
        const int32_t N = Block(FSize - Done);
        Stream->WriteBuffer(FMemory + Done, N);
        Done += N;
    }
}

void TMemoryStream::LoadFromFile(const std::string& FileName)
{
    TFileStream F(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&F);
}

void TMemoryStream::SaveToFile(const std::string& FileName)
{
    TFileStream F(FileName, fmCreate);
    SaveToStream(&F);
}
