#pragma once
// Bytes of test files: memory streams over them, files on disk, little-endian fields, and
// streams that break. Portable, so the native test programs use it too.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Stream.h"

namespace ImageTest {

using TBytes = std::vector<uint8_t>;

inline void FillStream(TMemoryStream& S, const TBytes& Bytes)
{
    S.Clear();
    if (!Bytes.empty())
        S.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
    S.SetPosition(0);
}

inline std::unique_ptr<TMemoryStream> StreamOf(const TBytes& Bytes)
{
    auto S = std::make_unique<TMemoryStream>();
    FillStream(*S, Bytes);
    return S;
}

inline TBytes BytesOf(TMemoryStream& S)
{
    const auto* P = static_cast<const uint8_t*>(S.Memory());
    return TBytes(P, P + S.GetSize());
}

inline TBytes TextBytes(const std::string& T) { return TBytes(T.begin(), T.end()); }

// Empty when the file cannot be read.
inline TBytes ReadFileBytes(const std::string& Path)
{
    std::ifstream F(Path, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(F), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& Path, const TBytes& Bytes)
{
    std::ofstream F(Path, std::ios::binary);
    F.write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
}

// Little-endian fields; a write past the end grows the bytes.
inline uint32_t Get16(const TBytes& B, size_t At) { return uint32_t(B[At]) | uint32_t(B[At + 1]) << 8; }
inline uint32_t Get32(const TBytes& B, size_t At) { return Get16(B, At) | Get16(B, At + 2) << 16; }
inline void Put16(TBytes& B, size_t At, uint32_t V)
{
    if (B.size() < At + 2)
        B.resize(At + 2);
    B[At] = static_cast<uint8_t>(V);
    B[At + 1] = static_cast<uint8_t>(V >> 8);
}
inline void Put32(TBytes& B, size_t At, uint32_t V)
{
    Put16(B, At, V & 0xFFFF);
    Put16(B, At + 2, V >> 16);
}

// A medium that ends after Limit bytes: reading past it raises, and so does writing once
// FWrites is set (so the test can fill it first).
class TFailingStream : public TMemoryStream {
public:
    explicit TFailingStream(int64_t Limit) : FLimit(Limit) {}
    int32_t Read(void* Buffer, int32_t Count) override
    {
        if (GetPosition() + Count > FLimit)
            throw EReadError("Test stream broke while reading");
        return TMemoryStream::Read(Buffer, Count);
    }
    int32_t Write(const void* Buffer, int32_t Count) override
    {
        if (FWrites && GetPosition() + Count > FLimit)
            throw EWriteError("Test stream broke while writing");
        return TMemoryStream::Write(Buffer, Count);
    }
    bool FWrites = false;

private:
    int64_t FLimit;
};

// A sink that takes nothing: every write is short.
class TFullStream : public TStream {
public:
    int32_t Read(void*, int32_t) override { return 0; }
    int32_t Write(const void*, int32_t) override { return 0; }
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
};

} // namespace ImageTest
