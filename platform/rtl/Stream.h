#pragma once
// Byte streams: the abstract TStream and the in-memory TMemoryStream.

#include <cstdint>
#include <string>

#include "platform/rtl/SysUtils.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
    std::string ClassName() const override { return "TStream"; }

    // Up to Count bytes; returns how many were transferred (0 at the end).
    virtual int32_t Read(void* Buffer, int32_t Count) = 0;
    virtual int32_t Write(const void* Buffer, int32_t Count) = 0;
    // Returns the new position; a position before the start raises EStreamError.
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

    // Exactly Count bytes, or EReadError "Read past the end of the stream" /
    // EWriteError "Stream write failed".
    void ReadBuffer(void* Buffer, int32_t Count);
    void WriteBuffer(const void* Buffer, int32_t Count);

    int64_t GetPosition() { return Seek(0, soCurrent); }
    void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
    virtual int64_t GetSize();
    // The base cannot change its size and raises EStreamError.
    virtual void SetSize(int64_t NewSize);

    // Copies Count bytes from Source's position; Count 0 copies the whole of Source from its
    // start. Returns the count copied.
    int64_t CopyFrom(TStream* Source, int64_t Count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    TMemoryStream(const TMemoryStream&) = delete;
    TMemoryStream& operator=(const TMemoryStream&) = delete;
    ~TMemoryStream() override;
    std::string ClassName() const override { return "TMemoryStream"; }

    int32_t Read(void* Buffer, int32_t Count) override;
    // Writing past the end grows the stream; a gap is filled with zeros.
    int32_t Write(const void* Buffer, int32_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override { return FSize; }
    // A position beyond the new size moves to the new end.
    void SetSize(int64_t NewSize) override;

    void* Memory() { return FMemory; }
    const void* Memory() const { return FMemory; }
    void Clear();
    void LoadFromStream(TStream* Stream); // the whole of Stream; position 0 afterwards
    void LoadFromFile(const std::string& FileName);
    void SaveToStream(TStream* Stream);   // the whole content, at Stream's position
    void SaveToFile(const std::string& FileName);

private:
    void SetCapacity(int64_t NewCapacity);

    uint8_t* FMemory = nullptr;
    int64_t FSize = 0;
    int64_t FCapacity = 0;
    int64_t FPosition = 0;
};
